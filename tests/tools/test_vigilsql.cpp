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
    EXPECT_EQ(slurp(path), "CONNECT scott/********@sim:ORCL\nselect 1 from dual\ncommit\n");
    std::remove(path);

    r = vigilsql({"-e", "select 1 from dual"});
    EXPECT_EQ(r.status, 2);
}

TEST(Vigilsql, PasswordFromEnvironmentOrInputNeverInTheTrace)
{
    Outcome r = vigilsql({"--help"});
    EXPECT_NE(r.out.find("visible to other users"), std::string::npos);
    EXPECT_NE(r.out.find("VIGILSQL_PASSWORD"), std::string::npos);

    char path[] = "/tmp/vigilsql-trace-XXXXXX";
    close(mkstemp(path));
    std::remove(path);
    const std::string trace = "SQLVIGIL_SQL_TRACE=" + std::string(path);
    r = vigilsql({"-c", "system@sim:ORCL", "-e", "select 1 one from dual", "-e",
                  "create user hush identified by \"s3cret\" default tablespace users"},
                 "VIGILSQL_PASSWORD=manager " + trace);
    EXPECT_EQ(r.out.substr(0, 6), "ONE\n1\n") << r.err;
    std::string logged = slurp(path);
    EXPECT_EQ(logged.find("manager"), std::string::npos) << logged;
    EXPECT_EQ(logged.find("s3cret"), std::string::npos) << logged;
    EXPECT_NE(logged.find("CONNECT system/********@sim:ORCL"), std::string::npos) << logged;
    EXPECT_NE(logged.find("identified by ******** default tablespace users"), std::string::npos) << logged;
    std::remove(path);

    // Without the environment variable the password is the first line of the input.
    r = vigilsql({"-c", "system@sim:ORCL", "-e", "select 2 two from dual"}, "printf 'manager\\n' |");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "TWO\n2\n");
    r = vigilsql({"-c", "system@sim:ORCL", "-e", "select 2 two from dual"}, "printf 'wrong\\n' |");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ORA-01017: invalid username/password; logon denied\n");
    r = vigilsql({"-c", "system@sim:ORCL", "-e", "select 2 two from dual"}, "</dev/null");
    EXPECT_EQ(r.status, 2);
}

TEST(Vigilsql, OutputThatCannotBeWrittenFails)
{
    // Output larger than the buffer fails while rows are written; nothing after runs.
    std::string cmd = quote(VIGILSQL_BIN) + " -c system/manager@sim:ORCL";
    for (int i = 0; i < 10; ++i) cmd += " -e " + quote("select rpad('x', 4000, 'x') pad from dual");
    cmd += " >/dev/full 2>/tmp/vigilsql-full-err";
    int rc = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(rc));
    EXPECT_EQ(WEXITSTATUS(rc), 1);
    EXPECT_NE(slurp("/tmp/vigilsql-full-err").find("cannot write the output"), std::string::npos);
    std::remove("/tmp/vigilsql-full-err");
    // A small result fails at the final flush just the same.
    rc = std::system((quote(VIGILSQL_BIN) + " -c system/manager@sim:ORCL -e 'select 1 from dual' >/dev/full 2>/dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(rc));
    EXPECT_EQ(WEXITSTATUS(rc), 1);
}

} // namespace
