#pragma once
// The repository engine: a small embedded database with the object model the
// windows are written against (OpenDatabase, CreateDatabase, OpenRecordset,
// Execute, table definitions, saved queries, AddNew/Edit/Update), kept in one
// SQLite file. Statements are written in the Jet dialect the saved queries use
// (iif, int, CVDate, now, undeclared names as parameters); jetsql.h turns them
// into SQLite. Values always travel as bound parameters, never spliced in.
//
// Every failure is thrown as localdb::DbError with the engine's error number
// (3265 item not found, 3012 object exists, 3022 duplicate key, ...).
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace localdb {

namespace detail { struct Core; }

class DbError : public std::runtime_error {
public:
    DbError(int number, const std::string &message)
        : std::runtime_error(message), m_number(number) {}
    int number() const { return m_number; }

private:
    int m_number;
};

// Error numbers raised by the engine.
enum ErrorNumber {
    kNoCurrentRecord = 3021,
    kUpdateWithoutEdit = 3020,
    kDuplicateKey = 3022,
    kFileNotFound = 3024,
    kCannotOpen = 3051,
    kTableExists = 3010,
    kObjectExists = 3012,
    kTooFewParameters = 3061,
    kSyntaxError = 3075,
    kInputNotFound = 3078,
    kFieldTooSmall = 3163,
    kDatabaseExists = 3204,
    kTableLocked = 3211,
    kItemNotFound = 3265,
    kUnrecognisedFormat = 3343,
    kConversion = 3421,
    kEngineFailure = 3000,
};

// How long opening and every statement wait for another program's lock on the file.
constexpr int kBusyTimeoutMs = 2000;

// A field value: null, whole number, floating number, text or date-time.
// Dates are kept as "YYYY-MM-DD HH:MM:SS".
class Value {
public:
    enum class Kind { Null, Integer, Double, Text, Date };
    Value() = default;
    Value(const char *t) : m_kind(Kind::Text), m_text(t) {}
    Value(std::string t) : m_kind(Kind::Text), m_text(std::move(t)) {}
    Value(int v) : m_kind(Kind::Integer), m_int(v) {}
    Value(long v) : m_kind(Kind::Integer), m_int(v) {}
    Value(long long v) : m_kind(Kind::Integer), m_int(v) {}
    Value(double v) : m_kind(Kind::Double), m_double(v) {}
    static Value date(const std::string &canonical);     // "YYYY-MM-DD[ HH:MM:SS]"
    static Value today();                                 // current local date, midnight

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    // Text form: numbers without trailing zeros, dates "YYYY-MM-DD" when the time is
    // midnight, else "YYYY-MM-DD HH:MM:SS"; null gives "".
    std::string toString() const;
    double toDouble() const;          // texts parsed; 0 when not numeric
    long long toInt() const;
    const std::string &raw() const { return m_text; }    // stored text of Text and Date
    bool operator==(const Value &o) const;

private:
    Kind m_kind = Kind::Null;
    std::string m_text;
    long long m_int = 0;
    double m_double = 0;
};

// Field type codes of table definitions.
enum FieldType { dbInteger = 3, dbLong = 4, dbDouble = 7, dbDate = 8, dbText = 10, dbMemo = 12 };

struct FieldDef {
    std::string Name;
    int Type = dbText;
    int Size = 0;        // characters for text fields; 0 otherwise
};

struct IndexDef {
    std::string Name;
    std::string Fields;  // column names joined by ";"
    bool Primary = false;
    bool Unique = false;
};

struct TableDef {
    std::string Name;
    std::vector<FieldDef> Fields;
    std::vector<IndexDef> Indexes;
};

using Parameters = std::map<std::string, Value>;   // name -> value (names case-insensitive)

class Database;

// Rows of a table or a SELECT, read when opened. A recordset over one table
// (a table name, or a SELECT from a single table) can add and change rows.
class Recordset {
public:
    ~Recordset();
    bool IsEOF() const;
    bool IsBOF() const;
    void MoveNext();
    void MovePrevious();
    void MoveFirst();
    void MoveLast();
    long RecordCount() const { return static_cast<long>(m_rows.size()); }

    // Fields(name).Value: by name, case-insensitive; 3265 for an unknown name,
    // 3021 without a current row (reading) ...
    const Value &Field(const std::string &name) const;
    // ... and setting, only between AddNew/Edit and Update (3020 otherwise). The
    // value is converted to the column's type: 3421 when it cannot be, 3163
    // when a text is longer than its column.
    void SetField(const std::string &name, const Value &v);

    void AddNew();
    void Edit();
    void Update();
    void CancelUpdate();
    void Close();
    bool updatable() const { return !m_table.empty(); }
    const std::vector<std::string> &columnNames() const { return m_columns; }

private:
    friend struct detail::Core;
    explicit Recordset(std::shared_ptr<detail::Core> core) : m_core(std::move(core)) {}
    int column(const std::string &name) const;
    void release();

    std::shared_ptr<detail::Core> m_core;
    std::string m_table;                    // base table when updatable
    std::vector<std::string> m_columns;
    std::vector<int> m_types;               // field type code per column (0: not a base column)
    std::vector<int> m_sizes;
    std::vector<std::vector<Value>> m_rows;
    std::vector<long long> m_rowids;
    long m_pos = 0;
    enum class EditMode { None, Add, Edit } m_mode = EditMode::None;
    std::vector<Value> m_buffer;
    std::vector<bool> m_touched;
    bool m_closed = false;
};

// A saved query: its Jet text and the values of its parameters.
class QueryDef {
public:
    std::string Name;
    std::string SQL;
    Parameters params;
    std::unique_ptr<Recordset> OpenRecordset();
    void Close() {}

private:
    friend class Database;
    std::shared_ptr<detail::Core> m_core;
};

class Database {
public:
    // Opens an existing repository file. 3024 when it does not exist, 3343 when it
    // is not a database of this engine, 3051 when it cannot be opened. Never
    // creates, changes or removes the file on failure.
    static std::unique_ptr<Database> OpenDatabase(const std::string &path,
                                                  bool exclusive = false,
                                                  bool readOnly = false);
    // Creates a new empty file; 3204 when the file exists already (it is never
    // overwritten), 3044 when the directory is missing. The locale and version
    // options are accepted for the record: the engine sorts text without regard to case.
    static void CreateDatabase(const std::string &path, const std::string &locale = {},
                               int options = 0);
    ~Database();

    std::unique_ptr<Recordset> OpenRecordset(const std::string &source, int type = 0,
                                             const Parameters &params = {});
    long Execute(const std::string &sql, const Parameters &params = {});

    std::vector<std::string> TableNames() const;
    TableDef GetTableDef(const std::string &name) const;      // 3265 when absent
    void TableDefsDelete(const std::string &name);            // 3265 absent, 3211 in use
    void TableDefsAppend(const TableDef &def);                // 3010 when it exists

    std::vector<std::string> QueryNames() const;
    void CreateQueryDef(const std::string &name, const std::string &sql);   // 3012 exists
    void QueryDefsDelete(const std::string &name);                          // 3265 absent
    QueryDef GetQueryDef(const std::string &name) const;                    // 3265 absent

    void Close();
    bool isOpen() const;
    const std::string &path() const { return m_path; }

private:
    Database(std::shared_ptr<detail::Core> core, std::string path);
    std::shared_ptr<detail::Core> m_core;
    std::string m_path;
};

} // namespace localdb
