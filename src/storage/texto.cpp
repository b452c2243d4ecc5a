#include "texto.h"

#include <cmath>

namespace storage {

namespace {

// The span of the leading number of `s` from `i` (after blanks); answers its end.
int numberEnd(const QString &s, int i)
{
    const int n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-'))
        ++i;
    bool digits = false;
    while (i < n && s[i].isDigit()) {
        ++i;
        digits = true;
    }
    if (i < n && s[i] == '.') {
        int j = i + 1;
        while (j < n && s[j].isDigit()) {
            ++j;
            digits = true;
        }
        i = j;
    }
    if (!digits)
        return -1;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        int j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < n && s[j].isDigit()) {
            while (j < n && s[j].isDigit())
                ++j;
            i = j;
        }
    }
    return i;
}

int skipBlanks(const QString &s)
{
    int i = 0;
    while (i < s.size() && s[i].isSpace())
        ++i;
    return i;
}

bool plainStart(QChar c) { return c.unicode() < 128 && c.isLetter(); }
bool plainChar(QChar c)
{
    return c.unicode() < 128 && (c.isLetterOrNumber() || c == '_' || c == '$' || c == '#');
}

} // namespace

double Val(const QString &text)
{
    const int start = skipBlanks(text);
    const int end = numberEnd(text, start);
    if (end < 0)
        return 0;
    bool ok = false;
    const double v = text.mid(start, end - start).toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

QString Str(double value)
{
    QString t = QString::number(value, 'g', 15);
    return value >= 0 ? " " + t : t;
}

std::string literal(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

std::string nombreOracle(const std::string &name)
{
    bool bare = !name.empty() && name[0] >= 'A' && name[0] <= 'Z';
    for (char c : name)
        bare = bare && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' || c == '#');
    return bare ? name : "\"" + name + "\"";
}

QString nombreEscrito(const QString &typed)
{
    const QString t = typed.trimmed();
    if (t.size() >= 2 && t.startsWith('"') && t.endsWith('"'))
        return t.mid(1, t.size() - 2);
    bool plain = !t.isEmpty() && plainStart(t[0]);
    for (QChar c : t)
        plain = plain && plainChar(c);
    return plain ? t.toUpper() : t;
}

bool nombreValido(const QString &name)
{
    return !name.isEmpty() && name.size() <= 30 && !name.contains('"');
}

std::string tamanoSql(const QString &typed)
{
    const int start = skipBlanks(typed);
    const int end = numberEnd(typed, start);
    if (end < 0)
        return "0";
    std::string out = typed.mid(start, end - start).toStdString();
    if (!out.empty() && out[0] == '+')
        out.erase(0, 1);
    if (end < typed.size()) {
        const QChar u = typed[end].toUpper();
        const bool alone = end + 1 >= typed.size() || !typed[end + 1].isLetterOrNumber();
        if ((u == 'K' || u == 'M') && alone)
            out += static_cast<char>(u.unicode());
    }
    return out;
}

} // namespace storage
