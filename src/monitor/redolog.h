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

    void GRedolog_Click();
    void RLSalir_Click();

    QPushButton *GRedolog, *RLSalir;
    shell::ResultGrid *LRedoLog1, *LRedoLog2;

private:
    shell::AppContext &m_ctx;
};

} // namespace monitor
