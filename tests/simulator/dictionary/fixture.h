#pragma once
// A connection to a fresh sim:ORCL with the clock fixed, and helpers that return query
// results as text (null as "~", dates as "YYYY-MM-DD HH24:MI:SS").
#include "../simtest.h"
#include "simerror.h"
#include "simulator.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace dicttest {

using simtest::Rows;

// The dictionary's figures read as printf's %.10g.
struct TextSink : simtest::TextSink {
    TextSink() : simtest::TextSink(Printf) {}
};

// 2026-12-08 15:00:00 UTC: the scenario's instance started three days and two hours before.
constexpr std::int64_t kNow = 1796742000;

class Orcl : public ::testing::Test {
protected:
    void SetUp() override { open(""); }
    void TearDown() override
    {
        db.reset();
        sim::testing::resetInstance(key);
    }
    void open(const std::string &options, const std::string &user = "SYSTEM", const std::string &password = "MANAGER")
    {
        if (db) {
            db.reset();
            sim::testing::resetInstance(key);
        }
        key = "ORCL" + options;
        sim::testing::resetInstance(key);
        sim::testing::setClock(key, kNow);   // creates the instance with the clock fixed
        sim::testing::resetInstance(key);
        sim::testing::setClock(key, kNow);
        db = sim::Connection::open(key, user, password);
    }
    std::unique_ptr<sim::Connection> connect(const std::string &user, const std::string &password)
    {
        return sim::Connection::open(key, user, password);
    }
    Rows q(const std::string &sql, sim::Connection *c = nullptr)
    {
        TextSink s;
        (c ? c : db.get())->query(sql, s);
        last = s.names;
        return s.rows;
    }
    std::string one(const std::string &sql, sim::Connection *c = nullptr)
    {
        Rows r = q(sql, c);
        return r.empty() || r[0].empty() ? std::string("<none>") : r[0][0];
    }
    double num(const std::string &sql) { return std::stod(one(sql)); }
    long x(const std::string &sql, sim::Connection *c = nullptr) { return (c ? c : db.get())->execute(sql); }
    // The Oracle error code a statement raises (0 when it runs).
    int code(const std::string &sql, sim::Connection *c = nullptr)
    {
        return simtest::errorCode([&] {
            TextSink s;
            if (sql.rfind("select", 0) == 0 || sql.rfind("SELECT", 0) == 0 || sql.rfind("Select", 0) == 0)
                (c ? c : db.get())->query(sql, s);
            else (c ? c : db.get())->execute(sql);
        }, lastError);
    }

    std::string key = "ORCL";
    std::unique_ptr<sim::Connection> db;
    std::vector<std::string> last;
    std::string lastError;
};

// The statements of an install script: SQL ends with ";" at a line end, stored PL/SQL
// (CREATE ... PROCEDURE, FUNCTION, PACKAGE, TRIGGER, TYPE) with a line holding only "/".
inline std::vector<std::string> scriptStatements(const std::string &path)
{
    std::ifstream in(path);
    std::vector<std::string> out;
    std::string line, current;
    bool plsql = false;
    auto upper = [](std::string s) {
        for (auto &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    while (std::getline(in, line)) {
        std::string trimmed = line;
        trimmed.erase(0, trimmed.find_first_not_of(" \t"));
        if (current.empty() && (trimmed.empty() || trimmed.rfind("--", 0) == 0)) continue;
        if (current.empty()) {
            std::string u = upper(trimmed);
            plsql = u.rfind("CREATE OR REPLACE PROCEDURE", 0) == 0 || u.rfind("CREATE OR REPLACE TRIGGER", 0) == 0 ||
                    u.rfind("CREATE OR REPLACE FUNCTION", 0) == 0 || u.rfind("CREATE OR REPLACE PACKAGE", 0) == 0 ||
                    u.rfind("CREATE PROCEDURE", 0) == 0 || u.rfind("CREATE TRIGGER", 0) == 0;
        }
        if (plsql && trimmed == "/") {
            out.push_back(current);
            current.clear();
            continue;
        }
        current += line + "\n";
        if (!plsql && !trimmed.empty() && trimmed.back() == ';') {
            current.erase(current.find_last_of(';'));
            out.push_back(current);
            current.clear();
        }
    }
    return out;
}

// The PL/SQL blocks the console's status windows send, as they send them.
inline const std::string kRatioTail =
    "from   v$sysstat cur, "
    "   v$sysstat con, "
    "   v$sysstat phys, "
    "   v$statname ncu, "
    "   v$statname nco, "
    "   v$statname nph "
    "where cur.statistic# = ncu.statistic# "
    "   and ncu.name = 'db block gets' "
    "   and con.statistic# = nco.statistic# "
    "   and nco.name = 'consistent gets' "
    "   and phys.statistic# = nph.statistic# "
    "   and nph.name = 'physical reads'; ";

inline const std::string kBloqueEstado =
    "BEGIN "
    "select sum(value)/1024/1024 into :SSGA from v$sga; "
    "select count(*) into :SSESSIONS from v$session; "
    "select value into :SREDLOG from v$sysstat "
    "where name = 'redo log space requests'; "
    "select 100 * (sum(pins)-sum(reloads))/sum(pins) into :SLIBCAC "
    "from v$librarycache; "
    "select 100 * (sum(gets)-sum(getmisses))/sum(gets) into :SROWCAC "
    "from v$rowcache; "
    "select 100 * (cur.value + con.value - phys.value) / (cur.value + con.value) into :SBUFCAC  " +
    kRatioTail + "END; ";

inline const std::string kBloqueTuning =
    "BEGIN "
    "select value into :REDLOG from v$sysstat "
    "where name = 'redo log space requests'; "
    "select 100 * (sum(pins)-sum(reloads))/sum(pins) into :LIBCAC "
    "from v$librarycache; "
    "select 100 * (sum(gets)-sum(getmisses))/sum(gets) into :ROWCAC "
    "from v$rowcache; "
    "select 100 * (cur.value + con.value - phys.value) / (cur.value + con.value) into :BUFCAC  " +
    kRatioTail +
    "select value into :SPSIZE "
    "   from v$parameter where name = 'shared_pool_size'; "
    "select value into :BLKBUF "
    "   from v$parameter where name = 'db_block_buffers'; "
    "select value into :LOGBUF "
    "   from v$parameter where name = 'log_buffer'; "
    "END; ";

} // namespace dicttest
