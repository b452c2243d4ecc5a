// bench_grid floor|grid [ROWS]: fills a table of ROWS x 10 texts and paints it once;
// prints the best time of a few rounds and the heap the filled table holds.
//   floor  a plain QTableView over a QAbstractTableModel on one std::vector<QString>
//   grid   the program's ResultGrid, filled the way large results fill it (addRowCells)
#include "resultgrid.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QTableView>

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kCols = 10;

QString cellText(int row, int col)
{
    // Short texts of varied length, like the figures and names of a result.
    return QString::number(static_cast<qlonglong>(row) * 7919 + col * 104729);
}

class VectorModel : public QAbstractTableModel {
public:
    void fill(std::vector<QString> cells)
    {
        beginResetModel();
        m_rows = static_cast<int>(cells.size() / kCols);
        m_cells = std::move(cells);
        endResetModel();
    }
    int rowCount(const QModelIndex &p = {}) const override { return p.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex &p = {}) const override { return p.isValid() ? 0 : kCols; }
    QVariant data(const QModelIndex &i, int role) const override
    {
        if (role != Qt::DisplayRole) return {};
        return m_cells[static_cast<std::size_t>(i.row()) * kCols + i.column()];
    }

private:
    std::vector<QString> m_cells;
    int m_rows = 0;
};

std::size_t heapInUse()
{
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

struct Round {
    double ms;
    std::size_t bytes;
};

// The texts of the result, made before the clock starts: both sides take the same ones.
std::vector<QString> texts(int rows)
{
    std::vector<QString> cells;
    cells.reserve(static_cast<std::size_t>(rows) * kCols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kCols; ++c) cells.push_back(cellText(r, c));
    return cells;
}

Round floorRound(int rows)
{
    std::size_t before = heapInUse();
    std::vector<QString> cells = texts(rows);
    auto start = std::chrono::steady_clock::now();
    auto model = std::make_unique<VectorModel>();
    QTableView view;
    view.resize(1000, 600);
    view.setModel(model.get());
    model->fill(std::move(cells));
    view.show();
    view.repaint();
    QCoreApplication::processEvents();
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return {ms, heapInUse() - before};
}

Round gridRound(int rows)
{
    std::size_t before = heapInUse();
    std::vector<QString> cells = texts(rows);
    auto start = std::chrono::steady_clock::now();
    shell::ResultGrid view("Bench");
    view.resize(1000, 600);
    QStringList headers;
    for (int c = 0; c < kCols; ++c) headers << QString("COLUMN_%1").arg(c + 1);
    view.grid()->setHeaders(headers);
    view.grid()->addRowCells(std::move(cells), kCols);
    view.show();
    view.repaint();
    QCoreApplication::processEvents();
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    cells = {};
    return {ms, heapInUse() - before};
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool floor = argc > 1 && std::strcmp(argv[1], "floor") == 0;
    const int rows = argc > 2 ? std::atoi(argv[2]) : 100000;
    // A first round warms fonts and styles up; the best of the next ones counts.
    Round best{1e300, 0};
    for (int i = 0; i < 4; ++i) {
        malloc_trim(0);
        Round r = floor ? floorRound(rows) : gridRound(rows);
        if (i > 0 && r.ms < best.ms) best = r;
    }
    std::printf("%s %d x %d: fill + first paint %.1f ms, heap %.1f MB\n", floor ? "floor" : "grid", rows, kCols,
                best.ms, best.bytes / 1048576.0);
    std::printf("%.2f %zu\n", best.ms, best.bytes);
    return 0;
}
