// Self-registration, the type description, and the console's host class.
#include <fstream>
#include <sstream>

#include "helpers.h"
#include "regfile.h"
#include "scanix_host.h"

using namespace sxt;

namespace {
class TempRegistry {
 public:
  TempRegistry() {
    char tmpl[] = "/tmp/scanix_reg_XXXXXX";
    dir = mkdtemp(tmpl);
    path = dir + "/sub/components.reg";
    setenv("SCANIX_REGISTRY", path.c_str(), 1);
  }
  ~TempRegistry() {
    unsetenv("SCANIX_REGISTRY");
    unlink(path.c_str());
    unlink((path + ".lock").c_str());
    rmdir((dir + "/sub").c_str());
    rmdir(dir.c_str());
  }
  std::string read() const {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string dir, path;
};
const std::string kClsid = std::string("HKEY_CLASSES_ROOT\\CLSID\\") + SCANIX_CLSID_STR;
}  // namespace

TEST(ScanixRegistry, RegisterAndUnregister) {
  TempRegistry tr;
  EXPECT_EQ(std::string(scanix_registry_path()), tr.path);
  // another component's entry survives both operations
  {
    scx::reg::File f;
    f.set("HKEY_CLASSES_ROOT\\Other.Thing\\CLSID", "", "{11111111-0000-0000-0000-000000000000}");
    ASSERT_TRUE(f.save(tr.path));
  }
  ASSERT_EQ(scanix_register_server(), 0);
  scx::reg::File f;
  ASSERT_TRUE(f.load(tr.path));
  const std::string mod = scanix_module_path();
  EXPECT_NE(mod.find("libscanix.so"), std::string::npos);
  auto val = [&](const std::string &key, const std::string &name = "") {
    const scx::reg::Value *v = f.get(key, name);
    return v ? v->data : std::string("<missing>");
  };
  EXPECT_EQ(val(kClsid + "\\InprocServer32"), mod);
  EXPECT_EQ(val(kClsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(val(kClsid + "\\ProgID"), "Tabulon.Tabulon.1");
  EXPECT_EQ(val(kClsid + "\\VersionIndependentProgID"), "Tabulon.Tabulon");
  EXPECT_EQ(val(kClsid + "\\MiscStatus\\1"), "132497");
  EXPECT_EQ(val(kClsid + "\\TypeLib"), SCANIX_LIBID_STR);
  EXPECT_EQ(val(kClsid + "\\Version"), "1.0");
  EXPECT_EQ(val(kClsid + "\\ToolboxBitmap32"), mod + ", 3");
  EXPECT_NE(f.find(kClsid + "\\Programmable"), nullptr);
  EXPECT_NE(f.find(kClsid + "\\Control"), nullptr);
  EXPECT_NE(f.find(kClsid + "\\Insertable"), nullptr);
  EXPECT_NE(val(kClsid), "<missing>");  // class description
  EXPECT_EQ(val("HKEY_CLASSES_ROOT\\Tabulon.Tabulon.1\\CLSID"), SCANIX_CLSID_STR);
  EXPECT_EQ(val("HKEY_CLASSES_ROOT\\Tabulon.Tabulon\\CLSID"), SCANIX_CLSID_STR);
  EXPECT_EQ(val("HKEY_CLASSES_ROOT\\Tabulon.Tabulon\\CurVer"), "Tabulon.Tabulon.1");
  EXPECT_EQ(val("HKEY_CLASSES_ROOT\\ScanixLibCtl.Scanix\\CLSID"), SCANIX_CLSID_STR);
  EXPECT_EQ(val(std::string("HKEY_CLASSES_ROOT\\TypeLib\\") + SCANIX_LIBID_STR + "\\1.0"), "ScanixLib");
  EXPECT_EQ(val(std::string("HKEY_CLASSES_ROOT\\TypeLib\\") + SCANIX_LIBID_STR + "\\1.0\\0\\linux64"), mod);
  EXPECT_EQ(val("HKEY_CLASSES_ROOT\\Other.Thing\\CLSID"), "{11111111-0000-0000-0000-000000000000}");
  // registering twice leaves one set of keys
  size_t keys = f.keys.size();
  ASSERT_EQ(scanix_register_server(), 0);
  ASSERT_TRUE(f.load(tr.path));
  EXPECT_EQ(f.keys.size(), keys);

  ASSERT_EQ(scanix_unregister_server(), 0);
  ASSERT_TRUE(f.load(tr.path));
  EXPECT_EQ(f.find(kClsid), nullptr);
  EXPECT_EQ(f.find(kClsid + "\\InprocServer32"), nullptr);
  EXPECT_EQ(f.find("HKEY_CLASSES_ROOT\\Tabulon.Tabulon"), nullptr);
  EXPECT_EQ(f.find("HKEY_CLASSES_ROOT\\Tabulon.Tabulon.1\\CLSID"), nullptr);
  EXPECT_EQ(f.find("HKEY_CLASSES_ROOT\\ScanixLibCtl.Scanix"), nullptr);
  EXPECT_EQ(f.find(std::string("HKEY_CLASSES_ROOT\\TypeLib\\") + SCANIX_LIBID_STR + "\\1.0"), nullptr);
  EXPECT_EQ(val("HKEY_CLASSES_ROOT\\Other.Thing\\CLSID"), "{11111111-0000-0000-0000-000000000000}");
  EXPECT_EQ(scanix_unregister_server(), 0);  // nothing left to remove
}

TEST(ScanixRegistry, FileFormatRoundTrip) {
  scx::reg::File f;
  f.set("HKEY_CLASSES_ROOT\\A", "", "with \"quotes\" and \\ backslash");
  f.set("HKEY_CLASSES_ROOT\\A", "Flags", "00000002", true);
  std::string text = f.serialize();
  EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u);
  scx::reg::File g;
  g.parse(text);
  ASSERT_NE(g.get("hkey_classes_root\\a"), nullptr);  // keys are case-insensitive
  EXPECT_EQ(g.get("HKEY_CLASSES_ROOT\\A")->data, "with \"quotes\" and \\ backslash");
  EXPECT_TRUE(g.get("HKEY_CLASSES_ROOT\\A", "flags")->dword);
  g.parse("garbage\n[unterminated\n@=\"no key yet\"\n[K]\n\"n\"=\"v\"\nbad line\n\"x\"=noquote\n");
  ASSERT_NE(g.get("K", "n"), nullptr);
  EXPECT_EQ(g.get("K", "x"), nullptr);
}

TEST(ScanixRegistry, TypeDescriptionNamesEverything) {
  std::string t = scanix_type_description();
  for (const char *needle :
       {"\"IScanix\"", "\"_ScanixEvents\"", "\"ScanixLib\"", "\"CaseSettings\"", "\"No Change\"",
        "\"TO UPPER\"", "\"to lower\"", "\"ActionSettings\"", "\"Scan File\"", "\"Next Line\"",
        "\"Close File\"", "\"FileTypeSettings\"", "\"Unicode\"", "\"ANSI\"", "\"AngleUnitSettings\"",
        "\"Radians\"", "\"Degrees\"", "\"AwkErrorSettings\"", "\"Partial loss of significance\"",
        "\"Variable\"", "\"Accept\"", "\"dispid\": -552", SCANIX_CLSID_STR, SCANIX_LIBID_STR})
    EXPECT_NE(t.find(needle), std::string::npos) << needle;
  // balanced braces and brackets (a cheap well-formedness check)
  int braces = 0, brackets = 0;
  bool inString = false;
  for (size_t i = 0; i < t.size(); ++i) {
    char ch = t[i];
    if (ch == '"' && (i == 0 || t[i - 1] != '\\')) inString = !inString;
    if (inString) continue;
    braces += ch == '{' ? 1 : ch == '}' ? -1 : 0;
    brackets += ch == '[' ? 1 : ch == ']' ? -1 : 0;
    EXPECT_GE(braces, 0);
    EXPECT_GE(brackets, 0);
  }
  EXPECT_EQ(braces, 0);
  EXPECT_EQ(brackets, 0);
}

TEST(ScanixHost, CreatesThroughTheRegistry) {
  TempRegistry tr;
  ASSERT_EQ(scanix_register_server(), 0);
  scx::Host h;
  ASSERT_TRUE(h.create()) << h.lastError();
  EXPECT_TRUE(h.fromRegistry());
  EXPECT_EQ(h.libraryPath(), std::string(scanix_module_path()));
  EXPECT_EQ(scx::hostRegistryLookup("Tabulon.Tabulon"), std::string(scanix_module_path()));
  ASSERT_TRUE(h.setSeparators(u"."));
  ASSERT_TRUE(h.setLine(u"ROOT.SCOTT.TABLAS.EMP"));
  EXPECT_EQ(h.fieldCount(), 4);
  EXPECT_EQ(h.field(2), u"SCOTT");
  EXPECT_EQ(h.field(3), u"TABLAS");
  EXPECT_EQ(h.field(4), u"EMP");
  EXPECT_EQ(h.field(5), u"");
  EXPECT_EQ(h.error(), 5);
  EXPECT_EQ(h.dispid(u"f"), 17);
  EXPECT_EQ(h.dispid(u"nothing"), -1);
  ASSERT_EQ(scanix_unregister_server(), 0);
}

TEST(ScanixHost, FallsBackToTheLibraryBesideTheBinaries) {
  TempRegistry tr;  // empty registry: not registered
  scx::Host h;
  ASSERT_TRUE(h.create("ScanixLibCtl.Scanix")) << h.lastError();
  EXPECT_FALSE(h.fromRegistry());
  EXPECT_NE(h.lastError().find("not registered"), std::string::npos);
  ASSERT_TRUE(h.setSeparators(u" ."));
  ASSERT_TRUE(h.setCase(1));
  ASSERT_TRUE(h.setLine(u"SCOTT.EMP"));
  EXPECT_EQ(h.field(1), u"SCOTT");
  EXPECT_EQ(h.field(2), u"EMP");
  scx::Host moved(std::move(h));
  EXPECT_FALSE(h.isCreated());
  EXPECT_EQ(moved.field(2), u"EMP");
}

TEST(ScanixHost, RegistryPointingNowhereFallsBack) {
  TempRegistry tr;
  scx::reg::File f;
  f.set("HKEY_CLASSES_ROOT\\ScanixLibCtl.Scanix\\CLSID", "", SCANIX_CLSID_STR);
  f.set(kClsid + "\\InprocServer32", "", "/nonexistent/libscanix.so");
  ASSERT_TRUE(f.save(tr.path));
  scx::Host h;
  ASSERT_TRUE(h.create()) << h.lastError();
  EXPECT_FALSE(h.fromRegistry());
}
