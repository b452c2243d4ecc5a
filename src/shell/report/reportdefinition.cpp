#include "reportdefinition.h"

#include <fstream>
#include <sstream>

namespace report {

namespace {

std::string trim(const std::string &s)
{
    const std::size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos)
        return {};
    return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

std::vector<std::string> split(const std::string &s, char sep)
{
    std::vector<std::string> out;
    std::size_t p = 0;
    while (true) {
        const std::size_t q = s.find(sep, p);
        out.push_back(trim(s.substr(p, q == std::string::npos ? std::string::npos : q - p)));
        if (q == std::string::npos)
            return out;
        p = q + 1;
    }
}

// "field|heading|align|decimals"; `fail` reports a faulty piece.
template <class Fail> ReportColumn parseColumn(const std::string &value, Fail fail)
{
    const auto parts = split(value, '|');
    if (parts[0].empty())
        fail("a column needs a field");
    ReportColumn c;
    c.field = parts[0];
    c.heading = parts.size() > 1 && !parts[1].empty() ? parts[1] : parts[0];
    if (parts.size() > 2 && !parts[2].empty()) {
        if (parts[2] == "right")
            c.align = Align::Right;
        else if (parts[2] == "center")
            c.align = Align::Center;
        else if (parts[2] != "left")
            fail("alignment \"" + parts[2] + "\" is not left, right or center");
    }
    if (parts.size() > 3 && !parts[3].empty()) {
        const std::string &d = parts[3];
        if (d.size() > 1 || d[0] < '0' || d[0] > '9')
            fail("decimals \"" + d + "\" is not a digit");
        c.decimals = d[0] - '0';
    }
    return c;
}

} // namespace

ReportDefinition parseDefinition(const std::string &text, const std::string &origin)
{
    ReportDefinition def;
    std::istringstream in(text);
    std::string line;
    int n = 0;
    auto fail = [&](const std::string &what) {
        throw ReportError(20515, origin + ", line " + std::to_string(n) + ": " + what + ".");
    };
    while (std::getline(in, line)) {
        ++n;
        const std::string t = trim(line);
        if (t.empty() || t[0] == '#')
            continue;
        const std::size_t eq = t.find('=');
        if (eq == std::string::npos)
            fail("\"KEY=value\" expected");
        const std::string key = trim(t.substr(0, eq)), value = trim(t.substr(eq + 1));
        if (key == "TITLE")
            def.title = value;
        else if (key == "SUBTITLE")
            def.subtitle = value;
        else if (key == "SOURCE")
            def.source = value;
        else if (key == "GROUP") {
            const auto parts = split(value, '|');
            def.group = parts[0];
            def.groupLabel = parts.size() > 1 ? parts[1] : std::string();
        }
        else if (key == "MARK")
            def.mark = value;
        else if (key == "NOTE")
            def.note = value;
        else if (key == "EMPTY")
            def.empty = value;
        else if (key == "ORIENTATION") {
            if (value != "landscape" && value != "portrait")
                fail("orientation \"" + value + "\" is not portrait or landscape");
            def.landscape = value == "landscape";
        } else if (key == "COLUMN")
            def.columns.push_back(parseColumn(value, fail));
        else
            fail("unknown key " + key);
    }
    if (def.source.empty() || def.columns.empty())
        throw ReportError(20515, origin + ": a report needs a SOURCE and at least one COLUMN.");
    return def;
}

ReportDefinition readDefinition(const std::string &path)
{
    std::ifstream in(path);
    if (!in)
        throw ReportError(20504, "Cannot open the report file " + path + ".");
    std::stringstream s;
    s << in.rdbuf();
    if (in.bad())
        throw ReportError(20504, "Cannot read the report file " + path + ".");
    return parseDefinition(s.str(), path);
}

} // namespace report
