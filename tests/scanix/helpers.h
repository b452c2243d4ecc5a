// Test helpers: a thin C++ wrapper over the C interface, temporary files, event recorders.
#pragma once

#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "scanix.h"

namespace sxt {

inline std::u16string u16(const std::string &s) {  // ASCII/UTF-8 test literals -> UTF-16
  std::u16string r;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    size_t k;
    if (c < 0x80) { cp = c; k = 1; }
    else if (c < 0xE0) { cp = ((c & 0x1F) << 6) | (s[i + 1] & 0x3F); k = 2; }
    else if (c < 0xF0) { cp = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F); k = 3; }
    else { cp = ((c & 0x07) << 18) | ((s[i + 1] & 0x3F) << 12) | ((s[i + 2] & 0x3F) << 6) | (s[i + 3] & 0x3F); k = 4; }
    i += k;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      r.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      r.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      r.push_back(static_cast<char16_t>(cp));
    }
  }
  return r;
}

inline std::string u8(const std::u16string &s) {
  std::string r;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size()) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) r.push_back(static_cast<char>(cp));
    else if (cp < 0x800) { r.push_back(static_cast<char>(0xC0 | (cp >> 6))); r.push_back(static_cast<char>(0x80 | (cp & 0x3F))); }
    else if (cp < 0x10000) { r.push_back(static_cast<char>(0xE0 | (cp >> 12))); r.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F))); r.push_back(static_cast<char>(0x80 | (cp & 0x3F))); }
    else { r.push_back(static_cast<char>(0xF0 | (cp >> 18))); r.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F))); r.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F))); r.push_back(static_cast<char>(0x80 | (cp & 0x3F))); }
  }
  return r;
}

// Owning variant argument.
struct Arg {
  scanix_variant v{};
  std::u16string text;
  Arg(int16_t x) { v.vt = SCANIX_VT_I2; v.u.i2 = x; }
  Arg(int x) { v.vt = SCANIX_VT_I4; v.u.i4 = x; }
  Arg(double x) { v.vt = SCANIX_VT_R8; v.u.r8 = x; }
  Arg(bool b) { v.vt = SCANIX_VT_BOOL; v.u.boolean = b ? -1 : 0; }
  Arg(const char *s) : text(u16(s)) { v.vt = SCANIX_VT_TEXT; v.u.bstr = text.data(); }
  Arg(const std::string &s) : text(u16(s)) { v.vt = SCANIX_VT_TEXT; v.u.bstr = text.data(); }
  Arg(const std::u16string &s) : text(s) { v.vt = SCANIX_VT_TEXT; v.u.bstr = text.data(); }
  Arg(const Arg &o) : v(o.v), text(o.text) { if (v.vt == SCANIX_VT_TEXT) v.u.bstr = text.data(); }
};

// A control created through the C interface.
class Ctl {
 public:
  Ctl() { EXPECT_EQ(scanix_create("ScanixLibCtl.Scanix", &o), 0); }
  ~Ctl() { if (o) scanix_release(o); }
  Ctl(const Ctl &) = delete;
  scanix *o = nullptr;

  int invoke(int32_t id, uint16_t flags, std::vector<Arg> args, scanix_variant *res) {
    std::vector<scanix_variant> a;
    for (Arg &x : args) a.push_back(x.v);
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i].vt == SCANIX_VT_TEXT) a[i].u.bstr = args[i].text.data();
    return scanix_invoke(o, id, flags, a.data(), static_cast<uint32_t>(a.size()), res);
  }
  int put(int32_t id, Arg v) { return invoke(id, SCANIX_DISPATCH_PROPERTYPUT, {v}, nullptr); }
  int putAt(int32_t id, Arg idx, Arg v) { return invoke(id, SCANIX_DISPATCH_PROPERTYPUT, {idx, v}, nullptr); }
  scanix_variant get(int32_t id, std::vector<Arg> args = {}, int *rc = nullptr) {
    scanix_variant r{};
    int x = invoke(id, SCANIX_DISPATCH_PROPERTYGET, std::move(args), &r);
    if (rc) *rc = x;
    else EXPECT_EQ(x, 0) << "get dispid " << id;
    return r;
  }
  std::string text(int32_t id, std::vector<Arg> args = {}) {
    scanix_variant r = get(id, std::move(args));
    EXPECT_EQ(r.vt, SCANIX_VT_TEXT);
    std::string s = r.vt == SCANIX_VT_TEXT && r.u.bstr ? u8(std::u16string(r.u.bstr, scanix_text_length(r.u.bstr))) : "";
    scanix_variant_clear(&r);
    return s;
  }
  std::u16string text16(int32_t id, std::vector<Arg> args = {}) {
    scanix_variant r = get(id, std::move(args));
    std::u16string s = r.vt == SCANIX_VT_TEXT && r.u.bstr ? std::u16string(r.u.bstr, scanix_text_length(r.u.bstr)) : u"";
    scanix_variant_clear(&r);
    return s;
  }
  long num(int32_t id, std::vector<Arg> args = {}) {
    scanix_variant r = get(id, std::move(args));
    switch (r.vt) {
      case SCANIX_VT_I2: return r.u.i2;
      case SCANIX_VT_I4: return r.u.i4;
      case SCANIX_VT_BOOL: return r.u.boolean;
    }
    ADD_FAILURE() << "not a number, vt " << r.vt;
    return -99999;
  }
  double real(int32_t id, std::vector<Arg> args = {}) {
    scanix_variant r = get(id, std::move(args));
    EXPECT_EQ(r.vt, SCANIX_VT_R8);
    return r.u.r8;
  }
  // Shorthands
  std::string F(int n) { return text(SCANIX_DISPID_F, {Arg(n)}); }
  int NF() { return static_cast<int>(num(SCANIX_DISPID_NF)); }
  int Error() { return static_cast<int>(num(SCANIX_DISPID_ERROR)); }
  int RN() { return static_cast<int>(num(SCANIX_DISPID_RN)); }
  std::string L() { return text(SCANIX_DISPID_L); }
  void setL(const std::string &s) { EXPECT_EQ(put(SCANIX_DISPID_L, Arg(s)), 0); }
  void setFS(const std::string &s) { EXPECT_EQ(put(SCANIX_DISPID_FS, Arg(s)), 0); }
  double Eval(const std::string &e) { return real(SCANIX_DISPID_EVAL, {Arg(e)}); }
  void action(int a) { EXPECT_EQ(put(SCANIX_DISPID_ACTION, Arg(a)), 0); }
};

// Temporary file, removed at the end of the test.
class TempFile {
 public:
  explicit TempFile(const std::string &content, const char *suffix = ".txt") {
    char tmpl[] = "/tmp/scanix_test_XXXXXX";
    int fd = mkstemp(tmpl);
    path = tmpl;
    if (fd >= 0) {
      size_t off = 0;
      while (off < content.size()) {
        ssize_t w = write(fd, content.data() + off, content.size() - off);
        if (w <= 0) break;
        off += static_cast<size_t>(w);
      }
      close(fd);
    }
    (void)suffix;
  }
  ~TempFile() { unlink(path.c_str()); }
  std::string path;
};

// Records the events in order, with RN at each Scan.
struct Recorder {
  std::vector<std::string> events;
  scanix *obj = nullptr;
  std::function<void(Recorder &)> onScan;
  std::function<void(const char16_t *, double *, int16_t *)> onVariable;
  static void begin(void *c) { static_cast<Recorder *>(c)->events.push_back("Begin"); }
  static void scan(void *c) {
    auto *r = static_cast<Recorder *>(c);
    scanix_variant v{};
    scanix_invoke(r->obj, SCANIX_DISPID_RN, SCANIX_DISPATCH_PROPERTYGET, nullptr, 0, &v);
    r->events.push_back("Scan" + std::to_string(v.u.i4));
    if (r->onScan) r->onScan(*r);
  }
  static void end(void *c) { static_cast<Recorder *>(c)->events.push_back("End"); }
  static void error(void *c) {
    auto *r = static_cast<Recorder *>(c);
    scanix_variant v{};
    scanix_invoke(r->obj, SCANIX_DISPID_ERROR, SCANIX_DISPATCH_PROPERTYGET, nullptr, 0, &v);
    r->events.push_back("Error" + std::to_string(v.u.i4));
  }
  static void variable(void *c, const char16_t *name, double *value, int16_t *accept) {
    auto *r = static_cast<Recorder *>(c);
    r->events.push_back("Variable:" + u8(name));
    if (r->onVariable) r->onVariable(name, value, accept);
  }
  uint32_t attach(scanix *o) {
    obj = o;
    scanix_events ev{this, begin, scan, end, error, variable};
    uint32_t cookie = 0;
    EXPECT_EQ(scanix_advise(o, &ev, &cookie), 0);
    return cookie;
  }
  std::string joined() const {
    std::string s;
    for (auto &e : events) s += (s.empty() ? "" : " ") + e;
    return s;
  }
};

// A file's bytes, whole.
inline std::string slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

#ifdef SCANIX_REGRESSION_DIR
// The saved inputs of one fuzz target (regressions/<target>/*), by name.
inline std::vector<std::string> regressionFiles(const std::string &target) {
  std::vector<std::string> out;
  const std::string dir = std::string(SCANIX_REGRESSION_DIR) + "/" + target;
  if (DIR *d = opendir(dir.c_str())) {
    while (dirent *e = readdir(d))
      if (e->d_name[0] != '.') out.push_back(dir + "/" + e->d_name);
    closedir(d);
  }
  std::sort(out.begin(), out.end());
  return out;
}
#endif

}  // namespace sxt
