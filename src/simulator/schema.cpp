// Schema definitions beyond creating and dropping objects: constraints and how they are
// enforced, ALTER TABLE, sequences, comments, session settings and stored PL/SQL units.
//
// Constraints live in SIM_CONSTRAINTS / SIM_CONS_COLUMNS. An enabled constraint is
// enforced by SQLite triggers on its table (and, for a foreign key, on the parent table)
// that raise Oracle's error naming it, so a violating statement is undone as a whole
// while the transaction goes on, as in Oracle. Disabling a constraint drops its triggers;
// enabling it checks the rows already there first.
#include "instance.h"
#include "parser.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sim {

namespace {

std::string upperText(std::string s)
{
    for (auto &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool isNumericType(const std::string &t)
{
    return t == "NUMBER" || t == "FLOAT" || t == "DECIMAL" || t == "NUMERIC" || t == "REAL" || t == "INTEGER";
}

std::string typeClass(const std::string &t)
{
    if (isNumericType(t)) return "N";
    if (t == "DATE" || t == "TIMESTAMP") return "D";
    if (t == "BLOB" || t == "RAW" || t == "LONG RAW") return "B";
    return "C";
}

// "O.N" as Oracle writes a constraint in its messages.
std::string qualified(const std::string &owner, const std::string &name) { return owner + "." + name; }

std::string joinCols(const std::vector<std::string> &cols, const std::string &prefix = std::string())
{
    std::string out;
    for (std::size_t i = 0; i < cols.size(); ++i) out += (i ? ", " : "") + prefix + quoteIdent(cols[i]);
    return out;
}

// a1 = p.b1 AND a2 = p.b2 ... (with `op` "=" or "IS")
std::string matchCols(const std::vector<std::string> &left, const std::string &leftPrefix,
                      const std::vector<std::string> &right, const std::string &rightPrefix, const char *op = "=")
{
    std::string out;
    for (std::size_t i = 0; i < left.size() && i < right.size(); ++i)
        out += (i ? " AND " : "") + leftPrefix + quoteIdent(left[i]) + " " + op + " " + rightPrefix + quoteIdent(right[i]);
    return out;
}

std::string allOf(const std::vector<std::string> &cols, const std::string &prefix, const char *test,
                  const char *joiner = " AND ")
{
    std::string out;
    for (std::size_t i = 0; i < cols.size(); ++i) out += (i ? joiner : "") + prefix + quoteIdent(cols[i]) + test;
    return out;
}

std::string raise(const std::string &message) { return "SELECT RAISE(ABORT, " + quoteString(message) + ")"; }

// Replaces whole-word occurrences of identifier `from` (any case, unquoted) in Oracle text.
std::string renameIdentifier(const std::string &text, const std::string &from, const std::string &to)
{
    std::string out;
    auto isWordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#'; };
    std::size_t i = 0;
    bool inString = false;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\'') inString = !inString;
        if (!inString && isWordChar(c) && (i == 0 || !isWordChar(text[i - 1]))) {
            std::size_t j = i;
            while (j < text.size() && isWordChar(text[j])) ++j;
            std::string word = text.substr(i, j - i);
            out += upperText(word) == from ? to : word;
            i = j;
            continue;
        }
        if (!inString && c == '"') {
            std::size_t j = text.find('"', i + 1);
            if (j == std::string::npos) j = text.size() - 1;
            std::string word = text.substr(i + 1, j - i - 1);
            out += word == from ? "\"" + to + "\"" : text.substr(i, j - i + 1);
            i = j + 1;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

} // namespace

// The SQLite column type for an Oracle column type; affinity follows Oracle's class
// (NUMBER numeric, character types and DATE text).
std::string sqliteType(const ast::ColumnDef &c)
{
    const std::string &t = c.type;
    auto args = [&](int a, int b) {
        if (a < 0) return std::string();
        return "(" + std::to_string(a) + (b >= 0 ? "," + std::to_string(b) : std::string()) + ")";
    };
    if (t == "NUMBER" || t == "FLOAT" || t == "DECIMAL" || t == "DEC" || t == "NUMERIC" || t == "REAL")
        return "NUMBER" + args(c.precision, c.scale);
    if (t == "VARCHAR2" || t == "NVARCHAR2" || t == "CHAR" || t == "NCHAR") return t + args(c.length, -1);
    if (t == "DATE" || t == "TIMESTAMP") return "DATE TEXT";
    if (t == "BLOB") return "BLOB";
    return t == "LONG RAW" ? "LONG RAW TEXT" : t + " TEXT";
}

// ---------------------------------------------------------------- small SQLite helpers

std::vector<std::vector<std::string>> Instance::rows(const std::string &sql, const std::vector<std::string> &params)
{
    sqlite3_stmt *st = prepare(sql);
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (params[i].empty()) sqlite3_bind_null(st, static_cast<int>(i + 1));
        else sqlite3_bind_text(st, static_cast<int>(i + 1), params[i].c_str(), -1, SQLITE_TRANSIENT);
    }
    std::vector<std::vector<std::string>> out;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        auto &r = out.emplace_back();
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            const unsigned char *t = sqlite3_column_text(st, c);
            r.emplace_back(t ? reinterpret_cast<const char *>(t) : "");
        }
    }
    if (rc != SQLITE_DONE) {
        std::string msg = sqlite3_errmsg(m_db);
        sqlite3_reset(st);
        throw sqliteError(msg);
    }
    sqlite3_reset(st);
    return out;
}

void Instance::run(const std::string &sql, const std::vector<std::string> &params) { rows(sql, params); }

void Instance::schemaChanged()
{
    ++m_catalogVersion;
    m_columnCache.clear();
    m_typeCache.clear();
    m_translations.clear();
}

// ---------------------------------------------------------------- constraints

std::vector<Instance::Constraint> Instance::constraints(const std::string &where, const std::vector<std::string> &params)
{
    std::vector<Constraint> out;
    for (auto &r : rows("SELECT OWNER, CONSTRAINT_NAME, CONSTRAINT_TYPE, TABLE_NAME, SEARCH_CONDITION, R_OWNER, "
                        "R_CONSTRAINT_NAME, DELETE_RULE, STATUS, NOT_NULL FROM SIM_CONSTRAINTS WHERE " + where +
                        " ORDER BY rowid", params)) {
        Constraint c;
        c.owner = r[0];
        c.name = r[1];
        c.type = r[2].empty() ? 'C' : r[2][0];
        c.table = r[3];
        c.condition = r[4];
        c.rOwner = r[5];
        c.rName = r[6];
        c.deleteRule = r[7];
        c.enabled = r[8] == "ENABLED";
        c.notNull = r[9] == "Y";
        for (auto &col : rows("SELECT COLUMN_NAME FROM SIM_CONS_COLUMNS WHERE OWNER = ? AND CONSTRAINT_NAME = ? "
                              "ORDER BY POSITION", {c.owner, c.name}))
            c.columns.push_back(col[0]);
        out.push_back(std::move(c));
    }
    return out;
}

std::optional<Instance::Constraint> Instance::constraint(const std::string &owner, const std::string &name)
{
    auto found = constraints("OWNER = ? AND CONSTRAINT_NAME = ?", {owner, name});
    if (found.empty()) return std::nullopt;
    return found[0];
}

std::string Instance::systemConstraintName(const std::string &owner)
{
    for (;;) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "SYS_C%06ld", m_nextConstraint++);
        if (!constraint(owner, buf)) return buf;
    }
}

// The trigger names that enforce a constraint: "sim#OWNER.NAME#n".
static std::string triggerName(const Instance::Constraint &c, int n)
{
    return "sim#" + c.owner + "." + c.name + "#" + std::to_string(n);
}

void Instance::dropEnforcement(const Constraint &c)
{
    for (int n = 1; n <= 6; ++n) exec("DROP TRIGGER IF EXISTS " + quoteIdent(triggerName(c, n)));
    exec("DROP INDEX IF EXISTS " + quoteIdent("sim#" + c.owner + "." + c.name + "#key"));
}

// The SQLite text of a CHECK condition over the table's columns.
std::string Instance::checkSql(const Constraint &c)
{
    std::unique_ptr<ast::Statement> st = parseStatement("SELECT " + c.condition + " FROM DUAL");
    if (!st || st->kind != ast::Statement::Query || st->select->items.size() != 1) throw oraError(920);
    std::function<void(const ast::Expr &)> check = [&](const ast::Expr &e) {
        if (e.kind == ast::Expr::Subquery || e.kind == ast::Expr::Exists || e.kind == ast::Expr::InSelect)
            throw oraError(2251, "subquery not allowed here");
        if (e.kind == ast::Expr::Pseudo) throw oraError(2436, "date or system variable wrongly specified in CHECK constraint");
        for (auto &a : e.args)
            if (a) check(*a);
    };
    check(*st->select->items[0].expr);
    Translator tr(*this, c.owner);
    return tr.expression(st->select->items[0].expr);
}

void Instance::createEnforcement(const Constraint &c)
{
    const CatalogEntry *table = find(c.owner, c.table);
    if (!table) return;
    const std::string s = quoteIdent(table->storage);
    const std::string tableText = "\"" + c.owner + "\".\"" + c.table + "\"";
    auto trigger = [&](int n, const std::string &timing, const std::string &when, const std::string &body,
                       const std::string &on) {
        exec("CREATE TRIGGER " + quoteIdent(triggerName(c, n)) + " " + timing + " ON " + on +
             (when.empty() ? std::string() : " WHEN " + when) + " BEGIN " + body + "; END");
    };
    const std::string name = qualified(c.owner, c.name);
    switch (c.type) {
    case 'P':
    case 'U': {
        exec("CREATE INDEX IF NOT EXISTS " + quoteIdent("sim#" + c.owner + "." + c.name + "#key") + " ON " + s + " (" +
             joinCols(c.columns) + ")");
        std::string dup = "(SELECT count(*) FROM " + s + " WHERE " + matchCols(c.columns, "", c.columns, "NEW.", "IS") +
                          ") > 1";
        std::string insertBody, updateBody;
        if (c.type == 'P') {
            for (const auto &col : c.columns) {
                insertBody += raise("ORA-01400: cannot insert NULL into (" + tableText + ".\"" + col + "\")") +
                              " WHERE NEW." + quoteIdent(col) + " IS NULL; ";
                updateBody += raise("ORA-01407: cannot update (" + tableText + ".\"" + col + "\") to NULL") +
                              " WHERE NEW." + quoteIdent(col) + " IS NULL; ";
            }
        }
        std::string unique = raise("ORA-00001: unique constraint (" + name + ") violated") + " WHERE NOT (" +
                             allOf(c.columns, "NEW.", " IS NULL") + ") AND " + dup;
        trigger(1, "AFTER INSERT", "", insertBody + unique, s);
        trigger(2, "AFTER UPDATE OF " + joinCols(c.columns), "", updateBody + unique, s);
        return;
    }
    case 'C': {
        if (c.notNull) {
            const std::string &col = c.columns.at(0);
            trigger(1, "AFTER INSERT", "NEW." + quoteIdent(col) + " IS NULL",
                    raise("ORA-01400: cannot insert NULL into (" + tableText + ".\"" + col + "\")"), s);
            trigger(2, "AFTER UPDATE OF " + quoteIdent(col), "NEW." + quoteIdent(col) + " IS NULL",
                    raise("ORA-01407: cannot update (" + tableText + ".\"" + col + "\") to NULL"), s);
            return;
        }
        std::string cond = checkSql(c);
        std::string body = raise("ORA-02290: check constraint (" + name + ") violated") + " FROM " + s +
                           " WHERE rowid = NEW.rowid AND NOT (" + cond + ")";
        trigger(1, "AFTER INSERT", "", body, s);
        trigger(2, "AFTER UPDATE", "", body, s);
        return;
    }
    case 'R': {
        auto parent = constraint(c.rOwner, c.rName);
        if (!parent) return;
        const CatalogEntry *pt = find(parent->owner, parent->table);
        if (!pt) return;
        const std::string p = quoteIdent(pt->storage);
        std::string present = allOf(c.columns, "NEW.", " IS NOT NULL");
        std::string missing = raise("ORA-02291: integrity constraint (" + name + ") violated - parent key not found") +
                              " WHERE NOT EXISTS (SELECT 1 FROM " + p + " WHERE " +
                              matchCols(parent->columns, "", c.columns, "NEW.") + ")";
        trigger(1, "AFTER INSERT", present, missing, s);
        trigger(2, "AFTER UPDATE OF " + joinCols(c.columns), present, missing, s);
        std::string children = "SELECT 1 FROM " + s + " WHERE " + matchCols(c.columns, "", parent->columns, "OLD.");
        std::string found = raise("ORA-02292: integrity constraint (" + name + ") violated - child record found");
        if (c.deleteRule == "CASCADE") {
            trigger(3, "AFTER DELETE", "", "DELETE FROM " + s + " WHERE " + matchCols(c.columns, "", parent->columns, "OLD."), p);
        } else if (c.deleteRule == "SET NULL") {
            std::string sets;
            for (std::size_t i = 0; i < c.columns.size(); ++i) sets += (i ? ", " : "") + quoteIdent(c.columns[i]) + " = NULL";
            trigger(3, "AFTER DELETE", "", "UPDATE " + s + " SET " + sets + " WHERE " +
                                               matchCols(c.columns, "", parent->columns, "OLD."), p);
        } else {
            trigger(3, "AFTER DELETE", "", found + " WHERE EXISTS (" + children + ")", p);
        }
        std::string changed;
        for (std::size_t i = 0; i < parent->columns.size(); ++i)
            changed += (i ? " OR " : "") + std::string("OLD.") + quoteIdent(parent->columns[i]) + " IS NOT NEW." +
                       quoteIdent(parent->columns[i]);
        trigger(4, "AFTER UPDATE OF " + joinCols(parent->columns), changed, found + " WHERE EXISTS (" + children + ")", p);
        return;
    }
    }
}

// Checks the rows already in the table against the constraint (ADD, ENABLE).
void Instance::validate(const Constraint &c)
{
    const CatalogEntry *table = find(c.owner, c.table);
    if (!table) throw oraError(942);
    const std::string s = quoteIdent(table->storage);
    const std::string name = qualified(c.owner, c.name);
    auto any = [&](const std::string &sql) { return !rows(sql + " LIMIT 1").empty(); };
    switch (c.type) {
    case 'P':
    case 'U':
        if (c.type == 'P' && any("SELECT 1 FROM " + s + " WHERE " + allOf(c.columns, "", " IS NULL", " OR ")))
            throw oraError(1449, "column contains NULL values; cannot alter to NOT NULL");
        if (any("SELECT 1 FROM " + s + " WHERE NOT (" + allOf(c.columns, "", " IS NULL") + ") GROUP BY " +
                joinCols(c.columns) + " HAVING count(*) > 1"))
            throw c.type == 'P' ? oraError(2437, "cannot validate (" + name + ") - primary key violated")
                                : oraError(2299, "cannot validate (" + name + ") - duplicate keys found");
        return;
    case 'C':
        if (c.notNull) {
            if (any("SELECT 1 FROM " + s + " WHERE " + quoteIdent(c.columns.at(0)) + " IS NULL"))
                throw oraError(2296, "cannot enable (" + name + ") - null values found");
            return;
        }
        if (any("SELECT 1 FROM " + s + " WHERE NOT (" + checkSql(c) + ")"))
            throw oraError(2293, "cannot validate (" + name + ") - check constraint violated");
        return;
    case 'R': {
        auto parent = constraint(c.rOwner, c.rName);
        if (!parent) throw oraError(2270, "no matching unique or primary key for this column-list");
        const CatalogEntry *pt = find(parent->owner, parent->table);
        if (!pt) throw oraError(942);
        if (any("SELECT 1 FROM " + s + " AS c WHERE " + allOf(c.columns, "c.", " IS NOT NULL") +
                " AND NOT EXISTS (SELECT 1 FROM " + quoteIdent(pt->storage) + " AS p WHERE " +
                matchCols(parent->columns, "p.", c.columns, "c.") + ")"))
            throw oraError(2298, "cannot validate (" + name + ") - parent keys not found");
        return;
    }
    }
}

// Columns of an Oracle table, in order (empty when the table is unknown).
static std::vector<std::string> tableColumns(Instance &inst, const std::string &owner, const std::string &table)
{
    std::vector<std::string> out;
    for (auto &r : inst.rows("SELECT COLUMN_NAME FROM SIM_COLUMNS WHERE OWNER = ? AND TABLE_NAME = ? ORDER BY COLUMN_ID",
                             {owner, table}))
        out.push_back(r[0]);
    return out;
}

// Marks the columns NOT NULL in the dictionary when an enabled NOT NULL or primary key
// constraint covers them, nullable otherwise.
void Instance::refreshNullable(const std::string &owner, const std::string &table)
{
    run("UPDATE SIM_COLUMNS SET NULLABLE = CASE WHEN EXISTS (SELECT 1 FROM SIM_CONSTRAINTS k, SIM_CONS_COLUMNS kc "
        "WHERE k.OWNER = SIM_COLUMNS.OWNER AND k.TABLE_NAME = SIM_COLUMNS.TABLE_NAME AND k.STATUS = 'ENABLED' "
        "AND (k.CONSTRAINT_TYPE = 'P' OR k.NOT_NULL = 'Y') AND kc.OWNER = k.OWNER AND "
        "kc.CONSTRAINT_NAME = k.CONSTRAINT_NAME AND kc.COLUMN_NAME = SIM_COLUMNS.COLUMN_NAME) THEN 'N' "
        "WHEN NATIVE_NOT_NULL = 'Y' THEN 'N' ELSE 'Y' END WHERE OWNER = ? AND TABLE_NAME = ?",
        {owner, table});
    m_typeCache.clear();
}

void Instance::addConstraint(const std::string &owner, const std::string &table, ast::ConstraintDef def,
                             const std::string &currentSchema)
{
    Constraint c;
    c.owner = owner;
    c.table = table;
    c.type = def.type;
    c.columns = def.columns;
    c.condition = def.condition;
    c.notNull = def.notNull;
    c.enabled = !def.disabled;
    c.deleteRule = def.type == 'R' ? def.deleteRule : std::string();
    bool generated = def.name.empty();
    c.name = generated ? systemConstraintName(owner) : def.name;
    if (!generated && constraint(owner, c.name)) throw oraError(2264, "name already used by an existing constraint");
    std::vector<std::string> cols = tableColumns(*this, owner, table);
    for (const auto &col : c.columns)
        if (std::find(cols.begin(), cols.end(), col) == cols.end()) throw invalidIdentifier(col);
    if (c.notNull) c.condition = "\"" + c.columns.at(0) + "\" IS NOT NULL";
    if (c.type == 'P' || c.type == 'U') {
        for (const auto &other : constraints("OWNER = ? AND TABLE_NAME = ?", {owner, table})) {
            if (c.type == 'P' && other.type == 'P') throw oraError(2260, "table can have only one primary key");
            if ((other.type == 'P' || other.type == 'U') && other.columns == c.columns)
                throw oraError(2261, "such unique or primary key already exists in the table");
        }
    }
    if (c.type == 'R') {
        std::string parentOwner = def.refSchema.empty() ? currentSchema : def.refSchema;
        const CatalogEntry *pt = find(parentOwner, def.refTable);
        for (int depth = 0; pt && pt->type == "SYNONYM" && depth < 16; ++depth) pt = find(pt->targetOwner, pt->targetName);
        if (!pt && def.refSchema.empty()) {
            pt = find("PUBLIC", def.refTable);
            for (int depth = 0; pt && pt->type == "SYNONYM" && depth < 16; ++depth) pt = find(pt->targetOwner, pt->targetName);
        }
        if (!pt || pt->type != "TABLE") throw oraError(942);
        // The parent key: the primary key, or the key on exactly the columns named.
        std::optional<Constraint> key;
        for (auto &k : constraints("OWNER = ? AND TABLE_NAME = ? AND CONSTRAINT_TYPE IN ('P', 'U')", {pt->owner, pt->name})) {
            if (def.refColumns.empty() ? k.type == 'P' : k.columns == def.refColumns) key = k;
            else if (!def.refColumns.empty() && !key) {
                auto a = k.columns, b = def.refColumns;
                std::sort(a.begin(), a.end());
                std::sort(b.begin(), b.end());
                if (a == b) key = k;
            }
        }
        if (!key) {
            if (def.refColumns.empty()) throw oraError(2268, "referenced table does not have a primary key");
            throw oraError(2270, "no matching unique or primary key for this column-list");
        }
        if (key->columns.size() != c.columns.size())
            throw oraError(2256, "number of referencing columns must match referenced columns");
        if (!def.refColumns.empty() && key->columns != def.refColumns) {
            // Key columns named in another order: the child columns follow the key's order.
            std::vector<std::string> ordered;
            for (const auto &kc : key->columns) {
                auto at = std::find(def.refColumns.begin(), def.refColumns.end(), kc) - def.refColumns.begin();
                ordered.push_back(c.columns[static_cast<std::size_t>(at)]);
            }
            c.columns = ordered;
        }
        c.rOwner = key->owner;
        c.rName = key->name;
    }
    if (c.enabled) validate(c);
    run("INSERT INTO SIM_CONSTRAINTS VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {c.owner, c.name, std::string(1, c.type), c.table, c.condition, c.rOwner, c.rName, c.deleteRule,
         c.enabled ? "ENABLED" : "DISABLED", generated ? "GENERATED NAME" : "USER NAME", formatDate(m_clock.now()),
         c.notNull ? "Y" : "N"});
    for (std::size_t i = 0; i < c.columns.size(); ++i)
        run("INSERT INTO SIM_CONS_COLUMNS VALUES (?, ?, ?, ?, ?)",
            {c.owner, c.name, c.table, c.columns[i], c.type == 'C' ? std::string() : std::to_string(i + 1)});
    if (c.enabled) createEnforcement(c);
    refreshNullable(owner, table);
}

// Foreign keys of any table that reference constraint OWNER.NAME.
std::vector<Instance::Constraint> Instance::dependents(const Constraint &key)
{
    return constraints("CONSTRAINT_TYPE = 'R' AND R_OWNER = ? AND R_CONSTRAINT_NAME = ?", {key.owner, key.name});
}

void Instance::removeConstraint(const Constraint &c, bool cascade)
{
    if (c.type == 'P' || c.type == 'U') {
        auto deps = dependents(c);
        if (!deps.empty() && !cascade)
            throw oraError(2273, "this unique/primary key is referenced by some foreign keys");
        for (const auto &d : deps) removeConstraint(d, false);
    }
    dropEnforcement(c);
    run("DELETE FROM SIM_CONSTRAINTS WHERE OWNER = ? AND CONSTRAINT_NAME = ?", {c.owner, c.name});
    run("DELETE FROM SIM_CONS_COLUMNS WHERE OWNER = ? AND CONSTRAINT_NAME = ?", {c.owner, c.name});
    refreshNullable(c.owner, c.table);
}

void Instance::setConstraintEnabled(const Constraint &c, bool enabled, bool cascade)
{
    if (enabled == c.enabled) return;
    if (!enabled && (c.type == 'P' || c.type == 'U')) {
        auto deps = dependents(c);
        bool enabledDeps = std::any_of(deps.begin(), deps.end(), [](const Constraint &d) { return d.enabled; });
        if (enabledDeps && !cascade)
            throw oraError(2297, "cannot disable constraint (" + qualified(c.owner, c.name) + ") - dependencies exist");
        for (const auto &d : deps) setConstraintEnabled(d, false, false);
    }
    if (enabled) {
        if (c.type == 'R') {
            auto parent = constraint(c.rOwner, c.rName);
            if (parent && !parent->enabled) throw oraError(2270, "no matching unique or primary key for this column-list");
        }
        validate(c);
        createEnforcement(c);
    } else {
        dropEnforcement(c);
    }
    run("UPDATE SIM_CONSTRAINTS SET STATUS = ?, LAST_CHANGE = ? WHERE OWNER = ? AND CONSTRAINT_NAME = ?",
        {enabled ? "ENABLED" : "DISABLED", formatDate(m_clock.now()), c.owner, c.name});
    refreshNullable(c.owner, c.table);
}

// The table goes: its constraints go with it. Keys other tables' foreign keys reference
// refuse the drop (ORA-02449) unless CASCADE CONSTRAINTS drops those foreign keys too.
void Instance::dropTableConstraints(const std::string &owner, const std::string &table, bool cascade)
{
    auto own = constraints("OWNER = ? AND TABLE_NAME = ?", {owner, table});
    for (const auto &c : own) {
        if (c.type != 'P' && c.type != 'U') continue;
        for (const auto &d : dependents(c))
            if (!(d.owner == owner && d.table == table) && !cascade)
                throw oraError(2449, "unique/primary keys in table referenced by foreign keys");
    }
    for (const auto &c : own) {
        if (!constraint(c.owner, c.name)) continue;
        removeConstraint(c, true);
    }
    run("DELETE FROM SIM_COMMENTS WHERE OWNER = ? AND TABLE_NAME = ?", {owner, table});
    // Its triggers go too.
    for (auto &t : rows("SELECT OWNER, TRIGGER_NAME FROM SIM_TRIGGERS WHERE TABLE_OWNER = ? AND TABLE_NAME = ?",
                        {owner, table})) {
        run("DELETE FROM SIM_SOURCE WHERE OWNER = ? AND NAME = ? AND TYPE = 'TRIGGER'", {t[0], t[1]});
        removeObjectRow(t[0], t[1], "TRIGGER");
    }
    run("DELETE FROM SIM_TRIGGERS WHERE TABLE_OWNER = ? AND TABLE_NAME = ?", {owner, table});
}

// TRUNCATE of a table whose keys enabled foreign keys of other tables reference: ORA-02266.
void Instance::checkTruncate(const std::string &owner, const std::string &table)
{
    for (const auto &c : constraints("OWNER = ? AND TABLE_NAME = ? AND CONSTRAINT_TYPE IN ('P', 'U')", {owner, table}))
        for (const auto &d : dependents(c))
            if (d.enabled && !(d.owner == owner && d.table == table))
                throw oraError(2266, "unique/primary keys in table referenced by enabled foreign keys");
}

// Every constraint whose triggers name the table: its own, and foreign keys referencing it.
std::vector<Instance::Constraint> Instance::enforcedOn(const std::string &owner, const std::string &table)
{
    auto out = constraints("OWNER = ? AND TABLE_NAME = ? AND STATUS = 'ENABLED'", {owner, table});
    for (const auto &c : constraints("OWNER = ? AND TABLE_NAME = ? AND CONSTRAINT_TYPE IN ('P', 'U')", {owner, table}))
        for (const auto &d : dependents(c))
            if (d.enabled && !(d.owner == owner && d.table == table)) out.push_back(d);
    return out;
}

// SQLite's "UNIQUE constraint failed: T.A, T.B" for a unique index: Oracle names the
// constraint, or the unique index that enforces the key.
SimError Instance::uniqueViolation(const std::string &message)
{
    const std::string prefix = "UNIQUE constraint failed: ";
    std::string list = message.substr(prefix.size()), storage;
    std::vector<std::string> cols;
    for (std::size_t from = 0; from < list.size();) {
        std::size_t comma = list.find(", ", from);
        std::string item = list.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        std::size_t dot = item.rfind('.');
        if (dot == std::string::npos) return oraError(1);
        storage = item.substr(0, dot);
        cols.push_back(item.substr(dot + 1));
        if (comma == std::string::npos) break;
        from = comma + 2;
    }
    std::sort(cols.begin(), cols.end());
    for (auto &idx : rows("SELECT name FROM pragma_index_list(?) WHERE \"unique\" = 1", {storage})) {
        std::vector<std::string> have;
        for (auto &c : rows("SELECT name FROM pragma_index_info(?)", {idx[0]})) have.push_back(c[0]);
        std::sort(have.begin(), have.end());
        if (have != cols) continue;
        std::size_t dot = idx[0].find('.');
        if (idx[0].rfind("sqlite_", 0) == 0 || dot == std::string::npos) break;
        return oraError(1, "unique constraint (" + idx[0] + ") violated");
    }
    // A key SQLite declares itself: the engine's constraint over the same columns.
    for (auto &entry : m_catalog) {
        const CatalogEntry &e = entry.second;
        if (e.type != "TABLE" || e.storage != storage) continue;
        for (auto &k : constraints("OWNER = ? AND TABLE_NAME = ? AND CONSTRAINT_TYPE IN ('P', 'U')", {e.owner, e.name})) {
            auto have = k.columns;
            std::sort(have.begin(), have.end());
            if (have == cols) return oraError(1, "unique constraint (" + k.owner + "." + k.name + ") violated");
        }
    }
    return oraError(1);
}

// ---------------------------------------------------------------- sequences

std::string Instance::resolveSequence(const std::string &schema, const std::string &name,
                                      const std::string &currentSchema) const
{
    const CatalogEntry *e = schema.empty() ? find(currentSchema, name) : find(schema, name);
    if (!e && schema.empty()) e = find("PUBLIC", name);
    for (int depth = 0; e && e->type == "SYNONYM" && depth < 16; ++depth) e = find(e->targetOwner, e->targetName);
    if (!e || e->type != "SEQUENCE") throw oraError(2289, "sequence does not exist");
    return e->owner + "." + e->name;
}

double Instance::nextValue(const std::string &key)
{
    auto it = m_sequences.find(key);
    if (it == m_sequences.end()) throw oraError(2289, "sequence does not exist");
    Sequence &s = it->second;
    double v = s.started ? s.last + s.increment : s.start;
    bool beyond = s.increment > 0 ? v > s.maxValue : v < s.minValue;
    if (beyond) {
        if (!s.cycle) {
            std::string name = key.substr(key.find('.') + 1);
            throw oraError(8004, "sequence " + name + ".NEXTVAL " + (s.increment > 0 ? "exceeds MAXVALUE" : "goes below MINVALUE") +
                                     " and cannot be instantiated");
        }
        v = s.increment > 0 ? s.minValue : s.maxValue;
    }
    s.last = v;
    s.started = true;
    // LAST_NUMBER, as the dictionary records it, moves a cache's worth at a time.
    if (s.cache <= 1) s.lastNumber = v + s.increment;
    else if (s.increment > 0 ? v >= s.lastNumber : v <= s.lastNumber)
        s.lastNumber = v + s.increment * static_cast<double>(s.cache);
    return v;
}

namespace {

void resultNumber(sqlite3_context *ctx, double v)
{
    if (v == std::floor(v) && std::fabs(v) < 9.0e15) sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(v));
    else sqlite3_result_double(ctx, v);
}

std::string argText(sqlite3_value *v)
{
    const unsigned char *t = sqlite3_value_text(v);
    return t ? reinterpret_cast<const char *>(t) : "";
}

// ora_nextval(schema, name) / ora_currval(schema, name): the sequence as the running
// session sees it (its current schema, then public synonyms).
void nextvalFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    auto *inst = static_cast<Instance *>(sqlite3_user_data(ctx));
    try {
        Session *s = inst->current;
        std::string key = inst->resolveSequence(argText(argv[0]), argText(argv[1]),
                                                s ? s->currentSchema() : std::string("SYS"));
        double v = inst->nextValue(key);
        if (s) s->setCurrval(key, v);
        resultNumber(ctx, v);
    } catch (const SimError &e) {
        sqlite3_result_error(ctx, e.what(), -1);
    }
}

void currvalFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    auto *inst = static_cast<Instance *>(sqlite3_user_data(ctx));
    try {
        Session *s = inst->current;
        std::string key = inst->resolveSequence(argText(argv[0]), argText(argv[1]),
                                                s ? s->currentSchema() : std::string("SYS"));
        double v = 0;
        if (!s || !s->currval(key, v))
            throw oraError(8002, "sequence " + key.substr(key.find('.') + 1) + ".CURRVAL is not yet defined in this session");
        resultNumber(ctx, v);
    } catch (const SimError &e) {
        sqlite3_result_error(ctx, e.what(), -1);
    }
}

// sim_sequence_last(owner, name): LAST_NUMBER of dba_sequences.
void sequenceLastFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    auto *inst = static_cast<Instance *>(sqlite3_user_data(ctx));
    auto v = inst->sequenceLast(argText(argv[0]) + "." + argText(argv[1]));
    if (v) resultNumber(ctx, *v);
    else sqlite3_result_null(ctx);
}

// sim_is_dba(): 1 when the running session is a DBA's (the ALL_ views show it everything).
void isDbaFunction(sqlite3_context *ctx, int, sqlite3_value **)
{
    auto *inst = static_cast<Instance *>(sqlite3_user_data(ctx));
    sqlite3_result_int(ctx, !inst->current || inst->current->isDba() ? 1 : 0);
}

// sim_session_parameter(name): the running session's NLS setting.
void sessionParameterFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    auto *inst = static_cast<Instance *>(sqlite3_user_data(ctx));
    std::string v = inst->current ? inst->current->parameter(argText(argv[0])) : std::string();
    if (v.empty()) sqlite3_result_null(ctx);
    else sqlite3_result_text(ctx, v.c_str(), -1, SQLITE_TRANSIENT);
}

} // namespace

std::optional<double> Instance::sequenceLast(const std::string &key) const
{
    auto it = m_sequences.find(key);
    if (it == m_sequences.end()) return std::nullopt;
    return it->second.lastNumber;
}

void Instance::createSchemaTables()
{
    exec("CREATE TABLE SIM_CONSTRAINTS (OWNER TEXT, CONSTRAINT_NAME TEXT, CONSTRAINT_TYPE TEXT, TABLE_NAME TEXT, "
         "SEARCH_CONDITION TEXT, R_OWNER TEXT, R_CONSTRAINT_NAME TEXT, DELETE_RULE TEXT, STATUS TEXT, "
         "GENERATED TEXT, LAST_CHANGE TEXT, NOT_NULL TEXT, PRIMARY KEY (OWNER, CONSTRAINT_NAME))");
    exec("CREATE TABLE SIM_CONS_COLUMNS (OWNER TEXT, CONSTRAINT_NAME TEXT, TABLE_NAME TEXT, COLUMN_NAME TEXT, "
         "POSITION INTEGER)");
    exec("CREATE INDEX SIM_CONS_COLUMNS_K ON SIM_CONS_COLUMNS (OWNER, CONSTRAINT_NAME)");
    exec("CREATE TABLE SIM_SEQUENCES (SEQUENCE_OWNER TEXT, SEQUENCE_NAME TEXT, MIN_VALUE NUMBER, MAX_VALUE NUMBER, "
         "INCREMENT_BY NUMBER, CYCLE_FLAG TEXT, ORDER_FLAG TEXT, CACHE_SIZE INTEGER, "
         "PRIMARY KEY (SEQUENCE_OWNER, SEQUENCE_NAME))");
    exec("CREATE TABLE SIM_COMMENTS (OWNER TEXT, TABLE_NAME TEXT, COLUMN_NAME TEXT, COMMENTS TEXT)");
    exec("CREATE TABLE SIM_SOURCE (OWNER TEXT, NAME TEXT, TYPE TEXT, LINE INTEGER, TEXT TEXT)");
    exec("CREATE TABLE SIM_TRIGGERS (OWNER TEXT, TRIGGER_NAME TEXT, TRIGGER_TYPE TEXT, TRIGGERING_EVENT TEXT, "
         "TABLE_OWNER TEXT, TABLE_NAME TEXT, STATUS TEXT, PRIMARY KEY (OWNER, TRIGGER_NAME))");
    sqlite3_create_function_v2(m_db, "ora_nextval", 2, SQLITE_UTF8, this, nextvalFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "ora_currval", 2, SQLITE_UTF8, this, currvalFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "sim_sequence_last", 2, SQLITE_UTF8, this, sequenceLastFunction, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(m_db, "sim_is_dba", 0, SQLITE_UTF8, this, isDbaFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "sim_session_parameter", 1, SQLITE_UTF8, this, sessionParameterFunction, nullptr,
                               nullptr, nullptr);
}

std::string Instance::dateFormat() const
{
    if (!current) return "DD-MON-RR";
    std::string f = current->parameter("NLS_DATE_FORMAT");
    return f.empty() ? "DD-MON-RR" : f;
}

// Adds the SQLite object OWNER.NAME of `type` to SIM_OBJECTS only (package and type
// bodies and triggers have names of their own kind, apart from tables and views).
void Instance::addObjectRow(const std::string &owner, const std::string &name, const std::string &type)
{
    run("INSERT OR REPLACE INTO SIM_OBJECTS VALUES (?, ?, ?, ?, ?)",
        {owner, name, type, std::to_string(m_nextObjectId++), formatDate(m_clock.now())});
    ++m_catalogVersion;
}

void Instance::removeObjectRow(const std::string &owner, const std::string &name, const std::string &type)
{
    run("DELETE FROM SIM_OBJECTS WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = ?", {owner, name, type});
    ++m_catalogVersion;
}

// ---------------------------------------------------------------- the session's statements

namespace {

// Runs `f` so that all of its effect on the database or none of it remains.
template <typename F>
void atomically(Instance &inst, F &&f)
{
    inst.exec("SAVEPOINT sim_schema");
    try {
        f();
    } catch (...) {
        try {
            inst.exec("ROLLBACK TO sim_schema");
            inst.exec("RELEASE sim_schema");
        } catch (...) {
        }
        inst.schemaChanged();
        throw;
    }
    inst.exec("RELEASE sim_schema");
    inst.schemaChanged();
}

} // namespace

std::string Session::parameter(const std::string &name) const
{
    auto it = m_parameters.find(name);
    return it == m_parameters.end() ? std::string() : it->second;
}

bool Session::currval(const std::string &key, double &value) const
{
    auto it = m_currval.find(key);
    if (it == m_currval.end()) return false;
    value = it->second;
    return true;
}

// ALTER SESSION SET: the NLS settings the session's conversions use, CURRENT_SCHEMA, and
// the settings that change only how Oracle works inside (accepted, without effect here).
long Session::alterSession(ast::Statement &st)
{
    static const std::set<std::string> languages = {
        "AMERICAN", "ENGLISH", "SPANISH", "LATIN AMERICAN SPANISH", "MEXICAN SPANISH", "FRENCH", "GERMAN",
        "ITALIAN", "PORTUGUESE", "BRAZILIAN PORTUGUESE", "DUTCH", "CATALAN", "JAPANESE", "POLISH"};
    static const std::set<std::string> territories = {
        "AMERICA", "UNITED KINGDOM", "SPAIN", "CHILE", "ARGENTINA", "MEXICO", "PERU", "COLOMBIA", "FRANCE",
        "GERMANY", "ITALY", "PORTUGAL", "BRAZIL", "JAPAN", "CANADA", "AUSTRALIA", "NETHERLANDS", "POLAND"};
    static const std::set<std::string> accepted = {
        "NLS_NUMERIC_CHARACTERS", "NLS_CURRENCY", "NLS_ISO_CURRENCY", "NLS_SORT", "NLS_COMP", "NLS_CALENDAR",
        "NLS_DATE_LANGUAGE", "NLS_TIMESTAMP_FORMAT", "NLS_TIMESTAMP_TZ_FORMAT", "NLS_DUAL_CURRENCY",
        "NLS_LENGTH_SEMANTICS", "TIME_ZONE", "SQL_TRACE", "OPTIMIZER_MODE", "OPTIMIZER_GOAL", "SORT_AREA_SIZE",
        "HASH_AREA_SIZE", "STATISTICS_LEVEL", "TIMED_STATISTICS", "CURSOR_SHARING", "DB_FILE_MULTIBLOCK_READ_COUNT",
        "SKIP_UNUSABLE_INDEXES", "PLSQL_WARNINGS", "PLSQL_OPTIMIZE_LEVEL", "PLSQL_CODE_TYPE", "EVENTS",
        "TRACEFILE_IDENTIFIER", "WORKAREA_SIZE_POLICY", "DDL_LOCK_TIMEOUT", "GLOBAL_NAMES", "MAX_DUMP_FILE_SIZE",
        "QUERY_REWRITE_ENABLED", "STAR_TRANSFORMATION_ENABLED", "ISOLATION_LEVEL", "CONSTRAINTS", "EDITION"};
    std::map<std::string, std::string> next = m_parameters;
    std::string schema = m_schema;
    for (auto &[name, raw] : st.settings) {
        std::string value = raw;
        if (name == "CURRENT_SCHEMA") {
            ast::Statement s;
            s.identifier = upperText(value);
            s.kind = ast::Statement::SetCurrentSchema;
            std::string was = m_schema;
            runParsed(s, "", nullptr);
            schema = m_schema;
            m_schema = was;
            continue;
        }
        if (name == "NLS_DATE_FORMAT") {
            // The model must be one TO_CHAR and TO_DATE understand.
            try {
                formatDateModel(0, value);
                parseDateModel(formatDateModel(86400 * 365, value), value, 0);
            } catch (const SimError &) {
                throw oraError(1821, "date format not recognized");
            }
            next[name] = value;
            continue;
        }
        if (name == "NLS_LANGUAGE" || name == "NLS_DATE_LANGUAGE") {
            if (!languages.count(upperText(value))) throw oraError(12705, "Cannot access NLS data files or invalid environment specified");
            next[name] = upperText(value);
            continue;
        }
        if (name == "NLS_TERRITORY") {
            if (!territories.count(upperText(value))) throw oraError(12705, "Cannot access NLS data files or invalid environment specified");
            next[name] = upperText(value);
            continue;
        }
        if (!accepted.count(name)) throw oraError(2248, "invalid option for ALTER SESSION");
        next[name] = value;
    }
    m_parameters = std::move(next);
    m_schema = schema;
    return 0;
}

// Statements of this file's kinds, after the DDL commit.
long Session::schemaDdl(ast::Statement &st)
{
    std::string owner = ownerFor(st.table);
    switch (st.kind) {
    case ast::Statement::AlterTable: return alterTable(st);
    case ast::Statement::CreateSequence:
    case ast::Statement::AlterSequence:
    case ast::Statement::DropSequence: return sequenceDdl(st);
    case ast::Statement::Comment: {
        const CatalogEntry *e = m_instance.find(owner, st.table.name);
        for (int depth = 0; e && e->type == "SYNONYM" && depth < 16; ++depth) e = m_instance.find(e->targetOwner, e->targetName);
        if (!e && st.table.schema.empty()) {
            e = m_instance.find("PUBLIC", st.table.name);
            for (int depth = 0; e && e->type == "SYNONYM" && depth < 16; ++depth) e = m_instance.find(e->targetOwner, e->targetName);
        }
        if (!e || (e->type != "TABLE" && e->type != "VIEW")) throw oraError(942);
        checkOwnerOfVisible(e->owner, e->name);
        if (!st.identifier.empty()) {
            auto cols = m_instance.columns(e->storage);
            if (std::find(cols.begin(), cols.end(), st.identifier) == cols.end()) throw invalidIdentifier(st.identifier);
        }
        atomically(m_instance, [&] {
            m_instance.run("DELETE FROM SIM_COMMENTS WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?",
                           {e->owner, e->name, st.identifier.empty() ? std::string("-") : st.identifier});
            if (!st.text.empty())
                m_instance.run("INSERT INTO SIM_COMMENTS VALUES (?, ?, ?, ?)",
                               {e->owner, e->name, st.identifier.empty() ? std::string("-") : st.identifier, st.text});
        });
        return 0;
    }
    case ast::Statement::CreateStored:
    case ast::Statement::DropStored:
    case ast::Statement::AlterTrigger: return storedDdl(st);
    default: throw oraError(900);
    }
}

long Session::sequenceDdl(ast::Statement &st)
{
    std::string owner = ownerFor(st.table);
    const std::string key = owner + "." + st.table.name;
    const ast::SequenceOptions &o = st.sequence;
    if (st.kind == ast::Statement::DropSequence) {
        const CatalogEntry *e = m_instance.find(owner, st.table.name);
        if (!e || e->type != "SEQUENCE") throw oraError(2289, "sequence does not exist");
        checkOwnerOfVisible(owner, st.table.name);
        atomically(m_instance, [&] {
            m_instance.run("DELETE FROM SIM_SEQUENCES WHERE SEQUENCE_OWNER = ? AND SEQUENCE_NAME = ?", {owner, st.table.name});
            m_instance.removeEntry(owner, st.table.name);
        });
        m_instance.dropSequenceState(key);
        return 0;
    }
    Instance::Sequence s;
    if (st.kind == ast::Statement::AlterSequence) {
        const CatalogEntry *e = m_instance.find(owner, st.table.name);
        if (!e || e->type != "SEQUENCE") throw oraError(2289, "sequence does not exist");
        checkOwnerOfVisible(owner, st.table.name);
        s = *m_instance.sequenceState(key);
    } else {
        checkWrite(owner);
        if (m_instance.find(owner, st.table.name)) throw oraError(955);
    }
    bool create = st.kind == ast::Statement::CreateSequence;
    if (o.hasIncrement) s.increment = o.increment;
    double inc = s.increment;
    if (o.hasMin) s.minValue = o.minValue;
    else if (o.noMin || (create && !o.hasMin)) s.minValue = inc > 0 ? 1 : -1e27;
    if (o.hasMax) s.maxValue = o.maxValue;
    else if (o.noMax || (create && !o.hasMax)) s.maxValue = inc > 0 ? 1e27 : -1;
    if (o.hasCache) s.cache = o.cache;
    if (o.cycle >= 0) s.cycle = o.cycle == 1;
    if (o.order >= 0) s.order = o.order == 1;
    if (s.minValue >= s.maxValue) throw oraError(4021, "MINVALUE must be less than MAXVALUE");
    if (create) {
        s.start = o.hasStart ? o.start : (inc > 0 ? s.minValue : s.maxValue);
        if (s.start < s.minValue) throw oraError(4006, "START WITH cannot be less than MINVALUE");
        if (s.start > s.maxValue) throw oraError(4008, "START WITH cannot be more than MAXVALUE");
        s.lastNumber = s.start;
    } else {
        if (s.started && s.last > s.maxValue)
            throw oraError(4009, "MAXVALUE cannot be made to be less than the current value");
        if (s.started && s.last < s.minValue)
            throw oraError(4007, "MINVALUE cannot be made to exceed the current value");
        s.lastNumber = s.started ? s.last + inc : s.start;
    }
    if (s.cache > 1 && std::ceil((s.maxValue - s.minValue) / std::fabs(inc)) < static_cast<double>(s.cache) && s.cycle)
        throw oraError(4013, "number to CACHE must be less than one cycle");
    atomically(m_instance, [&] {
        auto num = [](double v) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.15g", v);
            return std::string(buf);
        };
        m_instance.run("DELETE FROM SIM_SEQUENCES WHERE SEQUENCE_OWNER = ? AND SEQUENCE_NAME = ?", {owner, st.table.name});
        m_instance.run("INSERT INTO SIM_SEQUENCES VALUES (?, ?, CAST(? AS NUMBER), CAST(? AS NUMBER), CAST(? AS NUMBER), "
                       "?, ?, CAST(? AS INTEGER))",
                       {owner, st.table.name, num(s.minValue), num(s.maxValue), num(s.increment), s.cycle ? "Y" : "N",
                        s.order ? "Y" : "N", std::to_string(s.cache)});
        if (create) m_instance.addEntry({owner, st.table.name, "SEQUENCE", "", "", "", ""});
    });
    m_instance.setSequenceState(key, s);
    return 0;
}

// CREATE [OR REPLACE] PROCEDURE/FUNCTION/PACKAGE [BODY]/TRIGGER/TYPE [BODY]: the source is
// stored line by line; the unit is not compiled or run here. DROP of each, ALTER TRIGGER
// ENABLE/DISABLE and ALTER ... COMPILE.
long Session::storedDdl(ast::Statement &st)
{
    std::string owner = ownerFor(st.table);
    const std::string &name = st.table.name;
    const std::string &type = st.objectType;
    bool ownNamespace = type == "PACKAGE BODY" || type == "TYPE BODY" || type == "TRIGGER";
    auto existing = [&](const std::string &t) {
        return !m_instance.rows("SELECT 1 FROM SIM_OBJECTS WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = ?",
                                {owner, name, t}).empty();
    };
    if (st.kind == ast::Statement::AlterTrigger) {
        if (!existing(type)) {
            if (type == "TRIGGER") throw oraError(4080, "trigger '" + name + "' does not exist");
            throw oraError(4043, "object " + name + " does not exist");
        }
        checkWrite(owner);
        if (type == "TRIGGER" && st.text != "COMPILE")
            atomically(m_instance, [&] {
                m_instance.run("UPDATE SIM_TRIGGERS SET STATUS = ? WHERE OWNER = ? AND TRIGGER_NAME = ?",
                               {st.text == "ENABLE" ? "ENABLED" : "DISABLED", owner, name});
            });
        return 0;
    }
    if (st.kind == ast::Statement::DropStored) {
        if (!existing(type)) {
            if (type == "TRIGGER") throw oraError(4080, "trigger '" + name + "' does not exist");
            throw oraError(4043, "object " + name + " does not exist");
        }
        checkWrite(owner);
        atomically(m_instance, [&] {
            std::vector<std::string> types = {type};
            if (type == "PACKAGE") types.push_back("PACKAGE BODY");
            if (type == "TYPE") types.push_back("TYPE BODY");
            for (const auto &t : types) {
                m_instance.run("DELETE FROM SIM_SOURCE WHERE OWNER = ? AND NAME = ? AND TYPE = ?", {owner, name, t});
                if (t == type && !ownNamespace) m_instance.removeEntry(owner, name);
                else m_instance.removeObjectRow(owner, name, t);
            }
            if (type == "TRIGGER") m_instance.run("DELETE FROM SIM_TRIGGERS WHERE OWNER = ? AND TRIGGER_NAME = ?", {owner, name});
        });
        return 0;
    }
    checkWrite(owner);
    // The name is taken by another kind of object, or by this one without OR REPLACE.
    if (!ownNamespace) {
        if (const CatalogEntry *e = m_instance.find(owner, name))
            if (e->type != type || !st.orReplace) throw oraError(955);
    } else if (existing(type) && !st.orReplace) {
        throw oraError(type == "TRIGGER" ? 4081 : 955, type == "TRIGGER" ? "trigger '" + name + "' already exists"
                                                                            : std::string());
    }
    if (type == "PACKAGE BODY" || type == "TYPE BODY") {
        std::string header = type == "PACKAGE BODY" ? "PACKAGE" : "TYPE";
        if (!existing(header)) throw oraError(4043, "object " + name + " does not exist");
    }
    std::string tableOwner, tableName;
    if (type == "TRIGGER") {
        tableOwner = st.target.schema.empty() ? m_schema : st.target.schema;
        const CatalogEntry *t = m_instance.find(tableOwner, st.target.name);
        if (!t || (t->type != "TABLE" && t->type != "VIEW")) throw oraError(942);
        tableOwner = t->owner;
        tableName = t->name;
        if (t->type == "VIEW" && st.triggerTiming.rfind("INSTEAD OF", 0) != 0)
            throw oraError(4084, "cannot change NEW values for this trigger type");
    }
    atomically(m_instance, [&] {
        m_instance.run("DELETE FROM SIM_SOURCE WHERE OWNER = ? AND NAME = ? AND TYPE = ?", {owner, name, type});
        std::size_t line = 1, at = 0;
        const std::string &text = st.text;
        while (at <= text.size()) {
            std::size_t nl = text.find('\n', at);
            std::string piece = text.substr(at, nl == std::string::npos ? std::string::npos : nl - at);
            if (!piece.empty() && piece.back() == '\r') piece.pop_back();
            m_instance.run("INSERT INTO SIM_SOURCE VALUES (?, ?, ?, ?, ?)",
                           {owner, name, type, std::to_string(line++), piece + "\n"});
            if (nl == std::string::npos) break;
            at = nl + 1;
        }
        if (ownNamespace) {
            if (!existing(type)) m_instance.addObjectRow(owner, name, type);
        } else if (!m_instance.find(owner, name)) {
            m_instance.addEntry({owner, name, type, "", "", "", ""});
        }
        if (type == "TRIGGER") {
            m_instance.noteTrigger();
            m_instance.run("DELETE FROM SIM_TRIGGERS WHERE OWNER = ? AND TRIGGER_NAME = ?", {owner, name});
            m_instance.run("INSERT INTO SIM_TRIGGERS VALUES (?, ?, ?, ?, ?, ?, ?)",
                           {owner, name, st.triggerTiming, st.triggerEvents, tableOwner, tableName,
                            st.disabled ? "DISABLED" : "ENABLED"});
        }
    });
    return 0;
}

// An enabled trigger on the table would run PL/SQL for this statement, which the instance
// does not do: the statement is refused rather than run without it.
void Session::checkTriggers(const std::string &owner, const std::string &table, int kind,
                            const std::vector<std::string> &setColumns)
{
    if (!m_instance.hasTriggers()) return;
    const char *event = kind == ast::Statement::Insert ? "INSERT" : kind == ast::Statement::Update ? "UPDATE" : "DELETE";
    for (auto &r : m_instance.rows("SELECT OWNER, TRIGGER_NAME, TRIGGERING_EVENT FROM SIM_TRIGGERS WHERE TABLE_OWNER = ? "
                                   "AND TABLE_NAME = ? AND STATUS = 'ENABLED'", {owner, table})) {
        const std::string &events = r[2];
        std::size_t at = events.find(event);
        if (at == std::string::npos) continue;
        if (kind == ast::Statement::Update && events.compare(at, 10, "UPDATE OF ") == 0) {
            std::string cols = events.substr(at + 10);
            cols = cols.substr(0, cols.find(' '));
            bool hit = false;
            std::size_t from = 0;
            while (from <= cols.size()) {
                std::size_t comma = cols.find(',', from);
                std::string c = cols.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
                if (std::find(setColumns.begin(), setColumns.end(), c) != setColumns.end()) hit = true;
                if (comma == std::string::npos) break;
                from = comma + 1;
            }
            if (!hit) continue;
        }
        throw oraError(3001, "unimplemented feature: trigger " + r[0] + "." + r[1] +
                                 " (stored PL/SQL does not run in this instance; ALTER TRIGGER ... DISABLE lets the "
                                 "statement run)");
    }
}

// ---------------------------------------------------------------- ALTER TABLE

namespace {

struct ColumnSpec {
    std::string name, decl;      // SQLite declared type
    bool nativeNotNull = false;
    std::string defaultSql;      // SQLite default expression, empty for none
    std::string source;          // SQLite expression over the old table for the copied value
};

} // namespace

// Rewrites the table's SQLite storage with new column definitions, keeping its rows,
// rowids, indexes and constraint triggers.
static void rebuildTable(Instance &inst, const std::string &storage, const std::vector<ColumnSpec> &cols,
                         const std::vector<std::string> &droppedColumns)
{
    std::vector<std::string> indexes;
    for (auto &r : inst.rows("SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ? AND sql IS NOT NULL",
                             {storage}))
        indexes.push_back(r[0]);
    const std::string tmp = storage + "#new";
    std::string create = "CREATE TABLE " + quoteIdent(tmp) + " (";
    std::string names = "rowid", values = "rowid";
    for (std::size_t i = 0; i < cols.size(); ++i) {
        const ColumnSpec &c = cols[i];
        create += (i ? ", " : "") + quoteIdent(c.name) + " " + c.decl + (c.nativeNotNull ? " NOT NULL" : "") +
                  (c.defaultSql.empty() ? "" : " DEFAULT (" + c.defaultSql + ")");
        names += ", " + quoteIdent(c.name);
        values += ", " + (c.source.empty() ? std::string("NULL") : c.source);
    }
    inst.exec(create + ")");
    inst.exec("INSERT INTO " + quoteIdent(tmp) + " (" + names + ") SELECT " + values + " FROM " + quoteIdent(storage));
    inst.exec("DROP TABLE " + quoteIdent(storage));
    inst.exec("PRAGMA legacy_alter_table = ON");
    try {
        inst.exec("ALTER TABLE " + quoteIdent(tmp) + " RENAME TO " + quoteIdent(storage));
    } catch (...) {
        inst.exec("PRAGMA legacy_alter_table = OFF");
        throw;
    }
    inst.exec("PRAGMA legacy_alter_table = OFF");
    for (const auto &sql : indexes) {
        bool usesDropped = false;
        for (const auto &d : droppedColumns)
            if (sql.find("\"" + d + "\"") != std::string::npos) usesDropped = true;
        if (!usesDropped) inst.exec(sql);
    }
}

long Session::alterTable(ast::Statement &st)
{
    std::string owner = ownerFor(st.table);
    const CatalogEntry *entry = m_instance.find(owner, st.table.name);
    if (st.text == "RENAME") {
        // RENAME old TO new (tables, views and synonyms of the current schema)
        if (!entry) throw oraError(942);
        if (entry->type == "SYNONYM" || entry->type == "VIEW") {
            checkWrite(owner);
            const std::string &to = st.actions[0].names[0];
            if (m_instance.find(owner, to)) throw oraError(955);
            CatalogEntry e = *entry;
            atomically(m_instance, [&] {
                if (e.type == "VIEW") {
                    std::string storage = m_instance.storageName(owner, to);
                    m_instance.exec("PRAGMA legacy_alter_table = ON");
                    auto def = m_instance.rows("SELECT sql FROM sqlite_master WHERE type = 'view' AND name = ?", {e.storage});
                    std::string sql = def.empty() ? std::string() : def[0][0];
                    auto as = sql.find(" AS ");
                    m_instance.exec("DROP VIEW " + quoteIdent(e.storage));
                    m_instance.exec("CREATE VIEW " + quoteIdent(storage) + sql.substr(as));
                    m_instance.exec("PRAGMA legacy_alter_table = OFF");
                    e.storage = storage;
                }
                m_instance.removeEntry(owner, e.name);
                e.name = to;
                m_instance.addEntry(e);
            });
            return 0;
        }
    }
    if (!entry || entry->type != "TABLE") throw oraError(942);
    checkOwnerOfVisible(owner, st.table.name);
    const std::string table = entry->name;
    std::string storage = entry->storage;
    atomically(m_instance, [&] {
        for (ast::AlterAction &a : st.actions) {
            // The enforcement triggers name the table and its columns: they are rebuilt
            // around every change of its definition.
            auto touched = m_instance.enforcedOn(owner, table);
            auto columns = m_instance.rows("SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, "
                                           "NATIVE_NOT_NULL FROM SIM_COLUMNS WHERE OWNER = ? AND TABLE_NAME = ? "
                                           "ORDER BY COLUMN_ID", {owner, table});
            auto find = [&](const std::string &name) {
                return std::find_if(columns.begin(), columns.end(), [&](auto &r) { return r[0] == name; });
            };
            auto currentSpecs = [&]() {
                std::vector<ColumnSpec> specs;
                for (auto &r : m_instance.rows("SELECT name, type, \"notnull\", dflt_value FROM pragma_table_info(?)",
                                               {storage})) {
                    ColumnSpec c;
                    c.name = r[0];
                    c.decl = r[1];
                    c.nativeNotNull = r[2] == "1";
                    c.defaultSql = r[3];
                    c.source = quoteIdent(r[0]);
                    specs.push_back(c);
                }
                return specs;
            };
            Translator tr(catalog(), m_schema);
            auto rowsExist = [&](const std::string &where) {
                return !m_instance.rows("SELECT 1 FROM " + quoteIdent(storage) + (where.empty() ? "" : " WHERE " + where) +
                                        " LIMIT 1").empty();
            };
            switch (a.kind) {
            case ast::AlterAction::AddColumns: {
                for (const auto &t : touched) m_instance.dropEnforcement(t);
                auto specs = currentSpecs();
                int id = static_cast<int>(columns.size());
                for (auto &c : a.columnDefs) {
                    if (find(c.name) != columns.end() ||
                        std::any_of(specs.begin(), specs.end(), [&](auto &s) { return s.name == c.name; }))
                        throw oraError(1430, "column being added already exists in table");
                    ColumnSpec s;
                    s.name = c.name;
                    s.decl = sqliteType(c);
                    if (c.defaultValue) {
                        s.defaultSql = tr.expression(c.defaultValue);
                        s.source = s.defaultSql;
                    }
                    if (c.notNull && !c.defaultValue && rowsExist(""))
                        throw oraError(1758, "table must be empty to add mandatory (NOT NULL) column");
                    specs.push_back(s);
                    int length = c.length;
                    if (c.type == "NUMBER" || c.type == "FLOAT") length = 22;
                    if (c.type == "DATE") length = 7;
                    m_instance.run("INSERT INTO SIM_COLUMNS VALUES (?, ?, ?, ?, ?, ?, ?, ?, 'Y', 'N')",
                                   {owner, table, std::to_string(++id), c.name, c.type,
                                    length >= 0 ? std::to_string(length) : "",
                                    c.precision >= 0 ? std::to_string(c.precision) : "",
                                    c.scale >= 0 ? std::to_string(c.scale) : ""});
                }
                rebuildTable(m_instance, storage, specs, {});
                m_instance.schemaChanged();
                for (const auto &t : touched) m_instance.createEnforcement(t);
                for (auto &k : a.constraints) m_instance.addConstraint(owner, table, k, m_schema);
                break;
            }
            case ast::AlterAction::ModifyColumns: {
                for (const auto &t : touched) m_instance.dropEnforcement(t);
                auto specs = currentSpecs();
                for (std::size_t i = 0; i < a.columnDefs.size(); ++i) {
                    ast::ColumnDef &c = a.columnDefs[i];
                    auto col = find(c.name);
                    if (col == columns.end()) throw invalidIdentifier(c.name);
                    auto target = std::find_if(specs.begin(), specs.end(), [&](auto &s) { return s.name == c.name; });
                    const std::string q = quoteIdent(c.name);
                    if (!c.type.empty()) {
                        const std::string &oldType = (*col)[1];
                        bool hasValues = rowsExist(q + " IS NOT NULL");
                        if (typeClass(oldType) != typeClass(c.type) && hasValues)
                            throw oraError(1439, "column to be modified must be empty to change datatype");
                        if (c.length >= 0 && hasValues && typeClass(c.type) == "C" &&
                            rowsExist("length(" + q + ") > " + std::to_string(c.length)))
                            throw oraError(1441, "cannot decrease column length because some value is too big");
                        if (isNumericType(c.type) && hasValues && typeClass(oldType) == "N") {
                            int oldP = (*col)[3].empty() ? 38 : std::stoi((*col)[3]);
                            int oldS = (*col)[4].empty() ? 0 : std::stoi((*col)[4]);
                            int newP = c.precision < 0 ? 38 : c.precision, newS = c.scale < 0 ? 0 : c.scale;
                            bool unconstrained = (*col)[3].empty() && (*col)[4].empty();
                            if (unconstrained ? c.precision >= 0 : (newP < oldP || newS < oldS))
                                throw oraError(1440, "column to be modified must be empty to decrease precision or scale");
                        }
                        int length = c.length;
                        if (c.type == "NUMBER" || c.type == "FLOAT") length = 22;
                        if (c.type == "DATE") length = 7;
                        m_instance.run("UPDATE SIM_COLUMNS SET DATA_TYPE = ?, DATA_LENGTH = ?, DATA_PRECISION = ?, "
                                       "DATA_SCALE = ? WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?",
                                       {c.type, length >= 0 ? std::to_string(length) : "",
                                        c.precision >= 0 ? std::to_string(c.precision) : "",
                                        c.scale >= 0 ? std::to_string(c.scale) : "", owner, table, c.name});
                        target->decl = sqliteType(c);
                    }
                    if (c.defaultValue) target->defaultSql = tr.expression(c.defaultValue);
                    int change = i < a.nullChange.size() ? a.nullChange[i] : 0;
                    if (change == 2) {
                        // NULL: the column's NOT NULL constraints go; a key column stays NOT NULL.
                        bool dropped = false;
                        for (auto &k : m_instance.constraints("OWNER = ? AND TABLE_NAME = ? AND NOT_NULL = 'Y'", {owner, table}))
                            if (k.columns.at(0) == c.name) {
                                m_instance.removeConstraint(k, false);
                                touched.erase(std::remove_if(touched.begin(), touched.end(),
                                                             [&](auto &t) { return t.name == k.name && t.owner == k.owner; }),
                                              touched.end());
                                dropped = true;
                            }
                        for (auto &k : m_instance.constraints("OWNER = ? AND TABLE_NAME = ? AND CONSTRAINT_TYPE = 'P'", {owner, table}))
                            if (std::find(k.columns.begin(), k.columns.end(), c.name) != k.columns.end())
                                throw oraError(1451, "column to be modified to NULL cannot be modified to NULL");
                        if (!dropped && !target->nativeNotNull)
                            throw oraError(1451, "column to be modified to NULL cannot be modified to NULL");
                        target->nativeNotNull = false;
                        m_instance.run("UPDATE SIM_COLUMNS SET NATIVE_NOT_NULL = 'N' WHERE OWNER = ? AND TABLE_NAME = ? "
                                       "AND COLUMN_NAME = ?", {owner, table, c.name});
                    }
                    if (change == 1) {
                        auto nn = m_instance.constraints("OWNER = ? AND TABLE_NAME = ? AND NOT_NULL = 'Y' AND STATUS = 'ENABLED'",
                                                         {owner, table});
                        if (target->nativeNotNull || std::any_of(nn.begin(), nn.end(), [&](auto &k) { return k.columns.at(0) == c.name; }))
                            throw oraError(1442, "column to be modified to NOT NULL is already NOT NULL");
                        if (rowsExist(q + " IS NULL"))
                            throw oraError(2296, "cannot enable (" + owner + ".) - null values found");
                    }
                }
                rebuildTable(m_instance, storage, specs, {});
                m_instance.schemaChanged();
                for (const auto &t : touched) m_instance.createEnforcement(t);
                for (auto &k : a.constraints) m_instance.addConstraint(owner, table, k, m_schema);
                break;
            }
            case ast::AlterAction::DropColumns: {
                for (const auto &name : a.names)
                    if (find(name) == columns.end()) throw invalidIdentifier(name);
                if (a.names.size() >= columns.size()) throw oraError(12983, "cannot drop all columns in a table");
                // Constraints on the columns go with them (a key other tables reference, or a
                // constraint over other columns too, only with CASCADE CONSTRAINTS).
                for (auto &k : m_instance.constraints("OWNER = ? AND TABLE_NAME = ?", {owner, table})) {
                    bool uses = false;
                    for (const auto &name : a.names)
                        if (std::find(k.columns.begin(), k.columns.end(), name) != k.columns.end()) uses = true;
                    if (!uses || !m_instance.constraint(k.owner, k.name)) continue;
                    if (!a.cascade) {
                        auto deps = m_instance.dependents(k);
                        if ((k.type == 'P' || k.type == 'U') &&
                            std::any_of(deps.begin(), deps.end(), [&](auto &d) { return d.table != table || d.owner != owner; }))
                            throw oraError(12992, "cannot drop parent key column");
                        if (k.columns.size() > 1 && k.type != 'C')
                            throw oraError(12991, "column is referenced in a multi-column constraint");
                    }
                    m_instance.removeConstraint(k, true);
                }
                touched = m_instance.enforcedOn(owner, table);
                for (const auto &t : touched) m_instance.dropEnforcement(t);
                auto specs = currentSpecs();
                specs.erase(std::remove_if(specs.begin(), specs.end(),
                                           [&](auto &s) {
                                               return std::find(a.names.begin(), a.names.end(), s.name) != a.names.end();
                                           }),
                            specs.end());
                // Indexes over a dropped column go too.
                for (auto &r : m_instance.rows("SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ? "
                                               "AND sql IS NOT NULL", {storage}))
                    for (const auto &d : a.names)
                        if (r[1].find("\"" + d + "\"") != std::string::npos) {
                            auto dot = r[0].find('.');
                            if (dot != std::string::npos) m_instance.removeObjectRow(r[0].substr(0, dot), r[0].substr(dot + 1), "INDEX");
                        }
                rebuildTable(m_instance, storage, specs, a.names);
                for (const auto &name : a.names) {
                    m_instance.run("DELETE FROM SIM_COLUMNS WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?",
                                   {owner, table, name});
                    m_instance.run("DELETE FROM SIM_COMMENTS WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?",
                                   {owner, table, name});
                }
                m_instance.run("UPDATE SIM_COLUMNS SET COLUMN_ID = (SELECT count(*) FROM SIM_COLUMNS c WHERE c.OWNER = "
                               "SIM_COLUMNS.OWNER AND c.TABLE_NAME = SIM_COLUMNS.TABLE_NAME AND c.COLUMN_ID <= "
                               "SIM_COLUMNS.COLUMN_ID) WHERE OWNER = ? AND TABLE_NAME = ?", {owner, table});
                m_instance.schemaChanged();
                for (const auto &t : touched) m_instance.createEnforcement(t);
                break;
            }
            case ast::AlterAction::RenameColumn: {
                const std::string &from = a.names[0], &to = a.names[1];
                if (find(from) == columns.end()) throw invalidIdentifier(from);
                if (find(to) != columns.end()) throw oraError(957, "duplicate column name");
                for (const auto &t : touched) m_instance.dropEnforcement(t);
                m_instance.exec("ALTER TABLE " + quoteIdent(storage) + " RENAME COLUMN " + quoteIdent(from) + " TO " +
                                quoteIdent(to));
                m_instance.run("UPDATE SIM_COLUMNS SET COLUMN_NAME = ? WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?",
                               {to, owner, table, from});
                m_instance.run("UPDATE SIM_CONS_COLUMNS SET COLUMN_NAME = ? WHERE OWNER = ? AND TABLE_NAME = ? AND "
                               "COLUMN_NAME = ?", {to, owner, table, from});
                m_instance.run("UPDATE SIM_COMMENTS SET COLUMN_NAME = ? WHERE OWNER = ? AND TABLE_NAME = ? AND COLUMN_NAME = ?",
                               {to, owner, table, from});
                for (auto &k : m_instance.constraints("OWNER = ? AND TABLE_NAME = ? AND CONSTRAINT_TYPE = 'C'", {owner, table}))
                    m_instance.run("UPDATE SIM_CONSTRAINTS SET SEARCH_CONDITION = ? WHERE OWNER = ? AND CONSTRAINT_NAME = ?",
                                   {renameIdentifier(k.condition, from, to), k.owner, k.name});
                m_instance.schemaChanged();
                for (const auto &t : m_instance.enforcedOn(owner, table)) m_instance.createEnforcement(t);
                break;
            }
            case ast::AlterAction::RenameTable: {
                const std::string &to = a.names[0];
                if (m_instance.find(owner, to)) throw oraError(955);
                for (const auto &t : touched) m_instance.dropEnforcement(t);
                std::string newStorage = m_instance.storageName(owner, to);
                m_instance.exec("PRAGMA legacy_alter_table = ON");
                try {
                    m_instance.exec("ALTER TABLE " + quoteIdent(storage) + " RENAME TO " + quoteIdent(newStorage));
                } catch (...) {
                    m_instance.exec("PRAGMA legacy_alter_table = OFF");
                    throw;
                }
                m_instance.exec("PRAGMA legacy_alter_table = OFF");
                for (const char *t : {"SIM_COLUMNS", "SIM_CONSTRAINTS", "SIM_CONS_COLUMNS", "SIM_COMMENTS"})
                    m_instance.run(std::string("UPDATE ") + t + " SET TABLE_NAME = ? WHERE OWNER = ? AND TABLE_NAME = ?",
                                   {to, owner, table});
                m_instance.run("UPDATE SIM_TRIGGERS SET TABLE_NAME = ? WHERE TABLE_OWNER = ? AND TABLE_NAME = ?",
                               {to, owner, table});
                CatalogEntry e = *m_instance.find(owner, table);
                m_instance.removeEntry(owner, table);
                e.name = to;
                e.storage = newStorage;
                m_instance.addEntry(e);
                m_instance.schemaChanged();
                for (const auto &t : m_instance.enforcedOn(owner, to)) m_instance.createEnforcement(t);
                return;   // the statement's last action
            }
            case ast::AlterAction::AddConstraint:
                for (auto &k : a.constraints) m_instance.addConstraint(owner, table, k, m_schema);
                break;
            case ast::AlterAction::DropConstraint:
            case ast::AlterAction::EnableConstraint:
            case ast::AlterAction::DisableConstraint: {
                if (a.constraintKind == 'T') {
                    m_instance.run("UPDATE SIM_TRIGGERS SET STATUS = ? WHERE TABLE_OWNER = ? AND TABLE_NAME = ?",
                                   {a.kind == ast::AlterAction::EnableConstraint ? "ENABLED" : "DISABLED", owner, table});
                    break;
                }
                std::optional<Instance::Constraint> k;
                if (a.constraintKind == 'P' || a.constraintKind == 'U') {
                    for (auto &c : m_instance.constraints("OWNER = ? AND TABLE_NAME = ? AND CONSTRAINT_TYPE = ?",
                                                          {owner, table, std::string(1, a.constraintKind)}))
                        if (a.constraintKind == 'P' || c.columns == a.names) k = c;
                } else {
                    k = m_instance.constraint(owner, a.names.at(0));
                    if (k && k->table != table) k.reset();
                }
                if (!k) throw oraError(2443, "Cannot drop constraint  - nonexistent constraint");
                if (a.kind == ast::AlterAction::DropConstraint) m_instance.removeConstraint(*k, a.cascade);
                else m_instance.setConstraintEnabled(*k, a.kind == ast::AlterAction::EnableConstraint, a.cascade);
                break;
            }
            }
        }
    });
    return 0;
}

} // namespace sim
