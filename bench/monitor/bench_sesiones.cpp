// bench_sesiones [SESSIONS] [RUNS]: times "&Get Sessions" of the Sessions window
// on the simulated instance scaled to SESSIONS sessions (default 5000): the
// session listing alone (the grid filled) and the whole press (listing plus
// the four rankings and their charts). Prints the best and median of RUNS, and the
// listing against its anchor: the same query read through the access layer alone.
#include "sesiones.h"
#include "windowtest.h"

#include "access/orasession.h"
#include "resultgrid.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double msSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

void report(const char *what, std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    std::printf("%-34s best %8.1f ms   median %8.1f ms\n", what, v.front(), v[v.size() / 2]);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const long sessions = argc > 1 ? std::atol(argv[1]) : 5000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    harness::Options o;
    o.service = "sim:ORCL?sessions=" + std::to_string(sessions);
    harness::WindowTest t(o);
    auto *w = t.open<monitor::Sesiones>();

    std::vector<double> press, listing;
    int rows = 0;
    for (int i = 0; i < runs; ++i) {
        t.clearStatements();
        auto t0 = std::chrono::steady_clock::now();
        w->GSession_Click();
        QApplication::processEvents();
        press.push_back(msSince(t0));
        rows = w->LSesion->grid()->dataRows();
    }
    // The listing alone: the same press on a connection where the rankings'
    // statements fail fast and are skipped (Ignore answers every dialog).
    t.prompts.answerAlways(shell::vbIgnore);
    for (int i = 0; i < runs; ++i) {
        t.failNext("v$sesstat", 942, "ORA-00942: table or view does not exist", 4);
        auto t0 = std::chrono::steady_clock::now();
        w->GSession_Click();
        QApplication::processEvents();
        listing.push_back(msSince(t0));
    }
    // The anchor: the listing's query materialised and every field read, nothing shown.
    std::vector<double> alone;
    const std::string sql =
        "select sid, serial#, nvl(process,'Null') process, nvl(username,'Null') username, nvl(osuser,'Null') osuser, "
        "nvl(machine,'Null') machine, nvl(terminal,'Null') terminal, nvl(status,'Null') status, "
        "nvl(command,'124') command, nvl(program,'Null') program, sql_address, sql_hash_value from v$session "
        "order by sid";
    std::size_t chars = 0;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        auto ds = t.ctx.currentConnection()->DbCreateDynaset(sql, 4);
        for (; !ds->IsEOF(); ds->MoveNext())
            for (std::size_t c = 0; c < ds->columnNames().size(); ++c) chars += ds->FieldAt(c).toString().size();
        alone.push_back(msSince(t0));
    }
    std::printf("sessions listed: %d (instance of %ld)\n", rows, sessions);
    report("Get Sessions, grid filled", listing);
    report("Get Sessions with four rankings", press);
    report("the listing's query alone", alone);
    std::sort(listing.begin(), listing.end());
    std::sort(alone.begin(), alone.end());
    std::printf("RATIO\tGet Sessions %ld, grid filled\t%.1f\tits query alone\t%.1f\tms\n", sessions, listing.front(),
                alone.front());
    return rows >= sessions ? 0 : 1;
}
