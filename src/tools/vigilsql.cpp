// vigilsql: runs SQL through the access layer from a shell.
//   vigilsql -c USER/PASSWORD@SERVICE -e "SQL" [-e "SQL" ...]
#include "orasession.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char *kHelp =
    "Usage: vigilsql -c USER/PASSWORD@SERVICE -e \"SQL\" [-e \"SQL\" ...]\n"
    "\n"
    "Connects once to SERVICE as USER and runs each statement in order on that connection.\n"
    "SERVICE \"sim:NAME\" (for example sim:ORCL) is the built-in simulated Oracle instance NAME;\n"
    "any other service needs the Oracle client library.\n"
    "\n"
    "A query prints a header line with the column names (as Oracle names them: an unquoted\n"
    "name or alias in upper case), then one line per row, values separated by tabs, null as\n"
    "an empty field. Any other statement (DML, DDL, COMMIT, a BEGIN ... END block) prints\n"
    "\"N rows processed\".\n"
    "\n"
    "A failure prints the server's message (ORA-...) to standard error, runs nothing after\n"
    "it, and exits with status 1; success exits with status 0.\n"
    "\n"
    "Options:\n"
    "  -c USER/PASSWORD@SERVICE   the connection\n"
    "  -e SQL                     a statement to run (repeatable)\n"
    "  --help                     this text\n"
    "\n"
    "Environment: SQLVIGIL_SQL_TRACE=FILE appends every statement sent to FILE.\n";

bool isQuery(const std::string &sql)
{
    std::size_t i = 0;
    while (i < sql.size()) {
        if (std::isspace(static_cast<unsigned char>(sql[i])) || sql[i] == '(') { ++i; continue; }
        if (sql.compare(i, 2, "--") == 0) {
            while (i < sql.size() && sql[i] != '\n') ++i;
            continue;
        }
        if (sql.compare(i, 2, "/*") == 0) {
            auto e = sql.find("*/", i + 2);
            i = e == std::string::npos ? sql.size() : e + 2;
            continue;
        }
        break;
    }
    std::string word;
    while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])))
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i++])));
    return word == "SELECT" || word == "WITH";
}

} // namespace

int main(int argc, char **argv)
{
    std::string connect;
    std::vector<std::string> statements;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout << kHelp;
            return 0;
        }
        if ((a == "-c" || a == "-e") && i + 1 < argc) {
            (a == "-c" ? connect : statements.emplace_back()) = argv[++i];
            continue;
        }
        std::cerr << "vigilsql: unexpected argument \"" << a << "\" (see --help)\n";
        return 2;
    }
    auto at = connect.rfind('@');
    if (connect.empty() || at == std::string::npos || connect.find('/') == std::string::npos) {
        std::cerr << "vigilsql: -c USER/PASSWORD@SERVICE is required (see --help)\n";
        return 2;
    }
    try {
        access::OraSession session;
        auto db = session.DbOpenDatabase(connect.substr(at + 1), connect.substr(0, at), 0);
        for (const std::string &sql : statements) {
            if (isQuery(sql)) {
                auto ds = db->DbCreateDynaset(sql, 4);
                const auto &cols = ds->columnNames();
                for (std::size_t c = 0; c < cols.size(); ++c) std::cout << (c ? "\t" : "") << cols[c];
                std::cout << '\n';
                std::string line;
                for (; !ds->IsEOF(); ds->MoveNext()) {
                    line.clear();
                    for (std::size_t c = 0; c < cols.size(); ++c) {
                        if (c) line += '\t';
                        line += ds->FieldAt(c).toString();
                    }
                    std::cout << line << '\n';
                }
                ds->Close();
            } else {
                long n = db->DbExecuteSQL(sql);
                std::cout << n << " rows processed\n";
            }
        }
        db->Close();
    } catch (const access::OraError &e) {
        std::cout.flush();
        std::cerr << e.what() << '\n';
        return 1;
    } catch (const std::exception &e) {
        std::cout.flush();
        std::cerr << "vigilsql: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
