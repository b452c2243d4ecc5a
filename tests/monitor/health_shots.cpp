// health_shots DIR OUTDIR: screenshots of the instance health windows for
// review (not a test). Prepares the demo repository in DIR, starts the main
// window, connects DEMO (sim:ORCL), opens Memory, Memoria por Sesiones,
// Contentions, Process, RedoLog Files and Control Files from their menus, fills
// each and grabs it, as it opened, to OUTDIR.
#include "appcontext.h"
#include "contenciones.h"
#include "marco.h"
#include "memoria.h"
#include "memsesion.h"
#include "shotconsole.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>

#include <iostream>

namespace {

void settle() { harness::ShotConsole::settle(30); }

QAction *menuAction(QWidget *w, const QString &caption)
{
    for (QAction *a : w->findChildren<QAction *>())
        if (a->text() == caption)
            return a;
    return nullptr;
}

// Opens a window from its menu entry, presses its fill button and answers it.
QWidget *openFilled(shell::Marco &marco, const char *caption, const char *form, const char *fill)
{
    QAction *a = menuAction(&marco, caption);
    if (!a)
        return nullptr;
    a->trigger();
    QWidget *w = marco.form(form);
    if (!w)
        return nullptr;
    if (*fill)
        if (auto *b = w->findChild<QPushButton *>(fill))
            b->click();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget())) {
        sub->move(10, 10);
        sub->raise();
    }
    settle();
    return w;
}

bool save(QWidget *w, const QString &path)
{
    QWidget *frame = w->parentWidget() ? w->parentWidget() : w;
    return frame->grab().save(path);
}

} // namespace

int main(int argc, char **argv)
{
    harness::ShotProgram program(argc, argv, "health_shots");
    if (!program.ready())
        return program.exitCode();
    const QString out = program.out();
    harness::ShotConsole &console = program.console();
    shell::Marco &marco = console.marco();
    console.connectFirstServer();

    auto *mem = qobject_cast<monitor::Memoria *>(openFilled(marco, "General &Areas", "MEMORIA", "GMemoria"));
    if (!mem)
        return 1;
    save(mem, out + "/memoria.png");
    const char *pages[] = {"", "memoria-libcache", "memoria-dictionary", "memoria-latches", "memoria-sorts"};
    for (int p = 1; p < mem->Carpeta_Memoria->count(); ++p) {
        mem->Carpeta_Memoria->setCurrentIndex(p);
        settle();
        save(mem, out + "/" + pages[p] + ".png");
    }
    mem->parentWidget()->close();

    auto *ses = qobject_cast<monitor::MemSesion *>(openFilled(marco, "&Memoria Sesion", "MEMSESION", ""));
    if (!ses)
        return 1;
    const auto items = ses->MMSesiones_Activas->findItems("VENTAS Sid:135 Serial#:1209", Qt::MatchExactly);
    if (!items.isEmpty())
        ses->MMSesiones_Activas->setCurrentItem(items[0]);
    ses->Numero_Usuarios->setText("100");
    ses->GArea_SPS_Click();
    settle();
    save(ses, out + "/memsesion.png");
    ses->parentWidget()->close();

    struct Shot {
        const char *caption, *form, *fill, *file;
    };
    for (const Shot &s : {Shot{"&Contentions", "CONTENCIONES", "GContenciones", "contenciones"},
                          Shot{"&Process", "PROCESOS", "GProcesos", "procesos"},
                          Shot{"Redo&Log Files", "REDOLOG", "GRedolog", "redolog"},
                          Shot{"&Control Files", "CFILES", "GControlfiles", "cfiles"}}) {
        QWidget *w = openFilled(marco, s.caption, s.form, s.fill);
        if (!w)
            return 1;
        save(w, out + "/" + s.file + ".png");
        w->parentWidget()->close();
        settle();
    }
    std::cout << console.prompts.log();
    return 0;
}
