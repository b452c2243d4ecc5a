// The main window with the instance activity windows built in: menu and toolbar
// entries open them once each, and the heavy-statement button and timer record
// through the recorder and tell the truth about it.
#include "marco.h"
#include "windowtest.h"

#include "muestreo.h"
#include "registry.h"
#include "resultgrid.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QTabWidget>
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

// The grid shows every column's longest text without scrolling sideways, and
// all its rows or at least eight of them.
void showsItsData(shell::ResultGrid *g, const char *form)
{
    const QString where = QString("%1/%2").arg(form, g->objectName());
    const QFontMetrics fm = g->fontMetrics();
    QFont bold = g->font();
    bold.setBold(true);   // the header captions are drawn bold
    const QFontMetrics header(bold);
    auto *m = g->grid();
    for (int c = 0; c < m->cols(); ++c) {
        int need = header.horizontalAdvance(m->text(0, c)) + 12;
        for (int r = 1; r < m->rows(); ++r)
            need = std::max(need, fm.horizontalAdvance(m->text(r, c)) + 8);
        if (c + 1 < m->cols())
            QVERIFY2(need <= g->columnWidth(c), qPrintable(where + " column " + m->text(0, c) +
                                                           QString(" needs %1 in %2").arg(need).arg(g->columnWidth(c))));
        QVERIFY2(g->columnViewportPosition(c) + need <= g->viewport()->width(),
                 qPrintable(where + " column " + m->text(0, c) + QString(" needs %1 from %2 in %3")
                                .arg(need).arg(g->columnViewportPosition(c)).arg(g->viewport()->width())));
    }
    const int dataRows = m->rows() - 1;
    const int visible = g->viewport()->height() / g->rowHeight(1);
    QVERIFY2(visible >= std::min(dataRows, 8),
             qPrintable(where + QString(": %1 of %2 rows visible").arg(visible).arg(dataRows)));
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

} // namespace

class MarcoMonitorTest : public QObject {
    Q_OBJECT
private slots:
    void menusOpenOneInstanceEach();
    void monitoringButtonAndTimer();
    void healthWindowsOpenAtASizeShowingTheirData();
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

void MarcoMonitorTest::healthWindowsOpenAtASizeShowingTheirData()
{
    WindowTest t;
    shell::registerAllWindows(t.ctx.windows);
    shell::Marco m(t.ctx);
    m.resize(1280, 860);
    m.show();
    struct Entry {
        const char *caption;
        const char *form;
        const char *title;
        const char *fill;     // the button that fills the window ("" when it fills on opening)
    };
    for (const Entry &e : {Entry{"General &Areas", "MEMORIA", "Memory", "GMemoria"},
                           Entry{"&Memoria Sesion", "MEMSESION", "Memoria por Sesiones", ""},
                           Entry{"&Process", "PROCESOS", "Process", "GProcesos"},
                           Entry{"&Contentions", "CONTENCIONES", "Contentions", "GContenciones"},
                           Entry{"&Control Files", "CFILES", "Control Files", "GControlfiles"},
                           Entry{"Redo&Log Files", "REDOLOG", "RedoLog Files", "GRedolog"}}) {
        QAction *a = menuAction(&m, e.caption);
        QVERIFY2(a, e.caption);
        a->trigger();
        QWidget *w = m.form(e.form);
        QVERIFY2(w, e.form);
        QCOMPARE(w->windowTitle(), QString(e.title));
        a->trigger();
        QCOMPARE(m.form(e.form), w);
        if (*e.fill)
            WindowTest::click(w, e.fill);
        settle();
        QVERIFY2(t.prompts.count() == 0, t.prompts.log().c_str());
        // The window as it opened, not stretched by the frame.
        QVERIFY2(w->width() >= w->minimumSizeHint().width() && w->height() >= w->minimumSizeHint().height(), e.form);
        auto *tabs = w->findChild<QTabWidget *>();
        const int pages = tabs ? tabs->count() : 1;
        for (int p = 0; p < pages; ++p) {
            if (tabs) {
                tabs->setCurrentIndex(p);
                settle();
            }
            for (auto *g : w->findChildren<shell::ResultGrid *>())
                if (g->isVisible())
                    showsItsData(g, e.form);
        }
        // Figures and list items read in full.
        for (auto *l : w->findChildren<QLabel *>())
            if (l->isVisible() && !l->wordWrap() && !l->text().isEmpty())
                QVERIFY2(l->width() >= l->fontMetrics().horizontalAdvance(l->text()),
                         qPrintable(QString(e.form) + ": " + l->text()));
        for (auto *list : w->findChildren<QListWidget *>()) {
            QVERIFY(list->count() > 8);
            for (int i = 0; i < list->count(); ++i)
                QVERIFY2(list->fontMetrics().horizontalAdvance(list->item(i)->text()) + 8 <= list->viewport()->width(),
                         qPrintable(list->item(i)->text()));
            QVERIFY(list->viewport()->height() / list->sizeHintForRow(0) >= 8);
        }
    }
}

QTEST_MAIN(MarcoMonitorTest)
#include "test_marco_monitor.moc"
