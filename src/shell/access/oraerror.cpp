#include "oraerror.h"

#include <cstdio>

namespace sqlvigil::access {

OraError OraError::ora(int code, const std::string &text)
{
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
    return OraError(code, prefix + text);
}

} // namespace sqlvigil::access
