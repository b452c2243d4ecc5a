// storage_shots DIR OUTDIR: screenshots of the storage windows for review (not a
// test). Prepares the demo repository in DIR, starts the main window, connects
// DEMO (sim:ORCL) and grabs, filled, the tablespace window (listing and the
// free/used chart of USERS), the maintenance window in modify mode, the rollback
// segments with their maintenance window, the datafiles and the segment limits.
#include "appcontext.h"
#include "datafiles.h"
#include "marco.h"
#include "mirollback.h"
#include "resultgrid.h"
#include "segqnopc.h"
#include "shotconsole.h"
#include "tablespace.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMdiSubWindow>
#include <QTabWidget>

#include <iostream>

namespace {

void settle() { harness::ShotConsole::settle(30); }

void place(QWidget *form)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget())) {
        sub->move(10, 10);
        sub->raise();
    }
    settle();
}

void selectRow(shell::ResultGrid *grid, const QString &name, int col = 1)
{
    for (int r = 1; r < grid->grid()->rows(); ++r)
        if (grid->grid()->text(r, col) == name)
            grid->grid()->setCurrentRow(r);
}

// Plans the next modal dialog: shown, grabbed to `file`, closed.
void grabDialog(harness::ScriptedPrompts &prompts, const QString &file)
{
    prompts.onDialog([file](QDialog &d) {
        d.show();
        settle();
        d.grab().save(file);
        d.hide();
        return int(QDialog::Rejected);
    });
}

} // namespace

int main(int argc, char **argv)
{
    harness::ShotProgram program(argc, argv, "storage_shots");
    if (!program.ready())
        return program.exitCode();
    const QString out = program.out();
    harness::ShotConsole &console = program.console();
    shell::Marco &marco = console.marco();
    console.connectFirstServer();

    marco.showForm("TABLESPACE");
    auto *ts = qobject_cast<storage::Tablespace *>(marco.form("TABLESPACE"));
    if (!ts)
        return 1;
    ts->GTablespaces_Click();
    place(ts);
    marco.grab().save(out + "/tablespace.png");
    selectRow(ts->LTablespaces, "USERS");
    ts->LTablespaces_DblClick();
    ts->Carpeta_Tablespaces->setCurrentIndex(1);
    settle();
    marco.grab().save(out + "/tablespace-estado.png");
    ts->Carpeta_Tablespaces->setCurrentIndex(3);
    settle();
    marco.grab().save(out + "/tablespace-datafiles.png");
    grabDialog(console.prompts, out + "/opetablespace.png");
    ts->Modificar_Tablespace_Click();
    grabDialog(console.prompts, out + "/opetablespace-crear.png");
    ts->Crear_Tablespace_Click();
    marco.form("TABLESPACE")->parentWidget()->close();

    marco.showForm("MIROLLBACK");
    auto *rbs = qobject_cast<storage::MiRollback *>(marco.form("MIROLLBACK"));
    if (!rbs)
        return 1;
    rbs->GRollback_Click();
    place(rbs);
    marco.grab().save(out + "/mirollback.png");
    selectRow(rbs->LRollBack, "R04");
    grabDialog(console.prompts, out + "/operollback.png");
    rbs->Modificar_RBS_Click();
    marco.form("MIROLLBACK")->parentWidget()->close();

    marco.showForm("DATAFILES");
    auto *df = qobject_cast<storage::Datafiles *>(marco.form("DATAFILES"));
    if (!df)
        return 1;
    df->GDatafiles_Click();
    place(df);
    marco.grab().save(out + "/datafiles.png");
    marco.form("DATAFILES")->parentWidget()->close();

    marco.showForm("SEGQNOPC");
    auto *seg = qobject_cast<storage::SegQnoPc *>(marco.form("SEGQNOPC"));
    if (!seg)
        return 1;
    seg->GSegmentos_Click();
    place(seg);
    marco.grab().save(out + "/segqnopc.png");
    std::cout << console.prompts.log();
    return 0;
}
