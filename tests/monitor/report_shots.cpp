// report_shots DIR OUTDIR: screenshots of Instance Parameters, I/O Meter, Data
// Files I/O and Tablespaces Alert Print for review (not a test), opened from the
// main window over the demo repository with DEMO (sim:ORCL) connected.
#include "alert_ts.h"
#include "appcontext.h"
#include "fmpesosio.h"
#include "marco.h"
#include "parametros.h"
#include "pesos_io.h"
#include "shotconsole.h"
#include "tendencias.h"

#include <QAction>
#include <QApplication>
#include <QMdiSubWindow>

#include <iostream>

namespace {

void settle() { harness::ShotConsole::settle(30); }

void place(QWidget *form, int x, int y, int w, int h)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget())) {
        sub->setGeometry(x, y, w, h);
        sub->raise();
    }
    settle();
}

} // namespace

int main(int argc, char **argv)
{
    harness::ShotProgram program(argc, argv, "report_shots");
    if (!program.ready())
        return program.exitCode();
    const QString out = program.out();
    harness::ShotConsole &console = program.console();
    shell::AppContext &ctx = console.ctx;
    shell::Marco &marco = console.marco();
    console.connectFirstServer();
    console.prompts.answerAlways(5);        // the parameters of type 6: Ignore

    auto *par = qobject_cast<monitor::Parametros *>(marco.showForm("PARAMETROS"));
    if (!par)
        return 1;
    par->GParametros_Click();
    place(par, 10, 10, par->width(), par->height());
    marco.grab().save(out + "/parametros.png");

    auto *io = qobject_cast<monitor::PesosIO *>(marco.showForm("PESOS_IO"));
    if (!io)
        return 1;
    io->GPesos_IO_Click();
    place(io, 10, 10, io->width(), io->height());
    marco.grab().save(out + "/pesos_io.png");
    io->AMPesosIO_Click();
    if (!io->grafico())
        return 1;
    io->grafico()->Tomar_Muestras_Timer();
    place(io->grafico(), 40, 40, io->grafico()->width(), io->grafico()->height());
    marco.grab().save(out + "/fmpesosio.png");

    storage::Tomar_Muestra_Espacio(ctx);
    auto *alert = marco.showForm("ALERT_TS");
    if (!alert)
        return 1;
    place(alert, 60, 60, alert->width() + 20, alert->height() + 40);
    marco.grab().save(out + "/alert_ts.png");
    std::cout << console.prompts.log();
    return 0;
}
