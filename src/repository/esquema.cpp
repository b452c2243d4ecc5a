#include "esquema.h"

#include "appcontext.h"
#include "errores.h"

namespace repository {

using namespace localdb;

namespace {

FieldDef text(const char *name, int size) { return {name, dbText, size}; }
FieldDef lng(const char *name) { return {name, dbLong, 0}; }
FieldDef integer(const char *name) { return {name, dbInteger, 0}; }
FieldDef date(const char *name) { return {name, dbDate, 0}; }
FieldDef dbl(const char *name) { return {name, dbDouble, 0}; }
FieldDef memo(const char *name) { return {name, dbMemo, 0}; }
IndexDef primary(const char *name, const char *fields) { return {name, fields, true, true}; }

std::vector<TableDef> build()
{
    std::vector<TableDef> t;
    t.push_back({"SERVIDORES",
                 {text("SERVIDOR", 30), text("RDBMS", 30), text("VERSION", 30), text("INSTANCIA", 30),
                  text("CONECCION", 30), text("FORMATO", 30), text("LOGIN", 30), text("PASSWORD", 30),
                  lng("LOGIN_TIME_OUT"), lng("QUERY_TIME_OUT"), text("EMPRESA", 120), text("CONTRAPARTE", 120),
                  memo("COMENTARIO"), text("ESTADO", 10)},
                 {}});
    t.push_back({"FILES",
                 {text("DB_NM", 30), text("TS", 30), date("CHECK_DATE"), text("FILE_NM", 80), lng("BLOCKS")},
                 {primary("FILE_IDX_01", "DB_NM;TS;CHECK_DATE;FILE_NM")}});
    t.push_back({"SPACES",
                 {text("DB_NM", 30), text("TS", 30), date("CHECK_DATE"), lng("COUNT_FREE_BLOCKS"),
                  lng("SUM_FREE_BLOCKS"), lng("MAX_FREE_BLOCKS")},
                 {primary("SPACES_IDX_01", "DB_NM;TS;CHECK_DATE")}});
    t.push_back({"EXTENTS",
                 {text("DB_NM", 30), text("TS", 30), text("SEG_OWNER", 30), text("SEG_NAME", 32),
                  text("SEG_TYPE", 17), lng("EXTENTS"), lng("BLOCKS"), date("CHECK_DATE")},
                 {primary("EXTENTS_IDX_01", "DB_NM;TS;CHECK_DATE;SEG_OWNER;SEG_NAME")}});
    t.push_back({"ALERT_EXT",
                 {text("DB_NM", 30), text("TS", 30), text("SEG_OWNER", 30), text("SEG_NAME", 32),
                  text("SEG_TYPE", 17), lng("BLOCKS"), lng("SEM4"), lng("SEM3"), lng("SEM2"), lng("SEM1"),
                  lng("ACTUAL"), lng("CAMBIOS")},
                 {}});
    t.push_back({"ALERT_TS",
                 {text("DB_NM", 30), text("TS", 30), lng("SEM4"), lng("SEM3"), lng("SEM2"), lng("SEM1"),
                  lng("ACTUAL"), lng("CAMBIOS")},
                 {}});
    t.push_back({"PARAMETROS",
                 {date("CHECK_DATE"), text("DB_NM", 30), integer("NUMERO"), text("NOMBRE", 64), text("TIPO", 10),
                  memo("VALOR"), text("POR_DEFECTO", 10)},
                 {}});
    t.push_back({"PESOS_IO",
                 {date("CHECK_DATE"), text("DB_NM", 30), text("TS", 30), text("DISCOS", 30), text("DATAFILES", 128),
                  lng("LECTURAS"), lng("ESCRITURAS"), lng("TOTAL_LE"), dbl("PORCENTAJE_LE")},
                 {primary("PESOS_IO_IDX_01", "DB_NM;TS;CHECK_DATE;DATAFILES;DISCOS;TOTAL_LE")}});
    t.push_back({"SESIONES",
                 {text("RAZON_SOCIAL", 64), text("CONTACTO", 32), text("MAQUINA_INSTANCIA", 30),
                  text("TIPO_SERVICIO", 64), date("FECHA_EMISION"), date("FECHA_DESDE"), date("FECHA_HASTA"),
                  integer("NUMERO_SESION"), integer("HORAS_NORMALES"), integer("HORAS_EXTRAS_CORRIENTES"),
                  integer("HORAS_EXTRAS_ESPECIALES"), memo("DESCRIPCION_DEL_SERVICIO")},
                 {}});
    // The heavy-statement monitor's record: sample time and logon time as
    // "YYYY-MM-DD HH24:MI:SS" texts, the session id and CPU figure as numbers.
    t.push_back({"SENTENCIASPESADAS",
                 {text("FECHA", 19), text("MAQUINA_INSTANCIA", 30), lng("SID"), text("USERNAME", 30),
                  text("OSUSER", 30), text("MACHINE", 64), text("TERMINAL", 30), text("PROGRAM", 64),
                  text("LOGON_TIME", 19), dbl("MAXCPU"), memo("SQL_TEXT")},
                 {}});
    return t;
}

} // namespace

const std::vector<TableDef> &tablas()
{
    static const std::vector<TableDef> all = build();
    return all;
}

std::string unir(const std::vector<std::string> &piezas)
{
    std::string s;
    for (const auto &p : piezas)
        s += p;
    return s;
}

std::vector<std::string> piezasFilesTsView()
{
    return {"select db_nm, ", "       ts, ", "       check_date, ", "       sum(blocks) as sum_file_blocks ",
            "from files ", "group by db_nm, ts, check_date"};
}

std::vector<std::string> piezasAlertaTablespace()
{
    return {
        "select spaces.db_nm as db_nm, ",
        "       spaces.ts as ts, ",
        "       max(iif(spaces.check_date = Fecha_28,",
        "             int(100*sum_free_blocks/sum_file_blocks),0)) as sem4, ",
        "       max(iif(spaces.check_date = Fecha_21,",
        "             int(100*sum_free_blocks/sum_file_blocks),0)) as sem3, ",
        "       max(iif(spaces.check_date = Fecha_14,",
        "             int(100*sum_free_blocks/sum_file_blocks),0)) as sem2, ",
        "       max(iif(spaces.check_date = Fecha_7,",
        "             int(100*sum_free_blocks/sum_file_blocks),0)) as sem1, ",
        "       max(iif(spaces.check_date = Fecha,",
        "             int(100*sum_free_blocks/sum_file_blocks),0)) as actual, ",
        "       max(iif(spaces.check_date = Fecha,",
        "             int(100*sum_free_blocks/sum_file_blocks),0)) - ",
        "       max(iif(spaces.check_date = Fecha_28,",
        "             int(100*sum_free_blocks/sum_file_blocks),0)) as cambios ",
        "from spaces, files_ts_view as ftv ",
        "where spaces.db_nm = ftv.db_nm and ",
        "      spaces.ts = ftv.ts and ",
        "      spaces.check_date = ftv.check_date ",
        "group by spaces.db_nm, ",
        "         spaces.ts ",
        "order by spaces.db_nm, spaces.ts,",
        "         iif(max(iif(spaces.check_date = Fecha,int(100*sum_free_blocks/sum_file_blocks),0)) - ",
        "             max(iif(spaces.check_date = Fecha_28,int(100*sum_free_blocks/sum_file_blocks),0))=0,",
        "             9999,",
        "             max(iif(spaces.check_date = Fecha,int(100*sum_free_blocks/sum_file_blocks),0)) - ",
        "             max(iif(spaces.check_date = Fecha_28,int(100*sum_free_blocks/sum_file_blocks),0))), ",
        "         max(iif(spaces.check_date = Fecha,int(100*sum_free_blocks/sum_file_blocks),0))",
    };
}

std::vector<std::string> piezasAlertaExtents()
{
    return {
        "select extents.db_nm as db_nm, ",
        "       extents.ts as ts, ",
        "       extents.seg_owner as seg_owner, ",
        "       extents.seg_name as seg_name, ",
        "       extents.seg_type as seg_type, ",
        "       max(iif(extents.check_date = Fecha, blocks, 0)) as bloques,",
        "       max(iif(extents.check_date = Fecha_28, extents, 0)) as sem4,",
        "       max(iif(extents.check_date = Fecha_21, extents, 0)) as sem3,",
        "       max(iif(extents.check_date = Fecha_14, extents, 0)) as sem2,",
        "       max(iif(extents.check_date = Fecha_7, extents, 0)) as sem1,",
        "       max(iif(extents.check_date = Fecha, extents, 0)) as actual,",
        "       max(iif(extents.check_date = Fecha, extents, 0)) - ",
        "       max(iif(extents.check_date = Fecha_28, extents, 0)) as cambios ",
        "from extents ",
        "group by extents.db_nm, ",
        "         extents.ts, ",
        "         extents.seg_owner, ",
        "         extents.seg_name, ",
        "         extents.seg_type ",
        "order by extents.db_nm, extents.ts,",
        "       iif(max(iif(extents.check_date = Fecha, extents, 0)) - ",
        "           max(iif(extents.check_date = Fecha_28, extents, 0))=0,",
        "           -9999,",
        "           max(iif(extents.check_date = Fecha, extents, 0)) -",
        "           max(iif(extents.check_date = Fecha_28, extents, 0))) desc,",
        "       max(iif(extents.check_date = Fecha, extents, 0)) desc",
    };
}

std::vector<ConsultaGuardada> consultas()
{
    return {{"FILES_TS_VIEW", unir(piezasFilesTsView())},
            {"ALERTA_TABLESPACE", unir(piezasAlertaTablespace())},
            {"ALERTA_EXTENTS", unir(piezasAlertaExtents())}};
}

void iniciarRepositorio(shell::AppContext &ctx)
{
    shell::GuardedOperation op(ctx);
    op.step([&] { shell::Cursor_Ocupado(ctx); });
    auto db = [&]() -> Database & {
        if (!ctx.repository)
            shell::Err_Raise(shell::kErrObjectNotSet, "The repository is not open.");
        return *ctx.repository;
    };
    for (const TableDef &def : tablas()) {
        op.step([&] { db().TableDefsDelete(def.Name); });
        op.step([&] { db().TableDefsAppend(def); });
    }
    for (const auto &q : consultas()) {
        op.step([&] { db().CreateQueryDef(q.nombre, q.texto); });
        op.step([&] { shell::Cursor_Ocupado(ctx); });
    }
    op.finish();
}

} // namespace repository
