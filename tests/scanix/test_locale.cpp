// Locale-dependent behaviour, in a process of its own: the regional decimal character (read once
// per process, on the first evaluation) and a double-byte character set in which a lead byte
// matches only a whole separator entry. The locales are generated with localedef into a
// temporary directory (LOCPATH); a test is skipped when that is not possible.
#include <clocale>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "helpers.h"
#include "scanix_core.h"

using namespace sxt;

namespace {
std::string g_locpath;

bool makeLocale(const char *input, const char *charmap, const char *name) {
  if (g_locpath.empty()) {
    char tmpl[] = "/tmp/scanix_loc_XXXXXX";
    if (!mkdtemp(tmpl)) return false;
    g_locpath = tmpl;
    setenv("LOCPATH", tmpl, 1);
  }
  std::string cmd = "localedef -c -i " + std::string(input) + " -f " + charmap + " " + g_locpath +
                    "/" + name + " >/dev/null 2>&1";
  int rc = system(cmd.c_str());
  (void)rc;
  std::string check = g_locpath + "/" + name + "/LC_CTYPE";
  return access(check.c_str(), R_OK) == 0;
}
}  // namespace

TEST(ScanixLocale, RegionalDecimalComma) {
  // the numeric locale is set before the first evaluation: the decimal character is read then
  if (!makeLocale("de_DE", "UTF-8", "de_DE.UTF-8") || !setlocale(LC_NUMERIC, "de_DE.UTF-8"))
    GTEST_SKIP() << "de_DE.UTF-8 could not be generated";
  EXPECT_EQ(scx::Scanix::decimalChar(), ',');
  Ctl c;
  EXPECT_DOUBLE_EQ(c.Eval("1,5"), 1.5);
  EXPECT_EQ(c.Error(), 0);
  EXPECT_DOUBLE_EQ(c.Eval("1.5"), 1.5);  // "." is accepted too
  EXPECT_DOUBLE_EQ(c.Eval(",25*4"), 1);
  EXPECT_DOUBLE_EQ(c.Eval("1,5e3"), 1500);
  EXPECT_EQ(c.Eval("1,5,3"), 0);  // one decimal point per number
  EXPECT_EQ(c.Error(), 6);
  // a number as text in a numeric argument uses the regional character too
  c.setL("a b c");
  EXPECT_EQ(c.text(SCANIX_DISPID_F, {Arg("2,4")}), "b");
}

TEST(ScanixLocale, DoubleByteSeparators) {
  if (!makeLocale("ja_JP", "SHIFT_JIS", "ja_JP.SJIS") || !setlocale(LC_CTYPE, "ja_JP.SJIS"))
    GTEST_SKIP() << "ja_JP.SJIS could not be generated";
  {
    scx::Scanix s;
    EXPECT_EQ(s.charset().mode(), scx::Charset::MultiByte);
    // U+8868 (表) is 0x95 0x5C in Shift_JIS: its trail byte is a backslash.
    // With FS "\" the backslash inside the double-byte character must not split the field.
    s.put_FS("\\");
    std::string line = "a\x95\x5C" "b\\c";
    s.put_L(line);
    EXPECT_EQ(s.fieldCount(), 2);
    std::string f;
    s.get_F(1, f);
    EXPECT_EQ(f, "a\x95\x5C" "b");
    // a double-byte separator matches only the same two bytes
    s.put_FS("\x95\x5C");
    s.put_L("x\x95\x5Cy\x95\x5D" "z\\w");
    EXPECT_EQ(s.fieldCount(), 2);
    s.get_F(2, f);
    EXPECT_EQ(f, "y\x95\x5D" "z\\w");
  }
  {
    Ctl c;  // UTF-16 at the interface, Shift_JIS inside
    c.setFS(u8(u"\u8868"));
    c.setL(u8(u"\u4e00\u8868\u4e8c"));
    EXPECT_EQ(c.NF(), 2);
    EXPECT_EQ(c.text16(SCANIX_DISPID_F, {Arg(2)}), u"\u4e8c");
  }
  setlocale(LC_CTYPE, "C.UTF-8");
}

TEST(ScanixLocale, SingleByteCharset) {
  if (!makeLocale("de_DE", "ISO-8859-1", "de_DE.ISO-8859-1") ||
      !setlocale(LC_CTYPE, "de_DE.ISO-8859-1"))
    GTEST_SKIP() << "de_DE.ISO-8859-1 could not be generated";
  {
    Ctl c;
    c.setFS(u8(u"\u00a7"));  // § is one byte (A7) in Latin-1
    c.setL(u8(u"gr\u00fc\u00dfe\u00a7welt"));
    EXPECT_EQ(c.NF(), 2);
    EXPECT_EQ(c.text16(SCANIX_DISPID_F, {Arg(1)}), u"gr\u00fc\u00dfe");
    c.setL(u8(u"\u20ac"));  // not in Latin-1: becomes '?'
    EXPECT_EQ(c.text16(SCANIX_DISPID_L), u"?");
    // Case rules of the locale for lines read from files
    TempFile f("\xE4pfel\n");  // äpfel in Latin-1
    EXPECT_EQ(c.put(SCANIX_DISPID_FILENAME, Arg(f.path)), 0);
    EXPECT_EQ(c.put(SCANIX_DISPID_CASE, Arg(1)), 0);
    c.action(SCANIX_acNextLine);
    EXPECT_EQ(c.text16(SCANIX_DISPID_L), u"\u00c4PFEL");
  }
  setlocale(LC_CTYPE, "C.UTF-8");
}

int main(int argc, char **argv) {
  if (!setlocale(LC_CTYPE, "C.UTF-8")) setlocale(LC_CTYPE, "C.utf8");
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  if (!g_locpath.empty()) {
    int r = system(("rm -rf " + g_locpath).c_str());
    (void)r;
  }
  return rc;
}
