// schema_shots DIR OUTDIR: screenshots of the schema and security windows for
// review (not a test). Prepares the demo repository in DIR, starts the main
// window, connects DEMO (sim:ORCL), opens each window, fills it (trees two levels
// deep and one object chosen) and grabs the frame to OUTDIR.
#include "clusters.h"
#include "crear_usuario.h"
#include "grants.h"
#include "marco.h"
#include "mdatabas.h"
#include "mod_usuario.h"
#include "resultgrid.h"
#include "roles.h"
#include "shotconsole.h"
#include "sinonimos.h"
#include "tablas.h"
#include "usuarios.h"
#include "vistas.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>

#include <iostream>

namespace {

QString out;
shell::Marco *marco = nullptr;

void settle() { harness::ShotConsole::settle(30); }

void shoot(QWidget *form, const char *file)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget())) {
        sub->move(10, 10);
        sub->raise();
        marco->mdi()->setActiveSubWindow(sub);
    }
    settle();
    marco->grab().save(out + "/" + file);
}

QTreeWidgetItem *child(QTreeWidgetItem *item, const QString &text)
{
    for (int i = 0; i < item->childCount(); ++i)
        if (item->child(i)->text(0) == text)
            return item->child(i);
    return nullptr;
}

template <class W> W *open(const char *form)
{
    return qobject_cast<W *>(marco->showForm(form));
}

int rowOf(shell::ResultGridModel *g, const QString &text)
{
    for (int r = 1; r < g->rows(); ++r)
        if (g->text(r, 1) == text)
            return r;
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    harness::ShotProgram program(argc, argv, "schema_shots");
    if (!program.ready())
        return program.exitCode();
    out = program.out();
    harness::ShotConsole &console = program.console();
    marco = &console.marco();
    marco->ServidoresCombo_Click(0);
    marco->toolbarAction("tbConnect")->trigger();
    settle();

    auto *db = open<schema::MDatabas>("MDATABAS");
    db->GDatabase_Click();
    QTreeWidgetItem *root = db->Wonder_View->topLevelItem(0);
    QTreeWidgetItem *table = child(root, "TABLE");
    db->Wonder_View_Click(table);
    QTreeWidgetItem *scott = child(table, "SCOTT");
    db->Wonder_View_Click(scott);
    QTreeWidgetItem *users = child(root, "USUARIOS");
    db->Wonder_View_Click(users);
    db->Wonder_View_Click(child(users, "VENTAS"));
    db->Wonder_View->setCurrentItem(child(scott, "EMP"));
    db->Wonder_View_Click(child(scott, "EMP"));
    shoot(db, "mdatabas-table.png");
    QTreeWidgetItem *ventas = child(users, "VENTAS");
    QTreeWidgetItem *link = child(ventas, "DATABASE LINK");
    db->Wonder_View_Click(link);
    db->Wonder_View_Click(child(link, "CENTRAL.WORLD"));
    shoot(db, "mdatabas-dblink.png");
    QTreeWidgetItem *index = child(root, "INDEX");
    db->Wonder_View_Click(index);
    db->Wonder_View_Click(child(index, "SCOTT"));
    db->Wonder_View_Click(child(child(index, "SCOTT"), "PK_EMP"));
    shoot(db, "mdatabas-index.png");

    auto *tablas = open<schema::Tablas>("TABLAS");
    tablas->owner()->setCurrentText("SCOTT");
    tablas->Get_Click();
    shoot(tablas, "tablas.png");
    tablas->grid()->grid()->setCurrentRow(rowOf(tablas->grid()->grid(), "EMP"));
    tablas->CarpetaTablas->setCurrentIndex(1);
    tablas->GConstraint_Click();
    QTreeWidgetItem *padres = tablas->Visor_de_Constraint->topLevelItem(0);
    tablas->Visor_de_Constraint_Click(padres);
    tablas->Visor_de_Constraint_Click(padres->child(0));
    tablas->Visor_de_Constraint_Click(padres->child(0)->child(0));
    tablas->Visor_de_Constraint_Click(tablas->Visor_de_Constraint->topLevelItem(1));
    shoot(tablas, "tablas-constraints.png");

    for (const char *form : {"INDICES", "VISTAS", "SEQUENCIAS"}) {
        auto *w = qobject_cast<schema::ListaObjetos *>(marco->showForm(form));
        w->Get_Click();
        shoot(w, (QString(form).toLower() + ".png").toLocal8Bit().constData());
    }

    auto *usuarios = open<schema::Usuarios>("USUARIOS");
    usuarios->GUsuarios_Click();
    shoot(usuarios, "usuarios.png");
    {
        schema::CrearUsuario crear(console.ctx, marco);
        crear.Usuario->setText("NUEVO");
        crear.Password->setText("secreto");
        crear.Default_Tablespace->setCurrentText("USERS");
        crear.Temporary_Tablespace->setCurrentText("TEMP");
        crear.On_Tablespace->setCurrentText("USERS");
        crear.Tamano_Quota->setText("10");
        crear.Quota_Megabytes->setChecked(true);
        crear.show();
        settle();
        crear.grab().save(out + "/crear_usuario.png");
        schema::ModUsuario mod(console.ctx, "VENTAS", marco);
        mod.show();
        settle();
        mod.grab().save(out + "/mod_usuario.png");
    }

    auto *roles = open<schema::Roles>("ROLES");
    roles->GRoles_Click();
    shoot(roles, "roles.png");

    auto *grants = open<schema::Grants>("GRANTS");
    grants->GGrants_Click();
    QTreeWidgetItem *groot = grants->TreeViewGrants->topLevelItem(0);
    for (const char *g : {"SCOTT", "PUBLIC", "VENTAS_ADMIN"}) {
        QTreeWidgetItem *n = child(groot, g);
        grants->TreeViewGrants_NodeClick(n);
        for (int i = 0; i < n->childCount(); ++i)
            grants->TreeViewGrants_NodeClick(n->child(i));
    }
    QTreeWidgetItem *pedidos = child(child(child(groot, "SCOTT"), "VENTAS"), "PEDIDOS");
    grants->TreeViewGrants->setCurrentItem(pedidos);
    grants->TreeViewGrants_NodeClick(pedidos);
    grants->PN_Permision_Grid_Privilege->grid()->setCurrentRow(1);
    grants->PN_Permision_Grid_Privilege_DblClick();
    shoot(grants, "grants.png");

    auto *clusters = open<schema::Clusters>("CLUSTERS");
    clusters->GClusters_Click();
    QTreeWidgetItem *croot = clusters->TreeViewClusters->topLevelItem(0);
    for (const char *o : {"SCOTT", "VENTAS"})
        clusters->TreeViewClusters_NodeClick(child(croot, o));
    clusters->TreeViewClusters_NodeClick(child(child(croot, "VENTAS"), "PRECIOS_CLU"));
    shoot(clusters, "clusters.png");

    auto *sin = open<schema::Sinonimos>("SINONIMOS");
    sin->SUsuarios->setCurrentText("");
    sin->GSinonimos_Click();
    shoot(sin, "sinonimos.png");
    sin->LSinonimos->grid()->setCurrentRow(rowOf(sin->LSinonimos->grid(), "VENTAS"));
    sin->LSinonimos_DblClick();
    shoot(sin, "sinonimos-editor.png");
    return 0;
}
