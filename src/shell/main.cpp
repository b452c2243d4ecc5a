// sqlvigil: the console.
//   sqlvigil                 settings from ~/.config/sqlvigil/SQLVigil.ini
//   sqlvigil --demo [DIR]    a prepared demo repository with the server DEMO (sim:ORCL)
//   sqlvigil --ini FILE      another settings file
#include "appcontext.h"
#include "demo.h"
#include "formutil.h"
#include "keyring.h"
#include "marco.h"
#include "prompts.h"
#include "registry.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstring>
#include <iostream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("SQL*Vigil");
    QApplication::setApplicationVersion("1.0.0");
    QApplication::setStyle("Fusion");
    QApplication::setWindowIcon(shell::appIcon());

    std::string iniPath, screenshot;
    bool demo = false;
    std::string demoDir;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const std::string a = args[i].toStdString();
        if (a == "--demo") {
            demo = true;
            if (i + 1 < args.size() && !args[i + 1].startsWith("--"))
                demoDir = args[++i].toStdString();
        } else if (a == "--ini" && i + 1 < args.size()) {
            iniPath = args[++i].toStdString();
        } else if (a == "--screenshot" && i + 1 < args.size()) {
            screenshot = args[++i].toStdString();     // grabs the main window after start-up, then ends
        } else if (a == "--help" || a == "-h") {
            std::cout << "usage: sqlvigil [--demo [DIR]] [--ini FILE]\n";
            return 0;
        } else {
            std::cerr << "sqlvigil: unknown argument " << a << "\n";
            return 2;
        }
    }

    shell::QtPromptService prompts;
    shell::AppContext ctx(prompts);
    if (demo) {
        try {
            ctx.iniPath = shell::prepareDemo(demoDir);
        } catch (const std::exception &e) {
            QMessageBox::critical(nullptr, "SQL*Vigil", QString::fromStdString(e.what()));
            return 1;
        }
    } else if (!iniPath.empty()) {
        ctx.iniPath = iniPath;
    }
    shell::registerAllWindows(ctx.windows);
    // Passwords go to the desktop's keyring when it takes them (credentials.h).
    if (!qEnvironmentVariableIsSet("SQLVIGIL_NO_KEYRING"))
        ctx.secrets = std::make_unique<shell::KeyringStore>();

    shell::Marco marco(ctx);
    marco.show();
    if (!marco.Form_Load())
        return 1;
    if (!screenshot.empty()) {
        QTimer::singleShot(600, &marco, [&] {
            marco.grab().save(QString::fromStdString(screenshot));
            marco.close();
            QCoreApplication::exit(0);
        });
    }
    return app.exec();
}
