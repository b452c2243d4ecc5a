#include "jetsql.h"

#include <gtest/gtest.h>

using namespace localdb::jet;

TEST(JetSql, RewritesOnlyOutsideLiterals)
{
    EXPECT_EQ(toSqlite("select iif(a = CVDate(now - 28), int(x/2), 0) from t"),
              "select iif(a = jet_cvdate(jet_now() - 28), jet_int(x/2), 0) from t");
    EXPECT_EQ(toSqlite("select 'now int(' & \"it's\" from t where n = Now()"),
              "select 'now int(' || 'it''s' from t where n = jet_now()");
    EXPECT_EQ(toSqlite("select t.now, int from t"), "select t.now, int from t");
    EXPECT_EQ(toSqlite("select * from t where d = #2026-12-08#"),
              "select * from t where d = '2026-12-08 00:00:00'");
}

TEST(JetSql, ParametersAreWholeWords)
{
    std::string q = "select x from t where d = Fecha or d = Fecha_7 or t.Fecha = 'Fecha'";
    EXPECT_EQ(bindParameter(q, "fecha"),
              "select x from t where d = :Fecha or d = Fecha_7 or t.Fecha = 'Fecha'");
    EXPECT_TRUE(mentions("from spaces, files_ts_view as ftv", "FILES_TS_VIEW"));
    EXPECT_FALSE(mentions("from spaces where x = 'files_ts_view'", "files_ts_view"));
    std::vector<std::string> names;
    EXPECT_EQ(stripParametersClause("PARAMETERS [Fecha] DateTime, Otro Long; select 1", &names), " select 1");
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "Fecha");
    EXPECT_EQ(names[1], "Otro");
}

TEST(JetSql, DatesRoundTrip)
{
    EXPECT_EQ(canonicalDate("2024-02-29"), "2024-02-29 00:00:00");
    EXPECT_EQ(canonicalDate("2023-02-29"), "");
    EXPECT_EQ(canonicalDate("31/12/1999"), "1999-12-31 00:00:00");
    EXPECT_EQ(canonicalDate("2026-12-08 13:45"), "2026-12-08 13:45:00");
    EXPECT_EQ(canonicalDate("2026-12-08x"), "");
    EXPECT_EQ(canonicalDate(""), "");
    bool ok = false;
    EXPECT_DOUBLE_EQ(serialFromCanonical("1899-12-30 00:00:00", &ok), 0.0);
    EXPECT_TRUE(ok);
    EXPECT_DOUBLE_EQ(serialFromCanonical("2000-01-01 12:00:00", &ok), 36526.5);
    EXPECT_EQ(canonicalFromSerial(36526.5), "2000-01-01 12:00:00");
    EXPECT_EQ(canonicalFromSerial(serialFromCanonical("2026-03-01 00:00:00", nullptr) - 1), "2026-02-28 00:00:00");
}
