#pragma once
// REDOLOG "RedoLog Files": the redo log groups of the current server and their
// member files.
#include <QWidget>

class QPushButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace monitor {

class RedoLog : public QWidget {
    Q_OBJECT
public:
    explicit RedoLog(shell::AppContext &ctx, QWidget *parent = nullptr);
    // The size the window opens at (the main window sizes its child windows by
    // their size hints): wide and tall enough for the instance's figures.
    QSize sizeHint() const override { return {600, 520}; }

    void GRedolog_Click();
    void RLSalir_Click();

    QPushButton *GRedolog, *RLSalir;
    shell::ResultGrid *LRedoLog1, *LRedoLog2;

private:
    shell::AppContext &m_ctx;
};

} // namespace monitor
