#pragma once
// MARCO "SQL*Vigil 1.00": the frame window. Loading it starts the program (block
// texts, slot table, session object, repository, server selector); its menus and
// toolbar open every other window as a child in the MDI area, one instance each.
#include <QMainWindow>

#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPushButton;
class QTimer;
class QToolBar;

namespace shell {

class AppContext;
class WindowPlaces;

class Marco : public QMainWindow {
    Q_OBJECT
public:
    explicit Marco(AppContext &ctx, QWidget *parent = nullptr);
    ~Marco() override;

    // Start-up in its order. Answers false when the repository can be neither
    // opened nor created: the error has been shown and the program must end.
    bool Form_Load();

    // Opens (or brings forward) the single instance of a form; nullptr when the
    // form is not part of this build.
    QWidget *showForm(const std::string &formName);
    QWidget *form(const std::string &formName) const;

    QMdiArea *mdi() const { return m_mdi; }
    // The child window (frame) holding an open form, or nullptr.
    QMdiSubWindow *subWindow(const std::string &formName) const;
    WindowPlaces &places() const { return *m_places; }
    QAction *toolbarAction(const QString &key) const;

    // Commands, callable by tests as the menus call them.
    void mnuServers_Click();
    void tbSecure_Click();
    void mnuExit_Click();
    void ServidoresCombo_Click(int position);
    void copy();
    void cut();
    void paste();
    void arrange(int code);     // 0 cascade, 1 tile horizontally, 2 tile vertically, 3 arrange icons
    void BtnSentenciasPesadas_Click();
    // Lists the registry again in the selector (after the Servers window changed it).
    void refreshSelector();

    QWidget *CoolBarSQLVigil;
    QToolBar *ToolbarSQLVigil;
    QComboBox *ServidoresCombo;
    QPushButton *BtnSentenciasPesadas;
    QTimer *RelojSentenciasPesadas;
    // The status bar's account of calls out for more than a second, and its Cancel.
    QLabel *LlamadaEnCurso;
    QPushButton *CancelarLlamada;
    void CancelarLlamada_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildBands();
    void openRepository(bool &fatal);
    void fillSelector();
    void showButtons();
    void updateStatus();
    void showRunning();
    void toolbarClick(const QString &key);
    QAction *menuEntry(QMenu *menu, const QString &caption, const std::string &form,
                       const QKeySequence &keys = {});
    void fatal(const std::string &message);

    AppContext &m_ctx;
    QMdiArea *m_mdi;
    QMenu *m_windowsMenu = nullptr;
    QLabel *m_status = nullptr;
    std::map<std::string, QMdiSubWindow *> m_open;
    std::unique_ptr<WindowPlaces> m_places;
    bool m_closedAll = false;
    bool m_heavyOut = false;                 // a heavy-statement tick is still working
    std::vector<std::string> m_creating;     // forms being built by showForm
    QTimer *m_runningTick = nullptr;
};

} // namespace shell
