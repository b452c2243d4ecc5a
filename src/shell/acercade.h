#pragma once
// ACERCA_DE_Principal, the About box. It doubles as the screen-lock window: while
// the context's screen-lock flag is -1 the user cannot close it (by its OK button,
// Escape or the window's close button) without typing the access code in the
// password dialog; a close requested by the program itself is always allowed.
#include <QDialog>
#include <QStringList>

#include <functional>

class QLabel;
class QPushButton;

namespace shell {

class AppContext;

class AcercaDe : public QDialog {
    Q_OBJECT
public:
    AcercaDe(AppContext &ctx, QWidget *parent = nullptr);

    QLabel *lblTitle;
    QLabel *lblVersion;
    QLabel *lblDescription;
    QLabel *Television;        // the logo
    QPushButton *cmdOK;
    QPushButton *cmdSysInfo;

    // The user's attempt to close: refused while locked unless the access code is typed.
    void cmdOK_Click();
    // Starts the first system-information program found on the machine, or says
    // "System Information Is Unavailable At This Time".
    void cmdSysInfo_Click();

    // The programs looked for, in order (names on the PATH or absolute paths), and how
    // one is started (answers whether it started); tests replace both.
    QStringList sysInfoPrograms;
    std::function<bool(const QString &program)> startProgram;
    static QStringList defaultSysInfoPrograms();
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool mayClose();
    AppContext &m_ctx;
};

} // namespace shell
