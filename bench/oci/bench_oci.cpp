// The cost of the client-library path: a statement sent through sqlvigil-oci, the
// OCI driver and the conformance client library, against the same statement on the
// simulated instance directly. bench_oci STANDIN_DIR [CALLS]
#include "clientdriver.h"
#include "simdriver.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
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

const char *kTrivial = "select 1 from dual";
const char *kRows = "select rownum n, 'row ' || rownum t, rownum / 7 f from dba_objects a, dba_objects b where rownum <= 10000";

struct Figures {
    double trivialUs, rowsMs;
};

Figures measure(access::Driver &driver, int calls)
{
    auto conn = driver.open("ORCL", "system", "manager");
    for (int i = 0; i < 100; ++i) conn->query(kTrivial);
    Figures f;
    f.trivialUs = microsPerCall(calls, [&] {
        if (conn->query(kTrivial).rows.size() != 1) std::abort();
    });
    f.rowsMs = microsPerCall(5, [&] {
        if (conn->query(kRows).rows.size() != 10000) std::abort();
    }) / 1000.0;
    conn->close();
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_oci STANDIN_DIR [CALLS]\n");
        return 2;
    }
    const int calls = argc > 2 ? std::atoi(argv[2]) : 2000;
    access::SimDriver direct;
    oci::ClientDriver client(argv[1]);
    const Figures d = measure(direct, calls);
    const Figures c = measure(client, calls);
    std::printf("RATIO\ttrivial statement via client process\t%.1f\tdirect simulated driver\t%.1f\tus\n", c.trivialUs,
                d.trivialUs);
    std::printf("RATIO\t10,000-row fetch via client process\t%.1f\tdirect simulated driver\t%.1f\tms\n", c.rowsMs,
                d.rowsMs);
    return 0;
}
