// The main window: start-up in its order, repository opening, the access code,
// the screen lock, toolbar keys, the clipboard and Exit.
#include "marco.h"
#include "windowtest.h"

#include "acercade.h"
#include "esquema.h"
#include "register.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <filesystem>
#include <fstream>

using harness::WindowTest;
using shell::Marco;

namespace {

harness::Options noConnection()
{
    harness::Options o;
    o.connect = false;
    return o;
}

void writeIni(const std::string &path, const std::string &dir)
{
    std::ofstream(path) << "[DIRECTORIOS]\nBDLOCAL=" << dir << "\n";
}

} // namespace

class MarcoTest : public QObject {
    Q_OBJECT
private slots:
    void startupLeavesEverySlotFree();
    void newRepositoryIsCreatedAndReported();
    void unopenableRepositoryIsLeftAlone();
    void settingsDefaultsAndPlainJoin();
    void accessCodeGuardsTheServersWindow();
    void screenLockNeedsTheCode();
    void toolbarMenusAndButtons();
    void clipboardAndExit();
    void windowArrangement();
};

void MarcoTest::startupLeavesEverySlotFree()
{
    WindowTest t(noConnection());
    Marco m(t.ctx);
    QVERIFY(m.Form_Load());
    QCOMPARE(m.objectName(), QString("MARCO"));
    QCOMPARE(m.windowTitle(), QString("SQL*Vigil 1.00"));
    QCOMPARE(m.ServidoresCombo->count(), 1);
    QCOMPARE(m.ServidoresCombo->currentText(), QString("DEMO"));
    QCOMPARE(t.ctx.slotTable.current, 1);
    QCOMPARE(t.ctx.slotTable[1].slotState, shell::kSlotFree);
    QVERIFY(!t.ctx.bloques.Bloque_Estado.empty());
    QCOMPARE(t.ctx.screenLock, 0);
    // The selector shows DEMO, yet Connect waits for a pick.
    m.toolbarAction("tbConnect")->trigger();
    QVERIFY(t.ctx.currentConnection() == nullptr);
    QCOMPARE(t.prompts.count(), 0u);
    m.ServidoresCombo_Click(0);
    m.toolbarAction("tbConnect")->trigger();
    QVERIFY2(t.ctx.currentConnection() != nullptr, t.prompts.log().c_str());
    QVERIFY(!m.toolbarAction("tbConnect")->isEnabled());
    QVERIFY(m.toolbarAction("tbDisconnect")->isEnabled());
    m.toolbarAction("tbExit")->trigger();              // does nothing
    QVERIFY(t.ctx.currentConnection() != nullptr);
    m.toolbarAction("tbDisconnect")->trigger();
    QVERIFY(t.ctx.currentConnection() == nullptr);
    QVERIFY(m.toolbarAction("tbConnect")->isEnabled());
}

void MarcoTest::newRepositoryIsCreatedAndReported()
{
    WindowTest t(noConnection());
    const std::string fresh = t.dir + "fresh/";
    std::filesystem::create_directory(fresh);
    writeIni(t.ctx.iniPath, fresh);
    t.prompts.answer(shell::vbAbort);
    Marco m(t.ctx);
    QVERIFY(m.Form_Load());
    QVERIFY(std::filesystem::exists(fresh + "SQLVigil.MDB"));
    QCOMPARE(t.prompts.count(), 1u);                    // no SERVIDORES table yet
    QCOMPARE(t.prompts.last().title, std::string("Error de Ejecución:3078"));
    QCOMPARE(m.ServidoresCombo->count(), 0);

    // Initialised but empty: selecting position 0 fails and is reported.
    t.prompts.clear();
    t.prompts.answerAlways(shell::vbIgnore);
    repository::iniciarRepositorio(t.ctx);
    t.prompts.clear();
    t.prompts.answerAlways(0);
    t.prompts.answer(shell::vbIgnore);
    Marco again(t.ctx);
    QVERIFY(again.Form_Load());
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().title, std::string("Error de Ejecución:380"));
}

void MarcoTest::unopenableRepositoryIsLeftAlone()
{
    WindowTest t(noConnection());
    const std::string dir = t.dir + "junk/";
    std::filesystem::create_directory(dir);
    writeIni(t.ctx.iniPath, dir);
    {
        std::ofstream(dir + "SQLVigil.MDB") << "precious, not a database";
    }
    Marco m(t.ctx);
    QVERIFY(!m.Form_Load());
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().icon(), int(shell::vbCritical));
    QVERIFY(t.prompts.last().text.find("left as it is") != std::string::npos);
    std::ifstream in(dir + "SQLVigil.MDB");
    std::string content;
    std::getline(in, content);
    QCOMPARE(content, std::string("precious, not a database"));

    // A directory that does not exist: neither opened nor created, the program ends.
    writeIni(t.ctx.iniPath, t.dir + "missing/");
    t.prompts.clear();
    Marco m2(t.ctx);
    QVERIFY(!m2.Form_Load());
    QVERIFY(t.prompts.last().text.find("neither opened nor created") != std::string::npos);
}

void MarcoTest::settingsDefaultsAndPlainJoin()
{
    WindowTest t(noConnection());
    // No settings file: the per-user default directory, made on first use.
    t.ctx.iniPath = t.dir + "absent.ini";
    t.ctx.defaultDirectory = t.dir + "data/sqlvigil/";
    t.prompts.answerAlways(shell::vbAbort);
    {
        Marco m(t.ctx);
        QVERIFY(m.Form_Load());
    }
    QVERIFY(std::filesystem::exists(t.dir + "data/sqlvigil/SQLVigil.MDB"));
    // A directory without its trailing slash is joined unchanged.
    t.ctx.iniPath = t.dir + "SQLVigil.ini";
    writeIni(t.ctx.iniPath, t.dir + "plain");
    {
        Marco m(t.ctx);
        QVERIFY(m.Form_Load());
    }
    QVERIFY(std::filesystem::exists(t.dir + "plainSQLVigil.MDB"));
}

void MarcoTest::accessCodeGuardsTheServersWindow()
{
    WindowTest t(noConnection());
    repository::registerWindows(t.ctx.windows);
    Marco m(t.ctx);
    QVERIFY(m.Form_Load());
    t.prompts.typePassword("vanto");                    // case matters
    m.mnuServers_Click();
    QVERIFY(m.form("SERVIDORES") == nullptr);
    QCOMPARE(t.prompts.messageCount(), 0u);             // no message for a wrong code
    QCOMPARE(t.prompts.last().dialogName, std::string("ENTSERVIDORES"));
    t.prompts.onDialog([](QDialog &) { return int(QDialog::Rejected); });   // closed without OK
    m.toolbarAction("tbServer")->trigger();
    QVERIFY(m.form("SERVIDORES") == nullptr);
    QCOMPARE(t.ctx.typedAccess, std::string());
    t.prompts.typePassword("VANTO");
    m.toolbarAction("tbServer")->trigger();
    QWidget *w = m.form("SERVIDORES");
    QVERIFY(w != nullptr);
    QCOMPARE(m.mdi()->subWindowList().size(), 1);
    t.prompts.typePassword("VANTO");
    m.mnuServers_Click();
    QCOMPARE(m.form("SERVIDORES"), w);                 // one instance
    QCOMPARE(m.mdi()->subWindowList().size(), 1);
    m.showForm("SESIONES_NOT_BUILT");                   // a window not in this build: nothing
    QCOMPARE(m.mdi()->subWindowList().size(), 1);
}

void MarcoTest::screenLockNeedsTheCode()
{
    WindowTest t(noConnection());
    Marco m(t.ctx);
    QVERIFY(m.Form_Load());
    int lockedDuringWrongCode = 0;
    bool stayedOpen = false;
    t.prompts.onDialog([&](QDialog &d) {
        auto *about = qobject_cast<shell::AcercaDe *>(&d);
        QTEST_ASSERT(about);
        lockedDuringWrongCode = t.ctx.screenLock;
        d.show();
        about->cmdOK->click();                         // wrong code: stays
        stayedOpen = d.isVisible();
        about->reject();                                // Escape: asks again, right code
        return d.result();
    });
    t.prompts.typePassword("WRONG");
    t.prompts.typePassword("VANTO");
    m.tbSecure_Click();
    QCOMPARE(lockedDuringWrongCode, -1);
    QVERIFY(stayedOpen);
    QCOMPARE(t.ctx.screenLock, 0);
    QVERIFY(t.prompts.planEmpty());
    QCOMPARE(t.prompts.messageCount(), 0u);

    // Unlocked, the About box closes at once; a close by the program is always allowed.
    t.ctx.screenLock = -1;
    shell::AcercaDe box(t.ctx);
    box.show();
    box.close();                                        // not spontaneous: allowed
    QVERIFY(!box.isVisible());
}

void MarcoTest::toolbarMenusAndButtons()
{
    WindowTest t(noConnection());
    Marco m(t.ctx);
    QStringList keys;
    for (QAction *a : m.ToolbarSQLVigil->actions())
        keys << a->objectName();
    QCOMPARE(keys, QStringList({"tbServer", "tbConnect", "tbDisconnect", "tbServerStatus", "tbMonitor",
                                "tbDependences", "tbNotes", "tbSecure", "tbSQL", "tbUsers", "tbMail", "tbTuning",
                                "tbGraph", "tbExit"}));
    QCOMPARE(m.toolbarAction("tbServerStatus")->text(), QString("Server Status"));
    QStringList menus;
    for (QAction *a : m.menuBar()->actions())
        menus << a->text();
    QCOMPARE(menus, QStringList({"&File", "&Edit", "&Structure", "&Objects", "&Security", "&Monitor", "&Reports",
                                 "&Windows", "&Help"}));
    auto *session = m.findChild<QAction *>("mnu_Session");
    QVERIFY(session && !session->isEnabled());
    QVERIFY(m.findChild<QAction *>("mnu_TablespacesAlerts")->isEnabled());
    QVERIFY(m.findChild<QComboBox *>("ServidoresCombo"));
    QVERIFY(m.findChild<QWidget *>("CoolBarSQLVigil"));
    QCOMPARE(m.BtnSentenciasPesadas->text(), QString("Begin SQL &Monitoring"));
    QCOMPARE(m.RelojSentenciasPesadas->interval(), 15000);
    QVERIFY(!m.RelojSentenciasPesadas->isActive());
    m.BtnSentenciasPesadas->click();
    QCOMPARE(m.BtnSentenciasPesadas->text(), QString("Stop SQL &Monitoring"));
    QVERIFY(m.RelojSentenciasPesadas->isActive());
    m.BtnSentenciasPesadas->click();
    QVERIFY(!m.RelojSentenciasPesadas->isActive());
}

void MarcoTest::clipboardAndExit()
{
    WindowTest t(noConnection());
    Marco m(t.ctx);
    QVERIFY(m.Form_Load());
    m.show();
    QApplication::setActiveWindow(&m);
    QApplication::clipboard()->setText("before");
    m.BtnSentenciasPesadas->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m.BtnSentenciasPesadas));
    m.copy();
    QCOMPARE(QApplication::clipboard()->text(), QString());
    // A text box: copy its selection, cut it, paste over the selection.
    auto *edit = new QLineEdit("alpha beta", &m);
    edit->show();
    edit->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(edit));
    edit->setSelection(0, 5);
    m.cut();
    QCOMPARE(QApplication::clipboard()->text(), QString("alpha"));
    QCOMPARE(edit->text(), QString(" beta"));
    edit->setSelection(1, 4);
    m.paste();
    QCOMPARE(edit->text(), QString(" alpha"));
    // A list box: copy the selected item, cut removes it, paste adds the clipboard text.
    auto *list = new QListWidget(&m);
    list->addItems({"one", "two"});
    list->show();
    list->setCurrentRow(1);
    list->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(list));
    m.cut();
    QCOMPARE(QApplication::clipboard()->text(), QString("two"));
    QCOMPARE(list->count(), 1);
    m.paste();
    QCOMPARE(list->item(1)->text(), QString("two"));

    m.ServidoresCombo_Click(0);
    m.toolbarAction("tbConnect")->trigger();
    QVERIFY(t.ctx.currentConnection() != nullptr);
    m.mnuExit_Click();                                  // closes every connection
    QVERIFY(t.ctx.currentConnection() == nullptr);
    QCOMPARE(t.ctx.slotTable[1].slotState, shell::kSlotFree);
    QCOMPARE(t.ctx.slotTable[1].SERVIDOR, std::string("DEMO"));   // texts kept
}

void MarcoTest::windowArrangement()
{
    WindowTest t(noConnection());
    for (const char *name : {"ONE", "TWO"})
        t.ctx.windows.add(name, [name](shell::AppContext &, QWidget *parent) {
            auto *w = new QWidget(parent);
            w->setWindowTitle(name);
            return w;
        });
    Marco m(t.ctx);
    m.resize(1000, 700);
    m.show();
    QWidget *one = m.showForm("ONE");
    QWidget *two = m.showForm("TWO");
    QVERIFY(one && two);
    m.arrange(2);                                       // side by side
    QWidget *f1 = one->parentWidget(), *f2 = two->parentWidget();
    QCOMPARE(f1->y(), f2->y());
    QVERIFY(f1->x() != f2->x());
    m.arrange(1);                                       // one above the other
    QCOMPARE(f1->x(), f2->x());
    QVERIFY(f1->y() != f2->y());
    m.arrange(0);                                       // cascade
    QVERIFY(f1->pos() != f2->pos());
    QCOMPARE(m.mdi()->subWindowList().size(), 2);
}

QTEST_MAIN(MarcoTest)
#include "test_marco.moc"
