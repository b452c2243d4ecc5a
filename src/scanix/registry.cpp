// Self-registration of the component and its machine-readable type description.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>

#include "regfile.h"
#include "scanix.h"

namespace {

const char kRoot[] = "HKEY_CLASSES_ROOT\\";
const char kDescription[] = "Scanix Control";

std::string modulePath() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void *>(&scanix_register_server), &info) || !info.dli_fname)
    return {};
  char buf[PATH_MAX];
  if (realpath(info.dli_fname, buf)) return buf;
  return info.dli_fname;
}

std::string key(const std::string &rest) { return std::string(kRoot) + rest; }

const char kTypeDescription[] = R"JSON({
  "format": "scanix-typelib/1",
  "library": {"name": "ScanixLib", "id": "{6D1F0A3F-5B7C-4E21-9A84-3C52E7B19D40}", "version": "1.0",
              "helpstring": "Scanix field-splitting control"},
  "coclass": {"name": "Scanix", "classname": "ScanixLibCtl.Scanix",
              "clsid": "{6D1F0A3E-5B7C-4E21-9A84-3C52E7B19D40}",
              "progid": "Tabulon.Tabulon.1", "versionindependentprogid": "Tabulon.Tabulon",
              "default": "IScanix", "source": "_ScanixEvents", "control": true},
  "interfaces": [
    {"name": "IScanix", "iid": "{6D1F0A40-5B7C-4E21-9A84-3C52E7B19D40}", "dual": true,
     "defaultmember": "L",
     "members": [
      {"slot": 1,  "name": "AboutBox",     "dispid": -552, "kind": "method"},
      {"slot": 2,  "name": "FileName",     "dispid": 1,  "kind": "propget", "type": "BSTR"},
      {"slot": 3,  "name": "FileName",     "dispid": 1,  "kind": "propput", "type": "BSTR"},
      {"slot": 4,  "name": "L",            "dispid": 0,  "kind": "propget", "type": "BSTR"},
      {"slot": 5,  "name": "L",            "dispid": 0,  "kind": "propput", "type": "BSTR"},
      {"slot": 6,  "name": "FS",           "dispid": 3,  "kind": "propget", "type": "BSTR"},
      {"slot": 7,  "name": "FS",           "dispid": 3,  "kind": "propput", "type": "BSTR"},
      {"slot": 8,  "name": "Case",         "dispid": 4,  "kind": "propget", "type": "CaseSettings"},
      {"slot": 9,  "name": "Case",         "dispid": 4,  "kind": "propput", "type": "CaseSettings"},
      {"slot": 10, "name": "Action",       "dispid": 5,  "kind": "propget", "type": "ActionSettings"},
      {"slot": 11, "name": "Action",       "dispid": 5,  "kind": "propput", "type": "ActionSettings"},
      {"slot": 12, "name": "Error",        "dispid": 6,  "kind": "propget", "type": "AwkErrorSettings", "runtimeonly": true},
      {"slot": 13, "name": "RN",           "dispid": 7,  "kind": "propget", "type": "long", "runtimeonly": true},
      {"slot": 14, "name": "NF",           "dispid": 8,  "kind": "propget", "type": "short", "runtimeonly": true},
      {"slot": 15, "name": "PercentDone",  "dispid": 9,  "kind": "propget", "type": "short", "runtimeonly": true},
      {"slot": 16, "name": "CurrPos",      "dispid": 10, "kind": "propget", "type": "long", "runtimeonly": true},
      {"slot": 17, "name": "CurrPos",      "dispid": 10, "kind": "propput", "type": "long"},
      {"slot": 18, "name": "MatchQuotes",  "dispid": 11, "kind": "propget", "type": "VARIANT_BOOL"},
      {"slot": 19, "name": "MatchQuotes",  "dispid": 11, "kind": "propput", "type": "VARIANT_BOOL"},
      {"slot": 20, "name": "FileType",     "dispid": 12, "kind": "propget", "type": "FileTypeSettings"},
      {"slot": 21, "name": "FileType",     "dispid": 12, "kind": "propput", "type": "FileTypeSettings"},
      {"slot": 22, "name": "FilterQuotes", "dispid": 13, "kind": "propget", "type": "VARIANT_BOOL"},
      {"slot": 23, "name": "FilterQuotes", "dispid": 13, "kind": "propput", "type": "VARIANT_BOOL"},
      {"slot": 24, "name": "Val",          "dispid": 14, "kind": "propget", "type": "double", "runtimeonly": true},
      {"slot": 25, "name": "Version",      "dispid": 15, "kind": "propget", "type": "short"},
      {"slot": 26, "name": "Version",      "dispid": 15, "kind": "propput", "type": "short"},
      {"slot": 27, "name": "FindLine",     "dispid": 16, "kind": "propput", "type": "BSTR"},
      {"slot": 28, "name": "F",            "dispid": 17, "kind": "propget", "type": "BSTR", "params": [{"name": "index", "type": "short"}]},
      {"slot": 29, "name": "F",            "dispid": 17, "kind": "propput", "type": "BSTR", "params": [{"name": "index", "type": "short"}]},
      {"slot": 30, "name": "FieldAt",      "dispid": 18, "kind": "propget", "type": "short", "params": [{"name": "index", "type": "short"}]},
      {"slot": 31, "name": "PosAt",        "dispid": 19, "kind": "propget", "type": "short", "params": [{"name": "index", "type": "short"}]},
      {"slot": 32, "name": "AngleUnits",   "dispid": 20, "kind": "propget", "type": "AngleUnitSettings"},
      {"slot": 33, "name": "AngleUnits",   "dispid": 20, "kind": "propput", "type": "AngleUnitSettings"},
      {"slot": 34, "name": "Eval",         "dispid": 21, "kind": "propget", "type": "double", "params": [{"name": "Expression", "type": "BSTR", "optional": true}]}
     ]}
  ],
  "dispinterfaces": [
    {"name": "_ScanixEvents", "iid": "{6D1F0A41-5B7C-4E21-9A84-3C52E7B19D40}", "source": true,
     "members": [
      {"name": "Begin", "dispid": 1, "params": []},
      {"name": "Scan", "dispid": 2, "params": []},
      {"name": "End", "dispid": 3, "params": []},
      {"name": "Error", "dispid": 4, "params": []},
      {"name": "Variable", "dispid": 5, "params": [
        {"name": "Variable", "type": "BSTR", "byref": true},
        {"name": "Value", "type": "double", "byref": true},
        {"name": "Accept", "type": "short", "byref": true}]}
     ]}
  ],
  "enums": [
    {"name": "CaseSettings", "values": [
      {"name": "csNone", "value": 0, "text": "No Change"},
      {"name": "csUpper", "value": 1, "text": "TO UPPER"},
      {"name": "csLower", "value": 2, "text": "to lower"}]},
    {"name": "ActionSettings", "values": [
      {"name": "acScan", "value": 0, "text": "Scan File"},
      {"name": "acNextLine", "value": 1, "text": "Next Line"},
      {"name": "acClose", "value": 2, "text": "Close File"}]},
    {"name": "FileTypeSettings", "values": [
      {"name": "ftText", "value": 0, "text": "Text"},
      {"name": "ftBinary", "value": 1, "text": "Binary"},
      {"name": "ftUnicode", "value": 2, "text": "Unicode"},
      {"name": "ftANSI", "value": 3, "text": "ANSI"}]},
    {"name": "AngleUnitSettings", "values": [
      {"name": "auRadians", "value": 0, "text": "Radians"},
      {"name": "auDegrees", "value": 1, "text": "Degrees"}]},
    {"name": "AwkErrorSettings", "values": [
      {"name": "aerNone", "value": 0, "text": "No Error"},
      {"name": "aerCantOpen", "value": 1, "text": "Can't open file"},
      {"name": "aerLineTooLong", "value": 2, "text": "Line too long"},
      {"name": "aerFieldTooLong", "value": 3, "text": "Field too long"},
      {"name": "aerBadFieldGet", "value": 4, "text": "Bad field index get"},
      {"name": "aerBadFieldSet", "value": 5, "text": "Bad field index set"},
      {"name": "aerSyntax", "value": 6, "text": "Syntax"},
      {"name": "aerBadToken", "value": 7, "text": "Bad token"},
      {"name": "aerBalance", "value": 8, "text": "Unbalanced expression"},
      {"name": "aerDivBy0", "value": 9, "text": "Divide by 0"},
      {"name": "aerDomain", "value": 10, "text": "Domain error"},
      {"name": "aerSingularity", "value": 11, "text": "Singularity"},
      {"name": "aerOverflow", "value": 12, "text": "Overflow"},
      {"name": "aerPartialLoss", "value": 13, "text": "Partial loss of significance"},
      {"name": "aerTotalLoss", "value": 14, "text": "Total loss of significance"},
      {"name": "aerUnderflow", "value": 15, "text": "Underflow"}]}
  ]
}
)JSON";

thread_local std::string t_path;

// Runs `edit` on the registry file under its lock and saves the file when `edit`
// answers true. SCANIX_E_IO when the file cannot be read or saved.
template <class Edit>
int editRegistry(Edit &&edit) {
  std::string file = scx::reg::defaultPath();
  int lock = scx::reg::lockFor(file);
  scx::reg::File reg;
  bool ok = reg.load(file) && (!edit(reg) || reg.save(file));
  scx::reg::unlock(lock);
  return ok ? SCANIX_OK : SCANIX_E_IO;
}

}  // namespace

extern "C" {

SCANIX_API const char *scanix_type_description(void) { return kTypeDescription; }

SCANIX_API const char *scanix_registry_path(void) {
  t_path = scx::reg::defaultPath();
  return t_path.c_str();
}

SCANIX_API const char *scanix_module_path(void) {
  static std::string path = modulePath();
  return path.c_str();
}

SCANIX_API int scanix_register_server(void) {
  std::string mod = scanix_module_path();
  if (mod.empty()) return SCANIX_E_IO;
  std::string dir = mod.substr(0, mod.find_last_of('/'));
  return editRegistry([&](scx::reg::File &reg) {
    const std::string clsid = SCANIX_CLSID_STR, libid = SCANIX_LIBID_STR;
    const std::string c = key("CLSID\\" + clsid);
    reg.removeTree(c);
    reg.set(c, "", kDescription);
    reg.set(c + "\\InprocServer32", "", mod);
    reg.set(c + "\\InprocServer32", "ThreadingModel", "Apartment");
    reg.set(c + "\\ProgID", "", SCANIX_PROGID);
    reg.set(c + "\\VersionIndependentProgID", "", SCANIX_PROGID_VI);
    reg.set(c + "\\ClassName", "", SCANIX_CLASS_NAME);
    reg.ensure(c + "\\Programmable");
    reg.ensure(c + "\\Control");
    reg.ensure(c + "\\Insertable");
    reg.set(c + "\\ToolboxBitmap32", "", mod + ", 3");
    reg.set(c + "\\MiscStatus", "", "0");
    reg.set(c + "\\MiscStatus\\1", "", std::to_string(SCANIX_MISC_STATUS));
    reg.set(c + "\\TypeLib", "", libid);
    reg.set(c + "\\Version", "", "1.0");
    for (const char *progid : {SCANIX_PROGID, SCANIX_PROGID_VI, SCANIX_CLASS_NAME}) {
      const std::string p = key(progid);
      reg.removeTree(p);
      reg.set(p, "", kDescription);
      reg.set(p + "\\CLSID", "", clsid);
    }
    reg.ensure(key(std::string(SCANIX_PROGID) + "\\Insertable"));
    reg.set(key(std::string(SCANIX_PROGID_VI) + "\\CurVer"), "", SCANIX_PROGID);
    const std::string t = key("TypeLib\\" + libid);
    reg.removeTree(t);
    reg.set(t + "\\1.0", "", "ScanixLib");
    // The type description lives in the module: scanix_type_description() returns it as JSON.
    reg.set(t + "\\1.0\\0\\linux64", "", mod);
    reg.set(t + "\\1.0\\FLAGS", "", "2");  // control
    reg.set(t + "\\1.0\\HELPDIR", "", dir);
    struct Itf {
      const char *iid, *name;
    };
    for (Itf i : {Itf{SCANIX_IID_ISCANIX, "IScanix"}, Itf{SCANIX_DIID_EVENTS, "_ScanixEvents"}}) {
      const std::string k = key(std::string("Interface\\") + i.iid);
      reg.removeTree(k);
      reg.set(k, "", i.name);
      reg.set(k + "\\ProxyStubClsid32", "", "{00020424-0000-0000-C000-000000000046}");
      reg.set(k + "\\TypeLib", "", libid);
      reg.set(k + "\\TypeLib", "Version", "1.0");
    }
    return true;
  });
}

SCANIX_API int scanix_unregister_server(void) {
  return editRegistry([](scx::reg::File &reg) {
    size_t n = 0;
    n += reg.removeTree(key(std::string("CLSID\\") + SCANIX_CLSID_STR));
    for (const char *progid : {SCANIX_PROGID, SCANIX_PROGID_VI, SCANIX_CLASS_NAME}) {
      // only ProgIDs that name this class
      const scx::reg::Value *v = reg.get(key(std::string(progid) + "\\CLSID"));
      if (!v || scx::reg::iequals(v->data, SCANIX_CLSID_STR)) n += reg.removeTree(key(progid));
    }
    n += reg.removeTree(key(std::string("TypeLib\\") + SCANIX_LIBID_STR));
    n += reg.removeTree(key(std::string("Interface\\") + SCANIX_IID_ISCANIX));
    n += reg.removeTree(key(std::string("Interface\\") + SCANIX_DIID_EVENTS));
    return n != 0;  // nothing removed: nothing to save
  });
}

}  // extern "C"
