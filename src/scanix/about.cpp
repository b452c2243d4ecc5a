// AboutBox: shown through a GUI toolkit loaded at run time, never linked.
//
// The box itself lives in the optional plugin libscanix_about.so (Qt), looked up as
// $SCANIX_ABOUT_PLUGIN or beside libscanix.so. Without the plugin, or without a display, the
// information is written to standard error instead.
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>

#include "scanix.h"
#include "scanix_core.h"

namespace scx {

namespace {
const char kTitle[] = "Scanix";
const char kText[] =
    "Scanix field-splitting control, version 7.00\n"
    "Splits lines into fields, scans text files line by line\n"
    "and evaluates arithmetic and logical expressions.\n\n"
    "Part of SQL*Vigil.";

using ShowFn = int (*)(const char *title, const char *text);

ShowFn loadPlugin() {
  static ShowFn fn = [] () -> ShowFn {
    std::string path;
    if (const char *env = getenv("SCANIX_ABOUT_PLUGIN"); env && *env) {
      path = env;
    } else {
      std::string mod = scanix_module_path();
      size_t slash = mod.find_last_of('/');
      if (slash == std::string::npos) return nullptr;
      path = mod.substr(0, slash) + "/libscanix_about.so";
    }
    void *h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) return nullptr;
    return reinterpret_cast<ShowFn>(dlsym(h, "scanix_about_show"));
  }();
  return fn;
}
}  // namespace

int showAboutBox() {
  if (ShowFn show = loadPlugin()) {
    if (show(kTitle, kText) == 0) return kOk;
  }
  fprintf(stderr, "%s\n%s\n", kTitle, kText);
  return kOk;
}

}  // namespace scx
