// sqlvigil_shots DIR OUTDIR: screenshots of the console for review. Prepares the
// demo repository in DIR, starts the main window, connects the server DEMO, opens
// the Servers window through the password dialog and grabs each stage to OUTDIR.
#include "appcontext.h"
#include "conexiones.h"
#include "demo.h"
#include "formutil.h"
#include "marco.h"
#include "registry.h"
#include "resultgrid.h"
#include "scriptedprompts.h"
#include "servidores.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <iostream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    QApplication::setWindowIcon(shell::appIcon());
    if (argc < 3) {
        std::cerr << "usage: sqlvigil_shots DIR OUTDIR\n";
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    harness::ScriptedPrompts prompts;
    shell::AppContext ctx(prompts);
    ctx.iniPath = shell::prepareDemo(argv[1]);
    shell::registerAllWindows(ctx.windows);
    shell::Marco marco(ctx);
    marco.resize(1280, 860);
    marco.show();
    if (!marco.Form_Load())
        return 1;
    marco.ServidoresCombo_Click(0);
    marco.toolbarAction("tbConnect")->trigger();
    auto settle = [] {
        for (int i = 0; i < 20; ++i)
            QApplication::processEvents();
    };
    settle();
    marco.grab().save(out + "/marco.png");
    prompts.typePassword("VANTO");
    marco.mnuServers_Click();
    auto *servers = qobject_cast<repository::Servidores *>(marco.form("SERVIDORES"));
    if (!servers)
        return 1;
    servers->GServidores_Click();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(servers->parentWidget()))
        sub->setGeometry(20, 20, 1000, 420);
    settle();
    marco.grab().save(out + "/servidores.png");
    servers->LServidores->grid()->setCurrentRow(1);
    servers->SModificar_Click();
    settle();
    servers->grab().save(out + "/servidores-modify.png");
    servers->SSalir_Click();
    std::cout << prompts.log();
    return 0;
}
