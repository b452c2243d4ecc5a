// Bodies of the Scanix fuzz targets, shared with the unit tests that replay the regression
// inputs (tests/scanix/regressions/<target>/). Each body aborts (via SCANIX_FUZZ_CHECK) when an
// invariant breaks; memory errors are found by the sanitizers.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "scanix.h"
#include "scanix_core.h"

#ifndef SCANIX_FUZZ_CHECK
#define SCANIX_FUZZ_CHECK(cond)                                               \
  do {                                                                        \
    if (!(cond)) {                                                            \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      abort();                                                                \
    }                                                                         \
  } while (0)
#endif

namespace scanix_fuzz {

inline std::u16string units(const uint8_t *p, size_t n) {
  std::u16string s;
  for (size_t i = 0; i + 1 < n; i += 2) {
    char16_t u = static_cast<char16_t>(p[i] | (p[i + 1] << 8));
    if (u == 0) u = 0x20;  // texts are null-terminated at the interface
    s.push_back(u);
  }
  return s;
}

inline scanix_variant text(std::u16string &s) {
  scanix_variant v{};
  v.vt = SCANIX_VT_TEXT;
  v.u.bstr = s.data();
  return v;
}

inline scanix_variant i4(int32_t x) {
  scanix_variant v{};
  v.vt = SCANIX_VT_I4;
  v.u.i4 = x;
  return v;
}

inline int32_t getInt(scanix *o, int32_t id, const scanix_variant *arg = nullptr) {
  scanix_variant r{};
  int rc = scanix_invoke(o, id, SCANIX_DISPATCH_PROPERTYGET, arg, arg ? 1 : 0, &r);
  SCANIX_FUZZ_CHECK(rc == 0);
  return r.vt == SCANIX_VT_I2 ? r.u.i2 : r.u.i4;
}

// Field access: separators, quotes, line; NF, F get/put, FieldAt, PosAt, through both layers.
inline int fields(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  uint8_t flags = data[0];
  size_t fsLen = data[1] % 8;
  data += 2;
  size -= 2;
  if (fsLen * 2 > size) fsLen = size / 2;
  std::u16string fs = units(data, fsLen * 2);
  // keep separators mostly ASCII so that fields are short and varied
  if (flags & 0x80)
    for (char16_t &c : fs) c = static_cast<char16_t>(c & 0x7F ? c & 0x7F : ' ');
  data += fsLen * 2;
  size -= fsLen * 2;
  std::u16string line;
  if (flags & 0x40) {
    line = units(data, size);
  } else {
    for (size_t i = 0; i < size; ++i) line.push_back(data[i] ? data[i] : 0x20);
  }

  scanix *o = nullptr;
  SCANIX_FUZZ_CHECK(scanix_create("Tabulon.Tabulon.1", &o) == 0);
  scanix_variant v = text(fs);
  SCANIX_FUZZ_CHECK(scanix_invoke(o, SCANIX_DISPID_FS, 4, &v, 1, nullptr) == 0);
  scanix_variant b = i4(flags & 1 ? -1 : 0);
  SCANIX_FUZZ_CHECK(scanix_invoke(o, SCANIX_DISPID_MATCHQUOTES, 4, &b, 1, nullptr) == 0);
  b = i4(flags & 2 ? -1 : 0);
  SCANIX_FUZZ_CHECK(scanix_invoke(o, SCANIX_DISPID_FILTERQUOTES, 4, &b, 1, nullptr) == 0);
  v = text(line);
  SCANIX_FUZZ_CHECK(scanix_invoke(o, SCANIX_DISPID_L, 4, &v, 1, nullptr) == 0);
  int nf = getInt(o, SCANIX_DISPID_NF);
  SCANIX_FUZZ_CHECK(nf >= 0);
  SCANIX_FUZZ_CHECK((nf == 0) == line.empty());
  int top = nf < 64 ? nf : 64;
  for (int n = -2; n <= top + 2; ++n) {
    scanix_variant idx = i4(n), r{};
    SCANIX_FUZZ_CHECK(scanix_invoke(o, SCANIX_DISPID_F, 2, &idx, 1, &r) == 0);
    SCANIX_FUZZ_CHECK(r.vt == SCANIX_VT_TEXT && r.u.bstr);
    uint32_t len = scanix_text_length(r.u.bstr);
    SCANIX_FUZZ_CHECK(r.u.bstr[len] == 0);
    int err = getInt(o, SCANIX_DISPID_ERROR);
    SCANIX_FUZZ_CHECK(err == ((n < 0 || n > nf) ? 5 : 0));
    if (n >= 1) SCANIX_FUZZ_CHECK(len <= 65534);
    scanix_variant_clear(&r);
    int fa = getInt(o, SCANIX_DISPID_FIELDAT, &idx);
    SCANIX_FUZZ_CHECK(fa >= 0 && fa <= (nf > 32767 ? 32767 : nf));
    int pa = getInt(o, SCANIX_DISPID_POSAT, &idx);
    SCANIX_FUZZ_CHECK(pa >= 0);
  }
  // writes
  std::u16string val = u"Z,1";
  for (int n : {0, 1, 2, nf, nf + 1}) {
    scanix_variant args[2] = {i4(n), text(val)};
    SCANIX_FUZZ_CHECK(scanix_invoke(o, SCANIX_DISPID_F, 4, args, 2, nullptr) == 0);
    int err = getInt(o, SCANIX_DISPID_ERROR);
    SCANIX_FUZZ_CHECK(err == 0 || err == 3 || err == 4);
    getInt(o, SCANIX_DISPID_NF);
  }
  scanix_release(o);

  // the same through the plain class with raw bytes (any byte sequence, invalid UTF-8 included),
  // F get's one-pass search against the general walk
  scx::Scanix s, walk;
  walk.setFastFields(false);
  for (scx::Scanix *x : {&s, &walk}) {
    x->put_FS(std::string_view(reinterpret_cast<const char *>(data), size < 3 ? size : 3));
    x->put_MatchQuotes(flags & 4);
    x->put_FilterQuotes(flags & 8);
    x->put_L(std::string_view(reinterpret_cast<const char *>(data), size));
  }
  int32_t count = s.fieldCount();
  SCANIX_FUZZ_CHECK(walk.fieldCount() == count);
  for (int n = -1; n <= (count < 16 ? count : 16) + 1; ++n) {
    std::string_view f, g;
    s.get_F(static_cast<int16_t>(n), f);
    walk.get_F(static_cast<int16_t>(n), g);
    SCANIX_FUZZ_CHECK(f.data() == nullptr || f.size() <= size);
    SCANIX_FUZZ_CHECK(f == g);
    int16_t ef, eg;
    s.get_Error(ef);
    walk.get_Error(eg);
    SCANIX_FUZZ_CHECK(ef == eg);
  }
  return 0;
}

// The same text evaluated again and again (read once, then compiled) against a walk of it every
// time: the same values to the bit, codes and events. Names starting with x, y or z are
// resolved, with values that change at each evaluation; flags bit 2 lets the handler switch the
// angle units on names starting with d.
struct LoggingHost : scx::Events {
  scx::Scanix *s = nullptr;
  bool switchUnits = false;
  int round = 0;
  std::string log;
  void Error() override { log += "E "; }
  void Variable(std::string_view name, double &value, int16_t &accept) override {
    log.append(name.data(), name.size()).push_back(' ');
    if (name.empty()) return;
    if (name[0] == 'x' || name[0] == 'y' || name[0] == 'z') {
      static const double values[] = {4, -0.5, 1e308, 0, -3, 0.25, 2147483648.0};
      value = values[(round + static_cast<unsigned char>(name[0])) % 7];
      accept = -1;
    } else if (name[0] == 'd' && switchUnits) {
      int16_t u;
      s->get_AngleUnits(u);
      s->put_AngleUnits(u ? 0 : 1);
      value = 30;
      accept = -1;
    }
  }
};

inline void evalCompiledAsWalked(uint8_t flags, const std::string &text) {
  scx::Scanix walked, kept;
  walked.setEvalCache(false);
  LoggingHost hw, hk;
  hw.s = &walked;
  hk.s = &kept;
  hw.switchUnits = hk.switchUnits = flags & 4;
  walked.advise(&hw);
  kept.advise(&hk);
  walked.put_AngleUnits(flags & 1);
  kept.put_AngleUnits(flags & 1);
  for (int round = 0; round < 4; ++round) {
    hw.round = hk.round = round;
    hw.log.clear();
    hk.log.clear();
    double vw = -1, vk = -2;
    walked.get_Eval(text, vw);
    if (round % 2) kept.get_Eval(text, vk);
    else kept.get_EvalKept(text, round > 0, vk);
    int16_t ew = -1, ek = -2;
    walked.get_Error(ew);
    kept.get_Error(ek);
    SCANIX_FUZZ_CHECK(ew == ek);
    SCANIX_FUZZ_CHECK(hw.log == hk.log);
    SCANIX_FUZZ_CHECK(std::memcmp(&vw, &vk, sizeof vw) == 0 || (vw != vw && vk != vk));
  }
}

// The evaluator, with a host that resolves names starting with x, y or z.
inline int eval(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  uint8_t flags = data[0];
  ++data;
  --size;
  scanix *o = nullptr;
  SCANIX_FUZZ_CHECK(scanix_create("ScanixLibCtl.Scanix", &o) == 0);
  scanix_variant deg = i4(flags & 1);
  SCANIX_FUZZ_CHECK(scanix_invoke(o, SCANIX_DISPID_ANGLEUNITS, 4, &deg, 1, nullptr) == 0);
  scanix_events ev{};
  ev.variable = [](void *, const char16_t *name, double *value, int16_t *accept) {
    if (name[0] == 'x' || name[0] == 'y' || name[0] == 'z') {
      *value = name[0] == 'x' ? 4 : name[0] == 'y' ? -0.5 : 1e308;
      *accept = -1;
    }
  };
  uint32_t cookie;
  SCANIX_FUZZ_CHECK(scanix_advise(o, &ev, &cookie) == 0);
  std::u16string expr;
  if (flags & 2) expr = units(data, size);
  else
    for (size_t i = 0; i < size; ++i) expr.push_back(data[i] ? data[i] : 0x20);
  scanix_variant e = text(expr), r{};
  SCANIX_FUZZ_CHECK(scanix_invoke(o, SCANIX_DISPID_EVAL, 2, &e, 1, &r) == 0);
  SCANIX_FUZZ_CHECK(r.vt == SCANIX_VT_R8);
  int err = getInt(o, SCANIX_DISPID_ERROR);
  SCANIX_FUZZ_CHECK(err >= 0 && err <= 15);
  if (err) SCANIX_FUZZ_CHECK(r.u.r8 == 0);
  // Val on the same text as the line
  SCANIX_FUZZ_CHECK(scanix_invoke(o, SCANIX_DISPID_L, 4, &e, 1, nullptr) == 0);
  scanix_variant r2{};
  SCANIX_FUZZ_CHECK(scanix_invoke(o, SCANIX_DISPID_VAL, 2, nullptr, 0, &r2) == 0);
  SCANIX_FUZZ_CHECK(getInt(o, SCANIX_DISPID_ERROR) == err || expr.empty());
  scanix_release(o);
  // raw bytes through the plain class
  scx::Scanix s;
  double d;
  s.get_Eval(std::string_view(reinterpret_cast<const char *>(data), size), d);
  evalCompiledAsWalked(flags, std::string(reinterpret_cast<const char *>(data), size));
  return 0;
}

// The stream loader: malformed input gives an error code; what loads saves and reloads the same.
inline int stream(const uint8_t *data, size_t size) {
  scanix *o = nullptr;
  SCANIX_FUZZ_CHECK(scanix_create("ScanixLibCtl.Scanix", &o) == 0);
  int rc = scanix_load_stream(o, size ? data : nullptr, size);
  SCANIX_FUZZ_CHECK(rc == 0 || rc == SCANIX_E_FORMAT || rc == 380 || rc == SCANIX_E_TYPE_MISMATCH ||
                    rc == SCANIX_E_OVERFLOW);
  if (rc == 0) {
    void *saved = nullptr;
    size_t n = 0;
    SCANIX_FUZZ_CHECK(scanix_save_stream(o, 1, &saved, &n) == 0);
    scanix *p = nullptr;
    SCANIX_FUZZ_CHECK(scanix_create("ScanixLibCtl.Scanix", &p) == 0);
    SCANIX_FUZZ_CHECK(scanix_load_stream(p, saved, n) == 0);
    void *again = nullptr;
    size_t m = 0;
    SCANIX_FUZZ_CHECK(scanix_save_stream(p, 1, &again, &m) == 0);
    SCANIX_FUZZ_CHECK(m == n && memcmp(saved, again, n) == 0);
    scanix_free(saved);
    scanix_free(again);
    scanix_release(p);
  }
  scanix_release(o);
  return 0;
}

// File scanning: the input is the file; the first byte picks FileType, Case and FS.
inline int scan(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  uint8_t flags = data[0];
  int fd = memfd_create("scanix_fuzz", MFD_CLOEXEC);
  if (fd < 0) return 0;
  size_t off = 1;
  while (off < size) {
    ssize_t w = write(fd, data + off, size - off);
    if (w <= 0) break;
    off += static_cast<size_t>(w);
  }
  char path[64];
  snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  scx::Scanix s;
  s.put_FileName(path);
  s.put_FileType(static_cast<int16_t>(flags & 3));
  s.put_Case(static_cast<int16_t>((flags >> 2) % 3));
  if (flags & 0x10) s.put_FS(",");
  if (flags & 0x20) s.put_FS("");
  struct Sink : scx::Events {
    scx::Scanix *s;
    int lines = 0;
    void Scan() override {
      ++lines;
      std::string_view f;
      s->get_F(2, f);
      SCANIX_FUZZ_CHECK(f.size() <= 65534);
      std::string l;
      s->get_L(l);
      SCANIX_FUZZ_CHECK(l.size() <= 65534);
      int16_t pd;
      s->get_PercentDone(pd);
      SCANIX_FUZZ_CHECK(pd >= 0 && pd <= 100);
    }
  } sink;
  sink.s = &s;
  uint32_t cookie = s.advise(&sink);
  s.put_Action(scx::acScan);
  s.unadvise(cookie);
  std::string needle(reinterpret_cast<const char *>(data), size > 3 ? 3 : size);
  s.put_FindLine(needle);
  s.put_CurrPos(static_cast<int32_t>(flags));
  for (int i = 0; i < 4; ++i) s.put_Action(scx::acNextLine);
  s.put_Action(scx::acClose);
  close(fd);
  return 0;
}

}  // namespace scanix_fuzz
