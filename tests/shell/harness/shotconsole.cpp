#include "shotconsole.h"

#include "demo.h"
#include "marco.h"
#include "registry.h"

#include <QAction>
#include <QApplication>

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

void ShotConsole::connectFirstServer()
{
    m_marco->ServidoresCombo_Click(0);
    m_marco->toolbarAction("tbConnect")->trigger();
    settle(20);
}

} // namespace harness
