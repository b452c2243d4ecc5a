// Line text, separator set, fields (NF, F get/put, FieldAt, PosAt).
#include "helpers.h"
#include "scanix_core.h"

using namespace sxt;

TEST(ScanixFields, DefaultSeparatorEdgeCases) {
  Ctl c;
  EXPECT_EQ(c.text(SCANIX_DISPID_FS), " ,\t");
  c.setL("a , b");
  EXPECT_EQ(c.NF(), 2);
  EXPECT_EQ(c.F(1), "a");
  EXPECT_EQ(c.F(2), "b");
  c.setL("a,,b");
  EXPECT_EQ(c.NF(), 3);
  EXPECT_EQ(c.F(2), "");
  EXPECT_EQ(c.Error(), 0);
  EXPECT_EQ(c.F(3), "b");
  c.setL("a,");
  EXPECT_EQ(c.NF(), 2);
  EXPECT_EQ(c.F(2), "");
  c.setL(",a");
  EXPECT_EQ(c.NF(), 2);
  EXPECT_EQ(c.F(1), "");
  EXPECT_EQ(c.F(2), "a");
  c.setL("  a b");
  EXPECT_EQ(c.F(1), "a");
  EXPECT_EQ(c.F(2), "b");
  c.setL("");
  EXPECT_EQ(c.NF(), 0);
  c.setL("a b ");  // a trailing blank counts one more, empty, field
  EXPECT_EQ(c.NF(), 3);
  c.setL("a\tb");
  EXPECT_EQ(c.NF(), 2);
  c.setL("a\t\tb");  // tab is not a blank: two tabs enclose an empty field
  EXPECT_EQ(c.NF(), 3);
}

TEST(ScanixFields, DotSeparatorPath) {
  Ctl c;
  c.setFS(".");
  c.setL("ROOT.SCOTT.TABLAS.EMP");
  EXPECT_EQ(c.NF(), 4);
  EXPECT_EQ(c.F(2), "SCOTT");
  EXPECT_EQ(c.F(3), "TABLAS");
  EXPECT_EQ(c.F(4), "EMP");
  EXPECT_EQ(c.F(0), "ROOT.SCOTT.TABLAS.EMP");
  EXPECT_EQ(c.Error(), 0);
  EXPECT_EQ(c.F(5), "");
  EXPECT_EQ(c.Error(), 5);
  EXPECT_EQ(c.F(2), "SCOTT");
  EXPECT_EQ(c.Error(), 0);  // F get resets Error
  EXPECT_EQ(c.F(-1), "");
  EXPECT_EQ(c.Error(), 5);
}

TEST(ScanixFields, BlankAndDotSeparators) {
  Ctl c;
  c.setFS(" .");
  c.setL("SCOTT.EMP");
  EXPECT_EQ(c.NF(), 2);
  EXPECT_EQ(c.F(2), "EMP");
  c.setL("SCOTT . EMP");
  EXPECT_EQ(c.NF(), 2);
}

TEST(ScanixFields, MatchQuotesAndFilterQuotes) {
  Ctl c;
  c.setFS(" ");
  EXPECT_EQ(c.put(SCANIX_DISPID_MATCHQUOTES, Arg(true)), 0);
  c.setL("'a b' c");
  EXPECT_EQ(c.NF(), 2);
  EXPECT_EQ(c.F(1), "'a b'");
  EXPECT_EQ(c.F(2), "c");
  EXPECT_EQ(c.put(SCANIX_DISPID_FILTERQUOTES, Arg(true)), 0);
  EXPECT_EQ(c.F(1), "a b");
  c.setL("'x\" y");
  // the quote opened by ' is never closed: one field
  EXPECT_EQ(c.NF(), 1);
  c.setL("'ab\" c");
  EXPECT_EQ(c.NF(), 1);
  c.setL("\"a b\"x c");  // text after the closing quote belongs to the field
  EXPECT_EQ(c.NF(), 2);
  EXPECT_EQ(c.F(1), "\"a b\"x");
  // a field that begins with ' and ends with " is not trimmed
  EXPECT_EQ(c.put(SCANIX_DISPID_MATCHQUOTES, Arg(false)), 0);
  c.setL("'ab\" c");
  EXPECT_EQ(c.F(1), "'ab\"");
  // only a quote in the first character opens a stretch
  EXPECT_EQ(c.put(SCANIX_DISPID_MATCHQUOTES, Arg(true)), 0);
  c.setL("a'b c' d");
  EXPECT_EQ(c.NF(), 3);
  // MatchQuotes put recounts NF
  c.setL("'a b' c");
  EXPECT_EQ(c.NF(), 2);
  EXPECT_EQ(c.put(SCANIX_DISPID_MATCHQUOTES, Arg(false)), 0);
  EXPECT_EQ(c.NF(), 3);
}

TEST(ScanixFields, FilterQuotesWithoutMatchQuotes) {
  Ctl c;
  EXPECT_EQ(c.put(SCANIX_DISPID_FILTERQUOTES, Arg(true)), 0);
  c.setL("\"x\",y");
  EXPECT_EQ(c.F(1), "x");
  c.setL("'x',y");
  EXPECT_EQ(c.F(1), "x");
  c.setL("\",y");  // a single quote character is not trimmed
  EXPECT_EQ(c.F(1), "\"");
  c.setL("\"\",y");  // two quotes become empty
  EXPECT_EQ(c.F(1), "");
}

TEST(ScanixFields, PutField) {
  Ctl c;
  c.setL("a,b,c");
  EXPECT_EQ(c.putAt(SCANIX_DISPID_F, Arg(2), Arg("Z")), 0);
  EXPECT_EQ(c.L(), "a,Z,c");
  EXPECT_EQ(c.Error(), 0);
  EXPECT_EQ(c.putAt(SCANIX_DISPID_F, Arg(4), Arg("Q")), 0);
  EXPECT_EQ(c.L(), "a,Z,c");
  EXPECT_EQ(c.Error(), 4);
  EXPECT_EQ(c.putAt(SCANIX_DISPID_F, Arg(-1), Arg("Q")), 0);
  EXPECT_EQ(c.Error(), 4);
  EXPECT_EQ(c.putAt(SCANIX_DISPID_F, Arg(0), Arg("x y")), 0);
  EXPECT_EQ(c.L(), "x y");
  EXPECT_EQ(c.NF(), 2);
  // for field 1 the leading blanks are replaced together with the field
  c.setL("  a b");
  EXPECT_EQ(c.putAt(SCANIX_DISPID_F, Arg(1), Arg("Q")), 0);
  EXPECT_EQ(c.L(), "Q b");
  // v is inserted verbatim, NF recounted
  c.setL("a,b");
  EXPECT_EQ(c.putAt(SCANIX_DISPID_F, Arg(2), Arg("1,2")), 0);
  EXPECT_EQ(c.L(), "a,1,2");
  EXPECT_EQ(c.NF(), 3);
  // an empty result leaves no text
  c.setL("a");
  EXPECT_EQ(c.putAt(SCANIX_DISPID_F, Arg(1), Arg("")), 0);
  EXPECT_EQ(c.L(), "");
  EXPECT_EQ(c.NF(), 0);
  // put on an empty line: F(1) is out of range (NF 0)
  EXPECT_EQ(c.putAt(SCANIX_DISPID_F, Arg(1), Arg("x")), 0);
  EXPECT_EQ(c.Error(), 4);
}

TEST(ScanixFields, FieldTooLong) {
  Ctl c;
  std::string big(65530, 'x');
  c.setL("a," + big);
  EXPECT_EQ(c.putAt(SCANIX_DISPID_F, Arg(1), Arg("12345")), 0);  // 65532 - 1 + 5 = 65536
  EXPECT_EQ(c.Error(), 3);
  EXPECT_EQ(c.L().size(), 65532u);
  EXPECT_EQ(c.putAt(SCANIX_DISPID_F, Arg(1), Arg("123")), 0);  // exactly 65534
  EXPECT_EQ(c.Error(), 0);
  EXPECT_EQ(c.L().size(), 65534u);
}

TEST(ScanixFields, LongFieldIsCutTo65534) {
  Ctl c;
  std::string big(70000, 'y');
  c.setL(big + ",z");  // L put has no length limit
  EXPECT_EQ(c.L().size(), 70002u);
  EXPECT_EQ(c.F(1).size(), 65534u);
  EXPECT_EQ(c.F(0).size(), 70002u);  // F(0) returns the whole line
  EXPECT_EQ(c.F(2), "z");
}

TEST(ScanixFields, EmptyFsMeansSingleBlank) {
  Ctl c;
  c.setFS("");
  EXPECT_EQ(c.text(SCANIX_DISPID_FS), "");
  c.setL("a,b c");
  EXPECT_EQ(c.NF(), 2);
  EXPECT_EQ(c.F(1), "a,b");
  c.setL("a   b");
  EXPECT_EQ(c.NF(), 2);
}

TEST(ScanixFields, FieldAt) {
  Ctl c;
  c.setFS(",");
  c.setL("ab,cd,e");
  EXPECT_EQ(c.num(SCANIX_DISPID_FIELDAT, {Arg(0)}), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_FIELDAT, {Arg(-3)}), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_FIELDAT, {Arg(1)}), 1);
  EXPECT_EQ(c.num(SCANIX_DISPID_FIELDAT, {Arg(2)}), 1);
  EXPECT_EQ(c.num(SCANIX_DISPID_FIELDAT, {Arg(3)}), 2);  // on the separator: the following field
  EXPECT_EQ(c.num(SCANIX_DISPID_FIELDAT, {Arg(5)}), 2);
  EXPECT_EQ(c.num(SCANIX_DISPID_FIELDAT, {Arg(7)}), 3);
  EXPECT_EQ(c.num(SCANIX_DISPID_FIELDAT, {Arg(8)}), 0);  // beyond the last field
  c.setL("");
  EXPECT_EQ(c.num(SCANIX_DISPID_FIELDAT, {Arg(1)}), 0);
}

TEST(ScanixFields, PosAt) {
  Ctl c;
  c.setFS(",");
  c.setL("ab,cd,e");
  EXPECT_EQ(c.num(SCANIX_DISPID_POSAT, {Arg(0)}), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_POSAT, {Arg(1)}), 1);
  EXPECT_EQ(c.num(SCANIX_DISPID_POSAT, {Arg(2)}), 4);
  EXPECT_EQ(c.num(SCANIX_DISPID_POSAT, {Arg(3)}), 7);
  EXPECT_EQ(c.num(SCANIX_DISPID_POSAT, {Arg(4)}), 8);  // the text ends first: length + 1
  c.setL(",a");  // begins with a separator: PosAt(1) is 2
  EXPECT_EQ(c.num(SCANIX_DISPID_POSAT, {Arg(1)}), 2);
  c.setFS(" ,\t");
  c.setL("  a , b");
  EXPECT_EQ(c.num(SCANIX_DISPID_POSAT, {Arg(1)}), 3);
  EXPECT_EQ(c.num(SCANIX_DISPID_POSAT, {Arg(2)}), 7);
}

TEST(ScanixFields, LDoesNotChangeErrorCaseOrTrim) {
  Ctl c;
  c.setL("a");
  c.F(5);
  EXPECT_EQ(c.Error(), 5);
  EXPECT_EQ(c.put(SCANIX_DISPID_CASE, Arg(1)), 0);
  c.setL("  abc  ");
  EXPECT_EQ(c.Error(), 5);  // L put leaves Error
  EXPECT_EQ(c.L(), "  abc  ");  // no Case, no trimming
}

TEST(ScanixFields, MultibyteSeparatorMatchesWholeCharacter) {
  Ctl c;
  c.setFS("\xC3\xA9");  // é
  c.setL("a\xC3\xA9" "b\xC3\xA8" "c");  // aébèc
  EXPECT_EQ(c.NF(), 2);
  EXPECT_EQ(c.F(1), "a");
  EXPECT_EQ(c.F(2), "b\xC3\xA8" "c");
  // a non-ASCII character in the line does not match an ASCII separator
  c.setFS(",");
  c.setL("\xE2\x82\xAC,x");  // €,x
  EXPECT_EQ(c.NF(), 2);
  EXPECT_EQ(c.F(1), "\xE2\x82\xAC");
  EXPECT_EQ(c.text16(SCANIX_DISPID_F, {Arg(1)}), u"\u20AC");
  // surrogate pairs survive the round trip
  c.setL("\xF0\x9F\x98\x80,y");
  EXPECT_EQ(c.text16(SCANIX_DISPID_F, {Arg(1)}), u"\U0001F600");
}

TEST(ScanixFields, NfSaturatesButIndexingIsExact) {
  scx::Scanix s;
  std::string line(40000, ',');
  s.put_FS(",");
  s.put_L(line);
  int16_t nf;
  s.get_NF(nf);
  EXPECT_EQ(nf, 32767);
  EXPECT_EQ(s.fieldCount(), 40001);
  std::string_view v;
  s.get_F(32767, v);
  int16_t e;
  s.get_Error(e);
  EXPECT_EQ(e, 0);
}

TEST(ScanixFields, CoreClassDirectly) {
  scx::Scanix s;
  s.put_FS(".");
  s.put_L("A.B.C");
  std::string f;
  s.get_F(3, f);
  EXPECT_EQ(f, "C");
  int16_t v;
  s.get_FieldAt(3, v);
  EXPECT_EQ(v, 2);
  s.get_PosAt(3, v);
  EXPECT_EQ(v, 5);
}
