// Random and hostile input to the dialect rewriter, the date reader and the engine:
// every input ends in a result or a DbError, never a crash or another exception.
#include "jetsql.h"
#include "localdb.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace localdb;

namespace {

std::string randomText(std::mt19937 &rng, std::size_t maxLen)
{
    static const std::string alphabet =
        "abcXYZ019 _'\"[]#&(),.;:*=<>-+/\\\t\nselectfromwhereiifintCVDatenowFecha\x01\xc3\xa9\xff";
    std::uniform_int_distribution<std::size_t> len(0, maxLen), pick(0, alphabet.size() - 1);
    std::string s;
    for (std::size_t n = len(rng); n > 0; --n)
        s += alphabet[pick(rng)];
    return s;
}

} // namespace

TEST(Robustness, RewriterAndDatesTakeAnyText)
{
    std::mt19937 rng(20261208);
    for (int i = 0; i < 20000; ++i) {
        const std::string s = randomText(rng, 60);
        const std::string out = jet::toSqlite(s);
        EXPECT_GE(out.size() + 8, s.size() / 2);
        jet::bindParameter(s, "Fecha");
        jet::mentions(s, "now");
        std::vector<std::string> names;
        jet::stripParametersClause("PARAMETERS " + s, &names);
        const std::string c = jet::canonicalDate(s);
        if (!c.empty())
            EXPECT_EQ(jet::canonicalDate(c), c);
    }
    // Unterminated literals and brackets are copied through, not overrun.
    EXPECT_EQ(jet::toSqlite("select 'open"), "select 'open");
    EXPECT_EQ(jet::toSqlite("select [open"), "select [open");
    EXPECT_EQ(jet::toSqlite("select \"open"), "select 'open'");
    EXPECT_EQ(jet::canonicalDate("9999-12-31 23:59:59"), "9999-12-31 23:59:59");
    EXPECT_EQ(jet::canonicalDate("2026-13-01"), "");
    EXPECT_EQ(jet::canonicalDate("2026-12-08 24:00"), "");
}

TEST(Robustness, EngineAnswersEveryStatementWithAResultOrItsError)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "sqlvigil-robust";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "SQLVigil.MDB").string();
    Database::CreateDatabase(file);
    auto db = Database::OpenDatabase(file);
    TableDef t;
    t.Name = "T";
    t.Fields = {{"A", dbText, 10}, {"B", dbLong, 0}, {"D", dbDate, 0}};
    db->TableDefsAppend(t);
    db->CreateQueryDef("Q", "select a, b from t where b > Limite");
    std::mt19937 rng(7);
    const std::vector<std::string> stems = {"select * from t where a = ", "select a from q where ",
                                            "delete from t where b = ", "select iif(", "insert into t (a) values (",
                                            "update t set a = "};
    int ok = 0, refused = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string sql = stems[i % stems.size()] + randomText(rng, 30);
        try {
            if (i % 2)
                db->Execute(sql, {{"Limite", 1}});
            else
                db->OpenRecordset(sql, 0, {{"Limite", 1}});
            ++ok;
        } catch (const DbError &) {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_EQ(ok + refused, 3000);
    // The catalog survives whatever was thrown at it.
    EXPECT_EQ(db->QueryNames(), std::vector<std::string>{"Q"});
    EXPECT_EQ(db->GetTableDef("T").Fields.size(), 3u);
    db->Close();
    std::filesystem::remove_all(dir);
}
