#pragma once
// Tokens and a small recursive-descent helper for the administrative statements the
// dictionary handles itself (tablespaces, datafiles, rollback segments, users, kill
// session, explain plan). Words are upper-cased; sizes keep their K/M/G suffix.
//
//   DdlParser p(sql);
//   p.expectWord("ALTER"); p.expectWord("TABLESPACE");
//   std::string name = p.identifier();
#include <cstdint>
#include <string>
#include <vector>

namespace sim::dictionary {

struct DdlToken {
    enum Kind { Word, Quoted, String, Number, Op, End } kind = End;
    std::string text;          // Word: upper case; Quoted and String: the content; Op: the character
    double number = 0;         // Number
    char suffix = 0;           // Number: 'K', 'M', 'G' or 0
    std::size_t pos = 0, end = 0;   // byte range in the statement
};

// Splits a statement; throws ORA-01756 for an unterminated string, ORA-01740 for an
// unterminated quoted identifier and ORA-00911 for a character outside the grammar.
std::vector<DdlToken> lexDdl(const std::string &sql);

class DdlParser {
public:
    explicit DdlParser(const std::string &sql);

    const DdlToken &peek(std::size_t ahead = 0) const;
    bool isWord(const char *word, std::size_t ahead = 0) const;
    bool isOp(char op, std::size_t ahead = 0) const;
    bool acceptWord(const char *word);
    bool acceptOp(char op);
    void expectWord(const char *word, int code = 905);
    void expectOp(char op, int code);
    // A name: a word or a quoted identifier (ORA-`code` otherwise).
    std::string identifier(int code = 904);
    // A string literal's content (ORA-`code` otherwise).
    std::string string(int code);
    // A whole number (ORA-`code` otherwise).
    long long integer(int code);
    // A size in bytes: a number with an optional K, M or G suffix (ORA-`code` otherwise).
    long long size(int code);
    void advance() { if (m_i + 1 < m_tokens.size()) ++m_i; }
    bool atEnd() const;
    // Nothing but an optional ";" may follow (ORA-00933 otherwise).
    void expectEnd();
    std::size_t position() const { return m_i; }
    const std::string &text() const { return m_sql; }

private:
    std::string m_sql;
    std::vector<DdlToken> m_tokens;
    std::size_t m_i = 0;
};

} // namespace sim::dictionary
