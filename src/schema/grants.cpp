#include "grants.h"

#include "comun.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <map>

namespace schema {

using namespace shell;

Grants::Grants(AppContext &ctx, QWidget *parent)
    : QWidget(parent), m_ctx(ctx), AwkViewTree(std::make_unique<Divisor>("AwkViewTree", u" ."))
{
    setObjectName("GRANTS");
    setWindowTitle("Object Permissions");
    TreeViewGrants = new QTreeWidget(this);
    TreeViewGrants->setObjectName("TreeViewGrants");
    TreeViewGrants->setHeaderHidden(true);
    TreeViewGrants->setMinimumWidth(300);
    connect(TreeViewGrants, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *i) { TreeViewGrants_NodeClick(i); });

    PN_Permision_Grid_Privilege = new ResultGrid("PN_Permision_Grid_Privilege", this);
    PN_Permision_Grid_Privilege->grid()->setHeaders({"Privilege", "Grantable"});
    PN_Permision_Grid_Privilege->fitColumns();
    connect(PN_Permision_Grid_Privilege, &ResultGrid::rowDoubleClicked, this,
            [this](int) { PN_Permision_Grid_Privilege_DblClick(); });

    auto field = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(name);
        e->setReadOnly(true);
        return e;
    };
    PN_Permision_Grantee = field("PN_Permision_Grantee");
    PN_Permision_Owner = field("PN_Permision_Owner");
    PN_Permision_Name = field("PN_Permision_Name");
    PN_Permision_Grantor = field("PN_Permision_Grantor");
    PN_Permision_Privilege = field("PN_Permision_Privilege");
    PN_Permision_Type = field("PN_Permision_Type");
    PN_Permision_Grantable = new QCheckBox("Grantable", this);
    PN_Permision_Grantable->setObjectName("PN_Permision_Grantable");
    PN_Permision_Grantable->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *box = new QGroupBox("Permission", this);
    auto *form = new QFormLayout(box);
    form->addRow("Grantee", PN_Permision_Grantee);
    form->addRow("Owner", PN_Permision_Owner);
    form->addRow("Object", PN_Permision_Name);
    form->addRow("Type", PN_Permision_Type);
    form->addRow("Grantor", PN_Permision_Grantor);
    form->addRow("Privilege", PN_Permision_Privilege);
    form->addRow("", PN_Permision_Grantable);

    auto *right = new QWidget(this);
    auto *rlay = new QVBoxLayout(right);
    rlay->setContentsMargins(0, 0, 0, 0);
    rlay->addWidget(PN_Permision_Grid_Privilege, 1);
    rlay->addWidget(box);

    GGrants = new QPushButton("&Get Permisions", this);
    GGrants->setObjectName("GGrants");
    SGrants = new QPushButton("E&xit", this);
    SGrants->setObjectName("SGrants");
    connect(GGrants, &QPushButton::clicked, this, [this] { GGrants_Click(); });
    connect(SGrants, &QPushButton::clicked, this, [this] { closeForm(this); });
    ventanaArbol(this, TreeViewGrants, right, GGrants, SGrants);
    tamanoInicial(this, 860, 560);
}

Grants::~Grants() = default;

void Grants::GGrants_Click()
{
    TreeViewGrants->clear();
    auto *root = new QTreeWidgetItem(TreeViewGrants, QStringList{"GRANTEE"});
    root->setData(0, kRolClave, "R");
    ponerDibujo(root, Dibujo::Raiz);
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    const std::string sql = std::string("SELECT DISTINCT GRANTEE USUARIO, 'U' TIPO ") + "FROM DBA_TAB_PRIVS A, DBA_USERS B " +
                            "WHERE A.GRANTEE = B.USERNAME " + "UNION " + "SELECT DISTINCT GRANTEE USUARIO, 'R' TIPO " +
                            "FROM DBA_TAB_PRIVS C, DBA_ROLES D " + "WHERE C.GRANTEE = D.ROLE " + "UNION " +
                            "SELECT 'PUBLIC' USUARIO, 'P' TIPO " + "FROM DUAL " + "ORDER BY 1";
    recorrer(op, *db, sql, [&](const access::OraDynaset &ds) {
        const QString grantee = qs(Texto(ds.Fields("USUARIO")));
        const std::string tipo = campo(ds, "TIPO");
        auto *node = new QTreeWidgetItem(root, QStringList{grantee});
        node->setData(0, kRolClave, grantee);
        ponerDibujo(node, tipo == "R" ? Dibujo::Rol : tipo == "P" ? Dibujo::Publico : Dibujo::Usuario);
    });
    root->setExpanded(true);
}

QStringList Grants::fields(QTreeWidgetItem *node)
{
    return AwkViewTree->campos(textos(node), ".", 4);
}

void Grants::TreeViewGrants_NodeClick(QTreeWidgetItem *node)
{
    PN_Permision_Grid_Privilege->grid()->reset();
    if (!node)
        return;
    const QStringList f = fields(node);
    const std::string grantee = lit(f[2].trimmed()), owner = lit(f[3].trimmed()), object = lit(f[4].trimmed());
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    GuardedOperation op(m_ctx);
    if (!f[4].trimmed().isEmpty()) {
        op.step([&] { Cursor_Ocupado(m_ctx); });
        std::vector<QStringList> rows;
        recorrer(op, *db,
                 "SELECT PRIVILEGE, GRANTABLE FROM DBA_TAB_PRIVS WHERE GRANTEE = '" + grantee + "' AND OWNER = '" +
                     owner + "' AND TABLE_NAME = '" + object + "' ORDER BY PRIVILEGE",
                 [&](const access::OraDynaset &ds) { rows.push_back({qs(campo(ds, "PRIVILEGE")), qs(campo(ds, "GRANTABLE"))}); });
        PN_Permision_Grid_Privilege->grid()->addRows(std::move(rows));
        PN_Permision_Grid_Privilege->fitColumns();
    } else if (!f[3].trimmed().isEmpty() && node->childCount() == 0) {
        op.step([&] { Cursor_Ocupado(m_ctx); });
        // An object granted both with and without the grant option is one node,
        // shown grantable.
        std::map<QString, QTreeWidgetItem *> seen;
        recorrer(op, *db,
                 "SELECT DISTINCT TABLE_NAME, GRANTABLE FROM DBA_TAB_PRIVS WHERE GRANTEE = '" + grantee +
                     "' AND OWNER = '" + owner + "' ORDER BY TABLE_NAME",
                 [&](const access::OraDynaset &ds) {
                     const QString table = qs(Texto(ds.Fields("TABLE_NAME")));
                     const bool grantable = campo(ds, "GRANTABLE") == "YES";
                     QTreeWidgetItem *&child = seen[table];
                     if (!child) {
                         child = new QTreeWidgetItem(node, QStringList{table});
                         child->setData(0, kRolClave, node->data(0, kRolClave).toString() + "|" + table);
                         ponerDibujo(child, Dibujo::NoOtorgable);
                     }
                     if (grantable)
                         ponerDibujo(child, Dibujo::Otorgable);
                 });
        node->setExpanded(node->childCount() > 0);
    } else if (!f[2].trimmed().isEmpty() && node->childCount() == 0) {
        op.step([&] { Cursor_Ocupado(m_ctx); });
        recorrer(op, *db,
                 "SELECT DISTINCT OWNER FROM DBA_TAB_PRIVS WHERE GRANTEE = '" + grantee + "' ORDER BY OWNER",
                 [&](const access::OraDynaset &ds) {
                     const QString o = qs(Texto(ds.Fields("OWNER")));
                     auto *child = new QTreeWidgetItem(node, QStringList{o});
                     child->setData(0, kRolClave, node->data(0, kRolClave).toString() + "|" + o);
                     ponerDibujo(child, Dibujo::Dueno);
                 });
        node->setExpanded(node->childCount() > 0);
    }
}

void Grants::PN_Permision_Grid_Privilege_DblClick()
{
    auto *g = PN_Permision_Grid_Privilege->grid();
    const int row = g->currentRow();
    const QString privilege = g->text(row, 1);
    QTreeWidgetItem *node = TreeViewGrants->currentItem();
    if (privilege.isEmpty() || !node)
        return;
    const QStringList f = fields(node);
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    const std::string sql = std::string("SELECT A.GRANTOR GRANTOR, ") + "       B.OBJECT_TYPE OBJECT_TYPE " +
                            "FROM DBA_TAB_PRIVS A, DBA_OBJECTS B " + "WHERE A.GRANTEE = '" + lit(f[2]) + "' AND " +
                            "      A.OWNER = '" + lit(f[3]) + "' AND " + "      A.TABLE_NAME = '" + lit(f[4]) +
                            "' AND " + "      A.PRIVILEGE = '" + lit(privilege) + "' AND " +
                            "      A.OWNER = B.OWNER AND " + "      A.TABLE_NAME = B.OBJECT_NAME ";
    primero(op, *db, sql, [&](const access::OraDynaset &ds) {
        PN_Permision_Grantee->setText(f[2]);
        PN_Permision_Owner->setText(f[3]);
        PN_Permision_Name->setText(f[4]);
        PN_Permision_Grantor->setText(qs(campo(ds, "GRANTOR")));
        PN_Permision_Privilege->setText(privilege);
        PN_Permision_Type->setText(qs(campo(ds, "OBJECT_TYPE")));
        PN_Permision_Grantable->setChecked(g->text(row, 2) == "YES");
    });
}

} // namespace schema
