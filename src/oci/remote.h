#pragma once
// A connection served at the other end of a socket: the console's side of a client
// process's connection, and the server loop that runs one connection over a Driver.
#include "driver.h"

#include <functional>
#include <memory>
#include <string>

namespace oci {

// Rows asked of the far side per round trip when the caller asks for fewer.
constexpr std::size_t kBatchRows = 256;

// Opens a connection over a connected socket `fd` (owned from here on): sends the
// Open request and waits for its answer. `sendBreak` interrupts the call in progress
// by another way than the busy socket (the process's control socket). Throws OraError;
// a socket that closes at any point reports ORA-03113, later calls ORA-03114.
std::unique_ptr<access::DriverConnection> openRemote(int fd, std::function<void()> sendBreak,
                                                     const std::string &service, const std::string &user,
                                                     const std::string &password);

// Serves one connection on `fd` until it is closed or the socket ends. `opened` is
// called with the connection once Open succeeded (to make it reachable for breaks) and
// `closing` before it goes away.
void serveConnection(int fd, access::Driver &driver,
                     const std::function<void(access::DriverConnection *)> &opened,
                     const std::function<void(access::DriverConnection *)> &closing);

} // namespace oci
