// I/O Meter and Data Files I/O: the weight queries, the disk prefix and its
// checks, no I/O at all, printing into PESOS_IO, and the chart's timer, interval
// and ten points.
#include "fmpesosio.h"
#include "parametros.h"
#include "pesos_io.h"
#include "windowtest.h"

#include "prompts.h"
#include "resultgrid.h"

#include <QChart>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using harness::WindowTest;

namespace {

std::string mainQuery(const std::string &len, const std::string &weight)
{
    return "select substr(i.name,0," + len +
           ") disco, i.name nombre_datafile, x.phyrds total_lecturas, x.phywrts total_escrituras, "
           "x.phyrds+x.phywrts total_lec_esc, " +
           weight +
           " Porcentaje_Lec_Esc from v$filestat x,sys.ts$ ts,v$datafile i,sys.file$ f where i.file#=f.file# and "
           "ts.ts#=f.ts# and x.file#=f.file# order by 5 desc";
}

int rows(QWidget *w)
{
    return WindowTest::rows(w, "LPesosIO");
}

QString cell(QWidget *w, int r, int c)
{
    return WindowTest::cell(w, "LPesosIO", r, c);
}

} // namespace

class PesosIOTest : public QObject {
    Q_OBJECT
private slots:
    void weightsRelativeToTheBusiestFile();
    void diskLengthChecked();
    void noIoSinceStartUp();
    void printStoresEveryRow();
    void chartOfTheTenBusiest();
    void intervalAndTimer();
    void openAtTheirSizeInTheWorkspace();
};

// In the main window's workspace a window opens at the size that shows its data.
void PesosIOTest::openAtTheirSizeInTheWorkspace()
{
    WindowTest t;
    QMdiArea area;
    area.resize(1400, 900);
    area.show();
    for (QWidget *w : std::initializer_list<QWidget *>{new monitor::Parametros(t.ctx), new monitor::PesosIO(t.ctx),
                                                       new monitor::FmPesosIO(t.ctx)}) {
        QMdiSubWindow *sub = area.addSubWindow(w);
        sub->show();
        QVERIFY2(w->width() >= 800 && w->height() >= 450, qPrintable(w->objectName()));
    }
}

void PesosIOTest::weightsRelativeToTheBusiestFile()
{
    WindowTest t;
    auto *w = t.open<monitor::PesosIO>();
    QVERIFY(w->width() >= 850 && w->height() >= 450);
    QCOMPARE(w->Longitud_de_Discos->text(), QString("5"));
    t.click(w, "GPesos_IO");
    QVERIFY2(t.prompts.count() == 0, t.prompts.log().c_str());
    const auto sent = t.statements();
    QCOMPARE(sent.size(), 2u);
    QCOMPARE(sent[0], std::string(monitor::kConsultaMaximo));
    QVERIFY(sent[1].find("round(100*(x.phyrds+x.phywrts)/") != std::string::npos);
    const std::string m = sent[1].substr(sent[1].find(")/") + 2, sent[1].find(",2)") - sent[1].find(")/") - 2);
    QCOMPARE(sent[1], mainQuery("5", "round(100*(x.phyrds+x.phywrts)/" + m + ",2)"));
    QCOMPARE(rows(w), 9);                                     // eight datafiles
    QCOMPARE(cell(w, 0, 6), QString("% Lec/Esc"));
    QCOMPARE(cell(w, 1, 0), QString("1"));
    QCOMPARE(cell(w, 1, 5), QString::fromStdString(m));       // the busiest file carries M ...
    QCOMPARE(cell(w, 1, 6), QString("100"));                  // ... and weight 100
    for (int r = 1; r < rows(w); ++r) {
        QCOMPARE(cell(w, r, 1), cell(w, r, 2).left(5));
        QCOMPARE(cell(w, r, 3).toLongLong() + cell(w, r, 4).toLongLong(), cell(w, r, 5).toLongLong());
        if (r > 1)
            QVERIFY(cell(w, r, 5).toLongLong() <= cell(w, r - 1, 5).toLongLong());
    }
}

void PesosIOTest::diskLengthChecked()
{
    WindowTest t;
    auto *w = t.open<monitor::PesosIO>();
    // Three characters: "/u02/..." and "/u03/..." fall on the same disk "/u0".
    t.setText(w, "Longitud_de_Discos", " 3 ");
    t.click(w, "GPesos_IO");
    QVERIFY(t.statements().back().rfind("select substr(i.name,0,3) disco", 0) == 0);
    for (int r = 1; r < rows(w); ++r)
        QCOMPARE(cell(w, r, 1), QString("/u0"));
    for (const char *bad : {"", "abc", "0", "514", "5); drop table x --", "-2", "2.5"}) {
        t.clearStatements();
        t.prompts.clear();
        t.setText(w, "Longitud_de_Discos", bad);
        t.click(w, "GPesos_IO");
        QVERIFY2(t.statements().empty(), bad);
        QCOMPARE(t.prompts.count(), 1u);
        QCOMPARE(t.prompts.last().text, std::string("The disk name length must be a whole number from 1 to 513."));
        QCOMPARE(rows(w), 2);                                 // the grid reset, nothing listed
    }
    t.setText(w, "Longitud_de_Discos", "513");
    t.click(w, "GPesos_IO");
    QCOMPARE(rows(w), 9);
}

void PesosIOTest::noIoSinceStartUp()
{
    WindowTest t;
    t.serverScript("update sys.x$datafile set phyrds = 0, phywrts = 0");
    auto *w = t.open<monitor::PesosIO>();
    t.click(w, "GPesos_IO");
    QVERIFY2(t.prompts.count() == 0, t.prompts.log().c_str());
    QCOMPARE(t.statements().back(), mainQuery("5", "0"));
    QCOMPARE(rows(w), 9);
    for (int r = 1; r < rows(w); ++r)
        QCOMPARE(cell(w, r, 6), QString("0"));
    QCOMPARE(monitor::Expresion_Peso("0"), std::string("0"));
    QCOMPARE(monitor::Expresion_Peso("1234"), std::string("round(100*(x.phyrds+x.phywrts)/1234,2)"));
}

void PesosIOTest::printStoresEveryRow()
{
    WindowTest t;
    t.ctx.slotTable[t.ctx.slotTable.current].SERVIDOR = "demo";
    auto *w = t.open<monitor::PesosIO>();
    t.click(w, "GPesos_IO");
    t.click(w, "Imprimir_Pesos_I_O");
    QCOMPARE(t.prompts.last().dialogName, std::string("ReportPreview"));
    auto rs = t.ctx.repository->OpenRecordset("SELECT * FROM PESOS_IO ORDER BY TOTAL_LE DESC");
    QCOMPARE(rs->RecordCount(), 8L);
    QCOMPARE(rs->Field("DB_NM").toString(), std::string("DEMO"));
    QCOMPARE(rs->Field("TS").toString(), std::string("SQL*VIGIL"));
    QCOMPARE(rs->Field("CHECK_DATE").toString(), localdb::Value::today().toString());
    QCOMPARE(rs->Field("DISCOS").toString(), cell(w, 1, 1).toStdString());
    QCOMPARE(rs->Field("DATAFILES").toString(), cell(w, 1, 2).toStdString());
    QCOMPARE(rs->Field("LECTURAS").toInt(), cell(w, 1, 3).toLongLong());
    QCOMPARE(rs->Field("ESCRITURAS").toInt(), cell(w, 1, 4).toLongLong());
    QCOMPARE(rs->Field("TOTAL_LE").toInt(), cell(w, 1, 5).toLongLong());
    QCOMPARE(rs->Field("PORCENTAJE_LE").toDouble(), 100.0);
    rs->MoveLast();
    QCOMPARE(rs->Field("PORCENTAJE_LE").toDouble(), cell(w, 8, 6).toDouble());

    // A database with one datafile prints that datafile.
    t.serverScript("delete from sys.x$datafile where file# > 1");
    t.click(w, "GPesos_IO");
    QCOMPARE(rows(w), 2);
    t.click(w, "Imprimir_Pesos_I_O");
    QCOMPARE(t.ctx.repository->OpenRecordset("PESOS_IO")->RecordCount(), 1L);
}

void PesosIOTest::chartOfTheTenBusiest()
{
    QCOMPARE(monitor::Nombre_Archivo("/u02/oradata/ORCL/system01.dbf"), std::string("system01.dbf"));
    QCOMPARE(monitor::Nombre_Archivo("C:\\ORANT\\DATABASE\\USR1ORCL.ORA"), std::string("USR1ORCL.ORA"));
    QCOMPARE(monitor::Nombre_Archivo("mixed\\dir/file.dbf"), std::string("file.dbf"));
    QCOMPARE(monitor::Nombre_Archivo("nofolder.dbf"), std::string());
    QCOMPARE(monitor::Nombre_Archivo("/u02/"), std::string());

    WindowTest t;
    auto *io = t.open<monitor::PesosIO>();
    t.click(io, "AMPesosIO");
    monitor::FmPesosIO *w = io->grafico();
    QVERIFY(w);
    t.click(io, "AMPesosIO");                                // one chart window only
    QCOMPARE(io->grafico(), w);
    QVERIFY(w->width() >= 700 && w->height() >= 400);
    QVERIFY(!w->Tomar_Muestras->isActive());
    t.clearStatements();
    w->Tomar_Muestras_Timer();
    QVERIFY2(t.prompts.count() == 0, t.prompts.log().c_str());
    const auto sent = t.statements();
    QCOMPARE(sent.size(), 2u);
    QCOMPARE(sent[0], std::string(monitor::kConsultaMaximo));
    QVERIFY(sent[1].rfind("select i.name uno, x.phyrds+x.phywrts dos, round(100*(x.phyrds+x.phywrts)/", 0) == 0);
    QVERIFY(sent[1].find(",2) tres, i.file# data_file_id from v$filestat x,sys.ts$ ts,v$datafile i,sys.file$ f "
                         "where i.file#=f.file# and ts.ts#=f.ts# and x.file#=f.file# order by 3 desc") !=
            std::string::npos);
    QCOMPARE(w->Graph_Pesos_IO->title(), QString("DEMO"));
    // Eight datafiles: eight named points, busiest first, then two empty points at 0.
    const QStringList labels = w->etiquetas();
    const QList<double> values = w->valores();
    QCOMPARE(labels.size(), 10);
    QCOMPARE(values[0], 100.0);
    for (int k = 0; k < 8; ++k) {
        QVERIFY(labels[k].endsWith(".dbf"));
        QVERIFY(!labels[k].contains('/'));
        if (k > 0)
            QVERIFY(values[k] <= values[k - 1]);
    }
    QCOMPARE(labels[8], QString());
    QCOMPARE(labels[9], QString());
    QCOMPARE(values[8], 0.0);
    QCOMPARE(values[9], 0.0);
}

void PesosIOTest::intervalAndTimer()
{
    WindowTest t;
    auto *w = t.open<monitor::FmPesosIO>();
    QCOMPARE(w->Intervalo->text(), QString("30"));
    QCOMPARE(w->GMPesosIO_Activar->text(), QString("I/O On"));
    t.click(w, "GMPesosIO_Activar");
    QVERIFY(w->Tomar_Muestras->isActive());
    QCOMPARE(w->Tomar_Muestras->interval(), 30000);
    QCOMPARE(w->GMPesosIO_Activar->text(), QString("&I/O Off"));
    w->Up->click();
    QCOMPARE(w->Intervalo->text(), QString("31"));
    QCOMPARE(w->Tomar_Muestras->interval(), 31000);           // the period follows, running
    t.setText(w, "Intervalo", "1");
    w->Down->click();                                          // 1 -> 0: the timer falls silent
    QCOMPARE(w->Intervalo->text(), QString("0"));
    QVERIFY(!w->Tomar_Muestras->isActive());
    w->Down->click();                                          // 0 -> 1, never negative
    QCOMPARE(w->Intervalo->text(), QString("1"));
    QVERIFY(w->Tomar_Muestras->isActive());
    QCOMPARE(w->Tomar_Muestras->interval(), 1000);
    t.click(w, "GMPesosIO_Activar");                           // off, keeps its period
    QVERIFY(!w->Tomar_Muestras->isActive());
    QCOMPARE(w->GMPesosIO_Activar->text(), QString("&I/O On"));
    t.setText(w, "Intervalo", "7");
    QCOMPARE(w->Tomar_Muestras->interval(), 7000);             // changed while stopped
    QVERIFY(!w->Tomar_Muestras->isActive());
    // Not a whole number: sampling does not start, and says why.
    for (const char *bad : {"", "abc", "0", "1.5"}) {
        t.prompts.clear();
        t.setText(w, "Intervalo", bad);
        t.click(w, "GMPesosIO_Activar");
        QVERIFY2(!w->Tomar_Muestras->isActive(), bad);
        QCOMPARE(t.prompts.count(), 1u);
        QCOMPARE(t.prompts.last().text, std::string("The interval must be a whole number of seconds, 1 or more."));
    }
    t.click(w, "MGPesosIO_Salir");
}

QTEST_MAIN(PesosIOTest)
#include "test_pesos_io.moc"
