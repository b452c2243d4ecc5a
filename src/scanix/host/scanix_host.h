// scanix_host.h - the host class through which the console uses the Scanix control.
//
// No Qt, no link to libscanix: the control is created late-bound, by its class name
// "ScanixLibCtl.Scanix" looked up in the component registry file (see scanix.h), falling back to
// the libscanix.so beside the program's binaries when the class is not registered. The windows
// assign the line L and read fields F(n) by dispatch id.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "scanix.h"

namespace scx {

class Host {
 public:
  Host() = default;
  ~Host();
  Host(const Host &) = delete;
  Host &operator=(const Host &) = delete;
  Host(Host &&other) noexcept;
  Host &operator=(Host &&other) noexcept;

  // Creates the control. Returns false (see lastError()) when no library could be loaded.
  bool create(const char *className = SCANIX_CLASS_NAME);
  bool isCreated() const { return obj_ != nullptr; }
  const std::string &lastError() const { return error_; }
  // Path of the library that was loaded, and whether it was found through the registry.
  const std::string &libraryPath() const;
  bool fromRegistry() const;

  // Design-time settings of a hosting window.
  bool setSeparators(std::u16string_view fs);  // FS (dispid 3)
  bool setCase(int caseSetting);               // Case (dispid 4)
  bool setMatchQuotes(bool on);                // MatchQuotes (dispid 11)
  bool setFilterQuotes(bool on);               // FilterQuotes (dispid 13)

  // The console's use: assign the line (dispid 0, put) and read a field (dispid 17, get).
  bool setLine(std::u16string_view text);
  std::u16string field(int n);
  int fieldCount();  // NF (dispid 8)
  int error();       // Error (dispid 6)

  // Late-bound access to every operation of IScanix.
  int invoke(int32_t dispid, uint16_t flags, const scanix_variant *args, uint32_t nargs,
             scanix_variant *result);
  int dispid(std::u16string_view name);  // -1 when unknown
  scanix *object() const { return obj_; }

  struct Api;  // the entry points of one loaded libscanix.so

 private:
  scanix *obj_ = nullptr;
  const Api *api_ = nullptr;
  std::string error_;
};

// Candidate library paths in the order create() tries them (for diagnostics and tests).
std::string hostRegistryLookup(const char *className);

}  // namespace scx
