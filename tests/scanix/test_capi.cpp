// The C interface: creation, dispatch, flags and arguments, 380/394, user mode, notifications.
#include <cmath>

#include "helpers.h"

using namespace sxt;

TEST(ScanixCApi, CreateByEveryName) {
  for (const char *name : {"ScanixLibCtl.Scanix", "Tabulon.Tabulon", "Tabulon.Tabulon.1",
                           SCANIX_CLSID_STR, "scanixlibctl.scanix"}) {
    scanix *o = nullptr;
    EXPECT_EQ(scanix_create(name, &o), 0) << name;
    ASSERT_NE(o, nullptr);
    scanix_release(o);
  }
  scanix *o = reinterpret_cast<scanix *>(1);
  EXPECT_EQ(scanix_create("Other.Thing", &o), SCANIX_E_NO_CLASS);
  EXPECT_EQ(o, nullptr);
  EXPECT_EQ(scanix_create(nullptr, &o), SCANIX_E_INVALID_ARG);
  EXPECT_EQ(scanix_create("Tabulon.Tabulon", nullptr), SCANIX_E_INVALID_ARG);
  scanix_release(nullptr);
}

TEST(ScanixCApi, InitialValues) {
  Ctl c;
  EXPECT_EQ(c.text(SCANIX_DISPID_FILENAME), "");
  EXPECT_EQ(c.L(), "");
  EXPECT_EQ(c.text(SCANIX_DISPID_FS), " ,\t");
  EXPECT_EQ(c.num(SCANIX_DISPID_CASE), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_ACTION), 0);
  EXPECT_EQ(c.Error(), 0);
  EXPECT_EQ(c.NF(), 0);
  EXPECT_EQ(c.RN(), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_CURRPOS), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_PERCENTDONE), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_MATCHQUOTES), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_FILETYPE), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_FILTERQUOTES), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_VERSION), 700);
  EXPECT_EQ(c.num(SCANIX_DISPID_ANGLEUNITS), 0);
  EXPECT_EQ(scanix_is_dirty(c.o), 0);
}

TEST(ScanixCApi, ResultTypes) {
  Ctl c;
  c.setL("a b");
  EXPECT_EQ(c.get(SCANIX_DISPID_NF).vt, SCANIX_VT_I2);
  EXPECT_EQ(c.get(SCANIX_DISPID_RN).vt, SCANIX_VT_I4);
  EXPECT_EQ(c.get(SCANIX_DISPID_CURRPOS).vt, SCANIX_VT_I4);
  EXPECT_EQ(c.get(SCANIX_DISPID_CASE).vt, SCANIX_VT_I4);
  EXPECT_EQ(c.get(SCANIX_DISPID_ERROR).vt, SCANIX_VT_I4);
  EXPECT_EQ(c.get(SCANIX_DISPID_MATCHQUOTES).vt, SCANIX_VT_BOOL);
  EXPECT_EQ(c.get(SCANIX_DISPID_VERSION).vt, SCANIX_VT_I2);
  EXPECT_EQ(c.get(SCANIX_DISPID_VAL).vt, SCANIX_VT_R8);
  EXPECT_EQ(c.get(SCANIX_DISPID_FIELDAT, {Arg(1)}).vt, SCANIX_VT_I2);
  EXPECT_EQ(c.get(SCANIX_DISPID_POSAT, {Arg(1)}).vt, SCANIX_VT_I2);
  EXPECT_EQ(c.put(SCANIX_DISPID_MATCHQUOTES, Arg(true)), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_MATCHQUOTES), -1);
}

TEST(ScanixCApi, EnumerationsOutOfRangeFailWith380) {
  Ctl c;
  EXPECT_EQ(c.put(SCANIX_DISPID_CASE, Arg(3)), 380);
  EXPECT_EQ(c.put(SCANIX_DISPID_CASE, Arg(-1)), 380);
  EXPECT_EQ(c.put(SCANIX_DISPID_CASE, Arg(100000)), 380);
  EXPECT_EQ(c.put(SCANIX_DISPID_ACTION, Arg(3)), 380);
  EXPECT_EQ(c.put(SCANIX_DISPID_ACTION, Arg(-1)), 380);
  EXPECT_EQ(c.put(SCANIX_DISPID_FILETYPE, Arg(4)), 380);
  EXPECT_EQ(c.put(SCANIX_DISPID_ANGLEUNITS, Arg(2)), 380);
  EXPECT_EQ(c.num(SCANIX_DISPID_CASE), 0);
  EXPECT_EQ(c.put(SCANIX_DISPID_CASE, Arg(2)), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_CASE), 2);
  EXPECT_EQ(c.put(SCANIX_DISPID_FILETYPE, Arg(3)), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_FILETYPE), 3);
}

TEST(ScanixCApi, DesignTimeGuard394) {
  Ctl c;
  c.setL("1+1");
  ASSERT_EQ(scanix_set_user_mode(c.o, 0), 0);
  for (int32_t id : {SCANIX_DISPID_L, SCANIX_DISPID_ERROR, SCANIX_DISPID_RN, SCANIX_DISPID_NF,
                     SCANIX_DISPID_PERCENTDONE, SCANIX_DISPID_CURRPOS, SCANIX_DISPID_VAL}) {
    int rc = 0;
    scanix_variant r = c.get(id, {}, &rc);
    EXPECT_EQ(rc, 394) << id;
    EXPECT_EQ(r.vt, SCANIX_VT_EMPTY);
  }
  // everything else works at design time
  EXPECT_EQ(c.text(SCANIX_DISPID_FS), " ,\t");
  EXPECT_EQ(c.F(1), "1+1");
  EXPECT_EQ(c.Eval("2*3"), 6);
  EXPECT_EQ(c.num(SCANIX_DISPID_FIELDAT, {Arg(1)}), 1);
  EXPECT_EQ(c.put(SCANIX_DISPID_L, Arg("x y")), 0);
  // writing Action is ignored (a valid value), an invalid one still fails
  TempFile f("a\n");
  EXPECT_EQ(c.put(SCANIX_DISPID_FILENAME, Arg(f.path)), 0);
  Recorder rec;
  rec.attach(c.o);
  EXPECT_EQ(c.put(SCANIX_DISPID_ACTION, Arg(0)), 0);
  EXPECT_EQ(rec.joined(), "");
  EXPECT_EQ(c.put(SCANIX_DISPID_ACTION, Arg(7)), 380);
  ASSERT_EQ(scanix_set_user_mode(c.o, 1), 0);
  EXPECT_EQ(c.L(), "x y");
}

TEST(ScanixCApi, FlagsArgumentsAndUnknownIds) {
  Ctl c;
  scanix_variant r{};
  EXPECT_LT(scanix_invoke(c.o, 99, SCANIX_DISPATCH_PROPERTYGET, nullptr, 0, &r), 0);
  EXPECT_LT(scanix_invoke(c.o, -4, SCANIX_DISPATCH_METHOD, nullptr, 0, &r), 0);
  EXPECT_LT(scanix_invoke(c.o, SCANIX_DISPID_NF, SCANIX_DISPATCH_PROPERTYPUT, nullptr, 0, &r), 0);
  EXPECT_LT(scanix_invoke(c.o, SCANIX_DISPID_NF, 0, nullptr, 0, &r), 0);
  EXPECT_LT(scanix_invoke(c.o, SCANIX_DISPID_NF, 8, nullptr, 0, &r), 0);
  EXPECT_LT(scanix_invoke(c.o, SCANIX_DISPID_NF, SCANIX_DISPATCH_METHOD, nullptr, 0, &r), 0);
  EXPECT_LT(scanix_invoke(c.o, SCANIX_DISPID_FINDLINE, SCANIX_DISPATCH_PROPERTYGET, nullptr, 0, &r), 0);
  EXPECT_LT(scanix_invoke(c.o, SCANIX_DISPID_ABOUTBOX, SCANIX_DISPATCH_PROPERTYGET, nullptr, 0, &r), 0);
  // method|get is accepted for a property get
  EXPECT_EQ(scanix_invoke(c.o, SCANIX_DISPID_NF, 3, nullptr, 0, &r), 0);
  // wrong argument counts
  EXPECT_EQ(c.invoke(SCANIX_DISPID_NF, 2, {Arg(1)}, &r), SCANIX_E_BAD_PARAM_COUNT);
  EXPECT_EQ(c.invoke(SCANIX_DISPID_F, 2, {}, &r), SCANIX_E_BAD_PARAM_COUNT);
  EXPECT_EQ(c.invoke(SCANIX_DISPID_F, 4, {Arg(1)}, &r), SCANIX_E_BAD_PARAM_COUNT);
  EXPECT_EQ(c.invoke(SCANIX_DISPID_L, 4, {}, &r), SCANIX_E_BAD_PARAM_COUNT);
  EXPECT_EQ(c.invoke(SCANIX_DISPID_EVAL, 2, {Arg("1"), Arg("2")}, &r), SCANIX_E_BAD_PARAM_COUNT);
  // wrong argument types
  EXPECT_EQ(c.invoke(SCANIX_DISPID_F, 2, {Arg("two")}, &r), SCANIX_E_TYPE_MISMATCH);
  EXPECT_EQ(c.invoke(SCANIX_DISPID_F, 2, {Arg(40000)}, &r), SCANIX_E_OVERFLOW);
  scanix_variant odd{};
  odd.vt = 99;
  EXPECT_EQ(scanix_invoke(c.o, SCANIX_DISPID_CASE, 4, &odd, 1, nullptr), SCANIX_E_TYPE_MISMATCH);
  EXPECT_EQ(scanix_invoke(c.o, SCANIX_DISPID_NF, 2, nullptr, 1, &r), SCANIX_E_INVALID_ARG);
  EXPECT_EQ(scanix_invoke(nullptr, SCANIX_DISPID_NF, 2, nullptr, 0, &r), SCANIX_E_INVALID_ARG);
  // coercions: index as text, double, bool; values as numbers
  c.setL("a b c");
  EXPECT_EQ(c.text(SCANIX_DISPID_F, {Arg("2")}), "b");
  EXPECT_EQ(c.text(SCANIX_DISPID_F, {Arg(2.6)}), "c");
  EXPECT_EQ(c.put(SCANIX_DISPID_CASE, Arg("1")), 0);
  EXPECT_EQ(c.put(SCANIX_DISPID_L, Arg(42)), 0);
  EXPECT_EQ(c.L(), "42");
  EXPECT_EQ(c.put(SCANIX_DISPID_L, Arg(true)), 0);
  EXPECT_EQ(c.L(), "True");
  // a null result pointer is allowed
  EXPECT_EQ(scanix_invoke(c.o, SCANIX_DISPID_NF, 2, nullptr, 0, nullptr), 0);
}

TEST(ScanixCApi, GetDispidCaseInsensitive) {
  Ctl c;
  struct { const char16_t *name; int32_t id; } names[] = {
      {u"AboutBox", -552}, {u"FileName", 1}, {u"l", 0}, {u"fs", 3}, {u"CASE", 4},
      {u"Action", 5}, {u"Error", 6}, {u"RN", 7}, {u"nf", 8}, {u"PercentDone", 9},
      {u"CurrPos", 10}, {u"MatchQuotes", 11}, {u"FileType", 12}, {u"FilterQuotes", 13},
      {u"Val", 14}, {u"Version", 15}, {u"FindLine", 16}, {u"f", 17}, {u"FieldAt", 18},
      {u"posat", 19}, {u"AngleUnits", 20}, {u"EVAL", 21}};
  for (auto &n : names) {
    int32_t id = 12345;
    EXPECT_EQ(scanix_get_dispid(c.o, n.name, &id), 0);
    EXPECT_EQ(id, n.id);
  }
  int32_t id;
  EXPECT_EQ(scanix_get_dispid(c.o, u"Nope", &id), SCANIX_E_MEMBER_NOT_FOUND);
  EXPECT_EQ(scanix_get_dispid(c.o, u"", &id), SCANIX_E_MEMBER_NOT_FOUND);
}

TEST(ScanixCApi, VersionIsAlways700) {
  Ctl c;
  EXPECT_EQ(c.put(SCANIX_DISPID_VERSION, Arg(5)), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_VERSION), 700);
  EXPECT_EQ(c.put(SCANIX_DISPID_VERSION, Arg(-1)), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_VERSION), 700);
}

TEST(ScanixCApi, PropertyChangeNotification) {
  Ctl c;
  std::vector<int> seen;
  auto changed = [](void *ctx, int32_t id) { static_cast<std::vector<int> *>(ctx)->push_back(id); };
  uint32_t cookie;
  ASSERT_EQ(scanix_advise_property_changes(c.o, changed, &seen, &cookie), 0);
  c.put(SCANIX_DISPID_FILENAME, Arg("x"));
  c.put(SCANIX_DISPID_FS, Arg("."));
  c.put(SCANIX_DISPID_CASE, Arg(1));
  c.put(SCANIX_DISPID_MATCHQUOTES, Arg(true));
  c.put(SCANIX_DISPID_FILETYPE, Arg(2));
  c.put(SCANIX_DISPID_FILTERQUOTES, Arg(true));
  c.put(SCANIX_DISPID_ANGLEUNITS, Arg(1));
  EXPECT_EQ(seen, (std::vector<int>{1, 3, 4, 11, 12, 13, 20}));
  EXPECT_EQ(scanix_is_dirty(c.o), 1);
  // these neither notify nor mark changed
  ASSERT_EQ(scanix_init_new(c.o), 0);
  EXPECT_EQ(scanix_is_dirty(c.o), 0);
  seen.clear();
  c.setL("a.b");
  c.putAt(SCANIX_DISPID_F, Arg(1), Arg("z"));
  c.put(SCANIX_DISPID_CURRPOS, Arg(0));
  c.put(SCANIX_DISPID_ACTION, Arg(2));
  c.put(SCANIX_DISPID_FINDLINE, Arg("q"));
  c.put(SCANIX_DISPID_VERSION, Arg(1));
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(scanix_is_dirty(c.o), 0);
  // a failing put (380) does not notify
  c.put(SCANIX_DISPID_CASE, Arg(9));
  EXPECT_TRUE(seen.empty());
  ASSERT_EQ(scanix_unadvise_property_changes(c.o, cookie), 0);
  EXPECT_EQ(scanix_unadvise_property_changes(c.o, cookie), SCANIX_E_NOT_FOUND);
  c.put(SCANIX_DISPID_FS, Arg(","));
  EXPECT_TRUE(seen.empty());
}

TEST(ScanixCApi, TextsAndVariants) {
  Ctl c;
  c.setL("x");
  scanix_variant r = c.get(SCANIX_DISPID_L);
  ASSERT_EQ(r.vt, SCANIX_VT_TEXT);
  EXPECT_EQ(scanix_text_length(r.u.bstr), 1u);
  scanix_variant_clear(&r);
  EXPECT_EQ(r.vt, SCANIX_VT_EMPTY);
  scanix_variant_clear(&r);  // clearing twice is harmless
  scanix_variant_clear(nullptr);
  // an empty text comes back as an empty string, never null
  c.setL("");
  r = c.get(SCANIX_DISPID_L);
  ASSERT_EQ(r.vt, SCANIX_VT_TEXT);
  ASSERT_NE(r.u.bstr, nullptr);
  EXPECT_EQ(r.u.bstr[0], 0);
  scanix_variant_clear(&r);
  // the library copies the caller's text
  std::u16string mine = u"abc";
  scanix_variant a{};
  a.vt = SCANIX_VT_TEXT;
  a.u.bstr = mine.data();
  ASSERT_EQ(scanix_invoke(c.o, SCANIX_DISPID_L, 4, &a, 1, nullptr), 0);
  mine[0] = u'z';
  EXPECT_EQ(c.L(), "abc");
  // a null text is an empty text
  a.u.bstr = nullptr;
  ASSERT_EQ(scanix_invoke(c.o, SCANIX_DISPID_L, 4, &a, 1, nullptr), 0);
  EXPECT_EQ(c.L(), "");
  EXPECT_STREQ(scanix_error_text(5), "Bad field index set");
  EXPECT_STREQ(scanix_error_text(15), "Underflow");
  EXPECT_EQ(scanix_error_text(16), nullptr);
}

TEST(ScanixCApi, AboutBoxWithoutDisplayIsGraceful) {
  Ctl c;
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("QT_QPA_PLATFORM");
  EXPECT_EQ(c.invoke(SCANIX_DISPID_ABOUTBOX, SCANIX_DISPATCH_METHOD, {}, nullptr), 0);
}
