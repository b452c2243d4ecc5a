#include "memsesion.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "llenargrilla.h"
#include "prompts.h"
#include "sqlcvpg.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace monitor {

using namespace shell;

namespace {

const char *const kSesionesSql = "select sid, serial#, nvl(username,'Null') username from v$session order by username";
const char *const kSharedPoolInUseSql =
    "select sum(bytes) bytes from v$sgastat where pool = 'shared pool' and name <> 'free memory'";
const char *const kSharedPoolSizeSql = "select value from v$parameter where name = 'shared_pool_size'";
const char *const kTitulo = "Memoria por Sesiones";

std::string ugaSql(const std::string &sid, const std::string &serial)
{
    return std::string("select st.value from v$sesstat st, v$statname n, v$session s ") +
           "where n.statistic# = st.statistic# and n.name = 'session uga memory max' " +
           "and st.sid = s.sid and s.sid = " + sid + " and s.serial# = " + serial;
}

QLabel *figure(const char *name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(210);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

// One line of a figure group: caption, value, and what the value means.
void addRow(QGridLayout *lay, int row, const char *caption, QWidget *value, const char *meaning)
{
    auto *parent = lay->parentWidget();
    lay->addWidget(new QLabel(caption, parent), row, 0);
    lay->addWidget(value, row, 1);
    auto *hint = new QLabel(meaning, parent);
    hint->setStyleSheet("color: #555");
    hint->setWordWrap(true);
    lay->addWidget(hint, row, 2);
    value->setToolTip(meaning);
}

// A count the user typed: a whole number from 1 up, nothing else.
std::optional<long> usuarios(const QString &text)
{
    bool ok = false;
    const long n = text.trimmed().toLong(&ok);
    if (!ok || n < 1 || n > 1000000)
        return std::nullopt;
    return n;
}

} // namespace

Estimacion_Area Estimar_Area(double perUser, long users, double base)
{
    Estimacion_Area e;
    e.requisito = perUser * static_cast<double>(users);
    e.estimada = base + e.requisito;
    e.conLibre = e.estimada / 0.7;
    return e;
}

std::string Bytes_Texto(double bytes)
{
    return shell::Redondear(bytes, 0) + " bytes (" + shell::Redondear(bytes / 1048576.0, 2) + " MB)";
}

MemSesion::MemSesion(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("MEMSESION");
    setWindowTitle(kTitulo);
    buildForm();
    resize(sizeHint());
    Form_Load();
}

void MemSesion::buildForm()
{
    MMSesiones_Activas = new QListWidget(this);
    MMSesiones_Activas->setObjectName("MMSesiones_Activas");
    MMSesiones_Activas->setMinimumWidth(260);
    connect(MMSesiones_Activas, &QListWidget::currentRowChanged, this, [this](int row) { MMSesiones_Activas_Click(row); });

    auto *actual = new QGroupBox("Asignación del Tamaño del Area Compartida Actual", this);
    auto *al = new QGridLayout(actual);
    Numero_Sesiones = figure("Numero_Sesiones", actual);
    Tamano_Base_Area = figure("Tamano_Base_Area", actual);
    Tamano_Shared_Pool = figure("Tamano_Shared_Pool", actual);
    addRow(al, 0, "Número de Sesiones", Numero_Sesiones, "sesiones conectadas ahora (las de la lista)");
    addRow(al, 1, "Tamaño Base del Area Compartida", Tamano_Base_Area,
           "shared pool en uso ahora: v$sgastat 'shared pool' menos su 'free memory'");
    addRow(al, 2, "Share Pool Size", Tamano_Shared_Pool, "el shared_pool_size con que corre la instancia");
    al->setColumnStretch(2, 1);

    auto *estimada = new QGroupBox("Asignación del Tamaño del Area Compartida Estimada", this);
    auto *el = new QGridLayout(estimada);
    Sesion_Muestra = figure("Sesion_Muestra", estimada);
    Usuario_Oracle = figure("Usuario_Oracle", estimada);
    Numero_Usuarios = new QLineEdit(estimada);
    Numero_Usuarios->setObjectName("Numero_Usuarios");
    Memoria_Usuario = figure("Memoria_Usuario", estimada);
    Requisito_Memoria = figure("Requisito_Memoria", estimada);
    Tamano_Area_Estimada = figure("Tamano_Area_Estimada", estimada);
    Tamano_Area_Libre = figure("Tamano_Area_Libre", estimada);
    addRow(el, 0, "Sesion de Muestra", Sesion_Muestra, "elija en la lista una sesión típica de la aplicación");
    addRow(el, 1, "Usuario Oracle", Usuario_Oracle, "el usuario de la sesión de muestra");
    addRow(el, 2, "Numero de Usuarios", Numero_Usuarios, "cuántos usuarios como ése habrá a la vez");
    addRow(el, 3, "Memoria por Usuario", Memoria_Usuario,
           "la mayor UGA de la sesión de muestra (v$sesstat 'session uga memory max')");
    addRow(el, 4, "Requisito de Memoria por Usuario", Requisito_Memoria,
           "Memoria por Usuario × Numero de Usuarios");
    addRow(el, 5, "Tamaño Estimado del Area Compartida", Tamano_Area_Estimada,
           "Tamaño Base del Area Compartida + Requisito de Memoria por Usuario");
    addRow(el, 6, "Tamaño del Area con el 30% Libre", Tamano_Area_Libre,
           "el estimado / 0.7: el shared_pool_size que deja libre un 30% del area");
    el->setColumnStretch(2, 1);

    GArea_SPS = new QPushButton("&Calcular", this);
    GArea_SPS->setObjectName("GArea_SPS");
    Salir_Area_SPS = new QPushButton("&Exit", this);
    Salir_Area_SPS->setObjectName("Salir_Area_SPS");
    connect(GArea_SPS, &QPushButton::clicked, this, [this] { GArea_SPS_Click(); });
    connect(Salir_Area_SPS, &QPushButton::clicked, this, [this] { Salir_Area_SPS_Click(); });
    connect(Numero_Usuarios, &QLineEdit::returnPressed, this, [this] { GArea_SPS_Click(); });

    auto *right = new QVBoxLayout;
    right->addWidget(actual);
    right->addWidget(estimada);
    right->addStretch(1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(GArea_SPS);
    buttons->addStretch(1);
    buttons->addWidget(Salir_Area_SPS);
    right->addLayout(buttons);
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel("Sesiones", this));
    left->addWidget(MMSesiones_Activas, 1);
    auto *lay = new QHBoxLayout(this);
    lay->addLayout(left);
    lay->addLayout(right, 1);
}

void MemSesion::Form_Load()
{
    MMSesiones_Activas->clear();
    m_listado.clear();
    m_muestra = -1;
    clearEstimate();
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    access::OraDatabase *db = m_ctx.currentConnection();
    if (!db)
        return;
    std::unique_ptr<access::OraDynaset> ds;
    op.step([&] { ds = db->DbCreateDynaset(kSesionesSql, 4); });
    while (op.alive() && ds && !ds->IsEOF()) {
        op.step([&] {
            Listed s{Texto(ds->Fields("sid")), Texto(ds->Fields("serial#")), Texto(ds->Fields("username"))};
            MMSesiones_Activas->addItem(qs(s.username + " Sid:" + s.sid + " Serial#:" + s.serial));
            m_listado.push_back(std::move(s));
        });
        op.step([&] { ds->MoveNext(); });
    }
    if (ds)
        ds->Close();
    Numero_Sesiones->setText(QString::number(m_listado.size()));
    if (Numero_Usuarios->text().isEmpty() && !m_listado.empty())
        Numero_Usuarios->setText(QString::number(m_listado.size()));
}

void MemSesion::clearEstimate()
{
    for (QLabel *l : {Tamano_Base_Area, Tamano_Shared_Pool, Memoria_Usuario, Requisito_Memoria,
                      Tamano_Area_Estimada, Tamano_Area_Libre})
        l->clear();
}

void MemSesion::MMSesiones_Activas_Click(int row)
{
    if (row < 0 || row >= static_cast<int>(m_listado.size())) {
        m_muestra = -1;
        Sesion_Muestra->clear();
        Usuario_Oracle->clear();
        return;
    }
    m_muestra = row;
    const Listed &s = m_listado[static_cast<size_t>(row)];
    Sesion_Muestra->setText(qs("Sid:" + s.sid + " Serial#:" + s.serial));
    Usuario_Oracle->setText(qs(s.username));
}

void MemSesion::GArea_SPS_Click()
{
    clearEstimate();
    access::OraDatabase *db = m_ctx.currentConnection();
    if (!db)
        return;
    if (m_muestra < 0 || m_muestra >= static_cast<int>(m_listado.size())) {
        m_ctx.prompts.MsgBox("Elija en la lista la Sesion de Muestra.", vbOKOnly + vbExclamation, kTitulo);
        return;
    }
    const std::optional<long> users = usuarios(Numero_Usuarios->text());
    if (!users) {
        m_ctx.prompts.MsgBox("Numero de Usuarios debe ser un número entero entre 1 y 1000000.",
                             vbOKOnly + vbExclamation, kTitulo);
        Numero_Usuarios->setFocus();
        Numero_Usuarios->selectAll();
        return;
    }
    const Listed s = m_listado[static_cast<size_t>(m_muestra)];
    GuardedOperation op(m_ctx);
    std::optional<double> perUser, base, poolSize;
    // Reads the first field of a one-row query; no row or a null leaves it empty.
    auto one = [&](const std::string &sql, std::optional<double> &out) {
        op.step([&] {
            Cursor_Ocupado(m_ctx);
            auto ds = db->DbCreateDynaset(sql, 4);
            if (!ds->IsEOF() && !ds->FieldAt(0).isNull())
                out = ds->FieldAt(0).toDouble();
            ds->Close();
        });
    };
    one(ugaSql(s.sid, s.serial), perUser);
    one(kSharedPoolInUseSql, base);
    one(kSharedPoolSizeSql, poolSize);
    if (!op.alive())
        return;
    if (base)
        Tamano_Base_Area->setText(qs(Bytes_Texto(*base)));
    if (poolSize)
        Tamano_Shared_Pool->setText(qs(Bytes_Texto(*poolSize)));
    if (!perUser) {
        op.finish();
        m_ctx.prompts.MsgBox("La Sesion de Muestra Sid:" + s.sid + " Serial#:" + s.serial +
                                 " ya no está conectada: elija otra.",
                             vbOKOnly + vbExclamation, kTitulo);
        return;
    }
    Memoria_Usuario->setText(qs(Bytes_Texto(*perUser)));
    const Estimacion_Area e = Estimar_Area(*perUser, *users, base.value_or(0));
    Requisito_Memoria->setText(qs(Bytes_Texto(e.requisito)));
    if (!base)
        return;   // without the shared pool in use there is no estimate
    Tamano_Area_Estimada->setText(qs(Bytes_Texto(e.estimada)));
    Tamano_Area_Libre->setText(qs(Bytes_Texto(e.conLibre)));
}

void MemSesion::Salir_Area_SPS_Click()
{
    m_listado.clear();
    closeForm(this);
}

} // namespace monitor
