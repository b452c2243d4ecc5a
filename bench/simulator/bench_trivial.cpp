// The cost of a trivial statement through the access layer: the loaded scenario
// instance (sim:ORCL), the bare engine instance (sim:TEST), and SQLite's own prepare,
// step and finalize of the same kind of statement, as the floor.
#include "orasession.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

template <class F> double microsPerCall(int calls, F &&f)
{
    double best = 1e300;
    for (int round = 0; round < 3; ++round) {
        auto start = Clock::now();
        for (int i = 0; i < calls; ++i) f();
        double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls;
        if (us < best) best = us;
    }
    return best;
}

double accessLayer(access::OraSession &session, const char *service, const char *login, int calls)
{
    auto db = session.DbOpenDatabase(service, login, 0);
    const std::string sql = "select 1 from dual";
    for (int i = 0; i < 100; ++i) db->DbCreateDynaset(sql, 4);
    return microsPerCall(calls, [&] {
        auto ds = db->DbCreateDynaset(sql, 4);
        if (ds->RecordCount() != 1) std::abort();
    });
}

double sqliteFloor(int calls)
{
    sqlite3 *db = nullptr;
    sqlite3_open(":memory:", &db);
    double us = microsPerCall(calls, [&] {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "select 1", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
        }
        sqlite3_finalize(st);
    });
    sqlite3_close(db);
    return us;
}

} // namespace

int main(int argc, char **argv)
{
    int calls = argc > 1 ? std::atoi(argv[1]) : 20000;
    access::OraSession session;
    double test = accessLayer(session, "sim:TEST", "SYSTEM/MANAGER", calls);
    double orcl = accessLayer(session, "sim:ORCL", "SYSTEM/MANAGER", calls);
    double orclUser = accessLayer(session, "sim:ORCL", "HR/HR", calls);
    double floor = sqliteFloor(calls);
    std::printf("trivial statement (select 1 from dual), best of 3 x %d calls:\n", calls);
    std::printf("  sim:TEST as SYSTEM  %8.2f us\n  sim:ORCL as SYSTEM  %8.2f us\n  sim:ORCL as HR      %8.2f us\n"
                "  sqlite3 prepare+step+finalize %8.2f us\n",
                test, orcl, orclUser, floor);
    std::printf("RATIO\ttrivial statement sim:ORCL\t%.2f\tsim:TEST\t%.2f\tus\n", orcl, test);
    std::printf("RATIO\ttrivial statement sim:ORCL as HR\t%.2f\tsim:TEST\t%.2f\tus\n", orclUser, test);
    std::printf("RATIO\ttrivial statement sim:TEST\t%.2f\tsqlite3\t%.2f\tus\n", test, floor);
    return 0;
}
