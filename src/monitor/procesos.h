#pragma once
// PROCESOS "Process": the operating-system processes of the current server.
#include <QWidget>

class QPushButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace monitor {

class Procesos : public QWidget {
    Q_OBJECT
public:
    explicit Procesos(shell::AppContext &ctx, QWidget *parent = nullptr);
    // The size the window opens at (the main window sizes its child windows by
    // their size hints): wide and tall enough for the instance's figures.
    QSize sizeHint() const override { return {760, 560}; }

    void GProcesos_Click();
    void Salir_Procesos_Click();

    QPushButton *GProcesos, *Salir_Procesos;
    shell::ResultGrid *LProcesos;

private:
    shell::AppContext &m_ctx;
};

} // namespace monitor
