// The object browsers against the simulated instance: the owner filter (upper-cased,
// quotes doubled, or none), the grid columns of each window, the view text on
// double-click, and the constraint viewer of the tables window with both branches
// and their levels.
#include "indices.h"
#include "sequencias.h"
#include "tablas.h"
#include "vistas.h"
#include "windowtest.h"

#include "comun.h"
#include "prompts.h"
#include "resultgrid.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using harness::WindowTest;

namespace {

int rowOf(shell::ResultGridModel *g, const QString &text, int col = 1)
{
    for (int r = 1; r < g->rows(); ++r)
        if (g->text(r, col) == text)
            return r;
    return 0;
}

QStringList kids(QTreeWidgetItem *item)
{
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i)
        out << item->child(i)->text(0);
    return out;
}

} // namespace

class ObjetosTest : public QObject {
    Q_OBJECT
private slots:
    void tablesFilteredByOwner();
    void indexesViewsAndSequences();
    void constraintViewerBothBranches();
    void constraintViewerOfATableWithoutForeignKeys();
};

void ObjetosTest::tablesFilteredByOwner()
{
    WindowTest t;
    auto *w = t.open<schema::Tablas>();
    QVERIFY(t.sent("select username from dba_users order by username"));
    QVERIFY(w->owner()->findText("SCOTT") >= 0);
    t.clearStatements();
    w->owner()->setCurrentText("scott");
    t.click(w, "GTablas");
    QCOMPARE(t.statements(), std::vector<std::string>{"select table_name, tablespace_name, nvl(cluster_name,'Null') "
                                                      "cluster_name from dba_tables WHERE OWNER = 'SCOTT' order by "
                                                      "table_name"});
    auto *g = w->grid()->grid();
    const int emp = rowOf(g, "EMP"), hist = rowOf(g, "EMP_HIST");
    QVERIFY(emp > 0 && hist > 0);
    QCOMPARE(g->text(emp, 2), QString("USERS"));
    QCOMPARE(g->text(emp, 3), QString("Null"));
    QCOMPARE(g->text(hist, 3), QString("EMP_DEPT"));
    QVERIFY(rowOf(g, "EMPLOYEES") == 0);
    QVERIFY(w->width() >= w->grid()->horizontalHeader()->length());

    // No owner: every owner's tables; an owner nobody has: one empty row.
    w->owner()->setCurrentText("");
    t.click(w, "GTablas");
    QVERIFY(t.sent("cluster_name from dba_tables  order by table_name"));
    QVERIFY(rowOf(g, "EMPLOYEES") > 0 && rowOf(g, "EMP") > 0);
    w->owner()->setCurrentText("d'artagnan");
    t.click(w, "GTablas");
    QVERIFY(t.sent("WHERE OWNER = 'D''ARTAGNAN' order by"));
    QCOMPARE(g->rows(), 2);
    QCOMPARE(g->text(1, 1), QString());
    QCOMPARE(t.prompts.count(), 0u);
}

void ObjetosTest::indexesViewsAndSequences()
{
    WindowTest t;
    auto *i = t.open<schema::Indices>();
    i->owner()->setCurrentText("Scott");
    t.clearStatements();
    t.click(i, "GIndices");
    QCOMPARE(t.statements(), std::vector<std::string>{
                                 "select owner, index_name, table_owner, table_name, table_type, tablespace_name, "
                                 "initial_extent, next_extent, max_extents from dba_indexes WHERE OWNER = 'SCOTT' "
                                 "order by index_name"});
    auto *gi = i->grid()->grid();
    const int pk = rowOf(gi, "PK_EMP");
    QVERIFY(pk > 0);
    QCOMPARE(gi->text(0, 1), QString("Index Name"));
    QCOMPARE(gi->text(pk, 3), QString("SCOTT"));
    QCOMPARE(gi->text(pk, 4), QString("EMP"));

    auto *s = t.open<schema::Sequencias>();
    s->owner()->setCurrentText("ventas");
    t.clearStatements();
    t.click(s, "GSequencias");
    QCOMPARE(t.statements(), std::vector<std::string>{
                                 "select sequence_owner, sequence_name, min_value, max_value, increment_by, "
                                 "last_number from dba_sequences WHERE SEQUENCE_OWNER = 'VENTAS' order by "
                                 "sequence_name"});
    auto *gs = s->grid()->grid();
    QCOMPARE(gs->dataRows(), 2);
    QCOMPARE(gs->text(1, 1), QString("SEQ_FACTURAS"));
    QCOMPARE(gs->text(1, 3), QString("999999"));
    QCOMPARE(gs->text(2, 5), QString("184221"));

    auto *v = t.open<schema::Vistas>();
    v->owner()->setCurrentText("HR");
    t.click(v, "GVistas");
    auto *gv = v->grid()->grid();
    QCOMPARE(gv->dataRows(), 1);
    QCOMPARE(gv->text(1, 1), QString("EMP_DETAILS_VIEW"));
    QCOMPARE(gv->text(1, 2).toInt(), gv->text(1, 3).size());
    gv->setCurrentRow(1);
    v->LVistas_DblClick();
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().title, std::string("Texto de la Vista"));
    QCOMPARE(QString::fromStdString(t.prompts.last().text), gv->text(1, 3));
    // The blank row of an empty list shows nothing.
    v->owner()->setCurrentText("NADIE");
    t.click(v, "GVistas");
    v->LVistas_DblClick();
    QCOMPARE(t.prompts.count(), 1u);
}

void ObjetosTest::constraintViewerBothBranches()
{
    WindowTest t;
    auto *w = t.open<schema::Tablas>();
    w->owner()->setCurrentText("scott");
    t.click(w, "GTablas");
    auto *g = w->grid()->grid();
    g->setCurrentRow(rowOf(g, "EMP"));
    w->CarpetaTablas->setCurrentIndex(1);
    QCOMPARE(w->tipo(), std::string("C"));
    QCOMPARE(w->Dueno_Principal->text(), QString("SCOTT"));
    QCOMPARE(w->Tabla_Principal->text(), QString("EMP"));
    t.click(w, "GConstraint");
    auto *tree = w->Visor_de_Constraint;
    QCOMPARE(tree->topLevelItemCount(), 2);
    QTreeWidgetItem *padres = tree->topLevelItem(0), *hijas = tree->topLevelItem(1);
    QCOMPARE(padres->text(0), QString("Tablas Padres"));
    QCOMPARE(hijas->text(0), QString("Tablas Hijas"));

    t.clearStatements();
    w->Visor_de_Constraint_Click(padres);
    QCOMPARE(t.statements(), std::vector<std::string>{
                                 "SELECT distinct B.TABLE_NAME uno FROM DBA_CONSTRAINTS A, DBA_CONSTRAINTS B WHERE "
                                 "A.OWNER = 'SCOTT' AND A.TABLE_NAME = 'EMP' AND A.R_CONSTRAINT_NAME = "
                                 "B.CONSTRAINT_NAME"});
    QCOMPARE(kids(padres), QStringList{"DEPT"});
    QVERIFY(padres->isExpanded());
    QCOMPARE(padres->data(0, schema::kRolDibujo).toInt(), int(schema::Dibujo::Abierto));
    // Loaded once: selecting it again queries nothing.
    w->Visor_de_Constraint_Click(padres);
    QCOMPARE(t.statements().size(), 1u);

    QTreeWidgetItem *dept = padres->child(0);
    w->Visor_de_Constraint_Click(dept);
    QCOMPARE(t.statements().back(),
             std::string("SELECT distinct B.TABLE_NAME uno, B.CONSTRAINT_NAME dos, A.STATUS tres FROM DBA_CONSTRAINTS "
                         "A, DBA_CONSTRAINTS B WHERE A.OWNER = 'SCOTT' AND A.TABLE_NAME = 'EMP' AND B.TABLE_NAME = "
                         "'DEPT' AND A.R_CONSTRAINT_NAME = B.CONSTRAINT_NAME"));
    QCOMPARE(kids(dept), QStringList{"PK_DEPT"});
    w->Visor_de_Constraint_Click(dept->child(0));
    QCOMPARE(t.statements().back(),
             std::string("SELECT COLUMN_NAME FROM DBA_CONS_COLUMNS WHERE OWNER = 'SCOTT' AND TABLE_NAME = 'DEPT' AND "
                         "CONSTRAINT_NAME = 'PK_DEPT' ORDER BY POSITION"));
    QCOMPARE(kids(dept->child(0)), QStringList{"DEPTNO"});
    QTreeWidgetItem *column = dept->child(0)->child(0);
    QCOMPARE(column->data(0, schema::kRolDibujo).toInt(), int(schema::Dibujo::Hoja));
    const size_t before = t.statements().size();
    w->Visor_de_Constraint_Click(column);
    QCOMPARE(t.statements().size(), before);

    // The other branch from DEPT: EMP refers to it through FK_DEPTNO on DEPTNO.
    g->setCurrentRow(rowOf(g, "DEPT"));
    w->CarpetaTablas->setCurrentIndex(0);
    w->CarpetaTablas->setCurrentIndex(1);
    t.click(w, "GConstraint");
    hijas = tree->topLevelItem(1);
    w->Visor_de_Constraint_Click(hijas);
    QVERIFY(t.sent("A.OWNER = 'SCOTT' AND A.TABLE_NAME = 'DEPT' AND A.CONSTRAINT_TYPE IN ('P','U') AND "
                   "B.R_CONSTRAINT_NAME = A.CONSTRAINT_NAME"));
    QCOMPARE(kids(hijas), QStringList{"EMP"});
    w->Visor_de_Constraint_Click(hijas->child(0));
    QCOMPARE(kids(hijas->child(0)), QStringList{"FK_DEPTNO"});
    w->Visor_de_Constraint_Click(hijas->child(0)->child(0));
    QCOMPARE(kids(hijas->child(0)->child(0)), QStringList{"DEPTNO"});
    QCOMPARE(t.prompts.count(), 0u);
}

void ObjetosTest::constraintViewerOfATableWithoutForeignKeys()
{
    WindowTest t;
    auto *w = t.open<schema::Tablas>();
    w->owner()->setCurrentText("SCOTT");
    t.click(w, "GTablas");
    w->grid()->grid()->setCurrentRow(rowOf(w->grid()->grid(), "BONUS"));
    w->CarpetaTablas->setCurrentIndex(1);
    t.click(w, "GConstraint");
    QTreeWidgetItem *padres = w->Visor_de_Constraint->topLevelItem(0);
    w->Visor_de_Constraint_Click(padres);
    QVERIFY(t.sent("A.TABLE_NAME = 'BONUS' AND A.R_CONSTRAINT_NAME = B.CONSTRAINT_NAME"));
    QCOMPARE(padres->text(0), QString("Tablas Padres"));
    QCOMPARE(padres->childCount(), 0);
    w->Visor_de_Constraint_Click(w->Visor_de_Constraint->topLevelItem(1));
    QCOMPARE(w->Visor_de_Constraint->topLevelItem(1)->childCount(), 0);
    QCOMPARE(t.prompts.count(), 0u);
}

QTEST_MAIN(ObjetosTest)
#include "test_objetos.moc"
