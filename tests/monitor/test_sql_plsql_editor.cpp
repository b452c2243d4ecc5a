// The SQL-PL/SQL editor against the simulated instance: what a run sends and shows
// (rows, "Reg.", "Commands Executed.", "No Results"), the recognition of queries
// behind blank lines, comments, parentheses and WITH, the trailing ";", scripts with
// blocks and their first error, the statement under the cursor, rows read as the grid
// scrolls, the users tree with its type nodes and object sources, and the buttons.
#include "sql_plsql_editor.h"
#include "windowtest.h"

#include "cursormodel.h"
#include "prompts.h"
#include "resultgrid.h"

#include <Qsci/qscilexer.h>
#include <Qsci/qsciscintilla.h>

#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using harness::WindowTest;
using monitor::SqlPlsqlEditor;

class SqlPlsqlEditorTest : public QObject {
    Q_OBJECT
private slots:
    void opensAtAUsableSize();
    void runsAStatementAndShowsWhatItGave();
    void recognisesQueriesBehindBlanksCommentsAndParentheses();
    void dropsOneTrailingSemicolonButNotABlocksEnd();
    void runsAScriptStatementByStatement();
    void stopsAScriptAtItsFirstError();
    void runsTheStatementUnderTheCursor();
    void readsLargeResultsAsTheGridScrolls();
    void buildsTheUsersTreeAndShowsSources();
    void quotesNamesAndReportsADisconnectedServer();
    void newPrintDelAndHistory();
};

namespace {

void run(WindowTest &t, SqlPlsqlEditor *w, const QString &text)
{
    w->EditorSQL->setText(text);
    t.clearStatements();
    t.click(w, "SEjecutar");
}

} // namespace

void SqlPlsqlEditorTest::opensAtAUsableSize()
{
    harness::ScriptedPrompts prompts;
    shell::AppContext ctx(prompts);
    SqlPlsqlEditor w(ctx);
    QVERIFY(w.width() >= 900 && w.height() >= 600);
    QCOMPARE(w.objectName(), QString("SQL_PLSQL_Editor"));
    QCOMPARE(w.windowTitle(), QString("SQL-PL/SQL Editor"));
    // Both editors: fixed pitch, no wrapping, line numbers.
    for (QsciScintilla *e : {w.EditorSQL, w.Editor_PLSQL}) {
        QCOMPARE(e->wrapMode(), QsciScintilla::WrapNone);
        QVERIFY(QFontInfo(e->lexer()->font(0)).fixedPitch());
        QVERIFY(e->marginLineNumbers(0));
        QVERIFY(e->marginWidth(0) > 20);
    }
    QVERIFY(w.Editor_PLSQL->isReadOnly());
    QCOMPARE(w.CarpetasPLSQL->widget(SqlPlsqlEditor::kPaginaPLSQL), w.Editor_PLSQL);
}

void SqlPlsqlEditorTest::runsAStatementAndShowsWhatItGave()
{
    WindowTest t;
    auto *w = t.open<SqlPlsqlEditor>();
    // A lower-case query with blanks around it shows its rows.
    run(t, w, "   select deptno, dname from scott.dept order by deptno   ");
    QCOMPARE(t.statements(), std::vector<std::string>{"select deptno, dname from scott.dept order by deptno"});
    QCOMPARE(w->CarpetasPLSQL->currentIndex(), int(SqlPlsqlEditor::kPaginaResultado));
    QCOMPARE(t.rows(w, "SQLGrillaResultado"), 5);
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 0, 2), QString("DNAME"));
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 0), QString("1"));
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 1), QString("10"));
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 4, 2), QString("OPERACIONES"));
    // An UPDATE touching no rows shows 0 and "Reg.".
    run(t, w, "update scott.emp set sal = sal * 2 where empno = -1");
    QCOMPARE(t.rows(w, "SQLGrillaResultado"), 2);
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 0), QString("0"));
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 1), QString("Reg."));
    run(t, w, "delete from scott.emp where deptno = 10");
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 0), QString("3"));
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 1), QString("Reg."));
    // A query with no rows.
    run(t, w, "select * from scott.emp where deptno = 10");
    QCOMPARE(t.rows(w, "SQLGrillaResultado"), 2);
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 0), QString("No Results"));
    // DDL and blocks take the command path.
    run(t, w, "create table scott.notas (n number)");
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 1), QString("Commands Executed."));
    run(t, w, "begin insert into scott.notas values (5); end;");
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 1), QString("Commands Executed."));
    run(t, w, "select n from scott.notas");
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 1), QString("5"));
    QCOMPARE(t.prompts.count(), 0u);
    // A server error goes through the error dialog; the grid names it.
    t.prompts.answer(shell::vbIgnore);
    run(t, w, "select * from scott.no_such_table");
    QCOMPARE(t.prompts.count(), 1u);
    QVERIFY(t.prompts.last().text.find("ORA-00942") != std::string::npos);
    QVERIFY(t.cell(w, "SQLGrillaResultado", 1, 0).startsWith("ORA-00942"));
    // Retry runs the statement again.
    t.failNext("scott.dept", 54, "ORA-00054: resource busy and acquire with NOWAIT specified");
    t.prompts.answer(shell::vbRetry);
    run(t, w, "select dname from scott.dept where deptno = 20");
    QCOMPARE(t.statements().size(), 2u);
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 1), QString("INVESTIGACION"));
    QCOMPARE(t.ctx.pointer.code(), 0);
    // Nothing to run: a message, nothing sent.
    run(t, w, "  ");
    QVERIFY(t.statements().empty());
    QCOMPARE(t.prompts.last().text, std::string("There is no statement to run."));
}

void SqlPlsqlEditorTest::recognisesQueriesBehindBlanksCommentsAndParentheses()
{
    WindowTest t;
    auto *w = t.open<SqlPlsqlEditor>();
    const QStringList queries = {
        "\n\nselect dname from scott.dept where deptno = 30",
        "\t-- the sales department\nselect dname from scott.dept where deptno = 30",
        "/* one row */ select dname from scott.dept where deptno = 30",
        "(select dname from scott.dept where deptno = 30)",
        "with d as (select dname from scott.dept where deptno = 30) select dname from d",
    };
    for (const QString &q : queries) {
        run(t, w, q);
        QCOMPARE(t.rows(w, "SQLGrillaResultado"), 2);
        QCOMPARE(t.cell(w, "SQLGrillaResultado", 0, 1), QString("DNAME"));
        QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 1), QString("VENTAS"));
    }
    QCOMPARE(t.prompts.count(), 0u);
}

void SqlPlsqlEditorTest::dropsOneTrailingSemicolonButNotABlocksEnd()
{
    WindowTest t;
    auto *w = t.open<SqlPlsqlEditor>();
    run(t, w, "select dname from scott.dept where deptno = 40;  \n");
    QCOMPARE(t.statements(), std::vector<std::string>{"select dname from scott.dept where deptno = 40"});
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 1), QString("OPERACIONES"));
    run(t, w, "update scott.dept set loc = loc where deptno = 40;");
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 0), QString("1"));
    run(t, w, "begin\n  update scott.dept set loc = 'X' where deptno = 40;\nend;");
    QCOMPARE(t.statements(), std::vector<std::string>{"begin\n  update scott.dept set loc = 'X' where deptno = 40;\nend;"});
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 1), QString("Commands Executed."));
    QCOMPARE(t.prompts.count(), 0u);
}

void SqlPlsqlEditorTest::runsAScriptStatementByStatement()
{
    WindowTest t;
    auto *w = t.open<SqlPlsqlEditor>();
    t.serverScript("create table scott.pasos (n number)");
    w->EditorSQL->setText("insert into scott.pasos values (1);\n"
                          "begin\n  insert into scott.pasos values (2);\n  insert into scott.pasos values (3);\nend;\n/\n"
                          "-- what is there now\nselect n from scott.pasos order by n;\n");
    t.clearStatements();
    t.click(w, "SScript");
    const auto sent = t.statements();
    QCOMPARE(sent.size(), 3u);
    QCOMPARE(sent[0], std::string("insert into scott.pasos values (1)"));
    QCOMPARE(sent[1], std::string("begin\n  insert into scott.pasos values (2);\n  insert into scott.pasos values (3);\nend;"));
    QCOMPARE(sent[2], std::string("-- what is there now\nselect n from scott.pasos order by n"));
    QCOMPARE(t.prompts.count(), 0u);
    // One summary line per statement; the grid shows the last result.
    QVERIFY(w->SQLGrillaScript->isVisible());
    QCOMPARE(t.rows(w, "SQLGrillaScript"), 4);
    QCOMPARE(t.cell(w, "SQLGrillaScript", 1, 1), QString("1"));
    QCOMPARE(t.cell(w, "SQLGrillaScript", 1, 3), QString("1 Reg."));
    QCOMPARE(t.cell(w, "SQLGrillaScript", 2, 1), QString("2"));
    QCOMPARE(t.cell(w, "SQLGrillaScript", 2, 3), QString("1 Commands Executed."));
    QCOMPARE(t.cell(w, "SQLGrillaScript", 3, 1), QString("7"));
    QCOMPARE(t.cell(w, "SQLGrillaScript", 3, 3), QString("3 rows"));
    QCOMPARE(t.rows(w, "SQLGrillaResultado"), 4);
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 3, 1), QString("3"));
    // Clicking a summary line shows that statement's result.
    emit w->SQLGrillaScript->rowClicked(1);
    QCOMPARE(t.rows(w, "SQLGrillaResultado"), 2);
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 1), QString("Reg."));
    // A single run afterwards hides the summary again.
    run(t, w, "select n from scott.pasos where n = 2");
    QVERIFY(!w->SQLGrillaScript->isVisible());
}

void SqlPlsqlEditorTest::stopsAScriptAtItsFirstError()
{
    WindowTest t;
    auto *w = t.open<SqlPlsqlEditor>();
    t.serverScript("create table scott.pasos (n number)");
    const QString script = "insert into scott.pasos values (1);\n"
                           "insert into scott.no_such values (2);\n"
                           "insert into scott.pasos values (3);\n";
    // Ignore (like Abort) ends the script: the third statement is not sent.
    w->EditorSQL->setText(script);
    t.prompts.answer(shell::vbIgnore);
    t.clearStatements();
    t.click(w, "SScript");
    QCOMPARE(t.statements().size(), 2u);
    QCOMPARE(t.prompts.count(), 1u);
    QVERIFY(t.prompts.last().text.find("ORA-00942") != std::string::npos);
    QVERIFY(t.cell(w, "SQLGrillaScript", 2, 3).startsWith("ORA-00942"));
    QCOMPARE(t.cell(w, "SQLGrillaScript", 3, 3), QString("Not run"));
    QVERIFY(t.cell(w, "SQLGrillaResultado", 1, 0).startsWith("ORA-00942"));
    QCOMPARE(t.ctx.pointer.code(), 0);
    // Retry runs the failing statement again and the script goes on.
    t.prompts.clear();
    t.failNext("values (3)", 54, "ORA-00054: resource busy and acquire with NOWAIT specified");
    t.prompts.answer(shell::vbRetry);
    w->EditorSQL->setText("insert into scott.pasos values (3);\nselect count(*) c from scott.pasos;");
    t.clearStatements();
    t.click(w, "SScript");
    QCOMPARE(t.statements().size(), 3u);
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.cell(w, "SQLGrillaScript", 1, 3), QString("1 Reg."));
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 1), QString("2"));
}

void SqlPlsqlEditorTest::runsTheStatementUnderTheCursor()
{
    WindowTest t;
    auto *w = t.open<SqlPlsqlEditor>();
    w->EditorSQL->setText("select dname from scott.dept where deptno = 10;\n"
                          "select dname from scott.dept\n where deptno = 20\n\n"
                          "update scott.dept set loc = loc");
    w->EditorSQL->setCursorPosition(2, 3);
    w->EditorSQL->setFocus();
    t.clearStatements();
    w->SEjecutarActual_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{"select dname from scott.dept\n where deptno = 20"});
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 1, 1), QString("INVESTIGACION"));
    // A selection runs as it is.
    w->EditorSQL->setSelection(0, 0, 0, 46);
    t.clearStatements();
    w->SEjecutarActual_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{"select dname from scott.dept where deptno = 10"});
    // The keys: Ctrl+Enter for the statement under the cursor, F5 for the script.
    w->window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w->window()));
    w->EditorSQL->setFocus();
    w->EditorSQL->setCursorPosition(4, 2);
    t.clearStatements();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(t.statements(), std::vector<std::string>{"update scott.dept set loc = loc"});
    QCOMPARE(w->EditorSQL->lines(), 5);   // the key did not add a line
    w->EditorSQL->setText("select 1 a from dual;\nselect 2 b from dual;\nselect 3 c from dual");
    t.clearStatements();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
    QCOMPARE(t.statements().size(), 3u);
    QCOMPARE(t.prompts.count(), 0u);
}

void SqlPlsqlEditorTest::readsLargeResultsAsTheGridScrolls()
{
    WindowTest t;
    auto *w = t.open<SqlPlsqlEditor>();
    t.serverScript("create table scott.muchas (n number)");
    t.serverScript("insert into scott.muchas values (1)");
    for (int i = 0; i < 12; ++i)   // 4096 rows
        t.serverScript("insert into scott.muchas select n + (select count(*) from scott.muchas) from scott.muchas");
    run(t, w, "select n, 'fila ' || n texto from scott.muchas order by n");
    auto *m = qobject_cast<monitor::CursorModel *>(w->SQLGrillaResultado->model());
    QVERIFY(m);
    QCOMPARE(m->fetchedRows(), long(monitor::CursorModel::kFirstBatch));
    QVERIFY(m->canFetchMore({}));
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 200, 2), QString("fila 200"));
    // Scrolling to the end of what is there reads the next batch, and so on to the end.
    w->SQLGrillaResultado->scrollToBottom();
    QTRY_VERIFY(m->fetchedRows() > monitor::CursorModel::kFirstBatch);
    while (m->canFetchMore({}))
        m->fetchMore({});
    QCOMPARE(m->fetchedRows(), 4096L);
    QVERIFY(m->exhausted());
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 4096, 1), QString("4096"));
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 4096, 2), QString("fila 4096"));
    QCOMPARE(t.cell(w, "SQLGrillaResultado", 4096, 0), QString("4096"));
    QCOMPARE(t.statements().size(), 1u);
    QCOMPARE(t.prompts.count(), 0u);
}

void SqlPlsqlEditorTest::buildsTheUsersTreeAndShowsSources()
{
    WindowTest t;
    auto *w = t.open<SqlPlsqlEditor>();
    t.click(w, "GUsuarios");
    QCOMPARE(t.statements(), std::vector<std::string>{"select username from dba_users order by username"});
    QTreeWidget *tree = w->marco_SQL_PLSQL;
    QCOMPARE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem *root = tree->topLevelItem(0);
    QCOMPARE(root->text(0), QString("Usuarios"));
    QCOMPARE(root->data(0, Qt::UserRole).toString(), QString("R"));
    const int users = root->childCount();
    QVERIFY(users >= 5);
    QTreeWidgetItem *scott = w->nodeByKey("SCOTT");
    QVERIFY(scott);
    QCOMPARE(scott->childCount(), 4);
    QCOMPARE(scott->child(3)->text(0), QString("PACKAGE BODY"));
    QCOMPARE(scott->child(3)->data(0, Qt::UserRole).toString(), QString("SCOTT|PACKAGE BODY"));
    // A second press rebuilds the tree: still one root.
    t.click(w, "GUsuarios");
    QCOMPARE(tree->topLevelItemCount(), 1);
    QCOMPARE(tree->topLevelItem(0)->childCount(), users);
    scott = w->nodeByKey("SCOTT");

    // A type node loads its objects once.
    QTreeWidgetItem *functions = w->nodeByKey("SCOTT|FUNCTION");
    QCOMPARE(SqlPlsqlEditor::fullPath(functions), QString("Usuarios.SCOTT.FUNCTION"));
    t.clearStatements();
    w->marco_SQL_PLSQL_NodeClick(functions);
    w->marco_SQL_PLSQL_NodeClick(functions);
    QCOMPARE(t.statements(), std::vector<std::string>{"SELECT OBJECT_NAME FROM DBA_OBJECTS WHERE OWNER = 'SCOTT' AND "
                                                      "OBJECT_TYPE = 'FUNCTION' ORDER BY OBJECT_NAME"});
    QCOMPARE(functions->childCount(), 1);
    QTreeWidgetItem *f = functions->child(0);
    QCOMPARE(f->text(0), QString("F_SALARIO_ANUAL"));
    QCOMPARE(f->data(0, Qt::UserRole).toString(), QString("SCOTT|FUNCTION|F_SALARIO_ANUAL"));
    QCOMPARE(w->windowTitle(), QString("SQL-PL/SQL Editor"));

    // An object node shows its source, line after line as stored.
    t.clearStatements();
    w->marco_SQL_PLSQL_NodeClick(f);
    QCOMPARE(t.statements(), std::vector<std::string>{"SELECT TEXT FROM DBA_SOURCE WHERE OWNER = 'SCOTT' AND TYPE = "
                                                      "'FUNCTION' AND NAME = 'F_SALARIO_ANUAL' ORDER BY LINE"});
    const QString source = w->Editor_PLSQL->text();
    QVERIFY(source.startsWith("FUNCTION f_salario_anual (p_empno IN NUMBER)\nRETURN NUMBER IS\n"));
    QVERIFY(source.contains("\nBEGIN\n"));
    QCOMPARE(w->windowTitle(), QString("SQL-PL/SQL Editor [FUNCTION] SCOTT.F_SALARIO_ANUAL"));
    QCOMPARE(w->CarpetasPLSQL->currentIndex(), int(SqlPlsqlEditor::kPaginaPLSQL));

    // A type of two words: the path is split at "." only.
    QTreeWidgetItem *body = w->nodeByKey("VENTAS|PACKAGE BODY");
    w->marco_SQL_PLSQL_NodeClick(body);
    QVERIFY(body->childCount() == 1);
    w->marco_SQL_PLSQL_NodeClick(body->child(0));
    QCOMPARE(w->windowTitle(), QString("SQL-PL/SQL Editor [PACKAGE BODY] VENTAS.PKG_PEDIDOS"));
    QVERIFY(w->Editor_PLSQL->text().contains("PACKAGE BODY", Qt::CaseInsensitive));
    // A user node only resets the caption.
    t.clearStatements();
    w->marco_SQL_PLSQL_NodeClick(scott);
    QCOMPARE(w->windowTitle(), QString("SQL-PL/SQL Editor"));
    QVERIFY(t.statements().empty());
    QCOMPARE(t.prompts.count(), 0u);
}

void SqlPlsqlEditorTest::quotesNamesAndReportsADisconnectedServer()
{
    {
        WindowTest t;
        auto *w = t.open<SqlPlsqlEditor>();
        t.click(w, "GUsuarios");
        // A user name with a quote reaches the dictionary with the quote doubled.
        auto *odd = new QTreeWidgetItem(w->marco_SQL_PLSQL->topLevelItem(0), QStringList{"O'HARA"});
        auto *type = new QTreeWidgetItem(odd, QStringList{"PROCEDURE"});
        t.clearStatements();
        w->marco_SQL_PLSQL_NodeClick(type);
        QCOMPARE(t.statements(), std::vector<std::string>{"SELECT OBJECT_NAME FROM DBA_OBJECTS WHERE OWNER = 'O''HARA' "
                                                          "AND OBJECT_TYPE = 'PROCEDURE' ORDER BY OBJECT_NAME"});
        QCOMPARE(type->childCount(), 0);
        QCOMPARE(t.prompts.count(), 0u);
    }
    harness::Options o;
    o.connect = false;
    WindowTest t(o);
    auto *w = t.open<SqlPlsqlEditor>();
    t.click(w, "GUsuarios");
    QCOMPARE(w->marco_SQL_PLSQL->topLevelItemCount(), 1);
    QCOMPARE(w->marco_SQL_PLSQL->topLevelItem(0)->childCount(), 0);
    QCOMPARE(t.prompts.count(), 0u);
    t.prompts.answer(shell::vbAbort);
    w->EditorSQL->setText("select 1 from dual");
    t.click(w, "SEjecutar");
    QCOMPARE(t.prompts.count(), 1u);
    QVERIFY(t.prompts.last().text.find("ORA-03114") != std::string::npos);
    QCOMPARE(t.ctx.pointer.code(), 0);
}

void SqlPlsqlEditorTest::newPrintDelAndHistory()
{
    WindowTest t;
    auto *w = t.open<SqlPlsqlEditor>();
    // Del removes the selected text only.
    w->EditorSQL->setText("select dname, loc from scott.dept");
    w->EditorSQL->setSelection(0, 12, 0, 17);
    t.click(w, "SEliminar");
    QCOMPARE(w->EditorSQL->text(), QString("select dname from scott.dept"));
    t.click(w, "SEliminar");
    QCOMPARE(w->EditorSQL->text(), QString("select dname from scott.dept"));
    // Print: the printer dialog, then the text on the printer chosen there.
    QTemporaryDir tmp;
    const QString pdf = tmp.filePath("editor.pdf");
    t.prompts.onDialog([&](QDialog &d) {
        auto *pd = qobject_cast<QPrintDialog *>(&d);
        if (!pd)
            return int(QDialog::Rejected);
        pd->printer()->setOutputFormat(QPrinter::PdfFormat);
        pd->printer()->setOutputFileName(pdf);
        return int(QDialog::Accepted);
    });
    t.click(w, "SImprimir");
    QVERIFY(t.prompts.last().dialog);
    QVERIFY(QFile(pdf).size() > 500);
    // Cancelled: nothing printed.
    const QString second = tmp.filePath("second.pdf");
    t.click(w, "SImprimir");
    QVERIFY(!QFile::exists(second));
    // History: newest first, no repeats; picking one puts it back in the editor.
    run(t, w, "select 1 a from dual");
    run(t, w, "select 2 b from dual");
    run(t, w, "select 1 a from dual;");
    QCOMPARE(w->history(), (QStringList{"select 1 a from dual", "select 2 b from dual"}));
    // New empties the editor.
    t.click(w, "Nuevo_SQL");
    QCOMPARE(w->EditorSQL->text(), QString());
    QCOMPARE(w->CarpetasPLSQL->currentIndex(), int(SqlPlsqlEditor::kPaginaSQL));
    w->HistorialSQL->activated(1);
    QCOMPARE(w->EditorSQL->text(), QString("select 2 b from dual"));
    QCOMPARE(t.prompts.messageCount(), 0u);
}

QTEST_MAIN(SqlPlsqlEditorTest)
#include "test_sql_plsql_editor.moc"
