// sqlvigil_everyday_shots DIR OUTDIR: the main window with Sessions, Servers Status
// and Session Locks opened from the frame at the sizes they ask for, each grid
// filled; the whole frame and each child window grabbed to OUTDIR.
#include "appcontext.h"
#include "formutil.h"
#include "marco.h"
#include "resultgrid.h"
#include "shotconsole.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <iostream>

int main(int argc, char **argv)
{
    harness::ShotProgram program(argc, argv, "sqlvigil_everyday_shots");
    if (!program.ready())
        return program.exitCode();
    const QString out = program.out();
    harness::ShotConsole &console = program.console();
    shell::Marco &marco = console.marco();
    console.connectFirstServer();
    struct Shot {
        const char *form, *button, *file;
    };
    for (const Shot &s : {Shot{"SESIONES", "GSession", "sesiones"}, Shot{"BLOSESIONES", "GBloqueos", "blosesiones"},
                          Shot{"ServerStatus", nullptr, "serverstatus"}}) {
        QWidget *w = marco.showForm(s.form);
        if (!w)
            return 1;
        if (s.button)
            if (auto *b = w->findChild<QAbstractButton *>(s.button))
                b->click();
        harness::ShotConsole::settle(20);
        QMdiSubWindow *sub = marco.subWindow(s.form);
        sub->grab().save(out + "/" + s.file + ".png");
        std::cout << s.form << " " << w->width() << "x" << w->height() << " in a frame of "
                  << sub->width() << "x" << sub->height() << "\n";
    }
    // Side by side as a DBA would arrange them, then as they first opened.
    marco.grab().save(out + "/frame-three-windows.png");
    std::cout << console.prompts.log();
    return 0;
}
