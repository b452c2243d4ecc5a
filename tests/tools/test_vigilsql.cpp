// vigilsql as a user runs it from a shell: output format, exit status, errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

std::string quote(const std::string &s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

std::string slurp(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

Outcome vigilsql(const std::vector<std::string> &args, const std::string &env = {})
{
    char dir[] = "/tmp/vigilsql-test-XXXXXX";
    std::string d = mkdtemp(dir);
    std::string cmd = env + " " + quote(VIGILSQL_BIN);
    for (auto &a : args) cmd += " " + quote(a);
    cmd += " >" + d + "/out 2>" + d + "/err";
    int rc = std::system(cmd.c_str());
    Outcome r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, slurp(d + "/out"), slurp(d + "/err")};
    std::remove((d + "/out").c_str());
    std::remove((d + "/err").c_str());
    rmdir(d.c_str());
    return r;
}

TEST(Vigilsql, PrintsQueriesAndRowCounts)
{
    Outcome r = vigilsql({"-c", "system/manager@sim:ORCL", "-e", "create table t (n number, s varchar2(10), d date)",
                      "-e", "insert into t values (1, 'one', to_date('2024-01-02','YYYY-MM-DD'))", "-e",
                      "insert into t select n + 1, null, null from t", "-e",
                      "select n, s \"Name\", d, n/4 quarter from t order by n", "-e", "update t set n = n * 10", "-e", "BEGIN null; END;"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0 rows processed\n"
                     "1 rows processed\n"
                     "1 rows processed\n"
                     "N\tName\tD\tQUARTER\n"
                     "1\tone\t2024-01-02 00:00:00\t0.25\n"
                     "2\t\t\t0.5\n"
                     "2 rows processed\n"
                     "1 rows processed\n");
    EXPECT_EQ(r.err, "");
}

TEST(Vigilsql, StopsAtTheFirstFailure)
{
    Outcome r = vigilsql({"-c", "system/manager@sim:ORCL", "-e", "select 1 one from dual", "-e", "select * from nowhere",
                      "-e", "select 2 two from dual"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "ONE\n1\n");
    EXPECT_EQ(r.err, "ORA-00942: table or view does not exist\n");

    r = vigilsql({"-c", "system/wrong@sim:ORCL", "-e", "select 1 from dual"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ORA-01017: invalid username/password; logon denied\n");

    r = vigilsql({"-c", "system/manager@sim:NOWHERE", "-e", "select 1 from dual"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ORA-12154: TNS:could not resolve service name\n");

    r = vigilsql({"-c", "system/manager@REALDB", "-e", "select 1 from dual"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Oracle client library not available"), std::string::npos);
}

TEST(Vigilsql, HelpAndTrace)
{
    Outcome r = vigilsql({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("vigilsql -c USER/PASSWORD@SERVICE -e \"SQL\""), std::string::npos);
    EXPECT_NE(r.out.find("rows processed"), std::string::npos);
    EXPECT_NE(r.out.find("exits with status 1"), std::string::npos);

    char path[] = "/tmp/vigilsql-trace-XXXXXX";
    close(mkstemp(path));
    r = vigilsql({"-c", "scott/tiger@sim:ORCL", "-e", "select 1\nfrom dual", "-e", "commit"},
                 "SQLVIGIL_SQL_TRACE=" + std::string(path));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(path), "select 1 from dual\ncommit\n");
    std::remove(path);

    r = vigilsql({"-e", "select 1 from dual"});
    EXPECT_EQ(r.status, 2);
}

} // namespace
