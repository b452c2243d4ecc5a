/* scanix-regsvr: registers (default) or unregisters (-u) libscanix.so in the component registry
 * file, or prints the type description (-t). Plain C: it also shows that scanix.h is C. */
#include <stdio.h>
#include <string.h>

#include "scanix.h"

int main(int argc, char **argv) {
  int unreg = 0, typelib = 0;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "-u") == 0) unreg = 1;
    else if (strcmp(argv[i], "-t") == 0) typelib = 1;
    else {
      fprintf(stderr, "usage: %s [-u] [-t]\n", argv[0]);
      return 2;
    }
  }
  if (typelib) {
    fputs(scanix_type_description(), stdout);
    return 0;
  }
  int r = unreg ? scanix_unregister_server() : scanix_register_server();
  printf("%s %s in %s: %s\n", unreg ? "unregistered" : "registered", scanix_module_path(),
         scanix_registry_path(), r == 0 ? "ok" : "failed");
  return r == 0 ? 0 : 1;
}
