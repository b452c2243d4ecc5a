#include "localdb.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <filesystem>

using namespace localdb;
namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir()
    {
        char tmpl[] = "/tmp/localdbXXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const char *name) const { return (path / name).string(); }
};

std::unique_ptr<Database> fresh(const TempDir &dir)
{
    Database::CreateDatabase(dir.file("SQLVigil.MDB"), ";LANGID=0x040A;CP=1252;COUNTRY=0", 1);
    return Database::OpenDatabase(dir.file("SQLVigil.MDB"));
}

int errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const DbError &e) {
        return e.number();
    }
    return 0;
}

TableDef filesTable()
{
    TableDef t;
    t.Name = "FILES";
    t.Fields = {{"DB_NM", dbText, 30}, {"TS", dbText, 30}, {"CHECK_DATE", dbDate, 0},
                {"FILE_NM", dbText, 80}, {"BLOCKS", dbLong, 0}};
    t.Indexes = {{"FILE_IDX_01", "DB_NM;TS;CHECK_DATE;FILE_NM", true, true}};
    return t;
}

} // namespace

TEST(LocalDb, OpenCreateNeverClobbers)
{
    TempDir dir;
    std::string path = dir.file("SQLVigil.MDB");
    EXPECT_EQ(errorOf([&] { Database::OpenDatabase(path); }), kFileNotFound);
    EXPECT_EQ(errorOf([&] { Database::CreateDatabase(dir.file("missing/SQLVigil.MDB")); }), 3044);
    {
        std::ofstream junk(path);
        junk << "this is not a database, and it must survive\n";
    }
    EXPECT_EQ(errorOf([&] { Database::OpenDatabase(path); }), kUnrecognisedFormat);
    EXPECT_EQ(errorOf([&] { Database::CreateDatabase(path); }), kDatabaseExists);
    std::ifstream back(path);
    std::string line;
    std::getline(back, line);
    EXPECT_EQ(line, "this is not a database, and it must survive");
}

TEST(LocalDb, TableDefinitionsRoundTrip)
{
    TempDir dir;
    auto db = fresh(dir);
    EXPECT_EQ(errorOf([&] { db->TableDefsDelete("FILES"); }), kItemNotFound);
    db->TableDefsAppend(filesTable());
    EXPECT_EQ(errorOf([&] { db->TableDefsAppend(filesTable()); }), kTableExists);
    TableDef back = db->GetTableDef("files");
    ASSERT_EQ(back.Fields.size(), 5u);
    EXPECT_EQ(back.Fields[0].Name, "DB_NM");
    EXPECT_EQ(back.Fields[0].Type, dbText);
    EXPECT_EQ(back.Fields[0].Size, 30);
    EXPECT_EQ(back.Fields[2].Type, dbDate);
    EXPECT_EQ(back.Fields[4].Type, dbLong);
    ASSERT_EQ(back.Indexes.size(), 1u);
    EXPECT_EQ(back.Indexes[0].Name, "FILE_IDX_01");
    EXPECT_EQ(back.Indexes[0].Fields, "DB_NM;TS;CHECK_DATE;FILE_NM");
    EXPECT_TRUE(back.Indexes[0].Primary);
    EXPECT_TRUE(back.Indexes[0].Unique);

    TableDef bad;
    bad.Name = "BAD";
    bad.Fields = {{"A", dbText, 10}};
    bad.Indexes = {{"BAD_IDX", "A;NOPE", true, true}};
    EXPECT_EQ(errorOf([&] { db->TableDefsAppend(bad); }), kItemNotFound);
    EXPECT_EQ(db->TableNames(), std::vector<std::string>{"FILES"});   // rolled back

    {
        auto rs = db->OpenRecordset("FILES", 1);
        EXPECT_EQ(errorOf([&] { db->TableDefsDelete("FILES"); }), kTableLocked);
        rs->Close();
    }
    db->TableDefsDelete("FILES");
    EXPECT_TRUE(db->TableNames().empty());
}

TEST(LocalDb, AddNewEditUpdateConvertAndGuardKeys)
{
    TempDir dir;
    auto db = fresh(dir);
    db->TableDefsAppend(filesTable());
    auto rs = db->OpenRecordset("FILES", 1);
    EXPECT_TRUE(rs->IsEOF());
    EXPECT_EQ(errorOf([&] { rs->SetField("TS", "X"); }), kUpdateWithoutEdit);
    EXPECT_EQ(errorOf([&] { rs->Edit(); }), kNoCurrentRecord);
    rs->AddNew();
    rs->SetField("db_nm", "O'Brien");
    rs->SetField("TS", "SYSTEM");
    rs->SetField("CHECK_DATE", Value::date("2026-12-08"));
    rs->SetField("FILE_NM", "/u01/system01.dbf");
    EXPECT_EQ(errorOf([&] { rs->SetField("BLOCKS", "many"); }), kConversion);
    EXPECT_EQ(errorOf([&] { rs->SetField("TS", std::string(31, 'x')); }), kFieldTooSmall);
    EXPECT_EQ(errorOf([&] { rs->SetField("NOPE", 1); }), kItemNotFound);
    rs->SetField("BLOCKS", "1200");
    rs->Update();
    rs->Close();

    // Bound parameters: the apostrophe is data, not syntax; text compares without case.
    auto q = db->OpenRecordset("SELECT * FROM FILES WHERE DB_NM = :n", 0, {{"n", "o'brien"}});
    ASSERT_FALSE(q->IsEOF());
    EXPECT_EQ(q->Field("BLOCKS").toInt(), 1200);
    EXPECT_EQ(q->Field("CHECK_DATE").toString(), "2026-12-08");
    EXPECT_EQ(q->Field("CHECK_DATE").kind(), Value::Kind::Date);
    q->Edit();
    q->SetField("BLOCKS", 1300.4);
    q->Update();
    q->Close();
    auto again = db->OpenRecordset("FILES");
    EXPECT_EQ(again->Field("BLOCKS").toInt(), 1300);
    EXPECT_EQ(again->RecordCount(), 1);
    again->AddNew();
    again->SetField("DB_NM", "O'BRIEN");
    again->SetField("TS", "SYSTEM");
    again->SetField("CHECK_DATE", "2026-12-08 00:00:00");
    again->SetField("FILE_NM", "/u01/SYSTEM01.DBF");
    EXPECT_EQ(errorOf([&] { again->Update(); }), kDuplicateKey);
    again->CancelUpdate();
    EXPECT_EQ(db->Execute("DELETE FROM FILES WHERE DB_NM = :n", {{"n", "O'Brien"}}), 1);
}

TEST(LocalDb, SavedQueriesWithJetTextsAndParameters)
{
    TempDir dir;
    auto db = fresh(dir);
    db->TableDefsAppend(filesTable());
    db->CreateQueryDef("FILES_TS_VIEW", "select db_nm, ts, check_date, sum(blocks) as sum_file_blocks "
                                        "from files group by db_nm, ts, check_date");
    EXPECT_EQ(errorOf([&] { db->CreateQueryDef("files_ts_view", "select 1"); }), kObjectExists);
    EXPECT_EQ(errorOf([&] { db->CreateQueryDef("FILES", "select 1"); }), kObjectExists);
    db->CreateQueryDef("BY_DAY", "select ftv.ts, int(100*sum_file_blocks/3) as pct, "
                                 "iif(ftv.check_date = Fecha, 1, 0) as hoy "
                                 "from files_ts_view as ftv where ftv.check_date >= CVDate(now - 28)");
    auto rs = db->OpenRecordset("FILES");
    for (int i = 0; i < 2; ++i) {
        rs->AddNew();
        rs->SetField("DB_NM", "PROD");
        rs->SetField("TS", "USERS");
        rs->SetField("CHECK_DATE", Value::today());
        rs->SetField("FILE_NM", i ? "b" : "a");
        rs->SetField("BLOCKS", 1);
        rs->Update();
    }
    rs->Close();
    QueryDef q = db->GetQueryDef("BY_DAY");
    EXPECT_EQ(errorOf([&] { q.OpenRecordset(); }), kTooFewParameters);
    q.params["FECHA"] = Value::today();
    auto r = q.OpenRecordset();
    ASSERT_EQ(r->RecordCount(), 1);
    EXPECT_EQ(r->Field("pct").toInt(), 66);     // whole part of 200/3
    EXPECT_EQ(r->Field("hoy").toInt(), 1);
    EXPECT_FALSE(r->updatable());
    db->QueryDefsDelete("BY_DAY");
    EXPECT_EQ(errorOf([&] { db->QueryDefsDelete("BY_DAY"); }), kItemNotFound);
    EXPECT_EQ(db->QueryNames(), std::vector<std::string>{"FILES_TS_VIEW"});
    EXPECT_EQ(errorOf([&] { db->OpenRecordset("SELECT * FROM NOWHERE"); }), kInputNotFound);
    EXPECT_EQ(errorOf([&] { db->Execute("DELETE FROM"); }), kSyntaxError);
}
