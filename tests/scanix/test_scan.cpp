// Opening and reading files, actions, events, FindLine, PercentDone, CurrPos.
#include "helpers.h"

using namespace sxt;

namespace {
void setFile(Ctl &c, const std::string &path) { EXPECT_EQ(c.put(SCANIX_DISPID_FILENAME, Arg(path)), 0); }
std::string utf16le(const std::u16string &s, bool bom) {
  std::string r;
  if (bom) r += "\xFF\xFE";
  for (char16_t u : s) {
    r.push_back(static_cast<char>(u & 0xFF));
    r.push_back(static_cast<char>(u >> 8));
  }
  return r;
}
}  // namespace

TEST(ScanixScan, ScanFiresBeginScanEndInOrder) {
  TempFile f("one\ntwo\nthree\n");
  Ctl c;
  Recorder r;
  r.attach(c.o);
  setFile(c, f.path);
  EXPECT_EQ(c.RN(), 0);  // new control
  c.action(SCANIX_acScan);
  EXPECT_EQ(r.joined(), "Begin Scan0 Scan1 Scan2 End");
  EXPECT_EQ(c.RN(), 2);  // RN keeps the last record's number
  EXPECT_EQ(c.L(), "three");
}

TEST(ScanixScan, ScanEventSeesUpdatedState) {
  TempFile f("a b\nc d e\n");
  Ctl c;
  Recorder r;
  std::vector<std::string> seen;
  r.onScan = [&](Recorder &) {
    seen.push_back(c.L() + "|" + std::to_string(c.NF()) + "|" +
                   std::to_string(c.num(SCANIX_DISPID_CURRPOS)));
  };
  r.attach(c.o);
  setFile(c, f.path);
  c.action(SCANIX_acScan);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], "a b|2|0");
  EXPECT_EQ(seen[1], "c d e|3|4");
}

TEST(ScanixScan, SinkMayCloseInsideScan) {
  TempFile f("1\n2\n3\n4\n");
  Ctl c;
  Recorder r;
  r.onScan = [&](Recorder &) {
    if (c.RN() == 1) c.action(SCANIX_acClose);
  };
  r.attach(c.o);
  setFile(c, f.path);
  c.action(SCANIX_acScan);
  EXPECT_EQ(r.joined(), "Begin Scan0 Scan1 End");
  EXPECT_EQ(c.RN(), -1);  // acClose sets RN to -1
}

TEST(ScanixScan, EventsGoToEverySinkInConnectionOrder) {
  TempFile f("x\n");
  Ctl c;
  std::vector<std::string> log;
  struct S {
    std::vector<std::string> *log;
    std::string name;
  };
  S a{&log, "A"}, b{&log, "B"};
  auto begin = [](void *ctx) { auto *s = static_cast<S *>(ctx); s->log->push_back(s->name + "begin"); };
  auto scan = [](void *ctx) { auto *s = static_cast<S *>(ctx); s->log->push_back(s->name + "scan"); };
  scanix_events ea{&a, begin, scan, nullptr, nullptr, nullptr};
  scanix_events eb{&b, begin, scan, nullptr, nullptr, nullptr};
  uint32_t ca, cb;
  ASSERT_EQ(scanix_advise(c.o, &eb, &cb), 0);
  ASSERT_EQ(scanix_advise(c.o, &ea, &ca), 0);
  setFile(c, f.path);
  c.action(SCANIX_acScan);
  EXPECT_EQ(log, (std::vector<std::string>{"Bbegin", "Abegin", "Bscan", "Ascan"}));
  EXPECT_EQ(scanix_unadvise(c.o, cb), 0);
  EXPECT_EQ(scanix_unadvise(c.o, cb), SCANIX_E_NOT_FOUND);
  log.clear();
  c.action(SCANIX_acScan);
  EXPECT_EQ(log, (std::vector<std::string>{"Abegin", "Ascan"}));
}

TEST(ScanixScan, NextLineAndClose) {
  TempFile f("l1\nl2\n");
  Ctl c;
  Recorder r;
  r.attach(c.o);
  setFile(c, f.path);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), "l1");
  EXPECT_EQ(c.RN(), 0);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), "l2");
  EXPECT_EQ(c.RN(), 1);
  EXPECT_EQ(c.num(SCANIX_DISPID_CURRPOS), 3);
  c.action(SCANIX_acNextLine);  // past the end: keeps the last line and RN
  EXPECT_EQ(c.L(), "l2");
  EXPECT_EQ(c.RN(), 1);
  EXPECT_EQ(c.num(SCANIX_DISPID_CURRPOS), 3);
  EXPECT_EQ(c.Error(), 0);
  c.action(SCANIX_acClose);
  EXPECT_EQ(c.RN(), -1);
  EXPECT_EQ(r.joined(), "");  // no events for next line and close
  // acScan while acNextLine left a file open only closes it
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), "l1");
  c.action(SCANIX_acScan);
  EXPECT_EQ(r.joined(), "");
  EXPECT_EQ(c.L(), "l1");
  c.action(SCANIX_acScan);  // now it scans
  EXPECT_EQ(r.joined(), "Begin Scan0 Scan1 End");
}

TEST(ScanixScan, CannotOpen) {
  Ctl c;
  Recorder r;
  r.attach(c.o);
  c.action(SCANIX_acScan);  // no FileName
  EXPECT_EQ(c.Error(), 1);
  EXPECT_EQ(c.RN(), -1);
  setFile(c, "/nonexistent/file.txt");
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.Error(), 1);
  setFile(c, "/tmp");  // a directory cannot be read
  c.action(SCANIX_acScan);
  EXPECT_EQ(c.Error(), 1);
  EXPECT_EQ(r.joined(), "Error1 Error1 Error1");
}

TEST(ScanixScan, LastLineWithoutLineFeedAndCrLf) {
  TempFile f("a\r\nb\r\nc");
  Ctl c;
  setFile(c, f.path);
  std::vector<std::string> lines;
  Recorder r;
  r.onScan = [&](Recorder &) { lines.push_back(c.L()); };
  r.attach(c.o);
  c.action(SCANIX_acScan);
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c"}));
  lines.clear();
  EXPECT_EQ(c.put(SCANIX_DISPID_FILETYPE, Arg(SCANIX_ftBinary)), 0);
  c.action(SCANIX_acScan);
  EXPECT_EQ(lines, (std::vector<std::string>{"a\r\n", "b\r\n", "c"}));
}

TEST(ScanixScan, TrailingBlanksTrimmedOnlyWhenFsHasBlank) {
  TempFile f("ab   \n   \nx y  \n");
  Ctl c;
  setFile(c, f.path);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), "ab");
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), " ");  // the first character is never removed
  c.action(SCANIX_acClose);
  c.setFS("");  // single-blank fallback: no trimming
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), "ab   ");
  c.action(SCANIX_acClose);
  c.setFS(",");
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), "ab   ");
}

TEST(ScanixScan, CaseAppliesToFileLinesOnly) {
  TempFile f("MiXeD Line\n\xC3\xA9t\xC3\xA9\n");
  Ctl c;
  setFile(c, f.path);
  EXPECT_EQ(c.put(SCANIX_DISPID_CASE, Arg(SCANIX_csUpper)), 0);
  c.setL("lower text");
  EXPECT_EQ(c.L(), "lower text");
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), "MIXED LINE");
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), "\xC3\x89T\xC3\x89");  // ÉTÉ
  c.action(SCANIX_acClose);
  EXPECT_EQ(c.put(SCANIX_DISPID_CASE, Arg(SCANIX_csLower)), 0);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), "mixed line");
}

TEST(ScanixScan, LongPhysicalLineArrivesInPiecesOf65534) {
  std::string big(65534 * 2 + 10, 'q');
  TempFile f(big + "\nend\n");
  Ctl c;
  setFile(c, f.path);
  std::vector<size_t> sizes;
  Recorder r;
  r.onScan = [&](Recorder &) { sizes.push_back(c.L().size()); };
  r.attach(c.o);
  c.action(SCANIX_acScan);
  EXPECT_EQ(sizes, (std::vector<size_t>{65534, 65534, 10, 3}));
  EXPECT_EQ(c.Error(), 0);
}

TEST(ScanixScan, Utf16WithByteOrderMark) {
  std::u16string text = u"h\u00e9llo,w\u00f6rld\r\nzwei,\u20ac\n";
  TempFile f(utf16le(text, true));
  Ctl c;
  setFile(c, f.path);
  c.action(SCANIX_acNextLine);
  // the mark is read as part of the first line
  EXPECT_EQ(c.text16(SCANIX_DISPID_L), u"\ufeffh\u00e9llo,w\u00f6rld");
  EXPECT_EQ(c.text16(SCANIX_DISPID_F, {Arg(2)}), u"w\u00f6rld");
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.text16(SCANIX_DISPID_L), u"zwei,\u20ac");
  EXPECT_EQ(c.RN(), 1);
  EXPECT_EQ(c.num(SCANIX_DISPID_CURRPOS), 2 + 2 * 13);
}

TEST(ScanixScan, Utf16WithoutMarkNeedsUnicodeFileType) {
  std::u16string text = u"ab,cd\nef\n";
  TempFile f(utf16le(text, false));
  Ctl c;
  setFile(c, f.path);
  c.action(SCANIX_acNextLine);  // ftText without a mark: read as bytes, up to the 0A byte
  EXPECT_EQ(c.text16(SCANIX_DISPID_L).size(), 10u);  // a\0b\0,\0c\0d\0
  c.action(SCANIX_acClose);
  EXPECT_EQ(c.put(SCANIX_DISPID_FILETYPE, Arg(SCANIX_ftUnicode)), 0);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), "ab,cd");
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), "ef");
  c.action(SCANIX_acClose);
  // ftANSI never reads UTF-16, even with a mark
  TempFile g(utf16le(u"x\n", true));
  setFile(c, g.path);
  EXPECT_EQ(c.put(SCANIX_DISPID_FILETYPE, Arg(SCANIX_ftANSI)), 0);
  c.action(SCANIX_acNextLine);
  std::u16string raw;
  scanix_variant v = c.get(SCANIX_DISPID_L);
  raw.assign(v.u.bstr, scanix_text_length(v.u.bstr));
  scanix_variant_clear(&v);
  EXPECT_EQ(raw.size(), 4u);  // FF FE 'x' 00 (the 0A byte ended the read)
}

TEST(ScanixScan, Utf16BigEndianMarkIsStillReadLittleEndian) {
  std::string be = "\xFE\xFF";
  be += std::string("\x00" "a\x00\n", 4);
  TempFile f(be);
  Ctl c;
  setFile(c, f.path);
  c.action(SCANIX_acNextLine);
  // units read little-endian: FFFE, 6100, 0A00 -> no line feed unit, one line of three units
  EXPECT_EQ(c.text16(SCANIX_DISPID_L), std::u16string(u"\ufffe\u6100\u0a00"));
}

TEST(ScanixScan, Utf16LineTooLong) {
  std::u16string text(70000, u'a');
  text += u"\nshort\n";
  TempFile f(utf16le(text, true));
  Ctl c;
  Recorder r;
  r.attach(c.o);
  setFile(c, f.path);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.Error(), 2);
  EXPECT_EQ(c.L().size(), 65534u);
  EXPECT_EQ(r.joined(), "Error2");
  c.action(SCANIX_acNextLine);  // the rest of the long line was consumed
  EXPECT_EQ(c.L(), "short");
  EXPECT_EQ(c.Error(), 0);
}

TEST(ScanixScan, Utf16ExactLimitIsNotTooLong) {
  std::u16string text(65534, u'b');
  text += u"\r\n";
  TempFile f(utf16le(text, true));
  Ctl c;
  setFile(c, f.path);
  EXPECT_EQ(c.put(SCANIX_DISPID_FS, Arg(",")), 0);
  c.action(SCANIX_acNextLine);
  // the mark takes 3 bytes in UTF-8, so the line is 65537 bytes: too long, cut
  EXPECT_EQ(c.Error(), 2);
  c.action(SCANIX_acClose);
  EXPECT_EQ(c.put(SCANIX_DISPID_FILETYPE, Arg(SCANIX_ftUnicode)), 0);
  TempFile g(utf16le(text, false));
  setFile(c, g.path);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.Error(), 0);
  EXPECT_EQ(c.L().size(), 65534u);
}

TEST(ScanixScan, FindLine) {
  TempFile f("alpha\nbeta gamma\ndelta\nbeta2\n");
  Ctl c;
  Recorder r;
  r.attach(c.o);
  setFile(c, f.path);
  EXPECT_EQ(c.put(SCANIX_DISPID_FINDLINE, Arg("gam")), 0);
  EXPECT_EQ(c.L(), "beta gamma");
  EXPECT_EQ(c.RN(), 1);
  EXPECT_EQ(c.NF(), 2);
  EXPECT_EQ(c.num(SCANIX_DISPID_CURRPOS), 6);
  EXPECT_EQ(c.put(SCANIX_DISPID_FINDLINE, Arg("beta")), 0);  // continues after the last match
  EXPECT_EQ(c.L(), "beta2");
  EXPECT_EQ(c.RN(), 3);
  EXPECT_EQ(c.put(SCANIX_DISPID_FINDLINE, Arg("zzz")), 0);  // at the end: the line becomes empty
  EXPECT_EQ(c.L(), "");
  EXPECT_EQ(c.NF(), 0);
  EXPECT_EQ(r.joined(), "");  // no events
  c.action(SCANIX_acClose);
  EXPECT_EQ(c.put(SCANIX_DISPID_FINDLINE, Arg("nothing like it")), 0);  // a miss
  EXPECT_EQ(c.L(), "");
  EXPECT_EQ(c.NF(), 0);
  c.action(SCANIX_acNextLine);  // the file stays open at its end
  EXPECT_EQ(c.L(), "");
  c.action(SCANIX_acClose);
  EXPECT_EQ(c.put(SCANIX_DISPID_FINDLINE, Arg("")), 0);  // an empty string matches at once
  EXPECT_EQ(c.L(), "alpha");
  EXPECT_EQ(c.RN(), 0);
}

TEST(ScanixScan, FindLineIsCaseSensitiveAfterCase) {
  TempFile f("Hello World\n");
  Ctl c;
  setFile(c, f.path);
  EXPECT_EQ(c.put(SCANIX_DISPID_CASE, Arg(SCANIX_csUpper)), 0);
  EXPECT_EQ(c.put(SCANIX_DISPID_FINDLINE, Arg("World")), 0);  // s is not converted
  EXPECT_EQ(c.L(), "");
  c.action(SCANIX_acClose);
  EXPECT_EQ(c.put(SCANIX_DISPID_FINDLINE, Arg("WORLD")), 0);
  EXPECT_EQ(c.L(), "HELLO WORLD");
}

TEST(ScanixScan, FindLineCannotOpen) {
  Ctl c;
  Recorder r;
  r.attach(c.o);
  setFile(c, "/nonexistent");
  EXPECT_EQ(c.put(SCANIX_DISPID_FINDLINE, Arg("x")), 0);
  EXPECT_EQ(c.Error(), 1);
  EXPECT_EQ(r.joined(), "Error1");
}

TEST(ScanixScan, PercentDoneAndCurrPos) {
  TempFile f("0123456789\nabc\n");
  Ctl c;
  setFile(c, f.path);
  EXPECT_EQ(c.num(SCANIX_DISPID_PERCENTDONE), 0);  // no file open
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.num(SCANIX_DISPID_PERCENTDONE), 73);  // 11 x 100 / 15 = 73.3
  EXPECT_EQ(c.put(SCANIX_DISPID_CURRPOS, Arg(12)), 0);
  EXPECT_EQ(c.num(SCANIX_DISPID_CURRPOS), 12);
  EXPECT_EQ(c.RN(), 0);  // RN not changed
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), "bc");
  EXPECT_EQ(c.num(SCANIX_DISPID_PERCENTDONE), 100);
  EXPECT_EQ(c.put(SCANIX_DISPID_CURRPOS, Arg(-5)), 0);  // fails silently
  EXPECT_EQ(c.num(SCANIX_DISPID_CURRPOS), 12);
  c.action(SCANIX_acClose);
  EXPECT_EQ(c.put(SCANIX_DISPID_CURRPOS, Arg(3)), 0);  // no file: nothing happens
  EXPECT_EQ(c.num(SCANIX_DISPID_CURRPOS), 12);
  TempFile h(std::string(7, 'a') + "\n");  // 8 bytes
  setFile(c, h.path);
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.put(SCANIX_DISPID_CURRPOS, Arg(1)), 0);  // 1 x 100 / 8 = 12.5 -> 13
  EXPECT_EQ(c.num(SCANIX_DISPID_PERCENTDONE), 13);
}

TEST(ScanixScan, FileNamePutDoesNotCloseTheFile) {
  TempFile f("a\nb\n");
  Ctl c;
  setFile(c, f.path);
  c.action(SCANIX_acNextLine);
  setFile(c, "/nonexistent");
  c.action(SCANIX_acNextLine);
  EXPECT_EQ(c.L(), "b");
}

TEST(ScanixScan, ReleaseInsideEventIsSafe) {
  TempFile f("a\nb\nc\n");
  scanix *o = nullptr;
  ASSERT_EQ(scanix_create("Tabulon.Tabulon", &o), 0);
  struct Ctx { scanix *o; int scans = 0; } ctx{o};
  scanix_events ev{};
  ev.context = &ctx;
  ev.scan = [](void *c) {
    auto *x = static_cast<Ctx *>(c);
    ++x->scans;
    scanix_release(x->o);
    scanix_variant v{};
    EXPECT_EQ(scanix_invoke(x->o, SCANIX_DISPID_NF, 2, nullptr, 0, &v), SCANIX_E_RELEASED);
  };
  uint32_t cookie;
  ASSERT_EQ(scanix_advise(o, &ev, &cookie), 0);
  Arg name(f.path);
  ASSERT_EQ(scanix_invoke(o, SCANIX_DISPID_FILENAME, 4, &name.v, 1, nullptr), 0);
  Arg act(0);
  EXPECT_EQ(scanix_invoke(o, SCANIX_DISPID_ACTION, 4, &act.v, 1, nullptr), 0);
  EXPECT_EQ(ctx.scans, 3);  // object deleted once the scan returned (ASan checks the rest)
}

TEST(ScanixScan, UnadviseInsideEvent) {
  TempFile f("a\nb\nc\n");
  Ctl c;
  struct Ctx { scanix *o; uint32_t cookie = 0; int scans = 0; } ctx{c.o};
  scanix_events ev{};
  ev.context = &ctx;
  ev.scan = [](void *p) {
    auto *x = static_cast<Ctx *>(p);
    ++x->scans;
    EXPECT_EQ(scanix_unadvise(x->o, x->cookie), 0);
  };
  ASSERT_EQ(scanix_advise(c.o, &ev, &ctx.cookie), 0);
  setFile(c, f.path);
  c.action(SCANIX_acScan);
  EXPECT_EQ(ctx.scans, 1);
}
