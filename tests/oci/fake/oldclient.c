/* A client library of a release without the calls the driver uses. */
int OCIEnvNlsCreate(void) { return 0; }
int OCIHandleAlloc(void) { return 0; }
