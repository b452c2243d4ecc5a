#include "llenargrilla.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QFont>
#include <QFontMetrics>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <memory>

namespace monitor {

using namespace shell;

int Llenar_Grilla(GuardedOperation &op, AppContext &ctx, ResultGrid *grid, const std::string &sql,
                  const std::vector<std::string> &aliases)
{
    access::OraDatabase *db = ctx.currentConnection();
    if (!db || !op.alive())
        return 0;
    std::unique_ptr<access::OraDynaset> ds;
    op.step([&] {
        Cursor_Ocupado(ctx);
        ds = db->DbCreateDynaset(sql, 4);
    });
    if (!ds)
        return 0;
    std::vector<QStringList> rows;
    while (op.alive() && !ds->IsEOF()) {
        op.step([&] {
            QStringList row;
            for (const std::string &alias : aliases)
                row << qs(ds->Fields(alias).toString());
            rows.push_back(std::move(row));
        });
        op.step([&] { ds->MoveNext(); });
    }
    ds->Close();
    const int n = static_cast<int>(rows.size());
    if (n > 0) {
        grid->grid()->addRows(std::move(rows));
        Ajustar_Columnas(grid);
    }
    return n;
}

void Ajustar_Columnas(ResultGrid *grid)
{
    grid->fitColumns();
    // The header draws its captions bold with a padding of 6 pixels each side.
    QFont bold = grid->font();
    bold.setBold(true);
    const QFontMetrics fm(bold);
    for (int c = 0; c < grid->grid()->cols(); ++c) {
        const int need = fm.horizontalAdvance(grid->grid()->text(0, c)) + 18;
        if (grid->columnWidth(c) < need)
            grid->setColumnWidth(c, need);
    }
}

} // namespace monitor
