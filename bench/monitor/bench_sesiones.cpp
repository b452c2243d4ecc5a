// bench_sesiones [SESSIONS] [RUNS]: times "&Get Sessions" of the Sessions window
// on the simulated instance scaled to SESSIONS sessions (default 5000): the
// session listing alone (the grid filled) and the whole press (listing plus
// the four rankings and their charts). Prints the best and median of RUNS.
#include "sesiones.h"
#include "windowtest.h"

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
    std::printf("sessions listed: %d (instance of %ld)\n", rows, sessions);
    report("Get Sessions, grid filled", listing);
    report("Get Sessions with four rankings", press);
    return rows >= sessions ? 0 : 1;
}
