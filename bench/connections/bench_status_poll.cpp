// bench_status_poll [COUNTS] [LATENCIES]: one tick of the Servers Status window over
// N connected simulated servers (distinct instances SRV1..SRVN) whose every round
// trip takes L ms. Measures the window's tick, which sends every server's block at
// once, against the servers polled one after another on the calling thread, as the
// window did when every statement ran on the interface thread. The first tick after
// connecting, which also compiles every server's statements, is shown apart. Defaults: N in
// 1,8,32,128 and L in 0,20,200 (comma-separated lists to choose others).
#include "serverstatus.h"
#include "windowtest.h"

#include "testing.h"

#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <sstream>
#include <string>
#include <vector>

namespace {

double msSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

std::vector<int> list(const char *arg, std::vector<int> fallback)
{
    if (!arg)
        return fallback;
    std::vector<int> out;
    std::stringstream ss(arg);
    std::string item;
    while (std::getline(ss, item, ','))
        out.push_back(std::stoi(item));
    return out;
}

const char *const kNames[] = {"SSGA", "SSESSIONS", "SLIBCAC", "SROWCAC", "SBUFCAC", "SREDLOG"};

// The poll as it ran before: each server's block in turn, the caller blocked.
double sequentialPoll(shell::AppContext &ctx, int servers)
{
    auto t0 = std::chrono::steady_clock::now();
    for (int n = 1; n <= servers; ++n) {
        access::OraDatabase *db = ctx.slotTable.connection(n).get();
        auto waiter = ctx.waiter;
        db->setWaiter(nullptr);
        auto &p = db->Parameters();
        for (const char *name : kNames) {
            p.Add(name, access::OraValue::number(0), 2);
            p.SetServerType(name, 2);
        }
        db->ExecuteSQL(ctx.bloques.Bloque_Estado);
        for (const char *name : kNames)
            p.Remove(name);
        db->setWaiter(waiter);
    }
    return msSince(t0);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const std::vector<int> counts = list(argc > 1 ? argv[1] : nullptr, {1, 8, 32, 128});
    const std::vector<int> latencies = list(argc > 2 ? argv[2] : nullptr, {0, 20, 200});
    int failures = 0;
    for (int latency : latencies) {
        for (int servers : counts) {
            sim::testing::resetAllInstances();   // every row starts from freshly opened instances
            harness::WindowTest t;
            t.ctx.repository->Execute("DELETE FROM SERVIDORES");
            t.ctx.slotTable.initialise();
            std::vector<std::future<std::unique_ptr<access::OraDatabase>>> opening;
            for (int n = 1; n <= servers; ++n) {
                const std::string name = "SRV" + std::to_string(n);
                const std::string service = "sim:" + name + "?latency=" + std::to_string(latency);
                sim::testing::allowInstanceName(name);
                auto rs = t.ctx.repository->OpenRecordset("SERVIDORES", 1);
                rs->AddNew();
                rs->SetField("SERVIDOR", name);
                rs->SetField("CONECCION", service);
                rs->SetField("LOGIN", "SYSTEM");
                rs->SetField("PASSWORD", shell::Cifrar(shell::kCipherKey, "MANAGER"));
                rs->Update();
                shell::Slot &slot = t.ctx.slotTable[n];
                slot.SERVIDOR = name;
                slot.CONECCION = service;
                slot.slotState = shell::kSlotLoaded;
                access::OraSession *session = t.ctx.session.get();
                opening.push_back(std::async(std::launch::async, [session, service] {
                    return session->DbOpenDatabase(service, "SYSTEM/MANAGER", 0);
                }));
            }
            for (int n = 1; n <= servers; ++n) {
                t.ctx.slotTable.connection(n) = opening[static_cast<std::size_t>(n - 1)].get();
                t.ctx.slotTable.connection(n)->setWaiter(t.ctx.waiter);
                t.ctx.slotTable[n].connectionFlag = shell::kConnected;
            }
            auto *w = t.open<status::ServerStatus>();
            w->TimerChequeServidores->stop();
            // The first tick after connecting also compiles each server's statements.
            auto first0 = std::chrono::steady_clock::now();
            w->TimerChequeServidores_Timer();
            const double first = msSince(first0);
            std::vector<double> ticks;
            for (int run = 0; run < 3; ++run) {
                auto t0 = std::chrono::steady_clock::now();
                w->TimerChequeServidores_Timer();
                ticks.push_back(msSince(t0));
            }
            std::sort(ticks.begin(), ticks.end());
            const double parallel = ticks[1];
            const double sequential = sequentialPoll(t.ctx, servers);
            bool filled = t.prompts.count() == 0;
            for (int n = 1; n <= servers; ++n)
                filled = filled && w->imagen(n) == status::kConectado &&
                         w->LServerStatus->grid()->text(n, 3).toDouble() > 0;
            if (!filled) {
                ++failures;
                std::fprintf(stderr, "%d servers at %d ms: the grid is not filled\n%s", servers, latency,
                             t.prompts.log().c_str());
            }
            std::printf("%3d servers, %3d ms latency: parallel tick %8.1f ms (first %8.1f ms)   sequential %8.1f ms\n",
                        servers, latency, parallel, first, sequential);
            std::printf("RATIO\tstatus tick %d servers %d ms latency\t%.1f\tsequential poll\t%.1f\tms\n", servers,
                        latency, parallel, sequential);
            std::fflush(stdout);
            w->TimerChequeServidores->stop();
        }
    }
    return failures == 0 ? 0 : 1;
}
