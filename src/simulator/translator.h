#pragma once
// Oracle SQL to SQLite: parse, resolve names, run the rewrite passes, generate.
//
//   std::unique_ptr<ast::Statement> st = parseStatement(sql);
//   Translator(catalog, "SCOTT").query(*st->select)  ->  SQLite text + result column names
//
// The translator is pure: everything it needs from the instance comes through Catalog,
// so tests and the benchmark translate statements without any instance at all.
#include "ast.h"

#include <string>
#include <vector>

namespace sim {

struct ResolvedTable {
    std::string storage;        // SQLite table or view
    std::string owner, name;    // the object after synonyms
    std::string type;           // TABLE, VIEW
};

// A column's declared Oracle type, for fitting inserted and updated values to it.
struct ColumnType {
    std::string name, type;     // type: NUMBER, VARCHAR2, CHAR, DATE, ...
    int length = -1, precision = -1, scale = -1;
};

class Catalog {
public:
    virtual ~Catalog() = default;
    // Resolves [schema.]name as seen from `currentSchema`: the schema's own objects and
    // private synonyms, then public synonyms. Throws ORA-00942 when nothing matches.
    virtual ResolvedTable resolve(const std::string &schema, const std::string &name,
                                  const std::string &currentSchema) = 0;
    // Column names of a stored table or view, in order; empty when not known.
    virtual std::vector<std::string> columns(const std::string &storage) = 0;
    // Declared column types of a table, in order; empty when not known.
    virtual std::vector<ColumnType> columnTypes(const std::string &storage) { return {}; }
};

struct QueryTranslation {
    std::string sql;                      // SQLite text
    std::vector<std::string> columns;     // result column names as Oracle names them
    std::vector<std::string> into;        // PL/SQL INTO bind names
};

class Translator {
public:
    Translator(Catalog &catalog, std::string currentSchema, bool fitValues = true)
        : m_catalog(catalog), m_schema(std::move(currentSchema)), m_fit(fitValues) {}

    // Runs the rewrite passes on the query (it is changed) and generates SQLite.
    QueryTranslation query(ast::Select &select);
    // DML: INSERT, UPDATE, DELETE (tables are resolved, so `st.table.storage` is set).
    std::string dml(ast::Statement &st);
    // Resolves the tables of a query and everything nested in it.
    void resolve(ast::Select &select);
    // A lone expression (a column default, for example) as SQLite text.
    std::string expression(ast::ExprP &e);

    Catalog &catalog() { return m_catalog; }
    const std::string &schema() const { return m_schema; }

private:
    Catalog &m_catalog;
    std::string m_schema;
    bool m_fit;   // INSERT and UPDATE values are fitted to the column types (ORA-01401, ...)
};

// Quotes a SQLite identifier: "NAME" with inner quotes doubled.
std::string quoteIdent(const std::string &name);
// Quotes a SQLite string literal.
std::string quoteString(const std::string &text);

} // namespace sim
