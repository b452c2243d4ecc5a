// editor_shots DIR OUTDIR: screenshots of the SQL-PL/SQL editor and the accessories
// for review (not a test). Prepares the demo repository in DIR, starts the main
// window, connects DEMO (sim:ORCL), then grabs the editor with a highlighted
// script, its result grid, a PL/SQL source, and the calculator, calendar, task
// guide and About box.
#include "acercade.h"
#include "appcontext.h"
#include "calculadora.h"
#include "formutil.h"
#include "marco.h"
#include "shotconsole.h"
#include "sql_plsql_editor.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QApplication>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTreeWidget>

#include <iostream>

namespace {

void settle() { harness::ShotConsole::settle(30); }

void place(QWidget *form, int w, int h) { harness::ShotConsole::place(form, w, h); }

} // namespace

int main(int argc, char **argv)
{
    harness::ShotProgram program(argc, argv, "editor_shots");
    if (!program.ready())
        return program.exitCode();
    const QString out = program.out();
    harness::ShotConsole &console = program.console();
    shell::Marco &marco = console.marco();
    console.connectFirstServer();

    marco.showForm("SQL_PLSQL_Editor");
    auto *ed = qobject_cast<monitor::SqlPlsqlEditor *>(marco.form("SQL_PLSQL_Editor"));
    if (!ed)
        return 1;
    place(ed, 1200, 680);
    ed->EditorSQL->setText("-- Employees of each department, highest salary first\n"
                           "select d.dname, e.ename, e.job, e.sal, e.hiredate\n"
                           "  from scott.emp e, scott.dept d\n"
                           " where e.deptno = d.deptno\n"
                           "   and e.sal > 1000\n"
                           " order by d.dname, e.sal desc;\n"
                           "\n"
                           "update scott.emp set comm = nvl(comm, 0) where job = 'SALESMAN';\n"
                           "\n"
                           "begin\n"
                           "  insert into scott.bonus (ename, job, sal, comm)\n"
                           "    select ename, job, sal, comm from scott.emp where comm > 0;\n"
                           "end;\n"
                           "/\n");
    ed->GUsuarios_Click();
    if (QTreeWidgetItem *scott = ed->nodeByKey("SCOTT"))
        scott->setExpanded(true);
    ed->EditorSQL->setCursorPosition(2, 10);
    settle();
    marco.grab().save(out + "/editor-sql.png");

    ed->EditorSQL->setCursorPosition(2, 10);
    ed->SEjecutarActual_Click();
    settle();
    marco.grab().save(out + "/editor-result.png");

    ed->SScript_Click();
    settle();
    marco.grab().save(out + "/editor-script.png");

    QTreeWidgetItem *body = ed->nodeByKey("VENTAS|PACKAGE BODY");
    if (body) {
        ed->nodeByKey("VENTAS")->setExpanded(true);
        ed->marco_SQL_PLSQL_NodeClick(body);
        if (body->childCount() > 0)
            ed->marco_SQL_PLSQL_NodeClick(body->child(0));
    }
    settle();
    marco.grab().save(out + "/editor-plsql.png");
    shell::closeForm(ed);
    settle();

    marco.showForm("CALCULADORA");
    auto *calc = qobject_cast<accessories::Calculadora *>(marco.form("CALCULADORA"));
    if (!calc)
        return 1;
    for (const char *k : {"1", "2", ".", "5", "X", "4"})
        calc->press(k);
    place(calc, 300, 360);
    marco.grab().save(out + "/calculadora.png");

    marco.showForm("CALENDARIO");
    if (QWidget *cal = marco.form("CALENDARIO"))
        place(cal, 420, 340);
    marco.grab().save(out + "/calendario.png");

    marco.showForm("GUIAR_EN_TAREAS");
    if (QWidget *guide = marco.form("GUIAR_EN_TAREAS"))
        place(guide, 460, 320);
    marco.grab().save(out + "/guiarentareas.png");

    shell::AcercaDe about(console.ctx, &marco);
    about.show();
    settle();
    about.grab().save(out + "/acercade.png");
    about.close();
    return 0;
}
