// The Servers Status window: the grid of registered servers, the poll of each
// slot through Bloque_Estado, the pictures, the threshold colours at their
// boundaries, the explanations, and the timer rules on failures.
#include "serverstatus.h"
#include "windowtest.h"

#include "extension.h"
#include "testing.h"

#include "prompts.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QTest>
#include <QTimer>

#include <map>

using harness::WindowTest;
using status::ServerStatus;

namespace {

// A connection whose block stores chosen figures.
struct Figures : access::DriverConnection {
    std::map<std::string, double> values;
    std::vector<std::string> blocks;
    access::OraResult query(const std::string &) override { return {}; }
    long execute(const std::string &) override { return 0; }
    void executePlsql(const std::string &block, std::vector<access::OraBind> &binds) override
    {
        blocks.push_back(block);
        for (auto &b : binds)
            if (values.count(b.name))
                b.value = access::OraValue::number(values[b.name]);
    }
    bool connectionOK() override { return true; }
    void close() override {}
};

void addServer(WindowTest &t, const std::string &name)
{
    auto rs = t.ctx.repository->OpenRecordset("SERVIDORES", 1);
    rs->AddNew();
    rs->SetField("SERVIDOR", name);
    rs->SetField("CONECCION", "sim:PROD");
    rs->SetField("LOGIN", "SYSTEM");
    rs->SetField("PASSWORD", shell::Cifrar(shell::kCipherKey, "MANAGER"));
    rs->Update();
}

Figures *useFigures(WindowTest &t, std::map<std::string, double> values)
{
    auto *f = new Figures;
    f->values = std::move(values);
    t.ctx.slotTable.connection(1) =
        std::make_unique<access::OraDatabase>(std::unique_ptr<access::DriverConnection>(f), "figures", "SYSTEM");
    return f;
}

} // namespace

class ServerStatusTest : public QObject {
    Q_OBJECT
private slots:
    void thresholdsExplanationsAndRounding();
    void pollShowsEverySlot();
    void coloursAtTheirBoundaries();
    void explanationsOnDoubleClick();
    void failingBlockAnsweredIgnoreAndAbort();
    void droppedConnectionAndEmptyRegistry();
    void figuresMoveWithTheInstanceClock();
};

void ServerStatusTest::thresholdsExplanationsAndRounding()
{
    using status::Color_Umbral;
    QCOMPARE(Color_Umbral(5, 98.5), status::kWarning);
    QCOMPARE(Color_Umbral(5, 69.9), status::kAlarm);
    QCOMPARE(Color_Umbral(5, 99), status::kNeutral);
    QCOMPARE(Color_Umbral(5, 70), status::kWarning);
    QCOMPARE(Color_Umbral(6, 84.99), status::kWarning);
    QCOMPARE(Color_Umbral(6, 85), status::kNeutral);
    QCOMPARE(Color_Umbral(7, 89.99), status::kWarning);
    QCOMPARE(Color_Umbral(7, 90), status::kNeutral);
    QCOMPARE(Color_Umbral(7, 69.99), status::kAlarm);
    QCOMPARE(Color_Umbral(8, 100), status::kNeutral);
    QCOMPARE(Color_Umbral(8, 101), status::kWarning);
    QCOMPARE(Color_Umbral(8, 1000), status::kWarning);
    QCOMPARE(Color_Umbral(8, 1001), status::kAlarm);
    QCOMPARE(Color_Umbral(4, 0), status::kNeutral);

    using status::Explicacion;
    QCOMPARE(Explicacion(5, 98), std::string("Warning: Library Cache too low! Increase the Shared Pool Size."));
    QCOMPARE(Explicacion(6, 84), std::string("Warning: Row Cache too low! Increase the Shared Pool Size."));
    QCOMPARE(Explicacion(7, 89), std::string("Warning: Buffer Cache too low! Increase the DB Block Buffer value."));
    QCOMPARE(Explicacion(8, 101), std::string("Warning: Log Buffer value is rather low!."));
    QCOMPARE(Explicacion(8, 100), std::string("The value of this parameter is in normal range."));
    QCOMPARE(Explicacion(5, 99), std::string("The value of this parameter is in normal range."));
    QCOMPARE(Explicacion(3, 5), std::string());
    QCOMPARE(Explicacion(4, 5), std::string());

    using shell::Redondear;
    QCOMPARE(Redondear(98.504, 2), std::string("98.5"));
    QCOMPARE(Redondear(98.505001, 2), std::string("98.51"));
    QCOMPARE(Redondear(31, 2), std::string("31"));
    QCOMPARE(Redondear(412.6, 0), std::string("413"));
    QCOMPARE(Redondear(0, 2), std::string("0"));
    QCOMPARE(Redondear(-0.001, 2), std::string("0"));
}

void ServerStatusTest::pollShowsEverySlot()
{
    WindowTest t;
    addServer(t, "PROD");
    addServer(t, "TEST");
    // PROD loaded without a connection; TEST never picked (free).
    t.ctx.slotTable[2].slotState = shell::kSlotLoaded;
    auto *w = t.open<ServerStatus>();
    QCOMPARE(w->objectName(), QString("ServerStatus"));
    QCOMPARE(w->windowTitle(), QString("Servers Status"));
    QVERIFY(w->TimerChequeServidores->isActive());
    QCOMPARE(w->TimerChequeServidores->interval(), 15000);
    QCOMPARE(t.rows(w, "LServerStatus"), 4);
    QCOMPARE(t.cell(w, "LServerStatus", 1, 0), QString("1"));
    QCOMPARE(t.cell(w, "LServerStatus", 1, 1), QString("DEMO"));
    QCOMPARE(t.cell(w, "LServerStatus", 3, 1), QString("TEST"));
    QCOMPARE(w->imagen(0), int(status::kCabecera));
    for (int r = 1; r <= 3; ++r)
        QCOMPARE(w->imagen(r), int(status::kLibre));
    QVERIFY(t.statements().empty());

    w->TimerChequeServidores_Timer();
    QVERIFY2(t.prompts.count() == 0, t.prompts.log().c_str());
    QCOMPARE(t.statements(), std::vector<std::string>{t.ctx.bloques.Bloque_Estado});
    QVERIFY(w->TimerChequeServidores->isActive());
    QCOMPARE(t.ctx.pointer.code(), 0);
    // DEMO answers: its figures, coloured by the thresholds.
    QCOMPARE(w->imagen(1), int(status::kConectado));
    QVERIFY(t.cell(w, "LServerStatus", 1, 3).toDouble() > 0);
    QVERIFY(t.cell(w, "LServerStatus", 1, 4).toDouble() > 0);
    for (int c = 5; c <= 8; ++c) {
        const double v = t.cell(w, "LServerStatus", 1, c).toDouble();
        QCOMPARE(w->fondo(1, c), status::Color_Umbral(c, v));
    }
    QCOMPARE(w->fondo(1, 4), status::kNeutral);
    QVERIFY(!w->fondo(1, 3).isValid());
    QVERIFY(t.ctx.slotTable.connection(1)->Parameters().binds().empty());
    // PROD: loaded, no connection; TEST: free. Zeros, neutral, column 3 untouched.
    QCOMPARE(w->imagen(2), int(status::kSinConexion));
    QCOMPARE(w->imagen(3), int(status::kLibre));
    for (int r = 2; r <= 3; ++r) {
        for (int c = 3; c <= 8; ++c)
            QCOMPARE(t.cell(w, "LServerStatus", r, c), QString("0"));
        for (int c = 4; c <= 8; ++c)
            QCOMPARE(w->fondo(r, c), status::kNeutral);
        QVERIFY(!w->fondo(r, 3).isValid());
    }
    // The pictures reach the view: each status column cell carries one.
    QAbstractItemModel *m = w->LServerStatus->model();
    QVERIFY(!m->data(m->index(1, 2), Qt::DecorationRole).isNull());
    QCOMPARE(m->data(m->index(1, 5), Qt::BackgroundRole).value<QColor>(), w->fondo(1, 5));
}

void ServerStatusTest::coloursAtTheirBoundaries()
{
    WindowTest t;
    auto *w = t.open<ServerStatus>();
    auto *f = useFigures(t, {{"SSESSIONS", 31}, {"SSGA", 412.6}, {"SLIBCAC", 98.5}, {"SROWCAC", 69.9},
                             {"SBUFCAC", 90}, {"SREDLOG", 100}});
    w->TimerChequeServidores_Timer();
    QCOMPARE(f->blocks.size(), 1u);
    QCOMPARE(t.cell(w, "LServerStatus", 1, 3), QString("31"));
    QCOMPARE(t.cell(w, "LServerStatus", 1, 4), QString("413"));
    QCOMPARE(t.cell(w, "LServerStatus", 1, 5), QString("98.5"));
    QCOMPARE(w->fondo(1, 5), status::kWarning);
    QCOMPARE(w->fondo(1, 6), status::kAlarm);
    QCOMPARE(w->fondo(1, 7), status::kNeutral);
    QCOMPARE(w->fondo(1, 8), status::kNeutral);

    f->values = {{"SSESSIONS", 31}, {"SSGA", 412}, {"SLIBCAC", 99}, {"SROWCAC", 85}, {"SBUFCAC", 89.999},
                 {"SREDLOG", 101}};
    w->TimerChequeServidores_Timer();
    QCOMPARE(w->fondo(1, 5), status::kNeutral);
    QCOMPARE(w->fondo(1, 6), status::kNeutral);
    // 89.999 shows as 90 and is coloured as it shows.
    QCOMPARE(t.cell(w, "LServerStatus", 1, 7), QString("90"));
    QCOMPARE(w->fondo(1, 7), status::kNeutral);
    QCOMPARE(w->fondo(1, 8), status::kWarning);

    f->values["SREDLOG"] = 1001;
    w->TimerChequeServidores_Timer();
    QCOMPARE(w->fondo(1, 8), status::kAlarm);
    QCOMPARE(t.prompts.count(), 0u);
}

void ServerStatusTest::explanationsOnDoubleClick()
{
    WindowTest t;
    addServer(t, "PROD");
    auto *w = t.open<ServerStatus>();
    useFigures(t, {{"SSESSIONS", 12}, {"SSGA", 64}, {"SLIBCAC", 98.5}, {"SROWCAC", 90}, {"SBUFCAC", 95},
                   {"SREDLOG", 100}});
    w->TimerChequeServidores_Timer();
    w->LServerStatus_DblClick(1, 8);
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().text, std::string("The value of this parameter is in normal range."));
    QCOMPARE(t.prompts.last().buttons(), int(shell::vbOKOnly));
    w->LServerStatus_DblClick(1, 5);
    QCOMPARE(t.prompts.last().text, std::string("Warning: Library Cache too low! Increase the Shared Pool Size."));
    const auto before = t.prompts.count();
    w->LServerStatus_DblClick(1, 3);     // sessions: nothing to explain
    w->LServerStatus_DblClick(1, 4);
    w->LServerStatus_DblClick(1, 2);
    w->LServerStatus_DblClick(0, 5);
    w->LServerStatus_DblClick(2, 5);     // a free server reads 0
    w->LServerStatus_DblClick(2, 8);
    QCOMPARE(t.prompts.count(), before);
}

void ServerStatusTest::failingBlockAnsweredIgnoreAndAbort()
{
    WindowTest t;
    auto *w = t.open<ServerStatus>();
    w->TimerChequeServidores_Timer();
    QVERIFY(t.cell(w, "LServerStatus", 1, 3).toDouble() > 0);

    // Ignore: the figures are read from the parameters, still 0.
    t.failNext("BEGIN", 942, "ORA-00942: table or view does not exist");
    t.prompts.answer(shell::vbIgnore);
    w->TimerChequeServidores_Timer();
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().title, std::string("Error de Ejecución:440"));
    QCOMPARE(w->imagen(1), int(status::kConectado));
    for (int c = 3; c <= 8; ++c)
        QCOMPARE(t.cell(w, "LServerStatus", 1, c), QString("0"));
    QCOMPARE(w->fondo(1, 5), status::kAlarm);
    QCOMPARE(w->fondo(1, 8), status::kNeutral);
    QVERIFY(w->TimerChequeServidores->isActive());
    QVERIFY(t.ctx.slotTable.connection(1)->Parameters().binds().empty());

    // Abort ends the tick; the timer keeps running, the parameters stay declared
    // only until the next tick's declarations replace them.
    t.failNext("BEGIN", 942, "ORA-00942: table or view does not exist");
    t.prompts.answer(shell::vbAbort);
    w->TimerChequeServidores_Timer();
    QCOMPARE(t.prompts.count(), 2u);
    QVERIFY(w->TimerChequeServidores->isActive());
    QCOMPARE(t.ctx.pointer.code(), 0);
    w->TimerChequeServidores_Timer();
    QCOMPARE(t.prompts.count(), 2u);
    QVERIFY(t.cell(w, "LServerStatus", 1, 3).toDouble() > 0);
}

void ServerStatusTest::droppedConnectionAndEmptyRegistry()
{
    {
        WindowTest t;
        auto *w = t.open<ServerStatus>();
        sim::testing::dropConnections("ORCL");
        w->TimerChequeServidores_Timer();
        QCOMPARE(t.prompts.count(), 0u);
        QCOMPARE(w->imagen(1), int(status::kSinConexion));
        QCOMPARE(t.cell(w, "LServerStatus", 1, 3), QString("0"));
        // The window never changes the slot table.
        QCOMPARE(t.ctx.slotTable[1].connectionFlag, shell::kConnected);
    }
    {
        harness::Options o;
        o.initialise = true;
        WindowTest t(o);
        t.ctx.repository->Execute("DELETE FROM SERVIDORES");
        auto *w = t.open<ServerStatus>();
        QCOMPARE(t.rows(w, "LServerStatus"), 1);
        w->TimerChequeServidores_Timer();
        QVERIFY(t.statements().empty());
        QCOMPARE(t.prompts.count(), 0u);
        QVERIFY(w->TimerChequeServidores->isActive());
    }
}

QTEST_MAIN(ServerStatusTest)
// The simulated instance lives: two ticks a minute apart on its clock differ, and a
// quarter of an hour in, the library cache has fallen below its threshold.
void ServerStatusTest::figuresMoveWithTheInstanceClock()
{
    WindowTest t;
    auto *w = t.open<ServerStatus>();
    sim::testing::setClock("ORCL", sim::testing::clock("ORCL").now());
    auto figures = [&] {
        w->TimerChequeServidores_Timer();
        QStringList out;
        for (int c = 3; c <= 8; ++c)
            out << t.cell(w, "LServerStatus", 1, c);
        return out;
    };
    const QStringList first = figures();
    QCOMPARE(w->fondo(1, 5), status::kNeutral);
    QCOMPARE(w->fondo(1, 8), status::kWarning);   // the log buffer already waits
    sim::testing::advanceClock("ORCL", 60);
    const QStringList second = figures();
    QVERIFY2(first != second, qPrintable(first.join(' ')));
    QCOMPARE(second[5].toDouble(), first[5].toDouble() + 2);   // a wait for log space every 30 s
    sim::testing::advanceClock("ORCL", 900);
    const QStringList later = figures();
    QVERIFY(later[2].toDouble() < 99);
    QCOMPARE(w->fondo(1, 5), status::kWarning);
    QVERIFY(later[0].toDouble() < first[0].toDouble());   // sessions have logged off
    QCOMPARE(t.prompts.count(), 0u);
}

#include "test_serverstatus.moc"
