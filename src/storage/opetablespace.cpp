#include "opetablespace.h"

#include "appcontext.h"
#include "cdatafile.h"
#include "consulta.h"
#include "errores.h"
#include "formutil.h"
#include "nombrado.h"
#include "prompts.h"
#include "resultgrid.h"
#include "texto.h"

#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace storage {

using namespace shell;

namespace {

QString numero(double v) { return QString::number(v, 'g', 15); }

} // namespace

OpeTablespace::OpeTablespace(AppContext &ctx, Modo modo, const QStringList &fila, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_modo(modo)
{
    setObjectName("OPETABLESPACE");
    setModal(true);
    buildForm();
    setWindowTitle(QString(modo == Crear ? "Crear " : "Modificar ") + "Tablespace");
    if (modo == Crear) {
        LTB_Datafiles->grid()->setHeaders({"Datafile", "Tamaño", "Reuse"});
        Aceptar->setText("&Crear Tablespace");
        Anular_Cambios->setText("&Salir");
        TBQuotas->setEnabled(false);
        Online->setChecked(true);
    } else {
        LTB_Datafiles->grid()->setHeaders({"Datafile", "Tamaño (Mb)", "Estado"});
        cargar(fila);
    }
    for (auto *b : {Initial_B, Next_B})
        b->setChecked(true);
    for (auto &c : m_campos)
        c.cargado = c.edit->text();
    LTB_Datafiles->fitColumns();
    resize(900, 520);
}

void OpeTablespace::buildForm()
{
    auto edit = [this](const char *name) { return shell::nombrado<QLineEdit>(this, name); };
    auto check = [this](const char *name, const char *caption) {
        return shell::nombrado<QCheckBox>(this, name, caption);
    };
    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    Nombre = edit("Nombre");
    Nombre->installEventFilter(this);
    Online = new QRadioButton("Online", this);
    Online->setObjectName("Online");
    Offline = new QRadioButton("Offline", this);
    Offline->setObjectName("Offline");
    Backup = new QRadioButton("Backup", this);
    Backup->setObjectName("Backup");
    // The status options enter no statement: status changes go through the
    // tablespace window's switch, so they only show the status.
    for (auto *r : {Online, Offline, Backup})
        r->setEnabled(false);

    Initial = edit("Initial");
    MiNext = edit("MiNext");
    MinExtents = edit("MinExtents");
    MaxExtents = edit("MaxExtents");
    Pct_Increase = edit("Pct_Increase");
    Initial->installEventFilter(this);
    m_campos = {{Initial, {}}, {MiNext, {}}, {MinExtents, {}}, {MaxExtents, {}}, {Pct_Increase, {}}};
    Initial_B = check("Initial_B", "B");
    Initial_K = check("Initial_K", "K");
    Initial_M = check("Initial_M", "M");
    Next_B = check("Next_B", "B");
    Next_K = check("Next_K", "K");
    Next_M = check("Next_M", "M");
    unidades(Initial_B, Initial_K, Initial_M);
    unidades(Next_B, Next_K, Next_M);

    LTB_Datafiles = new ResultGrid("LTB_Datafiles", this);
    Average_Total = edit("Average_Total");
    Average_Libre = edit("Average_Libre");
    Average_Maxext = edit("Average_Maxext");
    Average_Minext = edit("Average_Minext");
    Average_Fragmentos = edit("Average_Fragmentos");
    m_averages = {Average_Total, Average_Libre, Average_Maxext, Average_Minext, Average_Fragmentos};
    for (auto *e : m_averages)
        e->setReadOnly(true);

    Aceptar = button("Aceptar", "Update");
    Anular_Cambios = button("Anular_Cambios", "Cancel");
    Sobre_Datafiles = button("Sobre_Datafiles", "Add Datafiles");
    TBQuotas = button("TBQuotas", "Quotes");
    Objetosr_En_Tablespace = button("Objetosr_En_Tablespace", "Objects");
    Reorganizar_Tablespaces = button("Reorganizar_Tablespaces", "Reorganize");
    connect(Aceptar, &QPushButton::clicked, this, [this] { Aceptar_Click(); });
    connect(Anular_Cambios, &QPushButton::clicked, this, [this] { Anular_Cambios_Click(); });
    connect(Sobre_Datafiles, &QPushButton::clicked, this, [this] { Sobre_Datafiles_Click(); });

    // Layout: name and status on top; storage and averages beside the datafiles.
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel("Name", this));
    top->addWidget(Nombre, 1);
    auto *status = new QGroupBox("Status", this);
    auto *sl = new QHBoxLayout(status);
    for (auto *r : {Online, Offline, Backup})
        sl->addWidget(r);
    top->addWidget(status);

    auto *storageBox = new QGroupBox("Storage", this);
    auto *grid = new QGridLayout(storageBox);
    grid->addWidget(new QLabel("Initial", this), 0, 0);
    grid->addWidget(Initial, 0, 1);
    grid->addWidget(Initial_B, 0, 2);
    grid->addWidget(Initial_K, 0, 3);
    grid->addWidget(Initial_M, 0, 4);
    grid->addWidget(new QLabel("Next", this), 1, 0);
    grid->addWidget(MiNext, 1, 1);
    grid->addWidget(Next_B, 1, 2);
    grid->addWidget(Next_K, 1, 3);
    grid->addWidget(Next_M, 1, 4);
    grid->addWidget(new QLabel("Min Extents", this), 2, 0);
    grid->addWidget(MinExtents, 2, 1);
    grid->addWidget(new QLabel("Max Extents", this), 3, 0);
    grid->addWidget(MaxExtents, 3, 1);
    grid->addWidget(new QLabel("% Increase", this), 4, 0);
    grid->addWidget(Pct_Increase, 4, 1);

    auto *averages = new QGroupBox("Averages", this);
    auto *af = new QFormLayout(averages);
    af->addRow("Total (Mb)", Average_Total);
    af->addRow("Free (Mb)", Average_Libre);
    af->addRow("MaxExt (Kb)", Average_Maxext);
    af->addRow("MinExt (Kb)", Average_Minext);
    af->addRow("Free Frag.", Average_Fragmentos);

    auto *files = new QGroupBox("Data Files", this);
    auto *fl = new QVBoxLayout(files);
    fl->addWidget(LTB_Datafiles);

    auto *left = new QVBoxLayout;
    left->addWidget(storageBox);
    left->addWidget(averages);
    auto *middle = new QHBoxLayout;
    middle->addLayout(left);
    middle->addWidget(files, 1);

    auto *buttons = new QHBoxLayout;
    for (auto *b : {Aceptar, Sobre_Datafiles, TBQuotas, Objetosr_En_Tablespace, Reorganizar_Tablespaces})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(Anular_Cambios);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addLayout(middle, 1);
    lay->addLayout(buttons);
}

// A unit group: in create mode checking one box clears the other two and one box
// stays checked; in modify mode the boxes stay as loaded (B).
void OpeTablespace::unidades(QCheckBox *b, QCheckBox *k, QCheckBox *m)
{
    const QList<QCheckBox *> group{b, k, m};
    for (QCheckBox *box : group) {
        connect(box, &QCheckBox::clicked, this, [this, box, group, b](bool checked) {
            if (m_modo == Modificar) {
                for (QCheckBox *o : group)
                    o->setChecked(o == b);
                return;
            }
            if (!checked) {
                box->setChecked(true);
                return;
            }
            for (QCheckBox *o : group)
                if (o != box)
                    o->setChecked(false);
        });
    }
}

bool OpeTablespace::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && m_modo == Modificar) {
        if (watched == Nombre)
            Nombre->setText(m_loadedName);
        else if (watched == Initial && Val(Initial->text()) <= 0)
            Initial->setText(m_campos[0].cargado);
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- loading (modify mode)

void OpeTablespace::cargar(const QStringList &fila)
{
    m_loadedName = fila.value(0);
    m_name = ss(m_loadedName);
    Nombre->setText(m_loadedName);
    Nombre->setReadOnly(true);
    const QString status = fila.value(6);
    Online->setChecked(status == "ONLINE");
    Offline->setChecked(status == "OFFLINE");
    Backup->setChecked(status == "BACKUP");
    Initial->setText(fila.value(1));
    MiNext->setText(fila.value(2));
    MinExtents->setText(fila.value(3));
    MaxExtents->setText(fila.value(4));
    Pct_Increase->setText(fila.value(5));
    cargarDatafiles();
    cargarEspacio();
}

void OpeTablespace::cargarDatafiles()
{
    double total = 0;
    GuardedOperation op(m_ctx);
    llenar(op, m_ctx, *LTB_Datafiles->grid(),
           "select a.file_name uno, a.bytes/1024/1024 dos, b.status tres from dba_data_files a, v$datafile b where "
           "a.file_name = b.name and a.tablespace_name = '" + literal(m_name) + "' order by a.file_name",
           {"uno", "dos", "tres"}, [&](const QStringList &row) { total = std::nearbyint(total + Val(row.value(1))); });
    Average_Total->setText(QString::number(static_cast<long long>(total)));
}

void OpeTablespace::cargarEspacio()
{
    GuardedOperation op(m_ctx);
    auto ds = abrir(op, m_ctx,
                    "select round(sum(bytes)/1024/1024) total_libre, round(max(bytes)/1024) maximo, "
                    "round(min(bytes)/1024) minimo, count(*) fragmentos from dba_free_space where tablespace_name ='" +
                        literal(m_name) + "'");
    if (ds && op.alive() && !ds->IsEOF()) {
        op.step([&] {
            auto figure = [&](const char *alias) { return qs(texto(ds->Fields(alias))); };
            const QString libre = figure("total_libre");
            Average_Libre->setText(libre.isEmpty() ? "0" : libre);
            Average_Maxext->setText(figure("maximo"));
            Average_Minext->setText(figure("minimo"));
            Average_Fragmentos->setText(figure("fragmentos"));
        });
        ds->Close();
    }
}

// ---------------------------------------------------------------- buttons

void OpeTablespace::Anular_Cambios_Click()
{
    reject();
}

void OpeTablespace::Sobre_Datafiles_Click()
{
    CDatafile dialog(m_ctx, *LTB_Datafiles->grid(), m_modo == Modificar, this);
    m_ctx.prompts.execDialog(dialog);
    LTB_Datafiles->fitColumns();
}

void OpeTablespace::Aceptar_Click()
{
    if (m_modo == Crear)
        crear();
    else
        modificar();
}

void OpeTablespace::aviso(const std::string &text, QLineEdit *field)
{
    m_ctx.prompts.MsgBox(text, vbOKOnly, "SQL*Vigil");
    if (field)
        field->setFocus();
}

// The check of one storage field and its clause, as both modes build it.
bool OpeTablespace::clausula(QLineEdit *field, std::string &sql)
{
    const double v = Val(field->text());
    if (field == Initial) {
        if (v <= 0)
            return aviso("Entre un valor de Initial mayor que cero", field), false;
        sql += "initial " + tamanoSql(field->text()) + " ";
    } else if (field == MiNext) {
        if (v <= 0)
            return aviso("Entre un valor de Next mayor que cero", field), false;
        sql += "next " + tamanoSql(field->text()) + " ";
    } else if (field == MinExtents) {
        if (v <= 0)
            return aviso("Entre un valor de MinExtents mayor que cero", field), false;
        sql += "minextents " + ss(numero(v)) + " ";
    } else if (field == MaxExtents) {
        if (Val(MinExtents->text()) > v)
            return aviso("Entre un valor de MaxExtents igual o mayor a MinExtents", field), false;
        sql += "maxextents " + ss(numero(v)) + " ";
    } else if (field == Pct_Increase) {
        if (v <= 0 || v > 100)
            return aviso("Entre un valor de PctIncrease mayor que 0 (n > 0) y menor o igual a 100 (n <= 100)", field),
                   false;
        sql += "pctincrease " + ss(numero(v)) + " ";
    }
    return true;
}

void OpeTablespace::crear()
{
    const QString name = nombreEscrito(Nombre->text());
    if (name.isEmpty())
        return aviso("Falta nombre del tablespace", Nombre);
    if (!nombreValido(name))
        return aviso("El nombre del tablespace no es un nombre válido de Oracle", Nombre);
    std::string sql = "create tablespace " + nombreOracle(name) + " ";
    ResultGridModel &files = *LTB_Datafiles->grid();
    if (files.rows() < 2 || files.text(1, 1).isEmpty())
        return aviso("Debe ingresar al menos un DataFile", nullptr);
    sql += "datafile ";
    for (int r = 1; r <= files.dataRows(); ++r) {
        if (r > 1)
            sql += ", ";
        sql += "'" + literal(files.text(r, 1)) + "' " + "size " + ss(files.text(r, 2)) + " ";
        if (files.text(r, 3) == "X")
            sql += "reuse ";
    }
    sql += "default storage ( ";
    for (const Campo &c : m_campos)
        if (!clausula(c.edit, sql))
            return;
    sql += ")";
    const int answer = m_ctx.prompts.MsgBox("Desea usted crear el tablespace : " + ss(name),
                                            vbYesNo + vbCritical + vbDefaultButton2, "Cuidado!");
    if (answer == vbYes) {
        GuardedOperation op(m_ctx);
        if (ejecutar(op, m_ctx, sql)) {
            op.finish();
            m_ctx.prompts.MsgBox("Tablespace " + ss(name) + " creada!", vbOKOnly, "SQL*Vigil");
        }
    }
    accept();
}

void OpeTablespace::modificar()
{
    ResultGridModel &files = *LTB_Datafiles->grid();
    std::string datafiles;
    for (int r = 1; r <= files.dataRows(); ++r) {
        const QString marker = files.text(r, 3);
        if (marker != "N" && marker != "X")
            continue;
        if (!datafiles.empty())
            datafiles += ", ";
        datafiles += "'" + literal(files.text(r, 1)) + "'" + " size " + ss(files.text(r, 2));
        if (marker == "X")
            datafiles += " reuse";
    }
    std::string storageSql = "default storage ( ";
    bool changed = false;
    for (const Campo &c : m_campos) {
        if (c.edit->text() == c.cargado)
            continue;
        if (!clausula(c.edit, storageSql))
            return;
        changed = true;
    }
    storageSql += ")";
    if (datafiles.empty() && !changed) {
        accept();
        return;
    }
    const std::string name = nombreOracle(m_name);
    const std::string addSql = "alter tablespace " + name + " add datafile " + datafiles;
    const std::string alterSql = "alter tablespace " + name + " " + storageSql;
    const bool yes = m_ctx.prompts.MsgBox("Desea usted modificar el tablespace : " + m_name,
                                          vbYesNo + vbCritical + vbDefaultButton2, "Cuidado!") == vbYes;
    // Every statement is shown before it runs, also when the answer was No.
    GuardedOperation op(m_ctx);
    bool ok = true, ran = false;
    if (!datafiles.empty()) {
        m_ctx.prompts.MsgBox(addSql, vbOKOnly, "Sentencia SQL Datafiles");
        if (yes && m_ctx.currentConnection()) {
            ok = ejecutar(op, m_ctx, addSql) && ok;
            ran = true;
        }
    }
    if (changed) {
        m_ctx.prompts.MsgBox(alterSql, vbOKOnly, "Sentencia SQL Storage");
        if (yes && m_ctx.currentConnection() && op.alive()) {
            ok = ejecutar(op, m_ctx, alterSql) && ok;
            ran = true;
        }
    }
    op.finish();
    // Success only when every statement sent was accepted by the server.
    if (yes && ran && ok)
        m_ctx.prompts.MsgBox("Tablespace " + m_name + " alterada!", vbOKOnly, "SQL*Vigil");
    accept();
}

} // namespace storage
