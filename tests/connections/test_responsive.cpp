// A slow or hung server never freezes the console: timers tick while a statement
// waits, Cancel ends a hung step through the error dialog and the resume protocol,
// the window that made the call takes no input and closing it drops the call, the
// status poll sends every block at once, one error dialog per tick however long it
// stays open, and a dead connection is replaced by the next Connect.
#include "fmpesosio.h"
#include "serverstatus.h"
#include "windowtest.h"

#include "testing.h"

#include "callwaiter.h"
#include "conexiones.h"
#include "errores.h"
#include "prompts.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <fstream>

using harness::WindowTest;
using shell::GuardedOperation;
using status::ServerStatus;

namespace {

// Puts a connection to `service`, waiting like the console, in slot n.
access::OraDatabase *connectSlot(WindowTest &t, int n, const std::string &service)
{
    access::OpenOptions how;
    how.waiter = t.ctx.waiter;
    how.statementLimitMs = t.ctx.statementLimitMs(t.ctx.slotTable[n]);
    t.ctx.slotTable.connection(n) = t.ctx.session->DbOpenDatabase(service, "SYSTEM/MANAGER", 0, how);
    t.ctx.slotTable[n].slotState = shell::kSlotLoaded;
    t.ctx.slotTable[n].connectionFlag = shell::kConnected;
    return t.ctx.slotTable.connection(n).get();
}

void addServer(WindowTest &t, const std::string &name, const std::string &service)
{
    auto rs = t.ctx.repository->OpenRecordset("SERVIDORES", 1);
    rs->AddNew();
    rs->SetField("SERVIDOR", name);
    rs->SetField("CONECCION", service);
    rs->SetField("LOGIN", "SYSTEM");
    rs->SetField("PASSWORD", shell::Cifrar(shell::kCipherKey, "MANAGER"));
    rs->Update();
}

void appendIni(WindowTest &t, const std::string &text)
{
    std::ofstream ini(t.ctx.iniPath, std::ios::app);
    ini << text;
}

bool mentionsCancel(const harness::PromptRecord &p)
{
    return p.title == "Error de Ejecución:440" &&
           p.text.find("ORA-01013: user requested cancel of current operation") != std::string::npos;
}

} // namespace

class ResponsiveTest : public QObject {
    Q_OBJECT
private slots:
    void timersTickWhileAStatementWaits();
    void cancelEndsAHungStepAndTheProtocolGoesOn();
    void callingWindowIsDisabledAndClosingItDropsTheCall();
    void hungServerDoesNotHoldBackTheOthers();
    void oneErrorDialogHoweverLongItStaysOpen();
    void samplerTicksWhileItsCallIsOutAreSkipped();
    void deadConnectionIsReplacedAndLimitsComeFromSettings();
};

void ResponsiveTest::timersTickWhileAStatementWaits()
{
    WindowTest t;
    access::OraDatabase *db = connectSlot(t, 1, "sim:ORCL?latency=2000");
    int ticks = 0;
    QString shown;
    QTimer timer;
    timer.setInterval(50);
    QElapsedTimer clock;
    connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        if (clock.elapsed() > 1300 && shown.isEmpty())
            shown = shell::guiWaiter(t.ctx)->runningText(1000);
    });
    std::unique_ptr<access::OraDynaset> d;
    clock.start();
    timer.start();
    GuardedOperation op(t.ctx);
    op.step([&] { d = db->DbCreateDynaset("select 'two seconds' w from dual"); });
    op.finish();
    const qint64 took = clock.elapsed();
    QVERIFY2(took >= 2000, qPrintable(QString::number(took)));
    // A 50 ms timer kept its pace: the interface thread was free all along.
    QVERIFY2(ticks >= 30, qPrintable(QString::number(ticks)));
    QCOMPARE(QString::fromStdString(d->Fields("W").toString()), QString("two seconds"));
    QCOMPARE(t.prompts.count(), 0u);
    // After a second the status text says what runs where.
    QVERIFY2(shown.startsWith("Running on sim:ORCL?latency=2000 for 1 s: select 'two seconds' w from dual"),
             qPrintable(shown));
    QVERIFY(shell::guiWaiter(t.ctx)->running().empty());
}

void ResponsiveTest::cancelEndsAHungStepAndTheProtocolGoesOn()
{
    WindowTest t;
    access::OraDatabase *db = connectSlot(t, 1, "sim:ORCL?hang=1");
    shell::GuiWaiter *waiter = shell::guiWaiter(t.ctx);
    // Cancel pressed 300 ms into every wait; each dialog must follow within a second.
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> cancelledAt, shownAt;
    QTimer presser;
    presser.setInterval(300);
    connect(&presser, &QTimer::timeout, [&] {
        if (waiter->cancelLatest())
            cancelledAt.push_back(clock.elapsed());
    });
    t.prompts.whileShown = [&](const harness::PromptRecord &) { shownAt.push_back(clock.elapsed()); };
    presser.start();

    // Retry sends the statement again (it hangs again), Ignore goes on with the next
    // step, Abort ends the operation.
    t.prompts.answer(shell::vbRetry).answer(shell::vbIgnore).answer(shell::vbAbort);
    int runs = 0;
    bool afterIgnore = false, afterAbort = false;
    {
        GuardedOperation op(t.ctx);
        op.step([&] {
            shell::Cursor_Ocupado(t.ctx);
            ++runs;
            db->DbCreateDynaset("select * from dual");
        });
        op.step([&] { afterIgnore = true; });
        op.step([&] { db->DbExecuteSQL("commit"); });
        op.step([&] { afterAbort = true; });
    }
    presser.stop();
    QCOMPARE(runs, 2);
    QVERIFY(afterIgnore);
    QVERIFY(!afterAbort);
    QCOMPARE(t.prompts.count(), 3u);
    for (const auto &p : t.prompts.seen())
        QVERIFY2(mentionsCancel(p), p.text.c_str());
    QCOMPARE(cancelledAt.size(), 3u);
    QCOMPARE(shownAt.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        QVERIFY2(shownAt[i] - cancelledAt[i] < 1000, qPrintable(QString::number(shownAt[i] - cancelledAt[i])));
    QCOMPARE(t.ctx.pointer.code(), 0);
    // A cancelled call leaves the connection as it was.
    QVERIFY(!db->Dead());
    QVERIFY(db->ConnectionOK());
}

void ResponsiveTest::callingWindowIsDisabledAndClosingItDropsTheCall()
{
    WindowTest t;
    access::OraDatabase *db = connectSlot(t, 1, "sim:ORCL?hang=1");
    auto *caller = new QWidget;
    caller->setAttribute(Qt::WA_DeleteOnClose);
    caller->setWindowTitle("Sessions");
    QWidget other;
    caller->show();
    other.show();
    QPointer<QWidget> alive(caller);
    bool callerEnabled = true, otherEnabled = false;
    QString text;
    QTimer::singleShot(300, [&] {
        callerEnabled = caller->isEnabled();
        otherEnabled = other.isEnabled();
        text = shell::guiWaiter(t.ctx)->runningText(0);
        caller->close();
    });
    bool first = true, second = false;
    {
        shell::CallerScope scope(t.ctx, caller);
        GuardedOperation op(t.ctx);
        first = op.step([&] { db->DbCreateDynaset("select * from dual"); });
        second = op.step([] {});
    }
    QVERIFY(!callerEnabled);
    QVERIFY(otherEnabled);
    QVERIFY2(text.startsWith("Running on sim:ORCL?hang=1 (Sessions) for 0 s: select * from dual"), qPrintable(text));
    // The result is dropped: no dialog, the operation ended, the window goes.
    QVERIFY(!first);
    QVERIFY(!second);
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(t.ctx.pointer.code(), 0);
    QTRY_VERIFY(alive.isNull());
    QVERIFY(!db->Dead());

    // A window that stays open is enabled again once its call has answered.
    access::OraDatabase *quick = connectSlot(t, 2, "sim:ORCL?latency=100");
    QWidget form;
    form.show();
    {
        shell::CallerScope scope(t.ctx, &form);
        quick->DbCreateDynaset("select * from dual");
    }
    QVERIFY(form.isEnabled());
}

void ResponsiveTest::hungServerDoesNotHoldBackTheOthers()
{
    WindowTest t;
    addServer(t, "HUNG", "sim:ORCL?hang=1");
    addServer(t, "SPARE", "sim:TEST");
    appendIni(t, "[LIMITES HUNG]\nSTATEMENT=1\n");
    t.ctx.slotTable[2].SERVIDOR = "HUNG";
    connectSlot(t, 1, "sim:ORCL?latency=100");
    access::OraDatabase *hung = connectSlot(t, 2, "sim:ORCL?hang=1");
    QCOMPARE(hung->statementLimit(), 1000);
    auto *w = t.open<ServerStatus>();
    QElapsedTimer clock;
    qint64 firstRowAt = -1;
    connect(w->LServerStatus->grid(), &QAbstractItemModel::dataChanged, [&](const QModelIndex &a, const QModelIndex &) {
        if (a.row() == 1 && firstRowAt < 0 && w->LServerStatus->grid()->text(1, 3).toDouble() > 0)
            firstRowAt = clock.elapsed();
    });
    clock.start();
    w->TimerChequeServidores_Timer();
    const qint64 tick = clock.elapsed();
    // The answering server's figures are in long before the hung one is given up.
    QVERIFY2(firstRowAt >= 0 && firstRowAt < 600, qPrintable(QString::number(firstRowAt)));
    QVERIFY2(tick >= 1000 && tick < 2500, qPrintable(QString::number(tick)));
    QCOMPARE(w->imagen(1), int(status::kConectado));
    QVERIFY(t.cell(w, "LServerStatus", 1, 3).toDouble() > 0);
    QCOMPARE(w->imagen(2), int(status::kSinRespuesta));
    for (int c = 3; c <= 8; ++c)
        QCOMPARE(t.cell(w, "LServerStatus", 2, c), QString("0"));
    QCOMPARE(w->imagen(3), int(status::kLibre));
    // Not answering is shown by its picture, never by a dialog every tick.
    QCOMPARE(t.prompts.count(), 0u);
    QVERIFY(w->TimerChequeServidores->isActive());
    QVERIFY(hung->Parameters().binds().empty());
    QVERIFY(!hung->Dead());
}

void ResponsiveTest::oneErrorDialogHoweverLongItStaysOpen()
{
    WindowTest t;
    auto *w = t.open<ServerStatus>();
    // The block fails at every tick (no access to the dynamic views).
    t.failNext("BEGIN", 942, "ORA-00942: table or view does not exist", 100);
    w->TimerChequeServidores->setInterval(30);
    int ticksWhileOpen = 0;
    t.prompts.whileShown = [&](const harness::PromptRecord &) {
        // The timer was restarted before the dialog: it fires many times while it is open.
        QElapsedTimer open;
        open.start();
        while (open.elapsed() < 600) {
            QTest::qWait(20);
            ++ticksWhileOpen;
        }
    };
    t.prompts.answer(shell::vbAbort);
    w->TimerChequeServidores_Timer();
    QVERIFY(ticksWhileOpen > 5);
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().title, std::string("Error de Ejecución:440"));
    QVERIFY(w->TimerChequeServidores->isActive());
    // Once answered, the next tick asks again.
    t.prompts.whileShown = nullptr;
    t.prompts.answer(shell::vbAbort);
    w->TimerChequeServidores_Timer();
    QCOMPARE(t.prompts.count(), 2u);
}

void ResponsiveTest::samplerTicksWhileItsCallIsOutAreSkipped()
{
    WindowTest t;
    connectSlot(t, 1, "sim:ORCL?latency=250");
    auto *w = t.open<monitor::FmPesosIO>();
    sim::testing::clearStatementLog("ORCL");
    int fired = 0;
    connect(w->Tomar_Muestras, &QTimer::timeout, [&] { ++fired; });
    w->Tomar_Muestras->setInterval(20);
    w->Tomar_Muestras->start();
    w->Tomar_Muestras_Timer();
    w->Tomar_Muestras->stop();
    QVERIFY2(fired > 5, qPrintable(QString::number(fired)));
    int samples = 0;
    for (const auto &s : sim::testing::statementTexts("ORCL"))
        samples += s.find("data_file_id from v$filestat x") != std::string::npos;
    QCOMPARE(samples, 1);
    QCOMPARE(t.prompts.count(), 0u);
}

void ResponsiveTest::deadConnectionIsReplacedAndLimitsComeFromSettings()
{
    harness::Options o;
    o.connect = false;
    WindowTest t(o);
    appendIni(t, "[LIMITES]\nCONNECT=5\nSTATEMENT=0\n[LIMITES DEMO]\nSTATEMENT=2\n[LIMITES OTHER]\nCONNECT=fast\n");
    const shell::Slot &slot = t.ctx.slotTable[1];
    QCOMPARE(t.ctx.connectLimitMs(slot), 5000);
    QCOMPARE(t.ctx.statementLimitMs(slot), 2000);
    shell::Slot other;
    other.SERVIDOR = "OTHER";
    QCOMPARE(t.ctx.connectLimitMs(other), 5000);     // a bad value is passed over
    QCOMPARE(t.ctx.statementLimitMs(other), 0);

    connections::connect(t.ctx);
    QCOMPARE(slot.connectionFlag, shell::kConnected);
    access::OraDatabase *first = t.ctx.slotTable.connection(1).get();
    QVERIFY(first);
    QCOMPARE(first->statementLimit(), 2000);
    QVERIFY(first->waiter() == t.ctx.waiter.get());
    // Connected and alive: Connect does nothing.
    connections::connect(t.ctx);
    QCOMPARE(t.ctx.slotTable.connection(1).get(), first);

    sim::testing::dropConnections("ORCL");
    t.prompts.answer(shell::vbAbort);
    {
        GuardedOperation op(t.ctx);
        op.step([&] { first->DbCreateDynaset("select * from dual"); });
    }
    QCOMPARE(t.prompts.count(), 1u);
    QVERIFY(t.prompts.last().text.find("ORA-03113") != std::string::npos);
    QVERIFY(first->Dead());
    QVERIFY(!first->ConnectionOK());
    QCOMPARE(slot.connectionFlag, shell::kConnected);

    // The next Connect of the slot opens a fresh connection.
    connections::connect(t.ctx);
    access::OraDatabase *fresh = t.ctx.slotTable.connection(1).get();
    QVERIFY(fresh && fresh != first);
    QVERIFY(!fresh->Dead());
    QCOMPARE(QString::fromStdString(fresh->DbCreateDynaset("select 1 one from dual")->Fields("ONE").toString()),
             QString("1"));
    QCOMPARE(slot.connectionFlag, shell::kConnected);
    QCOMPARE(t.prompts.count(), 1u);
}

QTEST_MAIN(ResponsiveTest)
#include "test_responsive.moc"
