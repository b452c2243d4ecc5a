#pragma once
// One fuzz input run through the simulated instance: the bytes are a statement, sent as
// a connection sends it. The instance is a bare one (no data dictionary) opened once and
// renewed every few thousand inputs, so that a run reaches many inputs per second.
// Anything but an Oracle error (SimError) escaping is a finding, and so is ORA-00600: an
// internal failure reported as the server's internal error.
#include "simerror.h"
#include "simulator.h"
#include "testing.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace sqlfuzz {

// Reads results without keeping them; a huge result stops early.
struct Discard : sim::RowSink {
    std::size_t rows = 0;
    void columns(const std::vector<std::string> &) override {}
    void row(const sim::CellView *, std::size_t) override
    {
        if (++rows > 20000) throw sim::oraError(1013, "user requested cancel of current operation");
    }
};

inline void runOne(const std::uint8_t *data, std::size_t size)
{
    static std::unique_ptr<sim::Connection> db;
    static unsigned runs = 0;
    if (!db || ++runs % 4000 == 0) {
        db.reset();
        sim::testing::resetInstance("TEST");
        db = sim::Connection::open("TEST", "SYSTEM", "MANAGER");
    }
    if (size > 64 * 1024) return;
    const std::string sql(reinterpret_cast<const char *>(data), size);
    try {
        Discard sink;
        db->query(sql, sink);
    } catch (const sim::SimError &e) {
        if (e.code() == 600) {
            std::fprintf(stderr, "internal error for statement: %s\n%s\n", sql.c_str(), e.what());
            std::abort();
        }
    }
    try {
        db->execute("rollback");
    } catch (const sim::SimError &) {
    }
}

} // namespace sqlfuzz
