// The client-library path end to end: the console's driver starts sqlvigil-oci, which
// loads the conformance client library and serves the simulated instances through
// the real OCI driver.
#include "clientdriver.h"
#include "ocilib.h"
#include "oraerror.h"
#include "orasession.h"
#include "simdriver.h"
#include "simhost.h"
#include "testing.h"
#ifdef HAVE_BLOQUES
#include "sqlcvpg.h"
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using access::OraError;
using access::OraValue;

const std::string kStandin = OCI_STANDIN_DIR;
const std::string kFake = OCI_FAKE_DIR;

// A fresh directory under the temporary directory, removed with the object.
struct TempDir {
    fs::path path;
    TempDir()
    {
        char tmpl[] = "/tmp/sqlvigil-oci-test-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string str() const { return path.string(); }
};

// The ORA code and text of what `f` throws; fails the test when it does not throw.
template <class F> OraError thrown(F &&f)
{
    try {
        f();
    } catch (const OraError &e) {
        return e;
    }
    ADD_FAILURE() << "no error was raised";
    return OraError(0, "");
}

std::string hostEnv() { return "SQLVIGIL_STANDIN_HOST=" + oci::startSimHost(); }

// ---------------------------------------------------------------- values

TEST(ClientLibrary, EveryDatatypeReadsAsExactText)
{
    oci::ClientDriver driver(kStandin);
    auto conn = driver.open("ORCL", "system", "manager");
    auto r = conn->query(
        "select cast('12345678901234567890123456789012345678' as number) n38,"
        " cast('-12345678901234567890123456789.012345678' as number) nneg,"
        " -123.456 dec, 1234567890123456789 big, 0.5 half,"
        " 'texto' vc, cast('ab' as char(3)) ch, cast('ñandú' as nvarchar2(10)) nv,"
        " to_date('2024-01-02 03:04:05','YYYY-MM-DD HH24:MI:SS') d,"
        " cast('2024-01-02 03:04:05.123' as timestamp) ts,"
        " cast('0A1BFF' as raw(3)) r, cast('a clob' as clob) c, rowid rid,"
        " cast(null as number) nn, cast(null as varchar2(10)) ns, cast(null as date) nd from dual");
    ASSERT_EQ(r.rows.size(), 1u);
    const auto &v = r.rows[0];
    ASSERT_EQ(v.size(), 16u);
    EXPECT_EQ(r.columns[0], "N38");
    EXPECT_EQ(v[0].toString(), "12345678901234567890123456789012345678");
    EXPECT_EQ(v[0].kind(), OraValue::Kind::Number);
    EXPECT_EQ(v[1].toString(), "-12345678901234567890123456789.012345678");
    EXPECT_EQ(v[2].toString(), "-123.456");
    EXPECT_DOUBLE_EQ(v[2].toDouble(), -123.456);
    EXPECT_EQ(v[3].toString(), "1234567890123456789");
    EXPECT_EQ(v[4].toString(), "0.5");
    EXPECT_EQ(v[5].toString(), "texto");
    EXPECT_EQ(v[6].toString(), "ab ");   // CHAR keeps its blank padding
    EXPECT_EQ(v[7].toString(), "ñandú");
    EXPECT_EQ(v[8].kind(), OraValue::Kind::Date);
    EXPECT_EQ(v[8].toString(), "2024-01-02 03:04:05");
    EXPECT_EQ(v[8].dateSeconds(), 1704164645);
    EXPECT_EQ(v[9].kind(), OraValue::Kind::Date);
    EXPECT_EQ(v[9].toString(), "2024-01-02 03:04:05.123");
    EXPECT_EQ(v[10].toString(), "0A1BFF");
    EXPECT_EQ(v[11].toString(), "a clob");
    EXPECT_FALSE(v[12].toString().empty());
    for (int i : {13, 14, 15}) EXPECT_TRUE(v[i].isNull()) << i;
}

TEST(ClientLibrary, LongColumnsReadWhole)
{
    oci::ClientDriver driver(kStandin);
    auto conn = driver.open("ORCL", "system", "manager");
    auto viaClient = conn->query("select view_name, text from dba_views order by view_name");
    access::SimDriver sim;
    auto direct = sim.open("ORCL", "system", "manager")->query("select view_name, text from dba_views order by view_name");
    ASSERT_FALSE(direct.rows.empty());
    ASSERT_EQ(viaClient.rows.size(), direct.rows.size());
    for (std::size_t i = 0; i < direct.rows.size(); ++i) {
        EXPECT_EQ(viaClient.rows[i][0].toString(), direct.rows[i][0].toString());
        EXPECT_EQ(viaClient.rows[i][1].toString(), direct.rows[i][1].toString());
    }
    EXPECT_GT(direct.rows[0][1].toString().size(), 100u);
}

TEST(ClientLibrary, TenThousandRowsComeInArrays)
{
    TempDir dir;
    const std::string log = dir.str() + "/fetches";
    oci::ClientDriver driver(kStandin, {"SQLVIGIL_STANDIN_TRACE=" + log});
    auto conn = driver.open("ORCL", "system", "manager");
    const std::string sql =
        "select rownum n, 'row ' || rownum t, -rownum / 8 f from dba_objects a, dba_objects b where rownum <= 10000";
    auto r = conn->query(sql);
    ASSERT_EQ(r.rows.size(), 10000u);
    EXPECT_EQ(r.rows[0][0].toString(), "1");
    EXPECT_EQ(r.rows[9999][0].toString(), "10000");
    EXPECT_EQ(r.rows[9999][1].toString(), "row 10000");
    EXPECT_EQ(r.rows[4][2].toString(), "-0.625");

    // Every round trip asked for at least 100 rows, and the whole result took few.
    std::ifstream in(log);
    std::string word;
    long asked = 0, got = 0, fetches = 0, total = 0;
    while (in >> word >> asked >> got) {
        ++fetches;
        total += got;
        EXPECT_GE(asked, 100);
    }
    EXPECT_EQ(total, 10000);
    EXPECT_LE(fetches, 10000 / 100 + 1);

    // A cursor hands out small batches from the same arrays.
    auto cursor = conn->openCursor(sql);
    std::vector<std::vector<OraValue>> rows;
    std::size_t calls = 0;
    while (cursor->fetch(70, rows)) ++calls;
    EXPECT_EQ(rows.size(), 10000u);
    EXPECT_EQ(rows[6999][0].toString(), "7000");
    EXPECT_GE(calls, 10000u / 70);
}

TEST(ClientLibrary, StreamStopsEarlyAndTheConnectionCarriesOn)
{
    oci::ClientDriver driver(kStandin);
    auto conn = driver.open("ORCL", "system", "manager");
    struct Take : access::RowReceiver {
        std::vector<std::string> names;
        std::vector<std::string> firsts;
        void columns(const std::vector<std::string> &n) override { names = n; }
        bool row(const std::vector<OraValue> &v) override
        {
            firsts.push_back(v[0].toString());
            return firsts.size() < 300;
        }
    } take;
    // Streamed through the access layer's one path: the driver's cursor, fetched in arrays.
    access::DriverConnection *c = conn.get();
    access::OraDatabase db(std::move(conn), "ORCL", "SYSTEM");
    db.DbStreamQuery("select rownum n from dba_objects a, dba_objects b where rownum <= 5000", take);
    ASSERT_EQ(take.names, std::vector<std::string>{"N"});
    ASSERT_EQ(take.firsts.size(), 300u);
    EXPECT_EQ(take.firsts.back(), "300");
    // Open cursors left behind do not disturb what follows.
    auto open = c->openCursor("select rownum n from dba_objects");
    EXPECT_EQ(c->query("select 7 x from dual").rows.at(0).at(0).toString(), "7");
    EXPECT_EQ(c->execute("create table t_oci_stream (a number)"), 0);
    EXPECT_EQ(c->execute("insert into t_oci_stream select rownum from dba_objects where rownum <= 12"), 12);
    EXPECT_EQ(c->execute("delete from t_oci_stream where a > 10"), 2);
    EXPECT_EQ(c->execute("drop table t_oci_stream"), 0);
    std::vector<std::vector<OraValue>> rows;
    open->fetch(5, rows);
    EXPECT_EQ(rows.size(), 5u);
}

#ifdef HAVE_BLOQUES
TEST(ClientLibrary, StatusAndTuningBlocksFillTheirOutputParameters)
{
    shell::Bloques blocks;
    shell::Armar_Bloques(blocks);
    // Through the client and directly, on the very same instance.
    oci::ClientDriver driver(kStandin, {hostEnv()});
    sim::testing::resetInstance("ORCL");
    sim::testing::setClock("ORCL", 1700000000);
    auto client = driver.open("ORCL", "system", "manager");
    access::SimDriver sim;
    auto direct = sim.open("ORCL", "system", "manager");
    struct Block {
        const std::string &text;
        std::vector<const char *> names;
    } cases[] = {
        {blocks.Bloque_Estado, {"SSGA", "SSESSIONS", "SLIBCAC", "SROWCAC", "SBUFCAC", "SREDLOG"}},
        {blocks.Bloque_Tuning, {"LIBCAC", "ROWCAC", "BUFCAC", "REDLOG", "SPSIZE", "BLKBUF", "LOGBUF"}},
    };
    for (const auto &c : cases) {
        std::vector<access::OraBind> a, b;
        for (const char *n : c.names) {
            access::OraBind bind;
            bind.name = n;
            bind.serverType = 2;
            bind.value = OraValue::number(0);
            a.push_back(bind);
        }
        access::OraBind unused;   // a parameter the block does not name stays as it was
        unused.name = "NOT_IN_BLOCK";
        unused.serverType = 1;
        unused.value = OraValue::text("kept");
        a.push_back(unused);
        b = a;
        client->executePlsql(c.text, a);
        direct->executePlsql(c.text, b);
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            EXPECT_FALSE(a[i].value.isNull()) << c.names[i];
            EXPECT_EQ(a[i].value.kind(), OraValue::Kind::Number) << c.names[i];
            // The session count moves with the sessions the instance keeps.
            if (std::string(c.names[i]) == "SSESSIONS") EXPECT_GE(a[i].value.toDouble(), 2);
            else EXPECT_EQ(a[i].value.toString(), b[i].value.toString()) << c.names[i];
        }
        EXPECT_EQ(a.back().value.toString(), "kept");
    }
}
#endif

TEST(ClientLibrary, TextBindsGoInAndComeOut)
{
    oci::ClientDriver driver(kStandin, {hostEnv()});
    auto conn = driver.open("ORCL", "system", "manager");
    std::vector<access::OraBind> binds(3);
    binds[0].name = "OUT_NAME";
    binds[0].serverType = 1;
    binds[0].value = OraValue::text("before");
    binds[1].name = "OUT_NONE";
    binds[1].serverType = 2;
    binds[1].value = OraValue::number(5);
    binds[2].name = "OUT_FIGURE";
    binds[2].serverType = 2;
    conn->executePlsql("BEGIN select 'user ' || user into :OUT_NAME from dual; "
                       "select max(x) into :OUT_NONE from (select 1 x from dual where 1 = 0); "
                       "select -2.5 into :OUT_FIGURE from dual; END;", binds);
    EXPECT_EQ(binds[0].value.kind(), OraValue::Kind::Text);
    EXPECT_EQ(binds[0].value.toString(), "user SYSTEM");
    EXPECT_TRUE(binds[1].value.isNull());
    EXPECT_EQ(binds[2].value.toString(), "-2.5");
}

// ---------------------------------------------------------------- errors

TEST(ClientLibrary, ServerErrorsArriveWithTheirCodeAndText)
{
    oci::ClientDriver driver(kStandin, {hostEnv()});
    struct Case {
        const char *service, *user, *password;
        int code;
        const char *text;
    } logons[] = {
        {"ORCL", "system", "wrong", 1017, "ORA-01017: invalid username/password; logon denied"},
        {"NOSUCHDB", "system", "manager", 12154, "ORA-12154: TNS:could not resolve service name"},
        {"", "system", "manager", 12162, "ORA-12162: TNS:net service name is incorrectly specified"},
        {"//dbhost:1521/", "system", "manager", 12154, "ORA-12154: TNS:could not resolve the connect identifier specified"},
    };
    for (const auto &c : logons) {
        OraError e = thrown([&] { driver.open(c.service, c.user, c.password); });
        EXPECT_EQ(e.serverCode(), c.code) << c.service;
        EXPECT_STREQ(e.what(), c.text) << c.service;
        EXPECT_TRUE(e.fromServer());
    }

    auto conn = driver.open("ORCL", "system", "manager");
    OraError e = thrown([&] { conn->query("select * from no_such_table"); });
    EXPECT_EQ(e.serverCode(), 942);
    EXPECT_STREQ(e.what(), "ORA-00942: table or view does not exist");
    e = thrown([&] { conn->query("select no_such_column from dual"); });
    EXPECT_EQ(e.serverCode(), 904);
    EXPECT_STREQ(e.what(), "ORA-00904: \"NO_SUCH_COLUMN\": invalid identifier");
    e = thrown([&] { conn->execute("insert into nowhere values (1)"); });
    EXPECT_EQ(e.serverCode(), 942);
    e = thrown([&] { conn->openCursor("select 1 from"); });
    EXPECT_GT(e.serverCode(), 0);
    EXPECT_EQ(std::string(e.what()).rfind("ORA-", 0), 0u);
    // A statement that is not a query, opened as one, is refused and not run.
    sim::testing::clearStatementLog("ORCL");
    e = thrown([&] { conn->query("delete from dual"); });
    EXPECT_EQ(e.serverCode(), 928);
    EXPECT_STREQ(e.what(), "ORA-00928: missing SELECT keyword");
    EXPECT_TRUE(sim::testing::statementTexts("ORCL").empty());
    std::vector<access::OraBind> none;
    e = thrown([&] { conn->executePlsql("BEGIN select x into :Y from nowhere; END;", none); });
    EXPECT_GT(e.serverCode(), 0);

    // Faults and lost connections of the instance itself.
    sim::testing::failNextStatements("ORCL", 1, 1555);
    e = thrown([&] { conn->query("select 1 from dual"); });
    EXPECT_EQ(e.serverCode(), 1555);
    EXPECT_EQ(std::string(e.what()).rfind("ORA-01555: ", 0), 0u);
    EXPECT_EQ(conn->query("select 1 from dual").rows.size(), 1u);
    // The server handle's status: up while connected, down once the instance dropped it.
    EXPECT_TRUE(conn->connectionOK());
    sim::testing::dropConnections("ORCL");
    EXPECT_FALSE(conn->connectionOK());
    e = thrown([&] { conn->query("select 1 from dual"); });
    EXPECT_TRUE(e.serverCode() == 3113 || e.serverCode() == 3114) << e.what();
    conn->close();
    e = thrown([&] { conn->query("select 1 from dual"); });
    EXPECT_EQ(e.serverCode(), 3114);
    EXPECT_STREQ(e.what(), "ORA-03114: not connected to ORACLE");
}

TEST(ClientLibrary, ServersOfAnotherReleaseGetAdvice)
{
    for (auto [code, words] : {std::pair<int, const char *>{3134, "too new"}, {28040, "logon protocol"}}) {
        oci::ClientDriver driver(kStandin, {"SQLVIGIL_STANDIN_REFUSE=" + std::to_string(code)});
        OraError e = thrown([&] { driver.open("ORCL", "system", "manager"); });
        EXPECT_EQ(e.serverCode(), code);
        EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("client"), std::string::npos);
    }
}

TEST(ClientLibrary, MissingOrWrongClientsAreExplained)
{
    TempDir empty, notElf, wrongArch;
    std::ofstream(notElf.str() + "/libclntsh.so") << "this is not a library\n";
    // A copy of the library marked as 32-bit.
    fs::copy_file(kStandin + "/libclntsh.so", wrongArch.path / "libclntsh.so");
    {
        std::fstream f(wrongArch.str() + "/libclntsh.so", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4);
        f.put(1);   // EI_CLASS = ELFCLASS32
    }
    struct Case {
        std::string dir;
        const char *words;
    } cases[] = {
        {"/nonexistent/instantclient", "does not exist"},
        {empty.str(), "libclntsh.so was not found"},
        {notElf.str(), "is not a shared library"},
        {wrongArch.str(), "another architecture"},
        {kFake + "/needsaio", "needs libaio"},
        {kFake + "/old", "too old"},
    };
    for (const auto &c : cases) {
        oci::ClientDriver driver(c.dir);
        OraError e = thrown([&] { driver.open("ORCL", "system", "manager"); });
        const std::string m = e.what();
        EXPECT_NE(m.find(c.words), std::string::npos) << m;
        EXPECT_FALSE(e.fromServer()) << m;
        EXPECT_EQ(e.number(), 429);
        // One or two sentences, naming what to do.
        EXPECT_LE(std::count(m.begin(), m.end(), '.'), 4) << m;
        EXPECT_LT(m.size(), 300u) << m;
    }
}

TEST(ClientLibrary, NoClientAnywhereSaysWhereItLooked)
{
    const char *saved = std::getenv("LD_LIBRARY_PATH");
    std::string keep = saved ? saved : "";
    const char *home = std::getenv("ORACLE_HOME");
    std::string keepHome = home ? home : "";
    ::setenv("LD_LIBRARY_PATH", "/nonexistent", 1);
    ::unsetenv("ORACLE_HOME");
    std::string searched;
    std::string found = oci::defaultClientDirectory(&searched);
    if (found.empty()) {   // a machine with an Instant Client installed finds that one
        oci::ClientDriver driver;
        OraError e = thrown([&] { driver.open("PROD_DB", "system", "manager"); });
        EXPECT_NE(std::string(e.what()).find("Oracle client library not available"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("/opt/oracle/instantclient*"), std::string::npos);
    }
    ::setenv("LD_LIBRARY_PATH", kStandin.c_str(), 1);
    EXPECT_EQ(oci::defaultClientDirectory(), kStandin);
    if (saved) ::setenv("LD_LIBRARY_PATH", keep.c_str(), 1);
    else ::unsetenv("LD_LIBRARY_PATH");
    if (home) ::setenv("ORACLE_HOME", keepHome.c_str(), 1);
}

// ---------------------------------------------------------------- connect texts

TEST(ClientLibrary, AliasesEasyConnectAndDescriptors)
{
    TempDir admin;
    std::ofstream(admin.str() + "/tnsnames.ora")
        << "# test aliases\n"
           "PAYROLL.WORLD, PAYROLL =\n"
           "  (DESCRIPTION =\n"
           "    (ADDRESS = (PROTOCOL = TCP)(HOST = dbhost)(PORT = 1521))\n"
           "    (CONNECT_DATA = (SERVICE_NAME = prod)))\n";
    oci::ClientDriver driver(kStandin, {hostEnv(), "TNS_ADMIN=" + admin.str()});
    for (const char *service : {"ORCL", "//dbhost:1521/ORCL", "dbhost/ORCL", "dbhost:1521/ORCL:dedicated",
                                "(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=h)(PORT=1521))(CONNECT_DATA=(SERVICE_NAME=ORCL)))",
                                "payroll"}) {
        auto conn = driver.open(service, "system", "manager");
        const std::string sql = std::string("select '") + service + "' x from dual";
        conn->query(sql);
        const char *instance = std::string(service) == "payroll" ? "PROD" : "ORCL";
        EXPECT_EQ(sim::testing::statementTexts(instance).back(), sql) << service;
    }
}

// ---------------------------------------------------------------- processes

std::string copyOfStandin(const TempDir &dir)
{
    fs::copy_file(kStandin + "/libclntsh.so", dir.path / "libclntsh.so");
    return dir.str();
}

TEST(ClientLibrary, TwoClientsServeTwoServersAtOnce)
{
    TempDir a, b;
    const std::string dirA = copyOfStandin(a), dirB = copyOfStandin(b);
    oci::setClientDirectoryResolver([&](const std::string &service) {
        return service == "ORCL" ? dirA : service == "//dbhost:1521/PROD" ? dirB : std::string();
    });
    {
        oci::ClientDriver driver("", {hostEnv()});
        auto one = driver.open("ORCL", "system", "manager");
        auto two = driver.open("//dbhost:1521/PROD", "system", "manager");
        auto three = driver.open("ORCL", "scott", "tiger");
        auto pids = driver.processIds();
        ASSERT_EQ(pids.size(), 2u);
        EXPECT_NE(pids[0], pids[1]);
        one->query("select 'one' from dual");
        EXPECT_EQ(sim::testing::statementTexts("ORCL").back(), "select 'one' from dual");
        two->query("select 'two' from dual");
        EXPECT_EQ(sim::testing::statementTexts("PROD").back(), "select 'two' from dual");
        EXPECT_EQ(three->query("select user from dual").rows.at(0).at(0).toString(), "SCOTT");
        // Each process has loaded its own copy.
        for (int pid : pids) {
            std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
            std::stringstream all;
            all << maps.rdbuf();
            const bool hasA = all.str().find(dirA) != std::string::npos, hasB = all.str().find(dirB) != std::string::npos;
            EXPECT_NE(hasA, hasB) << pid;
        }
    }
    oci::setClientDirectoryResolver(nullptr);
}

TEST(ClientLibrary, AKilledClientProcessLosesItsConnectionsOnly)
{
    oci::ClientDriver driver(kStandin);
    auto conn = driver.open("ORCL", "system", "manager");
    auto cursor = conn->openCursor("select rownum n from dba_objects a, dba_objects b where rownum <= 2000");
    ASSERT_EQ(driver.processIds().size(), 1u);
    const int pid = driver.processIds()[0];
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    for (int i = 0; i < 200 && ::kill(pid, 0) == 0; ++i) {
        // zombie until reaped by the driver
        if (driver.processIds().empty()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    OraError e = thrown([&] { conn->query("select 1 from dual"); });
    EXPECT_EQ(e.serverCode(), 3113);
    EXPECT_STREQ(e.what(), "ORA-03113: end-of-file on communication channel");
    e = thrown([&] { conn->query("select 1 from dual"); });
    EXPECT_EQ(e.serverCode(), 3114);
    std::vector<std::vector<OraValue>> rows;
    e = thrown([&] {
        while (cursor->fetch(1000, rows)) {
        }
    });
    EXPECT_EQ(e.serverCode(), 3114);
    EXPECT_FALSE(conn->connectionOK());
    conn->close();
    // The next connect starts a new process.
    auto again = driver.open("ORCL", "system", "manager");
    EXPECT_EQ(again->query("select 1 x from dual").rows.size(), 1u);
    ASSERT_EQ(driver.processIds().size(), 1u);
    EXPECT_NE(driver.processIds()[0], pid);
}

TEST(ClientLibrary, ProcessesEndWithTheDriver)
{
    int pid;
    {
        oci::ClientDriver driver(kStandin);
        auto conn = driver.open("ORCL", "system", "manager");
        pid = driver.processIds().at(0);
        EXPECT_EQ(::kill(pid, 0), 0);
    }
    EXPECT_NE(::kill(pid, 0), 0);
}

TEST(ClientLibrary, ABreakEndsALongStatementWithin1Second)
{
    oci::ClientDriver driver(kStandin);
    auto conn = driver.open("ORCL", "system", "manager");
    conn->breakCall();   // nothing out: nothing happens
    EXPECT_EQ(conn->query("select 1 x from dual").rows.size(), 1u);

    std::atomic<bool> started{false};
    int code = 0;
    std::chrono::steady_clock::time_point ended;
    std::thread call([&] {
        started = true;
        try {
            conn->query("select count(*) from dba_objects a, dba_objects b, dba_objects c, dba_objects d");
        } catch (const OraError &e) {
            code = e.serverCode();
        }
        ended = std::chrono::steady_clock::now();
    });
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto broke = std::chrono::steady_clock::now();
    conn->breakCall();
    call.join();
    EXPECT_EQ(code, 1013);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(ended - broke).count(), 1000);
    // The connection carries on.
    EXPECT_EQ(conn->query("select 2 x from dual").rows.at(0).at(0).toString(), "2");
}

// ---------------------------------------------------------------- vigilsql

struct ToolRun {
    int status;
    std::string out, err;
};

ToolRun vigilsql(const std::string &env, const std::string &args)
{
    TempDir dir;
    const std::string out = dir.str() + "/out", err = dir.str() + "/err";
    const std::string cmd = "env " + env + " " + VIGILSQL + " " + args + " >" + out + " 2>" + err;
    int rc = std::system(cmd.c_str());
    auto slurp = [](const std::string &f) {
        std::ifstream in(f);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    };
    return {WEXITSTATUS(rc), slurp(out), slurp(err)};
}

TEST(ClientLibrary, VigilsqlReachesServersThroughTheClient)
{
    ToolRun r = vigilsql("LD_LIBRARY_PATH=" + kStandin, "-c system/manager@ORCL -e \"select 1 one from dual\"");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "ONE\n1\n");
    r = vigilsql("LD_LIBRARY_PATH=/nonexistent", "--client " + kStandin +
                 " -c system/manager@//dbhost:1521/ORCL -e \"select 2 two from dual\" -e \"select * from nowhere\"");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "TWO\n2\n");
    EXPECT_EQ(r.err, "ORA-00942: table or view does not exist\n");
    r = vigilsql("LD_LIBRARY_PATH=" + kStandin, "-c system/wrong@ORCL -e \"select 1 from dual\"");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ORA-01017: invalid username/password; logon denied\n");
}

// ---------------------------------------------------------------- the session

TEST(ClientLibrary, SimulatedServicesCanGoThroughTheClient)
{
    ::setenv("SQLVIGIL_SIM_VIA_CLIENT", kStandin.c_str(), 1);
    access::OraSession session;
    ::unsetenv("SQLVIGIL_SIM_VIA_CLIENT");
    sim::testing::clearStatementLog("ORCL");
    auto db = session.DbOpenDatabase("sim:ORCL", "system/manager");
    auto set = db->DbCreateDynaset("select 'via client' x from dual");
    EXPECT_EQ(set->Fields("X").toString(), "via client");
    // The statement reached this process's instance, where tests look for it.
    auto texts = sim::testing::statementTexts("ORCL");
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "select 'via client' x from dual");
    EXPECT_EQ(db->service(), "sim:ORCL");
}

} // namespace

namespace {

// The conformance library's contract, called directly: what the driver relies on.
struct Oci {
    std::unique_ptr<oci::OciLibrary> lib;
    const oci::OciCalls *c = nullptr;
    OCIEnv *env = nullptr;
    OCIError *err = nullptr;
    Oci()
    {
        std::string error;
        lib = oci::OciLibrary::load(kStandin + "/libclntsh.so", error);
        if (!lib) throw std::runtime_error(error);
        c = &lib->calls();
        c->EnvNlsCreate(&env, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr, OCI_AL32UTF8, OCI_AL32UTF8);
        c->HandleAlloc(env, reinterpret_cast<void **>(&err), OCI_HTYPE_ERROR, 0, nullptr);
    }
    ~Oci() { c->HandleFree(env, OCI_HTYPE_ENV); }
    std::string lastError(sb4 *code = nullptr)
    {
        OraText buf[512] = {};
        sb4 n = 0;
        if (c->ErrorGet(err, 1, nullptr, &n, buf, sizeof buf, OCI_HTYPE_ERROR) != OCI_SUCCESS) return {};
        if (code) *code = n;
        return reinterpret_cast<char *>(buf);
    }
};

TEST(ConformanceLibrary, KeepsTheContractTheDriverReliesOn)
{
    Oci o;
    const oci::OciCalls &c = *o.c;
    OCIServer *srv = nullptr;
    OCISvcCtx *svc = nullptr;
    OCISession *ses = nullptr;
    c.HandleAlloc(o.env, reinterpret_cast<void **>(&srv), OCI_HTYPE_SERVER, 0, nullptr);
    c.HandleAlloc(o.env, reinterpret_cast<void **>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
    c.HandleAlloc(o.env, reinterpret_cast<void **>(&ses), OCI_HTYPE_SESSION, 0, nullptr);
    // An unknown name: OCI_ERROR with the code and text on the error handle.
    const std::string bad = "NOWHERE";
    EXPECT_EQ(c.ServerAttach(srv, o.err, reinterpret_cast<const OraText *>(bad.data()), static_cast<sb4>(bad.size()), 0), OCI_ERROR);
    sb4 code = 0;
    EXPECT_EQ(o.lastError(&code), "ORA-12154: TNS:could not resolve the connect identifier specified\n");
    EXPECT_EQ(code, 12154);
    const std::string good = "//dbhost/ORCL";
    ASSERT_EQ(c.ServerAttach(srv, o.err, reinterpret_cast<const OraText *>(good.data()), static_cast<sb4>(good.size()), 0), OCI_SUCCESS);
    c.AttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, o.err);
    c.AttrSet(ses, OCI_HTYPE_SESSION, const_cast<char *>("system"), 6, OCI_ATTR_USERNAME, o.err);
    c.AttrSet(ses, OCI_HTYPE_SESSION, const_cast<char *>("manager"), 7, OCI_ATTR_PASSWORD, o.err);
    ASSERT_EQ(c.SessionBegin(svc, o.err, ses, OCI_CRED_RDBMS, OCI_DEFAULT), OCI_SUCCESS);
    c.AttrSet(svc, OCI_HTYPE_SVCCTX, ses, 0, OCI_ATTR_SESSION, o.err);

    const std::string sql = "select rownum n, decode(mod(rownum, 2), 0, null, rpad('v', rownum * 3, 'w')) t "
                            "from dba_objects where rownum <= 5";
    OCIStmt *st = nullptr;
    ASSERT_EQ(c.StmtPrepare2(svc, &st, o.err, reinterpret_cast<const OraText *>(sql.data()), static_cast<ub4>(sql.size()),
                             nullptr, 0, OCI_NTV_SYNTAX, OCI_DEFAULT), OCI_SUCCESS);
    ASSERT_EQ(c.StmtExecute(svc, st, o.err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
    ub4 count = 0;
    c.AttrGet(st, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, o.err);
    EXPECT_EQ(count, 2u);
    // Arrays of three: a text buffer of 8 bytes cuts the longer values.
    int n[3];
    char t[3][8];
    sb2 ind[2][3];
    ub2 len[2][3], rc[2][3];
    OCIDefine *d1 = nullptr, *d2 = nullptr;
    c.DefineByPos(st, &d1, o.err, 1, n, sizeof(int), SQLT_INT, ind[0], len[0], rc[0], OCI_DEFAULT);
    c.DefineByPos(st, &d2, o.err, 2, t, 8, SQLT_STR, ind[1], len[1], rc[1], OCI_DEFAULT);
    ub4 fetched = 0;
    EXPECT_EQ(c.StmtFetch2(st, o.err, 3, OCI_FETCH_NEXT, 0, OCI_DEFAULT), OCI_SUCCESS_WITH_INFO);
    EXPECT_EQ(o.lastError(&code), "ORA-01406: fetched column value was truncated\n");
    c.AttrGet(st, OCI_HTYPE_STMT, &fetched, nullptr, OCI_ATTR_ROWS_FETCHED, o.err);
    EXPECT_EQ(fetched, 3u);
    EXPECT_EQ(n[0], 1);
    EXPECT_EQ(n[2], 3);
    EXPECT_STREQ(t[0], "vww");
    EXPECT_EQ(ind[1][1], -1);   // NULL
    EXPECT_STREQ(t[2], "vwwwwww");   // 9 characters cut to 7 and the terminator
    EXPECT_EQ(ind[1][2], 9);
    EXPECT_EQ(rc[1][2], 1406);
    // The last two rows come with OCI_NO_DATA, then nothing more.
    EXPECT_EQ(c.StmtFetch2(st, o.err, 3, OCI_FETCH_NEXT, 0, OCI_DEFAULT), OCI_NO_DATA);
    c.AttrGet(st, OCI_HTYPE_STMT, &fetched, nullptr, OCI_ATTR_ROWS_FETCHED, o.err);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(n[1], 5);
    EXPECT_EQ(c.StmtFetch2(st, o.err, 3, OCI_FETCH_NEXT, 0, OCI_DEFAULT), OCI_NO_DATA);
    c.AttrGet(st, OCI_HTYPE_STMT, &fetched, nullptr, OCI_ATTR_ROWS_FETCHED, o.err);
    EXPECT_EQ(fetched, 0u);
    // A released statement, and its defines with it, are gone.
    EXPECT_EQ(c.StmtRelease(st, o.err, nullptr, 0, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(c.StmtFetch2(st, o.err, 1, OCI_FETCH_NEXT, 0, OCI_DEFAULT), OCI_INVALID_HANDLE);
    EXPECT_EQ(c.AttrSet(d1, OCI_HTYPE_DEFINE, nullptr, 0, OCI_ATTR_CHARSET_FORM, o.err), OCI_INVALID_HANDLE);
    // A query run with no iterations is refused unless it is a query.
    const std::string dml = "delete from dual";
    c.StmtPrepare2(svc, &st, o.err, reinterpret_cast<const OraText *>(dml.data()), static_cast<ub4>(dml.size()), nullptr, 0,
                   OCI_NTV_SYNTAX, OCI_DEFAULT);
    EXPECT_EQ(c.StmtExecute(svc, st, o.err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
    EXPECT_EQ(o.lastError(&code), "ORA-24333: zero iteration count\n");
    c.StmtRelease(st, o.err, nullptr, 0, OCI_DEFAULT);

    EXPECT_EQ(c.SessionEnd(svc, o.err, ses, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(c.Ping(svc, o.err, OCI_DEFAULT), OCI_ERROR);
    EXPECT_EQ(o.lastError(&code), "ORA-03114: not connected to ORACLE\n");
    EXPECT_EQ(c.HandleFree(ses, OCI_HTYPE_SESSION), OCI_SUCCESS);
    EXPECT_EQ(c.HandleFree(ses, OCI_HTYPE_SESSION), OCI_INVALID_HANDLE);
    EXPECT_EQ(c.HandleFree(svc, OCI_HTYPE_SERVER), OCI_INVALID_HANDLE);   // the wrong type
}

} // namespace
