#include "lexer.h"

#include "simerror.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace sim {

namespace {

bool identStart(unsigned char c) { return std::isalpha(c) || c >= 0x80; }
bool identChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c == '#' || c >= 0x80; }

std::string upper(std::string_view s)
{
    std::string out(s);
    for (auto &c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

std::vector<Token> tokenize(std::string_view sql)
{
    std::vector<Token> out;
    out.reserve(sql.size() / 3 + 4);
    std::size_t i = 0, n = sql.size();
    while (i < n) {
        unsigned char c = sql[i];
        if (std::isspace(c)) { ++i; continue; }
        if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            while (i < n && sql[i] != '\n') ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            auto end = sql.find("*/", i + 2);
            i = end == std::string_view::npos ? n : end + 2;
            continue;
        }
        Token t;
        t.pos = i;
        if (identStart(c)) {
            std::size_t j = i + 1;
            while (j < n && identChar(sql[j])) ++j;
            t.type = Token::Ident;
            t.text = upper(sql.substr(i, j - i));
            i = j;
        } else if (std::isdigit(c) || (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
            std::size_t j = i;
            while (j < n && std::isdigit(static_cast<unsigned char>(sql[j]))) ++j;
            if (j < n && sql[j] == '.' && !(j + 1 < n && sql[j + 1] == '.')) {
                ++j;
                while (j < n && std::isdigit(static_cast<unsigned char>(sql[j]))) ++j;
            }
            if (j < n && (sql[j] == 'e' || sql[j] == 'E')) {
                std::size_t k = j + 1;
                if (k < n && (sql[k] == '+' || sql[k] == '-')) ++k;
                if (k < n && std::isdigit(static_cast<unsigned char>(sql[k]))) {
                    while (k < n && std::isdigit(static_cast<unsigned char>(sql[k]))) ++k;
                    j = k;
                }
            }
            t.type = Token::Number;
            t.text = std::string(sql.substr(i, j - i));
            // A NUMBER holds magnitudes below 1E126.
            double v = std::strtod(t.text.c_str(), nullptr);
            if (!std::isfinite(v) || std::fabs(v) >= 1e126) throw oraError(1426);
            i = j;
        } else if (c == '\'') {
            std::string v;
            std::size_t j = i + 1;
            for (;;) {
                if (j >= n) throw oraError(1756);
                if (sql[j] == '\'') {
                    if (j + 1 < n && sql[j + 1] == '\'') { v += '\''; j += 2; continue; }
                    ++j;
                    break;
                }
                v += sql[j++];
            }
            if (v.size() > 4000) throw oraError(1704);
            t.type = Token::String;
            t.text = std::move(v);
            i = j;
        } else if (c == '"') {
            auto end = sql.find('"', i + 1);
            if (end == std::string_view::npos) throw oraError(1740);
            if (end == i + 1) throw oraError(1741);
            if (sql.substr(i + 1, end - i - 1).find('\0') != std::string_view::npos) throw oraError(911);
            t.type = Token::QuotedIdent;
            t.text = std::string(sql.substr(i + 1, end - i - 1));
            i = end + 1;
        } else if (c == ':' && i + 1 < n && (identChar(sql[i + 1]))) {
            std::size_t j = i + 1;
            while (j < n && identChar(sql[j])) ++j;
            t.type = Token::Bind;
            t.text = upper(sql.substr(i + 1, j - i - 1));
            i = j;
        } else {
            static const char *two[] = {"||", "!=", "<>", "^=", "~=", "<=", ">=", ":=", "=>", ".."};
            t.type = Token::Op;
            bool matched = false;
            if (i + 1 < n) {
                for (const char *op : two) {
                    if (sql[i] == op[0] && sql[i + 1] == op[1]) {
                        t.text = op;
                        i += 2;
                        matched = true;
                        break;
                    }
                }
            }
            if (!matched) {
                if (std::string_view("(),.;+-*/=<>@%:").find(static_cast<char>(c)) == std::string_view::npos)
                    throw oraError(911);
                t.text = std::string(1, static_cast<char>(c));
                ++i;
            }
        }
        t.len = i - t.pos;
        out.push_back(std::move(t));
    }
    Token end;
    end.pos = n;
    out.push_back(end);
    return out;
}

} // namespace sim
