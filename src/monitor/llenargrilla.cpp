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
    // The texts row after row, as the grid keeps them (no list per row).
    const std::size_t width = aliases.size();
    std::vector<QString> cells;
    std::size_t done = 0;
    while (op.alive() && !ds->IsEOF()) {
        op.step([&] {
            cells.resize(done * width);   // what a failed try of this row left is dropped
            for (const std::string &alias : aliases)
                cells.push_back(qs(ds->Fields(alias).toString()));
            ++done;
        });
        op.step([&] { ds->MoveNext(); });
    }
    ds->Close();
    cells.resize(done * width);
    const int n = static_cast<int>(done);
    if (n > 0) {
        if (width > 0)
            grid->grid()->addRowCells(std::move(cells), static_cast<int>(width));
        else
            grid->grid()->addRows(std::vector<QStringList>(done));
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
