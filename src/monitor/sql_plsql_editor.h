#pragma once
// SQL_PLSQL_Editor "SQL-PL/SQL Editor": a SQL editor whose statement, statement
// under the cursor (Ctrl+Enter) or whole script (F5) runs on the current server,
// showing a query's rows (read as the grid scrolls) or the rows a statement
// processed; and a tree of every user's stored PL/SQL (functions, procedures,
// packages, package bodies) whose objects show their source.
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QAbstractItemModel;
class QComboBox;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QsciScintilla;

namespace scx {
class Host;
}

namespace shell {
class AppContext;
class GuardedOperation;
class ResultGrid;
}

namespace monitor {

class SqlPlsqlEditor : public QWidget {
    Q_OBJECT
public:
    explicit SqlPlsqlEditor(shell::AppContext &ctx, QWidget *parent = nullptr);
    ~SqlPlsqlEditor() override;

    static constexpr int kPaginaSQL = 0;
    static constexpr int kPaginaPLSQL = 1;
    static constexpr int kPaginaResultado = 2;

    // Event handlers, named after control and event.
    void SEjecutar_Click();            // the whole text as one statement
    void SEjecutarActual_Click();      // the statement under the cursor (Ctrl+Enter)
    void SScript_Click();              // the text as a script (F5)
    void GUsuarios_Click();
    void marco_SQL_PLSQL_NodeClick(QTreeWidgetItem *node);
    void Nuevo_SQL_Click();
    void SImprimir_Click();
    void SEliminar_Click();
    void SSalir_Click();

    // The statements run, newest first (the history list).
    QStringList history() const;
    // The node whose key is `key`, or nullptr.
    QTreeWidgetItem *nodeByKey(const QString &key) const;
    // The full path of a node: texts from the root joined by ".".
    static QString fullPath(const QTreeWidgetItem *node);

    QsciScintilla *EditorSQL;
    QsciScintilla *Editor_PLSQL;
    QTabWidget *CarpetasPLSQL;
    shell::ResultGrid *SQLGrillaResultado;
    shell::ResultGrid *SQLGrillaScript;
    QTreeWidget *marco_SQL_PLSQL;
    QComboBox *HistorialSQL;
    QPushButton *SEjecutar, *SScript, *GUsuarios, *Nuevo_SQL, *SImprimir, *SEliminar, *SSalir;

private:
    struct Outcome;
    // Runs one statement as the script's step; answers false when it failed.
    bool runOne(shell::GuardedOperation &op, const std::string &sql, Outcome &out);
    void runSingle(const std::string &text);
    void showOutcome(int index);
    void setGridModel(QAbstractItemModel *model);
    void clearOutcomes();
    void remember(const std::string &sql);
    void fillTypeNode(QTreeWidgetItem *typeNode, const std::string &user, const std::string &type);
    void showSource(const std::string &user, const std::string &type, const std::string &name);
    std::vector<std::string> splitPath(const QString &path);
    void configureEditor(QsciScintilla *editor, bool readOnly);

    shell::AppContext &m_ctx;
    std::vector<std::unique_ptr<Outcome>> m_outcomes;
    std::unique_ptr<scx::Host> m_scanix;
};

} // namespace monitor
