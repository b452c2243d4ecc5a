// muparser_bench [SECONDS]: the anchor for Eval, a compiled-expression library evaluating a
// short and a long expression (the long one written with its own function names) again and
// again; prints "short LEN RATE RESULT" and "long LEN RATE RESULT" like scanix_bench eval.
#include <muParser.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double ratePerSecond(mu::Parser &p, double seconds, double &result)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    double elapsed = 0;
    long long n = 0;
    double sink = 0;
    do {
        for (int i = 0; i < 1000; ++i) sink += p.Eval();
        n += 1000;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds);
    result = p.Eval();
    if (sink == 12345.678) std::puts("");   // keeps the loop's work
    return static_cast<double>(n) / elapsed;
}

} // namespace

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    double x = 4, y = 2.5;
    const std::string shortExpr = "1+2*3";
    const std::string longExpr =
        "(sin(0.5)^2 + cos(0.5)^2) * sqrt(16) / (1 + 2^3) - log10(1000) + abs(-5.5) "
        "+ 12.5e2 / 7 + rint(-2.7) * (3.25 - rint(3.25)) + exp(1) - ln(2.718281828) + atan(1) * 4 "
        "+ (x * y - x / y) * (3 >= 2) - (1 != 2 && 2 <= 3 || 0) + rint(1.2) + rint(-1.2)";
    try {
        for (const std::string *e : {&shortExpr, &longExpr}) {
            mu::Parser p;
            p.DefineVar("x", &x);
            p.DefineVar("y", &y);
            p.SetExpr(*e);
            double result = 0;
            const double rate = ratePerSecond(p, seconds, result);
            std::printf("%s %zu %.0f %g\n", e == &shortExpr ? "short" : "long", e->size(), rate, result);
        }
    } catch (const mu::Parser::exception_type &e) {
        std::fprintf(stderr, "muparser: %s\n", e.GetMsg().c_str());
        return 1;
    }
    return 0;
}
