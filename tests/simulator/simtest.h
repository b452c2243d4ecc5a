#pragma once
// What the engine and dictionary tests share: results collected as text, and the Oracle
// error code of a statement.
#include "functions.h"
#include "simerror.h"
#include "simulator.h"

#include <cstdio>
#include <string>
#include <vector>

namespace simtest {

using Rows = std::vector<std::vector<std::string>>;

// Collects a result as text: null reads "~", dates "YYYY-MM-DD HH24:MI:SS", numbers with
// a fraction as Oracle shows them (or, for the dictionary's figures, as printf's %.10g).
struct TextSink : sim::RowSink {
    enum Reals { Oracle, Printf };
    explicit TextSink(Reals reals = Oracle) : reals(reals) {}

    std::vector<std::string> names;
    Rows rows;
    Reals reals;

    void columns(const std::vector<std::string> &n) override { names = n; }
    void row(const sim::CellView *cells, std::size_t count) override
    {
        auto &r = rows.emplace_back();
        for (std::size_t i = 0; i < count; ++i) {
            const sim::CellView &c = cells[i];
            switch (c.kind) {
            case sim::CellView::Null: r.push_back("~"); break;
            case sim::CellView::Integer: r.push_back(std::to_string(c.integer)); break;
            case sim::CellView::Real: {
                if (reals == Oracle) {
                    r.push_back(sim::numberToDisplay(c.real));
                } else {
                    char buf[64];
                    std::snprintf(buf, sizeof buf, "%.10g", c.real);
                    r.push_back(buf);
                }
                break;
            }
            default: r.emplace_back(c.text, c.size);
            }
        }
    }
};

// The Oracle error code `run` raises, its text kept in `message`; 0 when it runs.
template <typename Run>
int errorCode(Run &&run, std::string &message)
{
    try {
        run();
    } catch (const sim::SimError &e) {
        message = e.what();
        return e.code();
    }
    return 0;
}

} // namespace simtest
