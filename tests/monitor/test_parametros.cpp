// Instance Parameters: the listing with its type names, and printing through the
// report-printing procedure into the repository table PARAMETROS.
#include "parametros.h"
#include "windowtest.h"

#include "errores.h"
#include "prompts.h"
#include "resultgrid.h"

#include <QPushButton>
#include <QTest>

using harness::WindowTest;

namespace {

const char *const kQuery = "select num, name, type, nvl(value,'Null') value, isdefault from v$parameter order by name";

struct Stored {
    std::string db, nombre, tipo, valor, defecto, fecha;
    long long numero = 0;
};

std::vector<Stored> stored(WindowTest &t)
{
    std::vector<Stored> out;
    auto rs = t.ctx.repository->OpenRecordset("PARAMETROS");
    for (; !rs->IsEOF(); rs->MoveNext())
        out.push_back({rs->Field("DB_NM").toString(), rs->Field("NOMBRE").toString(), rs->Field("TIPO").toString(),
                       rs->Field("VALOR").toString(), rs->Field("POR_DEFECTO").toString(),
                       rs->Field("CHECK_DATE").toString(), rs->Field("NUMERO").toInt()});
    return out;
}

int rowOf(QWidget *w, const QString &name)
{
    for (int r = 1; r < WindowTest::rows(w, "LParametros"); ++r)
        if (WindowTest::cell(w, "LParametros", r, 2) == name)
            return r;
    return -1;
}

} // namespace

class ParametrosTest : public QObject {
    Q_OBJECT
private slots:
    void listsTheParametersWithTheirTypes();
    void typeAboveFourAnsweredIgnore();
    void printStoresTheGridAndShowsThePreview();
    void printsASingleRowAndAnEmptyGrid();
    void withoutConnectionNothingIsSent();
};

void ParametrosTest::listsTheParametersWithTheirTypes()
{
    WindowTest t;
    auto *w = t.open<monitor::Parametros>();
    QVERIFY(w->width() >= 800 && w->height() >= 500);
    QCOMPARE(w->Grabar_Parametros->text(), QString("&Save"));
    QCOMPARE(WindowTest::cell(w, "LParametros", 0, 2), QString("Nombre de Variable"));
    QCOMPARE(WindowTest::cell(w, "LParametros", 0, 5), QString("Por defecto?"));
    t.prompts.answerAlways(shell::vbIgnore);          // the eight parameters of type 6 (big integer)
    t.click(w, "GParametros");
    QCOMPARE(t.statements(), std::vector<std::string>{kQuery});
    QVERIFY2(t.prompts.count() == 8, t.prompts.log().c_str());
    QCOMPARE(WindowTest::rows(w, "LParametros"), 64);              // header + 63 parameters, by name
    QCOMPARE(WindowTest::cell(w, "LParametros", 1, 0), QString("1"));
    QVERIFY(WindowTest::cell(w, "LParametros", 1, 2) < WindowTest::cell(w, "LParametros", 2, 2));

    const int timed = rowOf(w, "timed_statistics");                // type 1
    QVERIFY(timed > 0);
    QCOMPARE(WindowTest::cell(w, "LParametros", timed, 1), QString("18"));
    QCOMPARE(WindowTest::cell(w, "LParametros", timed, 3), QString("Log"));
    QCOMPARE(WindowTest::cell(w, "LParametros", timed, 4), QString("TRUE"));
    QCOMPARE(WindowTest::cell(w, "LParametros", timed, 5), QString("FALSE"));
    const int undo = rowOf(w, "undo_tablespace");                  // type 2, no value
    QCOMPARE(WindowTest::cell(w, "LParametros", undo, 3), QString("Car"));
    QCOMPARE(WindowTest::cell(w, "LParametros", undo, 4), QString("Null"));
    QCOMPARE(WindowTest::cell(w, "LParametros", rowOf(w, "processes"), 3), QString("Num"));
    QCOMPARE(WindowTest::cell(w, "LParametros", rowOf(w, "ifile"), 3), QString("Fec"));
}

void ParametrosTest::typeAboveFourAnsweredIgnore()
{
    WindowTest t;
    t.serverScript("delete from sys.x$parameter where type = 6 and name <> 'shared_pool_size'");
    auto *w = t.open<monitor::Parametros>();
    t.prompts.answer(shell::vbIgnore);
    t.click(w, "GParametros");
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().title, std::string("Error de Ejecución:9"));
    const int r = rowOf(w, "shared_pool_size");
    QVERIFY(r > 0);
    QCOMPARE(WindowTest::cell(w, "LParametros", r, 1), QString("47"));
    QCOMPARE(WindowTest::cell(w, "LParametros", r, 3), QString());                // type left empty
    QCOMPARE(WindowTest::cell(w, "LParametros", r, 4), QString("100663296"));     // the value still read
    QCOMPARE(WindowTest::rows(w, "LParametros"), 57);                       // and the rows after it

    t.prompts.answer(shell::vbAbort);                                       // Abort ends the listing there
    t.click(w, "GParametros");
    const int last = WindowTest::rows(w, "LParametros") - 1;             // the row it stopped on is the last
    QCOMPARE(rowOf(w, "shared_pool_size"), last);
    QCOMPARE(WindowTest::cell(w, "LParametros", last, 4), QString());
    QCOMPARE(t.ctx.pointer.code(), 0);
}

void ParametrosTest::printStoresTheGridAndShowsThePreview()
{
    WindowTest t;
    t.ctx.slotTable[t.ctx.slotTable.current].SERVIDOR = "Demo";
    t.serverScript("delete from sys.x$parameter where type = 6");
    auto *w = t.open<monitor::Parametros>();
    t.click(w, "GParametros");
    t.click(w, "Imprimir_Parametros");
    QVERIFY2(t.prompts.count() == 1, t.prompts.log().c_str());
    QCOMPARE(t.prompts.last().dialogName, std::string("ReportPreview"));
    auto rows = stored(t);
    QCOMPARE(rows.size(), 55u);
    const int timed = rowOf(w, "timed_statistics");
    const Stored *s = nullptr;
    for (const auto &r : rows)
        if (r.nombre == "timed_statistics")
            s = &r;
    QVERIFY(s);
    QCOMPARE(s->db, std::string("DEMO"));                                   // upper-cased server name
    QCOMPARE(s->numero, 18LL);
    QCOMPARE(s->tipo, std::string("Log"));
    QCOMPARE(s->valor, WindowTest::cell(w, "LParametros", timed, 4).toStdString());
    QCOMPARE(s->defecto, std::string("FALSE"));
    QCOMPARE(s->fecha, std::string());                                      // CHECK_DATE left empty

    // A second print after a shorter listing leaves only its own rows.
    t.serverScript("delete from sys.x$parameter where num > 100");
    t.click(w, "GParametros");
    const int second = WindowTest::rows(w, "LParametros") - 1;
    QVERIFY(second > 1 && second < 55);
    t.click(w, "Imprimir_Parametros");
    rows = stored(t);
    QCOMPARE(static_cast<int>(rows.size()), second);
    for (const auto &r : rows)
        QVERIFY(r.numero <= 100);
}

void ParametrosTest::printsASingleRowAndAnEmptyGrid()
{
    WindowTest t;
    auto *w = t.open<monitor::Parametros>();
    // One parameter listed prints that parameter (not an empty report).
    w->LParametros->grid()->addRow({"12", "processes", "Num", "150", "FALSE"});
    t.click(w, "Imprimir_Parametros");
    auto rows = stored(t);
    QCOMPARE(rows.size(), 1u);
    QCOMPARE(rows[0].nombre, std::string("processes"));
    QCOMPARE(rows[0].numero, 12LL);
    // Only the blank row: the table is emptied and the report still shown.
    w->LParametros->grid()->reset();
    t.click(w, "Imprimir_Parametros");
    QVERIFY(stored(t).empty());
    QCOMPARE(t.prompts.count(), 2u);
    QCOMPARE(t.prompts.last().dialogName, std::string("ReportPreview"));

    // A missing report file reaches the error dialog after the rows are stored.
    std::remove((t.dir + "parametr.rpt").c_str());
    w->LParametros->grid()->addRow({"12", "processes", "Num", "150", "FALSE"});
    t.prompts.answer(shell::vbIgnore);
    t.click(w, "Imprimir_Parametros");
    QCOMPARE(t.prompts.last().title, std::string("Error de Ejecución:20504"));
    QCOMPARE(stored(t).size(), 1u);
    QCOMPARE(t.ctx.pointer.code(), 0);
}

void ParametrosTest::withoutConnectionNothingIsSent()
{
    harness::Options o;
    o.connect = false;
    WindowTest t(o);
    auto *w = t.open<monitor::Parametros>();
    w->LParametros->grid()->addRow({"12", "processes", "Num", "150", "FALSE"});
    t.click(w, "GParametros");
    QVERIFY(t.statements().empty());
    QCOMPARE(WindowTest::rows(w, "LParametros"), 2);
    QCOMPARE(WindowTest::cell(w, "LParametros", 1, 2), QString());
    QCOMPARE(t.prompts.count(), 0u);
}

QTEST_MAIN(ParametrosTest)
#include "test_parametros.moc"
