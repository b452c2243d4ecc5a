// The main window with the instance activity windows built in: menu and toolbar
// entries open them once each, and the heavy-statement button and timer record
// through the recorder and tell the truth about it.
#include "marco.h"
#include "windowtest.h"

#include "muestreo.h"
#include "registry.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using harness::WindowTest;

namespace {

QAction *menuAction(QWidget *w, const QString &caption)
{
    for (QAction *a : w->findChildren<QAction *>())
        if (a->text() == caption)
            return a;
    return nullptr;
}

long long recordedRows(WindowTest &t)
{
    auto rs = t.ctx.repository->OpenRecordset("SELECT COUNT(*) AS N FROM SENTENCIASPESADAS");
    return rs->Field("N").toInt();
}

} // namespace

class MarcoMonitorTest : public QObject {
    Q_OBJECT
private slots:
    void menusOpenOneInstanceEach();
    void monitoringButtonAndTimer();
};

void MarcoMonitorTest::menusOpenOneInstanceEach()
{
    WindowTest t;
    shell::registerAllWindows(t.ctx.windows);
    shell::Marco m(t.ctx);
    m.show();
    struct Entry {
        const char *caption;
        const char *form;
        const char *title;
    };
    for (const Entry &e : {Entry{"Ses&ions", "SESIONES", "Sessions"}, Entry{"&Sesion", "BLOSESIONES", "Session Locks"},
                           Entry{"&Resources", "BLORECURSOS", "Resources Locks"},
                           Entry{"&Heavy Statements", "SENTENCIASPESADAS", "Heavy Statements"}}) {
        QAction *a = menuAction(&m, e.caption);
        QVERIFY2(a, e.caption);
        a->trigger();
        QWidget *w = m.form(e.form);
        QVERIFY2(w, e.form);
        QCOMPARE(w->windowTitle(), QString(e.title));
        a->trigger();
        QCOMPARE(m.form(e.form), w);
    }
    m.toolbarAction("tbServerStatus")->trigger();
    QWidget *status = m.form("ServerStatus");
    QVERIFY(status);
    QCOMPARE(status->windowTitle(), QString("Servers Status"));
    m.toolbarAction("tbServerStatus")->trigger();
    QCOMPARE(m.form("ServerStatus"), status);
    QCOMPARE(t.prompts.count(), 0u);
}

void MarcoMonitorTest::monitoringButtonAndTimer()
{
    WindowTest t;
    shell::registerAllWindows(t.ctx.windows);
    shell::Marco m(t.ctx);
    QVERIFY(!m.RelojSentenciasPesadas->isActive());
    QCOMPARE(m.RelojSentenciasPesadas->interval(), 15000);
    QCOMPARE(m.BtnSentenciasPesadas->text(), QString(monitor::kBeginMonitoring));
    m.BtnSentenciasPesadas_Click();
    QCOMPARE(m.BtnSentenciasPesadas->text(), QString(monitor::kStopMonitoring));
    QVERIFY(m.RelojSentenciasPesadas->isActive());

    // A tick records a sample and the timer runs on.
    QVERIFY(QMetaObject::invokeMethod(m.RelojSentenciasPesadas, "timeout"));
    QVERIFY(recordedRows(t) > 0);
    QVERIFY(m.RelojSentenciasPesadas->isActive());
    QCOMPARE(m.BtnSentenciasPesadas->text(), QString(monitor::kStopMonitoring));

    // A tick without a connection stops recording, and the button says so.
    t.ctx.slotTable[1].connectionFlag = 0;
    const long long before = recordedRows(t);
    QVERIFY(QMetaObject::invokeMethod(m.RelojSentenciasPesadas, "timeout"));
    QVERIFY(!m.RelojSentenciasPesadas->isActive());
    QCOMPARE(m.BtnSentenciasPesadas->text(), QString(monitor::kBeginMonitoring));
    QCOMPARE(recordedRows(t), before);
    // The next press starts it again.
    t.ctx.slotTable[1].connectionFlag = shell::kConnected;
    m.BtnSentenciasPesadas_Click();
    QVERIFY(m.RelojSentenciasPesadas->isActive());
    QCOMPARE(m.BtnSentenciasPesadas->text(), QString(monitor::kStopMonitoring));
    m.BtnSentenciasPesadas_Click();
    QVERIFY(!m.RelojSentenciasPesadas->isActive());
    QCOMPARE(t.prompts.count(), 0u);
}

QTEST_MAIN(MarcoMonitorTest)
#include "test_marco_monitor.moc"
