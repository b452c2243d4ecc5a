// The database overview against the simulated instance: identity and counts, the
// object tree loaded level by level once per item in both branches, the path split
// through the hosted control, the five detail panels, and an object whose name
// holds the separator.
#include "mdatabas.h"
#include "windowtest.h"

#include "comun.h"
#include "resultgrid.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

using harness::WindowTest;
using schema::MDatabas;

namespace {

QTreeWidgetItem *child(QTreeWidgetItem *item, const QString &text)
{
    for (int i = 0; item && i < item->childCount(); ++i)
        if (item->child(i)->text(0) == text)
            return item->child(i);
    return nullptr;
}

// Clicks the path's items one after the other from the root's child on.
QTreeWidgetItem *walk(MDatabas *w, const QStringList &path)
{
    QTreeWidgetItem *item = w->Wonder_View->topLevelItem(0);
    for (const QString &p : path) {
        item = child(item, p);
        if (!item)
            return nullptr;
        w->Wonder_View_Click(item);
    }
    return item;
}

const char *const kTableFields[] = {"PN_TABLAS_OWNER", "PN_TABLAS_TABLE_NAME", "PN_TABLAS_TABLESPACE",
                                    "PN_TABLAS_CREATED", "PN_TABLAS_INITIAL", "PN_TABLAS_PCTFREE",
                                    "PN_TABLAS_MAX_TRANS"};

} // namespace

class MDatabasTest : public QObject {
    Q_OBJECT
private slots:
    void loadsIdentityCountsAndTheFirstLevels();
    void bothBranchesGiveTheSameTableDetails();
    void synonymLinkIndexAndSequencePanels();
    void anObjectNamedWithTheSeparatorOpens();
    void disconnectedDoesNothing();
};

void MDatabasTest::loadsIdentityCountsAndTheFirstLevels()
{
    WindowTest t;
    auto *w = t.open<MDatabas>();
    QVERIFY(w->divisor().hosted());
    t.clearStatements();
    t.click(w, "GDatabase");
    QCOMPARE(t.statements(),
             (std::vector<std::string>{
                 "select name, created, log_mode, checkpoint_change#, archive_change# from v$database",
                 "select count(username) usuarios from dba_users",
                 "select object_type, count(object_name) num_objetos from dba_objects group by object_type"}));
    QVERIFY(!w->Nombre->text().isEmpty());
    QVERIFY(!w->Log_Mode->text().isEmpty());
    auto *g = w->LNumeros->grid();
    QCOMPARE(g->text(0, 1), QString("Descripción"));
    QCOMPARE(g->text(0, 2), QString("Cantidad"));
    QCOMPARE(g->text(1, 0), QString("1"));
    QCOMPARE(g->text(1, 1), QString("USUARIOS"));
    QVERIFY(g->text(1, 2).toInt() >= 8);
    QTreeWidgetItem *root = w->Wonder_View->topLevelItem(0);
    QCOMPARE(w->Wonder_View->topLevelItemCount(), 1);
    QCOMPARE(root->text(0), w->Nombre->text());
    QCOMPARE(root->data(0, schema::kRolDibujo).toInt(), int(schema::Dibujo::BaseDatos));
    QCOMPARE(root->childCount(), g->dataRows());
    QCOMPARE(root->child(0)->text(0), QString("USUARIOS"));
    for (int i = 1; i < root->childCount(); ++i)
        QCOMPARE(root->child(i)->text(0), g->text(i + 1, 1));
    QVERIFY(child(root, "TABLE") && child(root, "DATABASE LINK"));

    // A level-1 item selected twice queries once; its picture opens and closes with it.
    QTreeWidgetItem *table = child(root, "TABLE");
    t.clearStatements();
    w->Wonder_View_Click(table);
    w->Wonder_View_Click(table);
    QCOMPARE(t.statements(), std::vector<std::string>{"select distinct owner from dba_objects where object_type='TABLE'"});
    QVERIFY(child(table, "SCOTT"));
    QCOMPARE(table->data(0, schema::kRolDibujo).toInt(), int(schema::Dibujo::Abierto));
    table->setExpanded(false);
    QCOMPARE(table->data(0, schema::kRolDibujo).toInt(), int(schema::Dibujo::Cerrado));
    w->Wonder_View_Click(child(table, "SCOTT"));
    QVERIFY(t.sent("select distinct object_name from dba_objects where owner = 'SCOTT' and object_type = 'TABLE'"));
    QTreeWidgetItem *emp = child(child(table, "SCOTT"), "EMP");
    QVERIFY(emp);
    QCOMPARE(emp->data(0, schema::kRolDibujo).toInt(), int(schema::Dibujo::Hoja));

    // A second press clears and rebuilds the tree.
    t.click(w, "GDatabase");
    QCOMPARE(w->Wonder_View->topLevelItemCount(), 1);
    QCOMPARE(w->Wonder_View->topLevelItem(0)->childCount(), g->dataRows());
    QCOMPARE(child(w->Wonder_View->topLevelItem(0), "TABLE")->childCount(), 0);
    QCOMPARE(t.prompts.count(), 0u);
}

void MDatabasTest::bothBranchesGiveTheSameTableDetails()
{
    WindowTest t;
    auto *w = t.open<MDatabas>();
    t.click(w, "GDatabase");
    const QString db = w->Nombre->text();
    QCOMPARE(w->panelVisible(), QString("PN_Inicio"));
    t.clearStatements();
    QVERIFY(walk(w, {"USUARIOS", "SCOTT", "TABLE", "EMP"}));
    QCOMPARE(w->divisor().lastLine(), db + ".USUARIOS.SCOTT.TABLE.EMP");
    QCOMPARE(t.statements()[0], std::string("select username from dba_users order by username"));
    QCOMPARE(t.statements()[1], std::string("select distinct object_type from dba_objects where owner = 'SCOTT'"));
    QCOMPARE(t.statements()[2],
             std::string("select distinct object_name from dba_objects where owner = 'SCOTT' and object_type = 'TABLE'"));
    QCOMPARE(w->panelVisible(), QString("PN_Tablas"));
    const std::vector<std::string> sentUser = t.statements();
    const std::vector<std::string> userBranch(sentUser.begin() + 3, sentUser.end());
    QStringList first;
    for (const char *f : kTableFields)
        first << w->valor(f);
    QCOMPARE(w->valor("PN_TABLAS_OWNER"), QString("SCOTT"));
    QCOMPARE(w->valor("PN_TABLAS_TABLE_NAME"), QString("EMP"));
    QCOMPARE(w->valor("PN_TABLAS_TABLESPACE"), QString("USERS"));
    auto *cols = w->PN_TABLES_COLUMNAS->grid();
    QCOMPARE(cols->text(0, 1), QString("Columna"));
    QCOMPARE(cols->text(1, 1), QString("EMPNO"));
    QCOMPARE(cols->text(1, 2), QString("NUMBER"));
    QCOMPARE(cols->text(1, 4), QString("N"));
    const int columns = cols->dataRows();
    QCOMPARE(columns, 8);

    t.clearStatements();
    QVERIFY(walk(w, {"TABLE", "SCOTT", "EMP"}));
    QCOMPARE(w->divisor().lastLine(), db + ".TABLE.SCOTT.EMP");
    const std::vector<std::string> sentType = t.statements();
    const std::vector<std::string> typeBranch(sentType.begin() + 2, sentType.end());
    QCOMPARE(typeBranch, userBranch);
    QCOMPARE(typeBranch[0],
             std::string("SELECT A.OWNER OWNER,TABLE_NAME,TABLESPACE_NAME,INITIAL_EXTENT,NEXT_EXTENT,MIN_EXTENTS,"
                         "MAX_EXTENTS,PCT_INCREASE,PCT_FREE,PCT_USED,INI_TRANS,MAX_TRANS,CREATED FROM DBA_TABLES A, "
                         "DBA_OBJECTS B WHERE A.OWNER = 'SCOTT' AND A.TABLE_NAME = 'EMP' AND A.OWNER = B.OWNER AND "
                         "A.TABLE_NAME = B.OBJECT_NAME AND B.OBJECT_TYPE = 'TABLE'"));
    QStringList second;
    for (const char *f : kTableFields)
        second << w->valor(f);
    QCOMPARE(second, first);
    QCOMPARE(cols->dataRows(), columns);

    // A second click on an expanded owner node queries nothing; a view hides every panel.
    t.clearStatements();
    w->Wonder_View_Click(child(child(w->Wonder_View->topLevelItem(0), "TABLE"), "SCOTT"));
    QVERIFY(t.statements().empty());
    QVERIFY(walk(w, {"VIEW", "HR", "EMP_DETAILS_VIEW"}));
    QCOMPARE(w->panelVisible(), QString());
    QCOMPARE(t.prompts.count(), 0u);
}

void MDatabasTest::synonymLinkIndexAndSequencePanels()
{
    WindowTest t;
    t.serverScript("create public synonym Empleados for scott.emp");
    auto *w = t.open<MDatabas>();
    t.click(w, "GDatabase");

    // A public synonym ticks Public; the box only displays.
    QVERIFY(walk(w, {"SYNONYM", "PUBLIC", "EMPLEADOS"}));
    QCOMPARE(w->panelVisible(), QString("PN_Database_Synonym"));
    QVERIFY(t.sent("nvl(db_link,'Null') db_link from dba_synonyms WHERE OWNER = 'PUBLIC' AND SYNONYM_NAME = 'EMPLEADOS'"));
    QVERIFY(w->PN_SYNONYM_PUBLIC->isChecked());
    QCOMPARE(w->valor("PN_SYNONYM_TABLE_NAME"), QString("EMP"));
    QCOMPARE(w->valor("PN_SYNONYM_DB_LINK"), QString("Null"));
    w->PN_SYNONYM_PUBLIC->click();
    QVERIFY(w->PN_SYNONYM_PUBLIC->isChecked());
    QVERIFY(walk(w, {"SYNONYM", "VENTAS", "CLIENTES_CENTRAL"}));
    QVERIFY(!w->PN_SYNONYM_PUBLIC->isChecked());
    QCOMPARE(w->valor("PN_SYNONYM_DB_LINK"), QString("CENTRAL.WORLD"));
    w->PN_SYNONYM_PUBLIC->click();
    QVERIFY(!w->PN_SYNONYM_PUBLIC->isChecked());

    // A database link: its password is never shown. Its name holds the separator,
    // so the node's own texts name it.
    QVERIFY(walk(w, {"USUARIOS", "VENTAS", "DATABASE LINK", "CENTRAL.WORLD"}));
    QCOMPARE(w->panelVisible(), QString("PN_Database_Link"));
    QVERIFY(t.sent("SELECT * FROM DBA_DB_LINKS WHERE OWNER = 'VENTAS' AND DB_LINK = 'CENTRAL.WORLD'"));
    QCOMPARE(w->valor("PN_DBLINK_OWNER"), QString("VENTAS"));
    QCOMPARE(w->valor("PN_DBLINK_USERNAME"), QString("CONTA"));
    QCOMPARE(w->valor("PN_DBLINK_HOST"), QString("central"));
    QCOMPARE(w->valor("PN_DBLINK_PASSWORD"), QString());

    // An index: drop-downs with one entry, the unique box, and both column lists.
    QVERIFY(walk(w, {"INDEX", "SCOTT", "PK_EMP"}));
    QCOMPARE(w->panelVisible(), QString("PN_Indice"));
    QVERIFY(t.sent("UNIQUENESS  FROM DBA_INDEXES WHERE OWNER = 'SCOTT' AND INDEX_NAME = 'PK_EMP'"));
    QVERIFY(t.sent("SELECT COLUMN_NAME FROM DBA_IND_COLUMNS WHERE INDEX_OWNER = 'SCOTT' AND INDEX_NAME = 'PK_EMP' AND "
                   "TABLE_OWNER = 'SCOTT' AND TABLE_NAME = 'EMP'"));
    QCOMPARE(w->valor("PN_INDICE_TABLE_NAME"), QString("EMP"));
    QVERIFY(w->PN_INDICE_UNIQUE->isChecked());
    QCOMPARE(w->PN_INDICE_COLUMNAS->count(), 1);
    QCOMPARE(w->PN_INDICE_COLUMNAS->item(0)->text(), QString("EMPNO"));
    QCOMPARE(w->PN_INDICE_TAB_COL->count(), 8);

    // A sequence, as the database returns its values.
    QVERIFY(walk(w, {"SEQUENCE", "VENTAS", "SEQ_FACTURAS"}));
    QCOMPARE(w->panelVisible(), QString("PN_SEQUENCE"));
    QCOMPARE(w->valor("PN_SEQUENCE_MAX"), QString("999999"));
    QCOMPARE(w->valor("PN_SEQUENCE_CYCLE"), QString("Y"));
    QCOMPARE(w->valor("PN_SEQUENCE_CACHE"), QString("50"));
    QCOMPARE(w->valor("PN_SEQUENCE_LAST"), QString("98351"));
    QCOMPARE(t.prompts.count(), 0u);
}

void MDatabasTest::anObjectNamedWithTheSeparatorOpens()
{
    WindowTest t;
    t.serverScript("create table scott.\"NOTAS.2005\" (id number, texto varchar2(40))");
    auto *w = t.open<MDatabas>();
    t.click(w, "GDatabase");
    QVERIFY(walk(w, {"TABLE", "SCOTT", "NOTAS.2005"}));
    QVERIFY(t.sent("A.OWNER = 'SCOTT' AND A.TABLE_NAME = 'NOTAS.2005'"));
    QCOMPARE(w->valor("PN_TABLAS_TABLE_NAME"), QString("NOTAS.2005"));
    QCOMPARE(w->PN_TABLES_COLUMNAS->grid()->dataRows(), 2);
    // An ordinary node next to it still goes through the control's split.
    QVERIFY(walk(w, {"TABLE", "SCOTT", "DEPT"}));
    QCOMPARE(w->valor("PN_TABLAS_TABLE_NAME"), QString("DEPT"));
}

void MDatabasTest::disconnectedDoesNothing()
{
    harness::Options o;
    o.connect = false;
    WindowTest t(o);
    auto *w = t.open<MDatabas>();
    t.click(w, "GDatabase");
    QVERIFY(t.statements().empty());
    QCOMPARE(w->Wonder_View->topLevelItemCount(), 0);
    QCOMPARE(w->Nombre->text(), QString());
    QCOMPARE(t.prompts.count(), 0u);
}

QTEST_MAIN(MDatabasTest)
#include "test_mdatabas.moc"
