// sqlvigil-cli against a demo repository: samples taken unattended (one per
// server and day, failures one line each with a non-zero exit) and the three
// reports rendered to PDF without a display.
#include "demo.h"
#include "localdb.h"
#include "sqlcvpg.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

struct CliRun {
    int code = -1;
    std::string out, err;
};

CliRun cli(const QStringList &args)
{
    QProcess p;
    p.start(SQLVIGIL_CLI_BIN, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

struct Demo {
    QTemporaryDir tmp;
    std::string dir = tmp.path().toStdString() + "/demo/";
    QString ini = QString::fromStdString(shell::prepareDemo(dir));
    std::unique_ptr<localdb::Database> db() { return localdb::Database::OpenDatabase(dir + "SQLVigil.MDB"); }
    long count(const std::string &sql) { return db()->OpenRecordset(sql)->RecordCount(); }
    void addServer(const std::string &name, const std::string &service)
    {
        auto d = db();
        auto rs = d->OpenRecordset("SERVIDORES", 1);
        rs->AddNew();
        rs->SetField("SERVIDOR", name);
        rs->SetField("RDBMS", "ORACLE 8");
        rs->SetField("VERSION", "8i");
        rs->SetField("INSTANCIA", name);
        rs->SetField("CONECCION", service);
        rs->SetField("FORMATO", "TNS");
        rs->SetField("LOGIN", "SYSTEM");
        rs->SetField("PASSWORD", shell::Cifrar(shell::kCipherKey, "MANAGER"));
        rs->SetField("LOGIN_TIME_OUT", 30);
        rs->SetField("QUERY_TIME_OUT", 60);
        rs->SetField("COMENTARIO", "");
        rs->SetField("ESTADO", "SQL*Vigil");
        rs->Update();
    }
};

std::string pdfText(const std::string &pdf)
{
    QProcess p;
    p.start("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
    p.waitForFinished(20000);
    return p.readAllStandardOutput().toStdString();
}

} // namespace

TEST(SqlvigilCli, SampleTwiceOnOneDayLeavesOneSample)
{
    Demo d;
    const CliRun first = cli({"sample", "--ini", d.ini});
    EXPECT_EQ(first.code, 0) << first.err;
    EXPECT_EQ(first.out.rfind("DEMO: sample of ", 0), 0u) << first.out;
    const long files = d.count("SELECT * FROM FILES");
    const long extents = d.count("SELECT * FROM EXTENTS");
    EXPECT_EQ(files, 8);
    const CliRun second = cli({"sample", "DEMO", "--ini", d.ini});
    EXPECT_EQ(second.code, 0) << second.err;
    EXPECT_EQ(d.count("SELECT * FROM FILES"), files);
    EXPECT_EQ(d.count("SELECT * FROM EXTENTS"), extents);
    EXPECT_EQ(d.count("SELECT DISTINCT DB_NM, CHECK_DATE FROM SPACES"), 1);
    EXPECT_EQ(d.count("SELECT * FROM SPACES WHERE DB_NM = 'DEMO' AND CHECK_DATE = CVDate(now)"), 6);
}

TEST(SqlvigilCli, FailingServersSayWhyAndTheOthersAreSampled)
{
    Demo d;
    d.addServer("LOST", "sim:NOWHERE");
    const CliRun r = cli({"sample", "--ini", d.ini});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("DEMO: sample of "), std::string::npos) << r.out;     // the reachable one still sampled
    // One line for the server that failed, with the server's own error.
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.rfind("sqlvigil-cli: LOST: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("ORA-12154"), std::string::npos) << r.err;
    EXPECT_EQ(d.count("SELECT * FROM SPACES WHERE DB_NM = 'LOST'"), 0);
    EXPECT_EQ(d.count("SELECT * FROM SPACES WHERE DB_NM = 'DEMO'"), 6);

    const CliRun unknown = cli({"sample", "NOSUCH", "--ini", d.ini});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_EQ(unknown.err, "sqlvigil-cli: NOSUCH: not a registered server\n");

    EXPECT_EQ(cli({"sample", "--ini", QString::fromStdString(d.dir + "missing.ini")}).code, 2);
    EXPECT_EQ(cli({"report", "alert_ts", "--ini", d.ini}).code, 2);            // no --pdf
    EXPECT_EQ(cli({"report", "nothing", "--pdf", "x.pdf", "--ini", d.ini}).code, 2);
}

TEST(SqlvigilCli, ReportsRenderedToPdf)
{
    Demo d;
    ASSERT_EQ(cli({"sample", "--ini", d.ini}).code, 0);
    struct Case {
        const char *report, *title, *row;
    };
    for (const Case c : {Case{"alert_ts", "Tablespaces Alert", "SYSTEM"},
                         Case{"parametr", "Instance Parameters", "db_block_size"},
                         Case{"pesos_io", "I/O Meter", "system01.dbf"}}) {
        const std::string pdf = d.dir + c.report + ".pdf";
        const CliRun r = cli({"report", c.report, "--server", "DEMO", "--pdf", QString::fromStdString(pdf), "--ini", d.ini});
        EXPECT_EQ(r.code, 0) << c.report << r.err;
        const std::string text = pdfText(pdf);
        EXPECT_NE(text.find(c.title), std::string::npos) << c.report;
        EXPECT_NE(text.find(c.row), std::string::npos) << c.report << text;
        EXPECT_NE(text.find("Page 1 of"), std::string::npos) << c.report;
    }
    EXPECT_EQ(d.count("SELECT * FROM PESOS_IO WHERE DB_NM = 'DEMO'"), 8);
    EXPECT_EQ(d.count("SELECT * FROM ALERT_TS WHERE DB_NM = 'DEMO'"), 6);
    // Another server's alert report holds none of DEMO's tablespaces.
    const std::string other = d.dir + "other.pdf";
    ASSERT_EQ(cli({"report", "alert_ts", "--server", "O'Brien", "--pdf", QString::fromStdString(other), "--ini", d.ini})
                  .code,
              0);
    EXPECT_EQ(pdfText(other).find("SYSTEM"), std::string::npos);
}
