// bench_editor_stream [--materialised] [ROWS]: runs a query of ROWS rows (default
// 1,000,000) from the SQL-PL/SQL editor on the simulated instance and reports the
// time until the grid shows its first rows, then scrolls the grid to the end batch
// by batch, printing the elapsed time, the rows read, the bytes the grid holds and
// the process's resident memory. --materialised instead reads the same result
// whole through a dynaset, for comparison.
#include "sql_plsql_editor.h"
#include "windowtest.h"

#include "cursormodel.h"
#include "resultgrid.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

double msSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

long rssKiB()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    bool materialised = false;
    long wanted = 1000000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--materialised") == 0)
            materialised = true;
        else
            wanted = std::atol(argv[i]);
    }
    harness::WindowTest t;
    // Two tables of 1,000 rows whose cross join gives the million.
    t.serverScript("create table system.mil (n number)");
    t.serverScript("insert into system.mil values (1)");
    for (int i = 0; i < 10; ++i)
        t.serverScript("insert into system.mil select n + (select count(*) from system.mil) from system.mil");
    t.serverScript("delete from system.mil where n > 1000");
    t.serverScript("commit");
    const long side = 1000;
    const std::string sql = "select (a.n - 1) * " + std::to_string(side) +
                            " + b.n id, 'row ' || ((a.n - 1) * 1000 + b.n) label, a.n * 0.25 quarter "
                            "from system.mil a, system.mil b where (a.n - 1) * 1000 + b.n <= " +
                            std::to_string(wanted);
    // The editor's own connection, without the test harness's recording layer.
    t.ctx.slotTable.connection(1) = t.ctx.session->DbOpenDatabase("sim:ORCL", "SYSTEM/MANAGER", 0);
    const long rssStart = rssKiB();

    if (materialised) {
        auto t0 = std::chrono::steady_clock::now();
        auto ds = t.ctx.currentConnection()->DbCreateDynaset(sql, 4);
        const double ms = msSince(t0);
        std::printf("materialised: %ld rows in %.0f ms, resident memory +%ld MiB\n", ds->RecordCount(), ms,
                    (rssKiB() - rssStart) / 1024);
        std::printf("RESULT\t%.1f\t%.1f\n", ms, (rssKiB() - rssStart) / 1024.0);
        return 0;
    }

    auto *w = t.open<monitor::SqlPlsqlEditor>();
    QApplication::processEvents();
    w->EditorSQL->setText(QString::fromStdString(sql));
    const long rssBefore = rssKiB();
    auto t0 = std::chrono::steady_clock::now();
    w->SEjecutar_Click();
    QApplication::processEvents();
    auto *m = qobject_cast<monitor::CursorModel *>(w->SQLGrillaResultado->model());
    if (!m || m->fetchedRows() == 0) {
        std::printf("no rows shown (%s)\n", t.prompts.log().c_str());
        return 1;
    }
    const double first = msSince(t0);
    std::printf("first rows shown: %ld rows after %.1f ms (resident memory +%ld KiB)\n", m->fetchedRows(),
                first, rssKiB() - rssBefore);
    long next = 100000;
    auto s0 = std::chrono::steady_clock::now();
    while (m->canFetchMore({})) {
        w->SQLGrillaResultado->scrollToBottom();
        QApplication::processEvents();
        if (m->fetchedRows() >= next || !m->canFetchMore({})) {
            std::printf("scrolled to %8ld rows: %7.0f ms, grid holds %6.1f MiB, resident memory +%ld MiB\n",
                        m->fetchedRows(), msSince(s0), m->bytesHeld() / 1048576.0, (rssKiB() - rssBefore) / 1024);
            next += 100000;
        }
    }
    std::printf("RESULT\t%.1f\t%.1f\t%.1f\n", first, msSince(s0), (rssKiB() - rssBefore) / 1024.0);
    return m->fetchedRows() == wanted ? 0 : 1;
}
