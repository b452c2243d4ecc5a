// living_shots DIR OUTDIR: screenshots of the simulated instance living on (not a test).
// Connects DEMO (sim:ORCL), fixes its clock, and grabs Servers Status at the start, a
// minute later and a quarter of an hour later, then the Sessions window's CPU and Disk
// rankings.
#include "appcontext.h"
#include "extension.h"
#include "marco.h"
#include "resultgrid.h"
#include "serverstatus.h"
#include "sesiones.h"
#include "shotconsole.h"
#include "testing.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTimer>

#include <iostream>

namespace {

void settle() { harness::ShotConsole::settle(30); }

void place(QWidget *form, int w, int h) { harness::ShotConsole::place(form, w, h); }

} // namespace

int main(int argc, char **argv)
{
    harness::ShotProgram program(argc, argv, "living_shots");
    if (!program.ready())
        return program.exitCode();
    const QString out = program.out();
    harness::ShotConsole &console = program.console();
    shell::Marco &marco = console.marco();
    console.connectFirstServer();
    sim::testing::setClock("ORCL", sim::testing::clock("ORCL").now());

    marco.toolbarAction("tbServerStatus")->trigger();
    auto *status = qobject_cast<status::ServerStatus *>(marco.form("ServerStatus"));
    if (!status)
        return 1;
    const struct {
        int advance;
        const char *file;
    } moments[] = {{0, "living-status-0.png"}, {60, "living-status-1min.png"}, {900, "living-status-16min.png"}};
    for (const auto &m : moments) {
        sim::testing::advanceClock("ORCL", m.advance);
        status->TimerChequeServidores_Timer();
        place(status, 960, 200);
        marco.grab().save(out + "/" + m.file);
    }
    status->TimerChequeServidores->stop();

    marco.showForm("SESIONES");
    auto *ses = qobject_cast<monitor::Sesiones *>(marco.form("SESIONES"));
    if (!ses)
        return 1;
    ses->GSession_Click();
    place(ses, 1180, 620);
    ses->Paginas->setCurrentIndex(2);
    settle();
    marco.grab().save(out + "/living-sessions-cpu.png");
    ses->Paginas->setCurrentIndex(4);
    settle();
    marco.grab().save(out + "/living-sessions-disk.png");
    std::cout << console.prompts.log();
    return 0;
}
