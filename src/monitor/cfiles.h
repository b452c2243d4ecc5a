#pragma once
// CFILES "Control Files": the control files of the current server.
#include <QWidget>

class QPushButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace monitor {

class CFiles : public QWidget {
    Q_OBJECT
public:
    explicit CFiles(shell::AppContext &ctx, QWidget *parent = nullptr);
    // The size the window opens at (the main window sizes its child windows by
    // their size hints): wide and tall enough for the instance's figures.
    QSize sizeHint() const override { return {560, 300}; }

    void GControlfiles_Click();
    void Control_File_Salir_Click();

    QPushButton *GControlfiles, *Control_File_Salir;
    shell::ResultGrid *LControlFile;

private:
    shell::AppContext &m_ctx;
};

} // namespace monitor
