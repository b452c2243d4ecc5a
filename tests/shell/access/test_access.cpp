// The access interface over the simulated instance: connect, read, execute, blocks,
// errors, the statement log, injected faults, dropped connections and the SQL trace.
#include "orasession.h"
#include "extension.h"
#include "testing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

namespace {

class AccessTest : public ::testing::Test {
protected:
    void SetUp() override { sim::testing::resetInstance("ORCL"); }
    void TearDown() override { sim::testing::resetAllInstances(); }
    access::OraSession session;
};

TEST_F(AccessTest, ConnectsQueriesAndMovesThroughADynaset)
{
    auto db = session.DbOpenDatabase("sim:ORCL", "SYSTEM/MANAGER", 0);
    EXPECT_TRUE(db->ConnectionOK());
    EXPECT_EQ(db->LastServerErr(), 0);
    db->DbExecuteSQL("create table nums (n number, t varchar2(10), d date)");
    db->DbExecuteSQL("insert into nums values (1, 'one', to_date('2024-02-29 13:45:00','YYYY-MM-DD HH24:MI:SS'))");
    db->DbExecuteSQL("insert into nums values (2.5, null, null)");
    auto ds = db->DbCreateDynaset("select n, t, d, n/4 quarter from nums order by n", 4);
    EXPECT_EQ(ds->RecordCount(), 2);
    ASSERT_FALSE(ds->IsEOF());
    EXPECT_EQ(ds->Fields("N").toString(), "1");
    EXPECT_EQ(ds->Fields("t").toString(), "one");
    EXPECT_EQ(ds->Fields("D").kind(), access::OraValue::Kind::Date);
    EXPECT_EQ(ds->Fields("D").toString(), "2024-02-29 13:45:00");
    EXPECT_EQ(ds->Fields("QUARTER").toString(), "0.25");
    ds->MoveNext();
    EXPECT_EQ(ds->Fields("n").toString(), "2.5");
    EXPECT_TRUE(ds->Fields("T").isNull());
    EXPECT_TRUE(ds->Fields("D").isNull());
    EXPECT_DOUBLE_EQ(ds->Fields("N").toDouble(), 2.5);
    ds->MovePrevious();
    EXPECT_EQ(ds->Fields("N").toString(), "1");
    ds->MoveNext();
    ds->MoveNext();
    EXPECT_TRUE(ds->IsEOF());
    EXPECT_THROW(ds->Fields("N"), access::OraError);
    ds->MoveFirst();
    EXPECT_EQ(ds->Fields("N").toString(), "1");
    try {
        ds->Fields("NOPE");
        FAIL();
    } catch (const access::OraError &e) {
        EXPECT_EQ(e.serverCode(), 0);
        EXPECT_NE(e.number(), access::OraError::kAutomationError);
    }
    ds->Close();
    EXPECT_TRUE(ds->IsEOF());

    auto empty = db->DbCreateDynaset("select * from nums where 1 = 0", 4);
    EXPECT_TRUE(empty->IsEOF());
    EXPECT_EQ(empty->RecordCount(), 0);
    EXPECT_EQ(db->DbExecuteSQL("update nums set t = 'x'"), 2);
    EXPECT_EQ(db->DbExecuteSQL("delete nums where n > 1"), 1);
    db->Close();
    EXPECT_FALSE(db->ConnectionOK());
}

TEST_F(AccessTest, LoginFailuresCarryOracleNumbers)
{
    auto expectOra = [&](const std::string &service, const std::string &login, int code, const std::string &text) {
        try {
            session.DbOpenDatabase(service, login, 0);
            ADD_FAILURE() << "no error for " << service << " " << login;
        } catch (const access::OraError &e) {
            EXPECT_EQ(e.serverCode(), code);
            EXPECT_EQ(std::string(e.what()), text);
            EXPECT_EQ(e.number(), access::OraError::kAutomationError);
        }
    };
    expectOra("sim:ORCL", "SYSTEM/wrong", 1017, "ORA-01017: invalid username/password; logon denied");
    expectOra("sim:ORCL", "NOBODY/x", 1017, "ORA-01017: invalid username/password; logon denied");
    expectOra("sim:NOSUCHDB", "SYSTEM/MANAGER", 12154, "ORA-12154: TNS:could not resolve service name");
    // Built-in accounts, passwords compared without regard to case.
    EXPECT_NO_THROW(session.DbOpenDatabase("sim:ORCL", "sys/change_on_install", 0));
    EXPECT_NO_THROW(session.DbOpenDatabase("SIM:orcl", "scott/tiger", 0));
    sim::testing::allowInstanceName("NOSUCHDB");
    EXPECT_NO_THROW(session.DbOpenDatabase("sim:NOSUCHDB", "SYSTEM/MANAGER", 0));
}

TEST_F(AccessTest, OtherServicesNeedTheClientLibraryAndFailCleanly)
{
    try {
        session.DbOpenDatabase("PROD_DB", "SYSTEM/MANAGER", 0);
        FAIL();
    } catch (const access::OraError &e) {
        EXPECT_NE(std::string(e.what()).find("Oracle client library not available"), std::string::npos);
        EXPECT_FALSE(e.fromServer());
    }
}

TEST_F(AccessTest, ServerErrorsSetLastServerErr)
{
    auto db = session.DbOpenDatabase("sim:ORCL", "SYSTEM/MANAGER", 0);
    try {
        db->DbCreateDynaset("select * from no_such_table", 4);
        FAIL();
    } catch (const access::OraError &e) {
        EXPECT_EQ(std::string(e.what()), "ORA-00942: table or view does not exist");
        EXPECT_EQ(e.serverCode(), 942);
    }
    EXPECT_EQ(db->LastServerErr(), 942);
    db->DbCreateDynaset("select 1 from dual", 4);
    EXPECT_EQ(db->LastServerErr(), 0);
}

TEST_F(AccessTest, StatementLogRecordsEveryStatementWithItsConnection)
{
    auto a = session.DbOpenDatabase("sim:ORCL", "SYSTEM/MANAGER", 0);
    auto b = session.DbOpenDatabase("sim:ORCL", "SCOTT/TIGER", 0);
    sim::testing::clearStatementLog("ORCL");
    a->DbCreateDynaset("select 1 from dual", 4);
    EXPECT_THROW(b->DbExecuteSQL("bogus statement"), access::OraError);
    auto log = sim::testing::statementLog("ORCL");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].sql, "select 1 from dual");
    EXPECT_EQ(log[0].user, "SYSTEM");
    EXPECT_EQ(log[1].sql, "bogus statement");
    EXPECT_EQ(log[1].user, "SCOTT");
    EXPECT_NE(log[0].connection, log[1].connection);
    // Every connection to sim:ORCL sees the same instance.
    a->DbExecuteSQL("create table shared_t (x number)");
    a->DbExecuteSQL("insert into shared_t values (7)");
    a->DbExecuteSQL("grant select on shared_t to scott");   // SCOTT reads other schemas through grants
    a->DbExecuteSQL("commit");
    auto ds = b->DbCreateDynaset("select x from system.shared_t", 4);
    EXPECT_EQ(ds->Fields("X").toString(), "7");
}

TEST_F(AccessTest, InjectedFaultsAndDroppedConnections)
{
    auto db = session.DbOpenDatabase("sim:ORCL", "SYSTEM/MANAGER", 0);
    sim::testing::failNextStatements("ORCL", 2, 1031);
    for (int i = 0; i < 2; ++i) {
        try {
            db->DbCreateDynaset("select 1 from dual", 4);
            FAIL();
        } catch (const access::OraError &e) {
            EXPECT_EQ(std::string(e.what()), "ORA-01031: insufficient privileges");
        }
    }
    EXPECT_NO_THROW(db->DbCreateDynaset("select 1 from dual", 4));
    sim::testing::failNextStatements("ORCL", 1, 600, "internal error code, arguments: [test]");
    EXPECT_THROW(db->DbExecuteSQL("commit"), access::OraError);
    EXPECT_EQ(db->LastServerErr(), 600);

    sim::testing::dropConnections("ORCL");
    EXPECT_FALSE(db->ConnectionOK());
    try {
        db->DbCreateDynaset("select 1 from dual", 4);
        FAIL();
    } catch (const access::OraError &e) {
        EXPECT_EQ(e.serverCode(), 3113);
        EXPECT_EQ(std::string(e.what()), "ORA-03113: end-of-file on communication channel");
    }
    try {
        db->DbExecuteSQL("commit");
        FAIL();
    } catch (const access::OraError &e) {
        EXPECT_EQ(e.serverCode(), 3114);
    }
    // A new connection works again.
    auto again = session.DbOpenDatabase("sim:ORCL", "SYSTEM/MANAGER", 0);
    EXPECT_TRUE(again->ConnectionOK());
    auto ids = sim::testing::connectionIds("ORCL");
    ASSERT_EQ(ids.size(), 1u);
    sim::testing::dropConnection("ORCL", ids[0]);
    EXPECT_FALSE(again->ConnectionOK());
}

TEST_F(AccessTest, BlocksFillOutputParameters)
{
    auto db = session.DbOpenDatabase("sim:ORCL", "SYSTEM/MANAGER", 0);
    db->DbExecuteSQL("create table stats (name varchar2(30), value number)");
    db->DbExecuteSQL("insert into stats values ('a', 10)");
    db->DbExecuteSQL("insert into stats values ('b', 30)");
    for (const char *name : {"TOTAL", "AVGV", "CNT"}) {
        db->Parameters().Add(name, access::OraValue::number(0), 2);
        db->Parameters().SetServerType(name, 2);
    }
    db->ExecuteSQL("BEGIN select sum(value) into :TOTAL from stats; "
                   "select avg(value)/3 into :AVGV from stats; select count(*) into :CNT from stats where 1=0; END; ");
    EXPECT_EQ(db->Parameters().Value("TOTAL").toString(), "40");
    EXPECT_EQ(db->Parameters().Value("cnt").toString(), "0");
    EXPECT_NEAR(db->Parameters().Value("AVGV").toDouble(), 6.6666666, 1e-6);
    db->Parameters().Remove("TOTAL");
    EXPECT_FALSE(db->Parameters().Contains("TOTAL"));
    EXPECT_THROW(db->Parameters().Remove("TOTAL"), access::OraError);
    try {
        db->ExecuteSQL("BEGIN select value into :CNT from stats; END;");
        FAIL();
    } catch (const access::OraError &e) {
        EXPECT_EQ(e.serverCode(), 1422);
    }
    try {
        db->ExecuteSQL("DECLARE x number; BEGIN x := 1; END;");
        FAIL();
    } catch (const access::OraError &e) {
        EXPECT_EQ(e.serverCode(), 6550);
    }
}

TEST_F(AccessTest, UnexpectedFailuresInsideTheInstanceBecomeServerErrors)
{
    auto db = session.DbOpenDatabase("sim:ORCL", "SYSTEM/MANAGER", 0);
    sim::testing::context("ORCL").addStatementHandler([](sim::SessionContext &, const std::string &sql, long &) -> bool {
        if (sql == "break things") throw std::runtime_error("handler failed");
        return false;
    });
    try {
        db->DbExecuteSQL("break things");
        FAIL();
    } catch (const access::OraError &e) {
        EXPECT_EQ(std::string(e.what()), "ORA-00600: internal error code, arguments: [handler failed]");
    }
    EXPECT_EQ(db->LastServerErr(), 600);
    EXPECT_TRUE(db->ConnectionOK());
}

TEST_F(AccessTest, SqlTraceAppendsOneLinePerStatement)
{
    char path[] = "/tmp/sqlvigil-trace-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    setenv("SQLVIGIL_SQL_TRACE", path, 1);
    auto db = session.DbOpenDatabase("sim:ORCL", "SYSTEM/MANAGER", 0);
    db->DbCreateDynaset("select 1\nfrom dual", 4);
    EXPECT_THROW(db->DbExecuteSQL("drop table missing_t"), access::OraError);
    unsetenv("SQLVIGIL_SQL_TRACE");
    db->DbCreateDynaset("select 2 from dual", 4);
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    EXPECT_EQ(all.str(), "CONNECT SYSTEM/********@sim:ORCL\nselect 1 from dual\ndrop table missing_t\n");
    std::remove(path);
}

TEST_F(AccessTest, SqlTraceIsOwnerOnlyAndHidesPasswords)
{
    char dir[] = "/tmp/sqlvigil-trace-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/trace.sql";
    setenv("SQLVIGIL_SQL_TRACE", path.c_str(), 1);
    mode_t old = umask(022);
    auto db = session.DbOpenDatabase("sim:ORCL", "SYSTEM/MANAGER", 0);
    access::traceStatement("alter user scott identified by \"Ti ger\" replace tiger");
    access::traceStatement("create user x identified by pw1;");
    umask(old);
    unsetenv("SQLVIGIL_SQL_TRACE");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    EXPECT_EQ(all.str(), "CONNECT SYSTEM/********@sim:ORCL\n"
                         "alter user scott identified by ******** replace ********\n"
                         "create user x identified by ********;\n");
    std::remove(path.c_str());
    rmdir(dir);

    // The redaction leaves everything else as written, quoted text included.
    EXPECT_EQ(access::redactSecrets("select 'identified by x' from dual"), "select 'identified by x' from dual");
    EXPECT_EQ(access::redactSecrets("GRANT CONNECT TO u IDENTIFIED BY p"), "GRANT CONNECT TO u IDENTIFIED BY ********");
    EXPECT_EQ(access::redactSecrets("connect u/p"), "connect u/********");
    EXPECT_EQ(access::redactSecrets("select unidentified from t"), "select unidentified from t");
}

TEST(AccessTrace, PasswordsAreMaskedInEveryForm)
{
    using access::traceText;
    EXPECT_EQ(traceText("create user SCOTT  identified by tiger Default Tablespace USERS "),
              "create user SCOTT  identified by ******** Default Tablespace USERS ");
    EXPECT_EQ(traceText("create user X identified by \"p@ss w0rd\" Default Tablespace USERS"),
              "create user X identified by ******** Default Tablespace USERS");
    EXPECT_EQ(traceText("ALTER USER x IDENTIFIED\n  BY secret"), "ALTER USER x IDENTIFIED\n  BY ********");
    EXPECT_EQ(traceText("alter user x identified by \"unterminated"), "alter user x identified by ********");
    EXPECT_EQ(traceText("create database link l connect to u identified by pw; using 'h'"),
              "create database link l connect to u identified by ********; using 'h'");
    // No password to hide: the text stays as it is.
    EXPECT_EQ(traceText("create user S identified externally "), "create user S identified externally ");
    EXPECT_EQ(traceText("select unidentified by from t"), "select unidentified by from t");
    EXPECT_EQ(traceText("identified by"), "identified by");
}

// A stand-in for the client-library driver: records what it was asked to open.
class FakeDriver : public access::Driver {
public:
    explicit FakeDriver(std::string *seen) : m_seen(seen) {}
    std::unique_ptr<access::DriverConnection> open(const std::string &service, const std::string &user,
                                                   const std::string &password) override
    {
        *m_seen = service + "|" + user + "|" + password;
        throw access::OraError::ora(12541, "TNS:no listener");
    }

private:
    std::string *m_seen;
};

TEST_F(AccessTest, RoutingCursorEdgesAndLoginForms)
{
    std::string seen;
    session.setClientDriver(std::make_unique<FakeDriver>(&seen));
    try {
        session.DbOpenDatabase("PROD.WORLD", "system/manager", 0);
        FAIL();
    } catch (const access::OraError &e) {
        EXPECT_EQ(std::string(e.what()), "ORA-12541: TNS:no listener");
    }
    EXPECT_EQ(seen, "PROD.WORLD|system|manager");
    // sim: services never reach the client driver.
    auto db = session.DbOpenDatabase("sim:ORCL", "system/manager", 0);
    EXPECT_EQ(seen, "PROD.WORLD|system|manager");
    try {
        session.DbOpenDatabase("sim:ORCL", "system", 0);
        FAIL();
    } catch (const access::OraError &e) {
        EXPECT_EQ(e.serverCode(), 1005);
    }

    auto ds = db->DbCreateDynaset("select 1 n from dual union all select 2 from dual", 4);
    EXPECT_FALSE(ds->IsBOF());
    ds->MovePrevious();
    EXPECT_TRUE(ds->IsBOF());
    EXPECT_THROW(ds->Fields("N"), access::OraError);
    ds->MoveNext();
    EXPECT_EQ(ds->Fields("N").toString(), "1");
    EXPECT_EQ(ds->FieldAt(0).toString(), "1");
    EXPECT_THROW(ds->FieldAt(1), access::OraError);
    EXPECT_TRUE(ds->HasField("n"));
    EXPECT_FALSE(ds->HasField("m"));
    EXPECT_EQ(ds->columnNames(), (std::vector<std::string>{"N"}));
    // A statement after Close fails as a lost connection would.
    db->Close();
    try {
        db->DbExecuteSQL("commit");
        FAIL();
    } catch (const access::OraError &e) {
        EXPECT_EQ(e.serverCode(), 3114);
    }
}

TEST_F(AccessTest, ValuesKeepOracleTextForms)
{
    EXPECT_EQ(access::OraValue::number(2.50).toString(), "2.5");
    EXPECT_EQ(access::OraValue::number(100).toString(), "100");
    EXPECT_EQ(access::OraValue::date(0).toString(), "1970-01-01 00:00:00");
    EXPECT_EQ(access::OraValue::date(86400).dateSeconds(), 86400);
    EXPECT_DOUBLE_EQ(access::OraValue::text("12.5").toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(access::OraValue::text("abc").toDouble(), 0);
    // Texts read as numbers exactly when the whole text is one, whatever it starts with.
    for (auto [text, value] : std::vector<std::pair<const char *, double>>{
             {" 7", 7}, {"-3e2", -300}, {"+4", 4}, {".5", 0.5}, {"0x10", 16}, {"12abc", 0}, {"x1", 0}, {"", 0},
             {"note", 0}, {"Nope", 0}, {"inf", HUGE_VAL}})
        EXPECT_EQ(access::OraValue::text(text).toDouble(), value) << text;
    EXPECT_TRUE(access::OraValue().isNull());
    EXPECT_EQ(access::OraValue().toString(), "");
}

} // namespace

// A cursor reads a query in batches; the statement stays open between fetches, so
// rows inserted behind the part already read still arrive and the first batch does
// not wait for the whole result.
TEST_F(AccessTest, CursorsFetchInBatchesAndFailCleanly)
{
    auto db = session.DbOpenDatabase("sim:ORCL", "SYSTEM/MANAGER", 0);
    db->DbExecuteSQL("create table many (n number, t varchar2(10))");
    db->DbExecuteSQL("insert into many values (1, 'one')");
    for (int i = 0; i < 9; ++i)   // 512 rows
        db->DbExecuteSQL("insert into many select n + (select count(*) from many), t from many");
    sim::testing::clearStatementLog("ORCL");
    auto c = db->DbOpenCursor("select n, t, null z from many order by n");
    ASSERT_EQ(c->columnNames(), (std::vector<std::string>{"N", "T", "Z"}));
    std::vector<std::vector<access::OraValue>> rows;
    EXPECT_TRUE(c->Fetch(200, rows));
    ASSERT_EQ(rows.size(), 200u);
    EXPECT_EQ(rows[0][0].toString(), "1");
    EXPECT_EQ(rows[0][1].toString(), "one");
    EXPECT_TRUE(rows[0][2].isNull());
    EXPECT_EQ(rows[199][0].toString(), "200");
    // Other statements on the same connection between two fetches.
    EXPECT_EQ(db->DbCreateDynaset("select count(*) c from many", 4)->Fields("C").toString(), "512");
    EXPECT_TRUE(c->Fetch(300, rows));
    EXPECT_FALSE(c->Fetch(300, rows));
    EXPECT_EQ(rows.size(), 512u);
    EXPECT_EQ(rows[511][0].toString(), "512");
    EXPECT_TRUE(c->IsEOF());
    EXPECT_FALSE(c->Fetch(10, rows));
    EXPECT_EQ(rows.size(), 512u);
    // Opening is one logged statement; fetching sends none.
    auto log = sim::testing::statementLog("ORCL");
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].sql, "select n, t, null z from many order by n");

    // Only queries open a cursor; errors carry the server's number.
    try {
        db->DbOpenCursor("delete from many");
        FAIL();
    } catch (const access::OraError &e) {
        EXPECT_EQ(e.serverCode(), 928);
    }
    EXPECT_THROW(db->DbOpenCursor("select * from no_such_table"), access::OraError);
    EXPECT_EQ(db->LastServerErr(), 942);

    // A cursor left open when its connection is lost fails at its next round trip,
    // once: the next fetch here, after the rows already fetched in arrays through a
    // client library.
    auto open = db->DbOpenCursor("select n from many");
    rows.clear();
    EXPECT_TRUE(open->Fetch(5, rows));
    sim::testing::dropConnections("ORCL");
    int lost = 0;
    try {
        while (open->Fetch(5, rows)) {
        }
    } catch (const access::OraError &e) {
        lost = e.serverCode();
    }
    EXPECT_TRUE(lost == 3114 || lost == 3113) << lost;
    EXPECT_TRUE(open->IsEOF());
    EXPECT_FALSE(open->Fetch(5, rows));
    EXPECT_LT(rows.size(), 512u);
}

// A driver that cannot stream serves its materialised result through the same cursor.
TEST_F(AccessTest, DriversWithoutStreamingServeCursorsFromTheirResult)
{
    struct Fixed : access::DriverConnection {
        access::OraResult query(const std::string &) override
        {
            access::OraResult r;
            r.columns = {"A"};
            for (int i = 0; i < 7; ++i) r.rows.push_back({access::OraValue::number(i)});
            return r;
        }
        long execute(const std::string &) override { return 0; }
        void executePlsql(const std::string &, std::vector<access::OraBind> &) override {}
        bool connectionOK() override { return true; }
        void close() override {}
    };
    access::OraDatabase db(std::make_unique<Fixed>(), "fixed", "U");
    auto c = db.DbOpenCursor("select a from t");
    std::vector<std::vector<access::OraValue>> rows;
    EXPECT_TRUE(c->Fetch(4, rows));
    EXPECT_FALSE(c->Fetch(4, rows));
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[6][0].toString(), "6");
}
