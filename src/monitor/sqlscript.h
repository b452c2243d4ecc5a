#pragma once
// The SQL editor's reading of its text, without Qt: which kind of statement a text
// is, what is sent to the server, and how a script is cut into statements the way
// SQL*Plus cuts it (";" outside strings and comments ends a SQL statement, a "/"
// on a line of its own ends a PL/SQL block).
#include <cstddef>
#include <string>
#include <vector>

namespace monitor {

enum class StatementKind {
    Query,     // rows to show
    Dml,       // INSERT, UPDATE, DELETE: rows processed, "Reg."
    Command,   // DDL, PL/SQL blocks, anything else: "Commands Executed."
};

// The first word of the text in upper case, after white space, comments
// ("--" to the end of the line, "/* ... */") and opening parentheses.
std::string firstKeyword(const std::string &sql);

// A query is recognised by its first keyword (SELECT or WITH), DML by INSERT,
// UPDATE or DELETE; everything else is a command.
StatementKind classify(const std::string &sql);

// BEGIN, DECLARE, or CREATE [OR REPLACE] FUNCTION, PROCEDURE, PACKAGE, TRIGGER or TYPE:
// a text whose semicolons belong to it.
bool isPlsqlBlock(const std::string &sql);

// Leading and trailing blanks (the space character only) removed.
std::string trimSpaces(const std::string &text);

// The statement as it is sent: blanks trimmed; after a SQL statement one trailing
// ";" is dropped (Oracle refuses it with ORA-00911), while a block keeps its
// "end;" and loses only a closing "/" line.
std::string statementToSend(const std::string &text);

struct ScriptStatement {
    std::string text;         // without its terminator
    std::size_t begin = 0;    // offset of its first character in the script
    std::size_t end = 0;      // offset just past its terminator (or the text)
    int line = 0;             // 0-based line of `begin`
};

// The statements of a script in order; stretches holding only white space and
// comments are left out.
std::vector<ScriptStatement> splitScript(const std::string &script);

// The statement under the cursor position `pos`: statements are separated by ";",
// by a "/" line after a block, and by blank lines (outside PL/SQL blocks). With
// the cursor between two statements, the one before it; text empty when there is
// none.
ScriptStatement statementAt(const std::string &script, std::size_t pos);

} // namespace monitor
