// Time to run and materialise large results through the access layer (DbCreateDynaset,
// then reading every field), and the cost of a repeated statement (translation cached).
#include "orasession.h"
#include "testing.h"

#include <chrono>
#include <cstdio>

namespace {

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main()
{
    sim::testing::allowInstanceName("BENCH");
    access::OraSession session;
    auto db = session.DbOpenDatabase("sim:BENCH", "SYSTEM/MANAGER", 0);
    db->DbExecuteSQL("create table big (id number, name varchar2(30), amount number, d date)");
    db->DbExecuteSQL("insert into big select 1, 'row', 0.5, sysdate from dual");
    for (int i = 0; i < 17; ++i)   // doubling up to 131072 rows
        db->DbExecuteSQL("insert into big select id + (select count(*) from big), name, amount * 3, d + 1 from big");
    db->DbExecuteSQL("commit");
    for (long rows : {5000L, 100000L}) {
        std::string sql = "select id, name, amount / 7 share, d from big where id <= " + std::to_string(rows);
        auto start = std::chrono::steady_clock::now();
        auto ds = db->DbCreateDynaset(sql, 4);
        double fetch = seconds(start);
        std::size_t chars = 0;
        for (; !ds->IsEOF(); ds->MoveNext())
            for (const char *f : {"ID", "NAME", "SHARE", "D"}) chars += ds->Fields(f).toString().size();
        double total = seconds(start);
        std::printf("%6ld rows x 4 columns: materialised in %.1f ms, read by name in %.1f ms more (%zu chars)\n",
                    ds->RecordCount(), fetch * 1000, (total - fetch) * 1000, chars);
    }
    const int repeats = 20000;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i) db->DbCreateDynaset("select name, id / 2 half from big where rownum = 1", 4);
    std::printf("repeated statement (translation cached): %.1f us per statement\n", seconds(start) * 1e6 / repeats);
    return 0;
}
