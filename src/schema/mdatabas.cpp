#include "mdatabas.h"

#include "comun.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace schema {

using namespace shell;

namespace {

// Types whose children are loaded at any level; others only below level 2.
const char *const kTipos[] = {"CLUSTER", "CONSUMER GROUP", "DATABASE LINK", "FUNCTION", "INDEX", "JAVA CLASS",
                              "JAVA DATA", "JAVA RESOURCE", "LIBRARY", "LOB", "PACKAGE", "PACKAGE BODY", "PROCEDURE",
                              "QUEUE", "RESOURCE PLAN", "SEQUENCE", "SYNONYM", "TABLE", "TRIGGER", "TYPE", "VIEW",
                              "USUARIOS"};

bool tipoConocido(const std::string &type)
{
    return std::any_of(std::begin(kTipos), std::end(kTipos), [&](const char *t) { return type == t; });
}

QTreeWidgetItem *nuevo(QTreeWidgetItem *parent, const QString &text, int level, bool leaf)
{
    auto *item = new QTreeWidgetItem(parent, QStringList{text});
    item->setData(0, kRolNivel, level);
    item->setData(0, kRolHoja, leaf);
    ponerDibujo(item, leaf ? Dibujo::Hoja : Dibujo::Cerrado);
    return item;
}

} // namespace

MDatabas::MDatabas(AppContext &ctx, QWidget *parent)
    : QWidget(parent), m_ctx(ctx), AWK_Objetos(std::make_unique<Divisor>("AWK_Objetos", u"."))
{
    setObjectName("MDATABAS");
    setWindowTitle("Database");
    buildForm();
    tamanoInicial(this, 1040, 640);
}

MDatabas::~MDatabas() = default;

QWidget *MDatabas::panel(const char *name, const std::vector<std::pair<const char *, const char *>> &fields,
                         bool dropDowns)
{
    auto *box = new QGroupBox(this);
    box->setObjectName(name);
    auto *grid = new QGridLayout(box);
    const int half = static_cast<int>(fields.size() + 1) / 2;
    for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
        QWidget *w;
        // The index panel shows its owner, names and tablespace as one-entry drop-downs.
        if (dropDowns && i < 5) {
            auto *c = new QComboBox(box);
            c->setMinimumContentsLength(14);
            w = c;
        } else {
            auto *e = new QLineEdit(box);
            e->setReadOnly(true);
            w = e;
        }
        w->setObjectName(fields[i].first);
        m_fields[fields[i].first] = w;
        const int col = i < half ? 0 : 2, row = i < half ? i : i - half;
        grid->addWidget(new QLabel(fields[i].second, box), row, col);
        grid->addWidget(w, row, col + 1);
    }
    box->hide();
    return box;
}

void MDatabas::buildForm()
{
    auto identity = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(name);
        e->setReadOnly(true);
        return e;
    };
    Nombre = identity("Nombre");
    Fecha_Creacion = identity("Fecha_Creacion");
    Log_Mode = identity("Log_Mode");
    Checkpoint_Change = identity("Checkpoint_Change");
    Archive_Change = identity("Archive_Change");
    auto *ident = new QFormLayout;
    ident->addRow("Name", Nombre);
    ident->addRow("Created", Fecha_Creacion);
    ident->addRow("Log Mode", Log_Mode);
    ident->addRow("Checkpoint Change#", Checkpoint_Change);
    ident->addRow("Archive Change#", Archive_Change);

    LNumeros = new ResultGrid("LNumeros", this);
    LNumeros->grid()->setHeaders({"Descripción", "Cantidad"});
    LNumeros->fitColumns();

    Wonder_View = new QTreeWidget(this);
    Wonder_View->setObjectName("Wonder_View");
    Wonder_View->setHeaderHidden(true);
    Wonder_View->setMinimumWidth(280);
    seguirRamas(Wonder_View);
    connect(Wonder_View, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *i) { Wonder_View_Click(i); });

    PN_Tablas = panel("PN_Tablas", {{"PN_TABLAS_OWNER", "Owner"}, {"PN_TABLAS_TABLE_NAME", "Table"},
                                    {"PN_TABLAS_TABLESPACE", "Tablespace"}, {"PN_TABLAS_CREATED", "Created"},
                                    {"PN_TABLAS_INITIAL", "Initial"}, {"PN_TABLAS_NEXT", "Next"},
                                    {"PN_TABLAS_MINEXTENTS", "Min Extents"}, {"PN_TABLAS_MAXEXTENTS", "Max Extents"},
                                    {"PN_TABLAS_PCTINCREASE", "Pct Increase"}, {"PN_TABLAS_PCTFREE", "Pct Free"},
                                    {"PN_TABLAS_PCTUSED", "Pct Used"}, {"PN_TABLAS_INI_TRANS", "Ini Trans"},
                                    {"PN_TABLAS_MAX_TRANS", "Max Trans"}});
    PN_TABLES_COLUMNAS = new ResultGrid("PN_TABLES_COLUMNAS", PN_Tablas);
    PN_TABLES_COLUMNAS->grid()->setHeaders({"Columna", "Tipo", "Long", "Null"});
    PN_TABLES_COLUMNAS->fitColumns();
    static_cast<QGridLayout *>(PN_Tablas->layout())->addWidget(PN_TABLES_COLUMNAS, 7, 0, 1, 4);

    PN_Indice = panel("PN_Indice", {{"PN_INDICE_OWNER", "Owner"}, {"PN_INDICE_NAME", "Index"},
                                    {"PN_INDICE_TABLE_OWNER", "Table Owner"}, {"PN_INDICE_TABLE_NAME", "Table"},
                                    {"PN_INDICE_TABLESPACE", "Tablespace"}, {"PN_INDICE_INITIAL", "Initial"},
                                    {"PN_INDICE_NEXT", "Next"}, {"PN_INDICE_MINEXTENTS", "Min Extents"},
                                    {"PN_INDICE_MAXEXTENTS", "Max Extents"}, {"PN_INDICE_PCTINCREASE", "Pct Increase"},
                                    {"PN_INDICE_PCTFREE", "Pct Free"}, {"PN_INDICE_INI_TRANS", "Ini Trans"},
                                    {"PN_INDICE_MAX_TRANS", "Max Trans"}},
                      true);
    PN_INDICE_UNIQUE = new QCheckBox("Unique", PN_Indice);
    PN_INDICE_UNIQUE->setObjectName("PN_INDICE_UNIQUE");
    PN_INDICE_UNIQUE->setAttribute(Qt::WA_TransparentForMouseEvents);
    PN_INDICE_COLUMNAS = new QListWidget(PN_Indice);
    PN_INDICE_COLUMNAS->setObjectName("PN_INDICE_COLUMNAS");
    PN_INDICE_TAB_COL = new QListWidget(PN_Indice);
    PN_INDICE_TAB_COL->setObjectName("PN_INDICE_TAB_COL");
    auto *ig = static_cast<QGridLayout *>(PN_Indice->layout());
    ig->addWidget(PN_INDICE_UNIQUE, 7, 1);
    ig->addWidget(new QLabel("Index Columns", PN_Indice), 8, 0, 1, 2);
    ig->addWidget(new QLabel("Table Columns", PN_Indice), 8, 2, 1, 2);
    ig->addWidget(PN_INDICE_COLUMNAS, 9, 0, 1, 2);
    ig->addWidget(PN_INDICE_TAB_COL, 9, 2, 1, 2);

    PN_SEQUENCE = panel("PN_SEQUENCE", {{"PN_SEQUENCE_OWNER", "Owner"}, {"PN_SEQUENCE_NAME", "Sequence"},
                                        {"PN_SEQUENCE_MIN", "Min Value"}, {"PN_SEQUENCE_MAX", "Max Value"},
                                        {"PN_SEQUENCE_INCREMENT", "Increment by"}, {"PN_SEQUENCE_CYCLE", "Cycle"},
                                        {"PN_SEQUENCE_ORDER", "Order"}, {"PN_SEQUENCE_CACHE", "Cache Size"},
                                        {"PN_SEQUENCE_LAST", "Last Number"}});
    PN_Database_Synonym = panel("PN_Database_Synonym",
                                {{"PN_SYNONYM_OWNER", "Owner"}, {"PN_SYNONYM_NAME", "Synonym"},
                                 {"PN_SYNONYM_TABLE_OWNER", "Table Owner"}, {"PN_SYNONYM_TABLE_NAME", "Table"},
                                 {"PN_SYNONYM_DB_LINK", "Database Link"}});
    PN_SYNONYM_PUBLIC = new QCheckBox("Public", PN_Database_Synonym);
    PN_SYNONYM_PUBLIC->setObjectName("PN_SYNONYM_PUBLIC");
    // The box only displays: a click puts it back to what the owner says.
    connect(PN_SYNONYM_PUBLIC, &QCheckBox::clicked, this, [this] { PN_SYNONYM_PUBLIC->setChecked(m_synonymPublic); });
    static_cast<QGridLayout *>(PN_Database_Synonym->layout())->addWidget(PN_SYNONYM_PUBLIC, 3, 3);
    PN_Database_Link = panel("PN_Database_Link", {{"PN_DBLINK_OWNER", "Owner"}, {"PN_DBLINK_DB_LINK", "Database Link"},
                                                  {"PN_DBLINK_USERNAME", "User Name"}, {"PN_DBLINK_PASSWORD", "Password"},
                                                  {"PN_DBLINK_HOST", "Host"}, {"PN_DBLINK_CREATED", "Created"}});
    static_cast<QLineEdit *>(m_fields["PN_DBLINK_PASSWORD"])->setEchoMode(QLineEdit::Password);

    PN_Inicio = new QLabel("Choose a table, index, sequence, synonym or database link in the tree to see its details.",
                           this);
    PN_Inicio->setObjectName("PN_Inicio");
    static_cast<QLabel *>(PN_Inicio)->setWordWrap(true);
    static_cast<QLabel *>(PN_Inicio)->setAlignment(Qt::AlignCenter);

    auto *detail = new QWidget(this);
    auto *dlay = new QVBoxLayout(detail);
    dlay->setContentsMargins(0, 0, 0, 0);
    for (QWidget *p : {PN_Inicio, PN_Tablas, PN_Indice, PN_SEQUENCE, PN_Database_Synonym, PN_Database_Link})
        dlay->addWidget(p);
    dlay->addStretch(1);

    auto *right = new QWidget(this);
    auto *rlay = new QVBoxLayout(right);
    rlay->setContentsMargins(0, 0, 0, 0);
    auto *top = new QHBoxLayout;
    top->addLayout(ident, 1);
    top->addWidget(LNumeros, 1);
    rlay->addLayout(top);
    rlay->addWidget(detail, 1);
    LNumeros->setMinimumHeight(150);


    GDatabase = new QPushButton("&Obtener Base de Datos", this);
    GDatabase->setObjectName("GDatabase");
    SDatabase = new QPushButton("&Salir", this);
    SDatabase->setObjectName("SDatabase");
    connect(GDatabase, &QPushButton::clicked, this, [this] { GDatabase_Click(); });
    connect(SDatabase, &QPushButton::clicked, this, [this] { SDatabase_Click(); });
    ventanaArbol(this, Wonder_View, right, GDatabase, SDatabase);
}

QString MDatabas::valor(const char *name) const
{
    auto it = m_fields.find(name);
    if (it == m_fields.end())
        return {};
    if (auto *e = qobject_cast<QLineEdit *>(it->second))
        return e->text();
    return static_cast<QComboBox *>(it->second)->currentText();
}

QString MDatabas::panelVisible() const
{
    for (QWidget *p : {PN_Tablas, PN_Indice, PN_SEQUENCE, PN_Database_Synonym, PN_Database_Link, PN_Inicio})
        if (!p->isHidden())
            return p->objectName();
    return {};
}

void MDatabas::set(const char *name, const std::string &value)
{
    QWidget *w = m_fields.at(name);
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        e->setText(qs(value));
        e->setCursorPosition(0);
    } else {
        auto *c = static_cast<QComboBox *>(w);
        c->clear();
        c->addItem(qs(value));
        c->setCurrentIndex(0);
    }
}

void MDatabas::GDatabase_Click()
{
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    QTreeWidgetItem *root = nullptr;
    primero(op, *db, "select name, created, log_mode, checkpoint_change#, archive_change# from v$database",
            [&](const access::OraDynaset &ds) {
                Nombre->setText(qs(campo(ds, "name")));
                Fecha_Creacion->setText(qs(campo(ds, "created")));
                Log_Mode->setText(qs(campo(ds, "log_mode")));
                Checkpoint_Change->setText(qs(campo(ds, "checkpoint_change#")));
                Archive_Change->setText(qs(campo(ds, "archive_change#")));
                Wonder_View->clear();
                root = new QTreeWidgetItem(Wonder_View, QStringList{qs(campo(ds, "name"))});
                root->setData(0, kRolNivel, 0);
                ponerDibujo(root, Dibujo::BaseDatos);
            });
    LNumeros->grid()->reset();
    primero(op, *db, "select count(username) usuarios from dba_users", [&](const access::OraDynaset &ds) {
        LNumeros->grid()->addRow({"USUARIOS", qs(campo(ds, "usuarios"))});
        if (root)
            nuevo(root, "USUARIOS", 1, false);
    });
    std::vector<QStringList> rows;
    recorrer(op, *db, "select object_type, count(object_name) num_objetos from dba_objects group by object_type",
             [&](const access::OraDynaset &ds) {
                 rows.push_back({qs(campo(ds, "object_type")), qs(campo(ds, "num_objetos"))});
                 if (root)
                     nuevo(root, qs(campo(ds, "object_type")), 1, false);
             });
    LNumeros->grid()->addRows(std::move(rows));
    LNumeros->fitColumns();
    if (root)
        root->setExpanded(true);
}

void MDatabas::load(QTreeWidgetItem *item, const std::string &owner, int level, std::string type)
{
    if (item->childCount() > 0)
        return;
    if (tipoConocido(type)) {
        if (type == "USUARIOS")
            type.clear();
    } else if (level <= 2) {
        return;
    }
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    std::string sql;
    const char *column;
    bool leaves = false;
    if (owner.empty() && type.empty()) {
        sql = "select username from dba_users order by username";
        column = "username";
    } else if (owner.empty()) {
        sql = "select distinct owner from dba_objects where object_type='" + lit(type) + "'";
        column = "owner";
    } else if (type.empty()) {
        sql = "select distinct object_type from dba_objects where owner = '" + lit(owner) + "'";
        column = "object_type";
    } else {
        sql = "select distinct object_name from dba_objects where owner = '" + lit(owner) + "' and object_type = '" +
              lit(type) + "'";
        column = "object_name";
        leaves = true;
    }
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    recorrer(op, *db, sql, [&](const access::OraDynaset &ds) { nuevo(item, qs(Texto(ds.Fields(column))), level, leaves); });
    item->setExpanded(item->childCount() > 0);
}

void MDatabas::Wonder_View_Click(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const int level = item->data(0, kRolNivel).toInt();
    if (level == 0)
        return;
    if (level == 1) {
        load(item, "", 2, ss(item->text(0)));
        return;
    }
    const QStringList f = AWK_Objetos->campos(textos(item), ".", 5);
    const bool usuarios = f[2] == "USUARIOS";
    if (level == 2)
        load(item, ss(f[3]), 3, usuarios ? "" : ss(f[2]));
    else if (level == 3 && usuarios)
        load(item, ss(f[3]), 4, ss(f[4]));
    else if (level == 3)
        details(ss(f[2]), ss(f[3]), ss(f[4]));
    else if (level == 4)
        details(ss(f[4]), ss(f[3]), ss(f[5]));
}

void MDatabas::showOnly(QWidget *panel)
{
    for (QWidget *p : {PN_Tablas, PN_Indice, PN_SEQUENCE, PN_Database_Synonym, PN_Database_Link, PN_Inicio})
        p->setVisible(p == panel);
}

void MDatabas::details(const std::string &type, const std::string &owner, const std::string &name)
{
    const std::string O = lit(owner), N = lit(name);
    if (type == "PACKAGE" || type == "PACKAGE BODY" || type == "PROCEDURE" || type == "TRIGGER" || type == "VIEW") {
        showOnly(nullptr);
        return;
    }
    if (type != "DATABASE LINK" && type != "INDEX" && type != "SEQUENCE" && type != "SYNONYM" && type != "TABLE")
        return;
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    if (type == "DATABASE LINK") {
        showOnly(PN_Database_Link);
        set("PN_DBLINK_OWNER", "");
        primero(op, *db, "SELECT * FROM DBA_DB_LINKS WHERE OWNER = '" + O + "' AND DB_LINK = '" + N + "'",
                [&](const access::OraDynaset &ds) {
                    set("PN_DBLINK_OWNER", campo(ds, "owner"));
                    set("PN_DBLINK_DB_LINK", campo(ds, "db_link"));
                    set("PN_DBLINK_USERNAME", campo(ds, "USERNAME"));
                    set("PN_DBLINK_HOST", campo(ds, "host"));
                    set("PN_DBLINK_CREATED", campo(ds, "created"));
                });
        set("PN_DBLINK_PASSWORD", "");
    } else if (type == "INDEX") {
        showOnly(PN_Indice);
        PN_INDICE_COLUMNAS->clear();
        PN_INDICE_TAB_COL->clear();
        primero(op, *db,
                "SELECT OWNER,INDEX_NAME,TABLE_OWNER,TABLE_NAME,TABLESPACE_NAME,INITIAL_EXTENT,NEXT_EXTENT,"
                "MIN_EXTENTS,MAX_EXTENTS,PCT_INCREASE,PCT_FREE,INI_TRANS,MAX_TRANS,UNIQUENESS  FROM DBA_INDEXES WHERE "
                "OWNER = '" + O + "' AND INDEX_NAME = '" + N + "'",
                [&](const access::OraDynaset &ds) {
                    const std::pair<const char *, const char *> map[] = {
                        {"PN_INDICE_OWNER", "OWNER"},           {"PN_INDICE_NAME", "INDEX_NAME"},
                        {"PN_INDICE_TABLE_OWNER", "TABLE_OWNER"}, {"PN_INDICE_TABLE_NAME", "TABLE_NAME"},
                        {"PN_INDICE_TABLESPACE", "TABLESPACE_NAME"}, {"PN_INDICE_INITIAL", "INITIAL_EXTENT"},
                        {"PN_INDICE_NEXT", "NEXT_EXTENT"},       {"PN_INDICE_MINEXTENTS", "MIN_EXTENTS"},
                        {"PN_INDICE_MAXEXTENTS", "MAX_EXTENTS"}, {"PN_INDICE_PCTINCREASE", "PCT_INCREASE"},
                        {"PN_INDICE_PCTFREE", "PCT_FREE"},       {"PN_INDICE_INI_TRANS", "INI_TRANS"},
                        {"PN_INDICE_MAX_TRANS", "MAX_TRANS"}};
                    for (const auto &[field, column] : map)
                        set(field, campo(ds, column));
                    PN_INDICE_UNIQUE->setChecked(campo(ds, "UNIQUENESS") == "UNIQUE");
                });
        const std::string TO = lit(valor("PN_INDICE_TABLE_OWNER")), TN = lit(valor("PN_INDICE_TABLE_NAME"));
        recorrer(op, *db,
                 "SELECT COLUMN_NAME FROM DBA_IND_COLUMNS WHERE INDEX_OWNER = '" + O + "' AND INDEX_NAME = '" + N +
                     "' AND TABLE_OWNER = '" + TO + "' AND TABLE_NAME = '" + TN + "'",
                 [&](const access::OraDynaset &ds) { PN_INDICE_COLUMNAS->addItem(qs(campo(ds, "COLUMN_NAME"))); });
        recorrer(op, *db,
                 "SELECT COLUMN_NAME FROM DBA_TAB_COLUMNS WHERE OWNER = '" + TO + "' AND TABLE_NAME = '" + TN + "'",
                 [&](const access::OraDynaset &ds) { PN_INDICE_TAB_COL->addItem(qs(campo(ds, "COLUMN_NAME"))); });
    } else if (type == "SEQUENCE") {
        showOnly(PN_SEQUENCE);
        primero(op, *db,
                "SELECT * FROM DBA_SEQUENCES WHERE SEQUENCE_OWNER = '" + O + "' AND SEQUENCE_NAME = '" + N + "'",
                [&](const access::OraDynaset &ds) {
                    const std::pair<const char *, const char *> map[] = {
                        {"PN_SEQUENCE_OWNER", "SEQUENCE_OWNER"}, {"PN_SEQUENCE_NAME", "SEQUENCE_NAME"},
                        {"PN_SEQUENCE_MIN", "MIN_VALUE"},        {"PN_SEQUENCE_MAX", "MAX_VALUE"},
                        {"PN_SEQUENCE_INCREMENT", "INCREMENT_BY"}, {"PN_SEQUENCE_CYCLE", "CYCLE_FLAG"},
                        {"PN_SEQUENCE_ORDER", "ORDER_FLAG"},     {"PN_SEQUENCE_CACHE", "CACHE_SIZE"},
                        {"PN_SEQUENCE_LAST", "LAST_NUMBER"}};
                    for (const auto &[field, column] : map)
                        set(field, campo(ds, column));
                });
    } else if (type == "SYNONYM") {
        showOnly(PN_Database_Synonym);
        primero(op, *db,
                "select owner, synonym_name, table_owner, table_name, nvl(db_link,'Null') db_link from dba_synonyms "
                "WHERE OWNER = '" + O + "' AND SYNONYM_NAME = '" + N + "'",
                [&](const access::OraDynaset &ds) {
                    set("PN_SYNONYM_OWNER", campo(ds, "owner"));
                    set("PN_SYNONYM_NAME", campo(ds, "synonym_name"));
                    set("PN_SYNONYM_TABLE_OWNER", campo(ds, "table_owner"));
                    set("PN_SYNONYM_TABLE_NAME", campo(ds, "table_name"));
                    set("PN_SYNONYM_DB_LINK", campo(ds, "db_link"));
                    m_synonymPublic = QString::fromStdString(campo(ds, "owner")).toUpper() == "PUBLIC";
                    PN_SYNONYM_PUBLIC->setChecked(m_synonymPublic);
                });
    } else {
        showOnly(PN_Tablas);
        primero(op, *db,
                "SELECT A.OWNER OWNER,TABLE_NAME,TABLESPACE_NAME,INITIAL_EXTENT,NEXT_EXTENT,MIN_EXTENTS,MAX_EXTENTS,"
                "PCT_INCREASE,PCT_FREE,PCT_USED,INI_TRANS,MAX_TRANS,CREATED FROM DBA_TABLES A, DBA_OBJECTS B WHERE "
                "A.OWNER = '" + O + "' AND A.TABLE_NAME = '" + N +
                    "' AND A.OWNER = B.OWNER AND A.TABLE_NAME = B.OBJECT_NAME AND B.OBJECT_TYPE = 'TABLE'",
                [&](const access::OraDynaset &ds) {
                    const std::pair<const char *, const char *> map[] = {
                        {"PN_TABLAS_OWNER", "OWNER"},           {"PN_TABLAS_TABLE_NAME", "TABLE_NAME"},
                        {"PN_TABLAS_TABLESPACE", "TABLESPACE_NAME"}, {"PN_TABLAS_INITIAL", "INITIAL_EXTENT"},
                        {"PN_TABLAS_NEXT", "NEXT_EXTENT"},       {"PN_TABLAS_MINEXTENTS", "MIN_EXTENTS"},
                        {"PN_TABLAS_MAXEXTENTS", "MAX_EXTENTS"}, {"PN_TABLAS_PCTINCREASE", "PCT_INCREASE"},
                        {"PN_TABLAS_PCTFREE", "PCT_FREE"},       {"PN_TABLAS_PCTUSED", "PCT_USED"},
                        {"PN_TABLAS_INI_TRANS", "INI_TRANS"},    {"PN_TABLAS_MAX_TRANS", "MAX_TRANS"},
                        {"PN_TABLAS_CREATED", "CREATED"}};
                    for (const auto &[field, column] : map)
                        set(field, campo(ds, column));
                });
        PN_TABLES_COLUMNAS->grid()->reset();
        std::vector<QStringList> rows;
        recorrer(op, *db,
                 "SELECT COLUMN_NAME,DATA_TYPE,DATA_LENGTH,NullABLE FROM DBA_TAB_COLUMNS WHERE OWNER = '" + O +
                     "' AND TABLE_NAME = '" + N + "'",
                 [&](const access::OraDynaset &ds) {
                     rows.push_back({qs(campo(ds, "COLUMN_NAME")), qs(campo(ds, "DATA_TYPE")),
                                     qs(campo(ds, "DATA_LENGTH")), qs(campo(ds, "NullABLE"))});
                 });
        PN_TABLES_COLUMNAS->grid()->addRows(std::move(rows));
        PN_TABLES_COLUMNAS->fitColumns();
    }
}

void MDatabas::SDatabase_Click()
{
    closeForm(this);
}

} // namespace schema
