// Character set of the process locale: UTF-16 conversions, character stepping, case rules.
#include "scanix_core.h"

#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <iconv.h>
#include <langinfo.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace scx {

namespace {
inline bool isCont(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes one UTF-8 character; returns its length (1 for an invalid byte, cp = U+FFFD).
inline size_t decodeUtf8(const unsigned char *p, const unsigned char *e, uint32_t &cp) {
  unsigned char c = p[0];
  if (c < 0x80) { cp = c; return 1; }
  size_t avail = static_cast<size_t>(e - p);
  if (c >= 0xC2 && c <= 0xDF) {
    if (avail >= 2 && isCont(p[1])) { cp = ((c & 0x1Fu) << 6) | (p[1] & 0x3Fu); return 2; }
  } else if (c >= 0xE0 && c <= 0xEF) {
    if (avail >= 3 && isCont(p[1]) && isCont(p[2])) {
      uint32_t v = ((c & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
      if (v >= 0x800 && (v < 0xD800 || v > 0xDFFF)) { cp = v; return 3; }
    }
  } else if (c >= 0xF0 && c <= 0xF4) {
    if (avail >= 4 && isCont(p[1]) && isCont(p[2]) && isCont(p[3])) {
      uint32_t v = ((c & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) |
                   (p[3] & 0x3Fu);
      if (v >= 0x10000 && v <= 0x10FFFF) { cp = v; return 4; }
    }
  }
  cp = 0xFFFD;
  return 1;
}

inline size_t encodeUtf8(uint32_t cp, char *o) {
  if (cp < 0x80) { o[0] = static_cast<char>(cp); return 1; }
  if (cp < 0x800) {
    o[0] = static_cast<char>(0xC0 | (cp >> 6));
    o[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    o[0] = static_cast<char>(0xE0 | (cp >> 12));
    o[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    o[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  o[0] = static_cast<char>(0xF0 | (cp >> 18));
  o[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  o[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  o[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}
}  // namespace

Charset::Charset() {
  const char *cs = nl_langinfo(CODESET);
  codeset_ = cs ? cs : "";
  if (codeset_ == "UTF-8" || codeset_ == "utf8" || codeset_ == "ANSI_X3.4-1968" ||
      codeset_ == "ASCII" || codeset_.empty()) {
    mode_ = Utf8;
    if (codeset_ != "UTF-8") codeset_ = "UTF-8";
    return;
  }
  mode_ = MB_CUR_MAX == 1 ? SingleByte : MultiByte;
  iconv_t a = iconv_open(codeset_.c_str(), "UTF-16LE");
  iconv_t b = iconv_open("UTF-16LE", codeset_.c_str());
  if (a == reinterpret_cast<iconv_t>(-1) || b == reinterpret_cast<iconv_t>(-1)) {
    if (a != reinterpret_cast<iconv_t>(-1)) iconv_close(a);
    if (b != reinterpret_cast<iconv_t>(-1)) iconv_close(b);
    mode_ = Utf8;  // unknown to iconv: fall back to UTF-8
    codeset_ = "UTF-8";
    return;
  }
  toCs_ = a;
  fromCs_ = b;
}

Charset::~Charset() {
  if (toCs_) iconv_close(static_cast<iconv_t>(toCs_));
  if (fromCs_) iconv_close(static_cast<iconv_t>(fromCs_));
}

size_t Charset::utf8Len(const char *p, const char *end) const {
  uint32_t cp;
  return decodeUtf8(reinterpret_cast<const unsigned char *>(p),
                    reinterpret_cast<const unsigned char *>(end), cp);
}

size_t Charset::mbLen(const char *p, const char *end) const {
  mbstate_t st{};
  size_t r = mbrlen(p, static_cast<size_t>(end - p), &st);
  if (r == static_cast<size_t>(-1) || r == static_cast<size_t>(-2) || r == 0) return 1;
  return r;
}

bool Charset::fromUtf16(const char16_t *s, size_t n, std::string &out, size_t maxBytes) const {
  size_t base = out.size();
  if (maxBytes < base) maxBytes = base;
  size_t room = maxBytes - base;
  if (mode_ == Utf8) {
    size_t cap = n <= SIZE_MAX / 3 ? n * 3 : SIZE_MAX;
    if (cap > room) cap = room;
    out.resize(base + cap);
    char *o = out.data() + base;
    char *oe = o + cap;
    size_t i = 0;
    bool fit = true;
    while (i < n) {
      char16_t u = s[i];
      if (u < 0x80) {
        if (o == oe) { fit = false; break; }
        *o++ = static_cast<char>(u);
        ++i;
        continue;
      }
      uint32_t cp;
      size_t used = 1;
      if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        cp = 0x10000 + ((static_cast<uint32_t>(u) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
        used = 2;
      } else if (u >= 0xD800 && u <= 0xDFFF) {
        cp = 0xFFFD;
      } else {
        cp = u;
      }
      char tmp[4];
      size_t k = encodeUtf8(cp, tmp);
      if (static_cast<size_t>(oe - o) < k) { fit = false; break; }
      memcpy(o, tmp, k);
      o += k;
      i += used;
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return fit;
  }
  // iconv, one character at a time so that an unconvertible character becomes '?'.
  iconv_t cd = static_cast<iconv_t>(toCs_);
  size_t i = 0;
  while (i < n) {
    size_t units = (s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 &&
                    s[i + 1] <= 0xDFFF) ? 2 : 1;
    char16_t le[2];
    for (size_t k = 0; k < units; ++k) le[k] = s[i + k];  // host is little-endian
    char buf[16];
    char *in = reinterpret_cast<char *>(le);
    size_t inLeft = units * 2;
    char *ob = buf;
    size_t obLeft = sizeof buf;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    size_t r = iconv(cd, &in, &inLeft, &ob, &obLeft);
    size_t got = sizeof buf - obLeft;
    if (r == static_cast<size_t>(-1) || got == 0) {
      buf[0] = '?';
      got = 1;
    }
    if (out.size() - base + got > room) return false;
    out.append(buf, got);
    i += units;
  }
  return true;
}

size_t Charset::toUtf16(const char *s, size_t n, char16_t *dst) const {
  const unsigned char *p = reinterpret_cast<const unsigned char *>(s);
  const unsigned char *e = p + n;
  char16_t *o = dst;
  if (mode_ == Utf8) {
#ifdef __SSE2__
    // A short ASCII text (a typical field) in two loads that overlap at its end, widened and
    // stored the same way: no loop, no byte-by-byte tail.
    if (n >= 4 && n <= 32) {
      const __m128i z = _mm_setzero_si128();
      if (n >= 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(e - 16));
        if (_mm_movemask_epi8(_mm_or_si128(a, b)) == 0) {
          _mm_storeu_si128(reinterpret_cast<__m128i *>(o), _mm_unpacklo_epi8(a, z));
          _mm_storeu_si128(reinterpret_cast<__m128i *>(o + 8), _mm_unpackhi_epi8(a, z));
          _mm_storeu_si128(reinterpret_cast<__m128i *>(o + n - 16), _mm_unpacklo_epi8(b, z));
          _mm_storeu_si128(reinterpret_cast<__m128i *>(o + n - 8), _mm_unpackhi_epi8(b, z));
          return n;
        }
      } else if (n >= 8) {
        __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p));
        __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(e - 8));
        if ((_mm_movemask_epi8(_mm_or_si128(a, b)) & 0xFF) == 0) {
          _mm_storeu_si128(reinterpret_cast<__m128i *>(o), _mm_unpacklo_epi8(a, z));
          _mm_storeu_si128(reinterpret_cast<__m128i *>(o + n - 8), _mm_unpacklo_epi8(b, z));
          return n;
        }
      } else {
        uint32_t a32, b32;
        memcpy(&a32, p, 4);
        memcpy(&b32, e - 4, 4);
        if (((a32 | b32) & 0x80808080u) == 0) {
          __m128i a = _mm_cvtsi32_si128(static_cast<int>(a32));
          __m128i b = _mm_cvtsi32_si128(static_cast<int>(b32));
          _mm_storel_epi64(reinterpret_cast<__m128i *>(o), _mm_unpacklo_epi8(a, z));
          _mm_storel_epi64(reinterpret_cast<__m128i *>(o + n - 4), _mm_unpacklo_epi8(b, z));
          return n;
        }
      }
    }
#endif
    while (p < e) {
      // ASCII run, 16 bytes at a time where possible
#ifdef __SSE2__
      while (e - p >= 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        if (_mm_movemask_epi8(v) != 0) break;
        __m128i z = _mm_setzero_si128();
        _mm_storeu_si128(reinterpret_cast<__m128i *>(o), _mm_unpacklo_epi8(v, z));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(o + 8), _mm_unpackhi_epi8(v, z));
        p += 16;
        o += 16;
      }
      if (e - p >= 8) {  // short fields: eight bytes at once
        __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p));
        if ((_mm_movemask_epi8(v) & 0xFF) == 0) {
          _mm_storeu_si128(reinterpret_cast<__m128i *>(o), _mm_unpacklo_epi8(v, _mm_setzero_si128()));
          p += 8;
          o += 8;
        }
      }
#endif
      while (p < e && *p < 0x80) *o++ = *p++;
      if (p == e) break;
      uint32_t cp;
      size_t k = decodeUtf8(p, e, cp);
      p += k;
      if (cp >= 0x10000) {
        cp -= 0x10000;
        *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
        *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
      } else {
        *o++ = static_cast<char16_t>(cp);
      }
    }
    return static_cast<size_t>(o - dst);
  }
  iconv_t cd = static_cast<iconv_t>(fromCs_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char *in = const_cast<char *>(s);
  size_t inLeft = n;
  char *ob = reinterpret_cast<char *>(dst);
  size_t obLeft = n * 2;
  while (inLeft > 0) {
    size_t r = iconv(cd, &in, &inLeft, &ob, &obLeft);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG || obLeft < 2) break;
    // invalid or incomplete sequence: one byte becomes U+FFFD
    *reinterpret_cast<char16_t *>(ob) = 0xFFFD;
    ob += 2;
    obLeft -= 2;
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return static_cast<size_t>(reinterpret_cast<char16_t *>(ob) - dst);
}

std::u16string Charset::toUtf16(std::string_view s) const {
  std::u16string r(s.size(), u'\0');
  r.resize(toUtf16(s.data(), s.size(), r.data()));
  return r;
}

void Charset::toUpper(std::string &s) const { convertCase(s, true); }
void Charset::toLower(std::string &s) const { convertCase(s, false); }

void Charset::convertCase(std::string &s, bool upper) const {
  if (mode_ == SingleByte) {
    for (char &c : s) {
      unsigned char u = static_cast<unsigned char>(c);
      c = static_cast<char>(upper ? toupper(u) : tolower(u));
    }
    return;
  }
  // ASCII fast path; a non-ASCII character is converted by its code point.
  size_t i = 0;
  for (; i < s.size(); ++i) {
    unsigned char u = static_cast<unsigned char>(s[i]);
    if (u >= 0x80) break;
    if (upper) { if (u >= 'a' && u <= 'z') s[i] = static_cast<char>(u - 32); }
    else if (u >= 'A' && u <= 'Z') s[i] = static_cast<char>(u + 32);
  }
  if (i == s.size()) return;
  std::string r(s, 0, i);
  const char *p = s.data() + i;
  const char *e = s.data() + s.size();
  while (p < e) {
    unsigned char u = static_cast<unsigned char>(*p);
    if (u < 0x80) {
      if (upper) r.push_back(static_cast<char>(u >= 'a' && u <= 'z' ? u - 32 : u));
      else r.push_back(static_cast<char>(u >= 'A' && u <= 'Z' ? u + 32 : u));
      ++p;
      continue;
    }
    if (mode_ == Utf8) {
      uint32_t cp;
      size_t k = decodeUtf8(reinterpret_cast<const unsigned char *>(p),
                            reinterpret_cast<const unsigned char *>(e), cp);
      if (cp == 0xFFFD && k == 1) {  // invalid byte: kept as it is
        r.push_back(*p);
        ++p;
        continue;
      }
      uint32_t m = static_cast<uint32_t>(upper ? towupper(static_cast<wint_t>(cp))
                                               : towlower(static_cast<wint_t>(cp)));
      char tmp[4];
      size_t kk = encodeUtf8(m, tmp);
      r.append(tmp, kk);
      p += k;
    } else {
      mbstate_t st{};
      wchar_t wc;
      size_t k = mbrtowc(&wc, p, static_cast<size_t>(e - p), &st);
      if (k == static_cast<size_t>(-1) || k == static_cast<size_t>(-2) || k == 0) {
        r.push_back(*p);
        ++p;
        continue;
      }
      wchar_t m = static_cast<wchar_t>(upper ? towupper(static_cast<wint_t>(wc))
                                             : towlower(static_cast<wint_t>(wc)));
      char tmp[MB_LEN_MAX];
      mbstate_t st2{};
      size_t kk = wcrtomb(tmp, m, &st2);
      if (kk == static_cast<size_t>(-1)) r.append(p, k);
      else r.append(tmp, kk);
      p += k;
    }
  }
  s.swap(r);
}

}  // namespace scx
