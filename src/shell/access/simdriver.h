#pragma once
// The driver for "sim:NAME" services: connections to the simulated Oracle instance.
#include "driver.h"

// The namespace sits in an inline namespace because POSIX declares a function
// ::access() (unistd.h, pulled in by <memory>); write access::OraSession as usual, and
// forward-declare through accessfwd.h, never with a bare "namespace access {".
inline namespace sqlvigil {
namespace access {

class SimDriver : public Driver {
public:
    // `service` is the text after "sim:".
    std::unique_ptr<DriverConnection> open(const std::string &service, const std::string &user,
                                           const std::string &password) override;
};

// The driver for real servers until the Oracle client library driver is installed:
// every connect fails with a clear message, never a crash.
class UnavailableClientDriver : public Driver {
public:
    std::unique_ptr<DriverConnection> open(const std::string &service, const std::string &user,
                                           const std::string &password) override;
};

} // namespace access
} // namespace sqlvigil
