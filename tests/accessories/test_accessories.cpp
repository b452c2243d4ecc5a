// The calculator's key rules, the calendar, the task guide, the About box (texts,
// logo, the system-information program, the screen lock) and the menu entries of
// the main window that open these windows and the SQL editor.
#include "ayuda.h"
#include "calculadora.h"
#include "calendario.h"
#include "guiarentareas.h"
#include "windowtest.h"

#include "acercade.h"
#include "marco.h"
#include "prompts.h"
#include "registry.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTextBrowser>

using accessories::Calculadora;
using harness::WindowTest;

class AccessoriesTest : public QObject {
    Q_OBJECT
private slots:
    void calculatorEntriesAndClearing();
    void calculatorOperations();
    void calculatorDivisionByZeroAndPercent();
    void calculatorKeysAndKeyboard();
    void calendarShowsToday();
    void taskGuideKeepsNothing();
    void aboutBoxTextsAndSystemInformation();
    void screenLockRefusesAWrongCode();
    void menusOpenTheWindows();
    void helpShowsThePageOfTheActiveWindow();
};

namespace {

harness::Options noConnection()
{
    harness::Options o;
    o.connect = false;
    return o;
}

QString keys(Calculadora *c, const QStringList &sequence)
{
    for (const QString &k : sequence)
        c->press(k);
    return c->readout();
}

} // namespace

void AccessoriesTest::calculatorEntriesAndClearing()
{
    WindowTest t(noConnection());
    auto *c = t.open<Calculadora>();
    QCOMPARE(c->windowTitle(), QString("Calculator"));
    QCOMPARE(c->Readout->text(), QString("0."));
    QCOMPARE(keys(c, {"1", "2"}), QString("12."));
    QCOMPARE(keys(c, {".", "5"}), QString("12.5"));
    QCOMPARE(c->Readout->text(), QString("12.5"));
    QCOMPARE(keys(c, {"C"}), QString("0."));
    // A second "." in one entry adds nothing.
    QCOMPARE(keys(c, {"3", ".", ".", "2"}), QString("3.2"));
    // CE clears the entry only: the pending operation survives.
    QCOMPARE(keys(c, {"C", "7", "+", "5", "CE", "2", "="}), QString("9."));
    // "." starting an entry.
    QCOMPARE(keys(c, {"C", ".", "2", "5"}), QString("0.25"));
    // "-" as the first key starts a negative entry, not a subtraction.
    QCOMPARE(keys(c, {"C", "-"}), QString("-0."));
    QCOMPARE(keys(c, {"5"}), QString("-5."));
    QCOMPARE(keys(c, {"+", "8", "="}), QString("3."));
    QCOMPARE(keys(c, {"C", "-", ".", "5"}), QString("-0.5"));
    // "-" right after an operator: a negative second operand.
    QCOMPARE(keys(c, {"C", "6", "X", "-", "2", "="}), QString("-12."));
    QCOMPARE(t.prompts.count(), 0u);
}

void AccessoriesTest::calculatorOperations()
{
    WindowTest t(noConnection());
    auto *c = t.open<Calculadora>();
    QCOMPARE(keys(c, {"1", "2", "+", "3", "0", "="}), QString("42."));
    QCOMPARE(keys(c, {"C", "9", "-", "4", "="}), QString("5."));
    QCOMPARE(keys(c, {"C", "6", "X", "7", "="}), QString("42."));
    QCOMPARE(keys(c, {"C", "7", "/", "2", "="}), QString("3.5"));
    // Operations chain in the order typed; each operator shows the running result.
    QCOMPARE(keys(c, {"C", "2", "+", "3", "X"}), QString("5."));
    QCOMPARE(keys(c, {"4", "="}), QString("20."));
    // A new entry after "=" starts over from it.
    QCOMPARE(keys(c, {"C", "2", "+", "2", "=", "5", "="}), QString("5."));
    QCOMPARE(keys(c, {"C", "0", ".", "1", "+", "0", ".", "2", "="}), QString("0.3"));
    QCOMPARE(t.prompts.count(), 0u);
}

void AccessoriesTest::calculatorDivisionByZeroAndPercent()
{
    WindowTest t(noConnection());
    auto *c = t.open<Calculadora>();
    QCOMPARE(keys(c, {"8", "/", "0", "="}), QString("8."));
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().text, std::string("Can't divide by zero"));
    QCOMPARE(t.prompts.last().title, std::string("Calculator"));
    QCOMPARE(c->firstOperand(), 8.0);
    // The calculator goes on from 8.
    QCOMPARE(keys(c, {"+", "2", "="}), QString("10."));
    QCOMPARE(keys(c, {"C", "5", "0", "%"}), QString("0.5"));
    QCOMPARE(keys(c, {"C", "2", "0", "0", "X", "1", "0", "%", "="}), QString("20."));
    QCOMPARE(t.prompts.count(), 1u);
}

void AccessoriesTest::calculatorKeysAndKeyboard()
{
    WindowTest t(noConnection());
    auto *c = t.open<Calculadora>();
    QTest::mouseClick(WindowTest::child(c, "Number4"), Qt::LeftButton);
    QTest::mouseClick(WindowTest::child(c, "OperatorTimes"), Qt::LeftButton);
    QTest::mouseClick(WindowTest::child(c, "Number5"), Qt::LeftButton);
    QTest::mouseClick(WindowTest::child(c, "OperatorEquals"), Qt::LeftButton);
    QCOMPARE(c->Readout->text(), QString("20."));
    QTest::mouseClick(WindowTest::child(c, "Cancel"), Qt::LeftButton);
    QCOMPARE(c->Readout->text(), QString("0."));
    QTest::keyClicks(c, "9*3");
    QTest::keyClick(c, Qt::Key_Return);
    QCOMPARE(c->Readout->text(), QString("27."));
    QTest::keyClick(c, Qt::Key_Escape);
    QCOMPARE(c->Readout->text(), QString("0."));
    // Big enough for the keypad.
    QVERIFY(c->width() >= 220 && c->height() >= 260);
}

void AccessoriesTest::calendarShowsToday()
{
    WindowTest t(noConnection());
    auto *w = t.open<accessories::Calendario>();
    QCOMPARE(w->objectName(), QString("CALENDARIO"));
    QCOMPARE(w->windowTitle(), QString("Calendar"));
    QCOMPARE(w->SQLCalendario->selectedDate(), QDate::currentDate());
    QCOMPARE(w->SQLCalendario->monthShown(), QDate::currentDate().month());
    QCOMPARE(w->btnSalir->text(), QString("&Exit"));
    harness::ScriptedPrompts prompts;
    shell::AppContext ctx(prompts);
    accessories::Calendario alone(ctx);
    QVERIFY(alone.width() >= 300 && alone.height() >= 240);
}

void AccessoriesTest::taskGuideKeepsNothing()
{
    WindowTest t(noConnection());
    auto *w = t.open<accessories::GuiarEnTareas>();
    QCOMPARE(w->windowTitle(), QString("Guia de Tareas Principales"));
    QCOMPARE(w->Procedimientos->title(), QString::fromUtf8("Procedimientos de Administración y Monitoreo"));
    const QStringList expected = {"Poco espacio libre en los Tablespace",
                                  "Espacio de Segmentos Temporales insuficiente",
                                  "Segmentos de Rollback en Max Extents",
                                  QString::fromUtf8("Fragmentación de los segmentos de datos"),
                                  "Areas del SGA mal dimensionadas", "Sesiones bloqueadas"};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(w->Tareas[static_cast<std::size_t>(i)]->text(), expected[i]);
        QVERIFY(!w->Tareas[static_cast<std::size_t>(i)]->isChecked());
    }
    w->Tareas[2]->click();
    QVERIFY(w->Tareas[2]->isChecked());
    // A new opening starts with nothing ticked.
    auto *again = t.open<accessories::GuiarEnTareas>();
    QVERIFY(!again->Tareas[2]->isChecked());
    QCOMPARE(t.prompts.count(), 0u);
}

void AccessoriesTest::aboutBoxTextsAndSystemInformation()
{
    WindowTest t(noConnection());
    shell::AcercaDe box(t.ctx);
    QCOMPARE(box.objectName(), QString("ACERCA_DE_Principal"));
    QCOMPARE(box.windowTitle(), QString("About SQL*Vigil"));
    QCOMPARE(box.lblTitle->text(), QString("SQL*Vigil"));
    QCOMPARE(box.lblVersion->text(), QString("Version 1.0.0"));
    QCOMPARE(box.lblDescription->text(), QString("Oracle DBA Tool"));
    QVERIFY(!box.Television->pixmap().isNull());
    QCOMPARE(box.cmdSysInfo->text(), QString("&System Info..."));
    // No program found: the message, nothing started.
    QStringList started;
    box.startProgram = [&](const QString &p) {
        started << p;
        return true;
    };
    box.sysInfoPrograms = {"no-such-sysinfo-program", "/no/such/dir/sysinfo"};
    box.cmdSysInfo->click();
    QVERIFY(started.isEmpty());
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().text, std::string("System Information Is Unavailable At This Time"));
    QCOMPARE(t.prompts.last().buttons(), int(shell::vbOKOnly));
    // The first program present is started; one that fails to start passes to the next.
    const QString sh = QStandardPaths::findExecutable("sh");
    QVERIFY(!sh.isEmpty());
    box.sysInfoPrograms = {"no-such-sysinfo-program", "sh", "true"};
    box.cmdSysInfo->click();
    QCOMPARE(started, QStringList{sh});
    started.clear();
    box.startProgram = [&](const QString &p) {
        started << p;
        return started.size() > 1;
    };
    box.cmdSysInfo->click();
    QCOMPARE(started.size(), 2);
    QCOMPARE(t.prompts.count(), 1u);
    QVERIFY(box.minimumWidth() >= 420);
}

void AccessoriesTest::screenLockRefusesAWrongCode()
{
    WindowTest t(noConnection());
    t.ctx.screenLock = -1;
    shell::AcercaDe box(t.ctx);
    box.show();
    t.prompts.typePassword("NOTIT");
    box.cmdOK->click();
    QVERIFY(box.isVisible());
    QCOMPARE(t.ctx.screenLock, -1);
    t.prompts.typePassword("VANTO");
    box.cmdOK->click();
    QVERIFY(!box.isVisible());
    QCOMPARE(t.ctx.screenLock, 0);
    // Unlocked, OK closes at once without asking.
    const auto asked = t.prompts.count();
    box.show();
    box.cmdOK->click();
    QVERIFY(!box.isVisible());
    QCOMPARE(t.prompts.count(), asked);
}

void AccessoriesTest::menusOpenTheWindows()
{
    WindowTest t(noConnection());
    shell::registerAllWindows(t.ctx.windows);
    shell::Marco m(t.ctx);
    QVERIFY(m.Form_Load());
    const std::pair<const char *, const char *> entries[] = {
        {"mnu_Calculator", "CALCULADORA"},
        {"mnu_Calendar", "CALENDARIO"},
        {"mnu_Worksequences", "GUIAR_EN_TAREAS"},
        {"mnu_EditorSQLPLSQL", "SQL_PLSQL_Editor"},
    };
    for (const auto &[action, form] : entries) {
        auto *a = m.findChild<QAction *>(action);
        QVERIFY2(a, action);
        a->trigger();
        QWidget *w = m.form(form);
        QVERIFY2(w, form);
        QCOMPARE(w->objectName(), QString(form));
        a->trigger();
        QCOMPARE(m.form(form), w);   // one instance each
    }
    QCOMPARE(m.mdi()->subWindowList().size(), 4);
}

void AccessoriesTest::helpShowsThePageOfTheActiveWindow()
{
    WindowTest t(noConnection());
    shell::registerAllWindows(t.ctx.windows);
    shell::Marco m(t.ctx);
    QVERIFY(m.Form_Load());
    auto *index = m.findChild<QAction *>("mnu_Index");
    QVERIFY(index);
    QCOMPARE(index->shortcut(), QKeySequence(Qt::Key_F1));
    // No window open: the program's page, listing the windows.
    index->trigger();
    auto *help = m.findChild<accessories::Ayuda *>("AYUDA");
    QVERIFY(help && help->isVisible());
    QVERIFY(help->AyudaTexto->toPlainText().contains("SQL-PL/SQL Editor"));
    QCOMPARE(help->windowTitle(), QString("SQL*Vigil Help"));
    // The active window's page, in the same help window.
    m.showForm("SQL_PLSQL_Editor");
    index->trigger();
    QCOMPARE(m.findChildren<accessories::Ayuda *>("AYUDA").size(), 1);
    QCOMPARE(help->windowTitle(), QString("SQL*Vigil Help - SQL-PL/SQL Editor"));
    QVERIFY(help->AyudaTexto->toPlainText().contains("Ctrl+Enter"));
    m.showForm("CALCULADORA");
    index->trigger();
    QCOMPARE(help->windowTitle(), QString("SQL*Vigil Help - Calculator"));
    // Every window the menus open has its page.
    for (const char *form : {"SERVIDORES", "SESIONES", "BLOSESIONES", "BLORECURSOS", "SENTENCIASPESADAS", "PARAMETROS",
                             "TABLESPACE", "DATAFILES", "MIROLLBACK", "USUARIOS", "ROLES", "GRANTS", "SINONIMOS",
                             "CLUSTERS", "MDATABAS", "CALENDARIO", "GUIAR_EN_TAREAS", "MEMORIA", "PESOS_IO",
                             "CONTENCIONES", "PROCESOS", "REDOLOG", "CFILES", "SEGQNOPC", "TABLAS", "INDICES",
                             "VISTAS", "SEQUENCIAS", "MEMSESION"})
        QVERIFY2(accessories::hasHelpPage(form), form);
    // A link of the program's page opens that window's page.
    help->showPage(std::string());
    emit help->AyudaTexto->anchorClicked(QUrl("#SESIONES"));
    QCOMPARE(help->windowTitle(), QString("SQL*Vigil Help - Sessions"));
}

QTEST_MAIN(AccessoriesTest)
#include "test_accessories.moc"
