#pragma once
// Helpers of the storage window tests: rows found by their name, a grid row made
// current the way a click makes it, the texts of the prompts seen, whether a grid
// shows all its columns, and one value read back from the server.
#include "windowtest.h"

#include "resultgrid.h"

#include <QScrollBar>

#include <string>
#include <vector>

namespace storagetest {

// The data row whose column `col` reads `text` (0 when absent).
inline int rowOf(shell::ResultGrid *grid, const QString &text, int col = 1)
{
    auto *g = grid->grid();
    for (int r = 1; r < g->rows(); ++r)
        if (g->text(r, col) == text)
            return r;
    return 0;
}

inline void select(shell::ResultGrid *grid, int row)
{
    grid->grid()->setCurrentRow(row);
}

// Message boxes seen (dialogs left out), as "title|text".
inline std::vector<std::string> messages(const harness::WindowTest &t)
{
    std::vector<std::string> out;
    for (const auto &p : t.prompts.seen())
        if (!p.dialog)
            out.push_back(p.title + "|" + p.text);
    return out;
}

inline bool anyMessageContains(const harness::WindowTest &t, const std::string &fragment)
{
    for (const auto &p : t.prompts.seen())
        if (!p.dialog && p.text.find(fragment) != std::string::npos)
            return true;
    return false;
}

// All columns of the grid are visible without scrolling sideways.
inline bool showsAllColumns(shell::ResultGrid *grid)
{
    return grid->horizontalScrollBar()->maximum() == 0;
}

// The first value of a query run on the test's own connection, as text.
inline std::string one(harness::WindowTest &t, const std::string &sql)
{
    auto ds = t.ctx.currentConnection()->DbCreateDynaset(sql, 4);
    if (ds->IsEOF())
        return "<none>";
    const auto &v = ds->FieldAt(0);
    return v.isNull() ? "<null>" : v.toString();
}

} // namespace storagetest
