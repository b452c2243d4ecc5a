#include "operollback.h"

#include "appcontext.h"
#include "consulta.h"
#include "errores.h"
#include "formutil.h"
#include "nombrado.h"
#include "prompts.h"
#include "texto.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace storage {

using namespace shell;

namespace {

QString numero(double v) { return QString::number(v, 'g', 15); }

} // namespace

int OpeRollback::Campo::unidadActual() const
{
    for (int k = 0; k < unidades.size(); ++k)
        if (unidades[k]->isChecked())
            return k;
    return -1;
}

bool OpeRollback::Campo::cambiado() const
{
    return edit->text() != texto || (!unidades.isEmpty() && unidadActual() != unidad);
}

OpeRollback::OpeRollback(AppContext &ctx, Modo modo, const QStringList &fila, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_modo(modo)
{
    setObjectName("OPEROLLBACK");
    setModal(true);
    buildForm();
    setWindowTitle(QString(modo == Crear ? "Crear " : "Modificar ") + "Rollback Segment");
    cargarTablespaces();
    Initial_B->setChecked(true);
    Next_B->setChecked(true);
    Optimal_Null->setChecked(true);
    if (modo == Crear) {
        // A new segment is created offline; the status options stay as they are.
        Offline->setChecked(true);
        Online->setEnabled(false);
        Offline->setEnabled(false);
    } else {
        cargar(fila);
    }
    for (Campo &c : m_campos) {
        c.texto = c.edit->text();
        c.unidad = c.unidadActual();
    }
    resize(560, 330);
}

void OpeRollback::buildForm()
{
    auto edit = [this](const char *name) { return shell::nombrado<QLineEdit>(this, name); };
    auto check = [this](const char *name, const char *caption) {
        return shell::nombrado<QCheckBox>(this, name, caption);
    };
    Nombre = edit("Nombre");
    Tablespaces = new QComboBox(this);
    Tablespaces->setObjectName("Tablespaces");
    Online = new QRadioButton("Online", this);
    Online->setObjectName("Online");
    Offline = new QRadioButton("Offline", this);
    Offline->setObjectName("Offline");
    Es_Publico = check("Es_Publico", "Public");
    Initial = edit("Initial");
    MiNext = edit("MiNext");
    MinExtents = edit("MinExtents");
    MaxExtents = edit("MaxExtents");
    Optimal = edit("Optimal");
    Initial_B = check("Initial_B", "B");
    Initial_K = check("Initial_K", "K");
    Initial_M = check("Initial_M", "M");
    Next_B = check("Next_B", "B");
    Next_K = check("Next_K", "K");
    Next_M = check("Next_M", "M");
    Optimal_B = check("Optimal_B", "B");
    Optimal_K = check("Optimal_K", "K");
    Optimal_M = check("Optimal_M", "M");
    Optimal_Null = check("Optimal_Null", "Null");
    grupo({Initial_B, Initial_K, Initial_M});
    grupo({Next_B, Next_K, Next_M});
    grupo({Optimal_B, Optimal_K, Optimal_M, Optimal_Null});
    m_campos = {{Initial, {Initial_B, Initial_K, Initial_M}},
                {MiNext, {Next_B, Next_K, Next_M}},
                {MinExtents, {}},
                {MaxExtents, {}},
                {Optimal, {Optimal_B, Optimal_K, Optimal_M, Optimal_Null}}};
    Aceptar = new QPushButton("&Ok", this);
    Aceptar->setObjectName("Aceptar");
    Cancelar = new QPushButton("&Cancel", this);
    Cancelar->setObjectName("Cancelar");
    connect(Aceptar, &QPushButton::clicked, this, [this] { Aceptar_Click(); });
    connect(Cancelar, &QPushButton::clicked, this, [this] { Cancelar_Click(); });

    auto *head = new QGridLayout;
    head->addWidget(new QLabel("Name", this), 0, 0);
    head->addWidget(Nombre, 0, 1);
    head->addWidget(new QLabel("Tablespace", this), 1, 0);
    head->addWidget(Tablespaces, 1, 1);
    auto *status = new QGroupBox("Status", this);
    auto *sl = new QHBoxLayout(status);
    sl->addWidget(Online);
    sl->addWidget(Offline);
    auto *type = new QGroupBox("Type", this);
    auto *tl = new QHBoxLayout(type);
    tl->addWidget(Es_Publico);
    head->addWidget(status, 0, 2);
    head->addWidget(type, 1, 2);

    auto *storageBox = new QGroupBox("Storage", this);
    auto *g = new QGridLayout(storageBox);
    auto row = [&](int r, const char *label, QLineEdit *e, const QList<QCheckBox *> &units) {
        g->addWidget(new QLabel(label, this), r, 0);
        g->addWidget(e, r, 1);
        for (int k = 0; k < units.size(); ++k)
            g->addWidget(units[k], r, 2 + k);
    };
    row(0, "Initial", Initial, {Initial_B, Initial_K, Initial_M});
    row(1, "Next", MiNext, {Next_B, Next_K, Next_M});
    row(2, "Min Extents", MinExtents, {});
    row(3, "Max Extents", MaxExtents, {});
    row(4, "Optimal", Optimal, {Optimal_B, Optimal_K, Optimal_M, Optimal_Null});

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Aceptar);
    buttons->addWidget(Cancelar);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(head);
    lay->addWidget(storageBox);
    lay->addLayout(buttons);
}

// A unit group: checking one box clears the others, and one box always stays
// checked (a value never runs into the next keyword without its unit).
void OpeRollback::grupo(const QList<QCheckBox *> &boxes)
{
    for (QCheckBox *box : boxes) {
        connect(box, &QCheckBox::clicked, this, [box, boxes](bool checked) {
            if (!checked) {
                box->setChecked(true);
                return;
            }
            for (QCheckBox *o : boxes)
                if (o != box)
                    o->setChecked(false);
        });
    }
}

void OpeRollback::cargarTablespaces()
{
    GuardedOperation op(m_ctx);
    auto ds = abrir(op, m_ctx, "select tablespace_name from dba_tablespaces order by tablespace_name");
    while (ds && op.alive() && !ds->IsEOF()) {
        op.step([&] { Tablespaces->addItem(qs(texto(ds->Fields("tablespace_name")))); });
        op.step([&] { ds->MoveNext(); });
    }
    Tablespaces->setCurrentIndex(-1);
}

void OpeRollback::cargar(const QStringList &fila)
{
    m_name = ss(fila.value(0));
    Nombre->setText(fila.value(0));
    Tablespaces->setCurrentIndex(Tablespaces->findText(fila.value(1)));
    Es_Publico->setChecked(fila.value(10) == "PUBLIC");
    // Name, tablespace and type belong to the segment: they cannot change here.
    Nombre->setReadOnly(true);
    Tablespaces->setEnabled(false);
    Es_Publico->setEnabled(false);
    m_online = fila.value(9) == "ONLINE";
    Online->setChecked(m_online);
    Offline->setChecked(fila.value(9) == "OFFLINE");
    Initial->setText(fila.value(2));
    MiNext->setText(fila.value(3));
    MinExtents->setText(fila.value(4));
    MaxExtents->setText(fila.value(5));
    const QString optimal = fila.value(13);
    Optimal->setText(optimal);
    if (Val(optimal) != 0) {
        Optimal_B->setChecked(true);
        Optimal_Null->setChecked(false);
    }
}

void OpeRollback::aviso(const std::string &text, QWidget *field)
{
    m_ctx.prompts.MsgBox(text, vbOKOnly + vbExclamation, " ");
    if (field)
        field->setFocus();
}

// The check and the clause of one storage field, as create and modify build them.
bool OpeRollback::clausula(const Campo &c, std::string &sql)
{
    const double v = Val(c.edit->text());
    const int unit = c.unidadActual();
    static const char *const kSize[3] = {" ", "K ", "M "};
    static const char *const kOptimal[3] = {"", "K", "M"};
    if (c.edit == Initial || c.edit == MiNext) {
        if (v <= 0) {
            aviso(c.edit == Initial ? "Debe entrar valor para Initial Extent" : "Debe entrar valor para Next Extent",
                  c.edit);
            return false;
        }
        sql += std::string(c.edit == Initial ? "initial " : "next ") + ss(numero(v)) + (unit >= 0 ? kSize[unit] : " ");
    } else if (c.edit == MinExtents || c.edit == MaxExtents) {
        if (v <= 0) {
            aviso(c.edit == MinExtents ? "Debe entrar valor para Min Extents" : "Debe entrar valor para Max Extents",
                  c.edit);
            return false;
        }
        sql += std::string(c.edit == MinExtents ? "minextents " : "maxextents ") + ss(numero(v)) + " ";
    } else {
        if (v < 0) {
            aviso("Debe entrar valor para Optimal", c.edit);
            return false;
        }
        if (Optimal_Null->isChecked()) {
            sql += "optimal null ";
        } else if (v <= 0) {
            aviso("Debe entrar un valor mayor que cero para Optimal", c.edit);
            return false;
        } else {
            sql += "optimal " + ss(numero(v)) + (unit >= 0 && unit < 3 ? kOptimal[unit] : "") + " ";
        }
    }
    return true;
}

void OpeRollback::Cancelar_Click()
{
    reject();
}

void OpeRollback::Aceptar_Click()
{
    if (m_modo == Crear)
        crear();
    else
        modificar();
}

void OpeRollback::crear()
{
    std::string sql = Es_Publico->isChecked() ? "create public rollback segment " : "create rollback segment ";
    const QString name = nombreEscrito(Nombre->text());
    if (name.isEmpty())
        return aviso("Debe entrar nombre del nuevo Rollback Segment", Nombre);
    if (!nombreValido(name))
        return aviso("El nombre del Rollback Segment no es un nombre válido de Oracle", Nombre);
    sql += nombreOracle(name) + " ";
    const QString ts = Tablespaces->currentText();
    if (ts.isEmpty())
        return aviso("Debe entrar nombre del Tablespace", Tablespaces);
    sql += "tablespace " + nombreOracle(ts) + " ";
    sql += "storage( ";
    for (const Campo &c : m_campos)
        if (!clausula(c, sql))
            return;
    sql += ")";
    GuardedOperation op(m_ctx);
    if (ejecutar(op, m_ctx, sql)) {
        op.finish();
        m_ctx.prompts.MsgBox("Exito en la creación del RollBack Segment " + ss(name), vbOKOnly, "SQL*Vigil");
    }
    op.finish();
    accept();
}

void OpeRollback::modificar()
{
    const std::string name = nombreOracle(m_name);
    const bool statusChanged = Online->isChecked() != m_online;
    const std::string statusSql = "alter rollback segment " + name + " " + (Online->isChecked() ? "ONLINE" : "OFFLINE");
    std::string storageSql = "alter rollback segment " + name + " storage ( ";
    bool storageChanged = false;
    for (const Campo &c : m_campos) {
        if (!c.cambiado())
            continue;
        if (!clausula(c, storageSql))
            return;
        storageChanged = true;
    }
    storageSql += ")";
    if (statusChanged) {
        GuardedOperation op(m_ctx);
        if (ejecutar(op, m_ctx, statusSql)) {
            op.finish();
            m_ctx.prompts.MsgBox("Exito en el cambio de Estado del RollBack Segment " + m_name, vbOKOnly, "SQL*Vigil");
        }
    }
    if (storageChanged) {
        GuardedOperation op(m_ctx);
        if (ejecutar(op, m_ctx, storageSql)) {
            op.finish();
            m_ctx.prompts.MsgBox("Exito en la modificación del Almacenamiento del RollBack Segment " + m_name, vbOKOnly,
                                 "SQL*Vigil");
        }
    }
    accept();
}

} // namespace storage
