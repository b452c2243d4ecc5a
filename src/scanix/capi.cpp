// The C interface (automation layer) of Scanix: objects, dispatch, variants, events.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <new>
#include <pthread.h>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "capi_internal.h"

using scx::Charset;
namespace dispid = scx::dispid;

namespace scx::capi {

// ---- texts returned by the library --------------------------------------------------------------
// Layout: [uint32 capacity in units][uint32 length in units][units...][0]. Freed blocks are kept
// in a small per-thread cache so that a host reading one field per line does not hit malloc.

namespace {
struct TextHeader {
  uint32_t cap;
  uint32_t len;
};
constexpr size_t kCacheSlots = 8;
constexpr uint32_t kCacheMaxCap = 4096;
// Plain data in initial-exec TLS (no per-access __tls_get_addr call, no init guard); the blocks
// are freed at thread exit through a pthread key registered on the first use.
struct TextCache {
  TextHeader *slot[kCacheSlots];
  size_t n;
  bool registered;
};
__thread TextCache t_cache __attribute__((tls_model("initial-exec")));
pthread_key_t g_cacheKey;
pthread_once_t g_cacheOnce = PTHREAD_ONCE_INIT;
void freeCache(void *p) {
  auto *c = static_cast<TextCache *>(p);
  for (size_t i = 0; i < c->n; ++i) free(c->slot[i]);
  c->n = 0;
}
void makeCacheKey() { pthread_key_create(&g_cacheKey, freeCache); }

inline TextHeader *header(const char16_t *t) {
  return reinterpret_cast<TextHeader *>(const_cast<char16_t *>(t)) - 1;
}
}  // namespace

namespace {
// A new block (the cache holds none big enough).
__attribute__((noinline)) char16_t *allocTextSlow(size_t need) {
  TextCache &c = t_cache;
  for (size_t i = c.n; i-- > 0;) {
    if (c.slot[i]->cap >= need) {
      TextHeader *h = c.slot[i];
      c.slot[i] = c.slot[--c.n];
      h->len = 0;
      return reinterpret_cast<char16_t *>(h + 1);
    }
  }
  size_t cap = need < 64 ? 64 : need;
  auto *h = static_cast<TextHeader *>(malloc(sizeof(TextHeader) + cap * sizeof(char16_t)));
  if (!h) return nullptr;
  h->cap = static_cast<uint32_t>(cap);
  h->len = 0;
  return reinterpret_cast<char16_t *>(h + 1);
}

__attribute__((noinline)) void freeTextSlow(TextHeader *h) {
  TextCache &c = t_cache;
  if (h->cap <= kCacheMaxCap && c.n < kCacheSlots) {
    if (!c.registered) {
      pthread_once(&g_cacheOnce, makeCacheKey);
      pthread_setspecific(g_cacheKey, &c);
      c.registered = true;
    }
    c.slot[c.n++] = h;
    return;
  }
  free(h);
}

// The common case first: the block freed last is big enough (a host reading one field per
// line gets the same block back every time).
inline char16_t *allocTextFast(size_t units) {
  if (units >= 0x7FFFFFF0u) return nullptr;
  size_t need = units + 1;
  TextCache &c = t_cache;
  if (c.n > 0 && c.slot[c.n - 1]->cap >= need) {
    TextHeader *h = c.slot[--c.n];
    h->len = 0;
    return reinterpret_cast<char16_t *>(h + 1);
  }
  return allocTextSlow(need);
}

inline void freeTextFast(char16_t *t) {
  if (!t) return;
  TextHeader *h = header(t);
  TextCache &c = t_cache;
  if (c.registered && h->cap <= kCacheMaxCap && c.n < kCacheSlots) {
    c.slot[c.n++] = h;
    return;
  }
  freeTextSlow(h);
}

inline void setTextLengthFast(char16_t *t, size_t units) {
  t[units] = 0;
  header(t)->len = static_cast<uint32_t>(units);
}

inline char16_t *newTextFast(const Charset &cs, std::string_view bytes) {
  char16_t *t = allocTextFast(bytes.size());
  if (!t) return nullptr;
  setTextLengthFast(t, cs.toUtf16(bytes.data(), bytes.size(), t));
  return t;
}
}  // namespace

char16_t *allocText(size_t units) { return allocTextFast(units); }
void setTextLength(char16_t *t, size_t units) { setTextLengthFast(t, units); }
void freeText(char16_t *t) { freeTextFast(t); }

char16_t *newText(const Charset &cs, std::string_view bytes) { return newTextFast(cs, bytes); }

char16_t *newText16(std::u16string_view s) {
  char16_t *t = allocText(s.size());
  if (!t) return nullptr;
  if (!s.empty()) memcpy(t, s.data(), s.size() * sizeof(char16_t));
  setTextLength(t, s.size());
  return t;
}

size_t length16(const char16_t *s) {
  size_t n = 0;
  if (s)
    while (s[n]) ++n;
  return n;
}

// Whether the null-terminated t holds exactly the n units of c (c[n] is 0). t is read only as
// far as it agrees with c, 16 bytes at a time within a page (a block that would run into the
// next page is compared unit by unit): t's terminator cannot lie before the first block that
// differs, so no read leaves the page holding valid units of t.
#if defined(__SANITIZE_ADDRESS__)
#define SCANIX_BLOCK_COMPARE 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SCANIX_BLOCK_COMPARE 0
#endif
#endif
#if !defined(SCANIX_BLOCK_COMPARE) && defined(__SSE2__)
#define SCANIX_BLOCK_COMPARE 1
#endif
namespace {
#if SCANIX_BLOCK_COMPARE
inline bool withinPage(const void *p, size_t bytes) {
  return (reinterpret_cast<uintptr_t>(p) & 4095) <= 4096 - bytes;
}
// Units [i, i + 8) of t and c compared: a bit mask of the equal bytes.
inline unsigned equalBytes8(const char16_t *t, const char16_t *c, size_t i) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(t + i));
  const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(c + i));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(x, y)));
}
__attribute__((target("avx2"), always_inline)) inline bool differ32(const char16_t *t, const char16_t *c) {
  const __m256i x0 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(t));
  const __m256i x1 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(t + 16));
  const __m256i y0 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(c));
  const __m256i y1 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(c + 16));
  const __m256i d = _mm256_or_si256(_mm256_xor_si256(x0, y0), _mm256_xor_si256(x1, y1));
  return !_mm256_testz_si256(d, d);
}
// Blocks of 32 units while at least 32 are left and the block lies within t's page; then the
// last 32 units again (they start where t agrees with c). Returns 0 when t and c differ, 1 when
// they are the same, 2 when the rest is still to be compared from at on.
__attribute__((target("avx2"))) int sameBlocks16Avx2(const char16_t *t, const char16_t *c, size_t &at,
                                                     size_t total) {
  constexpr size_t kBlock = 32;
  // Units of t from at to the end of its page.
  const size_t inPage = (4096 - (reinterpret_cast<uintptr_t>(t + at) & 4095)) / sizeof(char16_t);
  const size_t end = at + (total - at < inPage ? total - at : inPage);
  size_t i = at;  // (kept in a register: the loads may alias at)
  for (; end - i >= kBlock; i += kBlock)
    if (differ32(t + i, c + i)) return 0;
  at = i;
  if (i == total) return 1;
  if (end != total || total < kBlock) return 2;
  return differ32(t + total - kBlock, c + total - kBlock) ? 0 : 1;
}
// (read while the library's initializers run: the processor model is filled in first)
const bool g_avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
#endif
}  // namespace

bool sameText16(const char16_t *t, const char16_t *c, size_t n) {
  const size_t total = n + 1;  // with the terminator
  size_t i = 0;
#if SCANIX_BLOCK_COMPARE
  if (g_avx2) {
    const int r = sameBlocks16Avx2(t, c, i, total);
    if (r != 2) return r == 1;
  }
  while (total - i >= 8) {
    if (withinPage(t + i, 16)) {
      if (equalBytes8(t, c, i) != 0xFFFF) return false;
    } else {
      for (size_t k = i; k < i + 8; ++k)
        if (t[k] != c[k]) return false;
    }
    i += 8;
  }
  if (i < total) {
    // Fewer than 8 units left: the last 8 units again (they start where t agrees with c), or
    // for a text that short, the 8 units from its start, of which only the first count.
    if (total >= 8) {
      if (withinPage(t + total - 8, 16)) return equalBytes8(t, c, total - 8) == 0xFFFF;
    } else if (withinPage(t, 16) && withinPage(c, 16)) {
      const unsigned want = (1u << (2 * total)) - 1;
      return (equalBytes8(t, c, 0) & want) == want;
    }
  }
#endif
  for (; i < total; ++i)
    if (t[i] != c[i]) return false;
  return true;
}

// ---- argument conversion (like the automation coercion rules) ---------------------------------------

namespace {
locale_t cLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

// Parses a whole text as a number (blanks around allowed; "True"/"False" accepted).
int textToDouble(const char16_t *s, double &out) {
  size_t n = length16(s);
  size_t b = 0, e = n;
  while (b < e && (s[b] == u' ' || s[b] == u'\t')) ++b;
  while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t')) --e;
  if (b == e || e - b > 400) return SCANIX_E_TYPE_MISMATCH;
  char buf[402];
  size_t k = 0;
  char dec = scx::Scanix::decimalChar();
  for (size_t i = b; i < e; ++i) {
    char16_t c = s[i];
    if (c >= 0x80) return SCANIX_E_TYPE_MISMATCH;
    char ch = static_cast<char>(c);
    if (ch == dec) ch = '.';
    buf[k++] = ch;
  }
  buf[k] = 0;
  if (strcasecmp(buf, "true") == 0) {
    out = -1;
    return SCANIX_OK;
  }
  if (strcasecmp(buf, "false") == 0) {
    out = 0;
    return SCANIX_OK;
  }
  for (size_t i = 0; i < k; ++i) {
    char ch = buf[i];
    if (!((ch >= '0' && ch <= '9') || ch == '.' || ch == '+' || ch == '-' || ch == 'e' ||
          ch == 'E'))
      return SCANIX_E_TYPE_MISMATCH;  // no hex, inf or nan
  }
  char *end = nullptr;
  double d = strtod_l(buf, &end, cLocale());
  if (end != buf + k) return SCANIX_E_TYPE_MISMATCH;
  out = d;
  return SCANIX_OK;
}

int toDouble(const scanix_variant &v, double &out) {
  switch (v.vt) {
    case SCANIX_VT_EMPTY: out = 0; return SCANIX_OK;
    case SCANIX_VT_I2: out = v.u.i2; return SCANIX_OK;
    case SCANIX_VT_I4: out = v.u.i4; return SCANIX_OK;
    case SCANIX_VT_R8: out = v.u.r8; return SCANIX_OK;
    case SCANIX_VT_BOOL: out = v.u.boolean ? -1 : 0; return SCANIX_OK;
    case SCANIX_VT_TEXT:
      if (!v.u.bstr) return SCANIX_E_TYPE_MISMATCH;
      return textToDouble(v.u.bstr, out);
  }
  return SCANIX_E_TYPE_MISMATCH;
}

int toIntRange(const scanix_variant &v, double lo, double hi, double &out) {
  if (v.vt == SCANIX_VT_I2) { out = v.u.i2; }
  else if (v.vt == SCANIX_VT_I4) { out = v.u.i4; }
  else {
    double d;
    int r = toDouble(v, d);
    if (r) return r;
    if (std::isnan(d)) return SCANIX_E_OVERFLOW;
    out = std::nearbyint(d);  // round half to even
  }
  if (out < lo || out > hi) return SCANIX_E_OVERFLOW;
  return SCANIX_OK;
}
}  // namespace

int toI2(const scanix_variant &v, int16_t &out) {
  double d;
  int r = toIntRange(v, -32768.0, 32767.0, d);
  if (!r) out = static_cast<int16_t>(d);
  return r;
}

int toI4(const scanix_variant &v, int32_t &out) {
  double d;
  int r = toIntRange(v, -2147483648.0, 2147483647.0, d);
  if (!r) out = static_cast<int32_t>(d);
  return r;
}

int toBool(const scanix_variant &v, bool &out) {
  double d;
  int r = toDouble(v, d);
  if (!r) out = d != 0;
  return r;
}

int toText(const scanix_variant &v, const Charset &cs, std::string &out) {
  out.clear();
  char buf[64];
  switch (v.vt) {
    case SCANIX_VT_EMPTY: return SCANIX_OK;
    case SCANIX_VT_TEXT:
      if (v.u.bstr) cs.fromUtf16(v.u.bstr, length16(v.u.bstr), out);
      return SCANIX_OK;
    case SCANIX_VT_I2: snprintf(buf, sizeof buf, "%d", v.u.i2); break;
    case SCANIX_VT_I4: snprintf(buf, sizeof buf, "%d", static_cast<int>(v.u.i4)); break;
    case SCANIX_VT_BOOL: snprintf(buf, sizeof buf, "%s", v.u.boolean ? "True" : "False"); break;
    case SCANIX_VT_R8: {
      snprintf(buf, sizeof buf, "%.15g", v.u.r8);
      char dec = scx::Scanix::decimalChar();
      for (char *c = buf; *c; ++c)
        if (*c == '.') *c = dec;
      break;
    }
    default: return SCANIX_E_TYPE_MISMATCH;
  }
  out = buf;
  return SCANIX_OK;
}

void CallGuard::settle(::scanix *o) {
  o->graveyardEvents.clear();
  o->graveyardNotify.clear();
  if (o->released) delete o;
}

}  // namespace scx::capi

using namespace scx::capi;

// ---- event adapters --------------------------------------------------------------------------------

namespace {
// Eval of a text argument: the last text given and its bytes are kept, so the same text again
// is neither measured nor converted again.
inline void evalText(scanix *obj, const char16_t *t, double &v) {
  const bool same = sameText16(t, obj->evalText16.data(), obj->evalText16.size());
  if (!same) {
    const size_t n = length16(t);
    obj->evalText16.assign(t, n);
    obj->evalBytes.clear();
    obj->core.charset().fromUtf16(t, n, obj->evalBytes);
  }
  // Eval reads the text before any event can call in again and change these.
  obj->core.get_EvalKept(obj->evalBytes, same, v);
}

struct CEvents final : scx::Events {
  scanix_events ev;
  const Charset *cs;
  void Begin() override {
    if (ev.begin) ev.begin(ev.context);
  }
  void Scan() override {
    if (ev.scan) ev.scan(ev.context);
  }
  void End() override {
    if (ev.end) ev.end(ev.context);
  }
  void Error() override {
    if (ev.error) ev.error(ev.context);
  }
  void Variable(std::string_view name, double &value, int16_t &accept) override {
    if (!ev.variable) return;
    for (size_t i = 0; i < used_; ++i)
      if (sameName(names_[i].bytes, name)) return ev.variable(ev.context, names_[i].text.c_str(), &value, &accept);
    newName(name, value, accept);
  }

 private:
  // The names asked for, each converted once: an expression evaluated again and again asks for
  // the same few names each time. Entries are only added (a handler may be holding the text of
  // one while it evaluates again); names beyond the first kNames are converted at each event.
  struct Name {
    std::string bytes;
    std::u16string text;
  };
  static constexpr size_t kNames = 16;
  Name names_[kNames];
  size_t used_ = 0;

  static bool sameName(const std::string &a, std::string_view b) {
    if (a.size() != b.size()) return false;
    if (a.size() > 8) return memcmp(a.data(), b.data(), a.size()) == 0;
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i] != b[i]) return false;
    return true;
  }
  __attribute__((noinline)) void newName(std::string_view name, double &value, int16_t &accept) {
    if (used_ == kNames) {
      std::u16string n = cs->toUtf16(name);
      ev.variable(ev.context, n.c_str(), &value, &accept);
      return;
    }
    Name &n = names_[used_];
    n.bytes.assign(name.data(), name.size());
    n.text = cs->toUtf16(name);
    ++used_;
    ev.variable(ev.context, n.text.c_str(), &value, &accept);
  }
};

struct CNotify final : scx::PropertyNotify {
  scanix_changed_fn fn;
  void *context;
  void OnChanged(int32_t id) override {
    if (fn) fn(context, id);
  }
};

// ---- results ----
inline void resI2(scanix_variant *r, int16_t v) {
  if (r) { r->vt = SCANIX_VT_I2; r->u.i2 = v; }
}
inline void resI4(scanix_variant *r, int32_t v) {
  if (r) { r->vt = SCANIX_VT_I4; r->u.i4 = v; }
}
inline void resR8(scanix_variant *r, double v) {
  if (r) { r->vt = SCANIX_VT_R8; r->u.r8 = v; }
}
inline void resBool(scanix_variant *r, bool v) {
  if (r) { r->vt = SCANIX_VT_BOOL; r->u.boolean = v ? -1 : 0; }
}
inline int resText(scanix_variant *r, const Charset &cs, std::string_view s) {
  if (!r) return SCANIX_OK;
  char16_t *t = newTextFast(cs, s);
  if (!t) return SCANIX_E_OUT_OF_MEMORY;
  r->vt = SCANIX_VT_TEXT;
  r->u.bstr = t;
  return SCANIX_OK;
}

struct MemberName {
  const char *name;
  int32_t id;
};
const MemberName kMembers[] = {
    {"AboutBox", dispid::AboutBox}, {"FileName", dispid::FileName},
    {"L", dispid::L},               {"FS", dispid::FS},
    {"Case", dispid::Case},         {"Action", dispid::Action},
    {"Error", dispid::Error},       {"RN", dispid::RN},
    {"NF", dispid::NF},             {"PercentDone", dispid::PercentDone},
    {"CurrPos", dispid::CurrPos},   {"MatchQuotes", dispid::MatchQuotes},
    {"FileType", dispid::FileType}, {"FilterQuotes", dispid::FilterQuotes},
    {"Val", dispid::Val},           {"Version", dispid::Version},
    {"FindLine", dispid::FindLine}, {"F", dispid::F},
    {"FieldAt", dispid::FieldAt},   {"PosAt", dispid::PosAt},
    {"AngleUnits", dispid::AngleUnits}, {"Eval", dispid::Eval}};
}  // namespace

extern "C" {

SCANIX_API void scanix_variant_clear(scanix_variant *v) {
  if (!v) return;
  if (v->vt == SCANIX_VT_TEXT && v->u.bstr) freeTextFast(v->u.bstr);
  v->vt = SCANIX_VT_EMPTY;
  v->u.r8 = 0;
}

SCANIX_API uint32_t scanix_text_length(const char16_t *t) {
  if (!t) return 0;
  return reinterpret_cast<const uint32_t *>(t)[-1];
}

SCANIX_API void scanix_text_free(char16_t *t) { freeText(t); }

SCANIX_API int scanix_create(const char *class_name, scanix **out) {
  if (!out) return SCANIX_E_INVALID_ARG;
  *out = nullptr;
  if (!class_name) return SCANIX_E_INVALID_ARG;
  if (strcasecmp(class_name, SCANIX_CLASS_NAME) != 0 && strcasecmp(class_name, SCANIX_PROGID) != 0 &&
      strcasecmp(class_name, SCANIX_PROGID_VI) != 0 && strcasecmp(class_name, SCANIX_CLSID_STR) != 0)
    return SCANIX_E_NO_CLASS;
  scanix *o = new (std::nothrow) scanix;
  if (!o) return SCANIX_E_OUT_OF_MEMORY;
  *out = o;
  return SCANIX_OK;
}

SCANIX_API void scanix_release(scanix *obj) {
  if (!obj || obj->released) return;
  if (obj->depth > 0) {
    obj->released = true;  // deleted when the outermost call returns
    return;
  }
  delete obj;
}

SCANIX_API int scanix_get_dispid(scanix *obj, const char16_t *name, int32_t *id) {
  if (!obj || !name || !id) return SCANIX_E_INVALID_ARG;
  size_t n = length16(name);
  for (const MemberName &m : kMembers) {
    size_t k = strlen(m.name);
    if (k != n) continue;
    bool eq = true;
    for (size_t i = 0; i < k && eq; ++i) {
      char16_t c = name[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char16_t>(c + 32);
      char d = m.name[i];
      if (d >= 'A' && d <= 'Z') d = static_cast<char>(d + 32);
      eq = c == static_cast<char16_t>(d);
    }
    if (eq) {
      *id = m.id;
      return SCANIX_OK;
    }
  }
  return SCANIX_E_MEMBER_NOT_FOUND;
}

extern "C++" {
namespace {
int invokeAny(scanix *obj, int32_t id, uint16_t flags, const scanix_variant *args, uint32_t nargs,
              scanix_variant *result);
}
}

SCANIX_API int scanix_invoke(scanix *obj, int32_t id, uint16_t flags, const scanix_variant *args,
                             uint32_t nargs, scanix_variant *result) {
  // F get with a 16- or 32-bit index, the call a scan handler makes for every line, goes
  // straight to the field; everything else (and every error) through the general dispatch.
  if (id == dispid::F && flags == SCANIX_DISPATCH_PROPERTYGET && nargs == 1 && obj && args &&
      !obj->released) {
    int16_t n;
    if (args[0].vt == SCANIX_VT_I2) n = args[0].u.i2;
    else if (args[0].vt == SCANIX_VT_I4 && args[0].u.i4 >= -32768 && args[0].u.i4 <= 32767)
      n = static_cast<int16_t>(args[0].u.i4);
    else return invokeAny(obj, id, flags, args, nargs, result);
    if (result) result->vt = SCANIX_VT_EMPTY;
    CallGuard guard(obj);
    std::string_view v;
    obj->core.get_F(n, v);
    return resText(result, obj->core.charset(), v);
  }
  // Eval of a text, the call a host makes again and again with the same expression.
  if (id == dispid::Eval && flags == SCANIX_DISPATCH_PROPERTYGET && nargs == 1 && obj && args &&
      !obj->released && args[0].vt == SCANIX_VT_TEXT && args[0].u.bstr) {
    if (result) result->vt = SCANIX_VT_EMPTY;
    CallGuard guard(obj);
    double v;
    evalText(obj, args[0].u.bstr, v);
    resR8(result, v);
    return SCANIX_OK;
  }
  return invokeAny(obj, id, flags, args, nargs, result);
}

extern "C++" {
namespace {
int invokeAny(scanix *obj, int32_t id, uint16_t flags, const scanix_variant *args, uint32_t nargs,
              scanix_variant *result) {
  if (!obj) return SCANIX_E_INVALID_ARG;
  if (obj->released) return SCANIX_E_RELEASED;
  if (nargs && !args) return SCANIX_E_INVALID_ARG;
  if (result) result->vt = SCANIX_VT_EMPTY;
  if (flags == 0 || (flags & ~7u)) return SCANIX_E_BAD_FLAGS;
  const bool put = flags & SCANIX_DISPATCH_PROPERTYPUT;
  if (put && flags != SCANIX_DISPATCH_PROPERTYPUT) return SCANIX_E_BAD_FLAGS;
  const bool get = !put && (flags & SCANIX_DISPATCH_PROPERTYGET);
  const bool method = !put && (flags & SCANIX_DISPATCH_METHOD);
  CallGuard guard(obj);
  scx::Scanix &c = obj->core;
  const Charset &cs = c.charset();
  int r;

  // Plain properties: get takes no argument, put takes the value as args[0].
#define NEED(n) \
  if (nargs != (n)) return SCANIX_E_BAD_PARAM_COUNT
#define PLAIN_GET_PUT(getstmt, putstmt) \
  if (get) {                            \
    NEED(0);                            \
    getstmt;                            \
  } else if (put) {                     \
    NEED(1);                            \
    putstmt;                            \
  } else {                              \
    return SCANIX_E_BAD_FLAGS;          \
  }                                     \
  break

  switch (id) {
    case dispid::AboutBox:
      if (!method) return SCANIX_E_BAD_FLAGS;
      NEED(0);
      return c.AboutBox();

    case dispid::FileName: {
      PLAIN_GET_PUT(
          {
            std::string v;
            c.get_FileName(v);
            return resText(result, cs, v);
          },
          {
            std::string v;
            if ((r = toText(args[0], cs, v))) return r;
            return c.put_FileName(v);
          });
    }
    case dispid::L: {
      PLAIN_GET_PUT(
          {
            std::string_view v;
            if ((r = c.get_L(v))) return r;
            return resText(result, cs, v);
          },
          {
            if (args[0].vt == SCANIX_VT_TEXT) {  // fast path: convert straight into the line
              thread_local std::string tmp;
              tmp.clear();
              if (args[0].u.bstr) cs.fromUtf16(args[0].u.bstr, length16(args[0].u.bstr), tmp);
              return c.put_L(tmp);
            }
            std::string v;
            if ((r = toText(args[0], cs, v))) return r;
            return c.put_L(v);
          });
    }
    case dispid::FS: {
      PLAIN_GET_PUT(
          {
            std::string v;
            c.get_FS(v);
            return resText(result, cs, v);
          },
          {
            std::string v;
            if ((r = toText(args[0], cs, v))) return r;
            return c.put_FS(v);
          });
    }
#define ENUM_PROP(ID, GETF, PUTF)                      \
  case ID: {                                           \
    PLAIN_GET_PUT(                                     \
        {                                              \
          int16_t v;                                   \
          if ((r = c.GETF(v))) return r;               \
          resI4(result, v);                            \
          return SCANIX_OK;                            \
        },                                             \
        {                                              \
          int32_t v;                                   \
          if ((r = toI4(args[0], v))) return r;        \
          if (v < -32768 || v > 32767) return 380;     \
          return c.PUTF(static_cast<int16_t>(v));      \
        });                                            \
  }
      ENUM_PROP(dispid::Case, get_Case, put_Case)
      ENUM_PROP(dispid::Action, get_Action, put_Action)
      ENUM_PROP(dispid::FileType, get_FileType, put_FileType)
      ENUM_PROP(dispid::AngleUnits, get_AngleUnits, put_AngleUnits)
#undef ENUM_PROP

    case dispid::Error: {
      if (!get) return SCANIX_E_BAD_FLAGS;
      NEED(0);
      int16_t v;
      if ((r = c.get_Error(v))) return r;
      resI4(result, v);
      return SCANIX_OK;
    }
    case dispid::RN: {
      if (!get) return SCANIX_E_BAD_FLAGS;
      NEED(0);
      int32_t v;
      if ((r = c.get_RN(v))) return r;
      resI4(result, v);
      return SCANIX_OK;
    }
    case dispid::NF: {
      if (!get) return SCANIX_E_BAD_FLAGS;
      NEED(0);
      int16_t v;
      if ((r = c.get_NF(v))) return r;
      resI2(result, v);
      return SCANIX_OK;
    }
    case dispid::PercentDone: {
      if (!get) return SCANIX_E_BAD_FLAGS;
      NEED(0);
      int16_t v;
      if ((r = c.get_PercentDone(v))) return r;
      resI2(result, v);
      return SCANIX_OK;
    }
    case dispid::CurrPos: {
      PLAIN_GET_PUT(
          {
            int32_t v;
            if ((r = c.get_CurrPos(v))) return r;
            resI4(result, v);
            return SCANIX_OK;
          },
          {
            int32_t v;
            if ((r = toI4(args[0], v))) return r;
            return c.put_CurrPos(v);
          });
    }
    case dispid::MatchQuotes: {
      PLAIN_GET_PUT(
          {
            bool v;
            c.get_MatchQuotes(v);
            resBool(result, v);
            return SCANIX_OK;
          },
          {
            bool v;
            if ((r = toBool(args[0], v))) return r;
            return c.put_MatchQuotes(v);
          });
    }
    case dispid::FilterQuotes: {
      PLAIN_GET_PUT(
          {
            bool v;
            c.get_FilterQuotes(v);
            resBool(result, v);
            return SCANIX_OK;
          },
          {
            bool v;
            if ((r = toBool(args[0], v))) return r;
            return c.put_FilterQuotes(v);
          });
    }
    case dispid::Val: {
      if (!get) return SCANIX_E_BAD_FLAGS;
      NEED(0);
      double v;
      if ((r = c.get_Val(v))) return r;
      resR8(result, v);
      return SCANIX_OK;
    }
    case dispid::Version: {
      PLAIN_GET_PUT(
          {
            int16_t v;
            c.get_Version(v);
            resI2(result, v);
            return SCANIX_OK;
          },
          {
            int16_t v;
            if ((r = toI2(args[0], v))) return r;
            return c.put_Version(v);
          });
    }
    case dispid::FindLine: {
      if (!put) return SCANIX_E_BAD_FLAGS;
      NEED(1);
      std::string v;
      if ((r = toText(args[0], cs, v))) return r;
      return c.put_FindLine(v);
    }
    case dispid::F: {
      if (get) {
        NEED(1);
        int16_t n;
        if ((r = toI2(args[0], n))) return r;
        std::string_view v;
        c.get_F(n, v);
        return resText(result, cs, v);
      }
      if (put) {
        NEED(2);
        int16_t n;
        if ((r = toI2(args[0], n))) return r;
        std::string v;
        if ((r = toText(args[1], cs, v))) return r;
        return c.put_F(n, v);
      }
      return SCANIX_E_BAD_FLAGS;
    }
    case dispid::FieldAt:
    case dispid::PosAt: {
      if (!get) return SCANIX_E_BAD_FLAGS;
      NEED(1);
      int16_t n, v;
      if ((r = toI2(args[0], n))) return r;
      if (id == dispid::FieldAt) c.get_FieldAt(n, v);
      else c.get_PosAt(n, v);
      resI2(result, v);
      return SCANIX_OK;
    }
    case dispid::Eval: {
      if (!get && !method) return SCANIX_E_BAD_FLAGS;
      if (nargs > 1) return SCANIX_E_BAD_PARAM_COUNT;
      double v;
      if (nargs == 0) {
        c.get_Eval(v);
      } else if (args[0].vt == SCANIX_VT_TEXT && args[0].u.bstr) {
        evalText(obj, args[0].u.bstr, v);
      } else {
        std::string e;
        if ((r = toText(args[0], cs, e))) return r;
        c.get_Eval(e, v);
      }
      resR8(result, v);
      return SCANIX_OK;
    }
    default:
      return SCANIX_E_MEMBER_NOT_FOUND;
  }
#undef PLAIN_GET_PUT
#undef NEED
  return SCANIX_OK;
}
}  // namespace
}  // extern "C++"

SCANIX_API int scanix_advise(scanix *obj, const scanix_events *sink, uint32_t *cookie) {
  if (!obj || !sink || !cookie) return SCANIX_E_INVALID_ARG;
  if (obj->released) return SCANIX_E_RELEASED;
  auto a = std::make_unique<CEvents>();
  a->ev = *sink;
  a->cs = &obj->core.charset();
  *cookie = obj->core.advise(a.get());
  obj->sinks.emplace_back(*cookie, std::move(a));
  return SCANIX_OK;
}

SCANIX_API int scanix_unadvise(scanix *obj, uint32_t cookie) {
  if (!obj) return SCANIX_E_INVALID_ARG;
  CallGuard guard(obj);
  for (auto it = obj->sinks.begin(); it != obj->sinks.end(); ++it) {
    if (it->first != cookie) continue;
    obj->core.unadvise(cookie);
    obj->graveyardEvents.push_back(std::move(it->second));  // may be running right now
    obj->sinks.erase(it);
    return SCANIX_OK;
  }
  return SCANIX_E_NOT_FOUND;
}

SCANIX_API int scanix_advise_property_changes(scanix *obj, scanix_changed_fn changed, void *context,
                                              uint32_t *cookie) {
  if (!obj || !changed || !cookie) return SCANIX_E_INVALID_ARG;
  if (obj->released) return SCANIX_E_RELEASED;
  auto a = std::make_unique<CNotify>();
  a->fn = changed;
  a->context = context;
  *cookie = obj->core.advisePropertyNotify(a.get());
  obj->notifiers.emplace_back(*cookie, std::move(a));
  return SCANIX_OK;
}

SCANIX_API int scanix_unadvise_property_changes(scanix *obj, uint32_t cookie) {
  if (!obj) return SCANIX_E_INVALID_ARG;
  CallGuard guard(obj);
  for (auto it = obj->notifiers.begin(); it != obj->notifiers.end(); ++it) {
    if (it->first != cookie) continue;
    obj->core.unadvisePropertyNotify(cookie);
    obj->graveyardNotify.push_back(std::move(it->second));
    obj->notifiers.erase(it);
    return SCANIX_OK;
  }
  return SCANIX_E_NOT_FOUND;
}

SCANIX_API int scanix_set_user_mode(scanix *obj, int user_mode) {
  if (!obj) return SCANIX_E_INVALID_ARG;
  obj->core.setUserMode(user_mode != 0);
  return SCANIX_OK;
}

SCANIX_API const char *scanix_error_text(int code) { return scx::errorText(code); }

}  // extern "C"
