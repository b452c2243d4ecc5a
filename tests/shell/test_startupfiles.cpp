// Start-up on files and settings that are not what they should be: another program's
// SQLite file, an empty file, a directory value that is too long or empty, a repository
// that another program holds locked for a second. Nothing is changed or created where
// the user did not say so, and every refusal names what it found and what it expected.
#include "marco.h"
#include "windowtest.h"

#include <QTest>

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

using harness::WindowTest;
using shell::Marco;

namespace {

harness::Options noConnection()
{
    harness::Options o;
    o.connect = false;
    return o;
}

void writeIni(const std::string &path, const std::string &dir)
{
    std::ofstream(path) << "[DIRECTORIOS]\nBDLOCAL=" << dir << "\n";
}

std::string bytesOf(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool says(const harness::ScriptedPrompts &p, const std::string &text)
{
    return p.count() > 0 && p.last().text.find(text) != std::string::npos;
}

} // namespace

class StartupFilesTest : public QObject {
    Q_OBJECT
private slots:
    void foreignAndEmptyFilesAreLeftUnchanged();
    void tooLongAndEmptyDirectoryValuesAreReported();
    void aLockedRepositoryOpensAfterTheLock();
};

void StartupFilesTest::foreignAndEmptyFilesAreLeftUnchanged()
{
    WindowTest t(noConnection());
    const std::string dir = t.dir + "foreign/";
    std::filesystem::create_directory(dir);
    writeIni(t.ctx.iniPath, dir);
    const std::string file = dir + "SQLVigil.MDB";
    sqlite3 *h = nullptr;
    QCOMPARE(sqlite3_open(file.c_str(), &h), SQLITE_OK);
    sqlite3_exec(h, "CREATE TABLE photos (id INTEGER, path TEXT); INSERT INTO photos VALUES (1, '/a.png');",
                 nullptr, nullptr, nullptr);
    sqlite3_close(h);
    const std::string before = bytesOf(file);
    {
        Marco m(t.ctx);
        QVERIFY(!m.Form_Load());
    }
    QVERIFY2(says(t.prompts, "left as it is"), t.prompts.log().c_str());
    QVERIFY(says(t.prompts, "not a SQL*Vigil repository"));
    QCOMPARE(bytesOf(file), before);

    // An empty file is not made into a repository either.
    std::filesystem::remove(file);
    std::ofstream(file).close();
    t.prompts.clear();
    {
        Marco m(t.ctx);
        QVERIFY(!m.Form_Load());
    }
    QVERIFY(says(t.prompts, "left as it is"));
    QCOMPARE(std::filesystem::file_size(file), std::uintmax_t(0));
}

void StartupFilesTest::tooLongAndEmptyDirectoryValuesAreReported()
{
    WindowTest t(noConnection());
    // 300 characters: the reader keeps 254, which would name another directory.
    const std::string longDir = t.dir + std::string(300 - t.dir.size() - 1, 'd') + "/";
    writeIni(t.ctx.iniPath, longDir);
    const auto entriesBefore = std::distance(std::filesystem::directory_iterator(t.dir), {});
    {
        Marco m(t.ctx);
        QVERIFY(!m.Form_Load());
    }
    QVERIFY2(says(t.prompts, "300 characters long"), t.prompts.log().c_str());
    QVERIFY(says(t.prompts, "at most 254 characters is expected"));
    QVERIFY(says(t.prompts, longDir.substr(0, 254)));
    QVERIFY(says(t.prompts, "No repository has been opened or created"));
    QCOMPARE(std::distance(std::filesystem::directory_iterator(t.dir), {}), entriesBefore);

    // An empty value would put the repository in the working directory.
    writeIni(t.ctx.iniPath, "");
    t.prompts.clear();
    const std::string cwdFile = (std::filesystem::current_path() / "SQLVigil.MDB").string();
    const bool existed = std::filesystem::exists(cwdFile);
    {
        Marco m(t.ctx);
        QVERIFY(!m.Form_Load());
    }
    QVERIFY2(says(t.prompts, "an empty value"), t.prompts.log().c_str());
    QCOMPARE(std::filesystem::exists(cwdFile), existed);
    QVERIFY(t.ctx.repository == nullptr);
}

void StartupFilesTest::aLockedRepositoryOpensAfterTheLock()
{
    WindowTest t(noConnection());
    // The harness's own repository, held by another program for a second.
    const std::string file = t.dir + "SQLVigil.MDB";
    writeIni(t.ctx.iniPath, t.dir);
    QVERIFY(std::filesystem::exists(file));
    sqlite3 *other = nullptr;
    QCOMPARE(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE; CREATE TABLE held (a);", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    });
    t.prompts.answerAlways(shell::vbAbort);
    bool loaded = false;
    {
        Marco m(t.ctx);
        loaded = m.Form_Load();
    }
    release.join();
    QVERIFY2(loaded, t.prompts.log().c_str());
    QVERIFY(t.ctx.repository != nullptr);
    QVERIFY(!says(t.prompts, "cannot be opened"));
}

QTEST_MAIN(StartupFilesTest)
#include "test_startupfiles.moc"
