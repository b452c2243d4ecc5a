#include "clusters.h"

#include "comun.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace schema {

using namespace shell;

namespace {

const std::pair<const char *, const char *> kStorage[] = {
    {"PN_CLUSTER_INITIAL", "INITIAL_EXTENT"},   {"PN_CLUSTER_NEXT", "NEXT_EXTENT"},
    {"PN_CLUSTER_MINEXTENTS", "MIN_EXTENTS"},   {"PN_CLUSTER_MAXEXTENTS", "MAX_EXTENTS"},
    {"PN_CLUSTER_PCTINCREASE", "PCT_INCREASE"}, {"PN_CLUSTER_PCTFREE", "PCT_FREE"},
    {"PN_CLUSTER_PCTUSED", "PCT_USED"},         {"PN_CLUSTER_INI_TRANS", "INI_TRANS"},
    {"PN_CLUSTER_MAX_TRANS", "MAX_TRANS"}};

const char *const kStorageLabels[] = {"Initial", "Next", "Min Extents", "Max Extents", "Pct Increase",
                                      "Pct Free", "Pct Used", "Ini Trans", "Max Trans"};

} // namespace

Clusters::Clusters(AppContext &ctx, QWidget *parent)
    : QWidget(parent), m_ctx(ctx), AwkViewTree(std::make_unique<Divisor>("AwkViewTree", u" ."))
{
    setObjectName("CLUSTERS");
    setWindowTitle("Clusters");
    TreeViewClusters = new QTreeWidget(this);
    TreeViewClusters->setObjectName("TreeViewClusters");
    TreeViewClusters->setHeaderHidden(true);
    TreeViewClusters->setMinimumWidth(240);
    connect(TreeViewClusters, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *i) { TreeViewClusters_NodeClick(i); });

    auto field = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(name);
        e->setReadOnly(true);
        m_fields[name] = e;
        return e;
    };
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    grid->addWidget(new QLabel("Cluster"), 0, 0);
    grid->addWidget(field("PN_CLUSTER_CLUSTER"), 0, 1);
    grid->addWidget(new QLabel("Owner"), 0, 2);
    grid->addWidget(field("PN_CLUSTER_DUENO"), 0, 3);
    auto *tipo = new QGroupBox("Type", page);
    tipo->setObjectName("PN_CLUSTER_TIPO");
    PN_CLUSTER_TIPO_INDEX = new QRadioButton("Index", tipo);
    PN_CLUSTER_TIPO_INDEX->setObjectName("PN_CLUSTER_TIPO_INDEX");
    PN_CLUSTER_TIPO_HASH = new QRadioButton("Hash", tipo);
    PN_CLUSTER_TIPO_HASH->setObjectName("PN_CLUSTER_TIPO_HASH");
    for (auto *r : {PN_CLUSTER_TIPO_INDEX, PN_CLUSTER_TIPO_HASH})
        r->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *tl = new QHBoxLayout(tipo);
    tl->addWidget(PN_CLUSTER_TIPO_INDEX);
    tl->addWidget(PN_CLUSTER_TIPO_HASH);
    grid->addWidget(tipo, 1, 0, 1, 2);
    grid->addWidget(new QLabel("Key Size"), 1, 2);
    grid->addWidget(field("PN_CLUSTER_TAMANO"), 1, 3);
    grid->addWidget(new QLabel("Tablespace"), 2, 0);
    PN_CLUSTER_TABLESPACE = new QComboBox(page);
    PN_CLUSTER_TABLESPACE->setObjectName("PN_CLUSTER_TABLESPACE");
    PN_CLUSTER_TABLESPACE->setMinimumContentsLength(14);
    grid->addWidget(PN_CLUSTER_TABLESPACE, 2, 1);
    for (int i = 0; i < 9; ++i) {
        const int row = 3 + i / 2, col = (i % 2) * 2;
        grid->addWidget(new QLabel(kStorageLabels[i]), row, col);
        grid->addWidget(field(kStorage[i].first), row, col + 1);
    }
    PN_CLUSTER_COLUMNAS = new ResultGrid("PN_CLUSTER_COLUMNAS", page);
    PN_CLUSTER_COLUMNAS->grid()->setHeaders({"Columna", "Tipo"});
    PN_CLUSTER_COLUMNAS->fitColumns();
    grid->addWidget(PN_CLUSTER_COLUMNAS, 8, 0, 1, 4);
    grid->setRowStretch(8, 1);
    PN_Cluster = new QTabWidget(this);
    PN_Cluster->setObjectName("PN_Cluster");
    PN_Cluster->addTab(page, "Cluster");

    GClusters = new QPushButton("&Get Clusters", this);
    GClusters->setObjectName("GClusters");
    SClusters = new QPushButton("E&xit", this);
    SClusters->setObjectName("SClusters");
    connect(GClusters, &QPushButton::clicked, this, [this] { GClusters_Click(); });
    connect(SClusters, &QPushButton::clicked, this, [this] { closeForm(this); });
    ventanaArbol(this, TreeViewClusters, PN_Cluster, GClusters, SClusters);
    tamanoInicial(this, 860, 540);
}

Clusters::~Clusters() = default;

QString Clusters::valor(const char *name) const
{
    auto it = m_fields.find(name);
    return it == m_fields.end() ? QString() : it->second->text();
}

void Clusters::GClusters_Click()
{
    TreeViewClusters->clear();
    auto *root = new QTreeWidgetItem(TreeViewClusters, QStringList{"OWNERS"});
    root->setData(0, kRolClave, "R");
    ponerDibujo(root, Dibujo::Raiz);
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    recorrer(op, *db, "select username from dba_users order by username", [&](const access::OraDynaset &ds) {
        const QString user = qs(Texto(ds.Fields("username")));
        auto *node = new QTreeWidgetItem(root, QStringList{user});
        node->setData(0, kRolClave, user);
        ponerDibujo(node, Dibujo::Usuario);
    });
    root->setExpanded(true);
}

void Clusters::TreeViewClusters_NodeClick(QTreeWidgetItem *node)
{
    if (!node)
        return;
    const QStringList f = AwkViewTree->campos(textos(node), ".", 3);
    const std::string owner = ss(f[2].trimmed()), cluster = ss(f[3].trimmed());
    if (!cluster.empty()) {
        details(owner, cluster);
        return;
    }
    if (owner.empty() || node->childCount() > 0)
        return;
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    recorrer(op, *db,
             "SELECT CLUSTER_NAME FROM DBA_CLUSTERS WHERE OWNER = '" + lit(owner) + "' ORDER BY CLUSTER_NAME",
             [&](const access::OraDynaset &ds) {
                 const QString name = qs(Texto(ds.Fields("CLUSTER_NAME")));
                 auto *child = new QTreeWidgetItem(node, QStringList{name});
                 child->setData(0, kRolClave, qs(owner) + "|" + name);
                 ponerDibujo(child, Dibujo::Cluster);
             });
    node->setExpanded(node->childCount() > 0);
}

void Clusters::details(const std::string &owner, const std::string &cluster)
{
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    const std::string O = lit(owner), C = lit(cluster);
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    primero(op, *db, "SELECT * FROM DBA_CLUSTERS WHERE OWNER = '" + O + "' AND CLUSTER_NAME = '" + C + "'",
            [&](const access::OraDynaset &ds) {
                m_fields["PN_CLUSTER_CLUSTER"]->setText(qs(campo(ds, "CLUSTER_NAME")));
                m_fields["PN_CLUSTER_DUENO"]->setText(qs(campo(ds, "OWNER")));
                const std::string type = campo(ds, "CLUSTER_TYPE");
                PN_CLUSTER_TIPO_INDEX->setChecked(type == "INDEX");
                PN_CLUSTER_TIPO_HASH->setChecked(type == "HASH");
                const access::OraValue &key = ds.Fields("KEY_SIZE");
                m_fields["PN_CLUSTER_TAMANO"]->setText(key.isNull() ? "Null" : qs(key.toString()));
                PN_CLUSTER_TABLESPACE->clear();
                PN_CLUSTER_TABLESPACE->addItem(qs(campo(ds, "TABLESPACE_NAME")));
                PN_CLUSTER_TABLESPACE->setCurrentIndex(0);
                for (const auto &[fieldName, column] : kStorage)
                    m_fields[fieldName]->setText(qs(campo(ds, column)));
            });
    PN_CLUSTER_COLUMNAS->grid()->reset();
    std::vector<QStringList> rows;
    recorrer(op, *db,
             "SELECT DISTINCT CLU_COLUMN_NAME, DATA_TYPE, DATA_LENGTH FROM DBA_CLU_COLUMNS C, DBA_TAB_COLUMNS T WHERE "
             "C.OWNER = '" + O + "' AND C.CLUSTER_NAME = '" + C +
                 "' AND C.OWNER = T.OWNER AND C.TABLE_NAME = T.TABLE_NAME AND C.TAB_COLUMN_NAME = T.COLUMN_NAME",
             [&](const access::OraDynaset &ds) {
                 rows.push_back({qs(campo(ds, "CLU_COLUMN_NAME")),
                                 qs(campo(ds, "DATA_TYPE") + "(" + campo(ds, "DATA_LENGTH") + ")")});
             });
    PN_CLUSTER_COLUMNAS->grid()->addRows(std::move(rows));
    PN_CLUSTER_COLUMNAS->fitColumns();
}

} // namespace schema
