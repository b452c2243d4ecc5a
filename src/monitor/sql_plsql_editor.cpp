#include "sql_plsql_editor.h"

#include "cursormodel.h"
#include "sqlscript.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "prompts.h"
#include "resultgrid.h"
#include "scanix_host.h"
#include "sqlcvpg.h"

#include <Qsci/qscilexersql.h>
#include <Qsci/qsciprinter.h>
#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QPrintDialog>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace monitor {

using shell::qs;
using shell::ss;

namespace {

const char *const kCaption = "SQL-PL/SQL Editor";
const char *const kTypes[4] = {"FUNCTION", "PROCEDURE", "PACKAGE", "PACKAGE BODY"};
constexpr int kKeyRole = Qt::UserRole;
constexpr int kHistoryLimit = 100;

// A value spliced into a string literal of a dictionary query.
std::string quoted(const std::string &v)
{
    std::string out;
    for (char c : v) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

std::string trimmed(const std::string &s) { return ss(qs(s).trimmed()); }

// The grid of a statement that returns no rows: one row with the count and its word,
// or one cell with a text.
std::unique_ptr<QAbstractItemModel> wordModel(const QStringList &cells)
{
    auto m = std::make_unique<shell::ResultGridModel>();
    QStringList blank;
    for (int i = 0; i < cells.size(); ++i)
        blank << QString();
    m->setHeaders(blank, false);
    m->addRow(cells);
    return m;
}

// The tree's images: 1 user, 2 to 5 the four object types, 6 the root.
QIcon nodeIcon(int image)
{
    QStyle *st = QApplication::style();
    switch (image) {
    case 1: return st->standardIcon(QStyle::SP_DirHomeIcon);
    case 2: return st->standardIcon(QStyle::SP_FileDialogContentsView);
    case 3: return st->standardIcon(QStyle::SP_FileDialogDetailedView);
    case 4: return st->standardIcon(QStyle::SP_DirIcon);
    case 5: return st->standardIcon(QStyle::SP_DirOpenIcon);
    default: return st->standardIcon(QStyle::SP_DriveNetIcon);
    }
}

QTreeWidgetItem *addNode(QTreeWidgetItem *parent, QTreeWidget *tree, const QString &text, const QString &key,
                         int image)
{
    auto *n = parent ? new QTreeWidgetItem(parent, QStringList{text}) : new QTreeWidgetItem(tree, QStringList{text});
    n->setData(0, kKeyRole, key);
    n->setIcon(0, nodeIcon(image));
    return n;
}

} // namespace

// What one statement gave: the grid to show and the line of the script summary.
struct SqlPlsqlEditor::Outcome {
    QString statement;
    int line = 0;
    QString summary = "Not run";
    std::unique_ptr<QAbstractItemModel> model;
};

SqlPlsqlEditor::SqlPlsqlEditor(shell::AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("SQL_PLSQL_Editor");
    setWindowTitle(kCaption);

    auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    SEjecutar = button("SEjecutar", "&Ejecute");
    SEjecutar->setToolTip("Run the whole text as one statement (Ctrl+Enter runs the statement under the cursor)");
    SScript = button("SScript", "Run &Script");
    SScript->setToolTip("Run the text as a script, statement by statement (F5)");
    GUsuarios = button("GUsuarios", "&Users");
    Nuevo_SQL = button("Nuevo_SQL", "&New");
    SImprimir = button("SImprimir", "&Print");
    SEliminar = button("SEliminar", "&Del");
    SSalir = button("SSalir", "E&xit");
    HistorialSQL = new QComboBox(this);
    HistorialSQL->setObjectName("HistorialSQL");
    HistorialSQL->setPlaceholderText("History");
    HistorialSQL->setMinimumContentsLength(28);
    HistorialSQL->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    HistorialSQL->setToolTip("Statements run in this window, newest first");

    EditorSQL = new QsciScintilla(this);
    EditorSQL->setObjectName("EditorSQL");
    configureEditor(EditorSQL, false);
    Editor_PLSQL = new QsciScintilla(this);
    Editor_PLSQL->setObjectName("Editor_PLSQL");
    configureEditor(Editor_PLSQL, true);

    SQLGrillaResultado = new shell::ResultGrid("SQLGrillaResultado", this);
    SQLGrillaScript = new shell::ResultGrid("SQLGrillaScript", this);
    SQLGrillaScript->grid()->setHeaders({"Line", "Statement", "Result"});
    SQLGrillaScript->hide();
    auto *results = new QSplitter(Qt::Vertical, this);
    results->setObjectName("PaginaResultado");
    results->addWidget(SQLGrillaScript);
    results->addWidget(SQLGrillaResultado);
    results->setStretchFactor(0, 1);
    results->setStretchFactor(1, 3);

    CarpetasPLSQL = new QTabWidget(this);
    CarpetasPLSQL->setObjectName("CarpetasPLSQL");
    CarpetasPLSQL->addTab(EditorSQL, "SQL");
    CarpetasPLSQL->addTab(Editor_PLSQL, "PL/SQL");
    CarpetasPLSQL->addTab(results, "Results");

    marco_SQL_PLSQL = new QTreeWidget(this);
    marco_SQL_PLSQL->setObjectName("marco_SQL_PLSQL");
    marco_SQL_PLSQL->setHeaderHidden(true);
    marco_SQL_PLSQL->setMinimumWidth(200);

    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(marco_SQL_PLSQL);
    split->addWidget(CarpetasPLSQL);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 4);
    split->setSizes({230, 770});

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {SEjecutar, SScript, GUsuarios, Nuevo_SQL, SImprimir, SEliminar})
        buttons->addWidget(b);
    buttons->addSpacing(12);
    buttons->addWidget(HistorialSQL, 1);
    buttons->addSpacing(12);
    buttons->addWidget(SSalir);
    auto *v = new QVBoxLayout(this);
    v->addLayout(buttons);
    v->addWidget(split, 1);

    connect(SEjecutar, &QPushButton::clicked, this, [this] { SEjecutar_Click(); });
    connect(SScript, &QPushButton::clicked, this, [this] { SScript_Click(); });
    connect(GUsuarios, &QPushButton::clicked, this, [this] { GUsuarios_Click(); });
    connect(Nuevo_SQL, &QPushButton::clicked, this, [this] { Nuevo_SQL_Click(); });
    connect(SImprimir, &QPushButton::clicked, this, [this] { SImprimir_Click(); });
    connect(SEliminar, &QPushButton::clicked, this, [this] { SEliminar_Click(); });
    connect(SSalir, &QPushButton::clicked, this, [this] { SSalir_Click(); });
    connect(marco_SQL_PLSQL, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *n, int) { marco_SQL_PLSQL_NodeClick(n); });
    connect(HistorialSQL, &QComboBox::activated, this, [this](int i) {
        EditorSQL->setText(HistorialSQL->itemData(i).toString());
        CarpetasPLSQL->setCurrentIndex(kPaginaSQL);
        EditorSQL->setFocus();
    });
    connect(SQLGrillaScript, &shell::ResultGrid::rowClicked, this, [this](int row) { showOutcome(row - 1); });
    for (QKeySequence keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto *s = new QShortcut(keys, this);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, this, [this] { SEjecutarActual_Click(); });
    }
    auto *f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    f5->setContext(Qt::WidgetWithChildrenShortcut);
    connect(f5, &QShortcut::activated, this, [this] { SScript_Click(); });

    resize(1000, 640);
}

SqlPlsqlEditor::~SqlPlsqlEditor()
{
    // The view lets go of the result models before they go.
    clearOutcomes();
}

void SqlPlsqlEditor::configureEditor(QsciScintilla *editor, bool readOnly)
{
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::TypeWriter);
    auto *lexer = new QsciLexerSQL(editor);
    lexer->setDefaultFont(fixed);
    lexer->setFont(fixed, -1);
    lexer->setFoldComments(true);
    lexer->setColor(QColor(0x00, 0x33, 0x99), QsciLexerSQL::Keyword);
    lexer->setColor(QColor(0x7a, 0x1f, 0xa2), QsciLexerSQL::KeywordSet5);
    lexer->setColor(QColor(0xa3, 0x15, 0x15), QsciLexerSQL::SingleQuotedString);
    lexer->setColor(QColor(0x09, 0x86, 0x58), QsciLexerSQL::Number);
    lexer->setColor(QColor(0x6a, 0x73, 0x7d), QsciLexerSQL::Comment);
    lexer->setColor(QColor(0x6a, 0x73, 0x7d), QsciLexerSQL::CommentLine);
    QFont bold = fixed;
    bold.setBold(true);
    lexer->setFont(bold, QsciLexerSQL::Keyword);
    editor->setUtf8(true);
    editor->setLexer(lexer);
    editor->setFont(fixed);
    editor->setWrapMode(QsciScintilla::WrapNone);
    editor->setMarginType(0, QsciScintilla::NumberMargin);
    editor->setMarginLineNumbers(0, true);
    editor->setMarginsFont(fixed);
    editor->setMarginWidth(0, "000000");
    editor->setMarginsBackgroundColor(QColor(0xEE, 0xEF, 0xF2));
    editor->setMarginsForegroundColor(QColor(0x70, 0x70, 0x70));
    editor->setFolding(QsciScintilla::BoxedTreeFoldStyle, 1);
    editor->setBraceMatching(QsciScintilla::SloppyBraceMatch);
    editor->setCaretLineVisible(!readOnly);
    editor->setCaretLineBackgroundColor(QColor(0xF4, 0xF7, 0xFC));
    editor->setAutoIndent(true);
    editor->setIndentationsUseTabs(false);
    editor->setTabWidth(4);
    editor->setReadOnly(readOnly);
}

// ---------------------------------------------------------------- running statements

bool SqlPlsqlEditor::runOne(shell::GuardedOperation &op, const std::string &sql, Outcome &out)
{
    const StatementKind kind = classify(sql);
    bool ran = false;
    auto body = [&] {
        shell::Cursor_Ocupado(m_ctx);
        try {
            access::OraDatabase *db = m_ctx.currentConnection();
            if (!db)
                throw access::OraError::ora(3114, "not connected to ORACLE");
            if (kind == StatementKind::Query) {
                auto rows = std::make_unique<CursorModel>(db->DbOpenCursor(sql));
                rows->fetchRows(CursorModel::kFirstBatch);
                if (rows->fetchedRows() == 0) {
                    out.model = wordModel({"No Results"});
                    out.summary = "No Results";
                } else {
                    out.summary = rows->exhausted() ? QString("%1 rows").arg(rows->fetchedRows())
                                                    : QString("%1+ rows").arg(rows->fetchedRows());
                    QPointer<SqlPlsqlEditor> self(this);
                    rows->onFetchError = [self](std::exception_ptr e) {
                        // Reported after the view's scrolling has finished.
                        QTimer::singleShot(0, self, [self, e] {
                            if (!self)
                                return;
                            shell::GuardedOperation report(self->m_ctx);
                            report.step([&] { std::rethrow_exception(e); }, [](int) { return shell::Resume::End; });
                        });
                    };
                    out.model = std::move(rows);
                }
            } else {
                const long n = db->DbExecuteSQL(sql);
                const QString word = kind == StatementKind::Dml ? "Reg." : "Commands Executed.";
                out.model = wordModel({QString::number(n), word});
                out.summary = QString::number(n) + " " + word;
            }
        } catch (const std::exception &e) {
            out.summary = QString::fromStdString(e.what()).simplified();
            out.model = wordModel({out.summary});
            throw;
        }
        ran = true;
    };
    op.step(body, [](int answer) { return answer == shell::vbRetry ? shell::Resume::Retry : shell::Resume::End; });
    return ran;
}

void SqlPlsqlEditor::runSingle(const std::string &text)
{
    const std::string sql = statementToSend(text);
    if (trimmed(sql).empty()) {
        m_ctx.prompts.MsgBox("There is no statement to run.", shell::vbOKOnly | shell::vbExclamation, kCaption);
        return;
    }
    clearOutcomes();
    auto out = std::make_unique<Outcome>();
    out->statement = qs(sql);
    shell::GuardedOperation op(m_ctx);
    remember(sql);
    runOne(op, sql, *out);
    m_outcomes.push_back(std::move(out));
    SQLGrillaScript->hide();
    showOutcome(0);
    CarpetasPLSQL->setCurrentIndex(kPaginaResultado);
    op.finish();
}

void SqlPlsqlEditor::SEjecutar_Click() { runSingle(ss(EditorSQL->text())); }

void SqlPlsqlEditor::SEjecutarActual_Click()
{
    if (EditorSQL->hasSelectedText()) {
        runSingle(ss(EditorSQL->selectedText()));
        return;
    }
    const std::string text = ss(EditorSQL->text());
    const auto pos = static_cast<std::size_t>(EditorSQL->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS));
    runSingle(statementAt(text, pos).text);
}

void SqlPlsqlEditor::SScript_Click()
{
    const std::vector<ScriptStatement> statements = splitScript(ss(EditorSQL->text()));
    if (statements.empty()) {
        m_ctx.prompts.MsgBox("There is no statement to run.", shell::vbOKOnly | shell::vbExclamation, kCaption);
        return;
    }
    clearOutcomes();
    shell::GuardedOperation op(m_ctx);
    int shown = -1;
    for (const ScriptStatement &s : statements) {
        auto out = std::make_unique<Outcome>();
        const std::string sql = statementToSend(s.text);
        out->statement = qs(sql);
        out->line = s.line + 1;
        // The first error ends the script (after Retry, when that is the answer).
        if (op.alive()) {
            remember(sql);
            runOne(op, sql, *out);
            shown = static_cast<int>(m_outcomes.size());
        }
        m_outcomes.push_back(std::move(out));
    }
    shell::ResultGridModel *summary = SQLGrillaScript->grid();
    summary->reset();
    std::vector<QStringList> rows;
    for (const auto &o : m_outcomes)
        rows.push_back({QString::number(o->line), o->statement.simplified().left(200), o->summary});
    summary->addRows(std::move(rows));
    SQLGrillaScript->fitColumns();
    SQLGrillaScript->show();
    showOutcome(shown);
    summary->setCurrentRow(shown + 1);
    CarpetasPLSQL->setCurrentIndex(kPaginaResultado);
    op.finish();
}

void SqlPlsqlEditor::setGridModel(QAbstractItemModel *model)
{
    QItemSelectionModel *old = SQLGrillaResultado->selectionModel();
    SQLGrillaResultado->setModel(model);
    delete old;
    SQLGrillaResultado->setRowHidden(0, true);
}

void SqlPlsqlEditor::clearOutcomes()
{
    setGridModel(SQLGrillaResultado->grid());
    m_outcomes.clear();
}

void SqlPlsqlEditor::showOutcome(int index)
{
    if (index < 0 || index >= static_cast<int>(m_outcomes.size()) || !m_outcomes[static_cast<std::size_t>(index)]->model)
        return;
    QAbstractItemModel *m = m_outcomes[static_cast<std::size_t>(index)]->model.get();
    setGridModel(m);
    const bool rows = qobject_cast<CursorModel *>(m) != nullptr;
    SQLGrillaResultado->horizontalHeader()->setVisible(rows);
    if (rows) {
        const QFontMetrics fm = SQLGrillaResultado->fontMetrics();
        const int sample = std::min(m->rowCount(), 100);
        for (int c = 0; c < m->columnCount(); ++c) {
            int w = fm.horizontalAdvance(m->headerData(c, Qt::Horizontal).toString()) + 24;
            for (int r = 1; r < sample; ++r)
                w = std::max(w, fm.horizontalAdvance(m->index(r, c).data().toString()) + 14);
            SQLGrillaResultado->setColumnWidth(c, std::min(w, 420));
        }
    } else {
        SQLGrillaResultado->setColumnWidth(0, 120);
    }
}

void SqlPlsqlEditor::remember(const std::string &sql)
{
    const QString text = qs(sql);
    for (int i = HistorialSQL->count() - 1; i >= 0; --i)
        if (HistorialSQL->itemData(i).toString() == text)
            HistorialSQL->removeItem(i);
    HistorialSQL->insertItem(0, text.simplified().left(120), text);
    while (HistorialSQL->count() > kHistoryLimit)
        HistorialSQL->removeItem(HistorialSQL->count() - 1);
    HistorialSQL->setCurrentIndex(-1);
}

QStringList SqlPlsqlEditor::history() const
{
    QStringList out;
    for (int i = 0; i < HistorialSQL->count(); ++i)
        out << HistorialSQL->itemData(i).toString();
    return out;
}

// ---------------------------------------------------------------- the object tree

void SqlPlsqlEditor::GUsuarios_Click()
{
    setWindowTitle(kCaption);
    shell::GuardedOperation op(m_ctx);
    QTreeWidgetItem *root = nullptr;
    std::unique_ptr<access::OraDynaset> ds;
    op.step([&] {
        shell::Cursor_Ocupado(m_ctx);
        // A second press builds the tree anew rather than adding another root.
        marco_SQL_PLSQL->clear();
        root = addNode(nullptr, marco_SQL_PLSQL, "Usuarios", "R", 6);
    });
    if (access::OraDatabase *db = m_ctx.currentConnection()) {
        op.step([&] { ds = db->DbCreateDynaset("select username from dba_users order by username", 4); });
        while (op.alive() && ds && !ds->IsEOF()) {
            op.step([&] {
                const QString user = qs(shell::Texto(ds->Fields("username")));
                QTreeWidgetItem *u = addNode(root, nullptr, user, user, 1);
                for (int t = 0; t < 4; ++t)
                    addNode(u, nullptr, kTypes[t], user + "|" + kTypes[t], t + 2);
            });
            op.step([&] { ds->MoveNext(); });
        }
    }
    op.step([&] {
        if (root)
            root->setExpanded(true);
        if (ds)
            ds->Close();
    });
    op.finish();
}

QString SqlPlsqlEditor::fullPath(const QTreeWidgetItem *node)
{
    QStringList parts;
    for (const QTreeWidgetItem *n = node; n; n = n->parent())
        parts.prepend(n->text(0));
    return parts.join('.');
}

QTreeWidgetItem *SqlPlsqlEditor::nodeByKey(const QString &key) const
{
    QTreeWidgetItemIterator it(marco_SQL_PLSQL);
    for (; *it; ++it)
        if ((*it)->data(0, kKeyRole).toString() == key)
            return *it;
    return nullptr;
}

std::vector<std::string> SqlPlsqlEditor::splitPath(const QString &path)
{
    std::vector<std::string> fields(5);
    if (!m_scanix) {
        m_scanix = std::make_unique<scx::Host>();
        if (m_scanix->create())
            m_scanix->setSeparators(u".");
    }
    if (m_scanix->isCreated() && m_scanix->setLine(path.toStdU16String())) {
        for (int n = 1; n <= 4; ++n)
            fields[static_cast<std::size_t>(n)] = ss(QString::fromStdU16String(m_scanix->field(n)));
        return fields;
    }
    // Without the control the path is cut the same way here.
    const QStringList parts = path.split('.');
    for (int n = 1; n <= 4 && n <= parts.size(); ++n)
        fields[static_cast<std::size_t>(n)] = ss(parts[n - 1]);
    return fields;
}

void SqlPlsqlEditor::marco_SQL_PLSQL_NodeClick(QTreeWidgetItem *node)
{
    if (!node)
        return;
    const std::vector<std::string> f = splitPath(fullPath(node));
    if (!trimmed(f[4]).empty()) {
        showSource(f[2], f[3], f[4]);
    } else if (!trimmed(f[3]).empty()) {
        setWindowTitle(kCaption);
        if (node->childCount() == 0)
            fillTypeNode(node, f[2], f[3]);
    } else {
        setWindowTitle(kCaption);
    }
}

void SqlPlsqlEditor::fillTypeNode(QTreeWidgetItem *typeNode, const std::string &user, const std::string &type)
{
    access::OraDatabase *db = m_ctx.currentConnection();
    shell::GuardedOperation op(m_ctx);
    std::unique_ptr<access::OraDynaset> ds;
    int image = 2;
    for (int t = 0; t < 4; ++t)
        if (type == kTypes[t])
            image = t + 2;
    op.step([&] {
        shell::Cursor_Ocupado(m_ctx);
        if (!db)
            throw access::OraError::ora(3114, "not connected to ORACLE");
        ds = db->DbCreateDynaset("SELECT OBJECT_NAME FROM DBA_OBJECTS WHERE OWNER = '" + quoted(user) +
                                     "' AND OBJECT_TYPE = '" + quoted(type) + "' ORDER BY OBJECT_NAME",
                                 4);
    });
    while (op.alive() && ds && !ds->IsEOF()) {
        op.step([&] {
            const QString name = qs(shell::Texto(ds->Fields("OBJECT_NAME")));
            addNode(typeNode, nullptr, name, qs(user) + "|" + qs(type) + "|" + name, image);
        });
        op.step([&] { ds->MoveNext(); });
    }
    op.step([&] {
        typeNode->setExpanded(true);
        if (ds)
            ds->Close();
    });
    op.finish();
}

void SqlPlsqlEditor::showSource(const std::string &user, const std::string &type, const std::string &name)
{
    access::OraDatabase *db = m_ctx.currentConnection();
    shell::GuardedOperation op(m_ctx);
    std::unique_ptr<access::OraDynaset> ds;
    std::string source;
    op.step([&] {
        shell::Cursor_Ocupado(m_ctx);
        Editor_PLSQL->clear();
        if (!db)
            throw access::OraError::ora(3114, "not connected to ORACLE");
        ds = db->DbCreateDynaset("SELECT TEXT FROM DBA_SOURCE WHERE OWNER = '" + quoted(user) + "' AND TYPE = '" +
                                     quoted(type) + "' AND NAME = '" + quoted(name) + "' ORDER BY LINE",
                                 4);
    });
    while (op.alive() && ds && !ds->IsEOF()) {
        op.step([&] { source += shell::Texto(ds->Fields("TEXT")); });
        op.step([&] { ds->MoveNext(); });
    }
    op.step([&] {
        Editor_PLSQL->setText(qs(source));
        if (ds)
            ds->Close();
        setWindowTitle(qs(std::string(kCaption) + " [" + type + "] " + user + "." + name));
        CarpetasPLSQL->setCurrentIndex(kPaginaPLSQL);
    });
    op.finish();
}

// ---------------------------------------------------------------- the other buttons

void SqlPlsqlEditor::Nuevo_SQL_Click()
{
    EditorSQL->clear();
    CarpetasPLSQL->setCurrentIndex(kPaginaSQL);
    EditorSQL->setFocus();
}

void SqlPlsqlEditor::SImprimir_Click()
{
    QsciPrinter printer;
    printer.setDocName(kCaption);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName("SQL_Vigil_Impresora");
    if (m_ctx.prompts.execDialog(dialog) != QDialog::Accepted)
        return;
    printer.setWrapMode(QsciScintilla::WrapNone);
    printer.printRange(EditorSQL);
}

void SqlPlsqlEditor::SEliminar_Click()
{
    if (EditorSQL->hasSelectedText())
        EditorSQL->removeSelectedText();
}

void SqlPlsqlEditor::SSalir_Click() { shell::closeForm(this); }

} // namespace monitor
