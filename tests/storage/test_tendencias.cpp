// Space samples and tablespace alerts: what a sample stores, a second sample of
// the same day, failures, the alert table rebuilt for today (weeks without a
// sample, truncated percentages, four weeks of shrinking free space) and the
// alert report with its marked rows.
#include "alert_ts.h"
#include "tablespace.h"
#include "tendencias.h"
#include "windowtest.h"

#include "reportengine.h"
#include "extension.h"
#include "testing.h"

#include "errores.h"
#include "prompts.h"

#include <QDateTime>
#include <QFileDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <ctime>
#include <map>

using harness::WindowTest;

namespace {

long count(WindowTest &t, const std::string &sql)
{
    return t.ctx.repository->OpenRecordset(sql)->RecordCount();
}

localdb::Value daysAgo(int days)
{
    const QDate d = QDate::currentDate().addDays(-days);
    return localdb::Value::date(d.toString("yyyy-MM-dd").toStdString());
}

struct Alert {
    long long sem4, sem3, sem2, sem1, actual, cambios;
    bool operator==(const Alert &o) const
    {
        return sem4 == o.sem4 && sem3 == o.sem3 && sem2 == o.sem2 && sem1 == o.sem1 && actual == o.actual &&
               cambios == o.cambios;
    }
};

std::map<std::string, Alert> alerts(WindowTest &t)
{
    std::map<std::string, Alert> out;
    auto rs = t.ctx.repository->OpenRecordset("ALERT_TS");
    for (; !rs->IsEOF(); rs->MoveNext()) {
        auto v = [&](const char *f) { return rs->Field(f).toInt(); };
        out[rs->Field("DB_NM").toString() + "." + rs->Field("TS").toString()] = {
            v("SEM4"), v("SEM3"), v("SEM2"), v("SEM1"), v("ACTUAL"), v("CAMBIOS")};
    }
    return out;
}

// A FILES and SPACES row of one tablespace on one day, written as a sample would.
void sampleRow(WindowTest &t, const std::string &db, const std::string &ts, const localdb::Value &day, long file,
               long freeBlocks)
{
    auto f = t.ctx.repository->OpenRecordset("FILES");
    f->AddNew();
    f->SetField("DB_NM", db);
    f->SetField("TS", ts);
    f->SetField("CHECK_DATE", day);
    f->SetField("FILE_NM", "/u01/" + ts + ".dbf");
    f->SetField("BLOCKS", file);
    f->Update();
    auto s = t.ctx.repository->OpenRecordset("SPACES");
    s->AddNew();
    s->SetField("DB_NM", db);
    s->SetField("TS", ts);
    s->SetField("CHECK_DATE", day);
    s->SetField("COUNT_FREE_BLOCKS", 1);
    s->SetField("SUM_FREE_BLOCKS", freeBlocks);
    s->SetField("MAX_FREE_BLOCKS", freeBlocks);
    s->Update();
}

} // namespace

class TendenciasTest : public QObject {
    Q_OBJECT
private slots:
    void sampleStoresTheThreeListings();
    void secondSampleOfTheDayReplacesTheFirst();
    void failedListingStoresNothing();
    void withoutConnectionNothingHappens();
    void alertQueryRebuiltForToday();
    void alertTableWeeksAndPercentages();
    void fourWeeksOfShrinkingFreeSpace();
    void printsToEachDevice();
};

void TendenciasTest::sampleStoresTheThreeListings()
{
    WindowTest t;
    t.ctx.slotTable[t.ctx.slotTable.current].SERVIDOR = "demo";
    auto *w = t.open<storage::Tablespace>();
    t.clearStatements();
    t.click(w, "Tendencias_TS");
    QVERIFY2(t.prompts.count() == 0, t.prompts.log().c_str());
    QCOMPARE(t.statements(), (std::vector<std::string>{storage::kConsultaFiles, storage::kConsultaSpaces,
                                                       storage::kConsultaExtents}));
    const std::string today = localdb::Value::today().toString();
    // One FILES row per datafile, one SPACES row per tablespace with free extents.
    QCOMPARE(count(t, "SELECT * FROM FILES"), 8L);
    QCOMPARE(count(t, "SELECT * FROM SPACES"), 6L);
    QVERIFY(count(t, "SELECT * FROM EXTENTS") > 0);
    for (const char *table : {"FILES", "SPACES", "EXTENTS"}) {
        auto rs = t.ctx.repository->OpenRecordset(std::string("SELECT DISTINCT DB_NM, CHECK_DATE FROM ") + table);
        QCOMPARE(rs->RecordCount(), 1L);
        QCOMPARE(rs->Field("DB_NM").toString(), std::string("DEMO"));            // upper-cased
        QCOMPARE(rs->Field("CHECK_DATE").toString(), today);                     // the day, no time
    }
    auto users = t.ctx.repository->OpenRecordset("SELECT * FROM FILES WHERE TS = 'USERS' ORDER BY BLOCKS");
    QCOMPARE(users->RecordCount(), 2L);
    QCOMPARE(users->Field("BLOCKS").toInt(), 6400LL);
    auto space = t.ctx.repository->OpenRecordset("SELECT * FROM SPACES WHERE TS = 'USERS'");
    QCOMPARE(space->Field("COUNT_FREE_BLOCKS").toInt(), 3LL);
    QCOMPARE(space->Field("SUM_FREE_BLOCKS").toInt(), 2598LL);
    QCOMPARE(space->Field("MAX_FREE_BLOCKS").toInt(), 1200LL);
    // Every rollback segment is there, and otherwise only segments of more than 9 extents.
    QCOMPARE(count(t, "SELECT * FROM EXTENTS WHERE SEG_TYPE <> 'ROLLBACK' AND EXTENTS <= 9"), 0L);
    QVERIFY(count(t, "SELECT * FROM EXTENTS WHERE SEG_TYPE = 'ROLLBACK'") > 0);
}

void TendenciasTest::secondSampleOfTheDayReplacesTheFirst()
{
    WindowTest t;
    auto first = storage::Tomar_Muestra_Espacio(t.ctx);
    QVERIFY(first.tomada);
    // Less free space in USERS between the two samples.
    t.serverScript("delete from sys.fet$ where ts# = 2 and block# = 12601");
    auto second = storage::Tomar_Muestra_Espacio(t.ctx);
    QVERIFY(second.tomada);
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(count(t, "SELECT * FROM FILES"), long(first.files));
    QCOMPARE(count(t, "SELECT * FROM SPACES"), 6L);
    QCOMPARE(count(t, "SELECT * FROM EXTENTS"), long(first.extents));
    auto space = t.ctx.repository->OpenRecordset("SELECT * FROM SPACES WHERE TS = 'USERS'");
    QCOMPARE(space->Field("SUM_FREE_BLOCKS").toInt(), 2399LL);               // the second sample's
    // Another day's sample stays beside it.
    QVERIFY(storage::Tomar_Muestra_Espacio(t.ctx, daysAgo(1)).tomada);
    QCOMPARE(count(t, "SELECT * FROM SPACES"), 12L);
}

void TendenciasTest::failedListingStoresNothing()
{
    WindowTest t;
    QVERIFY(storage::Tomar_Muestra_Espacio(t.ctx).tomada);
    const long before = count(t, "SELECT * FROM EXTENTS");
    t.serverScript("delete from sys.fet$ where ts# = 2");
    // The segment listing fails: Ignore keeps the day's earlier sample untouched.
    t.failNext("dba_segments", 942, "table or view does not exist");
    t.prompts.answer(shell::vbIgnore);
    QVERIFY(!storage::Tomar_Muestra_Espacio(t.ctx).tomada);
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(count(t, "SELECT * FROM EXTENTS"), before);
    QCOMPARE(count(t, "SELECT * FROM SPACES WHERE TS = 'USERS'"), 1L);
    // Retry runs the listing again and the sample lands.
    t.failNext("dba_segments", 942, "table or view does not exist");
    t.prompts.answer(shell::vbRetry);
    QVERIFY(storage::Tomar_Muestra_Espacio(t.ctx).tomada);
    QCOMPARE(count(t, "SELECT * FROM SPACES WHERE TS = 'USERS'"), 0L);
    QCOMPARE(t.ctx.pointer.code(), 0);

    // A write that fails half-way (EXTENTS gone, after FILES and SPACES were
    // written) is rolled back whole.
    t.ctx.repository->TableDefsDelete("EXTENTS");
    t.prompts.answer(shell::vbAbort);
    QVERIFY(!storage::Tomar_Muestra_Espacio(t.ctx, daysAgo(3)).tomada);
    QCOMPARE(count(t, "SELECT * FROM FILES WHERE CHECK_DATE = #" + daysAgo(3).toString() + "#"), 0L);
}

void TendenciasTest::withoutConnectionNothingHappens()
{
    harness::Options o;
    o.connect = false;
    WindowTest t(o);
    QVERIFY(!storage::Tomar_Muestra_Espacio(t.ctx).tomada);
    QVERIFY(t.statements().empty());
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(count(t, "SELECT * FROM FILES"), 0L);
}

void TendenciasTest::alertQueryRebuiltForToday()
{
    QCOMPARE(storage::reemplazarPalabra("a = Fecha and b = Fecha_7 or Fechas", "Fecha", "X"),
             std::string("a = X and b = Fecha_7 or Fechas"));
    const std::string q = storage::Consulta_Alerta_Hoy();
    QVERIFY(q.find("       max(iif(spaces.check_date = CVDate(now - 28),") != std::string::npos);
    QVERIFY(q.find("max(iif(spaces.check_date = CVDate(now - 7),") != std::string::npos);
    QVERIFY(q.size() > 100 && q.find("Fecha") == std::string::npos);
    const std::string tail = "         max(iif(spaces.check_date = CVDate(now),int(100*sum_free_blocks/sum_file_blocks),0))";
    QCOMPARE(q.substr(q.size() - tail.size()), tail);

    WindowTest t;
    auto *w = t.open<storage::AlertTs>();
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(t.ctx.repository->GetQueryDef("ALERTA_TABLESPACE").SQL, q);     // stored without parameters
    QVERIFY(w->Opcion_Ventana->isChecked());
    QVERIFY(w->width() >= 300 && w->height() >= 150);
    // The saved query missing: Ignore goes on with its creation.
    t.ctx.repository->QueryDefsDelete("ALERTA_TABLESPACE");
    t.prompts.answer(shell::vbIgnore);
    storage::Refrescar_Alert_TS(t.ctx);
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.ctx.repository->GetQueryDef("ALERTA_TABLESPACE").SQL, q);
}

void TendenciasTest::alertTableWeeksAndPercentages()
{
    WindowTest t;
    sampleRow(t, "DEMO", "TODAY_ONLY", daysAgo(0), 1000, 420);
    sampleRow(t, "DEMO", "GAPS", daysAgo(0), 1000, 300);       // no sample 7, 21 or 28 days ago
    sampleRow(t, "DEMO", "GAPS", daysAgo(14), 1000, 500);
    sampleRow(t, "DEMO", "NEARLY_EMPTY", daysAgo(0), 1000, 999);   // 99.9 % free
    sampleRow(t, "DEMO", "OLD", daysAgo(40), 1000, 500);        // not sampled in four weeks
    sampleRow(t, "DEMO", "ODD_DAY", daysAgo(10), 1000, 500);
    {   // FILES without SPACES: missing from the alert table
        auto f = t.ctx.repository->OpenRecordset("FILES");
        f->AddNew();
        f->SetField("DB_NM", "DEMO");
        f->SetField("TS", "FULL");
        f->SetField("CHECK_DATE", daysAgo(0));
        f->SetField("FILE_NM", "/u01/full.dbf");
        f->SetField("BLOCKS", 100);
        f->Update();
    }
    QCOMPARE(storage::Refrescar_Alert_TS(t.ctx), 5);
    const auto a = alerts(t);
    QCOMPARE(a.size(), 5u);
    QVERIFY(!a.count("DEMO.FULL"));
    QVERIFY((a.at("DEMO.TODAY_ONLY") == Alert{0, 0, 0, 0, 42, 42}));
    QVERIFY((a.at("DEMO.GAPS") == Alert{0, 0, 50, 0, 30, 30}));
    QVERIFY((a.at("DEMO.NEARLY_EMPTY") == Alert{0, 0, 0, 0, 99, 99}));
    QVERIFY((a.at("DEMO.OLD") == Alert{0, 0, 0, 0, 0, 0}));
    QVERIFY((a.at("DEMO.ODD_DAY") == Alert{0, 0, 0, 0, 0, 0}));
    // Refilled, not appended to.
    QCOMPARE(storage::Refrescar_Alert_TS(t.ctx), 5);
    QCOMPARE(count(t, "SELECT * FROM ALERT_TS"), 5L);
}

void TendenciasTest::fourWeeksOfShrinkingFreeSpace()
{
    WindowTest t;
    // USERS (19200 blocks in two files) loses 96 blocks a day from 9600 free;
    // TOOLS (2560 blocks) drops to 300 free on the last day; the rest stay put.
    t.serverScript("delete from sys.fet$ where ts# in (2, 4)");
    const std::int64_t start = std::time(nullptr) - 28 * 86400;
    sim::testing::setClock("ORCL", start);
    for (int day = 0; day <= 28; ++day) {
        t.serverScript("delete from sys.fet$ where ts# in (2, 4)");
        t.serverScript("insert into sys.fet$ values (2, 3, 1, " + std::to_string(9600 - 96 * day) + ")");
        t.serverScript("insert into sys.fet$ values (4, 5, 1, " + std::to_string(day == 28 ? 300 : 1000) + ")");
        const QDate d = QDateTime::fromSecsSinceEpoch(sim::testing::clock("ORCL").now()).date();
        QVERIFY(storage::Tomar_Muestra_Espacio(t.ctx, localdb::Value::date(d.toString("yyyy-MM-dd").toStdString()))
                    .tomada);
        sim::testing::advanceClock("ORCL", 86400);
    }
    QCOMPARE(count(t, "SELECT DISTINCT CHECK_DATE FROM SPACES"), 29L);
    QCOMPARE(t.prompts.count(), 0u);

    auto *w = t.open<storage::AlertTs>();
    const auto a = alerts(t);
    // int(100 * free / total) on days 28, 21, 14, 7 and 0 before today.
    QVERIFY((a.at("DEMO.USERS") == Alert{50, 46, 43, 39, 36, -14}));
    QVERIFY((a.at("DEMO.TOOLS") == Alert{39, 39, 39, 39, 11, -28}));
    QVERIFY((a.at("DEMO.SYSTEM") == Alert{24, 24, 24, 24, 24, 0}));
    QVERIFY((a.at("DEMO.RBS") == Alert{45, 45, 45, 45, 45, 0}));

    // The report marks USERS (down 14 points) and TOOLS (11 % free), nothing else.
    w->Opcion_Archivo->setChecked(true);
    const std::string pdf = t.dir + "alerts.pdf";
    t.prompts.onDialog([&](QDialog &d) {
        auto *fd = qobject_cast<QFileDialog *>(&d);
        if (!fd)
            return int(QDialog::Rejected);
        fd->selectFile(QString::fromStdString(pdf));
        return int(QDialog::Accepted);
    });
    t.click(w, "OK");
    QVERIFY2(t.prompts.count() == 1, t.prompts.log().c_str());
    QCOMPARE(t.prompts.last().dialogName, std::string("GuardarInforme"));
    const auto doc = report::renderPdf(t.dir + "alert_ts.rpt", t.ctx.repositoryFile(), pdf);
    QStringList marked, plain;
    for (const auto &page : doc.pages)
        for (const auto &it : page.items)
            if (it.kind == report::ReportItem::Text && it.role == report::ReportItem::Cell && it.column == 0)
                (it.font.bold() ? marked : plain) << it.text;
    QCOMPARE(marked, (QStringList{"TOOLS", "USERS"}));
    QCOMPARE(plain, (QStringList{"HIST", "RBS", "SYSTEM", "TEMP"}));
    QCOMPARE(doc.markedCount, 2);
}

void TendenciasTest::printsToEachDevice()
{
    WindowTest t;
    auto *w = t.open<storage::AlertTs>();
    t.click(w, "OK");                                              // window: the preview
    QCOMPARE(t.prompts.last().dialogName, std::string("ReportPreview"));
    w->Opcion_Impresora->setChecked(true);                         // printer: the dialog first; cancelled
    t.click(w, "OK");
    QCOMPARE(t.prompts.last().dialogName, std::string("PrintDialog"));
    QCOMPARE(t.prompts.count(), 2u);
    w->Opcion_Archivo->setChecked(true);                           // file: no name chosen, nothing written
    t.click(w, "OK");
    QCOMPARE(t.prompts.last().dialogName, std::string("GuardarInforme"));
    QCOMPARE(t.prompts.count(), 3u);
    QVERIFY(!QFile::exists(QString::fromStdString(t.dir + "alert_ts.pdf")));
    t.click(w, "Salir");
}

QTEST_MAIN(TendenciasTest)
#include "test_tendencias.moc"
