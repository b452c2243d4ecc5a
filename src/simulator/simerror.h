#pragma once
// The one error type of the simulated instance: Oracle's number and its full message,
// e.g. code 942, message "ORA-00942: table or view does not exist".
#include <stdexcept>
#include <string>

namespace sim {

class SimError : public std::runtime_error {
public:
    SimError(int code, const std::string &message) : std::runtime_error(message), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

// Oracle's standard text for a number ("table or view does not exist" for 942), or a
// generic text for numbers the instance does not know.
std::string oraText(int code);
// "ORA-00942: table or view does not exist"; `detail` replaces the standard text.
SimError oraError(int code, const std::string &detail = std::string());
// ORA-00904: "NAME": invalid identifier
SimError invalidIdentifier(const std::string &name);

} // namespace sim
