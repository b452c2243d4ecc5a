#pragma once
// The driver for "sim:NAME" services: connections to the simulated Oracle instance.
#include "driver.h"

#include <string>

// The namespace sits in an inline namespace because POSIX declares a function
// ::access() (unistd.h, pulled in by <memory>); write access::OraSession as usual, and
// forward-declare through accessfwd.h, never with a bare "namespace access {".
inline namespace sqlvigil {
namespace access {

// What the service text asks of the simulated network: "NAME?latency=MS" delays every
// round trip by MS milliseconds, "NAME?hang=1" makes every statement wait until it is
// broken. Both are taken out of `key`, which keeps the instance's own options.
// ORA-12154 when their value is not a whole number.
struct SimWaits {
    int latencyMs = 0;
    bool hang = false;
};
SimWaits takeSimWaits(std::string &key);

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
