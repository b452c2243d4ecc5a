// The result grid's context menu: copy, copy with headers, select all, CSV export
// read back by Python's csv module, printing, and the current row's highlight
// over a cell that carries its own warning colour.
#include "resultgrid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

using shell::ResultGrid;

namespace {

// Texts a DBA meets in real data: separators, quotes, line breaks, accents.
void fillAwkward(ResultGrid &g)
{
    g.grid()->setHeaders({"Name", "Comment, long", "Value"});
    g.grid()->addRow({"Peña", "says \"hi\", twice", "1"});
    g.grid()->addRow({"Zoë", "line one\nline two", "2,5"});
    g.grid()->addRow({"plain", "", "3"});
}

// Rows as Python's csv module reads the file, one line per row, cells joined by '|'.
QString readBackWithPython(const QString &path)
{
    QProcess py;
    py.start("python3", {"-c",
                         "import csv,sys\n"
                         "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                         "    for row in csv.reader(f):\n"
                         "        print('|'.join(c.replace('\\n', '<NL>') for c in row))\n",
                         path});
    EXPECT_TRUE(py.waitForFinished(20000));
    EXPECT_EQ(py.exitCode(), 0) << py.readAllStandardError().toStdString();
    return QString::fromUtf8(py.readAllStandardOutput());
}

QAction *menuAction(ResultGrid &g, const char *name)
{
    for (QAction *a : g.actions())
        if (a->objectName() == name)
            return a;
    return nullptr;
}

} // namespace

TEST(GridMenu, CopyAndSelectAll)
{
    ResultGrid g("LPrueba");
    fillAwkward(g);
    g.resize(600, 300);
    g.show();
    for (const char *name : {"GridCopy", "GridCopyHeaders", "GridSelectAll", "GridExportCsv", "GridPrint"})
        EXPECT_NE(menuAction(g, name), nullptr) << name;
    EXPECT_EQ(g.contextMenuPolicy(), Qt::ActionsContextMenu);

    // The current row is what a click selected; Ctrl+C copies it without the number column.
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(g.model()->index(1, 1)).center());
    EXPECT_EQ(g.grid()->currentRow(), 1);
    g.setFocus();
    QTest::keyClick(&g, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QString("Peña\t\"says \"\"hi\"\", twice\"\t1"));

    menuAction(g, "GridSelectAll")->trigger();
    menuAction(g, "GridCopyHeaders")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QString("Name\tComment, long\tValue\n"
                      "Peña\t\"says \"\"hi\"\", twice\"\t1\n"
                      "Zoë\t\"line one\nline two\"\t2,5\n"
                      "plain\t\t3"));

    // Nothing but the blank row after reset: only the header is copied.
    g.grid()->reset();
    g.selectAll();
    EXPECT_EQ(g.selectionText(true), QString("Name\tComment, long\tValue"));
}

TEST(GridMenu, CsvExportReadBackByPython)
{
    ResultGrid g("LPrueba");
    fillAwkward(g);
    QTemporaryDir dir;
    const QString path = dir.filePath("grid.csv");
    ASSERT_TRUE(g.exportCsv(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray raw = f.readAll();
    EXPECT_TRUE(raw.endsWith("\r\n"));
    EXPECT_TRUE(raw.contains("Pe\xc3\xb1" "a"));          // UTF-8, no other encoding
    EXPECT_FALSE(raw.startsWith("\xef\xbb\xbf"));          // and no byte-order mark
    EXPECT_EQ(readBackWithPython(path), QString("Name|Comment, long|Value\n"
                                                "Peña|says \"hi\", twice|1\n"
                                                "Zoë|line one<NL>line two|2,5\n"
                                                "plain||3\n"));

    // A hidden column is not exported; a place that cannot be written is refused.
    g.setColumnHidden(2, true);
    EXPECT_TRUE(g.csvText().startsWith("Name,Value\r\n"));
    QString error;
    EXPECT_FALSE(g.exportCsv(dir.filePath("no/such/dir/grid.csv"), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(GridMenu, PrintsHeaderAndRows)
{
    ResultGrid g("LPrueba");
    fillAwkward(g);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("grid.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    g.print(printer);
    QProcess text;
    text.start("pdftotext", {pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(20000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(out.contains("Comment, long")) << out.toStdString();
    EXPECT_TRUE(out.contains("Zoë")) << out.toStdString();
    EXPECT_TRUE(out.contains("line two")) << out.toStdString();
}

namespace {
// A window's decorations over the grid's model: one alarm-coloured cell.
class AlarmCell : public QIdentityProxyModel {
public:
    QVariant data(const QModelIndex &i, int role) const override
    {
        if (role == Qt::BackgroundRole && i.row() == 1 && i.column() == 2)
            return QColor(192, 0, 0);
        return QIdentityProxyModel::data(i, role);
    }
};
} // namespace

TEST(GridMenu, CurrentRowKeepsAlarmColourAndHeadersFit)
{
    ResultGrid g("LPrueba");
    g.grid()->setHeaders({"Server", "Library Cache Hit Percentage", "X"});
    g.grid()->addRow({"DEMO", "55.5", "1"});
    AlarmCell proxy;
    proxy.setSourceModel(g.grid());
    g.setModel(&proxy);
    g.setRowHidden(0, true);
    g.fitHeaderCaptions();
    g.resize(700, 200);
    g.show();
    g.selectRow(1);
    ASSERT_TRUE(g.selectionModel()->isRowSelected(1, {}));
    QApplication::processEvents();

    const QRect cell = g.visualRect(proxy.index(1, 2));
    const QImage shot = g.viewport()->grab().toImage();
    const QColor centre = shot.pixelColor(cell.center());
    EXPECT_GT(centre.red(), 150);
    EXPECT_LT(centre.green(), 60);
    EXPECT_LT(centre.blue(), 60);

    // Every caption fits its column, and the grid asks for room for all columns.
    const QFontMetrics fm(g.horizontalHeader()->font());
    EXPECT_GE(g.columnWidth(2), fm.horizontalAdvance("Library Cache Hit Percentage"));
    int total = 0;
    for (int c = 0; c < proxy.columnCount(); ++c)
        total += g.columnWidth(c);
    EXPECT_GE(g.sizeHint().width(), total);

    // Column widths stay adjustable by the user.
    EXPECT_EQ(g.horizontalHeader()->sectionResizeMode(1), QHeaderView::Interactive);
}

namespace {
// Many rows at no cost of their own: every cell is its row number.
class ManyRows : public QAbstractTableModel {
public:
    explicit ManyRows(int rows) : m_rows(rows) {}
    int rowCount(const QModelIndex & = {}) const override { return m_rows; }
    int columnCount(const QModelIndex & = {}) const override { return 3; }
    QVariant data(const QModelIndex &i, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(i.row()) : QVariant();
    }

private:
    int m_rows;
};

double msToRepaint(ResultGrid &g, int times)
{
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < times; ++i) g.viewport()->repaint();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}
} // namespace

// Shown rows alternate between the base and the alternate base (row 0, the header row, is
// hidden, so row 1 is the first shown), and a repaint far down a long result costs what
// it costs at the top: shading must not walk the rows above the viewport.
TEST(GridMenu, AlternateRowsShadedAndRepaintCostIndependentOfPosition)
{
    ResultGrid g("LFilas");
    g.grid()->setHeaders({"A", "B"});
    for (int r = 0; r < 6; ++r) g.grid()->addRow({"x", "y"});
    g.resize(400, 300);
    g.show();
    QApplication::processEvents();
    const QImage shot = g.viewport()->grab().toImage();
    auto colourOf = [&](int row) { return shot.pixelColor(g.visualRect(g.grid()->index(row, 2)).center() + QPoint(30, 0)); };
    const QColor base = g.palette().color(QPalette::Base), alternate = g.palette().color(QPalette::AlternateBase);
    ASSERT_NE(base, alternate);
    EXPECT_EQ(colourOf(1), base);
    EXPECT_EQ(colourOf(2), alternate);
    EXPECT_EQ(colourOf(3), base);
    EXPECT_EQ(colourOf(4), alternate);

    ManyRows many(2000000);
    g.setModel(&many);
    g.setRowHidden(0, true);
    QApplication::processEvents();
    msToRepaint(g, 3);
    const double top = msToRepaint(g, 20);
    g.scrollToBottom();
    QApplication::processEvents();
    msToRepaint(g, 3);
    const double bottom = msToRepaint(g, 20);
    std::printf("20 repaints: %.1f ms at the top, %.1f ms at row 2,000,000\n", top, bottom);
    EXPECT_LT(bottom, 4 * top + 20);
}
