#include "regfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scx::reg {

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::string defaultPath() {
  const char *env = getenv("SCANIX_REGISTRY");
  if (env && *env) return env;
  std::string base;
  const char *xdg = getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg) {
    base = xdg;
  } else {
    const char *home = getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.config";
  }
  return base + "/sqlvigil/components.reg";
}

namespace {
std::string unquote(std::string_view s, bool &ok) {
  ok = false;
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') return {};
  std::string r;
  for (size_t i = 1; i + 1 < s.size(); ++i) {
    char c = s[i];
    if (c == '\\' && i + 2 < s.size()) {
      c = s[++i];
      if (c == 'n') c = '\n';
    }
    r.push_back(c);
  }
  ok = true;
  return r;
}
std::string quote(std::string_view s) {
  std::string r = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') r.push_back('\\');
    if (c == '\n') {
      r += "\\n";
      continue;
    }
    r.push_back(c);
  }
  r.push_back('"');
  return r;
}
std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}
bool mkdirs(const std::string &dir) {
  if (dir.empty()) return true;
  struct stat st;
  if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !mkdirs(dir.substr(0, slash))) return false;
  return mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST;
}
}  // namespace

void File::parse(std::string_view text) {
  keys.clear();
  Key *cur = nullptr;
  while (!text.empty()) {
    size_t nl = text.find('\n');
    std::string_view line = trim(text.substr(0, nl));
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    if (line.empty() || line.front() == ';' || line == "REGEDIT4") continue;
    if (line.front() == '[' && line.back() == ']') {
      cur = &ensure(line.substr(1, line.size() - 2));
      continue;
    }
    if (!cur) continue;
    size_t eq = std::string_view::npos;
    std::string name;
    bool ok = true;
    if (line.front() == '@') {
      eq = line.find('=');
    } else if (line.front() == '"') {
      // the name's closing quote
      size_t i = 1;
      for (; i < line.size(); ++i) {
        if (line[i] == '\\') { ++i; continue; }
        if (line[i] == '"') break;
      }
      if (i >= line.size()) continue;
      name = unquote(line.substr(0, i + 1), ok);
      eq = line.find('=', i + 1);
    }
    if (eq == std::string_view::npos || !ok) continue;
    std::string_view v = trim(line.substr(eq + 1));
    if (v.substr(0, 6) == "dword:") {
      Value val{name, std::string(v.substr(6)), true};
      bool found = false;
      for (Value &x : cur->values)
        if (iequals(x.name, name)) { x = val; found = true; }
      if (!found) cur->values.push_back(val);
      continue;
    }
    std::string data = unquote(v, ok);
    if (!ok) continue;
    bool found = false;
    for (Value &x : cur->values)
      if (iequals(x.name, name)) { x = Value{name, data, false}; found = true; }
    if (!found) cur->values.push_back(Value{name, data, false});
  }
}

bool File::load(const std::string &path) {
  keys.clear();
  FILE *f = fopen(path.c_str(), "rb");
  if (!f) return errno == ENOENT;
  std::string text;
  char buf[8192];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  bool err = ferror(f);
  fclose(f);
  if (err) return false;
  parse(text);
  return true;
}

std::string File::serialize() const {
  std::string o = "REGEDIT4\n";
  for (const Key &k : keys) {
    o += "\n[" + k.path + "]\n";
    for (const Value &v : k.values) {
      o += v.name.empty() ? std::string("@") : quote(v.name);
      o += "=";
      o += v.dword ? "dword:" + v.data : quote(v.data);
      o += "\n";
    }
  }
  return o;
}

bool File::save(const std::string &path) const {
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !mkdirs(path.substr(0, slash))) return false;
  std::string tmp = path + ".tmp." + std::to_string(getpid());
  FILE *f = fopen(tmp.c_str(), "wb");
  if (!f) return false;
  std::string text = serialize();
  bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = (fclose(f) == 0) && ok;
  if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
    unlink(tmp.c_str());
    return false;
  }
  return true;
}

Key *File::find(std::string_view path) {
  for (Key &k : keys)
    if (iequals(k.path, path)) return &k;
  return nullptr;
}

const Key *File::find(std::string_view path) const {
  for (const Key &k : keys)
    if (iequals(k.path, path)) return &k;
  return nullptr;
}

Key &File::ensure(std::string_view path) {
  if (Key *k = find(path)) return *k;
  keys.push_back(Key{std::string(path), {}});
  return keys.back();
}

void File::set(std::string_view path, std::string_view name, std::string_view data, bool dword) {
  Key &k = ensure(path);
  for (Value &v : k.values)
    if (iequals(v.name, name)) {
      v.data = std::string(data);
      v.dword = dword;
      return;
    }
  k.values.push_back(Value{std::string(name), std::string(data), dword});
}

const Value *File::get(std::string_view path, std::string_view name) const {
  const Key *k = find(path);
  if (!k) return nullptr;
  for (const Value &v : k->values)
    if (iequals(v.name, name)) return &v;
  return nullptr;
}

size_t File::removeTree(std::string_view path) {
  size_t before = keys.size();
  std::vector<Key> kept;
  for (Key &k : keys) {
    bool inside = iequals(k.path, path) ||
                  (k.path.size() > path.size() && k.path[path.size()] == '\\' &&
                   iequals(std::string_view(k.path).substr(0, path.size()), path));
    if (!inside) kept.push_back(std::move(k));
  }
  keys.swap(kept);
  return before - keys.size();
}

int lockFor(const std::string &path) {
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) mkdirs(path.substr(0, slash));
  int fd = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  while (flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      close(fd);
      return -1;
    }
  }
  return fd;
}

void unlock(int fd) {
  if (fd >= 0) {
    flock(fd, LOCK_UN);
    close(fd);
  }
}

}  // namespace scx::reg
