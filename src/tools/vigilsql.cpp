// vigilsql: runs SQL through the access layer from a shell.
//   vigilsql -c USER[/PASSWORD]@SERVICE -e "SQL" [-e "SQL" ...]
#include "clientdriver.h"
#include "orasession.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

const char *kHelp =
    "Usage: vigilsql -c USER/PASSWORD@SERVICE -e \"SQL\" [-e \"SQL\" ...]\n"
    "       vigilsql -c USER@SERVICE -e \"SQL\" ...   (the password is asked for)\n"
    "\n"
    "Connects once to SERVICE as USER and runs each statement in order on that connection.\n"
    "SERVICE \"sim:NAME\" (for example sim:ORCL) is the built-in simulated Oracle instance NAME.\n"
    "Any other service is a real server reached through the Oracle client library: a TNS alias\n"
    "(read from tnsnames.ora in $TNS_ADMIN), host[:port]/service, or a (DESCRIPTION=...). The\n"
    "client is the one in --client DIR, else the first found in $ORACLE_HOME/lib, the\n"
    "directories of LD_LIBRARY_PATH, /usr/lib/oracle/*/client64/lib, /opt/oracle/instantclient*.\n"
    "\n"
    "A query prints a header line with the column names (as Oracle names them: an unquoted\n"
    "name or alias in upper case), then one line per row, values separated by tabs, null as\n"
    "an empty field. Any other statement (DML, DDL, COMMIT, a BEGIN ... END block) prints\n"
    "\"N rows processed\".\n"
    "\n"
    "Rows are written as they are fetched. A failure prints the server's message (ORA-...)\n"
    "to standard error, runs nothing after it, and exits with status 1; so does output that\n"
    "cannot be written (a full disk, a closed pipe). Success exits with status 0.\n"
    "\n"
    "Password: a password written in -c is visible to other users of this machine (in the\n"
    "process list and the shell history). Leave it out (-c USER@SERVICE) and vigilsql takes\n"
    "it from the environment variable VIGILSQL_PASSWORD, or else asks for it on the terminal\n"
    "(without echo) or reads it as the first line of standard input.\n"
    "\n"
    "Options:\n"
    "  -c USER[/PASSWORD]@SERVICE the connection\n"
    "  -e SQL                     a statement to run (repeatable)\n"
    "  --client DIR               the Oracle client library directory (holding libclntsh.so)\n"
    "  --help                     this text\n"
    "\n"
    "Environment: VIGILSQL_PASSWORD the password when -c has none;\n"
    "SQLVIGIL_SQL_TRACE=FILE appends every statement sent to FILE (created readable by its\n"
    "owner only, passwords written as ********).\n";

// Reads the password: from VIGILSQL_PASSWORD, else from the terminal without echo, else
// the first line of standard input. False when there is none to read.
bool readPassword(std::string &password)
{
    if (const char *env = std::getenv("VIGILSQL_PASSWORD")) {
        password = env;
        return true;
    }
    bool tty = ::isatty(STDIN_FILENO);
    termios saved {};
    if (tty) {
        std::fputs("Password: ", stderr);
        std::fflush(stderr);
        if (::tcgetattr(STDIN_FILENO, &saved) == 0) {
            termios quiet = saved;
            quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        } else {
            tty = false;
        }
    }
    bool got = static_cast<bool>(std::getline(std::cin, password));
    if (tty) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return got;
}

// Writes each row to standard output as it arrives; stops the fetch when the output
// cannot be written.
class Printer : public access::RowReceiver {
public:
    void columns(const std::vector<std::string> &cols) override
    {
        m_line.clear();
        for (std::size_t c = 0; c < cols.size(); ++c) (m_line += c ? "\t" : "") += cols[c];
        put();
    }
    bool row(const std::vector<access::OraValue> &values) override
    {
        m_line.clear();
        for (std::size_t c = 0; c < values.size(); ++c) {
            if (c) m_line += '\t';
            m_line += values[c].toString();
        }
        return put();
    }
    bool put()
    {
        m_line += '\n';
        if (!m_failed && std::fwrite(m_line.data(), 1, m_line.size(), stdout) != m_line.size()) fail();
        return !m_failed;
    }
    bool flush()
    {
        if (!m_failed && std::fflush(stdout) != 0) fail();
        return !m_failed;
    }
    bool failed() const { return m_failed; }
    int error() const { return m_errno; }

private:
    void fail()
    {
        m_failed = true;
        m_errno = errno;
    }
    std::string m_line;
    bool m_failed = false;
    int m_errno = 0;
};

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
        if (a == "--client" && i + 1 < argc) {
            const std::string dir = argv[++i];
            oci::setClientDirectoryResolver([dir](const std::string &) { return dir; });
            continue;
        }
        if ((a == "-c" || a == "-e") && i + 1 < argc) {
            (a == "-c" ? connect : statements.emplace_back()) = argv[++i];
            continue;
        }
        std::cerr << "vigilsql: unexpected argument \"" << a << "\" (see --help)\n";
        return 2;
    }
    auto at = connect.rfind('@');
    if (connect.empty() || at == std::string::npos || at == 0) {
        std::cerr << "vigilsql: -c USER/PASSWORD@SERVICE is required (see --help)\n";
        return 2;
    }
    std::string login = connect.substr(0, at);
    if (login.find('/') == std::string::npos) {
        std::string password;
        if (!readPassword(password)) {
            std::cerr << "vigilsql: no password given (-c USER/PASSWORD@SERVICE, VIGILSQL_PASSWORD or "
                         "standard input)\n";
            return 2;
        }
        login += "/" + password;
    }
    Printer out;
    auto writeFailure = [&] {
        std::cerr << "vigilsql: cannot write the output: " << std::strerror(out.error() ? out.error() : EIO) << '\n';
        return 1;
    };
    try {
        access::OraSession session;
        auto db = session.DbOpenDatabase(connect.substr(at + 1), login, 0);
        for (const std::string &sql : statements) {
            if (isQuery(sql)) {
                db->DbStreamQuery(sql, out);
            } else {
                long n = db->DbExecuteSQL(sql);
                out.columns({std::to_string(n) + " rows processed"});
            }
            if (out.failed()) break;
        }
        db->Close();
    } catch (const access::OraError &e) {
        out.flush();
        std::cerr << e.what() << '\n';
        return 1;
    } catch (const std::exception &e) {
        out.flush();
        std::cerr << "vigilsql: " << e.what() << '\n';
        return 1;
    }
    if (!out.flush()) return writeFailure();
    return 0;
}
