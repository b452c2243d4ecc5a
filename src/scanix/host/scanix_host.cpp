#include "scanix_host.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <unistd.h>
#include <utility>
#include <vector>

#include "../regfile.h"

namespace scx {

struct Host::Api {
  void *handle = nullptr;
  std::string path;
  bool fromRegistry = false;
  int (*create)(const char *, ::scanix **) = nullptr;
  void (*release)(::scanix *) = nullptr;
  int (*invoke)(::scanix *, int32_t, uint16_t, const scanix_variant *, uint32_t,
                scanix_variant *) = nullptr;
  int (*getDispid)(::scanix *, const char16_t *, int32_t *) = nullptr;
  void (*variantClear)(scanix_variant *) = nullptr;
  uint32_t (*textLength)(const char16_t *) = nullptr;
};

namespace {

std::mutex g_mutex;
std::vector<Host::Api *> *g_loaded;  // loaded libraries, kept for the life of the process

std::string dirOf(const std::string &p) {
  size_t s = p.find_last_of('/');
  return s == std::string::npos ? std::string(".") : p.substr(0, s);
}

std::string exeDir() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  buf[n] = 0;
  return dirOf(buf);
}

std::string selfDir() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void *>(&hostRegistryLookup), &info) || !info.dli_fname) return {};
  char buf[PATH_MAX];
  if (realpath(info.dli_fname, buf)) return dirOf(buf);
  return dirOf(info.dli_fname);
}

template <class T>
bool sym(void *h, const char *name, T &out) {
  out = reinterpret_cast<T>(dlsym(h, name));
  return out != nullptr;
}

}  // namespace

std::string hostRegistryLookup(const char *className) {
  reg::File f;
  if (!f.load(reg::defaultPath())) return {};
  const std::string root = "HKEY_CLASSES_ROOT\\";
  std::string clsid;
  if (className && className[0] == '{') {
    clsid = className;
  } else {
    std::string progid = className ? className : SCANIX_CLASS_NAME;
    // follow CurVer of a version-independent ProgID
    if (const reg::Value *cur = f.get(root + progid + "\\CurVer"); cur && !cur->data.empty()) {
      if (f.get(root + cur->data + "\\CLSID")) progid = cur->data;
    }
    const reg::Value *v = f.get(root + progid + "\\CLSID");
    if (!v) return {};
    clsid = v->data;
  }
  const reg::Value *p = f.get(root + "CLSID\\" + clsid + "\\InprocServer32");
  return p ? p->data : std::string();
}

static const Host::Api *loadApi(const std::string &path, bool fromRegistry, std::string &err) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_loaded) g_loaded = new std::vector<Host::Api *>;
  for (Host::Api *a : *g_loaded)
    if (a->path == path) return a;
  void *h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char *e = dlerror();
    err += path + ": " + (e ? e : "cannot load") + "\n";
    return nullptr;
  }
  auto *a = new Host::Api;
  a->handle = h;
  a->path = path;
  a->fromRegistry = fromRegistry;
  if (!sym(h, "scanix_create", a->create) || !sym(h, "scanix_release", a->release) ||
      !sym(h, "scanix_invoke", a->invoke) || !sym(h, "scanix_get_dispid", a->getDispid) ||
      !sym(h, "scanix_variant_clear", a->variantClear) ||
      !sym(h, "scanix_text_length", a->textLength)) {
    err += path + ": not a Scanix library\n";
    dlclose(h);
    delete a;
    return nullptr;
  }
  g_loaded->push_back(a);
  return a;
}

Host::~Host() {
  if (obj_ && api_) api_->release(obj_);
}

Host::Host(Host &&o) noexcept
    : obj_(std::exchange(o.obj_, nullptr)), api_(std::exchange(o.api_, nullptr)),
      error_(std::move(o.error_)) {}

Host &Host::operator=(Host &&o) noexcept {
  if (this != &o) {
    if (obj_ && api_) api_->release(obj_);
    obj_ = std::exchange(o.obj_, nullptr);
    api_ = std::exchange(o.api_, nullptr);
    error_ = std::move(o.error_);
  }
  return *this;
}

const std::string &Host::libraryPath() const {
  static const std::string none;
  return api_ ? api_->path : none;
}

bool Host::fromRegistry() const { return api_ && api_->fromRegistry; }

bool Host::create(const char *className) {
  if (obj_) {
    api_->release(obj_);
    obj_ = nullptr;
    api_ = nullptr;
  }
  error_.clear();
  std::vector<std::pair<std::string, bool>> candidates;
  std::string registered = hostRegistryLookup(className);
  if (!registered.empty()) candidates.emplace_back(registered, true);
  else error_ += std::string("class ") + (className ? className : "?") + " is not registered in " +
                 reg::defaultPath() + "\n";
  // Fallback: the library beside the program's binaries.
  std::string exe = exeDir(), self = selfDir();
  for (const std::string &d : {exe, exe + "/../lib", self})
    if (!d.empty()) candidates.emplace_back(d + "/libscanix.so", false);
  for (auto &[path, viaRegistry] : candidates) {
    if (access(path.c_str(), R_OK) != 0) continue;
    const Api *a = loadApi(path, viaRegistry, error_);
    if (!a) continue;
    ::scanix *o = nullptr;
    int r = a->create(className, &o);
    if (r == 0 && o) {
      obj_ = o;
      api_ = a;
      return true;
    }
    error_ += path + ": scanix_create failed with " + std::to_string(r) + "\n";
  }
  if (error_.empty()) error_ = "libscanix.so not found\n";
  return false;
}

int Host::invoke(int32_t id, uint16_t flags, const scanix_variant *args, uint32_t nargs,
                 scanix_variant *result) {
  if (!obj_) return SCANIX_E_INVALID_ARG;
  return api_->invoke(obj_, id, flags, args, nargs, result);
}

int Host::dispid(std::u16string_view name) {
  if (!obj_) return -1;
  std::u16string n(name);
  int32_t id = 0;
  return api_->getDispid(obj_, n.c_str(), &id) == 0 ? id : -1;
}

namespace {
scanix_variant textArg(std::u16string &holder, std::u16string_view s) {
  holder.assign(s);
  scanix_variant v{};
  v.vt = SCANIX_VT_TEXT;
  v.u.bstr = holder.data();
  return v;
}
}  // namespace

bool Host::setSeparators(std::u16string_view fs) {
  std::u16string h;
  scanix_variant v = textArg(h, fs);
  return invoke(SCANIX_DISPID_FS, SCANIX_DISPATCH_PROPERTYPUT, &v, 1, nullptr) == 0;
}

static bool putInt(Host &h, int32_t id, int value) {
  scanix_variant v{};
  v.vt = SCANIX_VT_I4;
  v.u.i4 = value;
  return h.invoke(id, SCANIX_DISPATCH_PROPERTYPUT, &v, 1, nullptr) == 0;
}

bool Host::setCase(int c) { return putInt(*this, SCANIX_DISPID_CASE, c); }
bool Host::setMatchQuotes(bool on) { return putInt(*this, SCANIX_DISPID_MATCHQUOTES, on ? -1 : 0); }
bool Host::setFilterQuotes(bool on) { return putInt(*this, SCANIX_DISPID_FILTERQUOTES, on ? -1 : 0); }

bool Host::setLine(std::u16string_view text) {
  std::u16string h;
  scanix_variant v = textArg(h, text);
  return invoke(SCANIX_DISPID_L, SCANIX_DISPATCH_PROPERTYPUT, &v, 1, nullptr) == 0;
}

std::u16string Host::field(int n) {
  scanix_variant idx{}, res{};
  idx.vt = SCANIX_VT_I4;
  idx.u.i4 = n;
  std::u16string out;
  if (invoke(SCANIX_DISPID_F, SCANIX_DISPATCH_PROPERTYGET, &idx, 1, &res) == 0 &&
      res.vt == SCANIX_VT_TEXT && res.u.bstr)
    out.assign(res.u.bstr, api_->textLength(res.u.bstr));
  if (api_) api_->variantClear(&res);
  return out;
}

int Host::fieldCount() {
  scanix_variant res{};
  if (invoke(SCANIX_DISPID_NF, SCANIX_DISPATCH_PROPERTYGET, nullptr, 0, &res) != 0) return 0;
  return res.vt == SCANIX_VT_I2 ? res.u.i2 : 0;
}

int Host::error() {
  scanix_variant res{};
  if (invoke(SCANIX_DISPID_ERROR, SCANIX_DISPATCH_PROPERTYGET, nullptr, 0, &res) != 0) return -1;
  return res.vt == SCANIX_VT_I4 ? res.u.i4 : -1;
}

}  // namespace scx
