// The component registry file: a text file in the REGEDIT4 form, shared by the component
// (which writes its registration) and the hosts (which look classes up in it).
//
//   REGEDIT4
//
//   [HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32]
//   @="/usr/lib/libscanix.so"
//   "ThreadingModel"="Apartment"
//
// Location: $SCANIX_REGISTRY when set, else ${XDG_CONFIG_HOME:-$HOME/.config}/sqlvigil/components.reg.
// Key paths compare case-insensitively, as in the system registry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scx::reg {

struct Value {
  std::string name;  // "" is the default value (@)
  std::string data;
  bool dword = false;
};

struct Key {
  std::string path;
  std::vector<Value> values;
};

class File {
 public:
  // A missing file loads as empty. Returns false on a read error.
  bool load(const std::string &path);
  void parse(std::string_view text);
  std::string serialize() const;
  // Writes atomically (temporary file and rename), creating the parent directories.
  bool save(const std::string &path) const;

  Key *find(std::string_view path);
  const Key *find(std::string_view path) const;
  Key &ensure(std::string_view path);
  void set(std::string_view path, std::string_view name, std::string_view data, bool dword = false);
  const Value *get(std::string_view path, std::string_view name = {}) const;
  // Removes a key and every key below it. Returns the number removed.
  size_t removeTree(std::string_view path);

  std::vector<Key> keys;
};

std::string defaultPath();
bool iequals(std::string_view a, std::string_view b);
// Takes an exclusive lock for a read-modify-write of the file (returns an fd, -1 on failure).
int lockFor(const std::string &path);
void unlock(int fd);

}  // namespace scx::reg
