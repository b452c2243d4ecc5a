#pragma once
// SENTENCIASPESADAS "Heavy Statements": a read-only view of what the
// heavy-statement recorder stored in the repository, newest sample first; the
// full SQL text of the selected row below the grid.
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace monitor {

class SentenciasPesadas : public QWidget {
    Q_OBJECT
public:
    explicit SentenciasPesadas(shell::AppContext &ctx, QWidget *parent = nullptr);

    void GSentencias_Click();
    void LSentencias_Click();
    void SSentencias_Click();

    QPushButton *GSentencias, *SSentencias;
    shell::ResultGrid *LSentencias;
    QPlainTextEdit *SQL_Texto;

private:
    shell::AppContext &m_ctx;
};

} // namespace monitor
