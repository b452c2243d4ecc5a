// Screenshots of the console waiting for servers (not a test):
//   sqlvigil_responsive_shots DIR OUTDIR
// status_cancel.png    the frame while the Sessions window waits for a hung server:
//                      the status bar tells what runs where, with its Cancel button;
// status_answer.png    the error dialog's text after Cancel, in the status bar;
// serverstatus_hung.png  Servers Status with one server answering and one hung.
#include "marco.h"
#include "serverstatus.h"
#include "shotconsole.h"
#include "windowtest.h"

#include "callwaiter.h"
#include "localdb.h"
#include "sqlcvpg.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <cstdio>
#include <fstream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: sqlvigil_responsive_shots DIR OUTDIR\n");
        return 2;
    }
    const std::string out = argv[2];
    harness::ShotConsole console(argv[1]);
    if (!console.loaded())
        return 1;
    shell::Marco &marco = console.marco();
    // A second server that never answers, with a statement limit of 2 s.
    {
        auto rs = console.ctx.repository->OpenRecordset("SELECT * FROM SERVIDORES WHERE SERVIDOR = 'FARAWAY'");
        if (rs->IsEOF()) {
            auto add = console.ctx.repository->OpenRecordset("SERVIDORES", 1);
            add->AddNew();
            add->SetField("SERVIDOR", "FARAWAY");
            add->SetField("RDBMS", "ORACLE 9");
            add->SetField("CONECCION", "sim:ORCL?hang=1");
            add->SetField("LOGIN", "SYSTEM");
            add->SetField("PASSWORD", shell::Cifrar(shell::kCipherKey, "MANAGER"));
            add->Update();
        }
        std::ofstream ini(console.ctx.iniPath, std::ios::app);
        ini << "[LIMITES FARAWAY]\nSTATEMENT=2\n";
    }
    marco.refreshSelector();
    const int faraway = marco.ServidoresCombo->findText("FARAWAY");
    marco.ServidoresCombo_Click(faraway);
    marco.toolbarAction("tbConnect")->trigger();
    harness::ShotConsole::settle(10);

    // The Sessions window of the hung server: its Get Sessions waits.
    QWidget *sesiones = marco.showForm("SESIONES");
    harness::ShotConsole::settle(10);
    bool shot = false;
    QTimer::singleShot(1600, [&] {
        harness::ShotConsole::settle(5);
        marco.grab().save(QString::fromStdString(out + "/status_cancel.png"));
        shot = marco.CancelarLlamada->isVisible();
        marco.CancelarLlamada->click();
    });
    if (sesiones)
        harness::WindowTest::click(sesiones, "GSession");
    std::printf("status bar with Cancel shown: %s; dialogs after Cancel: %zu (%s)\n", shot ? "yes" : "no",
                console.prompts.count(), console.prompts.count() ? console.prompts.last().text.c_str() : "");
    if (auto *sub = qobject_cast<QMdiSubWindow *>(sesiones ? sesiones->parentWidget() : nullptr))
        sub->close();

    // Servers Status: DEMO answers, FARAWAY does not.
    marco.ServidoresCombo_Click(marco.ServidoresCombo->findText("DEMO"));
    marco.toolbarAction("tbConnect")->trigger();
    auto *w = qobject_cast<status::ServerStatus *>(marco.showForm("ServerStatus"));
    if (!w)
        return 1;
    w->TimerChequeServidores_Timer();
    harness::ShotConsole::settle(10);
    marco.grab().save(QString::fromStdString(out + "/serverstatus_hung.png"));
    w->grab().save(QString::fromStdString(out + "/serverstatus_window.png"));
    return shot ? 0 : 1;
}
