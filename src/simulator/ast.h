#pragma once
// Syntax tree of the Oracle SQL the simulated instance understands. The parser builds it
// from Oracle text; the rewrite passes (passes.h) reshape it; the generator (sqlitegen.h)
// writes it out as SQLite SQL.
#include <memory>
#include <string>
#include <vector>

namespace sim::ast {

struct Select;
struct Expr;
using ExprP = std::unique_ptr<Expr>;
using SelectP = std::unique_ptr<Select>;

// The OVER clause of an analytic function. Its PARTITION BY and ORDER BY expressions
// follow the function's own arguments in Expr::args (so every walk over the tree sees
// them): args = [arguments..., partition..., order...].
struct Window {
    std::size_t arguments = 0;        // the function's own arguments
    std::size_t partition = 0;        // PARTITION BY expressions
    struct Order {
        bool desc = false;
        int nulls = 0;                // 0 default, 1 NULLS FIRST, 2 NULLS LAST
    };
    std::vector<Order> order;         // one per ORDER BY expression
    // The frame as SQLite writes it ("ROWS BETWEEN 2 PRECEDING AND CURRENT ROW"); its
    // offsets are checked numbers. Empty: the default frame, the same in both dialects.
    std::string frame;
};

struct Expr {
    enum Kind {
        Null,      // NULL (and the literal '')
        Number,    // text: the literal as written
        String,    // text: the value (quotes removed)
        Column,    // parts: [schema.]table.column, upper-cased unless quoted
        Star,      // parts: qualifier (may be empty)
        Bind,      // text: bind name upper case
        Pseudo,    // text: ROWNUM, LEVEL, SYSDATE, USER, UID
        Unary,     // text: "-", "+", "NOT"; args[0]
        Prior,     // args[0]: PRIOR expr of CONNECT BY
        Binary,    // text: operator (AND OR = != < <= > >= + - * / ||); args[0], args[1]
        Func,      // text: function name upper (dotted when qualified); args
        Case,      // args: [operand or null, when1, then1, ..., else or null]
        Subquery,  // select: scalar subquery
        Exists,    // select; negated
        InList,    // args[0] IN (args[1..]); negated
        InSelect,  // args[0] IN (select); negated
        Between,   // args[0] BETWEEN args[1] AND args[2]; negated
        Like,      // args[0] LIKE args[1] [ESCAPE args[2]]; negated
        IsNull,    // args[0] IS [NOT] NULL; negated
        Cast,      // args[0] AS text(type)
        Tuple,     // (a, b, ...) on the left of IN
        Quantified,// args[0] op ANY|ALL (list args[1..] or select); text: op, parts[0]: ANY or ALL
        Raw,       // text: SQLite text produced by a pass (never from the parser)
    };
    Kind kind;
    std::string text;
    std::vector<std::string> parts;
    std::vector<ExprP> args;
    SelectP select;
    std::shared_ptr<Window> over;   // Func: an analytic function's window
    bool outer = false;     // Column followed by the outer-join marker (+)
    bool negated = false;
    bool distinct = false;  // aggregate DISTINCT / COUNT(*) uses Star argument
    bool quoted = false;    // Column: last part was a quoted identifier
    std::size_t pos = 0;    // offset in the statement text
    int height = 1;         // nested levels as generated (a run of one operator counts once)
    int depth = 1;          // levels of the tree below and including this one

    explicit Expr(Kind k) : kind(k) {}
};

struct OrderItem {
    ExprP expr;
    bool desc = false;
    int nulls = 0;          // 0 default, 1 NULLS FIRST, 2 NULLS LAST
};

// A hierarchical query's source, set by the CONNECT BY pass: the generator writes it as
// a recursive common table expression over the table, in Oracle's depth-first order.
struct Hierarchy {
    ExprP startWith;        // null: every row is a root
    ExprP connectBy;        // PRIOR columns already moved to the parent row "__P"
    bool nocycle = false;
    // No PRIOR in CONNECT BY (connect by level <= 10): every row is a child of every row
    // of the level above while the condition holds; Oracle checks no loop then.
    bool generator = false;
    std::vector<OrderItem> siblings;   // ORDER SIBLINGS BY: order of rows under one parent
    // SYS_CONNECT_BY_PATH(value, separator) calls, read back as columns "__CBP1", ...
    std::vector<std::pair<ExprP, ExprP>> paths;
};

struct TableRef {
    enum Join { Comma, Inner, Left, Right, Full, Cross };
    std::string schema, name, dblink;   // a named table or view
    SelectP subquery;                    // or an inline view
    std::string alias;                   // as written (upper case unless quoted)
    Join join = Comma;
    ExprP on;
    bool natural = false;                // NATURAL [INNER|LEFT|RIGHT|FULL] JOIN
    std::vector<std::string> usingColumns;   // JOIN ... USING (a, b)
    // Set by name resolution:
    std::string storage;                 // the SQLite table or view
    std::string owner, objectName;       // the object after synonyms
    std::shared_ptr<Hierarchy> hierarchy; // set by the CONNECT BY pass

    // The name a column qualifier uses for this table.
    const std::string &refName() const { return alias.empty() ? name : alias; }
};

struct SelectItem {
    ExprP expr;
    std::string alias;      // explicit alias, upper case unless quoted; empty when none
    std::string name;       // the column name of the result (Oracle's naming)
};


struct Select {
    enum SetOp { Union, UnionAll, Intersect, Minus };
    bool distinct = false;
    std::vector<SelectItem> items;
    std::vector<std::string> into;              // PL/SQL: SELECT ... INTO :A, :B
    std::vector<TableRef> from;
    ExprP where;
    ExprP startWith, connectBy;
    bool nocycle = false;
    std::vector<ExprP> groupBy;
    // ROLLUP, CUBE and GROUPING SETS: each set lists indexes into groupBy (the distinct
    // grouping expressions). Empty for a plain GROUP BY.
    std::vector<std::vector<std::size_t>> groupingSets;
    ExprP having;
    std::vector<std::pair<std::string, SelectP>> with; // WITH name AS (query), ... of this query
    std::vector<std::pair<SetOp, SelectP>> compound;   // following operands of set operators
    std::vector<OrderItem> orderBy;                    // of the whole compound
    std::vector<OrderItem> siblingsOrder;              // ORDER SIBLINGS BY (hierarchical)
    bool forUpdate = false;
    // Set by passes:
    long long limit = -1;                              // from ROWNUM predicates
    std::vector<std::string> withClauses;              // SQLite CTE texts (from CONNECT BY)
    int depth = 1;                                     // levels of the tree (parser)

};

struct ColumnDef {
    std::string name;
    std::string type;       // NUMBER, VARCHAR2, CHAR, DATE, LONG, RAW, ...
    int length = -1, precision = -1, scale = -1;
    bool notNull = false;
    ExprP defaultValue;
    std::string defaultText;   // the default as written, for ALTER TABLE MODIFY
};

// A constraint as declared, inline on a column or out of line.
struct ConstraintDef {
    std::string name;                   // empty: the system names it SYS_Cnnnnnn
    char type = 'C';                    // P primary key, U unique, C check or not null, R foreign key
    std::vector<std::string> columns;
    std::string condition;              // CHECK: the condition as written
    bool notNull = false;               // C: a NOT NULL constraint on columns[0]
    std::string refSchema, refTable;    // R: the referenced table
    std::vector<std::string> refColumns; // R: empty for the primary key
    std::string deleteRule = "NO ACTION";   // R: NO ACTION, CASCADE, SET NULL
    bool disabled = false;              // DISABLE
};

// One action of ALTER TABLE.
struct AlterAction {
    enum Kind {
        AddColumns, ModifyColumns, DropColumns, AddConstraint, DropConstraint,
        EnableConstraint, DisableConstraint, RenameColumn, RenameTable,
    };
    Kind kind = AddColumns;
    std::vector<ColumnDef> columnDefs;   // ADD / MODIFY columns
    std::vector<int> nullChange;         // MODIFY: 0 unchanged, 1 NOT NULL, 2 NULL
    std::vector<std::string> names;      // DROP COLUMN names; RENAME COLUMN from/to; RENAME TO name;
                                         // constraint name of DROP/ENABLE/DISABLE
    std::vector<ConstraintDef> constraints;
    bool cascade = false;                // DROP CONSTRAINT ... CASCADE
    char constraintKind = 0;             // ENABLE/DISABLE/DROP PRIMARY KEY ('P') or UNIQUE (cols) ('U')
};

// CREATE / ALTER SEQUENCE options; unset values are -1 / not given.
struct SequenceOptions {
    bool hasStart = false, hasIncrement = false, hasMin = false, hasMax = false, hasCache = false;
    bool noMin = false, noMax = false;
    double start = 0, increment = 1, minValue = 0, maxValue = 0;
    long cache = 20;
    int cycle = -1, order = -1;          // -1 not given, 0 NO..., 1 given
};

struct Statement {
    enum Kind {
        Query, Insert, Update, Delete, CreateTable, CreateView, CreateSynonym, CreateIndex,
        DropTable, DropView, DropSynonym, DropIndex, Truncate, Commit, Rollback,
        SetCurrentSchema, Block, Savepoint, RollbackTo,
        AlterTable, CreateSequence, AlterSequence, DropSequence, Comment, AlterSession,
        CreateStored, DropStored, AlterTrigger,
    };
    Kind kind = Query;
    std::size_t sourcePos = 0;      // offset of the statement in its block, for PL/SQL messages
    SelectP select;                 // Query; Insert ... SELECT; CREATE TABLE/VIEW AS
    TableRef table;                 // target of DML and DDL
    std::vector<std::string> columns;                  // INSERT column list; view columns
    std::vector<std::vector<ExprP>> values;            // INSERT VALUES rows
    std::vector<std::pair<std::string, ExprP>> sets;   // UPDATE SET col = expr
    std::vector<std::pair<std::vector<std::string>, ExprP>> rowSets;   // SET (a, b) = (query)
    ExprP where;
    std::vector<ColumnDef> columnDefs;                 // CREATE TABLE
    bool orReplace = false, isPublic = false, cascade = false, unique = false;
    TableRef target;                                   // synonym target; index table
    std::string identifier;                            // schema for SET CURRENT_SCHEMA
    std::vector<std::unique_ptr<Statement>> body;      // Block: statements of an anonymous block
    std::vector<ConstraintDef> constraints;            // CREATE TABLE: every constraint declared
    std::vector<AlterAction> actions;                  // ALTER TABLE
    SequenceOptions sequence;                          // CREATE / ALTER SEQUENCE
    // COMMENT ON TABLE t | COLUMN t.c IS 'text': identifier holds the column (empty for a
    // table), text the comment. ALTER SESSION SET name = value: identifier, text.
    // CREATE PROCEDURE/FUNCTION/PACKAGE [BODY]/TRIGGER/TYPE [BODY], DROP of them and ALTER
    // TRIGGER: objectType, table the object's name, text the source (from the object kind
    // on) or ENABLE/DISABLE/COMPILE.
    std::string text, objectType;
    std::vector<std::pair<std::string, std::string>> settings;   // ALTER SESSION SET a = b ...
    // CREATE TRIGGER: the table, its timing and events.
    std::string triggerTiming, triggerEvents;
    bool disabled = false;                             // CREATE TRIGGER ... DISABLE
};

} // namespace sim::ast
