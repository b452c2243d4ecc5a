// Roles and object permissions against the simulated instance: the role list, the
// grantee tree with its pictures, owners and objects loaded once per node, the
// privileges on an object and the details of one privilege.
#include "grants.h"
#include "roles.h"
#include "windowtest.h"

#include "comun.h"
#include "resultgrid.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using harness::WindowTest;
using schema::Grants;

namespace {

QTreeWidgetItem *child(QTreeWidgetItem *item, const QString &text)
{
    for (int i = 0; item && i < item->childCount(); ++i)
        if (item->child(i)->text(0) == text)
            return item->child(i);
    return nullptr;
}

int picture(QTreeWidgetItem *item) { return item->data(0, schema::kRolDibujo).toInt(); }

} // namespace

class GrantsTest : public QObject {
    Q_OBJECT
private slots:
    void rolesList();
    void granteeTreeAndItsPictures();
    void ownersObjectsPrivilegesAndDetails();
};

void GrantsTest::rolesList()
{
    WindowTest t;
    auto *w = t.open<schema::Roles>();
    t.clearStatements();
    t.click(w, "GRoles");
    QCOMPARE(t.statements(), std::vector<std::string>{"select role, password_required from dba_roles order by role"});
    auto *g = w->LRoles->grid();
    QCOMPARE(g->text(1, 1), QString("CONNECT"));
    int admin = 0;
    for (int r = 1; r < g->rows(); ++r)
        if (g->text(r, 1) == "VENTAS_ADMIN")
            admin = r;
    QVERIFY(admin > 0);
    QCOMPARE(g->text(admin, 2), QString("YES"));
    QVERIFY(!w->CRoles->isEnabled() && !w->BRoles->isEnabled());
}

void GrantsTest::granteeTreeAndItsPictures()
{
    WindowTest t;
    auto *w = t.open<Grants>();
    QVERIFY(w->divisor().hosted());
    t.clearStatements();
    t.click(w, "GGrants");
    QCOMPARE(t.statements(), std::vector<std::string>{
                                 "SELECT DISTINCT GRANTEE USUARIO, 'U' TIPO FROM DBA_TAB_PRIVS A, DBA_USERS B WHERE "
                                 "A.GRANTEE = B.USERNAME UNION SELECT DISTINCT GRANTEE USUARIO, 'R' TIPO FROM "
                                 "DBA_TAB_PRIVS C, DBA_ROLES D WHERE C.GRANTEE = D.ROLE UNION SELECT 'PUBLIC' USUARIO, "
                                 "'P' TIPO FROM DUAL ORDER BY 1"});
    QTreeWidgetItem *root = w->TreeViewGrants->topLevelItem(0);
    QCOMPARE(root->text(0), QString("GRANTEE"));
    QCOMPARE(root->data(0, schema::kRolClave).toString(), QString("R"));
    QCOMPARE(picture(root), int(schema::Dibujo::Raiz));
    QCOMPARE(picture(child(root, "SCOTT")), int(schema::Dibujo::Usuario));
    QCOMPARE(picture(child(root, "VENTAS_CONSULTA")), int(schema::Dibujo::Rol));
    QCOMPARE(picture(child(root, "PUBLIC")), int(schema::Dibujo::Publico));
    QCOMPARE(child(root, "SCOTT")->data(0, schema::kRolClave).toString(), QString("SCOTT"));
    // The three pictures differ to the eye, not only by their number.
    const QImage u = schema::dibujo(schema::Dibujo::Usuario).pixmap(16).toImage();
    const QImage r = schema::dibujo(schema::Dibujo::Rol).pixmap(16).toImage();
    const QImage p = schema::dibujo(schema::Dibujo::Publico).pixmap(16).toImage();
    QVERIFY(u != r && r != p && u != p);
    QVERIFY(schema::dibujo(schema::Dibujo::Otorgable).pixmap(16).toImage() !=
            schema::dibujo(schema::Dibujo::NoOtorgable).pixmap(16).toImage());

    // 'GRANTEE.PUBLIC' lists the owners of objects granted to PUBLIC; the root does nothing.
    t.clearStatements();
    w->TreeViewGrants_NodeClick(root);
    QVERIFY(t.statements().empty());
    QTreeWidgetItem *pub = child(root, "PUBLIC");
    w->TreeViewGrants_NodeClick(pub);
    QCOMPARE(t.statements(), std::vector<std::string>{
                                 "SELECT DISTINCT OWNER FROM DBA_TAB_PRIVS WHERE GRANTEE = 'PUBLIC' ORDER BY OWNER"});
    QCOMPARE(w->divisor().lastLine(), QString("GRANTEE.PUBLIC"));
    QStringList owners;
    for (int i = 0; i < pub->childCount(); ++i)
        owners << pub->child(i)->text(0);
    QCOMPARE(owners, (QStringList{"SCOTT", "SYS", "SYSTEM", "VENTAS"}));
    QCOMPARE(pub->child(0)->data(0, schema::kRolClave).toString(), QString("PUBLIC|SCOTT"));
}

void GrantsTest::ownersObjectsPrivilegesAndDetails()
{
    WindowTest t;
    auto *w = t.open<Grants>();
    t.click(w, "GGrants");
    QTreeWidgetItem *scott = child(w->TreeViewGrants->topLevelItem(0), "SCOTT");
    w->TreeViewGrants_NodeClick(scott);
    QTreeWidgetItem *ventas = child(scott, "VENTAS"), *hr = child(scott, "HR");
    QVERIFY(ventas && hr);

    // An owner node loads its objects once; a second click queries nothing.
    t.clearStatements();
    w->TreeViewGrants_NodeClick(ventas);
    w->TreeViewGrants_NodeClick(ventas);
    QCOMPARE(t.statements(), std::vector<std::string>{
                                 "SELECT DISTINCT TABLE_NAME, GRANTABLE FROM DBA_TAB_PRIVS WHERE GRANTEE = 'SCOTT' AND "
                                 "OWNER = 'VENTAS' ORDER BY TABLE_NAME"});
    // PEDIDOS is granted with and without the grant option: one node, grantable.
    QCOMPARE(ventas->childCount(), 1);
    QTreeWidgetItem *pedidos = ventas->child(0);
    QCOMPARE(pedidos->data(0, schema::kRolClave).toString(), QString("SCOTT|VENTAS|PEDIDOS"));
    QCOMPARE(picture(pedidos), int(schema::Dibujo::Otorgable));
    w->TreeViewGrants_NodeClick(hr);
    QTreeWidgetItem *employees = child(hr, "EMPLOYEES");
    QCOMPARE(picture(employees), int(schema::Dibujo::NoOtorgable));

    // 'GRANTEE.SCOTT.HR.EMPLOYEES' lists SCOTT's privileges on HR.EMPLOYEES.
    t.clearStatements();
    w->TreeViewGrants->setCurrentItem(employees);
    w->TreeViewGrants_NodeClick(employees);
    QCOMPARE(w->divisor().lastLine(), QString("GRANTEE.SCOTT.HR.EMPLOYEES"));
    QCOMPARE(t.statements(), std::vector<std::string>{
                                 "SELECT PRIVILEGE, GRANTABLE FROM DBA_TAB_PRIVS WHERE GRANTEE = 'SCOTT' AND OWNER = "
                                 "'HR' AND TABLE_NAME = 'EMPLOYEES' ORDER BY PRIVILEGE"});
    auto *g = w->PN_Permision_Grid_Privilege->grid();
    QCOMPARE(g->dataRows(), 1);
    QCOMPARE(g->text(1, 1), QString("SELECT"));
    QCOMPARE(g->text(1, 2), QString("NO"));

    // The details of one privilege.
    w->TreeViewGrants->setCurrentItem(pedidos);
    w->TreeViewGrants_NodeClick(pedidos);
    QCOMPARE(g->dataRows(), 2);
    g->setCurrentRow(1);
    t.clearStatements();
    w->PN_Permision_Grid_Privilege_DblClick();
    QCOMPARE(t.statements(), std::vector<std::string>{
                                 "SELECT A.GRANTOR GRANTOR,        B.OBJECT_TYPE OBJECT_TYPE FROM DBA_TAB_PRIVS A, "
                                 "DBA_OBJECTS B WHERE A.GRANTEE = 'SCOTT' AND       A.OWNER = 'VENTAS' AND       "
                                 "A.TABLE_NAME = 'PEDIDOS' AND       A.PRIVILEGE = 'SELECT' AND       A.OWNER = "
                                 "B.OWNER AND       A.TABLE_NAME = B.OBJECT_NAME "});
    QCOMPARE(w->PN_Permision_Grantee->text(), QString("SCOTT"));
    QCOMPARE(w->PN_Permision_Owner->text(), QString("VENTAS"));
    QCOMPARE(w->PN_Permision_Name->text(), QString("PEDIDOS"));
    QCOMPARE(w->PN_Permision_Grantor->text(), QString("VENTAS"));
    QCOMPARE(w->PN_Permision_Privilege->text(), QString("SELECT"));
    QCOMPARE(w->PN_Permision_Type->text(), QString("TABLE"));
    QVERIFY(w->PN_Permision_Grantable->isChecked());
    g->setCurrentRow(2);
    w->PN_Permision_Grid_Privilege_DblClick();
    QCOMPARE(w->PN_Permision_Privilege->text(), QString("UPDATE"));
    QVERIFY(!w->PN_Permision_Grantable->isChecked());

    // Double-clicking an empty row does nothing.
    w->TreeViewGrants_NodeClick(scott);
    QCOMPARE(g->rows(), 2);
    t.clearStatements();
    g->setCurrentRow(1);
    w->PN_Permision_Grid_Privilege_DblClick();
    QVERIFY(t.statements().empty());
    QCOMPARE(t.prompts.count(), 0u);
}

QTEST_MAIN(GrantsTest)
#include "test_grants.moc"
