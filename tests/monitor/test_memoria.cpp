// The Memory and Memoria por Sesiones windows: the tuning block with its seven
// parameters, the figures rounded to two decimals, the advice lines at their
// boundaries and from unrounded values, the four detail grids against the
// simulated instance, a failing block answered Ignore or Abort, and the shared
// area estimate for a sample session.
#include "memoria.h"
#include "memsesion.h"
#include "windowtest.h"

#include "scriptedconnection.h"
#include "testing.h"

#include "prompts.h"
#include "resultgrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTextEdit>

using harness::WindowTest;
using monitor::MemSesion;
using monitor::Memoria;
using monitortest::num;

namespace {

const std::vector<std::string> kGridSql = {
    "select sum(pins) pins, sum(reloads) reloads, round(sum(reloads)/(sum(pins)+sum(reloads))*100,4) percentage "
    "from v$librarycache",
    "select unique parameter, gets, getmisses, round(getmisses/(gets+getmisses)*100,4) percentage from v$rowcache "
    "where gets+getmisses <> 0",
    "select name, sum(gets) wtw_gets, sum(misses) wtw_misses, sum(immediate_gets) imm_gets, "
    "sum(immediate_misses) imm_misses from v$latch group by name order by name",
    "select name, value from v$sysstat where name like '%sort%'",
};

const char *const kLib = "Warning: Library Cache too low! Increase the Shared Pool Size.\n";
const char *const kRow = "Warning: Row Cache too low! Increase the Shared Pool Size.\n";
const char *const kBuf = "Warning: Buffer Cache too low! Increase the DB Block Buffer value.\n";
const char *const kLog = "Warning: Log Buffer value is rather low!.\n";

QString label(QWidget *w, const char *name)
{
    return WindowTest::child(w, name)->property("text").toString();
}

QString advice(Memoria *w)
{
    return w->Mem_Comentarios->toPlainText();
}

// Replaces the current slot's connection with a scripted one whose tuning
// block answers `outputs`.
monitortest::ScriptedConnection *scripted(WindowTest &t, std::map<std::string, access::OraValue> outputs)
{
    auto *conn = new monitortest::ScriptedConnection;
    conn->outputs = std::move(outputs);
    t.ctx.slotTable.connection(1) = std::make_unique<access::OraDatabase>(
        std::unique_ptr<access::DriverConnection>(conn), "scripted", "SYSTEM");
    return conn;
}

std::map<std::string, access::OraValue> figures(double lib, double row, double buf, double red)
{
    return {{"LIBCAC", num(lib)},        {"ROWCAC", num(row)},  {"BUFCAC", num(buf)},   {"REDLOG", num(red)},
            {"SPSIZE", num(100663296)}, {"BLKBUF", num(4096)}, {"LOGBUF", num(524288)}};
}

int rowOf(shell::ResultGrid *grid, int col, const QString &text)
{
    for (int r = 1; r < grid->grid()->rows(); ++r)
        if (grid->grid()->text(r, col) == text)
            return r;
    return 0;
}

} // namespace

class MemoriaTest : public QObject {
    Q_OBJECT
private slots:
    void adviceLinesAtTheirBoundaries();
    void tuningBlockParametersAndRoundedFigures();
    void refreshAgainstTheSimulatedInstance();
    void failingBlockAnsweredIgnoreOrAbort();
    void disconnectedServerOnlyResetsTheGrids();
    void sessionListAndSharedAreaEstimate();
    void estimateRefusesBadInput();
};

void MemoriaTest::adviceLinesAtTheirBoundaries()
{
    using monitor::Consejos_Memoria;
    using F = monitor::Figuras_Tuning;
    // Exactly at the limits: no advice.
    QCOMPARE(Consejos_Memoria(F{99.0, 85.0, 90.0, 100.0, 0, 0, 0}), std::string());
    // All four out of range: four lines, library, row, buffer, log buffer.
    QCOMPARE(Consejos_Memoria(F{98.99, 84.99, 89.99, 100.01, 0, 0, 0}),
             std::string(kLib) + kRow + kBuf + kLog);
    // Each on its own.
    QCOMPARE(Consejos_Memoria(F{98.999, 85.0, 90.0, 100.0, 0, 0, 0}), std::string(kLib));
    QCOMPARE(Consejos_Memoria(F{99.0, 85.0, 89.999, 100.0, 0, 0, 0}), std::string(kBuf));
    QCOMPARE(Consejos_Memoria(F{99.0, 85.0, 90.0, 101.0, 0, 0, 0}), std::string(kLog));
    // Figures that were never measured give nothing.
    QCOMPARE(Consejos_Memoria(F{}), std::string());
}

void MemoriaTest::tuningBlockParametersAndRoundedFigures()
{
    WindowTest t;
    // 84.996 shows as "85" but is below 85: the row cache line appears.
    auto *conn = scripted(t, figures(99.8694, 84.996, 92.4949, 100.004));
    auto *w = t.open<Memoria>();
    t.click(w, "GMemoria");
    QCOMPARE(t.prompts.count(), 0u);

    std::vector<std::string> expected{t.ctx.bloques.Bloque_Tuning};
    expected.insert(expected.end(), kGridSql.begin(), kGridSql.end());
    QCOMPARE(*conn->sent, expected);
    // Seven output number parameters, initial value 0, in their order.
    QCOMPARE(conn->blockBinds.size(), 1u);
    const auto &binds = conn->blockBinds[0];
    QCOMPARE(binds.size(), 7u);
    const char *order[] = {"LIBCAC", "ROWCAC", "BUFCAC", "REDLOG", "SPSIZE", "BLKBUF", "LOGBUF"};
    for (size_t i = 0; i < 7; ++i) {
        QCOMPARE(binds[i].name, std::string(order[i]));
        QCOMPARE(binds[i].serverType, 2);
        QCOMPARE(binds[i].value.toDouble(), 0.0);
        QVERIFY(!binds[i].value.isNull());
    }
    QVERIFY(t.ctx.slotTable.connection(1)->Parameters().binds().empty());

    QCOMPARE(label(w, "marco_libcac"), QString("99.87"));
    QCOMPARE(label(w, "marco_rowcac"), QString("85"));
    QCOMPARE(label(w, "marco_bufcac"), QString("92.49"));
    QCOMPARE(label(w, "marco_redlog"), QString("100"));
    QCOMPARE(label(w, "marco_spsize"), QString("100663296"));
    QCOMPARE(label(w, "marco_blkbuf"), QString("4096"));
    QCOMPARE(label(w, "marco_logbuf"), QString("524288"));
    // Unrounded: 84.996 < 85 and 100.004 > 100, though both read as the limit.
    QCOMPARE(advice(w), QString(kRow) + kLog);
    // The buffer cache grid: the buffers and their hit rate.
    QCOMPARE(t.cell(w, "LMemcacbuffdb", 1, 1), QString("4096"));
    QCOMPARE(t.cell(w, "LMemcacbuffdb", 1, 2), QString("92.49"));

    // A second refresh starts from an empty advice box and a clean collection.
    conn->outputs = figures(99.5, 97, 95, 3);
    t.click(w, "GMemoria");
    QCOMPARE(advice(w), QString());
    QCOMPARE(conn->blockBinds.size(), 2u);
    QCOMPARE(conn->blockBinds[1].size(), 7u);
    QCOMPARE(label(w, "marco_redlog"), QString("3"));
}

void MemoriaTest::refreshAgainstTheSimulatedInstance()
{
    WindowTest t;
    auto *w = t.open<Memoria>();
    t.click(w, "GMemoria");
    QVERIFY2(t.prompts.count() == 0, t.prompts.log().c_str());
    std::vector<std::string> expected{t.ctx.bloques.Bloque_Tuning};
    expected.insert(expected.end(), kGridSql.begin(), kGridSql.end());
    QCOMPARE(t.statements(), expected);
    QCOMPARE(t.ctx.pointer.code(), 0);

    // The instance's settings, and ratios as the scenario has them: only the
    // redo log space requests are out of range.
    QCOMPARE(label(w, "marco_spsize"), QString("100663296"));
    QCOMPARE(label(w, "marco_blkbuf"), QString("4096"));
    QCOMPARE(label(w, "marco_logbuf"), QString("524288"));
    const double lib = label(w, "marco_libcac").toDouble();
    QVERIFY2(lib > 99 && lib < 100, qPrintable(label(w, "marco_libcac")));
    QVERIFY(label(w, "marco_libcac").section('.', 1).size() <= 2);
    QVERIFY(label(w, "marco_rowcac").toDouble() > 85);
    QVERIFY(label(w, "marco_bufcac").toDouble() > 90);
    QVERIFY(label(w, "marco_redlog").toDouble() > 100);
    QCOMPARE(advice(w), QString(kLog));

    // Library cache: one row with the sums.
    QCOMPARE(t.rows(w, "LMemcacbib"), 2);
    QCOMPARE(t.cell(w, "LMemcacbib", 1, 0), QString("1"));
    QVERIFY(t.cell(w, "LMemcacbib", 1, 1).toLongLong() > t.cell(w, "LMemcacbib", 1, 2).toLongLong());
    // Dictionary cache: the parameters never used are not listed.
    QCOMPARE(t.rows(w, "LMemcacdic"), 17);
    QCOMPARE(rowOf(w->LMemcacdic, 1, "dc_files"), 0);
    QCOMPARE(rowOf(w->LMemcacdic, 1, "dc_global_oids"), 0);
    const int seq = rowOf(w->LMemcacdic, 1, "dc_sequences");
    QVERIFY(seq > 0);
    QVERIFY(t.cell(w, "LMemcacdic", seq, 4).toDouble() > 10);
    // Latches in name order, some with misses.
    QVERIFY(t.rows(w, "LMemcacbuffra") > 20);
    const int chains = rowOf(w->LMemcacbuffra, 1, "cache buffers chains");
    QVERIFY(chains > 0);
    QVERIFY(t.cell(w, "LMemcacbuffra", chains, 3).toLongLong() > 0);
    QVERIFY(t.cell(w, "LMemcacbuffra", chains, 5).toLongLong() > 0);
    for (int r = 2; r < t.rows(w, "LMemcacbuffra"); ++r)
        QVERIFY(t.cell(w, "LMemcacbuffra", r - 1, 1) <= t.cell(w, "LMemcacbuffra", r, 1));
    // The three sort statistics.
    QCOMPARE(t.rows(w, "LSortAreaSize"), 4);
    QVERIFY(rowOf(w->LSortAreaSize, 1, "sorts (disk)") > 0);

    // A refresh replaces the rows instead of adding to them.
    t.click(w, "GMemoria");
    QCOMPARE(t.rows(w, "LMemcacdic"), 17);
    QCOMPARE(t.rows(w, "LMemcacbib"), 2);
}

void MemoriaTest::failingBlockAnsweredIgnoreOrAbort()
{
    {
        // Ignore: the labels show the zeros the parameters started with, no
        // advice comes from them, the grids are filled, the parameters are gone.
        WindowTest t;
        auto *w = t.open<Memoria>();
        t.failNext("BEGIN ", 6550, "ORA-06550: line 1, column 7: PLS-00201");
        t.prompts.answer(shell::vbIgnore);
        t.click(w, "GMemoria");
        QCOMPARE(t.prompts.count(), 1u);
        QCOMPARE(t.prompts.last().title, std::string("Error de Ejecución:440"));
        for (const char *name : {"marco_libcac", "marco_rowcac", "marco_bufcac", "marco_redlog", "marco_spsize",
                                 "marco_blkbuf", "marco_logbuf"})
            QCOMPARE(label(w, name), QString("0"));
        QCOMPARE(advice(w), QString());
        QCOMPARE(t.cell(w, "LMemcacbuffdb", 1, 1), QString());
        QCOMPARE(t.statements().size(), 5u);
        QVERIFY(t.rows(w, "LMemcacbuffra") > 20);
        QVERIFY(t.ctx.slotTable.connection(1)->Parameters().binds().empty());
        QCOMPARE(t.ctx.pointer.code(), 0);
    }
    {
        // Abort ends the refresh; the parameters still leave the collection.
        WindowTest t;
        auto *w = t.open<Memoria>();
        t.failNext("BEGIN ", 1555, "ORA-01555: snapshot too old: rollback segment number 2 with name \"RBS1\" too small");
        t.prompts.answer(shell::vbAbort);
        t.click(w, "GMemoria");
        QCOMPARE(t.statements().size(), 1u);
        QCOMPARE(label(w, "marco_libcac"), QString());
        QVERIFY(t.ctx.slotTable.connection(1)->Parameters().binds().empty());
        QCOMPARE(t.rows(w, "LMemcacdic"), 2);
        QCOMPARE(t.ctx.pointer.code(), 0);
        // Retry on the next refresh runs the block again and fills everything.
        t.clearStatements();
        t.failNext("v$rowcache where", 942, "ORA-00942: table or view does not exist");
        t.prompts.answer(shell::vbRetry);
        t.click(w, "GMemoria");
        QCOMPARE(t.statements().size(), 6u);
        QCOMPARE(t.rows(w, "LMemcacdic"), 17);
        QCOMPARE(advice(w), QString(kLog));
    }
}

void MemoriaTest::disconnectedServerOnlyResetsTheGrids()
{
    harness::Options o;
    o.connect = false;
    WindowTest t(o);
    auto *w = t.open<Memoria>();
    w->LMemcacdic->grid()->addRow({"x", "1", "2", "3"});
    w->marco_libcac->setText("55");
    t.click(w, "GMemoria");
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(t.rows(w, "LMemcacdic"), 2);
    QCOMPARE(t.cell(w, "LMemcacdic", 1, 1), QString());
    QCOMPARE(label(w, "marco_libcac"), QString("55"));
    QCOMPARE(t.ctx.pointer.code(), 0);
}

void MemoriaTest::sessionListAndSharedAreaEstimate()
{
    WindowTest t;
    auto *w = t.open<MemSesion>();
    QCOMPARE(t.statements(),
             std::vector<std::string>{
                 "select sid, serial#, nvl(username,'Null') username from v$session order by username"});
    QCOMPARE(t.prompts.count(), 0u);
    auto *list = w->MMSesiones_Activas;
    QVERIFY(list->count() > 25);
    QCOMPARE(list->item(0)->text(), QString("DBSNMP Sid:132 Serial#:3"));
    QCOMPARE(list->item(1)->text(), QString("DBSNMP Sid:149 Serial#:5"));
    QCOMPARE(list->findItems("Null Sid:1 Serial#:1", Qt::MatchExactly).size(), 1);
    QCOMPARE(label(w, "Numero_Sesiones"), QString::number(list->count()));

    const auto items = list->findItems("VENTAS Sid:135 Serial#:1209", Qt::MatchExactly);
    QCOMPARE(items.size(), 1);
    list->setCurrentItem(items[0]);
    QCOMPARE(label(w, "Sesion_Muestra"), QString("Sid:135 Serial#:1209"));
    QCOMPARE(label(w, "Usuario_Oracle"), QString("VENTAS"));
    t.setText(w, "Numero_Usuarios", "100");
    t.clearStatements();
    t.click(w, "GArea_SPS");
    QVERIFY2(t.prompts.count() == 0, t.prompts.log().c_str());
    const auto sent = t.statements();
    QCOMPARE(sent.size(), 3u);
    QCOMPARE(sent[0], std::string("select st.value from v$sesstat st, v$statname n, v$session s where n.statistic# "
                                  "= st.statistic# and n.name = 'session uga memory max' and st.sid = s.sid and "
                                  "s.sid = 135 and s.serial# = 1209"));
    QCOMPARE(sent[1],
             std::string("select sum(bytes) bytes from v$sgastat where pool = 'shared pool' and name <> 'free memory'"));
    QCOMPARE(sent[2], std::string("select value from v$parameter where name = 'shared_pool_size'"));
    // UGA max of the sample 210000 bytes; 100 users; 85983232 bytes of the
    // 96 MB shared pool in use; (85983232 + 21000000) / 0.7 with 30 % free.
    QCOMPARE(label(w, "Memoria_Usuario"), QString("210000 bytes (0.2 MB)"));
    QCOMPARE(label(w, "Requisito_Memoria"), QString("21000000 bytes (20.03 MB)"));
    QCOMPARE(label(w, "Tamano_Base_Area"), QString("85983232 bytes (82 MB)"));
    QCOMPARE(label(w, "Tamano_Shared_Pool"), QString("100663296 bytes (96 MB)"));
    QCOMPARE(label(w, "Tamano_Area_Estimada"), QString("106983232 bytes (102.03 MB)"));
    QCOMPARE(label(w, "Tamano_Area_Libre"), QString("152833189 bytes (145.75 MB)"));
    QCOMPARE(t.ctx.pointer.code(), 0);

    // The sample session has gone (its serial number changed): said so, no estimate.
    t.serverScript("UPDATE SYS.X$SESSION SET SERIAL# = 1300 WHERE SID = 135");
    t.click(w, "GArea_SPS");
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().text,
             std::string("La Sesion de Muestra Sid:135 Serial#:1209 ya no está conectada: elija otra."));
    QCOMPARE(label(w, "Memoria_Usuario"), QString());
    QCOMPARE(label(w, "Tamano_Area_Libre"), QString());
}

void MemoriaTest::estimateRefusesBadInput()
{
    WindowTest t;
    auto *w = t.open<MemSesion>();
    t.clearStatements();
    // No sample session chosen yet.
    t.click(w, "GArea_SPS");
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().text, std::string("Elija en la lista la Sesion de Muestra."));
    QCOMPARE(t.prompts.last().title, std::string("Memoria por Sesiones"));
    w->MMSesiones_Activas->setCurrentRow(0);
    for (const char *bad : {"", "abc", "0", "-5", "2.5", "99999999999"}) {
        t.prompts.clear();
        t.setText(w, "Numero_Usuarios", bad);
        t.click(w, "GArea_SPS");
        QCOMPARE(t.prompts.count(), 1u);
        QCOMPARE(t.prompts.last().text, std::string("Numero de Usuarios debe ser un número entero entre 1 y 1000000."));
    }
    QVERIFY(t.statements().empty());
    QCOMPARE(label(w, "Requisito_Memoria"), QString());

    // Disconnected: an empty list, nothing sent.
    harness::Options o;
    o.connect = false;
    WindowTest d(o);
    auto *w2 = d.open<MemSesion>();
    QCOMPARE(w2->MMSesiones_Activas->count(), 0);
    d.click(w2, "GArea_SPS");
    QCOMPARE(d.prompts.count(), 0u);
    QCOMPARE(d.ctx.pointer.code(), 0);
}

QTEST_MAIN(MemoriaTest)
#include "test_memoria.moc"
