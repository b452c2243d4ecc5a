// F get's one-pass search against the general walk over fields and separators, lines read from
// a file that stay in the reader's block, and the short paths of the C interface: the same
// fields, errors, events and texts as the general paths give.
#include <random>

#include "helpers.h"
#include "scanix_core.h"

using namespace sxt;

namespace {

struct ErrorCount : scx::Events {
  int errors = 0;
  void Error() override { ++errors; }
};

// Two controls on the same line and settings, one finding fields in one pass, one walking.
struct Pair {
  scx::Scanix fast, walk;
  ErrorCount fastErrors, walkErrors;
  Pair(const std::string &fs, bool filterQuotes) {
    walk.setFastFields(false);
    fast.advise(&fastErrors);
    walk.advise(&walkErrors);
    for (scx::Scanix *s : {&fast, &walk}) {
      s->put_FS(fs);
      s->put_FilterQuotes(filterQuotes);
    }
  }
  // Every field of line (the first 40 and the last) and the indexes just outside them.
  void expectSame(const std::string &line) {
    fast.put_L(line);
    walk.put_L(line);
    int32_t nf = walk.fieldCount();
    ASSERT_EQ(fast.fieldCount(), nf);
    int32_t top = nf < 40 ? nf : 40;
    for (int n : {-1, 0, nf + 1, nf + 2}) check(line, n);
    for (int n = 1; n <= top; ++n) check(line, n);
    if (nf > top) check(line, nf);
  }
  void check(const std::string &line, int n) {
    std::string_view a, b;
    fast.get_F(static_cast<int16_t>(n), a);
    walk.get_F(static_cast<int16_t>(n), b);
    int16_t ea = -1, eb = -2;
    fast.get_Error(ea);
    walk.get_Error(eb);
    ASSERT_EQ(std::string(a), std::string(b)) << "field " << n << " of [" << line << "]";
    ASSERT_EQ(ea, eb) << "field " << n << " of [" << line << "]";
    ASSERT_EQ(fastErrors.errors, walkErrors.errors) << "field " << n << " of [" << line << "]";
  }
};

// Separator sets of one to four single bytes without the blank (the one-pass search), and
// sets it leaves to the walk (five bytes, a blank, a multibyte character).
const char *const kSeparatorSets[] = {",", ".", "\t", ";,", "|:,;", "x", ",;|:.", " ,", "é,"};

std::vector<std::string> handLines() {
  std::vector<std::string> lines = {
      "", ",", ",,", ",,,", "a", "a,", ",a", "a,,b", "a,b,c", "a;b,c|d:e.f", "\tx\t\ty\t",
      "1,SCOTT_abc,12.50,EMP,2024-01-02 03:04:05,77", " a , b ", "'a,b',c", "\"x\",\"\",y",
      "'a,b", "\"\"", "'',''", "é,ü;日本|😀:x", "\xff,\xfe\x80;\xc3", std::string("a\0b,c\0", 6),
      "xaxbx", "...", "a.b.", std::string(200, ','), std::string(200, 'a')};
  // separators on both sides of every 16-byte boundary up to 66 bytes
  for (size_t len = 14; len <= 66; ++len)
    for (size_t at : {size_t(0), size_t(15), size_t(16), size_t(17), len / 2, len - 1}) {
      std::string s(len, 'q');
      if (at < len) s[at] = ',';
      if (at + 16 < len) s[at + 16] = ';';
      lines.push_back(s);
    }
  // a field longer than the work buffer (cut to 65,534 bytes), ending in a multibyte character
  std::string big = "head,";
  big += std::string(65533, 'b');
  big += "é,tail";
  lines.push_back(big);
  return lines;
}

std::vector<std::string> randomLines(size_t count) {
  static const char *const pieces[] = {"a", "b", "zz", ",", ";", ".", "|", ":",
                                       "\t", " ", "'", "\"", "x", "é", "\xff", "\xc3"};
  std::mt19937 rng(20240611);
  std::vector<std::string> out;
  for (size_t i = 0; i < count; ++i) {
    std::string s;
    size_t len = rng() % 90;
    for (size_t k = 0; k < len; ++k) {
      unsigned pick = rng() % 17;
      if (pick == 16) s.push_back('\0');  // a NUL byte inside the line
      else s += pieces[pick];
    }
    out.push_back(s);
  }
  return out;
}

// The fuzzers' inputs for the field operations, as raw lines.
std::vector<std::string> corpusLines() {
  std::vector<std::string> out;
  for (const std::string &f : sxt::regressionFiles("fields")) out.push_back(sxt::slurp(f));
  return out;
}

}  // namespace

TEST(ScanixFastFields, SameFieldsAsTheWalkOverHandMadeRandomAndCorpusLines) {
  std::vector<std::string> lines = handLines();
  for (std::string &s : randomLines(1500)) lines.push_back(std::move(s));
  std::vector<std::string> corpus = corpusLines();
  ASSERT_FALSE(corpus.empty());
  for (const std::string &s : corpus) lines.push_back(s);
  for (const char *fs : kSeparatorSets)
    for (bool filter : {false, true}) {
      SCOPED_TRACE(std::string("FS [") + fs + "] FilterQuotes " + (filter ? "on" : "off"));
      Pair p(fs, filter);
      for (const std::string &line : lines) {
        p.expectSame(line);
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
  // the corpus inputs with their own first bytes as the separators, as the fuzzer uses them
  for (const std::string &s : corpus) {
    Pair p(s.substr(0, 3), s.size() > 3 && (s[3] & 1));
    p.expectSame(s);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

TEST(ScanixFastFields, EdgeCasesGiveTheExpectedFields) {
  scx::Scanix s;
  ErrorCount errors;
  s.advise(&errors);
  s.put_FS(",");
  auto F = [&](int n) {
    std::string_view v;
    s.get_F(static_cast<int16_t>(n), v);
    int16_t e;
    s.get_Error(e);
    return std::string(v) + "#" + std::to_string(e);
  };
  s.put_L("a,,b,");
  EXPECT_EQ(F(1), "a#0");
  EXPECT_EQ(F(2), "#0");
  EXPECT_EQ(F(3), "b#0");
  EXPECT_EQ(F(4), "#0");  // after the trailing separator: one more, empty, field
  EXPECT_EQ(F(5), "#5");
  s.put_L("");
  EXPECT_EQ(F(1), "#5");  // an empty line has no field at all
  EXPECT_EQ(errors.errors, 2);
  std::string longLine(1000, 'a');
  longLine[500] = ',';
  s.put_L(longLine);
  EXPECT_EQ(F(2), std::string(499, 'a') + "#0");
  s.put_L("é,日本,\xff");
  EXPECT_EQ(F(2), "日本#0");
  EXPECT_EQ(F(3), "\xff#0");
  s.put_FilterQuotes(true);
  s.put_L("'a,b',\"c\"");  // without MatchQuotes a quote does not hold a separator
  EXPECT_EQ(F(1), "'a#0");
  EXPECT_EQ(F(3), "c#0");
  s.put_MatchQuotes(true);  // with it the walk is used and the quotes hold
  EXPECT_EQ(F(1), "a,b#0");
}

namespace {
// A file of more than two read blocks: lines of every kind, each as the control should show it.
struct BigFile {
  std::string content;
  std::vector<std::string> lines;   // L after each NextLine with FS ","
  std::vector<std::string> field2;  // F(2) of each
  BigFile() {
    std::mt19937 rng(7);
    size_t i = 0;
    while (content.size() < (size_t(5) << 19)) {  // 2.5 MiB
      std::string body;
      switch (i % 7) {
        case 0: body = std::to_string(i) + ",name" + std::to_string(i) + ",x"; break;
        case 1: body = ""; break;
        case 2: body = std::string(rng() % 3000, 'k') + "," + std::to_string(i); break;
        case 3: body = std::to_string(i) + ",é日本,ü"; break;
        case 4: body = std::to_string(i) + ",blank  "; break;  // FS "," keeps trailing blanks
        case 5: body = std::string(1 + rng() % 40000, 'v'); break;
        default: body = std::to_string(i) + ",crlf"; break;
      }
      content += body + (i % 7 == 6 ? "\r\n" : "\n");
      lines.push_back(body);
      size_t c1 = body.find(',');
      if (c1 == std::string::npos) field2.push_back("");
      else field2.push_back(body.substr(c1 + 1, body.find(',', c1 + 1) - c1 - 1));
      ++i;
    }
    content += "last,line,without,newline";
    lines.push_back("last,line,without,newline");
    field2.push_back("line");
  }
};
}  // namespace

TEST(ScanixFastFields, LinesReadFromAFileStayRightAcrossBlocks) {
  static const BigFile big;
  TempFile f(big.content);
  Ctl c;
  c.setFS(",");
  EXPECT_EQ(c.put(SCANIX_DISPID_FILENAME, Arg(f.path)), 0);
  // Scan: every line and its second field, in order
  Recorder r;
  size_t seen = 0, wrong = 0;
  r.onScan = [&](Recorder &) {
    if (seen < big.lines.size() && (c.L() != big.lines[seen] || c.F(2) != big.field2[seen])) ++wrong;
    ++seen;
  };
  r.attach(c.o);
  c.action(SCANIX_acScan);
  EXPECT_EQ(seen, big.lines.size());
  EXPECT_EQ(wrong, 0u);
  // after the scan the last line is still there, the file closed
  EXPECT_EQ(c.L(), big.lines.back());
  r.onScan = nullptr;
  // NextLine to the end: each line right, and the last one kept once the file has no more
  for (size_t i = 0; i < big.lines.size(); ++i) {
    c.action(SCANIX_acNextLine);
    if (c.L() != big.lines[i]) {
      ADD_FAILURE() << "line " << i;
      break;
    }
  }
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), big.lines.back());
  EXPECT_EQ(c.F(4), "newline");
}

TEST(ScanixFastFields, LineSurvivesSeekCloseFindAndAnotherFile) {
  static const BigFile big;
  TempFile f(big.content), g("first,of,g\nsecond\n");
  Ctl c;
  c.setFS(",");
  EXPECT_EQ(c.put(SCANIX_DISPID_FILENAME, Arg(f.path)), 0);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), big.lines[0]);
  // a seek back to the start makes the next read refill the block: the line shown stays
  EXPECT_EQ(c.put(SCANIX_DISPID_CURRPOS, Arg(0)), 0);
  EXPECT_EQ(c.L(), big.lines[0]);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), big.lines[0]);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), big.lines[1]);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), big.lines[2]);
  // close, then a scan of another file: the old line until the new one is read, Begin
  // (which comes once the new file is open and its first block read) included
  c.action(SCANIX_acClose);
  EXPECT_EQ(c.L(), big.lines[2]);
  EXPECT_EQ(c.put(SCANIX_DISPID_FILENAME, Arg(g.path)), 0);
  std::vector<std::string> seen;
  scanix_events ev{};
  ev.context = &seen;
  static Ctl *ctl;
  ctl = &c;
  ev.begin = [](void *v) { static_cast<std::vector<std::string> *>(v)->push_back(ctl->L()); };
  ev.scan = [](void *v) { static_cast<std::vector<std::string> *>(v)->push_back(ctl->F(3)); };
  uint32_t cookie;
  ASSERT_EQ(scanix_advise(c.o, &ev, &cookie), 0);
  c.action(SCANIX_acScan);
  ASSERT_EQ(scanix_unadvise(c.o, cookie), 0);
  EXPECT_EQ(seen, (std::vector<std::string>{big.lines[2], "g", ""}));
  EXPECT_EQ(c.L(), "second");
  // FindLine from a borrowed line to a line far on in the big file
  c.action(SCANIX_acClose);
  EXPECT_EQ(c.put(SCANIX_DISPID_FILENAME, Arg(f.path)), 0);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.put(SCANIX_DISPID_FINDLINE, Arg("last,line")), 0);
  EXPECT_EQ(c.L(), big.lines.back());
  // F put and L put on a line read from the file change only the control's copy
  c.action(SCANIX_acClose);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.putAt(SCANIX_DISPID_F, Arg(2), Arg("Z")), 0);
  EXPECT_EQ(c.L(), "0,Z,x");
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), big.lines[1]);
}

TEST(ScanixFastFields, CInterfaceFieldGetByEveryIndexType) {
  Ctl c;
  c.setFS(",");
  c.setL("a,bé,c");
  // I2 and I4 go the short way, R8 and text through the general dispatch: the same answers
  EXPECT_EQ(c.text(SCANIX_DISPID_F, {Arg(int16_t(2))}), "bé");
  EXPECT_EQ(c.text(SCANIX_DISPID_F, {Arg(2)}), "bé");
  EXPECT_EQ(c.text(SCANIX_DISPID_F, {Arg(2.0)}), "bé");
  EXPECT_EQ(c.text(SCANIX_DISPID_F, {Arg("2")}), "bé");
  EXPECT_EQ(c.text(SCANIX_DISPID_F, {Arg(int16_t(4))}), "");
  EXPECT_EQ(c.Error(), 5);
  EXPECT_EQ(c.text(SCANIX_DISPID_F, {Arg(-1)}), "");
  EXPECT_EQ(c.Error(), 5);
  int rc = 0;
  scanix_variant r = c.get(SCANIX_DISPID_F, {Arg(40000)}, &rc);
  EXPECT_EQ(rc, SCANIX_E_OVERFLOW);
  EXPECT_EQ(r.vt, SCANIX_VT_EMPTY);
  // no result wanted: the field is still looked for (and Error set)
  scanix_variant idx{};
  idx.vt = SCANIX_VT_I2;
  idx.u.i2 = 9;
  EXPECT_EQ(scanix_invoke(c.o, SCANIX_DISPID_F, SCANIX_DISPATCH_PROPERTYGET, &idx, 1, nullptr), 0);
  EXPECT_EQ(c.Error(), 5);
  EXPECT_EQ(scanix_invoke(c.o, SCANIX_DISPID_F, SCANIX_DISPATCH_PROPERTYGET, nullptr, 1, &r),
            SCANIX_E_INVALID_ARG);
  EXPECT_EQ(scanix_invoke(c.o, SCANIX_DISPID_F, SCANIX_DISPATCH_PROPERTYGET, &idx, 2, &r),
            SCANIX_E_BAD_PARAM_COUNT);
}

TEST(ScanixFastFields, TextsOfEveryShortLengthRoundTrip) {
  // ASCII texts of 0 to 40 units, and the same with one non-ASCII character at each place:
  // what goes in as L comes back unchanged
  Ctl c;
  for (size_t len = 0; len <= 40; ++len) {
    std::u16string ascii;
    for (size_t i = 0; i < len; ++i) ascii.push_back(static_cast<char16_t>('A' + i % 26));
    c.put(SCANIX_DISPID_L, Arg(ascii));
    ASSERT_EQ(c.text16(SCANIX_DISPID_L), ascii) << len;
    for (size_t at = 0; at < len; ++at)
      for (char16_t odd : {u'é', u'日', u'\x7f', u'\x80'}) {
        std::u16string t = ascii;
        t[at] = odd;
        c.put(SCANIX_DISPID_L, Arg(t));
        ASSERT_EQ(c.text16(SCANIX_DISPID_L), t) << len << " at " << at;
      }
  }
}
