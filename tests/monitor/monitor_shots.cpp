// monitor_shots DIR OUTDIR: screenshots of the instance activity windows for
// review (not a test). Prepares the demo repository in DIR (adding two more
// registered servers), starts the main window, connects DEMO (sim:ORCL), opens
// Servers Status, Sessions, Session Locks and Resources Locks, fills each and
// grabs it to OUTDIR.
#include "appcontext.h"
#include "blorecursos.h"
#include "blosesiones.h"
#include "marco.h"
#include "resultgrid.h"
#include "serverstatus.h"
#include "sesiones.h"
#include "shotconsole.h"
#include "sqlcvpg.h"

#include <QAction>
#include <QApplication>
#include <QMdiSubWindow>
#include <QTabWidget>

#include <iostream>

namespace {

void settle() { harness::ShotConsole::settle(30); }

void place(QWidget *form, int w, int h) { harness::ShotConsole::place(form, w, h); }

void addServer(shell::AppContext &ctx, const std::string &name)
{
    auto rs = ctx.repository->OpenRecordset("SELECT * FROM SERVIDORES WHERE SERVIDOR = '" + name + "'", 1);
    if (!rs->IsEOF())
        return;
    rs->AddNew();
    rs->SetField("SERVIDOR", name);
    rs->SetField("CONECCION", "sim:" + name);
    rs->SetField("LOGIN", "SYSTEM");
    rs->SetField("PASSWORD", shell::Cifrar(shell::kCipherKey, "MANAGER"));
    rs->Update();
}

} // namespace

int main(int argc, char **argv)
{
    harness::ShotProgram program(argc, argv, "monitor_shots");
    if (!program.ready())
        return program.exitCode();
    const QString out = program.out();
    harness::ShotConsole &console = program.console();
    harness::ScriptedPrompts &prompts = console.prompts;
    shell::AppContext &ctx = console.ctx;
    shell::Marco &marco = console.marco();
    addServer(ctx, "PROD");
    addServer(ctx, "TEST");
    console.connectFirstServer();

    // PROD picked (loaded) but not connected; TEST left free.
    ctx.slotTable.current = 2;
    ctx.slotTable[2].slotState = shell::kSlotLoaded;
    ctx.slotTable.current = 1;
    marco.toolbarAction("tbServerStatus")->trigger();
    auto *status = qobject_cast<status::ServerStatus *>(marco.form("ServerStatus"));
    if (!status)
        return 1;
    status->TimerChequeServidores_Timer();
    place(status, 960, 260);
    marco.grab().save(out + "/serverstatus.png");

    marco.showForm("SESIONES");
    auto *ses = qobject_cast<monitor::Sesiones *>(marco.form("SESIONES"));
    if (!ses)
        return 1;
    ses->GSession_Click();
    place(ses, 1180, 620);
    marco.grab().save(out + "/sesiones.png");
    ses->Paginas->setCurrentIndex(2);
    settle();
    marco.grab().save(out + "/sesiones-cpu.png");
    ses->Paginas->setCurrentIndex(5);
    settle();
    marco.grab().save(out + "/sesiones-tiempo.png");
    for (int r = 1; r < ses->LSesion->grid()->rows(); ++r)
        if (ses->LSesion->grid()->text(r, 1) == "135")
            ses->LSesion->grid()->setCurrentRow(r);
    ses->Sentencia_SQL_Click();
    ses->GExplain_Plan_Click();
    settle();
    marco.grab().save(out + "/sesiones-plan.png");

    marco.showForm("BLOSESIONES");
    auto *blo = qobject_cast<monitor::BloSesiones *>(marco.form("BLOSESIONES"));
    if (!blo)
        return 1;
    blo->GBloqueos_Click();
    place(blo, 820, 320);
    marco.grab().save(out + "/blosesiones.png");

    marco.showForm("BLORECURSOS");
    auto *rec = qobject_cast<monitor::BloRecursos *>(marco.form("BLORECURSOS"));
    if (!rec)
        return 1;
    rec->GBloqueos_Click();
    place(rec, 900, 600);
    marco.grab().save(out + "/blorecursos.png");
    for (int r = 1; r < rec->LBloqueos->grid()->rows(); ++r)
        if (rec->LBloqueos->grid()->text(r, 1) == "139" && rec->LBloqueos->grid()->text(r, 3) == "30210")
            rec->LBloqueos->grid()->setCurrentRow(r);
    rec->LBloqueos_DblClick();
    rec->Tabla_Recursos_Bloqueados->setCurrentIndex(1);
    rec->PNIndex_Desc_Rec_Bloq->setCurrentIndex(1);
    rec->BTN_Sentencia_SQL_Click();
    settle();
    marco.grab().save(out + "/blorecursos-detail.png");
    std::cout << prompts.log();
    return 0;
}
