// Administrative DDL with its effect on the dictionary's base tables, and Oracle's errors
// where Oracle refuses the statement:
//   CREATE [TEMPORARY] TABLESPACE, ALTER TABLESPACE, DROP TABLESPACE
//   ALTER DATABASE DATAFILE ... | RECOVER DATAFILE ... | RENAME FILE ...
//   CREATE/ALTER/DROP [PUBLIC] ROLLBACK SEGMENT
//   CREATE USER, ALTER USER, DROP USER
//   ALTER SYSTEM KILL SESSION, ALTER SYSTEM SWITCH LOGFILE, ALTER SYSTEM CHECKPOINT
//   CREATE/DROP ROLE, GRANT and REVOKE of roles and object privileges
// Space is kept consistent: datafiles bring their free extents, segments take theirs from
// the free extents of their tablespace and give them back when dropped.
#include "ddllexer.h"
#include "dictionary.h"

#include "simerror.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <set>

namespace sim::dictionary {

namespace {

using P = Dictionary::Param;
constexpr long long kUnlimitedExtents = 2147483645;

std::string fmtDate(std::int64_t secs)
{
    std::time_t t = static_cast<std::time_t>(secs);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

void requireDba(SessionContext &s)
{
    if (!s.isDba()) throw oraError(1031);
}

std::string checkName(const std::string &name)
{
    if (name.size() > 30) throw oraError(972, "identifier is too long");
    return name;
}

// A tablespace row: TS#, NAME, ONLINE$, CONTENTS$, BLOCKSIZE, FLAGS.
struct Tablespace {
    long long number = 0;
    std::string name;
    int online = 1, contents = 0;
    long long blockSize = 8192;
    long long flags = 0;
};

std::optional<Tablespace> findTablespace(Dictionary &d, const std::string &name)
{
    auto r = d.row("SELECT \"TS#\", NAME, \"ONLINE$\", \"CONTENTS$\", BLOCKSIZE, FLAGS FROM " + d.table("SYS", "TS$") +
                   " WHERE NAME = ?", {name});
    if (!r) return std::nullopt;
    Tablespace t;
    t.number = (*r)[0].integer();
    t.name = (*r)[1].text;
    t.online = static_cast<int>((*r)[2].integer());
    t.contents = static_cast<int>((*r)[3].integer());
    t.blockSize = (*r)[4].null ? 8192 : (*r)[4].integer();
    t.flags = (*r)[5].null ? 0 : (*r)[5].integer();
    return t;
}

Tablespace requireTablespace(Dictionary &d, const std::string &name)
{
    auto t = findTablespace(d, name);
    if (!t) throw oraError(959, "tablespace '" + name + "' does not exist");
    return *t;
}

long long blocksFor(long long bytes, long long blockSize)
{
    return std::max(1LL, (bytes + blockSize - 1) / blockSize);
}

// ---------------------------------------------------------------- clauses

struct FileSpec {
    std::string name;
    long long bytes = -1;
    bool reuse = false;
    bool autoextend = false;
    long long next = 0, maxsize = 0;   // maxsize -1: unlimited
};

// filespec: 'name' [SIZE size] [REUSE] [AUTOEXTEND (OFF | ON [NEXT size] [MAXSIZE (UNLIMITED | size)])]
FileSpec fileSpec(DdlParser &p)
{
    FileSpec f;
    f.name = p.string(2236);
    if (f.name.empty()) throw oraError(2236, "invalid file name");
    for (;;) {
        if (p.acceptWord("SIZE")) {
            f.bytes = p.size(2236);
        } else if (p.acceptWord("REUSE")) {
            f.reuse = true;
        } else if (p.acceptWord("AUTOEXTEND")) {
            if (p.acceptWord("OFF")) {
                f.autoextend = false;
                continue;
            }
            p.expectWord("ON", 905);
            f.autoextend = true;
            if (p.acceptWord("NEXT")) f.next = p.size(2231);
            if (p.acceptWord("MAXSIZE")) f.maxsize = p.acceptWord("UNLIMITED") ? -1 : p.size(2231);
        } else {
            return f;
        }
    }
}

std::vector<FileSpec> fileSpecs(DdlParser &p)
{
    std::vector<FileSpec> out;
    do { out.push_back(fileSpec(p)); } while (p.acceptOp(','));
    return out;
}

struct Storage {
    std::optional<long long> initial, next, minExtents, maxExtents, pctIncrease, optimal;
    bool optimalNull = false, any = false;
};

// storage: '(' { INITIAL size | NEXT size | MINEXTENTS n | MAXEXTENTS (n | UNLIMITED) |
//               PCTINCREASE n | OPTIMAL (size | NULL) | FREELISTS n | FREELIST GROUPS n |
//               BUFFER_POOL name } ')'
Storage storageClause(DdlParser &p)
{
    Storage s;
    p.expectOp('(', 906);
    while (!p.acceptOp(')')) {
        if (p.peek().kind == DdlToken::End) throw oraError(907);
        s.any = true;
        if (p.acceptWord("INITIAL")) {
            s.initial = p.size(2218);
            if (*s.initial <= 0) throw oraError(2218, "invalid INITIAL storage option value");
        } else if (p.acceptWord("NEXT")) {
            s.next = p.size(2219);
            if (*s.next <= 0) throw oraError(2219, "invalid NEXT storage option value");
        } else if (p.acceptWord("MINEXTENTS")) {
            s.minExtents = p.integer(2220);
            if (*s.minExtents <= 0) throw oraError(2220, "invalid MINEXTENTS storage option value");
        } else if (p.acceptWord("MAXEXTENTS")) {
            s.maxExtents = p.acceptWord("UNLIMITED") ? kUnlimitedExtents : p.integer(2221);
            if (*s.maxExtents <= 0) throw oraError(2221, "invalid MAXEXTENTS storage option value");
        } else if (p.acceptWord("PCTINCREASE")) {
            s.pctIncrease = p.integer(2222);
        } else if (p.acceptWord("OPTIMAL")) {
            if (p.acceptWord("NULL")) s.optimalNull = true;
            else s.optimal = p.size(2223);
        } else if (p.acceptWord("FREELISTS")) {
            p.integer(2225);
        } else if (p.acceptWord("FREELIST")) {
            p.expectWord("GROUPS", 2143);
            p.integer(2225);
        } else if (p.acceptWord("BUFFER_POOL")) {
            p.identifier(2143);
        } else {
            throw oraError(2143, "invalid STORAGE option");
        }
        p.acceptOp(',');
    }
    if (s.minExtents && s.maxExtents && *s.minExtents > *s.maxExtents)
        throw oraError(2226, "invalid MAXEXTENTS value (max allowed: " + std::to_string(*s.minExtents) + ")");
    return s;
}

// ---------------------------------------------------------------- space

// Takes `blocks` contiguous blocks from the free extents of tablespace `ts` (first fit);
// returns (file#, block#) or nothing.
std::optional<std::pair<long long, long long>> allocate(Dictionary &d, long long ts, long long blocks)
{
    const std::string fet = d.table("SYS", "FET$");
    auto r = d.row("SELECT \"FILE#\", \"BLOCK#\", LENGTH FROM " + fet +
                   " WHERE \"TS#\" = ? AND LENGTH >= ? ORDER BY \"FILE#\", \"BLOCK#\" LIMIT 1", {ts, blocks});
    if (!r) return std::nullopt;
    long long file = (*r)[0].integer(), block = (*r)[1].integer(), length = (*r)[2].integer();
    if (length == blocks)
        d.exec("DELETE FROM " + fet + " WHERE \"TS#\" = ? AND \"FILE#\" = ? AND \"BLOCK#\" = ?", {ts, file, block});
    else
        d.exec("UPDATE " + fet + " SET \"BLOCK#\" = ?, LENGTH = ? WHERE \"TS#\" = ? AND \"FILE#\" = ? AND \"BLOCK#\" = ?",
               {block + blocks, length - blocks, ts, file, block});
    return std::make_pair(file, block);
}

void release(Dictionary &d, long long ts, long long file, long long block, long long blocks)
{
    if (blocks <= 0) return;
    d.exec("INSERT INTO " + d.table("SYS", "FET$") + " VALUES (?, ?, ?, ?)", {ts, file, block, blocks});
}

void addDatafiles(Dictionary &d, const Tablespace &ts, const std::vector<FileSpec> &files)
{
    const std::string names = d.table("SYS", "X$DATAFILE"), osFiles = d.table("SYS", "X$OSFILE");
    for (std::size_t k = 0; k < files.size(); ++k) {
        const FileSpec &f = files[k];
        if (!d.rows("SELECT 1 FROM " + names + " WHERE NAME = ?", {f.name}).empty())
            throw oraError(1537, "cannot add data file '" + f.name + "' - file already part of database");
        for (std::size_t j = 0; j < k; ++j)
            if (files[j].name == f.name)
                throw oraError(1537, "cannot add data file '" + f.name + "' - file already part of database");
        // A file on disk is overwritten only when REUSE says so.
        if (!f.reuse && !d.rows("SELECT 1 FROM " + osFiles + " WHERE NAME = ?", {f.name}).empty())
            throw oraError(1119, "error in creating database file '" + f.name + "'\nORA-27038: created file already "
                                 "exists");
        if (f.bytes < 0)
            throw oraError(1119, "error in creating database file '" + f.name + "'\nORA-17610: file '" + f.name +
                                     "' does not exist and no size specified");
        if (f.bytes < 2 * ts.blockSize)
            throw oraError(1119, "error in creating database file '" + f.name + "'\nORA-27044: unable to write the "
                                 "header block of file");
    }
    for (const auto &f : files) {
        long long file = d.scalar("SELECT coalesce(max(\"FILE#\"), 0) + 1 FROM " + d.table("SYS", "FILE$")).integer();
        long long blocks = blocksFor(f.bytes, ts.blockSize);
        long long scn = d.currentScn();
        long long maxBlocks = !f.autoextend ? 0 : f.maxsize < 0 ? 4194302 : blocksFor(f.maxsize, ts.blockSize);
        long long inc = f.autoextend ? std::max(1LL, blocksFor(f.next ? f.next : ts.blockSize, ts.blockSize)) : 0;
        d.exec("INSERT INTO " + d.table("SYS", "FILE$") + " VALUES (?, 2, ?, ?, ?, ?, ?, 0, ?)",
               {file, blocks, ts.number, file, maxBlocks, inc, scn});
        std::string status = ts.online == 2 ? "OFFLINE" : "ONLINE";
        std::string enabled = ts.online == 2 ? "DISABLED" : ts.online == 4 ? "READ ONLY" : "READ WRITE";
        d.exec("INSERT INTO " + names + " VALUES (?, ?, ?, ?, ?, ?, ?, 12, 3, 12, 3, 4, 2)",
               {file, f.name, status, enabled, scn, fmtDate(d.now()), scn});
        release(d, ts.number, file, 2, blocks - 1);
        d.exec("DELETE FROM " + osFiles + " WHERE NAME = ?", {f.name});
    }
}

// ---------------------------------------------------------------- tablespaces

void applyDefaultStorage(Dictionary &d, const Tablespace &ts, const Storage &s)
{
    const std::string t = d.table("SYS", "TS$");
    if (s.optimal || s.optimalNull) throw oraError(2143, "invalid STORAGE option");
    if (s.initial) d.exec("UPDATE " + t + " SET DFLINIT = ? WHERE \"TS#\" = ?", {blocksFor(*s.initial, ts.blockSize), ts.number});
    if (s.next) d.exec("UPDATE " + t + " SET DFLINCR = ? WHERE \"TS#\" = ?", {blocksFor(*s.next, ts.blockSize), ts.number});
    if (s.minExtents) d.exec("UPDATE " + t + " SET DFLMINEXT = ? WHERE \"TS#\" = ?", {*s.minExtents, ts.number});
    if (s.maxExtents) d.exec("UPDATE " + t + " SET DFLMAXEXT = ? WHERE \"TS#\" = ?", {*s.maxExtents, ts.number});
    if (s.pctIncrease) d.exec("UPDATE " + t + " SET DFLEXTPCT = ? WHERE \"TS#\" = ?", {*s.pctIncrease, ts.number});
    auto r = d.row("SELECT DFLMINEXT, DFLMAXEXT FROM " + t + " WHERE \"TS#\" = ?", {ts.number});
    if (r && !(*r)[1].null && (*r)[0].integer() > (*r)[1].integer())
        throw oraError(2226, "invalid MAXEXTENTS value (max allowed: " + (*r)[0].text + ")");
}

long createTablespace(Dictionary &d, SessionContext &s, DdlParser &p, bool temporary)
{
    requireDba(s);
    std::string name = checkName(p.identifier(2216));
    bool hasFiles = false;
    std::vector<FileSpec> files;
    Storage storage;
    int online = 1, contents = temporary ? 1 : 0;
    long long minExtlen = 0;
    bool logging = true, local = false;
    while (!p.atEnd()) {
        if (p.acceptWord("DATAFILE") || p.acceptWord("TEMPFILE")) {
            auto more = fileSpecs(p);
            files.insert(files.end(), more.begin(), more.end());
            hasFiles = true;
        } else if (p.acceptWord("DEFAULT")) {
            p.expectWord("STORAGE", 2180);
            storage = storageClause(p);
        } else if (p.acceptWord("MINIMUM")) {
            p.expectWord("EXTENT", 2180);
            minExtlen = p.size(2180);
        } else if (p.acceptWord("LOGGING")) {
            logging = true;
        } else if (p.acceptWord("NOLOGGING")) {
            logging = false;
        } else if (p.acceptWord("ONLINE")) {
            online = 1;
        } else if (p.acceptWord("OFFLINE")) {
            online = 2;
        } else if (p.acceptWord("PERMANENT")) {
            contents = 0;
        } else if (p.acceptWord("TEMPORARY")) {
            contents = 1;
        } else if (p.acceptWord("EXTENT")) {
            p.expectWord("MANAGEMENT", 2180);
            if (p.acceptWord("LOCAL")) {
                local = true;
                if (p.acceptWord("UNIFORM")) {
                    if (p.acceptWord("SIZE")) p.size(2180);
                } else {
                    p.acceptWord("AUTOALLOCATE");
                }
            } else {
                p.expectWord("DICTIONARY", 2180);
            }
        } else if (p.acceptWord("SEGMENT")) {
            p.expectWord("SPACE", 2180);
            p.expectWord("MANAGEMENT", 2180);
            if (!p.acceptWord("AUTO")) p.expectWord("MANUAL", 2180);
        } else if (p.acceptWord("BLOCKSIZE")) {
            if (p.size(2180) != 8192) throw oraError(29339, "tablespace block size does not match configured block sizes");
        } else {
            throw oraError(2180, "invalid option for CREATE TABLESPACE");
        }
    }
    if (!hasFiles) throw oraError(2199, "missing DATAFILE/TEMPFILE clause");
    if (findTablespace(d, name)) throw oraError(1543, "tablespace '" + name + "' already exists");
    Tablespace ts;
    ts.number = d.scalar("SELECT coalesce(max(\"TS#\"), -1) + 1 FROM " + d.table("SYS", "TS$")).integer();
    ts.name = name;
    ts.online = online;
    ts.contents = contents;
    // Defaults of a dictionary-managed tablespace of 8K blocks.
    long long init = storage.initial ? blocksFor(*storage.initial, 8192) : 5;
    long long next = storage.next ? blocksFor(*storage.next, 8192) : 5;
    d.exec("INSERT INTO " + d.table("SYS", "TS$") +
               " VALUES (?, ?, 0, ?, ?, 0, 0, 8192, 1, 0, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, 0)",
           {ts.number, name, online, contents, d.currentScn(), storage.minExtents.value_or(1),
            contents == 1 && !storage.maxExtents ? P() : P(storage.maxExtents.value_or(505)), init, next,
            blocksFor(minExtlen, 8192) * (minExtlen > 0), storage.pctIncrease.value_or(50), logging ? 1 : 0, local ? 1 : 0});
    try {
        addDatafiles(d, ts, files);
    } catch (...) {
        d.exec("DELETE FROM " + d.table("SYS", "TS$") + " WHERE \"TS#\" = ?", {ts.number});
        throw;
    }
    return 0;
}

void setFileStates(Dictionary &d, const Tablespace &ts, const std::string &status, const std::string &enabled)
{
    d.exec("UPDATE " + d.table("SYS", "X$DATAFILE") + " SET STATUS = CASE WHEN ? = 'ONLINE' AND \"FILE#\" = 1 THEN "
           "'SYSTEM' ELSE ? END, ENABLED = ? WHERE \"FILE#\" IN (SELECT \"FILE#\" FROM " + d.table("SYS", "FILE$") +
           " WHERE \"TS#\" = ?)",
           {status, status, enabled, ts.number});
}

std::string activeRollbackSegment(Dictionary &d, const Tablespace &ts)
{
    auto v = d.scalar("SELECT NAME FROM " + d.table("SYS", "UNDO$") + " WHERE \"TS#\" = ? AND STATUS = 'ONLINE' ORDER BY \"US#\"",
                      {ts.number});
    return v.null ? std::string() : v.text;
}

// A datafile of the tablespace that needs media recovery: "n 'name'".
std::optional<std::pair<long long, std::string>> fileNeedingRecovery(Dictionary &d, const Tablespace &ts)
{
    auto r = d.row("SELECT d.\"FILE#\", d.NAME FROM " + d.table("SYS", "X$DATAFILE") + " d, " + d.table("SYS", "FILE$") +
                   " f WHERE f.\"FILE#\" = d.\"FILE#\" AND f.\"TS#\" = ? AND d.STATUS = 'RECOVER' ORDER BY d.\"FILE#\"",
                   {ts.number});
    if (!r) return std::nullopt;
    return std::make_pair((*r)[0].integer(), (*r)[1].text);
}

SimError needsRecovery(long long file, const std::string &name)
{
    return oraError(1113, "file " + std::to_string(file) + " needs media recovery\nORA-01110: data file " +
                              std::to_string(file) + ": '" + name + "'");
}

bool archivelog(Dictionary &d)
{
    return d.scalar("SELECT LOG_MODE FROM " + d.table("SYS", "X$INSTANCE")).text == "ARCHIVELOG";
}

long alterTablespace(Dictionary &d, SessionContext &s, DdlParser &p)
{
    requireDba(s);
    std::string name = p.identifier(2140);
    Tablespace ts = requireTablespace(d, name);
    const std::string tsTable = d.table("SYS", "TS$");
    if (p.acceptWord("ADD")) {
        if (!p.acceptWord("DATAFILE")) p.expectWord("TEMPFILE", 2141);
        auto files = fileSpecs(p);
        p.expectEnd();
        addDatafiles(d, ts, files);
    } else if (p.acceptWord("DEFAULT")) {
        p.expectWord("STORAGE", 2141);
        Storage st = storageClause(p);
        p.expectEnd();
        applyDefaultStorage(d, ts, st);
    } else if (p.acceptWord("MINIMUM")) {
        p.expectWord("EXTENT", 2141);
        long long bytes = p.size(2141);
        p.expectEnd();
        d.exec("UPDATE " + tsTable + " SET DFLMINLEN = ? WHERE \"TS#\" = ?", {blocksFor(bytes, ts.blockSize), ts.number});
    } else if (p.acceptWord("OFFLINE")) {
        std::string mode = "NORMAL";
        if (p.acceptWord("NORMAL")) mode = "NORMAL";
        else if (p.acceptWord("TEMPORARY")) mode = "TEMPORARY";
        else if (p.acceptWord("IMMEDIATE")) mode = "IMMEDIATE";
        else if (p.acceptWord("FOR")) {
            p.expectWord("RECOVER", 933);
            mode = "TEMPORARY";
        }
        p.expectEnd();
        if (ts.number == 0) throw oraError(1541, "system tablespace cannot be brought offline; shut down if necessary");
        if (ts.online == 2) throw oraError(1539, "tablespace '" + name + "' is not online");
        std::string rbs = activeRollbackSegment(d, ts);
        if (!rbs.empty()) throw oraError(1546, "tablespace contains active rollback segment '" + rbs + "'");
        if (mode == "IMMEDIATE" && !archivelog(d))
            throw oraError(1145, "offline immediate disallowed unless media recovery enabled");
        // FLAGS bit 1 remembers that the tablespace was read only.
        d.exec("UPDATE " + tsTable + " SET \"ONLINE$\" = 2, FLAGS = ? WHERE \"TS#\" = ?",
               {ts.online == 4 ? (ts.flags | 1) : (ts.flags & ~1LL), ts.number});
        setFileStates(d, ts, mode == "IMMEDIATE" ? "RECOVER" : "OFFLINE", "DISABLED");
    } else if (p.acceptWord("ONLINE")) {
        p.expectEnd();
        if (ts.online != 2) return 0;
        if (auto f = fileNeedingRecovery(d, ts)) throw needsRecovery(f->first, f->second);
        bool readOnly = ts.flags & 1;
        d.exec("UPDATE " + tsTable + " SET \"ONLINE$\" = ?, FLAGS = ? WHERE \"TS#\" = ?",
               {readOnly ? 4 : 1, ts.flags & ~1LL, ts.number});
        setFileStates(d, ts, "ONLINE", readOnly ? "READ ONLY" : "READ WRITE");
    } else if (p.acceptWord("READ")) {
        bool only = p.acceptWord("ONLY");
        if (!only) p.expectWord("WRITE", 2141);
        p.expectEnd();
        if (only) {
            if (ts.number == 0) throw oraError(1643, "system tablespace can not be made read only");
            if (ts.online == 4) throw oraError(1644, "tablespace '" + name + "' is already read only");
            if (ts.online == 2) throw oraError(1539, "tablespace '" + name + "' is not online");
            d.exec("UPDATE " + tsTable + " SET \"ONLINE$\" = 4 WHERE \"TS#\" = ?", {ts.number});
            setFileStates(d, ts, "ONLINE", "READ ONLY");
        } else {
            if (ts.online != 4) throw oraError(1646, "tablespace '" + name + "' is not read only - cannot make read write");
            d.exec("UPDATE " + tsTable + " SET \"ONLINE$\" = 1 WHERE \"TS#\" = ?", {ts.number});
            setFileStates(d, ts, "ONLINE", "READ WRITE");
        }
    } else if (p.acceptWord("BEGIN") || p.acceptWord("END")) {
        p.expectWord("BACKUP", 2141);
        p.expectEnd();
        if (ts.online == 2) throw oraError(1128, "cannot start online backup - file " + name + " is offline");
    } else if (p.acceptWord("COALESCE")) {
        p.expectEnd();
    } else if (p.acceptWord("LOGGING") || p.acceptWord("NOLOGGING")) {
        p.expectEnd();
    } else if (p.acceptWord("PERMANENT") || p.acceptWord("TEMPORARY")) {
        p.expectEnd();
    } else if (p.acceptWord("RENAME")) {
        p.expectWord("DATAFILE", 2141);
        std::vector<std::string> from, to;
        do { from.push_back(p.string(2236)); } while (p.acceptOp(','));
        p.expectWord("TO", 2141);
        do { to.push_back(p.string(2236)); } while (p.acceptOp(','));
        p.expectEnd();
        if (from.size() != to.size()) throw oraError(1525, "error in renaming data files");
        if (ts.online != 2) throw oraError(1525, "error in renaming data files\nORA-01121: cannot rename database file - "
                                                 "file is in use or recovery");
        for (std::size_t k = 0; k < from.size(); ++k) {
            if (to[k] != from[k] &&
                !d.rows("SELECT 1 FROM " + d.table("SYS", "X$DATAFILE") + " WHERE NAME = ?", {to[k]}).empty())
                throw oraError(1525, "error in renaming data files\nORA-01523: cannot rename data file to '" + to[k] +
                                         "' - file already part of database");
            long n = d.exec("UPDATE " + d.table("SYS", "X$DATAFILE") + " SET NAME = ? WHERE NAME = ? AND \"FILE#\" IN "
                            "(SELECT \"FILE#\" FROM " + d.table("SYS", "FILE$") + " WHERE \"TS#\" = ?)",
                            {to[k], from[k], ts.number});
            if (n == 0) throw oraError(1525, "error in renaming data files\nORA-01516: nonexistent log file, datafile, "
                                             "or tempfile \"" + from[k] + "\"");
            // The old file stays on disk; the new name is the database's now.
            d.exec("DELETE FROM " + d.table("SYS", "X$OSFILE") + " WHERE NAME = ?", {to[k]});
            if (to[k] != from[k]) d.exec("INSERT INTO " + d.table("SYS", "X$OSFILE") + " VALUES (?)", {from[k]});
        }
    } else {
        throw oraError(2142, "missing or invalid ALTER TABLESPACE option");
    }
    return 0;
}

long dropTablespace(Dictionary &d, SessionContext &s, DdlParser &p)
{
    requireDba(s);
    std::string name = p.identifier(2216);
    bool contents = false, files = false;
    if (p.acceptWord("INCLUDING")) {
        p.expectWord("CONTENTS", 905);
        contents = true;
        if (p.acceptWord("AND")) p.expectWord("DATAFILES", 905), files = true;
        else if (p.acceptWord("KEEP")) p.expectWord("DATAFILES", 905);
        if (p.acceptWord("CASCADE")) p.expectWord("CONSTRAINTS", 905);
    }
    p.expectEnd();
    Tablespace ts = requireTablespace(d, name);
    if (ts.number == 0) throw oraError(1550, "cannot drop system tablespace");
    const std::string seg = d.table("SYS", "SEG$");
    long long segments = d.scalar("SELECT count(*) FROM " + seg + " WHERE \"TS#\" = ?", {ts.number}).integer();
    if (segments > 0 && !contents) throw oraError(1549, "tablespace not empty, use INCLUDING CONTENTS option");
    std::string rbs = activeRollbackSegment(d, ts);
    if (!rbs.empty()) throw oraError(1546, "tablespace contains active rollback segment '" + rbs + "'");
    // Its tables go with it.
    for (const auto &r : d.rows("SELECT s.OWNER, s.SEGMENT_NAME FROM " + seg + " s WHERE s.\"TS#\" = ? AND "
                                "s.SEGMENT_TYPE = 'TABLE' AND EXISTS (SELECT 1 FROM SIM_OBJECTS o WHERE o.OWNER = s.OWNER "
                                "AND o.OBJECT_NAME = s.SEGMENT_NAME AND o.OBJECT_TYPE = 'TABLE')",
                                {ts.number})) {
        try {
            s.execute("DROP TABLE \"" + r[0].text + "\".\"" + r[1].text + "\" CASCADE CONSTRAINTS");
        } catch (const SimError &) {
        }
    }
    const std::string obj = d.table("SYS", "OBJ$");
    d.exec("DELETE FROM " + obj + " WHERE EXISTS (SELECT 1 FROM " + seg + " s WHERE s.\"TS#\" = ? AND s.OWNER = " + obj +
           ".OWNER AND s.SEGMENT_NAME = " + obj + ".NAME AND s.SEGMENT_TYPE = " + obj + ".TYPE)", {ts.number});
    d.exec("DELETE FROM " + d.table("SYS", "UNDO$") + " WHERE \"TS#\" = ?", {ts.number});
    d.exec("DELETE FROM " + seg + " WHERE \"TS#\" = ?", {ts.number});
    d.exec("DELETE FROM " + d.table("SYS", "TSQ$") + " WHERE \"TS#\" = ?", {ts.number});
    d.exec("DELETE FROM " + d.table("SYS", "FET$") + " WHERE \"TS#\" = ?", {ts.number});
    // Without AND DATAFILES the files stay on disk.
    if (!files)
        d.exec("INSERT INTO " + d.table("SYS", "X$OSFILE") + " SELECT NAME FROM " + d.table("SYS", "X$DATAFILE") +
               " WHERE \"FILE#\" IN (SELECT \"FILE#\" FROM " + d.table("SYS", "FILE$") + " WHERE \"TS#\" = ?)",
               {ts.number});
    d.exec("DELETE FROM " + d.table("SYS", "X$DATAFILE") + " WHERE \"FILE#\" IN (SELECT \"FILE#\" FROM " +
           d.table("SYS", "FILE$") + " WHERE \"TS#\" = ?)", {ts.number});
    d.exec("DELETE FROM " + d.table("SYS", "FILE$") + " WHERE \"TS#\" = ?", {ts.number});
    d.exec("DELETE FROM " + d.table("SYS", "TS$") + " WHERE \"TS#\" = ?", {ts.number});
    return 0;
}

// ---------------------------------------------------------------- datafiles

struct Datafile {
    long long number = 0, ts = 0, blocks = 0;
    std::string name, status;
};

Datafile findDatafile(Dictionary &d, DdlParser &p)
{
    std::string sql = "SELECT d.\"FILE#\", f.\"TS#\", f.BLOCKS, d.NAME, d.STATUS FROM " + d.table("SYS", "X$DATAFILE") + " d, " +
                      d.table("SYS", "FILE$") + " f WHERE f.\"FILE#\" = d.\"FILE#\" AND ";
    std::optional<Row> r;
    std::string label;
    if (p.peek().kind == DdlToken::Number) {
        long long n = p.integer(2236);
        label = std::to_string(n);
        r = d.row(sql + "d.\"FILE#\" = ?", {n});
    } else {
        label = p.string(2236);
        r = d.row(sql + "d.NAME = ?", {label});
    }
    if (!r) throw oraError(1516, "nonexistent log file, datafile, or tempfile \"" + label + "\"");
    Datafile f;
    f.number = (*r)[0].integer();
    f.ts = (*r)[1].integer();
    f.blocks = (*r)[2].integer();
    f.name = (*r)[3].text;
    f.status = (*r)[4].text;
    return f;
}

void setFileStatus(Dictionary &d, const Datafile &f, const std::string &status)
{
    d.exec("UPDATE " + d.table("SYS", "X$DATAFILE") + " SET STATUS = ? WHERE \"FILE#\" = ?", {status, f.number});
}

void resizeDatafile(Dictionary &d, const Datafile &f, long long bytes)
{
    long long blocks = blocksFor(bytes, 8192);
    const std::string fet = d.table("SYS", "FET$");
    long long used = d.scalar("SELECT coalesce(max(HEADER_BLOCK + BLOCKS - 1), 1) FROM " + d.table("SYS", "SEG$") +
                              " WHERE HEADER_FILE = ?", {f.number}).integer();
    // Used space beyond the new end: anything not covered by a free extent.
    long long freeTail = 0;
    for (const auto &r : d.rows("SELECT \"BLOCK#\", LENGTH FROM " + fet + " WHERE \"FILE#\" = ? ORDER BY \"BLOCK#\" DESC",
                                {f.number})) {
        if (r[0].integer() + r[1].integer() - 1 == f.blocks - freeTail) freeTail += r[1].integer();
        else break;
    }
    if (blocks < f.blocks && (blocks < f.blocks - freeTail || blocks < used))
        throw oraError(3297, "file contains used data beyond requested RESIZE value");
    if (blocks < f.blocks) {
        d.exec("DELETE FROM " + fet + " WHERE \"FILE#\" = ? AND \"BLOCK#\" > ?", {f.number, blocks});
        d.exec("UPDATE " + fet + " SET LENGTH = ? - \"BLOCK#\" + 1 WHERE \"FILE#\" = ? AND \"BLOCK#\" + LENGTH - 1 > ?",
               {blocks, f.number, blocks});
    } else if (blocks > f.blocks) {
        release(d, f.ts, f.number, f.blocks + 1, blocks - f.blocks);
    }
    d.exec("UPDATE " + d.table("SYS", "FILE$") + " SET BLOCKS = ? WHERE \"FILE#\" = ?", {blocks, f.number});
}

long alterDatabase(Dictionary &d, SessionContext &s, DdlParser &p)
{
    requireDba(s);
    if (p.acceptWord("DATAFILE")) {
        Datafile f = findDatafile(d, p);
        if (p.acceptWord("OFFLINE")) {
            bool drop = false;
            if (p.acceptWord("FOR")) p.expectWord("DROP", 933), drop = true;
            else if (p.acceptWord("DROP")) drop = true;
            p.expectEnd();
            if (f.ts == 0) throw oraError(1541, "system tablespace cannot be brought offline; shut down if necessary");
            if (!drop && !archivelog(d)) throw oraError(1145, "offline immediate disallowed unless media recovery enabled");
            // A datafile taken offline on its own needs media recovery before it comes back.
            if (f.status != "OFFLINE" || drop) setFileStatus(d, f, "RECOVER");
        } else if (p.acceptWord("ONLINE")) {
            p.expectEnd();
            if (f.status == "RECOVER") throw needsRecovery(f.number, f.name);
            if (f.status == "OFFLINE") setFileStatus(d, f, f.ts == 0 ? "SYSTEM" : "ONLINE");
        } else if (p.acceptWord("RESIZE")) {
            long long bytes = p.size(2231);
            p.expectEnd();
            resizeDatafile(d, f, bytes);
        } else if (p.acceptWord("AUTOEXTEND")) {
            long long maxBlocks = 0, inc = 0;
            if (!p.acceptWord("OFF")) {
                p.expectWord("ON", 905);
                inc = 1;
                if (p.acceptWord("NEXT")) inc = blocksFor(p.size(2231), 8192);
                maxBlocks = 4194302;
                if (p.acceptWord("MAXSIZE")) maxBlocks = p.acceptWord("UNLIMITED") ? 4194302 : blocksFor(p.size(2231), 8192);
            }
            p.expectEnd();
            d.exec("UPDATE " + d.table("SYS", "FILE$") + " SET MAXEXTEND = ?, INC = ? WHERE \"FILE#\" = ?",
                   {maxBlocks, inc, f.number});
        } else if (p.acceptWord("END")) {
            p.expectWord("BACKUP", 2231);
            p.expectEnd();
        } else {
            throw oraError(2231, "missing or invalid option to ALTER DATABASE");
        }
        return 0;
    }
    if (p.acceptWord("RECOVER")) {
        p.acceptWord("AUTOMATIC");
        if (p.acceptWord("TABLESPACE")) {
            Tablespace ts = requireTablespace(d, p.identifier(2216));
            p.expectEnd();
            if (ts.online != 2) throw oraError(1124, "cannot recover data file - file is in use or recovery");
            setFileStates(d, ts, "OFFLINE", "DISABLED");
            return 0;
        }
        p.expectWord("DATAFILE", 905);
        std::vector<Datafile> files;
        do { files.push_back(findDatafile(d, p)); } while (p.acceptOp(','));
        p.expectEnd();
        for (const auto &f : files)
            if (f.status == "ONLINE" || f.status == "SYSTEM")
                throw oraError(1124, "cannot recover data file " + std::to_string(f.number) +
                                         " - file is in use or recovery\nORA-01110: data file " +
                                         std::to_string(f.number) + ": '" + f.name + "'");
        for (const auto &f : files) setFileStatus(d, f, "OFFLINE");
        return 0;
    }
    if (p.acceptWord("RENAME")) {
        p.expectWord("FILE", 905);
        std::string from = p.string(2236);
        p.expectWord("TO", 905);
        std::string to = p.string(2236);
        p.expectEnd();
        auto r = d.row("SELECT d.\"FILE#\", d.STATUS, t.\"ONLINE$\" FROM " + d.table("SYS", "X$DATAFILE") + " d, " +
                       d.table("SYS", "FILE$") + " f, " + d.table("SYS", "TS$") +
                       " t WHERE d.NAME = ? AND f.\"FILE#\" = d.\"FILE#\" AND t.\"TS#\" = f.\"TS#\"", {from});
        if (!r) throw oraError(1511, "error in renaming log/data files\nORA-01516: nonexistent log file, datafile, or "
                                     "tempfile \"" + from + "\"");
        if ((*r)[1].text != "OFFLINE" && (*r)[1].text != "RECOVER" && (*r)[2].integer() != 2)
            throw oraError(1511, "error in renaming log/data files\nORA-01121: cannot rename database file " +
                                     (*r)[0].text + " - file is in use or recovery");
        if (!d.rows("SELECT 1 FROM " + d.table("SYS", "X$DATAFILE") + " WHERE NAME = ?", {to}).empty())
            throw oraError(1511, "error in renaming log/data files\nORA-01523: cannot rename data file to '" + to +
                                     "' - file already part of database");
        d.exec("UPDATE " + d.table("SYS", "X$DATAFILE") + " SET NAME = ? WHERE NAME = ?", {to, from});
        d.exec("DELETE FROM " + d.table("SYS", "X$OSFILE") + " WHERE NAME = ?", {to});
        if (to != from) d.exec("INSERT INTO " + d.table("SYS", "X$OSFILE") + " VALUES (?)", {from});
        return 0;
    }
    if (p.acceptWord("ARCHIVELOG") || p.acceptWord("NOARCHIVELOG"))
        throw oraError(1126, "database must be mounted EXCLUSIVE and not open for this operation");
    throw oraError(2231, "missing or invalid option to ALTER DATABASE");
}

// ---------------------------------------------------------------- rollback segments

struct Undo {
    long long number = 0, ts = 0;
    std::string name, owner, status;
};

std::optional<Undo> findUndo(Dictionary &d, const std::string &name)
{
    auto r = d.row("SELECT \"US#\", \"TS#\", NAME, OWNER, STATUS FROM " + d.table("SYS", "UNDO$") + " WHERE NAME = ?", {name});
    if (!r) return std::nullopt;
    return Undo{(*r)[0].integer(), (*r)[1].integer(), (*r)[2].text, (*r)[3].text, (*r)[4].text};
}

Undo requireUndo(Dictionary &d, const std::string &name)
{
    auto u = findUndo(d, name);
    if (!u) throw oraError(1534, "rollback segment '" + name + "' doesn't exist");
    return *u;
}

long createRollbackSegment(Dictionary &d, SessionContext &s, DdlParser &p, bool isPublic)
{
    requireDba(s);
    std::string name = checkName(p.identifier(2236));
    std::string tsName = "SYSTEM";
    Storage st;
    while (!p.atEnd()) {
        if (p.acceptWord("TABLESPACE")) tsName = p.identifier(2216);
        else if (p.acceptWord("STORAGE")) st = storageClause(p);
        else throw oraError(2143, "invalid STORAGE option");
    }
    if (findUndo(d, name)) throw oraError(1535, "rollback segment '" + name + "' already exists");
    Tablespace ts = requireTablespace(d, tsName);
    if (ts.online == 2) throw oraError(1542, "tablespace '" + tsName + "' is offline, cannot allocate space in it");
    if (ts.online == 4) throw oraError(1647, "tablespace '" + tsName + "' is read only, cannot allocate space in it");
    if (ts.contents == 1) throw oraError(2195, "Attempt to create PERMANENT object in a TEMPORARY tablespace");
    if (st.pctIncrease && *st.pctIncrease != 0) throw oraError(2143, "invalid STORAGE option");
    auto dfl = d.row("SELECT DFLINIT, DFLINCR, DFLMAXEXT FROM " + d.table("SYS", "TS$") + " WHERE \"TS#\" = ?", {ts.number});
    long long initBlocks = st.initial ? blocksFor(*st.initial, ts.blockSize) : (*dfl)[0].integer();
    long long nextBlocks = st.next ? blocksFor(*st.next, ts.blockSize) : (*dfl)[1].integer();
    long long minExt = st.minExtents.value_or(2);
    long long maxExt = st.maxExtents.value_or((*dfl)[2].null ? 121 : std::min((*dfl)[2].integer(), 32765LL));
    if (minExt < 2) throw oraError(2220, "invalid MINEXTENTS storage option value");
    if (maxExt < minExt) throw oraError(2226, "invalid MAXEXTENTS value (max allowed: " + std::to_string(minExt) + ")");
    long long size = (initBlocks + nextBlocks * (minExt - 1)) * ts.blockSize;
    if (st.optimal && *st.optimal < size)
        throw oraError(10187, "OPTIMAL size " + std::to_string(*st.optimal) + " smaller than minimum size " +
                                  std::to_string(size) + " of the rollback segment");
    // Its extents come from the tablespace's free space.
    std::optional<std::pair<long long, long long>> header;
    for (long long k = 0; k < minExt; ++k) {
        auto at = allocate(d, ts.number, k == 0 ? initBlocks : nextBlocks);
        if (!at) throw oraError(1658, "unable to create INITIAL extent for segment in tablespace " + tsName);
        if (!header) header = at;
    }
    long long us = d.scalar("SELECT coalesce(max(\"US#\"), 0) + 1 FROM " + d.table("SYS", "UNDO$")).integer();
    d.exec("INSERT INTO " + d.table("SYS", "SEG$") + " VALUES (?, ?, 'ROLLBACK', ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, 1, 1)",
           {isPublic ? "PUBLIC" : "SYS", name, ts.number, header->first, header->second, initBlocks + nextBlocks * (minExt - 1),
            minExt, initBlocks * ts.blockSize, nextBlocks * ts.blockSize, minExt, maxExt});
    d.exec("INSERT INTO " + d.table("SYS", "UNDO$") + " VALUES (?, ?, ?, ?, ?, ?, 'OFFLINE', ?, ?, 0, 0, 0, 0, 0, 0, 0, 0)",
           {us, name, isPublic ? "PUBLIC" : "SYS", ts.number, header->first, header->second,
            st.optimal ? P(*st.optimal) : P(), size});
    return 0;
}

long alterRollbackSegment(Dictionary &d, SessionContext &s, DdlParser &p)
{
    requireDba(s);
    std::string name = p.identifier(2236);
    Undo u = requireUndo(d, name);
    const std::string undo = d.table("SYS", "UNDO$"), seg = d.table("SYS", "SEG$");
    if (p.acceptWord("ONLINE")) {
        p.expectEnd();
        if (u.status == "ONLINE") return 0;
        auto ts = d.row("SELECT NAME, \"ONLINE$\" FROM " + d.table("SYS", "TS$") + " WHERE \"TS#\" = ?", {u.ts});
        if (ts && (*ts)[1].integer() == 2)
            throw oraError(1542, "tablespace '" + (*ts)[0].text + "' is offline, cannot allocate space in it");
        d.exec("UPDATE " + undo + " SET STATUS = 'ONLINE' WHERE \"US#\" = ?", {u.number});
    } else if (p.acceptWord("OFFLINE")) {
        p.expectEnd();
        if (u.number == 0) throw oraError(1598, "rollback segment 'SYSTEM' is not allowed to go offline");
        if (u.status != "ONLINE") throw oraError(1598, "rollback segment '" + name + "' is not online");
        d.exec("UPDATE " + undo + " SET STATUS = 'OFFLINE' WHERE \"US#\" = ?", {u.number});
    } else if (p.acceptWord("STORAGE")) {
        Storage st = storageClause(p);
        p.expectEnd();
        if (st.initial || st.minExtents) throw oraError(25150, "ALTERING of extent parameters not permitted");
        if (st.pctIncrease && *st.pctIncrease != 0) throw oraError(2143, "invalid STORAGE option");
        auto cur = d.row("SELECT EXTENTS, INITIAL_EXTENT, NEXT_EXTENT, MIN_EXTENTS FROM " + seg +
                         " WHERE SEGMENT_NAME = ? AND SEGMENT_TYPE = 'ROLLBACK'", {name});
        if (st.maxExtents) {
            if (*st.maxExtents < (*cur)[0].integer())
                throw oraError(2226, "invalid MAXEXTENTS value (max allowed: " + (*cur)[0].text + ")");
            d.exec("UPDATE " + seg + " SET MAX_EXTENTS = ? WHERE SEGMENT_NAME = ? AND SEGMENT_TYPE = 'ROLLBACK'",
                   {*st.maxExtents, name});
        }
        long long next = st.next ? *st.next : (*cur)[2].integer();
        if (st.next) d.exec("UPDATE " + seg + " SET NEXT_EXTENT = ? WHERE SEGMENT_NAME = ? AND SEGMENT_TYPE = 'ROLLBACK'",
                            {blocksFor(*st.next, 8192) * 8192, name});
        if (st.optimal) {
            long long minimum = (*cur)[1].integer() + next * ((*cur)[3].integer() - 1);
            if (*st.optimal < minimum)
                throw oraError(10187, "OPTIMAL size " + std::to_string(*st.optimal) + " smaller than minimum size " +
                                          std::to_string(minimum) + " of the rollback segment");
            d.exec("UPDATE " + undo + " SET OPTSIZE = ? WHERE \"US#\" = ?", {*st.optimal, u.number});
        }
        if (st.optimalNull) d.exec("UPDATE " + undo + " SET OPTSIZE = NULL WHERE \"US#\" = ?", {u.number});
    } else if (p.acceptWord("SHRINK")) {
        std::optional<long long> to;
        if (p.acceptWord("TO")) to = p.size(2231);
        p.expectEnd();
        if (u.status != "ONLINE") throw oraError(1598, "rollback segment '" + name + "' is not online");
        auto cur = d.row("SELECT BLOCKS, EXTENTS, INITIAL_EXTENT, NEXT_EXTENT, MIN_EXTENTS, HEADER_FILE, HEADER_BLOCK FROM " +
                         seg + " WHERE SEGMENT_NAME = ? AND SEGMENT_TYPE = 'ROLLBACK'", {name});
        auto opt = d.scalar("SELECT OPTSIZE FROM " + undo + " WHERE \"US#\" = ?", {u.number});
        long long init = (*cur)[2].integer() / 8192, next = (*cur)[3].integer() / 8192;
        long long target = to ? *to : !opt.null ? opt.integer() : (*cur)[2].integer() + (*cur)[3].integer() * ((*cur)[4].integer() - 1);
        long long extents = std::max((*cur)[4].integer(), 1 + (blocksFor(target, 8192) - init + next - 1) / std::max(1LL, next));
        long long blocks = init + next * (extents - 1);
        if (blocks < (*cur)[0].integer()) {
            release(d, u.ts, (*cur)[5].integer(), (*cur)[6].integer() + blocks, (*cur)[0].integer() - blocks);
            d.exec("UPDATE " + seg + " SET BLOCKS = ?, EXTENTS = ? WHERE SEGMENT_NAME = ? AND SEGMENT_TYPE = 'ROLLBACK'",
                   {blocks, extents, name});
            d.exec("UPDATE " + undo + " SET SHRINKS = SHRINKS + 1 WHERE \"US#\" = ?", {u.number});
        }
    } else {
        throw oraError(2143, "invalid STORAGE option");
    }
    return 0;
}

long dropRollbackSegment(Dictionary &d, SessionContext &s, DdlParser &p)
{
    requireDba(s);
    std::string name = p.identifier(2236);
    p.expectEnd();
    Undo u = requireUndo(d, name);
    if (u.status != "OFFLINE") throw oraError(1545, "rollback segment '" + name + "' specified not available");
    const std::string seg = d.table("SYS", "SEG$");
    auto r = d.row("SELECT HEADER_FILE, HEADER_BLOCK, BLOCKS FROM " + seg + " WHERE SEGMENT_NAME = ? AND SEGMENT_TYPE = 'ROLLBACK'",
                   {name});
    if (r) release(d, u.ts, (*r)[0].integer(), (*r)[1].integer(), (*r)[2].integer());
    d.exec("DELETE FROM " + seg + " WHERE SEGMENT_NAME = ? AND SEGMENT_TYPE = 'ROLLBACK'", {name});
    d.exec("DELETE FROM " + d.table("SYS", "UNDO$") + " WHERE \"US#\" = ?", {u.number});
    return 0;
}

// ---------------------------------------------------------------- users

// A made-up but stable password hash in Oracle's 16-hex-digit form.
std::string passwordHash(const std::string &user, const std::string &password)
{
    unsigned long long h = 1469598103934665603ULL;
    for (char c : user + "/" + password) h = (h ^ static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)))) * 1099511628211ULL;
    char buf[20];
    std::snprintf(buf, sizeof buf, "%016llX", h);
    return buf;
}

struct UserClauses {
    std::optional<std::string> password;
    bool external = false;
    std::optional<std::string> defaultTs, temporaryTs, profile;
    std::vector<std::pair<std::string, long long>> quotas;   // bytes, -1 unlimited
    std::optional<bool> locked;
    bool expire = false;
};

UserClauses userClauses(DdlParser &p, bool create)
{
    UserClauses u;
    while (!p.atEnd()) {
        if (p.acceptWord("IDENTIFIED")) {
            if (p.acceptWord("EXTERNALLY")) {
                u.external = true;
            } else if (p.acceptWord("GLOBALLY")) {
                throw oraError(922, "missing or invalid option");
            } else {
                p.expectWord("BY", 922);
                const DdlToken &t = p.peek();
                if (t.kind != DdlToken::Word && t.kind != DdlToken::Quoted) throw oraError(988, "missing or invalid password(s)");
                u.password = p.identifier(988);
            }
        } else if (p.acceptWord("DEFAULT")) {
            p.expectWord("TABLESPACE", 922);
            u.defaultTs = p.identifier(2216);
        } else if (p.acceptWord("TEMPORARY")) {
            p.expectWord("TABLESPACE", 922);
            u.temporaryTs = p.identifier(2216);
        } else if (p.acceptWord("QUOTA")) {
            long long bytes = p.acceptWord("UNLIMITED") ? -1 : p.size(2187);
            p.expectWord("ON", 969);
            u.quotas.emplace_back(p.identifier(2216), bytes);
        } else if (p.acceptWord("PROFILE")) {
            u.profile = p.identifier(2380);
        } else if (p.acceptWord("PASSWORD")) {
            p.expectWord("EXPIRE", 922);
            u.expire = true;
        } else if (p.acceptWord("ACCOUNT")) {
            if (p.acceptWord("LOCK")) u.locked = true;
            else {
                p.expectWord("UNLOCK", 922);
                u.locked = false;
            }
        } else {
            throw oraError(922, "missing or invalid option");
        }
    }
    if (create && !u.password && !u.external) throw oraError(922, "missing or invalid option");
    return u;
}

void applyUserClauses(Dictionary &d, SessionContext &s, const std::string &name, long long userNo, const UserClauses &u)
{
    const std::string users = d.table("SYS", "USER$");
    if (u.defaultTs) {
        Tablespace ts = requireTablespace(d, *u.defaultTs);
        d.exec("UPDATE " + users + " SET \"DATATS#\" = ? WHERE \"USER#\" = ?", {ts.number, userNo});
    }
    if (u.temporaryTs) {
        Tablespace ts = requireTablespace(d, *u.temporaryTs);
        d.exec("UPDATE " + users + " SET \"TEMPTS#\" = ? WHERE \"USER#\" = ?", {ts.number, userNo});
    }
    for (const auto &[tsName, bytes] : u.quotas) {
        Tablespace ts = requireTablespace(d, tsName);
        const std::string tsq = d.table("SYS", "TSQ$");
        long long maxBlocks = bytes < 0 ? -1 : bytes / ts.blockSize;
        d.exec("DELETE FROM " + tsq + " WHERE \"TS#\" = ? AND \"USER#\" = ?", {ts.number, userNo});
        if (bytes != 0) d.exec("INSERT INTO " + tsq + " VALUES (?, ?, 0, ?)", {ts.number, userNo, maxBlocks});
    }
    if (u.profile) {
        std::string profile = *u.profile;
        if (profile != "DEFAULT" && profile != "APP_PROFILE") throw oraError(2380, "profile " + profile + " does not exist");
        d.exec("UPDATE " + users + " SET PROFILE = ? WHERE \"USER#\" = ?", {profile, userNo});
    }
    if (u.password) {
        d.exec("UPDATE " + users + " SET PASSWORD = ?, EXT_USERNAME = NULL WHERE \"USER#\" = ?",
               {passwordHash(name, *u.password), userNo});
        bool dba = name == "SYS" || name == "SYSTEM" ||
                   !d.rows("SELECT 1 FROM " + d.table("SYS", "SYSAUTH$") + " WHERE GRANTEE = ? AND GRANTED_ROLE = 'DBA'",
                           {name}).empty();
        d.instance().addLogin(name, *u.password, dba);
    }
    if (u.external) {
        d.exec("UPDATE " + users + " SET PASSWORD = 'EXTERNAL', EXT_USERNAME = ? WHERE \"USER#\" = ?", {name, userNo});
        d.instance().addLogin(name, unusablePassword(), false);
    }
    std::string status;
    if (u.locked) status = *u.locked ? "LOCKED" : "OPEN";
    if (u.expire) status = status == "LOCKED" ? "EXPIRED & LOCKED" : "EXPIRED";
    if (!status.empty()) d.exec("UPDATE " + users + " SET ASTATUS = ? WHERE \"USER#\" = ?", {status, userNo});
}

long createUser(Dictionary &d, SessionContext &s, DdlParser &p)
{
    requireDba(s);
    std::string name = checkName(p.identifier(922));
    UserClauses u = userClauses(p, true);
    const std::string users = d.table("SYS", "USER$");
    if (!d.rows("SELECT 1 FROM " + users + " WHERE NAME = ?", {name}).empty() || name == "PUBLIC")
        throw oraError(1920, "user name '" + name + "' conflicts with another user or role name");
    // Validate the tablespaces and profile before anything is written.
    if (u.defaultTs) requireTablespace(d, *u.defaultTs);
    if (u.temporaryTs) requireTablespace(d, *u.temporaryTs);
    for (const auto &q : u.quotas) requireTablespace(d, q.first);
    if (u.profile && *u.profile != "DEFAULT" && *u.profile != "APP_PROFILE")
        throw oraError(2380, "profile " + *u.profile + " does not exist");
    long long userNo = std::max(100LL, d.scalar("SELECT coalesce(max(\"USER#\"), 0) + 1 FROM " + users).integer());
    d.exec("INSERT INTO " + users + " VALUES (?, ?, 1, NULL, 0, 0, ?, 'OPEN', 'DEFAULT', NULL, NULL)",
           {userNo, name, fmtDate(d.now())});
    applyUserClauses(d, s, name, userNo, u);
    d.forgetPrivileges();
    return 0;
}

long alterUser(Dictionary &d, SessionContext &s, DdlParser &p)
{
    std::string name = p.identifier(922);
    UserClauses u = userClauses(p, false);
    // A user may change his own password; everything else needs DBA.
    bool ownPassword = name == s.user() && !u.external && !u.defaultTs && !u.temporaryTs && u.quotas.empty() &&
                       !u.profile && !u.locked && !u.expire;
    if (!ownPassword) requireDba(s);
    auto no = d.scalar("SELECT \"USER#\" FROM " + d.table("SYS", "USER$") + " WHERE NAME = ? AND \"TYPE#\" = 1", {name});
    if (no.null) throw oraError(1918, "user '" + name + "' does not exist");
    applyUserClauses(d, s, name, no.integer(), u);
    return 0;
}

long dropUser(Dictionary &d, SessionContext &s, DdlParser &p)
{
    requireDba(s);
    std::string name = p.identifier(922);
    bool cascade = p.acceptWord("CASCADE");
    p.expectEnd();
    auto no = d.scalar("SELECT \"USER#\" FROM " + d.table("SYS", "USER$") + " WHERE NAME = ? AND \"TYPE#\" = 1", {name});
    if (no.null) throw oraError(1918, "user '" + name + "' does not exist");
    if (name == "SYS" || name == "SYSTEM") throw oraError(1031);
    if (!d.rows("SELECT 1 FROM " + d.table("SYS", "X$SESSION") + " WHERE USERNAME = ? AND STATUS <> 'KILLED'", {name}).empty())
        throw oraError(1940, "cannot drop a user that is currently connected");
    auto owned = d.rows("SELECT OBJECT_NAME, OBJECT_TYPE FROM SIM_OBJECTS WHERE OWNER = ?", {name});
    bool ownsScenarioObjects = !d.rows("SELECT 1 FROM " + d.table("SYS", "OBJ$") + " WHERE OWNER = ?", {name}).empty();
    if ((!owned.empty() || ownsScenarioObjects) && !cascade)
        throw oraError(1922, "CASCADE must be specified to drop '" + name + "'");
    static const std::set<std::string> droppable = {"TABLE", "VIEW", "SYNONYM", "SEQUENCE", "PROCEDURE",
                                                    "FUNCTION", "PACKAGE", "TYPE", "TRIGGER"};
    for (const auto &o : owned) {
        const std::string &type = o[1].text;
        if (!droppable.count(type)) continue;
        try {
            s.execute("DROP " + type + " \"" + name + "\".\"" + o[0].text + "\"" +
                      (type == "TABLE" ? " CASCADE CONSTRAINTS" : ""));
        } catch (const SimError &) {
        }
    }
    // The user's segments give their space back.
    const std::string seg = d.table("SYS", "SEG$");
    for (const auto &r : d.rows("SELECT \"TS#\", HEADER_FILE, HEADER_BLOCK, BLOCKS FROM " + seg + " WHERE OWNER = ?", {name}))
        release(d, r[0].integer(), r[1].integer(), r[2].integer(), r[3].integer());
    for (const char *t : {"SEG$", "OBJ$", "TAB$", "IND$", "CON$", "CCOL$", "SYN$", "LINK$", "CLU$", "CLUCOL$", "SOURCE$",
                          "VIEW$"})
        d.exec("DELETE FROM " + d.table("SYS", t) + " WHERE OWNER = ?", {name});
    d.exec("DELETE FROM " + d.table("SYS", "SEQ$") + " WHERE SEQUENCE_OWNER = ?", {name});
    d.exec("DELETE FROM " + d.table("SYS", "ICOL$") + " WHERE INDEX_OWNER = ?", {name});
    d.exec("DELETE FROM " + d.table("SYS", "OBJAUTH$") + " WHERE GRANTEE = ? OR OWNER = ?", {name, name});
    d.exec("DELETE FROM " + d.table("SYS", "SYSAUTH$") + " WHERE GRANTEE = ?", {name});
    d.exec("DELETE FROM " + d.table("SYS", "TSQ$") + " WHERE \"USER#\" = ?", {no.integer()});
    d.exec("DELETE FROM " + d.table("SYS", "USER$") + " WHERE \"USER#\" = ?", {no.integer()});
    d.instance().dropLogin(name);
    d.forgetPrivileges();
    return 0;
}

// ---------------------------------------------------------------- system

// A killed session loses its locks and transaction; sessions that waited for it get the
// lock they asked for and go on working.
void killSession(Dictionary &d, long long sid)
{
    const std::string locks = d.table("SYS", "X$LOCK"), sessions = d.table("SYS", "X$SESSION");
    auto held = d.rows("SELECT TYPE, ID1, ID2 FROM " + locks + " WHERE SID = ? AND LMODE > 0", {sid});
    for (const auto &h : held) {
        for (const auto &w : d.rows("SELECT SID, KADDR FROM " + locks + " WHERE TYPE = ? AND ID1 = ? AND ID2 = ? AND REQUEST > 0",
                                    {h[0].text, h[1].integer(), h[2].integer()})) {
            d.exec("DELETE FROM " + locks + " WHERE KADDR = ?", {w[1].text});
            d.exec("UPDATE " + sessions + " SET LOCKWAIT = NULL WHERE SID = ?", {w[0].integer()});
            d.exec("UPDATE " + d.table("SYS", "X$SESSION_WAIT") + " SET EVENT = 'db file sequential read', P1TEXT = 'file#', "
                   "P1 = 3, P2TEXT = 'block#', P2 = 240, P3TEXT = 'blocks', P3 = 1 WHERE SID = ?", {w[0].integer()});
        }
    }
    d.exec("DELETE FROM " + locks + " WHERE SID = ?", {sid});
    d.exec("UPDATE " + locks + " SET BLOCK = CASE WHEN LMODE > 0 AND EXISTS (SELECT 1 FROM " + locks +
           " w WHERE w.REQUEST > 0 AND w.TYPE = " + locks + ".TYPE AND w.ID1 = " + locks + ".ID1 AND w.ID2 = " + locks +
           ".ID2) THEN 1 ELSE 0 END");
    d.exec("DELETE FROM " + d.table("SYS", "X$TRANSACTION") + " WHERE SES_ADDR = (SELECT SADDR FROM " + sessions +
           " WHERE SID = ?)", {sid});
    d.exec("DELETE FROM " + d.table("SYS", "X$SESSION_WAIT") + " WHERE SID = ?", {sid});
    d.exec("UPDATE " + sessions + " SET STATUS = 'KILLED', SERVER = 'PSEUDO', TADDR = NULL, LOCKWAIT = NULL, COMMAND = 0, "
           "WEIGHT = 0 WHERE SID = ?", {sid});
}

long alterSystem(Dictionary &d, SessionContext &s, DdlParser &p)
{
    requireDba(s);
    if (p.acceptWord("KILL")) {
        p.expectWord("SESSION", 905);
        std::string id = p.peek().kind == DdlToken::String ? p.string(26) : std::string();
        p.acceptWord("IMMEDIATE");
        p.expectEnd();
        // 'sid,serial#': two whole numbers.
        auto comma = id.find(',');
        auto digits = [](const std::string &t) {
            std::size_t a = t.find_first_not_of(' '), b = t.find_last_not_of(' ');
            if (a == std::string::npos) return std::string();
            std::string v = t.substr(a, b - a + 1);
            return !v.empty() && v.size() < 10 && v.find_first_not_of("0123456789") == std::string::npos ? v : std::string();
        };
        std::string sidText = comma == std::string::npos ? "" : digits(id.substr(0, comma));
        std::string serialText = comma == std::string::npos ? "" : digits(id.substr(comma + 1));
        if (sidText.empty() || serialText.empty()) throw oraError(26, "missing or invalid session ID");
        long long sid = std::stoll(sidText), serial = std::stoll(serialText);
        auto r = d.row("SELECT TYPE, STATUS FROM " + d.table("SYS", "X$SESSION") + " WHERE SID = ? AND \"SERIAL#\" = ?",
                       {sid, serial});
        if (!r) throw oraError(30, "User session ID does not exist.");
        if (sid == s.sid()) throw oraError(27, "cannot kill current session");
        if ((*r)[0].text == "BACKGROUND") throw oraError(29, "session is not a user session");
        if ((*r)[1].text == "KILLED") throw oraError(31, "session marked for kill");
        killSession(d, sid);
        return 0;
    }
    if (p.acceptWord("SWITCH")) {
        p.expectWord("LOGFILE", 2065);
        p.expectEnd();
        const std::string log = d.table("SYS", "X$LOG");
        long long offset = d.now() - d.startup();
        auto current = d.row("SELECT \"GROUP#\", \"SEQUENCE#\" FROM " + log + " WHERE STATUS = 'CURRENT'");
        long long groups = d.scalar("SELECT count(*) FROM " + log).integer();
        if (!current || groups == 0) return 0;
        long long next = (*current)[0].integer() % groups + 1;
        d.exec("UPDATE " + log + " SET STATUS = 'INACTIVE', ARCHIVED = 'YES' WHERE STATUS = 'ACTIVE'");
        d.exec("UPDATE " + log + " SET STATUS = 'ACTIVE' WHERE STATUS = 'CURRENT'");
        d.exec("UPDATE " + log + " SET STATUS = 'CURRENT', ARCHIVED = 'NO', \"SEQUENCE#\" = ?, \"FIRST_CHANGE#\" = ?, "
               "FIRST_OFFSET = ? WHERE \"GROUP#\" = ?",
               {(*current)[1].integer() + 1, d.currentScn(), offset, next});
        return 0;
    }
    if (p.acceptWord("CHECKPOINT")) {
        p.acceptWord("GLOBAL") || p.acceptWord("LOCAL");
        p.expectEnd();
        return 0;
    }
    throw oraError(2065, "illegal option for ALTER SYSTEM");
}

// ---------------------------------------------------------------- roles and grants

bool isRole(Dictionary &d, const std::string &name)
{
    return !d.rows("SELECT 1 FROM " + d.table("SYS", "USER$") + " WHERE NAME = ? AND \"TYPE#\" = 0", {name}).empty();
}

bool isUserOrRole(Dictionary &d, const std::string &name)
{
    return name == "PUBLIC" || !d.rows("SELECT 1 FROM " + d.table("SYS", "USER$") + " WHERE NAME = ?", {name}).empty();
}

// privilege-list: item {',' item} where an item is one or more words (SELECT, CREATE
// SESSION, a role name, ALL [PRIVILEGES]).
std::vector<std::string> privilegeList(DdlParser &p)
{
    std::vector<std::string> out;
    do {
        std::string item;
        while (p.peek().kind == DdlToken::Word && !p.isWord("ON") && !p.isWord("TO") && !p.isWord("FROM"))
            item += (item.empty() ? "" : " ") + p.identifier(990);
        if (item.empty()) throw oraError(990, "missing or invalid privilege");
        out.push_back(item == "ALL PRIVILEGES" ? "ALL" : item);
    } while (p.acceptOp(','));
    return out;
}

std::vector<std::string> granteeList(DdlParser &p)
{
    std::vector<std::string> out;
    do { out.push_back(p.identifier(987)); } while (p.acceptOp(','));
    return out;
}

const std::vector<std::string> &systemPrivileges()
{
    static const std::vector<std::string> list = {
        "CREATE SESSION", "ALTER SESSION", "CREATE TABLE", "CREATE ANY TABLE", "CREATE VIEW", "CREATE SYNONYM",
        "CREATE PUBLIC SYNONYM", "DROP PUBLIC SYNONYM", "CREATE SEQUENCE", "CREATE PROCEDURE", "CREATE TRIGGER",
        "CREATE CLUSTER", "CREATE DATABASE LINK", "CREATE USER", "ALTER USER", "DROP USER", "CREATE ROLE",
        "CREATE TABLESPACE", "ALTER TABLESPACE", "DROP TABLESPACE", "UNLIMITED TABLESPACE", "SELECT ANY TABLE",
        "SELECT ANY DICTIONARY", "ALTER SYSTEM", "ALTER DATABASE", "CREATE ROLLBACK SEGMENT", "RESTRICTED SESSION"};
    return list;
}

// The object a privilege is granted on: OWNER and NAME as the dictionary knows them.
std::pair<std::string, std::string> grantObject(Dictionary &d, SessionContext &s, DdlParser &p)
{
    std::string owner, name = p.identifier(903);
    if (p.acceptOp('.')) {
        owner = name;
        name = p.identifier(903);
    } else {
        owner = s.currentSchema();
    }
    bool exists = !d.rows("SELECT 1 FROM SIM_OBJECTS WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE <> 'INDEX'",
                          {owner, name}).empty() ||
                  !d.rows("SELECT 1 FROM " + d.table("SYS", "OBJ$") + " WHERE OWNER = ? AND NAME = ? AND TYPE <> 'INDEX'",
                          {owner, name}).empty();
    if (!exists) throw oraError(942);
    return {owner, name};
}

long grantOrRevoke(Dictionary &d, SessionContext &s, DdlParser &p, bool grant)
{
    std::vector<std::string> privileges = privilegeList(p);
    const std::string objauth = d.table("SYS", "OBJAUTH$"), sysauth = d.table("SYS", "SYSAUTH$");
    if (p.acceptWord("ON")) {
        auto [owner, name] = grantObject(d, s, p);
        if (grant) p.expectWord("TO", 941);
        else p.expectWord("FROM", 946);
        std::vector<std::string> grantees = granteeList(p);
        bool grantable = false;
        if (grant && p.acceptWord("WITH")) {
            p.expectWord("GRANT", 905);
            p.expectWord("OPTION", 905);
            grantable = true;
        }
        p.expectEnd();
        if (owner != s.user() && !s.isDba()) {
            // Another schema's object: refused, or unknown to a user who holds nothing on it.
            std::set<std::string> roles = d.enabledRoles(s.user());
            std::vector<std::string> grantees(roles.begin(), roles.end());
            grantees.push_back(s.user());
            grantees.push_back("PUBLIC");
            if (d.objectPrivileges(grantees, owner, name).empty()) throw oraError(942);
            throw oraError(1031);
        }
        std::vector<std::string> expanded;
        for (const auto &priv : privileges) {
            if (priv == "ALL") {
                for (const char *a : {"ALTER", "DELETE", "INDEX", "INSERT", "REFERENCES", "SELECT", "UPDATE"})
                    expanded.push_back(a);
            } else if (priv == "SELECT" || priv == "INSERT" || priv == "UPDATE" || priv == "DELETE" || priv == "ALTER" ||
                       priv == "INDEX" || priv == "REFERENCES" || priv == "EXECUTE") {
                expanded.push_back(priv);
            } else {
                throw oraError(990, "missing or invalid privilege");
            }
        }
        for (const auto &g : grantees)
            if (!isUserOrRole(d, g)) throw oraError(1917, "user or role '" + g + "' does not exist");
        for (const auto &g : grantees) {
            for (const auto &priv : expanded) {
                std::vector<P> key = {g, owner, name, priv};
                bool had = !d.rows("SELECT 1 FROM " + objauth + " WHERE GRANTEE = ? AND OWNER = ? AND TABLE_NAME = ? AND "
                                   "PRIVILEGE = ?", key).empty();
                if (grant) {
                    if (had) {
                        if (grantable) d.exec("UPDATE " + objauth + " SET GRANTABLE = 'YES' WHERE GRANTEE = ? AND OWNER = ? "
                                              "AND TABLE_NAME = ? AND PRIVILEGE = ?", key);
                    } else {
                        d.exec("INSERT INTO " + objauth + " VALUES (?, ?, ?, ?, ?, ?)",
                               {g, owner, name, s.user(), priv, std::string(grantable ? "YES" : "NO")});
                    }
                } else {
                    if (!had) throw oraError(1927, "cannot REVOKE privileges you did not grant");
                    d.exec("DELETE FROM " + objauth + " WHERE GRANTEE = ? AND OWNER = ? AND TABLE_NAME = ? AND PRIVILEGE = ?", key);
                }
            }
        }
        return 0;
    }
    if (grant) p.expectWord("TO", 941);
    else p.expectWord("FROM", 946);
    std::vector<std::string> grantees = granteeList(p);
    bool admin = false;
    if (grant && p.acceptWord("WITH")) {
        p.expectWord("ADMIN", 905);
        p.expectWord("OPTION", 905);
        admin = true;
    }
    p.expectEnd();
    requireDba(s);
    for (const auto &priv : privileges) {
        bool role = isRole(d, priv);
        bool system = std::find(systemPrivileges().begin(), systemPrivileges().end(), priv) != systemPrivileges().end();
        if (!role && !system) {
            if (priv.find(' ') == std::string::npos) throw oraError(1919, "role '" + priv + "' does not exist");
            throw oraError(990, "missing or invalid privilege");
        }
    }
    for (const auto &g : grantees)
        if (!isUserOrRole(d, g)) throw oraError(1917, "user or role '" + g + "' does not exist");
    for (const auto &priv : privileges) {
        if (!isRole(d, priv)) continue;   // system privileges are accepted and not listed
        for (const auto &g : grantees) {
            if (g == priv) throw oraError(1934, "circular role grant detected");
            bool had = !d.rows("SELECT 1 FROM " + sysauth + " WHERE GRANTEE = ? AND GRANTED_ROLE = ?", {g, priv}).empty();
            if (grant) {
                if (had) d.exec("UPDATE " + sysauth + " SET ADMIN_OPTION = ? WHERE GRANTEE = ? AND GRANTED_ROLE = ? AND ? = 'YES'",
                                {std::string("YES"), g, priv, std::string(admin ? "YES" : "NO")});
                else d.exec("INSERT INTO " + sysauth + " VALUES (?, ?, ?, 'YES')", {g, priv, std::string(admin ? "YES" : "NO")});
            } else {
                if (!had) throw oraError(1951, "ROLE '" + priv + "' not granted to '" + g + "'");
                d.exec("DELETE FROM " + sysauth + " WHERE GRANTEE = ? AND GRANTED_ROLE = ?", {g, priv});
            }
        }
    }
    d.forgetPrivileges();
    return 0;
}

long createRole(Dictionary &d, SessionContext &s, DdlParser &p)
{
    requireDba(s);
    std::string name = checkName(p.identifier(922));
    std::string required = "NO";
    if (p.acceptWord("NOT")) {
        p.expectWord("IDENTIFIED", 922);
    } else if (p.acceptWord("IDENTIFIED")) {
        if (!p.acceptWord("EXTERNALLY")) {
            p.expectWord("BY", 922);
            p.identifier(988);
        }
        required = "YES";
    }
    p.expectEnd();
    if (isUserOrRole(d, name)) throw oraError(1921, "role name '" + name + "' conflicts with another user or role name");
    long long no = std::max(100LL, d.scalar("SELECT coalesce(max(\"USER#\"), 0) + 1 FROM " + d.table("SYS", "USER$")).integer());
    d.exec("INSERT INTO " + d.table("SYS", "USER$") + " VALUES (?, ?, 0, NULL, 0, 0, ?, NULL, NULL, NULL, ?)",
           {no, name, fmtDate(d.now()), required});
    d.exec("INSERT INTO " + d.table("SYS", "SYSAUTH$") + " VALUES (?, ?, 'YES', 'YES')", {s.user(), name});
    return 0;
}

long dropRole(Dictionary &d, SessionContext &s, DdlParser &p)
{
    requireDba(s);
    std::string name = p.identifier(922);
    p.expectEnd();
    if (!isRole(d, name)) throw oraError(1919, "role '" + name + "' does not exist");
    d.exec("DELETE FROM " + d.table("SYS", "USER$") + " WHERE NAME = ? AND \"TYPE#\" = 0", {name});
    d.exec("DELETE FROM " + d.table("SYS", "SYSAUTH$") + " WHERE GRANTEE = ? OR GRANTED_ROLE = ?", {name, name});
    d.exec("DELETE FROM " + d.table("SYS", "OBJAUTH$") + " WHERE GRANTEE = ?", {name});
    d.forgetPrivileges();
    return 0;
}

} // namespace

bool handleDdl(Dictionary &d, SessionContext &s, const std::string &sql, long &rows)
{
    std::unique_ptr<DdlParser> parser;
    try {
        parser = std::make_unique<DdlParser>(sql);
    } catch (const SimError &) {
        return false;   // not a statement of this grammar: the engine reports it
    }
    DdlParser &p = *parser;
    // DDL commits what the session had open, then applies all of its effect or none.
    auto run = [&](auto &&f) {
        s.execute("COMMIT");
        sqlite3 *db = d.instance().db();
        sqlite3_exec(db, "SAVEPOINT sim_ddl", nullptr, nullptr, nullptr);
        try {
            rows = f();
        } catch (...) {
            if (!sqlite3_get_autocommit(db)) {
                sqlite3_exec(db, "ROLLBACK TO sim_ddl", nullptr, nullptr, nullptr);
                sqlite3_exec(db, "RELEASE sim_ddl", nullptr, nullptr, nullptr);
            }
            throw;
        }
        if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "RELEASE sim_ddl", nullptr, nullptr, nullptr);
        return true;
    };
    if (p.isWord("CREATE")) {
        if (p.isWord("TABLESPACE", 1) || (p.isWord("TEMPORARY", 1) && p.isWord("TABLESPACE", 2))) {
            p.advance();
            bool temporary = p.acceptWord("TEMPORARY");
            p.advance();
            return run([&] { return createTablespace(d, s, p, temporary); });
        }
        bool isPublic = p.isWord("PUBLIC", 1);
        std::size_t k = isPublic ? 2 : 1;
        if (p.isWord("ROLLBACK", k) && p.isWord("SEGMENT", k + 1)) {
            for (std::size_t i = 0; i < k + 2; ++i) p.advance();
            return run([&] { return createRollbackSegment(d, s, p, isPublic); });
        }
        if (p.isWord("USER", 1)) {
            p.advance();
            p.advance();
            return run([&] { return createUser(d, s, p); });
        }
        if (p.isWord("ROLE", 1)) {
            p.advance();
            p.advance();
            return run([&] { return createRole(d, s, p); });
        }
        return false;
    }
    if (p.isWord("GRANT") || p.isWord("REVOKE")) {
        bool grant = p.isWord("GRANT");
        p.advance();
        return run([&] { return grantOrRevoke(d, s, p, grant); });
    }
    if (p.isWord("ALTER")) {
        if (p.isWord("TABLESPACE", 1) || p.isWord("DATABASE", 1) || p.isWord("USER", 1) || p.isWord("SYSTEM", 1)) {
            std::string what = p.peek(1).text;
            p.advance();
            p.advance();
            if (what == "TABLESPACE") return run([&] { return alterTablespace(d, s, p); });
            if (what == "DATABASE") return run([&] { return alterDatabase(d, s, p); });
            if (what == "USER") return run([&] { return alterUser(d, s, p); });
            return run([&] { return alterSystem(d, s, p); });
        }
        if (p.isWord("ROLLBACK", 1) && p.isWord("SEGMENT", 2)) {
            for (int i = 0; i < 3; ++i) p.advance();
            return run([&] { return alterRollbackSegment(d, s, p); });
        }
        return false;
    }
    if (p.isWord("DROP")) {
        if (p.isWord("TABLESPACE", 1)) {
            p.advance();
            p.advance();
            return run([&] { return dropTablespace(d, s, p); });
        }
        bool isPublic = p.isWord("PUBLIC", 1);
        std::size_t k = isPublic ? 2 : 1;
        if (p.isWord("ROLLBACK", k) && p.isWord("SEGMENT", k + 1)) {
            for (std::size_t i = 0; i < k + 2; ++i) p.advance();
            return run([&] { return dropRollbackSegment(d, s, p); });
        }
        if (p.isWord("USER", 1)) {
            p.advance();
            p.advance();
            return run([&] { return dropUser(d, s, p); });
        }
        if (p.isWord("ROLE", 1)) {
            p.advance();
            p.advance();
            return run([&] { return dropRole(d, s, p); });
        }
    }
    return false;
}

} // namespace sim::dictionary
