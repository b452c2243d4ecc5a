// "&Init": the repository's tables, indexes and saved queries, on a new and on an
// initialised repository; the saved queries work as the alert windows use them.
#include "esquema.h"
#include "jetsql.h"
#include "windowtest.h"

#include <gtest/gtest.h>

using namespace localdb;

namespace {

harness::Options emptyRepository()
{
    harness::Options o;
    o.initialise = false;
    o.connect = false;
    return o;
}

std::vector<std::string> columnsOf(Database &db, const std::string &table)
{
    std::vector<std::string> out;
    for (const auto &f : db.GetTableDef(table).Fields)
        out.push_back(f.Name);
    return out;
}

void sample(Database &db, const char *server, const char *ts, const Value &day, long fileBlocks, long freeBlocks)
{
    auto files = db.OpenRecordset("FILES");
    files->AddNew();
    files->SetField("DB_NM", server);
    files->SetField("TS", ts);
    files->SetField("CHECK_DATE", day);
    files->SetField("FILE_NM", std::string("/u01/") + ts + ".dbf");
    files->SetField("BLOCKS", fileBlocks);
    files->Update();
    auto spaces = db.OpenRecordset("SPACES");
    spaces->AddNew();
    spaces->SetField("DB_NM", server);
    spaces->SetField("CHECK_DATE", day);
    spaces->SetField("TS", ts);
    spaces->SetField("COUNT_FREE_BLOCKS", 1);
    spaces->SetField("SUM_FREE_BLOCKS", freeBlocks);
    spaces->SetField("MAX_FREE_BLOCKS", freeBlocks);
    spaces->Update();
}

Value daysAgo(int n)
{
    return Value::date(jet::canonicalFromSerial(Value::today().toDouble() - n));
}

} // namespace

TEST(Init, NewRepositoryAsksOncePerTableThenCreatesEverything)
{
    harness::WindowTest t(emptyRepository());
    t.prompts.answerAlways(shell::vbIgnore);
    repository::iniciarRepositorio(t.ctx);

    const std::vector<std::string> tables = {"SERVIDORES", "FILES",    "SPACES",   "EXTENTS", "ALERT_EXT",
                                             "ALERT_TS",   "PARAMETROS", "PESOS_IO", "SESIONES", "SENTENCIASPESADAS"};
    ASSERT_EQ(t.prompts.count(), tables.size()) << t.prompts.log();
    for (const auto &p : t.prompts.seen()) {
        EXPECT_EQ(p.title, "Error de Ejecución:3265");
        EXPECT_EQ(p.text.rfind("Item not found in this collection.", 0), 0u);
    }
    EXPECT_EQ(t.ctx.pointer.code(), 0);
    Database &db = *t.ctx.repository;
    EXPECT_EQ(db.TableNames(), tables);
    EXPECT_EQ(columnsOf(db, "SERVIDORES"),
              (std::vector<std::string>{"SERVIDOR", "RDBMS", "VERSION", "INSTANCIA", "CONECCION", "FORMATO", "LOGIN",
                                        "PASSWORD", "LOGIN_TIME_OUT", "QUERY_TIME_OUT", "EMPRESA", "CONTRAPARTE",
                                        "COMENTARIO", "ESTADO"}));
    TableDef servidores = db.GetTableDef("SERVIDORES");
    EXPECT_EQ(servidores.Fields[7].Type, dbText);
    EXPECT_EQ(servidores.Fields[7].Size, 30);
    EXPECT_EQ(servidores.Fields[8].Type, dbLong);
    EXPECT_EQ(servidores.Fields[10].Size, 120);
    EXPECT_EQ(servidores.Fields[12].Type, dbMemo);
    EXPECT_EQ(servidores.Fields[13].Size, 10);
    EXPECT_TRUE(servidores.Indexes.empty());
    EXPECT_EQ(columnsOf(db, "EXTENTS"), (std::vector<std::string>{"DB_NM", "TS", "SEG_OWNER", "SEG_NAME", "SEG_TYPE",
                                                                  "EXTENTS", "BLOCKS", "CHECK_DATE"}));
    EXPECT_EQ(columnsOf(db, "PARAMETROS"), (std::vector<std::string>{"CHECK_DATE", "DB_NM", "NUMERO", "NOMBRE", "TIPO",
                                                                     "VALOR", "POR_DEFECTO"}));
    EXPECT_EQ(db.GetTableDef("PARAMETROS").Fields[2].Type, dbInteger);
    EXPECT_EQ(db.GetTableDef("PESOS_IO").Fields[8].Type, dbDouble);
    EXPECT_EQ(columnsOf(db, "SESIONES").back(), "DESCRIPCION_DEL_SERVICIO");
    EXPECT_EQ(columnsOf(db, "SENTENCIASPESADAS"),
              (std::vector<std::string>{"FECHA", "MAQUINA_INSTANCIA", "SID", "USERNAME", "OSUSER", "MACHINE",
                                        "TERMINAL", "PROGRAM", "LOGON_TIME", "MAXCPU", "SQL_TEXT"}));
    struct Ix {
        const char *table, *name, *fields;
    };
    for (const Ix &ix : {Ix{"FILES", "FILE_IDX_01", "DB_NM;TS;CHECK_DATE;FILE_NM"},
                         Ix{"SPACES", "SPACES_IDX_01", "DB_NM;TS;CHECK_DATE"},
                         Ix{"EXTENTS", "EXTENTS_IDX_01", "DB_NM;TS;CHECK_DATE;SEG_OWNER;SEG_NAME"},
                         Ix{"PESOS_IO", "PESOS_IO_IDX_01", "DB_NM;TS;CHECK_DATE;DATAFILES;DISCOS;TOTAL_LE"}}) {
        TableDef def = db.GetTableDef(ix.table);
        ASSERT_EQ(def.Indexes.size(), 1u) << ix.table;
        EXPECT_EQ(def.Indexes[0].Name, ix.name);
        EXPECT_EQ(def.Indexes[0].Fields, ix.fields);
        EXPECT_TRUE(def.Indexes[0].Primary && def.Indexes[0].Unique);
    }
    for (const char *t2 : {"ALERT_EXT", "ALERT_TS", "PARAMETROS", "SESIONES"})
        EXPECT_TRUE(db.GetTableDef(t2).Indexes.empty()) << t2;
    EXPECT_EQ(db.QueryNames(), (std::vector<std::string>{"FILES_TS_VIEW", "ALERTA_TABLESPACE", "ALERTA_EXTENTS"}));
    EXPECT_EQ(db.GetQueryDef("FILES_TS_VIEW").SQL,
              "select db_nm,        ts,        check_date,        sum(blocks) as sum_file_blocks from files group "
              "by db_nm, ts, check_date");
    // The primary index refuses a second FILES row with the same key.
    sample(db, "PROD", "USERS", Value::today(), 100, 10);
    EXPECT_THROW(sample(db, "PROD", "USERS", Value::today(), 100, 10), DbError);
}

TEST(Init, SecondTimeReplacesTablesAndReportsTheQueries)
{
    harness::WindowTest t;          // an initialised repository with the server DEMO
    Database &db = *t.ctx.repository;
    ASSERT_FALSE(db.OpenRecordset("SERVIDORES")->IsEOF());
    t.prompts.answerAlways(shell::vbIgnore);
    repository::iniciarRepositorio(t.ctx);
    ASSERT_EQ(t.prompts.count(), 3u) << t.prompts.log();
    for (const auto &p : t.prompts.seen()) {
        EXPECT_EQ(p.title, "Error de Ejecución:3012");
        EXPECT_EQ(p.text.rfind("Object already exists.", 0), 0u);
    }
    EXPECT_NE(t.prompts.seen()[1].text.find("ALERTA_TABLESPACE"), std::string::npos);
    EXPECT_TRUE(db.OpenRecordset("SERVIDORES")->IsEOF());   // the registry went with the table
    EXPECT_EQ(db.TableNames().size(), 10u);
    EXPECT_EQ(t.ctx.pointer.code(), 0);
}

TEST(Init, AbortStopsWhereItIs)
{
    harness::WindowTest t(emptyRepository());
    t.prompts.answer(shell::vbIgnore).answer(shell::vbIgnore).answer(shell::vbAbort);
    repository::iniciarRepositorio(t.ctx);
    EXPECT_EQ(t.prompts.count(), 3u);
    EXPECT_EQ(t.ctx.repository->TableNames(), (std::vector<std::string>{"SERVIDORES", "FILES"}));
    EXPECT_TRUE(t.ctx.repository->QueryNames().empty());
    EXPECT_EQ(t.ctx.pointer.code(), 0);
}

TEST(SavedQueries, AlertaTablespaceWithParametersAndWithDates)
{
    harness::WindowTest t;
    Database &db = *t.ctx.repository;
    sample(db, "PROD", "USERS", Value::today(), 1000, 999);     // 99.9% free reads 99
    sample(db, "PROD", "USERS", daysAgo(28), 1000, 500);
    sample(db, "PROD", "SYSTEM", Value::today(), 300, 30);       // sampled only today
    sample(db, "PROD", "OLD", daysAgo(60), 100, 50);             // outside the four weeks

    QueryDef q = db.GetQueryDef("ALERTA_TABLESPACE");
    EXPECT_THROW(q.OpenRecordset(), DbError);                    // parameters missing
    q.params = {{"Fecha", Value::today()}, {"Fecha_7", daysAgo(7)}, {"Fecha_14", daysAgo(14)},
                {"Fecha_21", daysAgo(21)}, {"Fecha_28", daysAgo(28)}};
    auto check = [](Recordset &rs) {
        ASSERT_EQ(rs.RecordCount(), 3);
        // Order: server, tablespace.
        EXPECT_EQ(rs.Field("TS").toString(), "OLD");
        EXPECT_EQ(rs.Field("ACTUAL").toInt(), 0);
        EXPECT_EQ(rs.Field("CAMBIOS").toInt(), 0);
        rs.MoveNext();
        EXPECT_EQ(rs.Field("TS").toString(), "SYSTEM");
        EXPECT_EQ(rs.Field("SEM4").toInt(), 0);
        EXPECT_EQ(rs.Field("SEM1").toInt(), 0);
        EXPECT_EQ(rs.Field("ACTUAL").toInt(), 10);
        EXPECT_EQ(rs.Field("CAMBIOS").toInt(), 10);
        rs.MoveNext();
        EXPECT_EQ(rs.Field("DB_NM").toString(), "PROD");
        EXPECT_EQ(rs.Field("TS").toString(), "USERS");
        EXPECT_EQ(rs.Field("SEM4").toInt(), 50);
        EXPECT_EQ(rs.Field("ACTUAL").toInt(), 99);
        EXPECT_EQ(rs.Field("CAMBIOS").toInt(), 49);
    };
    check(*q.OpenRecordset());

    // The alert window's version: every parameter replaced by a date of the engine.
    std::string text;
    for (std::string piece : repository::piezasAlertaTablespace()) {
        for (auto [word, expr] : std::vector<std::pair<std::string, std::string>>{
                 {"Fecha_28", "CVDate(now - 28)"}, {"Fecha_21", "CVDate(now - 21)"}, {"Fecha_14", "CVDate(now - 14)"},
                 {"Fecha_7", "CVDate(now - 7)"}}) {
            for (std::size_t at; (at = piece.find(word)) != std::string::npos;)
                piece.replace(at, word.size(), expr);
        }
        for (std::size_t at = 0; (at = piece.find("Fecha,", at)) != std::string::npos;)
            piece.replace(at, 5, "CVDate(now)");
        text += piece;
    }
    db.QueryDefsDelete("ALERTA_TABLESPACE");
    db.CreateQueryDef("ALERTA_TABLESPACE", text);
    check(*db.OpenRecordset("ALERTA_TABLESPACE"));
    EXPECT_NE(text.find("max(iif(spaces.check_date = CVDate(now - 28),"), std::string::npos);

    // ALERTA_EXTENTS opens with its parameters over an empty EXTENTS table.
    QueryDef e = db.GetQueryDef("ALERTA_EXTENTS");
    e.params = q.params;
    EXPECT_EQ(e.OpenRecordset()->RecordCount(), 0);
}
