#include "sqlscript.h"

#include <cctype>

namespace monitor {

namespace {

bool isWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// The closing delimiter of an alternative quote q'X...X'.
char closingOf(char open)
{
    switch (open) {
    case '[': return ']';
    case '{': return '}';
    case '<': return '>';
    case '(': return ')';
    default: return open;
    }
}

// When a string literal, quoted identifier or comment starts at i, the position just
// after it (the text's end when it is not closed); otherwise i itself. A line
// comment stops before its line end.
std::size_t skipOpaque(const std::string &t, std::size_t i)
{
    const std::size_t n = t.size();
    if (i >= n)
        return i;
    const char c = t[i];
    if (c == '-' && i + 1 < n && t[i + 1] == '-') {
        std::size_t e = t.find('\n', i);
        return e == std::string::npos ? n : e;
    }
    if (c == '/' && i + 1 < n && t[i + 1] == '*') {
        std::size_t e = t.find("*/", i + 2);
        return e == std::string::npos ? n : e + 2;
    }
    if ((c == 'q' || c == 'Q') && i + 2 < n && t[i + 1] == '\'' && (i == 0 || !isWordChar(t[i - 1]))) {
        const char close = closingOf(t[i + 2]);
        for (std::size_t k = i + 3; k + 1 < n; ++k)
            if (t[k] == close && t[k + 1] == '\'')
                return k + 2;
        return n;
    }
    if (c == '\'') {
        for (std::size_t k = i + 1; k < n; ++k) {
            if (t[k] != '\'')
                continue;
            if (k + 1 < n && t[k + 1] == '\'') {
                ++k;
                continue;
            }
            return k + 1;
        }
        return n;
    }
    if (c == '"') {
        std::size_t e = t.find('"', i + 1);
        return e == std::string::npos ? n : e + 1;
    }
    return i;
}

// Past white space and comments from i.
std::size_t skipSpace(const std::string &t, std::size_t i, bool parentheses = false)
{
    while (i < t.size()) {
        if (isBlank(t[i]) || (parentheses && t[i] == '(')) {
            ++i;
            continue;
        }
        if (t.compare(i, 2, "--") == 0 || t.compare(i, 2, "/*") == 0) {
            i = skipOpaque(t, i);
            continue;
        }
        break;
    }
    return i;
}

// The first `count` words of the text, upper case, comments skipped.
std::vector<std::string> leadingWords(const std::string &t, int count, bool parentheses)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (static_cast<int>(words.size()) < count) {
        i = skipSpace(t, i, parentheses && words.empty());
        std::string w;
        while (i < t.size() && isWordChar(t[i]))
            w += static_cast<char>(std::toupper(static_cast<unsigned char>(t[i++])));
        if (w.empty())
            break;
        words.push_back(std::move(w));
    }
    return words;
}

bool onlySpaceAndComments(const std::string &t) { return skipSpace(t, 0) >= t.size(); }

// The line that starts at `lineStart` holds only "/" (blanks around it allowed);
// answers the position after the line (its line end included), or npos.
std::size_t slashLineEnd(const std::string &t, std::size_t lineStart)
{
    std::size_t e = t.find('\n', lineStart);
    const std::size_t lineEnd = e == std::string::npos ? t.size() : e;
    std::size_t i = lineStart;
    while (i < lineEnd && isBlank(t[i]))
        ++i;
    if (i >= lineEnd || t[i] != '/')
        return std::string::npos;
    for (std::size_t k = i + 1; k < lineEnd; ++k)
        if (!isBlank(t[k]))
            return std::string::npos;
    return e == std::string::npos ? t.size() : e + 1;
}

bool blankLine(const std::string &t, std::size_t lineStart)
{
    for (std::size_t k = lineStart; k < t.size() && t[k] != '\n'; ++k)
        if (!isBlank(t[k]))
            return false;
    return true;
}

int lineOf(const std::string &t, std::size_t pos)
{
    int line = 0;
    for (std::size_t k = 0; k < pos && k < t.size(); ++k)
        if (t[k] == '\n')
            ++line;
    return line;
}

std::string trimBlanks(const std::string &s)
{
    std::size_t a = 0, b = s.size();
    while (a < b && isBlank(s[a]))
        ++a;
    while (b > a && isBlank(s[b - 1]))
        --b;
    return s.substr(a, b - a);
}

// Cuts the script; with `blankLines` an empty line also ends a SQL statement.
std::vector<ScriptStatement> split(const std::string &t, bool blankLines)
{
    std::vector<ScriptStatement> out;
    const std::size_t n = t.size();
    std::size_t start = 0;
    auto emit = [&](std::size_t from, std::size_t to, std::size_t next) {
        std::string body = t.substr(from, to - from);
        if (!onlySpaceAndComments(body)) {
            // The statement starts at its first character that is not white space.
            std::size_t lead = 0;
            while (lead < body.size() && isBlank(body[lead]))
                ++lead;
            ScriptStatement s;
            s.begin = from + lead;
            s.end = next;
            s.text = trimBlanks(body);
            s.line = lineOf(t, s.begin);
            out.push_back(std::move(s));
        }
        start = next;
    };
    while (start < n) {
        const bool block = isPlsqlBlock(t.substr(start, std::min<std::size_t>(n - start, 400)));
        std::size_t i = start;
        bool ended = false;
        while (i < n) {
            const bool lineStart = i == start || t[i - 1] == '\n';
            if (lineStart && i > start) {
                std::size_t after = slashLineEnd(t, i);
                if (after != std::string::npos) {
                    emit(start, i, after);
                    ended = true;
                    break;
                }
                if (blankLines && !block && blankLine(t, i) && !onlySpaceAndComments(t.substr(start, i - start))) {
                    std::size_t e = t.find('\n', i);
                    emit(start, i, e == std::string::npos ? n : e + 1);
                    ended = true;
                    break;
                }
            }
            std::size_t skipped = skipOpaque(t, i);
            if (skipped != i) {
                i = skipped;
                continue;
            }
            if (!block && t[i] == ';') {
                emit(start, i, i + 1);
                ended = true;
                break;
            }
            ++i;
        }
        if (!ended)
            emit(start, n, n);
    }
    return out;
}

} // namespace

std::string firstKeyword(const std::string &sql)
{
    auto w = leadingWords(sql, 1, true);
    return w.empty() ? std::string() : w[0];
}

StatementKind classify(const std::string &sql)
{
    const std::string k = firstKeyword(sql);
    if (k == "SELECT" || k == "WITH")
        return StatementKind::Query;
    if (k == "INSERT" || k == "UPDATE" || k == "DELETE")
        return StatementKind::Dml;
    return StatementKind::Command;
}

bool isPlsqlBlock(const std::string &sql)
{
    auto w = leadingWords(sql, 6, false);
    if (w.empty())
        return false;
    if (w[0] == "BEGIN" || w[0] == "DECLARE")
        return true;
    if (w[0] != "CREATE")
        return false;
    std::size_t i = 1;
    if (i + 1 < w.size() && w[i] == "OR" && w[i + 1] == "REPLACE")
        i += 2;
    if (i < w.size() && (w[i] == "EDITIONABLE" || w[i] == "NONEDITIONABLE"))
        ++i;
    if (i >= w.size())
        return false;
    const std::string &kind = w[i];
    return kind == "FUNCTION" || kind == "PROCEDURE" || kind == "PACKAGE" || kind == "TRIGGER" || kind == "TYPE";
}

std::string trimSpaces(const std::string &text)
{
    std::size_t a = text.find_first_not_of(' ');
    if (a == std::string::npos)
        return {};
    std::size_t b = text.find_last_not_of(' ');
    return text.substr(a, b - a + 1);
}

std::string statementToSend(const std::string &text)
{
    std::string s = trimSpaces(text);
    std::size_t last = s.find_last_not_of(" \t\r\n");
    if (last == std::string::npos)
        return s;
    if (isPlsqlBlock(s)) {
        // A closing "/" line is the script's, not the block's.
        std::size_t lineStart = s.rfind('\n', last);
        lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
        if (lineStart > 0 && slashLineEnd(s, lineStart) != std::string::npos)
            return trimSpaces(s.substr(0, lineStart > 0 ? lineStart - 1 : 0));
        return s;
    }
    if (s[last] == ';') {
        // Only when the ";" is not inside a comment or string that runs to the end.
        std::size_t i = 0;
        bool opaque = false;
        while (i <= last) {
            std::size_t k = skipOpaque(s, i);
            if (k != i) {
                if (k > last) {
                    opaque = true;
                    break;
                }
                i = k;
            } else {
                ++i;
            }
        }
        if (!opaque)
            return trimSpaces(s.substr(0, last));
    }
    return s;
}

std::vector<ScriptStatement> splitScript(const std::string &script) { return split(script, false); }

ScriptStatement statementAt(const std::string &script, std::size_t pos)
{
    const std::vector<ScriptStatement> all = split(script, true);
    const ScriptStatement *before = nullptr;
    for (const ScriptStatement &s : all) {
        if (pos >= s.begin && pos <= s.end)
            return s;
        if (s.end <= pos)
            before = &s;
    }
    if (before)
        return *before;
    return all.empty() ? ScriptStatement{} : all.front();
}

} // namespace monitor
