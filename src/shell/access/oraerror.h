#pragma once
// The one error type of the access layer. `number()` is the runtime error number the
// error dialog shows in its title (440 for every error the server raised, others for
// local faults such as a bad field name); `serverCode()` is Oracle's own number
// (942 for ORA-00942, 0 when the error did not come from a server) and `what()`
// the server's own message, e.g. "ORA-00942: table or view does not exist".
#include <stdexcept>
#include <string>

// The namespace sits in an inline namespace because POSIX declares a function
// ::access() (unistd.h, pulled in by <memory>); write access::OraSession as usual, and
// forward-declare through accessfwd.h, never with a bare "namespace access {".
inline namespace sqlvigil {
namespace access {

class OraError : public std::runtime_error {
public:
    static constexpr int kAutomationError = 440;

    OraError(int serverCode, const std::string &message, int number = kAutomationError)
        : std::runtime_error(message), m_number(number), m_serverCode(serverCode) {}

    // An error raised by the server: ORA-nnnnn with its text.
    static OraError ora(int code, const std::string &text);

    int number() const { return m_number; }
    int serverCode() const { return m_serverCode; }
    bool fromServer() const { return m_serverCode != 0; }

private:
    int m_number;
    int m_serverCode;
};

} // namespace access
} // namespace sqlvigil
