#pragma once
// Forward declarations of the access interface. POSIX declares a function ::access(),
// so the namespace cannot be reopened bare; include this header instead of writing
// "namespace access { class OraValue; }".
inline namespace sqlvigil {
namespace access {
class OraSession;
class OraDatabase;
class OraDynaset;
class OraCursor;
class DriverCursor;
class OraParameters;
class OraValue;
class OraError;
class Driver;
class DriverConnection;
struct OraResult;
struct OraBind;
} // namespace access
} // namespace sqlvigil
