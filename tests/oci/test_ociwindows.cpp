// The client library as the console's windows use it: the per-server client choice
// and its dialog, and a window whose client process dies under it.
#include "clientdriver.h"
#include "clientes.h"
#include "conexiones.h"
#include "servidores.h"
#include "sesiones.h"
#include "windowtest.h"

#include "resultgrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <thread>
#include <unistd.h>

using harness::WindowTest;

namespace {

const std::string kStandin = OCI_STANDIN_DIR;

// The client processes this test process started.
std::vector<int> clientProcesses()
{
    std::vector<int> pids;
    DIR *d = ::opendir("/proc");
    while (dirent *e = d ? ::readdir(d) : nullptr) {
        int pid = std::atoi(e->d_name);
        if (pid <= 0) continue;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        auto close = line.rfind(')');
        if (close == std::string::npos || line.find("(sqlvigil-oci)") == std::string::npos) continue;
        char state = 0;
        int ppid = 0;
        std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid);
        if (ppid == ::getpid() && state != 'Z') pids.push_back(pid);
    }
    if (d) ::closedir(d);
    return pids;
}

// Connects DEMO's slot through the client library in the conformance directory.
struct ViaClient {
    ViaClient() { ::setenv("SQLVIGIL_SIM_VIA_CLIENT", kStandin.c_str(), 1); }
    ~ViaClient() { ::unsetenv("SQLVIGIL_SIM_VIA_CLIENT"); }
};

void addServer(WindowTest &t, const std::string &name, const std::string &connection)
{
    auto rs = t.ctx.repository->OpenRecordset("SERVIDORES", 1);
    rs->AddNew();
    for (auto [field, value] : {std::pair<const char *, std::string>{"SERVIDOR", name}, {"RDBMS", "ORACLE 9"},
                                {"VERSION", "9i"}, {"INSTANCIA", "ORCL"}, {"CONECCION", connection},
                                {"FORMATO", "TNS"}, {"LOGIN", "SYSTEM"}, {"PASSWORD", "x"}, {"ESTADO", "SQL*Vigil"}})
        rs->SetField(field, value);
    rs->SetField("LOGIN_TIME_OUT", 30);
    rs->SetField("QUERY_TIME_OUT", 60);
    rs->Update();
}

} // namespace

class OciWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { oci::setClientDirectoryResolver(nullptr); }
    void theClientDialogStoresTheChoiceAndServersFollowIt();
    void theServersWindowOpensTheDialogForTheCurrentServer();
    void aDeadClientProcessReachesTheErrorDialogAndConnectWorksAgain();
};

void OciWindowsTest::theClientDialogStoresTheChoiceAndServersFollowIt()
{
    WindowTest t;
    addServer(t, "PAYROLL", "//dbhost:1521/ORCL");
    repository::ClienteOracle dialog(t.ctx, "PAYROLL", "ORCL");
    dialog.show();
    QCOMPARE(dialog.objectName(), QString("CLIENTE_ORACLE"));
    QVERIFY(dialog.windowTitle().contains("PAYROLL"));
    QCOMPARE(dialog.eDirectorio->text(), QString());
    QCOMPARE(dialog.lEstado->text(), QString("The default client is used."));
    QVERIFY(!dialog.lDefecto->text().isEmpty());
    // Every line shows whole at the size it opens with.
    for (QLabel *l : {dialog.lEstado, dialog.lDefecto})
        QVERIFY(l->height() >= l->heightForWidth(l->width()));
    QVERIFY(dialog.width() >= dialog.sizeHint().width());

    dialog.eDirectorio->setText("/nonexistent");
    QCOMPARE(dialog.lEstado->text(), QString("No libclntsh.so in this directory."));
    dialog.eDirectorio->setText(QString::fromStdString(kStandin));
    QCOMPARE(dialog.lEstado->text(), QString::fromStdString("Uses " + kStandin + "/libclntsh.so"));
    dialog.SAceptar->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(repository::clientDirectory(*t.ctx.repository, "PAYROLL", "ORCL"), kStandin);
    QCOMPARE(repository::clientDirectory(*t.ctx.repository, "DEMO", "ORCL"), std::string());

    // The server's connection text now reaches the chosen client.
    QCOMPARE(oci::chosenClientDirectory("//dbhost:1521/ORCL"), kStandin);
    auto db = t.ctx.session->DbOpenDatabase("//dbhost:1521/ORCL", "system/manager");
    QCOMPARE(db->DbCreateDynaset("select 'real' x from dual")->Fields("X").toString(), std::string("real"));
    db->Close();

    // An empty directory removes the choice again.
    repository::ClienteOracle again(t.ctx, "PAYROLL", "ORCL");
    QCOMPARE(again.eDirectorio->text(), QString::fromStdString(kStandin));
    again.eDirectorio->clear();
    again.SAceptar->click();
    QCOMPARE(repository::clientDirectory(*t.ctx.repository, "PAYROLL", "ORCL"), std::string());
    QCOMPARE(oci::chosenClientDirectory("//dbhost:1521/ORCL"), std::string());
}

void OciWindowsTest::theServersWindowOpensTheDialogForTheCurrentServer()
{
    WindowTest t;
    auto *w = t.open<repository::Servidores>();
    QVERIFY(w->SCliente->isEnabled());
    // Nothing listed yet: it says to choose a server.
    t.click(w, "SCliente");
    QCOMPARE(t.prompts.count(), 1u);
    QVERIFY(t.prompts.last().text.find("Choose the server") != std::string::npos);
    t.click(w, "GServidores");
    w->LServidores->grid()->setCurrentRow(1);
    std::string title;
    t.prompts.onDialog([&](QDialog &d) {
        title = d.windowTitle().toStdString();
        d.findChild<QLineEdit *>("eDirectorio")->setText(QString::fromStdString(kStandin));
        d.findChild<QPushButton *>("SAceptar")->click();
        return int(QDialog::Accepted);
    });
    t.click(w, "SCliente");
    QCOMPARE(t.prompts.count(), 2u);
    QCOMPARE(t.prompts.last().dialogName, std::string("CLIENTE_ORACLE"));
    QCOMPARE(title, std::string("Oracle Client - DEMO"));
    QCOMPARE(repository::clientDirectory(*t.ctx.repository, "DEMO", "ORCL"), kStandin);
    // Editing locks the button like the others.
    t.click(w, "SNuevo");
    QVERIFY(!w->SCliente->isEnabled());
    t.click(w, "SSalir");
    QVERIFY(w->SCliente->isEnabled());
}

void OciWindowsTest::aDeadClientProcessReachesTheErrorDialogAndConnectWorksAgain()
{
    ViaClient via;
    WindowTest t;
    auto *w = t.open<monitor::Sesiones>();
    t.click(w, "GSession");
    QCOMPARE(t.prompts.count(), 0u);
    const int listed = t.rows(w, "LSesion");
    QVERIFY(listed > 2);
    const auto pids = clientProcesses();
    QVERIFY(!pids.empty());
    for (int pid : pids) QCOMPARE(::kill(pid, SIGKILL), 0);
    for (int i = 0; i < 200 && !clientProcesses().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    // The console is still here; the window gets the lost connection as a server error.
    t.prompts.answerAlways(shell::vbAbort);
    t.click(w, "GSession");
    QVERIFY(t.prompts.count() >= 1u);
    QCOMPARE(t.prompts.seen().front().title, std::string("Error de Ejecución:440"));
    QVERIFY2(t.prompts.seen().front().text.find("ORA-03113") != std::string::npos, t.prompts.log().c_str());

    // Disconnect, pick DEMO, Connect: a new client process serves the slot.
    t.prompts.clear();
    t.prompts.answerAlways(0);
    connections::disconnect(t.ctx);
    connections::selectServer(t.ctx, 0, "DEMO");
    connections::connect(t.ctx);
    QCOMPARE(t.ctx.slotTable[1].connectionFlag, shell::kConnected);
    QVERIFY(!clientProcesses().empty());
    auto set = t.ctx.slotTable.connection(1)->DbCreateDynaset("select count(*) n from v$session");
    QVERIFY(set->Fields("N").toDouble() >= 1);
    QVERIFY2(t.prompts.messageCount() == 0u, t.prompts.log().c_str());
}

QTEST_MAIN(OciWindowsTest)
#include "test_ociwindows.moc"
