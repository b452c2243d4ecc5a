/* A client library that needs libaio.so.1, installed without it. */
int fake_io_setup(void);
int OCIEnvNlsCreate(void) { return fake_io_setup(); }
