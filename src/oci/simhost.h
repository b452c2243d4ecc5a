#pragma once
// The simulated instances of this process served on a local socket, so that the
// conformance client library in a client process reaches the very instances this
// process's tests prepare and inspect (statement log, faults, clock).
#include <cstdint>
#include <string>

namespace oci {

// Starts the listener once per process (later calls return the same path); the
// socket's path, to hand to the client process as SQLVIGIL_STANDIN_HOST.
std::string startSimHost();

// Connects to a host at `path` and opens a connection there (the conformance client
// library's side). Throws OraError.
int attachToHost(const std::string &path, std::uint32_t &id);
void breakOnHost(const std::string &path, std::uint32_t id);

} // namespace oci
