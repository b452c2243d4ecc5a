// Everyday behaviour of the frame: auto-refresh presses the get button on its
// timer and waits while an error dialog is open; the error dialog's buttons and
// its Escape; the server selector follows the Servers window.
#include "autorefresh.h"
#include "errores.h"
#include "marco.h"
#include "prompts.h"
#include "registry.h"
#include "resultgrid.h"
#include "servidores.h"
#include "windowtest.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using harness::WindowTest;

class EverydayTest : public QObject {
    Q_OBJECT
private slots:
    void autoRefreshPressesTheGetButton();
    void autoRefreshWaitsUnderTheErrorDialog();
    void errorDialogButtonsAndEscape();
    void selectorFollowsTheRegistry();
};

void EverydayTest::autoRefreshPressesTheGetButton()
{
    WindowTest t;
    shell::registerAllWindows(t.ctx.windows);
    QWidget *w = t.adopt(t.ctx.windows.create("BLOSESIONES", t.ctx, nullptr));
    auto *ar = w->findChild<shell::AutoRefresh *>("AutoRefresh");
    QVERIFY(ar);
    auto *choice = w->findChild<QComboBox *>("AutoRefreshInterval");
    QCOMPARE(choice->currentText(), QString("Off"));          // off when the window opens
    QVERIFY(!ar->timer()->isActive());
    QCOMPARE(choice->count(), 4);
    choice->setCurrentIndex(2);
    QCOMPARE(ar->interval(), 15);
    QCOMPARE(ar->timer()->interval(), 15000);
    QVERIFY(ar->timer()->isActive());

    // Each tick is a press of "&Get Session": the window queries again.
    t.clearStatements();
    ar->timer()->setInterval(20);
    QTest::qWait(130);
    const auto sent = t.statements().size();
    QVERIFY2(sent >= 3, qPrintable(QString::number(sent)));
    choice->setCurrentIndex(0);
    QVERIFY(!ar->timer()->isActive());
    t.clearStatements();
    QTest::qWait(60);
    QCOMPARE(t.statements().size(), 0u);
}

void EverydayTest::autoRefreshWaitsUnderTheErrorDialog()
{
    WindowTest t;
    QWidget host;
    auto *get = new QPushButton("&Get", &host);
    auto *row = new QHBoxLayout(&host);
    row->addWidget(get);
    int presses = 0, failAt = 2;
    QObject::connect(get, &QPushButton::clicked, &host, [&] {
        ++presses;
        shell::GuardedOperation op(t.ctx);
        op.step([&] {
            if (presses == failAt)
                shell::Err_Raise(shell::kErrSubscript, "boom");
        });
    });
    auto *ar = shell::AutoRefresh::attach(t.ctx, get);
    QCOMPARE(row->indexOf(ar), 1);                     // right after the button
    host.show();
    int pressesWhileShown = -1;
    t.prompts.whileShown = [&](const harness::PromptRecord &) {
        const int before = presses;
        QTest::qWait(150);                               // ticks arrive meanwhile
        pressesWhileShown = presses - before;
    };
    t.prompts.answerAlways(shell::vbAbort);
    ar->setInterval(5);
    ar->timer()->setInterval(20);
    QTRY_VERIFY_WITH_TIMEOUT(presses >= 4, 3000);
    QCOMPARE(t.prompts.messageCount(), 1u);
    QCOMPARE(pressesWhileShown, 0);
    // A disabled button is not pressed.
    get->setEnabled(false);
    const int now = presses;
    QTest::qWait(80);
    QCOMPARE(presses, now);
}

void EverydayTest::errorDialogButtonsAndEscape()
{
    shell::QtPromptService real;
    shell::AppContext ctx(real);
    QStringList order;
    QString defaultCaption;
    auto pressEscape = [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        QList<QAbstractButton *> buttons = box->buttons();
        std::sort(buttons.begin(), buttons.end(), [](auto *a, auto *b) { return a->x() < b->x(); });
        order.clear();
        for (auto *b : buttons)
            order.append(b->text());
        defaultCaption = box->defaultButton() ? box->defaultButton()->text() : QString();
        QTest::keyClick(box, Qt::Key_Escape);
    };

    bool later = false;
    QTimer::singleShot(50, pressEscape);
    shell::GuardedOperation op(ctx);
    op.step([] { shell::Err_Raise(shell::kErrSubscript, "no such slot"); });
    op.step([&] { later = true; });
    op.finish();
    QCOMPARE(order, QStringList({"&Abort", "&Retry", "&Ignore"}));
    QCOMPARE(defaultCaption, QString("&Abort"));
    QCOMPARE(op.lastAnswer(), int(shell::vbAbort));
    QVERIFY(!later);                                    // Escape ended the operation

    // The close button answers Abort too.
    QTimer::singleShot(50, [] {
        if (auto *box = QApplication::activeModalWidget())
            box->close();
    });
    QCOMPARE(real.MsgBox("x", shell::vbAbortRetryIgnore + shell::vbCritical, "Error de Ejecución:9"),
             int(shell::vbAbort));
    // A Yes/No question keeps No for Escape.
    QTimer::singleShot(50, [] {
        if (auto *box = QApplication::activeModalWidget())
            QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(real.MsgBox("Sure?", shell::vbYesNo + shell::vbCritical + shell::vbDefaultButton2, "Cuidado!"),
             int(shell::vbNo));
}

namespace {
void addServer(repository::Servidores *w, const QString &name)
{
    WindowTest::click(w, "SNuevo");
    w->eServidor->setText(name);
    w->eRDBMS->setCurrentIndex(1);
    w->eRDBMS_Click();
    w->eInstancia->setText("ORCL");
    w->eConeccion->setText("sim:ORCL");
    w->eLogin->setText("SYSTEM");
    w->ePassword->setText("MANAGER");
    w->eLoginTimeOut->setText("30");
    w->eQueryTimeOut->setText("60");
    WindowTest::click(w, "SNuevo");
}
} // namespace

void EverydayTest::selectorFollowsTheRegistry()
{
    harness::Options o;
    o.connect = false;
    WindowTest t(o);
    shell::registerAllWindows(t.ctx.windows);
    shell::Marco m(t.ctx);
    QVERIFY(m.Form_Load());
    QCOMPARE(m.ServidoresCombo->count(), 1);
    int picks = 0;
    QObject::connect(m.ServidoresCombo, &QComboBox::activated, &m, [&] { ++picks; });
    auto *w = static_cast<repository::Servidores *>(m.showForm("SERVIDORES"));
    QVERIFY(w);
    addServer(w, "ALPHA");
    QCOMPARE(m.ServidoresCombo->count(), 2);            // no restart needed
    QCOMPARE(m.ServidoresCombo->itemText(1), QString("ALPHA"));
    addServer(w, "BETA");
    QCOMPARE(m.ServidoresCombo->count(), 3);

    // Connect BETA (third entry), then delete DEMO above it: BETA moves up and stays connected.
    m.ServidoresCombo->setCurrentIndex(2);
    emit m.ServidoresCombo->activated(2);
    m.toolbarAction("tbConnect")->trigger();
    QVERIFY2(t.ctx.currentConnection(), t.prompts.log().c_str());
    shell::ResultGridModel *list = w->LServidores->grid();
    WindowTest::click(w, "GServidores");
    list->setCurrentRow(1);
    QCOMPARE(list->text(1, 0), QString("DEMO"));
    WindowTest::click(w, "SEliminar");
    QCOMPARE(m.ServidoresCombo->count(), 2);
    QCOMPARE(m.ServidoresCombo->currentText(), QString("BETA"));
    QCOMPARE(t.ctx.slotTable.current, 2);
    QVERIFY(t.ctx.currentConnection() != nullptr);
    QCOMPARE(t.ctx.slotTable[2].SERVIDOR, std::string("BETA"));
    QVERIFY(!m.toolbarAction("tbConnect")->isEnabled());
    QVERIFY(m.toolbarAction("tbDisconnect")->isEnabled());
    // The selector's own slot still answers a pick.
    const int before = picks;
    emit m.ServidoresCombo->activated(0);
    QCOMPARE(picks, before + 1);
    QCOMPARE(t.ctx.slotTable.current, 1);
    QCOMPARE(t.ctx.slotTable[1].SERVIDOR, std::string("ALPHA"));
}

QTEST_MAIN(EverydayTest)
#include "test_everyday.moc"
