#include "comun.h"

#include "appcontext.h"
#include "errores.h"
#include "sqlcvpg.h"

#include "scanix_host.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSplitter>
#include <QTreeWidget>

#include <algorithm>
#include <iterator>
#include <cctype>

namespace schema {

using namespace shell;

access::OraDatabase *conexion(AppContext &ctx)
{
    return ctx.currentConnection();
}

std::string lit(const std::string &value)
{
    std::string out;
    out.reserve(value.size() + 2);
    for (char c : value) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out;
}

namespace {

// Oracle's reserved words: none of them can be a bare name.
const char *const kReservadas[] = {
    "ACCESS", "ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "AUDIT", "BETWEEN", "BY", "CHAR", "CHECK",
    "CLUSTER", "COLUMN", "COMMENT", "COMPRESS", "CONNECT", "CREATE", "CURRENT", "DATE", "DECIMAL", "DEFAULT",
    "DELETE", "DESC", "DISTINCT", "DROP", "ELSE", "EXCLUSIVE", "EXISTS", "FILE", "FLOAT", "FOR", "FROM", "GRANT",
    "GROUP", "HAVING", "IDENTIFIED", "IMMEDIATE", "IN", "INCREMENT", "INDEX", "INITIAL", "INSERT", "INTEGER",
    "INTERSECT", "INTO", "IS", "LEVEL", "LIKE", "LOCK", "LONG", "MAXEXTENTS", "MINUS", "MLSLABEL", "MODE",
    "MODIFY", "NOAUDIT", "NOCOMPRESS", "NOT", "NOWAIT", "NULL", "NUMBER", "OF", "OFFLINE", "ON", "ONLINE",
    "OPTION", "OR", "ORDER", "PCTFREE", "PRIOR", "PRIVILEGES", "PUBLIC", "RAW", "RENAME", "RESOURCE", "REVOKE",
    "ROW", "ROWID", "ROWNUM", "ROWS", "SELECT", "SESSION", "SET", "SHARE", "SIZE", "SMALLINT", "START",
    "SUCCESSFUL", "SYNONYM", "SYSDATE", "TABLE", "THEN", "TO", "TRIGGER", "UID", "UNION", "UNIQUE", "UPDATE",
    "USER", "VALIDATE", "VALUES", "VARCHAR", "VARCHAR2", "VIEW", "WHENEVER", "WHERE", "WITH",
};

bool reservada(const std::string &upperName)
{
    return std::any_of(std::begin(kReservadas), std::end(kReservadas),
                       [&](const char *w) { return upperName == w; });
}

// A bare identifier: a letter, then letters, digits, _ $ #; lower case allowed
// when `lowerOk`.
bool identificadorSimple(const std::string &name, bool lowerOk)
{
    if (name.empty() || name.size() > 30)
        return false;
    auto letter = [&](unsigned char c) { return (c >= 'A' && c <= 'Z') || (lowerOk && c >= 'a' && c <= 'z'); };
    if (!letter(static_cast<unsigned char>(name[0])))
        return false;
    for (unsigned char c : name)
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '$' && c != '#')
            return false;
    std::string up = name;
    for (char &c : up)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return !reservada(up);
}

bool escribible(const std::string &name)
{
    return !name.empty() && name.find_first_of(std::string("\"\r\n\0", 4)) == std::string::npos;
}

std::string nombre(const std::string &name, bool lowerOk)
{
    if (identificadorSimple(name, lowerOk))
        return name;
    if (!escribible(name))
        return {};
    return "\"" + name + "\"";
}

} // namespace

std::string nombreSql(const std::string &name) { return nombre(name, true); }
std::string nombreDiccionario(const std::string &name) { return nombre(name, false); }
std::string passwordSql(const std::string &password) { return nombre(password, true); }

std::string enlaceSql(const std::string &link)
{
    if (link.empty())
        return {};
    size_t start = 0;
    bool bare = true;
    while (bare) {
        const size_t dot = link.find('.', start);
        bare = identificadorSimple(link.substr(start, dot == std::string::npos ? std::string::npos : dot - start), true);
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    if (bare)
        return link;
    return escribible(link) ? "\"" + link + "\"" : std::string();
}

namespace {

class TamanoInicial : public QObject {
public:
    TamanoInicial(QWidget *form, QSize size) : QObject(form), m_size(size) {}
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() != QEvent::Show)
            return false;
        auto *form = static_cast<QWidget *>(watched);
        if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget())) {
            const QSize frame = sub->size() - form->size();
            sub->resize(sub->size().expandedTo(m_size + frame));
        }
        deleteLater();
        form->removeEventFilter(this);
        return false;
    }

private:
    QSize m_size;
};

} // namespace

void tamanoInicial(QWidget *form, int width, int height)
{
    form->resize(width, height);
    form->installEventFilter(new TamanoInicial(form, QSize(width, height)));
}

QGroupBox *grupoCuota(QWidget *parent, const QString &title, QComboBox *onTablespace,
                      QLineEdit *&size, QRadioButton *&kilobytes, QRadioButton *&megabytes,
                      QRadioButton *&unlimited)
{
    size = new QLineEdit(parent);
    size->setObjectName("Tamano_Quota");
    size->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,9}"), size));
    auto radio = [parent](const char *caption, const char *name) {
        auto *r = new QRadioButton(caption, parent);
        r->setObjectName(name);
        return r;
    };
    kilobytes = radio("Kilobytes", "Quota_Kilobytes");
    megabytes = radio("Megabytes", "Quota_Megabytes");
    unlimited = radio("Unlimited", "Quota_Unlimited");

    auto *group = new QGroupBox(title, parent);
    auto *form = new QFormLayout;
    form->addRow("On Tablespace", onTablespace);
    form->addRow("Size", size);
    auto *units = new QHBoxLayout;
    for (auto *r : {kilobytes, megabytes, unlimited})
        units->addWidget(r);
    auto *lay = new QVBoxLayout(group);
    lay->addLayout(form);
    lay->addLayout(units);
    return group;
}

void ventanaArbol(QWidget *form, QWidget *tree, QWidget *detail, QPushButton *fetch,
                  QPushButton *exit)
{
    auto *split = new QSplitter(form);
    split->addWidget(tree);
    split->addWidget(detail);
    split->setStretchFactor(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(fetch);
    buttons->addStretch(1);
    buttons->addWidget(exit);
    auto *lay = new QVBoxLayout(form);
    lay->addWidget(split, 1);
    lay->addLayout(buttons);
}

std::string campo(const access::OraDynaset &ds, const char *column)
{
    const access::OraValue &v = ds.Fields(column);
    return v.isNull() ? std::string() : v.toString();
}

bool recorrer(GuardedOperation &op, access::OraDatabase &db, const std::string &sql,
              const std::function<void(const access::OraDynaset &)> &fila)
{
    std::unique_ptr<access::OraDynaset> ds;
    op.step([&] { ds = db.DbCreateDynaset(sql, 4); });
    while (op.alive() && ds && !ds->IsEOF()) {
        op.step([&] { fila(*ds); });
        op.step([&] { ds->MoveNext(); });
    }
    if (ds)
        ds->Close();
    return op.alive();
}

bool primero(GuardedOperation &op, access::OraDatabase &db, const std::string &sql,
             const std::function<void(const access::OraDynaset &)> &fila)
{
    std::unique_ptr<access::OraDynaset> ds;
    op.step([&] { ds = db.DbCreateDynaset(sql, 4); });
    if (op.alive() && ds && !ds->IsEOF())
        op.step([&] { fila(*ds); });
    if (ds)
        ds->Close();
    return op.alive();
}

void llenarLista(GuardedOperation &op, access::OraDatabase &db, const std::string &sql, const char *column,
                 QComboBox *box)
{
    box->clear();
    recorrer(op, db, sql, [&](const access::OraDynaset &ds) { box->addItem(QString::fromStdString(Texto(ds.Fields(column)))); });
    box->setCurrentIndex(-1);
}

// ---------------------------------------------------------------- pictures

namespace {

QPixmap lienzo()
{
    QPixmap p(16, 16);
    p.fill(Qt::transparent);
    return p;
}

void carpeta(QPainter &g, bool abierta)
{
    g.setPen(QColor(150, 110, 20));
    g.setBrush(QColor(240, 200, 80));
    g.drawRect(1, 4, 13, 10);
    g.drawRect(1, 2, 5, 2);
    if (abierta) {
        g.setBrush(QColor(255, 228, 140));
        QPolygon tapa({QPoint(3, 7), QPoint(15, 7), QPoint(13, 14), QPoint(1, 14)});
        g.drawPolygon(tapa);
    }
}

void persona(QPainter &g, QColor color, int dx, int size)
{
    g.setPen(color.darker(160));
    g.setBrush(color);
    g.drawEllipse(dx + size / 4, 1, size / 2, size / 2);
    g.drawRoundedRect(dx + 1, size / 2 + 2, size - 2, size / 2 - 3, 3, 3);
}

QIcon dibujar(Dibujo d)
{
    QPixmap p = lienzo();
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    switch (d) {
    case Dibujo::Cerrado:
        carpeta(g, false);
        break;
    case Dibujo::Abierto:
        carpeta(g, true);
        break;
    case Dibujo::Hoja:
        g.setPen(QColor(90, 90, 90));
        g.setBrush(Qt::white);
        g.drawRect(3, 1, 10, 14);
        g.drawLine(5, 5, 11, 5);
        g.drawLine(5, 8, 11, 8);
        g.drawLine(5, 11, 9, 11);
        break;
    case Dibujo::BaseDatos:
    case Dibujo::Raiz:
        g.setPen(QColor(40, 60, 120));
        g.setBrush(d == Dibujo::BaseDatos ? QColor(90, 130, 210) : QColor(120, 120, 140));
        g.drawRect(2, 4, 12, 9);
        g.drawEllipse(2, 1, 12, 6);
        g.drawEllipse(2, 10, 12, 5);
        break;
    case Dibujo::Usuario:
        persona(g, QColor(60, 120, 220), 0, 16);
        break;
    case Dibujo::Rol:
        persona(g, QColor(60, 170, 80), 4, 12);
        persona(g, QColor(40, 140, 60), 0, 12);
        break;
    case Dibujo::Publico:
        g.setPen(QColor(170, 90, 0));
        g.setBrush(QColor(250, 160, 40));
        g.drawEllipse(1, 1, 14, 14);
        g.drawLine(1, 8, 15, 8);
        g.drawEllipse(5, 1, 6, 14);
        break;
    case Dibujo::Dueno:
        persona(g, QColor(130, 130, 150), 0, 16);
        break;
    case Dibujo::Otorgable: {
        g.setPen(QPen(QColor(20, 140, 40), 2.5));
        g.setBrush(Qt::NoBrush);
        g.drawRect(1, 1, 14, 14);
        QPainterPath v;
        v.moveTo(4, 8);
        v.lineTo(7, 12);
        v.lineTo(13, 4);
        g.drawPath(v);
        break;
    }
    case Dibujo::NoOtorgable:
        g.setPen(QColor(100, 100, 100));
        g.setBrush(QColor(200, 200, 200));
        g.drawRect(2, 7, 12, 8);
        g.setBrush(Qt::NoBrush);
        g.setPen(QPen(QColor(100, 100, 100), 2));
        g.drawArc(4, 1, 8, 10, 0, 180 * 16);
        break;
    case Dibujo::Cluster:
        g.setPen(QColor(80, 40, 120));
        g.setBrush(QColor(170, 120, 220));
        g.drawRect(1, 1, 6, 6);
        g.drawRect(9, 1, 6, 6);
        g.drawRect(5, 9, 6, 6);
        break;
    }
    g.end();
    return QIcon(p);
}

} // namespace

QIcon dibujo(Dibujo d)
{
    // A 16x16 drawing costs microseconds; nothing is kept between calls.
    return dibujar(d);
}

void ponerDibujo(QTreeWidgetItem *item, Dibujo d)
{
    item->setIcon(0, dibujo(d));
    item->setData(0, kRolDibujo, static_cast<int>(d));
}

void seguirRamas(QTreeWidget *tree)
{
    auto paint = [](QTreeWidgetItem *item, bool open) {
        const auto d = static_cast<Dibujo>(item->data(0, kRolDibujo).toInt());
        if (d == Dibujo::Abierto || d == Dibujo::Cerrado)
            ponerDibujo(item, open ? Dibujo::Abierto : Dibujo::Cerrado);
    };
    QObject::connect(tree, &QTreeWidget::itemExpanded, tree, [paint](QTreeWidgetItem *i) { paint(i, true); });
    QObject::connect(tree, &QTreeWidget::itemCollapsed, tree, [paint](QTreeWidgetItem *i) { paint(i, false); });
}

QStringList textos(const QTreeWidgetItem *item)
{
    QStringList out;
    for (const QTreeWidgetItem *i = item; i; i = i->parent())
        out.prepend(i->text(0));
    return out;
}

// ---------------------------------------------------------------- path splitter

Divisor::Divisor(const QString &objectName, const std::u16string &separators)
    : m_name(objectName), m_fs(separators), m_host(std::make_unique<scx::Host>())
{
    if (m_host->create())
        m_host->setSeparators(m_fs);
}

Divisor::~Divisor() = default;

bool Divisor::hosted() const { return m_host && m_host->isCreated(); }

QStringList Divisor::campos(const QStringList &parts, const QString &joiner, int n)
{
    const QString path = parts.join(joiner);
    m_last = path;
    bool intact = hosted();
    for (const QString &p : parts)
        for (char16_t c : m_fs)
            if (p.contains(QChar(c)))
                intact = false;
    QStringList out;
    out << path;
    for (int i = 1; i <= n; ++i) {
        if (intact) {
            if (i == 1)
                m_host->setLine(path.toStdU16String());
            out << QString::fromStdU16String(m_host->field(i));
        } else {
            out << (i <= parts.size() ? parts[i - 1] : QString());
        }
    }
    return out;
}

} // namespace schema
