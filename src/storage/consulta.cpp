#include "consulta.h"

#include "appcontext.h"
#include "errores.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

namespace storage {

using namespace shell;

std::string texto(const access::OraValue &v)
{
    return v.isNull() ? std::string() : v.toString();
}

std::unique_ptr<access::OraDynaset> abrir(GuardedOperation &op, AppContext &ctx, const std::string &sql)
{
    std::unique_ptr<access::OraDynaset> ds;
    access::OraDatabase *db = ctx.currentConnection();
    if (!db)
        return ds;
    op.step([&] {
        Cursor_Ocupado(ctx);
        ds = db->DbCreateDynaset(sql, 4);
    });
    if (!op.alive())
        ds.reset();
    return ds;
}

int llenar(GuardedOperation &op, AppContext &ctx, ResultGridModel &grid, const std::string &sql,
           const std::vector<const char *> &aliases, const std::function<void(const QStringList &)> &perRow)
{
    auto ds = abrir(op, ctx, sql);
    int written = 0;
    while (ds && op.alive() && !ds->IsEOF()) {
        op.step([&] {
            QStringList row;
            for (const char *alias : aliases)
                row << QString::fromStdString(texto(ds->Fields(alias)));
            grid.addRow(row);
            ++written;
            if (perRow)
                perRow(row);
        });
        op.step([&] { ds->MoveNext(); });
    }
    if (ds)
        ds->Close();
    return written;
}

bool ejecutar(GuardedOperation &op, AppContext &ctx, const std::string &sql)
{
    access::OraDatabase *db = ctx.currentConnection();
    if (!db)
        return false;
    bool ran = false;
    op.step([&] {
        Cursor_Ocupado(ctx);
        db->DbExecuteSQL(sql);
        ran = true;
    });
    return ran && db->LastServerErr() == 0;
}

} // namespace storage
