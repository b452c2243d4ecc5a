#pragma once
// Tokenizer for Oracle SQL and the anonymous PL/SQL blocks the instance runs.
// Identifiers may hold `$` and `#` (v$session, serial#); unquoted ones are upper-cased,
// quoted ones keep their case. `--` and `/* */` comments are skipped.
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct Token {
    enum Type { End, Ident, QuotedIdent, String, Number, Bind, Op };
    Type type = End;
    std::string text;       // Ident: upper case; String: value; Op: the operator; Bind: name
    std::size_t pos = 0;    // byte offset in the statement
    std::size_t len = 0;    // bytes in the statement

    bool is(const char *word) const { return (type == Ident || type == Op) && text == word; }
};

// Throws SimError ORA-01756 for an unterminated string, ORA-00911 for a stray character.
std::vector<Token> tokenize(std::string_view sql);

} // namespace sim
