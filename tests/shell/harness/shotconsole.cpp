#include "shotconsole.h"

#include "demo.h"
#include "formutil.h"
#include "marco.h"
#include "registry.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMdiSubWindow>

#include <iostream>

namespace harness {

ShotConsole::ShotConsole(const std::string &dir) : ctx(prompts)
{
    ctx.iniPath = shell::prepareDemo(dir);
    shell::registerAllWindows(ctx.windows);
    m_marco = std::make_unique<shell::Marco>(ctx);
    m_marco->resize(1280, 860);
    m_marco->show();
    m_loaded = m_marco->Form_Load();
}

ShotConsole::~ShotConsole() = default;

void ShotConsole::settle(int rounds)
{
    for (int i = 0; i < rounds; ++i)
        QApplication::processEvents();
}

void ShotConsole::place(QWidget *form, int w, int h)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget())) {
        sub->setGeometry(10, 10, w, h);
        sub->raise();
    }
    settle(30);
}

void ShotConsole::connectFirstServer()
{
    m_marco->ServidoresCombo_Click(0);
    m_marco->toolbarAction("tbConnect")->trigger();
    settle(20);
}

ShotProgram::ShotProgram(int &argc, char **argv, const char *name)
    : m_app(std::make_unique<QApplication>(argc, argv))
{
    QApplication::setStyle("Fusion");
    QApplication::setWindowIcon(shell::appIcon());
    if (argc < 3) {
        std::cerr << "usage: " << name << " DIR OUTDIR\n";
        m_exitCode = 2;
        return;
    }
    m_out = QString::fromLocal8Bit(argv[2]);
    m_console = std::make_unique<ShotConsole>(argv[1]);
    if (!m_console->loaded())
        m_exitCode = 1;
}

// The console's windows go before the application.
ShotProgram::~ShotProgram()
{
    m_console.reset();
}

} // namespace harness
