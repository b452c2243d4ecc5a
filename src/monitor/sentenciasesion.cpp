#include "sentenciasesion.h"

#include "appcontext.h"
#include "errores.h"
#include "sqlcvpg.h"

#include <memory>

namespace monitor {

using namespace shell;

std::optional<std::string> Leer_Sentencia(GuardedOperation &op, AppContext &ctx, access::OraDatabase &db,
                                          const std::string &sid, const std::string &serial,
                                          const std::string &column, const std::string &field)
{
    std::unique_ptr<access::OraDynaset> ds;
    op.step([&] {
        Cursor_Ocupado(ctx);
        // The numbers come from the session listing; anything else is spliced as a quoted
        // literal, so that it can only fail to match.
        auto number = [](const std::string &v) {
            bool digits = !v.empty() && v.find_first_not_of("0123456789") == std::string::npos;
            return digits ? v : "'" + sqlLiteral(v) + "'";
        };
        ds = db.DbCreateDynaset("select " + column + " from v$sqltext, v$session where sid = " + number(sid) +
                                    " and serial# = " + number(serial) +
                                    " and address = sql_address and hash_value = sql_hash_value order by piece",
                                4);
    });
    if (!op.alive() || !ds)
        return std::nullopt;
    std::string text;
    while (op.alive() && !ds->IsEOF()) {
        op.step([&] { text += ds->Fields(field).toString(); });
        op.step([&] { ds->MoveNext(); });
    }
    return text;
}

} // namespace monitor
