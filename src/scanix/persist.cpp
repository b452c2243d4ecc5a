// Persistence of the Scanix control: stream form, property bag, storage ("Contents").
//
// Stream layout (little-endian): uint32 0x00000300, then per property in the order
// Version, FileName, FS, Case, MatchQuotes, FileType, FilterQuotes, AngleUnits a uint16 variant
// type followed by the value: type 2 int16; type 3 int32; type 11 int16 (0 / -1); type 8 uint32
// byte length counting the two-byte terminator, the UTF-16 units and the terminator (an empty
// text: length 0 and nothing else).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "capi_internal.h"

using namespace scx::capi;

namespace {

constexpr uint32_t kFormat = 0x00000300;
constexpr int kNumProps = 8;
const char16_t *const kPropNames[kNumProps] = {u"Version",     u"FileName", u"FS",
                                               u"Case",        u"MatchQuotes", u"FileType",
                                               u"FilterQuotes", u"AngleUnits"};

// The current values of the eight persisted properties, as variants (texts library-owned).
struct Snapshot {
  scanix_variant v[kNumProps];
  bool ok = true;
  explicit Snapshot(scx::Scanix &c) {
    const scx::Charset &cs = c.charset();
    int16_t i2;
    bool b;
    std::string s;
    c.get_Version(i2);
    v[0].vt = SCANIX_VT_I2;
    v[0].u.i2 = i2;
    auto text = [&](int k, const std::string &x) {
      v[k].vt = SCANIX_VT_TEXT;
      v[k].u.bstr = newText(cs, x);
    };
    auto enumeration = [&](int k, int16_t x) {
      v[k].vt = SCANIX_VT_I4;
      v[k].u.i4 = x;
    };
    auto boolean = [&](int k, bool x) {
      v[k].vt = SCANIX_VT_BOOL;
      v[k].u.boolean = x ? -1 : 0;
    };
    c.get_FileName(s);
    text(1, s);
    c.get_FS(s);
    text(2, s);
    c.get_Case(i2);
    enumeration(3, i2);
    c.get_MatchQuotes(b);
    boolean(4, b);
    c.get_FileType(i2);
    enumeration(5, i2);
    c.get_FilterQuotes(b);
    boolean(6, b);
    c.get_AngleUnits(i2);
    enumeration(7, i2);
    ok = v[1].u.bstr && v[2].u.bstr;
  }
  ~Snapshot() {
    for (auto &x : v) scanix_variant_clear(&x);
  }
};

void put16(std::string &o, uint16_t x) {
  o.push_back(static_cast<char>(x & 0xFF));
  o.push_back(static_cast<char>(x >> 8));
}
void put32(std::string &o, uint32_t x) {
  for (int i = 0; i < 4; ++i) o.push_back(static_cast<char>((x >> (8 * i)) & 0xFF));
}

void writeVariant(std::string &o, const scanix_variant &v) {
  put16(o, v.vt);
  switch (v.vt) {
    case SCANIX_VT_I2: put16(o, static_cast<uint16_t>(v.u.i2)); break;
    case SCANIX_VT_BOOL: put16(o, static_cast<uint16_t>(v.u.boolean)); break;
    case SCANIX_VT_I4: put32(o, static_cast<uint32_t>(v.u.i4)); break;
    case SCANIX_VT_TEXT: {
      uint32_t n = scanix_text_length(v.u.bstr);
      if (n == 0) {
        put32(o, 0);
        break;
      }
      put32(o, (n + 1) * 2);
      for (uint32_t i = 0; i <= n; ++i) put16(o, v.u.bstr[i]);  // with the terminator
      break;
    }
  }
}

std::string serialize(scx::Scanix &c, bool &ok) {
  Snapshot s(c);
  std::string o;
  ok = s.ok;
  if (!ok) return o;
  put32(o, kFormat);
  for (auto &v : s.v) writeVariant(o, v);
  return o;
}

// A variant read from a stream; its text (if any) lives in `text`.
struct ReadVariant {
  scanix_variant v{};
  std::u16string text;
};

class Reader {
 public:
  Reader(const unsigned char *p, size_t n) : p_(p), e_(p + n) {}
  bool u16(uint16_t &x) {
    if (e_ - p_ < 2) return false;
    x = static_cast<uint16_t>(p_[0] | (p_[1] << 8));
    p_ += 2;
    return true;
  }
  bool u32(uint32_t &x) {
    if (e_ - p_ < 4) return false;
    x = static_cast<uint32_t>(p_[0]) | (static_cast<uint32_t>(p_[1]) << 8) |
        (static_cast<uint32_t>(p_[2]) << 16) | (static_cast<uint32_t>(p_[3]) << 24);
    p_ += 4;
    return true;
  }
  bool u64(uint64_t &x) {
    uint32_t a, b;
    if (!u32(a) || !u32(b)) return false;
    x = a | (static_cast<uint64_t>(b) << 32);
    return true;
  }
  bool variant(ReadVariant &r) {
    uint16_t vt;
    if (!u16(vt)) return false;
    uint16_t x16;
    uint32_t x32;
    uint64_t x64;
    switch (vt) {
      case 0: r.v.vt = SCANIX_VT_EMPTY; return true;
      case 2: if (!u16(x16)) return false; r.v.vt = SCANIX_VT_I2; r.v.u.i2 = static_cast<int16_t>(x16); return true;
      case 11: if (!u16(x16)) return false; r.v.vt = SCANIX_VT_BOOL; r.v.u.boolean = x16 ? -1 : 0; return true;
      case 3: if (!u32(x32)) return false; r.v.vt = SCANIX_VT_I4; r.v.u.i4 = static_cast<int32_t>(x32); return true;
      case 16: case 17: {  // VT_I1, VT_UI1
        if (e_ - p_ < 1) return false;
        int v = vt == 16 ? static_cast<signed char>(*p_) : *p_;
        ++p_;
        r.v.vt = SCANIX_VT_I4;
        r.v.u.i4 = v;
        return true;
      }
      case 18: if (!u16(x16)) return false; r.v.vt = SCANIX_VT_I4; r.v.u.i4 = x16; return true;
      case 4: {  // VT_R4
        if (!u32(x32)) return false;
        float f;
        memcpy(&f, &x32, 4);
        r.v.vt = SCANIX_VT_R8;
        r.v.u.r8 = f;
        return true;
      }
      case 5: {
        if (!u64(x64)) return false;
        r.v.vt = SCANIX_VT_R8;
        memcpy(&r.v.u.r8, &x64, 8);
        return true;
      }
      case 8: {
        if (!u32(x32)) return false;
        r.text.clear();
        if (x32 != 0) {
          if (x32 % 2 != 0 || x32 < 2 || static_cast<size_t>(e_ - p_) < x32) return false;
          size_t units = x32 / 2 - 1;  // without the terminator
          r.text.reserve(units);
          for (size_t i = 0; i < units; ++i) {
            char16_t c = static_cast<char16_t>(p_[2 * i] | (p_[2 * i + 1] << 8));
            if (c == 0) break;  // a text ends at its first null unit
            r.text.push_back(c);
          }
          p_ += x32;
        }
        r.v.vt = SCANIX_VT_TEXT;
        r.v.u.bstr = nullptr;  // set by the caller once `r` is in its final place
        return true;
      }
    }
    return false;
  }
  size_t consumed(const unsigned char *start) const { return static_cast<size_t>(p_ - start); }

 private:
  const unsigned char *p_;
  const unsigned char *e_;
};

int loadFrom(scanix *o, const void *data, size_t size) {
  if (!data && size) return SCANIX_E_INVALID_ARG;
  Reader rd(static_cast<const unsigned char *>(data), size);
  uint32_t fmt;
  if (!rd.u32(fmt)) return SCANIX_E_FORMAT;
  if (fmt > kFormat) return SCANIX_E_FORMAT;
  ReadVariant vals[kNumProps];
  for (auto &v : vals)
    if (!rd.variant(v)) return SCANIX_E_FORMAT;
  for (int i = 0; i < kNumProps; ++i) {
    if (vals[i].v.vt == SCANIX_VT_TEXT) vals[i].v.u.bstr = vals[i].text.data();
    int r = applyProperty(o, i, vals[i].v);
    if (r) return r;
  }
  o->core.setDirty(false);
  return SCANIX_OK;
}

bool writeFile(const std::string &path, const std::string &bytes) {
  std::string tmp = path + ".tmp";
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t off = 0;
  while (off < bytes.size()) {
    ssize_t w = ::write(fd, bytes.data() + off, bytes.size() - off);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      ::close(fd);
      unlink(tmp.c_str());
      return false;
    }
    off += static_cast<size_t>(w);
  }
  if (::close(fd) != 0 || rename(tmp.c_str(), path.c_str()) != 0) {
    unlink(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace

namespace scx::capi {

// Applies property number `index` (0 Version .. 7 AngleUnits) through its put operation.
int applyProperty(::scanix *o, int index, const scanix_variant &v) {
  scx::Scanix &c = o->core;
  const scx::Charset &cs = c.charset();
  int r;
  int16_t i2;
  int32_t i4;
  bool b;
  std::string s;
  switch (index) {
    case 0:
      if ((r = toI2(v, i2))) return r;
      return c.put_Version(i2);
    case 1:
      if ((r = toText(v, cs, s))) return r;
      return c.put_FileName(s);
    case 2:
      if ((r = toText(v, cs, s))) return r;
      return c.put_FS(s);
    case 3: case 5: case 7:
      if ((r = toI4(v, i4))) return r;
      if (i4 < -32768 || i4 > 32767) return SCANIX_E_INVALID_PROPERTY_VALUE;
      i2 = static_cast<int16_t>(i4);
      return index == 3 ? c.put_Case(i2) : index == 5 ? c.put_FileType(i2) : c.put_AngleUnits(i2);
    case 4: case 6:
      if ((r = toBool(v, b))) return r;
      return index == 4 ? c.put_MatchQuotes(b) : c.put_FilterQuotes(b);
  }
  return SCANIX_E_INVALID_ARG;
}

}  // namespace scx::capi

extern "C" {

SCANIX_API int scanix_is_dirty(scanix *obj) {
  if (!obj) return SCANIX_E_INVALID_ARG;
  return obj->core.isDirty() ? 1 : 0;
}

SCANIX_API int scanix_init_new(scanix *obj) {
  if (!obj) return SCANIX_E_INVALID_ARG;
  obj->core.initNew();
  return SCANIX_OK;
}

SCANIX_API void scanix_free(void *data) { free(data); }

SCANIX_API int scanix_save_stream(scanix *obj, int clear_dirty, void **data, size_t *size) {
  if (!obj || !data || !size) return SCANIX_E_INVALID_ARG;
  *data = nullptr;
  *size = 0;
  bool ok;
  std::string bytes = serialize(obj->core, ok);
  if (!ok) return SCANIX_E_OUT_OF_MEMORY;
  void *p = malloc(bytes.size());
  if (!p) return SCANIX_E_OUT_OF_MEMORY;
  memcpy(p, bytes.data(), bytes.size());
  *data = p;
  *size = bytes.size();
  if (clear_dirty) obj->core.setDirty(false);
  return SCANIX_OK;
}

SCANIX_API int scanix_load_stream(scanix *obj, const void *data, size_t size) {
  if (!obj) return SCANIX_E_INVALID_ARG;
  if (obj->released) return SCANIX_E_RELEASED;
  CallGuard guard(obj);
  return loadFrom(obj, data, size);
}

SCANIX_API int scanix_get_size_max(scanix *obj, uint64_t *size) {
  if (!obj || !size) return SCANIX_E_INVALID_ARG;
  bool ok;
  std::string bytes = serialize(obj->core, ok);
  if (!ok) return SCANIX_E_OUT_OF_MEMORY;
  *size = bytes.size();
  return SCANIX_OK;
}

SCANIX_API int scanix_save_property_bag(scanix *obj, scanix_bag_write_fn write, void *context,
                                        int clear_dirty) {
  if (!obj || !write) return SCANIX_E_INVALID_ARG;
  if (obj->released) return SCANIX_E_RELEASED;
  CallGuard guard(obj);
  Snapshot s(obj->core);
  if (!s.ok) return SCANIX_E_OUT_OF_MEMORY;
  for (int i = 0; i < kNumProps; ++i) {
    int r = write(context, kPropNames[i], &s.v[i]);
    if (r) return r < 0 ? r : SCANIX_E_IO;
  }
  if (clear_dirty) obj->core.setDirty(false);
  return SCANIX_OK;
}

SCANIX_API int scanix_load_property_bag(scanix *obj, scanix_bag_read_fn read, void *context) {
  if (!obj || !read) return SCANIX_E_INVALID_ARG;
  if (obj->released) return SCANIX_E_RELEASED;
  CallGuard guard(obj);
  for (int i = 0; i < kNumProps; ++i) {
    scanix_variant v{};
    int r = read(context, kPropNames[i], &v);
    if (r == 1) continue;  // absent: keep the current value
    if (r < 0) return r;
    if (r != 0) return SCANIX_E_IO;
    r = applyProperty(obj, i, v);
    if (r) return r;
  }
  obj->core.setDirty(false);
  return SCANIX_OK;
}

SCANIX_API int scanix_save_storage(scanix *obj, const char *storage_path, int clear_dirty) {
  if (!obj || !storage_path || !*storage_path) return SCANIX_E_INVALID_ARG;
  struct stat st;
  if (stat(storage_path, &st) == 0) {
    if (!S_ISDIR(st.st_mode)) return SCANIX_E_IO;
  } else if (mkdir(storage_path, 0755) != 0) {
    return SCANIX_E_IO;
  }
  bool ok;
  std::string bytes = serialize(obj->core, ok);
  if (!ok) return SCANIX_E_OUT_OF_MEMORY;
  if (!writeFile(std::string(storage_path) + "/Contents", bytes)) return SCANIX_E_IO;
  if (clear_dirty) obj->core.setDirty(false);
  return SCANIX_OK;
}

SCANIX_API int scanix_load_storage(scanix *obj, const char *storage_path) {
  if (!obj || !storage_path) return SCANIX_E_INVALID_ARG;
  if (obj->released) return SCANIX_E_RELEASED;
  std::string path = std::string(storage_path) + "/Contents";
  // Only a regular file is a stream: a FIFO or device named Contents would block the
  // read (or never end), so it is refused without being read. O_NONBLOCK keeps the open
  // itself from waiting for a FIFO's writer.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return SCANIX_E_IO;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return SCANIX_E_IO;
  }
  std::string bytes;
  char buf[65536];
  for (;;) {
    ssize_t r = ::read(fd, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      ::close(fd);
      return SCANIX_E_IO;
    }
    if (r == 0) break;
    bytes.append(buf, static_cast<size_t>(r));
    if (bytes.size() > (size_t(64) << 20)) {  // no sane control stream is that large
      ::close(fd);
      return SCANIX_E_FORMAT;
    }
  }
  ::close(fd);
  CallGuard guard(obj);
  return loadFrom(obj, bytes.data(), bytes.size());
}

}  // extern "C"
