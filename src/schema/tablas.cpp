#include "tablas.h"

#include "comun.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace schema {

using namespace shell;

namespace {

const char *const kPadres = "Tablas Padres";
const char *const kHijas = "Tablas Hijas";

int nivel(const QTreeWidgetItem *item)
{
    int n = 1;
    for (const QTreeWidgetItem *p = item->parent(); p; p = p->parent())
        ++n;
    return n;
}

} // namespace

Tablas::Tablas(AppContext &ctx, QWidget *parent)
    : ListaObjetos(ctx,
                   {"TABLAS", "Tablas", "TUsuarios", "Usuario", "LTablas", "GTablas", "&Obtener Tablas", "STablas",
                    "&Salir",
                    "select table_name, tablespace_name, nvl(cluster_name,'Null') cluster_name from dba_tables ",
                    " order by table_name", "OWNER",
                    {{"Tabla", "table_name"}, {"Tablespace", "tablespace_name"}, {"Cluster", "cluster_name"}}},
                   parent)
{
    Dueno_Principal = new QLabel(this);
    Dueno_Principal->setObjectName("Dueno_Principal");
    Tabla_Principal = new QLabel(this);
    Tabla_Principal->setObjectName("Tabla_Principal");
    for (QLabel *l : {Dueno_Principal, Tabla_Principal}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    auto *tipo = new QGroupBox("Tipo", this);
    tipo->setObjectName("Tipo");
    auto *tipoLay = new QVBoxLayout(tipo);
    const char *const captions[5] = {"Check constraint on a table", "Primary key", "Unique key",
                                     "Referencial integrity", "With check option, on a view"};
    for (int i = 0; i < 5; ++i) {
        Tipo[i] = new QRadioButton(captions[i], tipo);
        Tipo[i]->setObjectName(QString("Tipo_%1").arg(i));
        tipoLay->addWidget(Tipo[i]);
    }
    Tipo[0]->setChecked(true);
    tipoLay->addStretch(1);
    GConstraint = new QPushButton("&Obtener", this);
    GConstraint->setObjectName("GConstraint");
    connect(GConstraint, &QPushButton::clicked, this, [this] { GConstraint_Click(); });
    Visor_de_Constraint = new QTreeWidget(this);
    Visor_de_Constraint->setObjectName("Visor_de_Constraint");
    Visor_de_Constraint->setHeaderHidden(true);
    seguirRamas(Visor_de_Constraint);
    connect(Visor_de_Constraint, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *i) { Visor_de_Constraint_Click(i); });

    auto *viewer = new QWidget;
    auto *head = new QHBoxLayout;
    head->addWidget(new QLabel("Owner"));
    head->addWidget(Dueno_Principal);
    head->addSpacing(24);
    head->addWidget(new QLabel("Table"));
    head->addWidget(Tabla_Principal);
    head->addStretch(1);
    head->addWidget(GConstraint);
    auto *side = new QVBoxLayout;
    side->addWidget(tipo);
    side->addStretch(1);
    auto *body = new QHBoxLayout;
    body->addWidget(Visor_de_Constraint, 1);
    body->addLayout(side);
    auto *vlay = new QVBoxLayout(viewer);
    vlay->addLayout(head);
    vlay->addLayout(body, 1);

    CarpetaTablas = new QTabWidget(this);
    CarpetaTablas->setObjectName("CarpetaTablas");
    mainLayout()->removeWidget(listPage());
    CarpetaTablas->addTab(listPage(), "Tablas");
    CarpetaTablas->addTab(viewer, "Constraints");
    mainLayout()->insertWidget(0, CarpetaTablas, 1);
    connect(CarpetaTablas, &QTabWidget::currentChanged, this, [this](int tab) { CarpetaTablas_Click(tab); });
    tamanoInicial(this, 720, 480);
}

void Tablas::CarpetaTablas_Click(int tab)
{
    if (tab != 1)
        return;
    m_tipo = "C";
    // The owner as the list filtered on it; the table is the one in the current row.
    m_owner = ss(owner()->currentText().toUpper());
    m_table = ss(grid()->grid()->text(grid()->grid()->currentRow(), 1));
    Dueno_Principal->setText(qs(m_owner));
    Tabla_Principal->setText(qs(m_table));
}

void Tablas::GConstraint_Click()
{
    Visor_de_Constraint->clear();
    for (const char *text : {kPadres, kHijas}) {
        auto *item = new QTreeWidgetItem(Visor_de_Constraint, QStringList{text});
        item->setData(0, kRolNivel, 1);
        ponerDibujo(item, Dibujo::Cerrado);
    }
}

void Tablas::addChildren(QTreeWidgetItem *item, const std::string &sql, const char *column, bool leaves)
{
    GuardedOperation op(m_ctx);
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    op.step([&] { Cursor_Ocupado(m_ctx); });
    const int level = nivel(item) + 1;
    recorrer(op, *db, sql, [&](const access::OraDynaset &ds) {
        const std::string text = campo(ds, column);
        if (text.empty())
            return;
        auto *child = new QTreeWidgetItem(item, QStringList{qs(text)});
        child->setData(0, kRolNivel, level);
        child->setData(0, kRolHoja, leaves);
        ponerDibujo(child, leaves ? Dibujo::Hoja : Dibujo::Cerrado);
    });
    item->setExpanded(item->childCount() > 0);
}

void Tablas::Visor_de_Constraint_Click(QTreeWidgetItem *item)
{
    if (!item || item->childCount() > 0)
        return;
    const int level = nivel(item);
    const QStringList path = textos(item);
    const bool padres = path[0] == kPadres;
    const std::string O = lit(m_owner), T = lit(m_table);
    const std::string from = "FROM DBA_CONSTRAINTS A, DBA_CONSTRAINTS B WHERE A.OWNER = '" + O +
                             "' AND A.TABLE_NAME = '" + T + "'";
    if (level == 1) {
        if (padres)
            addChildren(item, "SELECT distinct B.TABLE_NAME uno " + from + " AND A.R_CONSTRAINT_NAME = B.CONSTRAINT_NAME",
                        "uno", false);
        else
            addChildren(item,
                        "SELECT distinct B.TABLE_NAME uno " + from +
                            " AND A.CONSTRAINT_TYPE IN ('P','U') AND B.R_CONSTRAINT_NAME = A.CONSTRAINT_NAME",
                        "uno", false);
    } else if (level == 2) {
        const std::string table = lit(path[1]);
        if (padres)
            addChildren(item,
                        "SELECT distinct B.TABLE_NAME uno, B.CONSTRAINT_NAME dos, A.STATUS tres " + from +
                            " AND B.TABLE_NAME = '" + table + "' AND A.R_CONSTRAINT_NAME = B.CONSTRAINT_NAME",
                        "dos", false);
        else
            addChildren(item,
                        "SELECT distinct B.TABLE_NAME uno, B.CONSTRAINT_NAME dos, B.STATUS tres " + from +
                            " AND B.TABLE_NAME = '" + table +
                            "' AND A.CONSTRAINT_TYPE IN ('P','U') AND B.R_CONSTRAINT_NAME = A.CONSTRAINT_NAME",
                        "dos", false);
    } else if (level == 3) {
        addChildren(item,
                    "SELECT COLUMN_NAME FROM DBA_CONS_COLUMNS WHERE OWNER = '" + O + "' AND TABLE_NAME = '" +
                        lit(path[1]) + "' AND CONSTRAINT_NAME = '" + lit(path[2]) + "' ORDER BY POSITION",
                    "COLUMN_NAME", true);
    }
}

} // namespace schema
