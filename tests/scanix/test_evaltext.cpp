// Eval through the C interface with the same text again: a text changed in place in the same
// buffer is read anew, a text ending at the end of readable memory is compared without reading
// past it, and the names handed to a Variable handler stay valid while it evaluates again.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "helpers.h"

using namespace sxt;

namespace {

double evalIn(scanix *o, char16_t *text, int *error = nullptr) {
  scanix_variant arg{}, res{};
  arg.vt = SCANIX_VT_TEXT;
  arg.u.bstr = text;
  EXPECT_EQ(scanix_invoke(o, SCANIX_DISPID_EVAL, SCANIX_DISPATCH_PROPERTYGET, &arg, 1, &res), 0);
  EXPECT_EQ(res.vt, SCANIX_VT_R8);
  if (error) {
    scanix_variant e{};
    scanix_invoke(o, SCANIX_DISPID_ERROR, SCANIX_DISPATCH_PROPERTYGET, nullptr, 0, &e);
    *error = e.u.i2;
  }
  return res.u.r8;
}

void put(char16_t *at, const std::string &s) {
  for (size_t i = 0; i <= s.size(); ++i) at[i] = i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
}

// Resolves x as 3 and y as 10.
void attachXY(Ctl &c, Recorder &r) {
  r.onVariable = [](const char16_t *name, double *value, int16_t *accept) {
    if (name[0] == 'x') { *value = 3; *accept = -1; }
    if (name[0] == 'y') { *value = 10; *accept = -1; }
  };
  r.attach(c.o);
}

}  // namespace

TEST(ScanixEvalText, TextChangedInPlaceIsReadAgain) {
  Ctl c, fresh;  // fresh reads a copy of each text
  Recorder r, rf;
  attachXY(c, r);
  attachXY(fresh, rf);
  std::vector<char16_t> buf(600, 0);
  const auto same = [&](const char *what) {
    SCOPED_TRACE(what);
    int e = -1, ef = -2;
    std::u16string copy(buf.data());
    const double v = evalIn(c.o, buf.data(), &e);
    EXPECT_EQ(v, evalIn(fresh.o, copy.data(), &ef));
    EXPECT_EQ(e, ef);
    return v;
  };
  const std::string longText = "x + " + std::string(200, '0') + "1 + y";  // past the block sizes
  for (const std::string &base : {std::string("x+1+y"), longText}) {
    SCOPED_TRACE(base.size());
    put(buf.data(), base);
    EXPECT_EQ(same("as put"), 14);
    EXPECT_EQ(same("again"), 14);
    const size_t last = base.size() - 1;
    buf[last] = 'x';
    EXPECT_EQ(same("last character changed"), 7);
    buf[0] = 'y';
    EXPECT_EQ(same("first character changed"), 14);
    buf[last] = 0;
    EXPECT_EQ(same("shorter"), 0);
    buf[last] = 'y';
    buf[last + 1] = '*';
    buf[last + 2] = '2';
    buf[last + 3] = 0;
    EXPECT_EQ(same("longer"), 10 + 1 + 20);
  }
  r.events.clear();
  put(buf.data(), "x*y");
  evalIn(c.o, buf.data());
  evalIn(c.o, buf.data());
  EXPECT_EQ(r.joined(), "Variable:x Variable:y Variable:x Variable:y");
}

// Texts whose terminator is the last unit before an unreadable page, of lengths around the
// comparison's block sizes, each after a longer text with the same beginning and after itself.
TEST(ScanixEvalText, TextEndingAtTheEndOfReadableMemory) {
  const long page = sysconf(_SC_PAGESIZE);
  auto *mem = static_cast<char *>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(mem, MAP_FAILED);
  ASSERT_EQ(mprotect(mem + page, page, PROT_NONE), 0);
  Ctl c;
  Recorder r;
  attachXY(c, r);
  std::vector<char16_t> longer(200, 0);
  for (size_t n : {1u, 2u, 5u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 32u, 33u, 63u, 64u, 65u, 100u}) {
    SCOPED_TRACE(n);
    std::string text = "x";
    while (text.size() < n) text += text.size() % 2 ? "+" : "1";
    if (text.back() == '+') text.back() = ' ';
    const double want = 3 + static_cast<double>(std::count(text.begin(), text.end(), '1'));
    char16_t *at = reinterpret_cast<char16_t *>(mem + page) - (n + 1);
    put(at, text);
    put(longer.data(), text + "+y");
    EXPECT_EQ(evalIn(c.o, longer.data()), want + 10);
    EXPECT_EQ(evalIn(c.o, at), want);
    EXPECT_EQ(evalIn(c.o, at), want);
    EXPECT_EQ(evalIn(c.o, longer.data()), want + 10);
  }
  munmap(mem, 2 * page);
}

// A handler that, on each name, evaluates a text with many other names (more than are kept)
// and then reads the name it was given.
TEST(ScanixEvalText, NamesStayValidWhileAHandlerEvaluatesAgain) {
  Ctl c;
  struct Ctx {
    scanix *o;
    int depth = 0;
    std::string seen;
  } ctx;
  ctx.o = c.o;
  scanix_events ev{};
  ev.context = &ctx;
  ev.variable = [](void *p, const char16_t *name, double *value, int16_t *accept) {
    auto *x = static_cast<Ctx *>(p);
    const std::u16string before = name;
    if (x->depth++ == 0) {
      std::string many;
      for (int i = 0; i < 40; ++i) many += (i ? "+n" : "n") + std::to_string(i);
      std::u16string t = u16(many);
      scanix_variant arg{}, res{};
      arg.vt = SCANIX_VT_TEXT;
      arg.u.bstr = t.data();
      scanix_invoke(x->o, SCANIX_DISPID_EVAL, SCANIX_DISPATCH_PROPERTYGET, &arg, 1, &res);
      EXPECT_EQ(res.u.r8, 40);
    }
    --x->depth;
    EXPECT_EQ(std::u16string(name), before);
    if (x->depth == 0) x->seen += u8(name) + " ";
    *value = 1;
    *accept = -1;
  };
  uint32_t cookie;
  ASSERT_EQ(scanix_advise(c.o, &ev, &cookie), 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(c.Eval("alpha + beta * gamma"), 2);
  EXPECT_EQ(ctx.seen, "alpha beta gamma alpha beta gamma alpha beta gamma ");
}
