#include "ddllexer.h"

#include "simerror.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace sim::dictionary {

namespace {

bool wordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#'; }

} // namespace

std::vector<DdlToken> lexDdl(const std::string &s)
{
    std::vector<DdlToken> out;
    std::size_t i = 0, n = s.size();
    while (i < n) {
        char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) { ++i; continue; }
        if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            while (i < n && s[i] != '\n') ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            auto close = s.find("*/", i + 2);
            i = close == std::string::npos ? n : close + 2;
            continue;
        }
        DdlToken t;
        t.pos = i;
        if (c == '\'') {
            t.kind = DdlToken::String;
            ++i;
            for (;;) {
                if (i >= n) throw oraError(1756);
                if (s[i] == '\'') {
                    if (i + 1 < n && s[i + 1] == '\'') { t.text += '\''; i += 2; continue; }
                    ++i;
                    break;
                }
                t.text += s[i++];
            }
        } else if (c == '"') {
            t.kind = DdlToken::Quoted;
            auto close = s.find('"', i + 1);
            if (close == std::string::npos) throw oraError(1740);
            t.text = s.substr(i + 1, close - i - 1);
            if (t.text.empty()) throw oraError(1741);
            i = close + 1;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            t.kind = DdlToken::Number;
            std::size_t start = i;
            while (i < n && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.')) ++i;
            t.text = s.substr(start, i - start);
            t.number = std::strtod(t.text.c_str(), nullptr);
            if (i < n && std::strchr("KkMmGg", s[i]) && (i + 1 >= n || !wordChar(s[i + 1]))) {
                t.suffix = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i])));
                ++i;
            }
        } else if (wordChar(c)) {
            t.kind = DdlToken::Word;
            while (i < n && wordChar(s[i])) t.text += static_cast<char>(std::toupper(static_cast<unsigned char>(s[i++])));
        } else if (std::strchr("(),=;@.*+-<>!:/|", c)) {
            t.kind = DdlToken::Op;
            t.text = std::string(1, c);
            ++i;
        } else {
            throw oraError(911);
        }
        t.end = i;
        out.push_back(std::move(t));
    }
    DdlToken end;
    end.pos = end.end = n;
    out.push_back(end);
    return out;
}

DdlParser::DdlParser(const std::string &sql) : m_sql(sql), m_tokens(lexDdl(sql)) {}

const DdlToken &DdlParser::peek(std::size_t ahead) const
{
    std::size_t k = std::min(m_i + ahead, m_tokens.size() - 1);
    return m_tokens[k];
}

bool DdlParser::isWord(const char *word, std::size_t ahead) const
{
    const DdlToken &t = peek(ahead);
    return t.kind == DdlToken::Word && t.text == word;
}

bool DdlParser::isOp(char op, std::size_t ahead) const
{
    const DdlToken &t = peek(ahead);
    return t.kind == DdlToken::Op && t.text[0] == op;
}

bool DdlParser::acceptWord(const char *word)
{
    if (!isWord(word)) return false;
    ++m_i;
    return true;
}

bool DdlParser::acceptOp(char op)
{
    if (!isOp(op)) return false;
    ++m_i;
    return true;
}

void DdlParser::expectWord(const char *word, int code)
{
    if (!acceptWord(word)) throw oraError(code);
}

void DdlParser::expectOp(char op, int code)
{
    if (!acceptOp(op)) throw oraError(code);
}

std::string DdlParser::identifier(int code)
{
    const DdlToken &t = peek();
    if (t.kind != DdlToken::Word && t.kind != DdlToken::Quoted) throw oraError(code);
    ++m_i;
    return t.text;
}

std::string DdlParser::string(int code)
{
    const DdlToken &t = peek();
    if (t.kind != DdlToken::String) throw oraError(code);
    ++m_i;
    return t.text;
}

long long DdlParser::integer(int code)
{
    const DdlToken &t = peek();
    if (t.kind != DdlToken::Number || t.suffix || t.number != std::floor(t.number) || t.number > 9.0e15)
        throw oraError(code);
    ++m_i;
    return static_cast<long long>(t.number);
}

long long DdlParser::size(int code)
{
    const DdlToken &t = peek();
    if (t.kind != DdlToken::Number || t.number > 1.0e15) throw oraError(code);
    ++m_i;
    double v = t.number;
    if (t.suffix == 'K') v *= 1024;
    else if (t.suffix == 'M') v *= 1024.0 * 1024;
    else if (t.suffix == 'G') v *= 1024.0 * 1024 * 1024;
    return static_cast<long long>(std::llround(v));
}

bool DdlParser::atEnd() const { return peek().kind == DdlToken::End || (isOp(';') && peek(1).kind == DdlToken::End); }

void DdlParser::expectEnd()
{
    acceptOp(';');
    if (peek().kind != DdlToken::End) throw oraError(933);
}

} // namespace sim::dictionary
