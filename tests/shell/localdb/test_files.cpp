// Opening files that are not repositories, files another program holds locked for a
// moment, and bookkeeping rows with NULLs: nothing is changed by mistake, nothing fails
// that should work.
#include "localdb.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

using namespace localdb;

namespace {

std::string bytesOf(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Files : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("sqlvigil-files-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        file = (dir / "SQLVigil.MDB").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void sqlite(const std::string &sql)
    {
        sqlite3 *h = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &h), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(h, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(h);
        sqlite3_close(h);
    }
    int openError()
    {
        try {
            Database::OpenDatabase(file);
        } catch (const DbError &e) {
            message = e.what();
            return e.number();
        }
        return 0;
    }

    std::filesystem::path dir;
    std::string file, message;
};

TEST_F(Files, ForeignAndEmptyFilesAreReportedAndLeftUnchanged)
{
    // Another program's SQLite database.
    sqlite("CREATE TABLE accounts (id INTEGER PRIMARY KEY, owner TEXT); INSERT INTO accounts VALUES (1, 'x');");
    const std::string before = bytesOf(file);
    EXPECT_EQ(openError(), kUnrecognisedFormat);
    EXPECT_NE(message.find("not a SQL*Vigil repository"), std::string::npos) << message;
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_FALSE(std::filesystem::exists(file + "-journal"));

    // A 0-byte file stays 0 bytes.
    std::filesystem::remove(file);
    std::ofstream(file).close();
    EXPECT_EQ(openError(), kUnrecognisedFormat);
    EXPECT_EQ(std::filesystem::file_size(file), 0u);

    // A text file is not a database at all.
    std::ofstream(file, std::ios::trunc) << "precious";
    EXPECT_EQ(openError(), kUnrecognisedFormat);
    EXPECT_EQ(bytesOf(file), "precious");

    // A repository made by CreateDatabase opens.
    std::filesystem::remove(file);
    Database::CreateDatabase(file);
    EXPECT_EQ(openError(), 0) << message;
}

TEST_F(Files, AFileLockedForAMomentOpensAfterTheLock)
{
    Database::CreateDatabase(file);
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE; CREATE TABLE held (a);", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    });
    auto start = std::chrono::steady_clock::now();
    std::unique_ptr<Database> db;
    try {
        db = Database::OpenDatabase(file);
    } catch (const DbError &e) {
        ADD_FAILURE() << e.what();
    }
    auto waited = std::chrono::steady_clock::now() - start;
    release.join();
    ASSERT_TRUE(db);
    EXPECT_GE(waited, std::chrono::milliseconds(800));
    auto names = db->TableNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "held"), names.end());
}

TEST_F(Files, NullsInTheBookkeepingTablesReadAsEmpty)
{
    Database::CreateDatabase(file);
    {
        auto db = Database::OpenDatabase(file);
        TableDef t;
        t.Name = "T";
        t.Fields = {{"A", dbText, 10}};
        db->TableDefsAppend(t);
        db->CreateQueryDef("Q", "select a from t");
    }
    sqlite("INSERT INTO vigil_querydefs (name, sql) VALUES (NULL, NULL);"
           "INSERT INTO vigil_querydefs (name, sql) VALUES ('R', NULL);"
           "INSERT INTO vigil_indexes VALUES ('T', NULL, NULL, NULL, NULL);");
    auto db = Database::OpenDatabase(file);
    auto names = db->QueryNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "Q"), names.end());
    EXPECT_EQ(db->GetQueryDef("Q").SQL, "select a from t");
    EXPECT_EQ(db->GetQueryDef("R").SQL, "");
    TableDef def = db->GetTableDef("T");
    ASSERT_EQ(def.Fields.size(), 1u);
    ASSERT_EQ(def.Indexes.size(), 1u);
    EXPECT_EQ(def.Indexes[0].Name, "");
    auto rs = db->OpenRecordset("Q");
    EXPECT_TRUE(rs->IsEOF());
}

} // namespace
