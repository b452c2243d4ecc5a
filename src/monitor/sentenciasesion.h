#pragma once
// The statement a session is running, read from V$SQLTEXT piece by piece: the
// step shared by the Sessions and Resources Locks windows.
#include "access/accessfwd.h"

#include <optional>
#include <string>

namespace shell {
class AppContext;
class GuardedOperation;
}

namespace monitor {

// Sends "select <column> from v$sqltext, v$session where sid = <sid> and
// serial# = <serial> and address = sql_address and hash_value = sql_hash_value
// order by piece" on `db` as one step of `op` (showing the busy pointer) and
// joins the field `field` of every row, each row its own step. Answers nothing
// when the query could not be opened (the operation ended or the step was
// ignored); once open, answers the pieces read, even if a later step ended it.
std::optional<std::string> Leer_Sentencia(shell::GuardedOperation &op, shell::AppContext &ctx,
                                          access::OraDatabase &db, const std::string &sid,
                                          const std::string &serial, const std::string &column,
                                          const std::string &field);

} // namespace monitor
