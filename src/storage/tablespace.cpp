#include "tablespace.h"

#include "tendencias.h"

#include "appcontext.h"
#include "consulta.h"
#include "errores.h"
#include "formutil.h"
#include "offline_tablespace.h"
#include "opetablespace.h"
#include "prompts.h"
#include "resultgrid.h"
#include "texto.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

namespace storage {

using namespace shell;

namespace {

const char *const kTablespacesSql =
    "select tablespace_name, initial_extent, next_extent, min_extents, nvl(max_extents,0) max_extents, "
    "pct_increase, status from dba_tablespaces order by tablespace_name";

enum Origen { DesdeLista = 1, DesdeGrilla = 2 };

QLineEdit *readOnlyField(QWidget *parent, const char *name)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    e->setAlignment(Qt::AlignRight);
    return e;
}

} // namespace

Reparto Repartir(double libreMb, long long totalMb)
{
    Reparto r;
    if (totalMb == 0)
        return r;
    r.vacio = false;
    r.libre = std::llround(libreMb * 100.0 / static_cast<double>(totalMb));
    r.usado = 100 - r.libre;
    return r;
}

// ---------------------------------------------------------------- form

Tablespace::Tablespace(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("TABLESPACE");
    setWindowTitle("Tablespace");
    buildForm();
    m_modeWord.clear();
    resize(sizeHint());
}

Tablespace::~Tablespace() = default;

void Tablespace::buildForm()
{
    LTablespaces = new ResultGrid("LTablespaces", this);
    LTablespaces->grid()->setHeaders(
        {"Tablespace", "Initial Extent", "Next Extent", "Min", "Max", "Pct Increase", "Estado"});
    connect(LTablespaces, &ResultGrid::rowClicked, this, [this](int) { LTablespaces_Click(); });
    connect(LTablespaces, &ResultGrid::rowDoubleClicked, this, [this](int) { LTablespaces_DblClick(); });

    Lista_Tablespaces = new QListWidget(this);
    Lista_Tablespaces->setObjectName("Lista_Tablespaces");
    Lista_Tablespaces->hide();
    connect(Lista_Tablespaces, &QListWidget::itemDoubleClicked, this, [this] { Lista_Tablespaces_DblClick(); });

    LTablespace_Datafile = new ResultGrid("LTablespace_Datafile", this);
    LTablespace_Datafile->grid()->setHeaders(
        {"Nombre Datafile", "Identificador", "Tamaño (Mb)", "Tamaño (Bloques)", "Estado"});
    LObjetos_Tablespace = new ResultGrid("LObjetos_Tablespace", this);
    LObjetos_Tablespace->grid()->setHeaders({"Dueño", "Segmento", "Tipo", "Tamaño", "Extents", "Next Extents"});
    LQuotas = new ResultGrid("LQuotas", this);
    LQuotas->grid()->setHeaders({"Username", "Bytes", "Max Bytes", "Blocks", "Max Blocks"});

    Carpeta_Tablespaces = new QTabWidget(this);
    Carpeta_Tablespaces->setObjectName("Carpeta_Tablespaces");
    Carpeta_Tablespaces->addTab(LTablespaces, "Tablespace");
    Carpeta_Tablespaces->addTab(estadoPage(), "Estado");
    Carpeta_Tablespaces->addTab(storagePage(), "Storage");
    Carpeta_Tablespaces->addTab(LTablespace_Datafile, "Datafiles");
    Carpeta_Tablespaces->addTab(LObjetos_Tablespace, "Objetos");
    Carpeta_Tablespaces->addTab(LQuotas, "Quotas");
    auto *tendencias = new QWidget;
    tendencias->setObjectName("Pagina_Tendencias");
    Carpeta_Tablespaces->addTab(tendencias, "Tendencias");

    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    GTablespaces = button("GTablespaces", "&Obtener Tablespaces");
    Estado_Tablespace = button("Estado_Tablespace", "&Estado");
    Borrar_Tablespace = button("Borrar_Tablespace", "&Borrar");
    Crear_Tablespace = button("Crear_Tablespace", "&Crear");
    Modificar_Tablespace = button("Modificar_Tablespace", "&Modificar");
    Tendencias_TS = button("Tendencias_TS", "&Tendencias");
    STablespaces = button("STablespaces", "&Salir");
    connect(GTablespaces, &QPushButton::clicked, this, [this] { GTablespaces_Click(); });
    connect(Estado_Tablespace, &QPushButton::clicked, this, [this] { Estado_Tablespace_Click(); });
    connect(Borrar_Tablespace, &QPushButton::clicked, this, [this] { Borrar_Tablespace_Click(); });
    connect(Crear_Tablespace, &QPushButton::clicked, this, [this] { Crear_Tablespace_Click(); });
    connect(Modificar_Tablespace, &QPushButton::clicked, this, [this] { Modificar_Tablespace_Click(); });
    connect(Tendencias_TS, &QPushButton::clicked, this, [this] { Tendencias_TS_Click(); });
    connect(STablespaces, &QPushButton::clicked, this, [this] { STablespaces_Click(); });

    auto *buttons = new QHBoxLayout;
    for (auto *b : {GTablespaces, Estado_Tablespace, Borrar_Tablespace, Crear_Tablespace, Modificar_Tablespace,
                    Tendencias_TS})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(STablespaces);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(Carpeta_Tablespaces, 1);
    lay->addWidget(Lista_Tablespaces);
    lay->addLayout(buttons);
}

QWidget *Tablespace::estadoPage()
{
    auto *page = new QWidget;
    auto *info = new QGroupBox("Información General del Tablespace", page);
    auto *form = new QFormLayout(info);
    Average_Total = readOnlyField(info, "Average_Total");
    Average_Libre = readOnlyField(info, "Average_Libre");
    Average_Maxext = readOnlyField(info, "Average_Maxext");
    Average_ProExt = readOnlyField(info, "Average_ProExt");
    Average_Minext = readOnlyField(info, "Average_Minext");
    Average_Fragmentos = readOnlyField(info, "Average_Fragmentos");
    form->addRow("Tamaño (Mb)", Average_Total);
    form->addRow("Esp. Libre (Mb)", Average_Libre);
    form->addRow("Extent Max. (Kb)", Average_Maxext);
    form->addRow("Extent Pro. (Kb)", Average_ProExt);
    form->addRow("Extents Min. (Kb)", Average_Minext);
    form->addRow("Fragmentos Libres", Average_Fragmentos);

    auto *estado = new QGroupBox("Estado del TS", page);
    auto *el = new QVBoxLayout(estado);
    Distribucion_Espacial = new QChartView(estado);
    Distribucion_Espacial->setObjectName("Distribucion_Espacial");
    Distribucion_Espacial->setRenderHint(QPainter::Antialiasing);
    Distribucion_Espacial->setMinimumSize(360, 260);
    el->addWidget(Distribucion_Espacial);
    dibujar(Reparto{});

    auto *lay = new QHBoxLayout(page);
    lay->addWidget(info);
    lay->addWidget(estado, 1);
    return page;
}

QWidget *Tablespace::storagePage()
{
    auto *page = new QWidget;
    auto edit = [page](const char *name) {
        auto *e = new QLineEdit(page);
        e->setObjectName(name);
        return e;
    };
    Edicion_Nombre = edit("Edicion_Nombre");
    Edicion_Initial_Extent = edit("Edicion_Initial_Extent");
    Edicion_Next_Extent = edit("Edicion_Next_Extent");
    Edicion_Min_Extents = edit("Edicion_Min_Extents");
    Edicion_Max_Extents = edit("Edicion_Max_Extents");
    Edicion_Pct_Increase = edit("Edicion_Pct_Increase");
    Edicion_Estado = edit("Edicion_Estado");
    Edicion_Initial_Extent->installEventFilter(this);
    auto *form = new QFormLayout;
    form->addRow("Nombre del Tablespace", Edicion_Nombre);
    form->addRow("Initial Extent", Edicion_Initial_Extent);
    form->addRow("Next Extent", Edicion_Next_Extent);
    form->addRow("Min Extents", Edicion_Min_Extents);
    form->addRow("Max Extents", Edicion_Max_Extents);
    form->addRow("Pct Increase", Edicion_Pct_Increase);
    form->addRow("Estado", Edicion_Estado);
    auto *checks = new QGridLayout;
    const char *captions[6] = {"Online", "Offline", "Read Only", "Permanent", "Temporary", "Logging"};
    for (int k = 0; k < 6; ++k) {
        auto *c = new QCheckBox(captions[k], page);
        c->setObjectName(QString("Check_Storage%1").arg(k + 1));
        checks->addWidget(c, k / 2, k % 2);
    }
    auto *lay = new QHBoxLayout(page);
    lay->addLayout(form, 2);
    lay->addLayout(checks, 1);
    return page;
}

bool Tablespace::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Edicion_Initial_Extent && event->type() == QEvent::FocusOut)
        Edicion_Initial_Extent_LostFocus();
    return QWidget::eventFilter(watched, event);
}

void Tablespace::Edicion_Initial_Extent_LostFocus()
{
    Edicion_Initial_Extent->setText(QString::number(Val(Edicion_Initial_Extent->text()), 'g', 15));
}

// ---------------------------------------------------------------- chart

void Tablespace::dibujar(const Reparto &r)
{
    auto *chart = new QChart;
    chart->setTitle("Space Distribution");
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto *series = new QPieSeries(chart);
    if (!r.vacio) {
        QPieSlice *libre = series->append(r.etiquetaLibre(), static_cast<qreal>(r.libre));
        QPieSlice *usado = series->append(r.etiquetaUsado(), static_cast<qreal>(r.usado));
        libre->setColor(QColor(0x3c, 0xa0, 0x5a));
        usado->setColor(QColor(0xc8, 0x46, 0x3c));
        for (QPieSlice *s : {libre, usado})
            s->setLabelVisible(true);
    }
    chart->addSeries(series);
    QChart *old = Distribucion_Espacial->chart();
    Distribucion_Espacial->setChart(chart);
    delete old;
}

static QPieSeries *pieOf(QChartView *view)
{
    return view->chart() && !view->chart()->series().isEmpty()
               ? qobject_cast<QPieSeries *>(view->chart()->series().first())
               : nullptr;
}

QStringList Tablespace::chartLabels() const
{
    QStringList out;
    if (QPieSeries *s = pieOf(Distribucion_Espacial))
        for (QPieSlice *slice : s->slices())
            out << slice->label();
    return out;
}

QList<qreal> Tablespace::chartValues() const
{
    QList<qreal> out;
    if (QPieSeries *s = pieOf(Distribucion_Espacial))
        for (QPieSlice *slice : s->slices())
            out << slice->value();
    return out;
}

// ---------------------------------------------------------------- listing

void Tablespace::GTablespaces_Click()
{
    LTablespaces->grid()->reset();
    Lista_Tablespaces->clear();
    GuardedOperation op(m_ctx);
    llenar(op, m_ctx, *LTablespaces->grid(), kTablespacesSql,
           {"tablespace_name", "initial_extent", "next_extent", "min_extents", "max_extents", "pct_increase", "status"},
           [this](const QStringList &row) { Lista_Tablespaces->addItem(row.value(0)); });
    LTablespaces->fitColumns();
}

void Tablespace::LTablespaces_Click()
{
    const int row = LTablespaces->grid()->currentRow();
    if (row >= 1 && row - 1 < Lista_Tablespaces->count())
        Lista_Tablespaces->setCurrentRow(row - 1);
}

void Tablespace::LTablespaces_DblClick()
{
    seleccionar(DesdeGrilla);
}

void Tablespace::Lista_Tablespaces_DblClick()
{
    seleccionar(DesdeLista);
}

std::string Tablespace::nombreSeleccionado(int origen) const
{
    if (origen == DesdeGrilla)
        return ss(LTablespaces->grid()->text(LTablespaces->grid()->currentRow(), 1));
    QListWidgetItem *item = Lista_Tablespaces->currentItem();
    return item ? ss(item->text()) : std::string();
}

void Tablespace::seleccionar(int origen)
{
    const std::string name = nombreSeleccionado(origen);
    // The blank row of an empty listing names no tablespace.
    if (name.empty())
        return;
    quotas(name);
    segmentos(name);
    datafiles(name);
    espacioLibre(name);
}

void Tablespace::quotas(const std::string &name)
{
    LQuotas->grid()->reset();
    GuardedOperation op(m_ctx);
    llenar(op, m_ctx, *LQuotas->grid(),
           "select username, bytes, max_bytes, blocks, max_blocks from dba_ts_quotas where tablespace_name = '" +
               literal(name) + "' order by username",
           {"username", "bytes", "max_bytes", "blocks", "max_blocks"});
    LQuotas->fitColumns();
}

void Tablespace::segmentos(const std::string &name)
{
    LObjetos_Tablespace->grid()->reset();
    GuardedOperation op(m_ctx);
    llenar(op, m_ctx, *LObjetos_Tablespace->grid(),
           "select owner, segment_name, segment_type, bytes, extents, next_extent from dba_segments where "
           "tablespace_name = '" + literal(name) + "' order by owner, segment_name",
           {"owner", "segment_name", "segment_type", "bytes", "extents", "next_extent"});
    LObjetos_Tablespace->fitColumns();
}

void Tablespace::datafiles(const std::string &name)
{
    LTablespace_Datafile->grid()->reset();
    // The total is a 64-bit count of MB: terabyte tablespaces are ordinary.
    m_total = 0;
    double total = 0;
    GuardedOperation op(m_ctx);
    llenar(op, m_ctx, *LTablespace_Datafile->grid(),
           "select a.file_name nombre, a.file_id identificador, a.bytes/1024/1024 tamano, a.blocks bloques, b.status "
           "estado from dba_data_files a, v$datafile b where a.file_name = b.name and a.tablespace_name = '" +
               literal(name) + "' order by a.file_name",
           {"nombre", "identificador", "tamano", "bloques", "estado"},
           [&](const QStringList &row) {
               // Rounded half to even after each addition.
               total = std::nearbyint(total + Val(row.value(2)));
               m_total = static_cast<long long>(total);
           });
    LTablespace_Datafile->fitColumns();
}

void Tablespace::espacioLibre(const std::string &name)
{
    GuardedOperation op(m_ctx);
    auto ds = abrir(op, m_ctx,
                    "select round(sum(bytes)/1024/1024) total_libre, round(max(bytes)/1024) maximo, "
                    "round(avg(bytes)/1024) average, round(min(bytes)/1024) minimo, count(*) fragmentos from "
                    "dba_free_space where tablespace_name ='" + literal(name) + "'");
    if (!ds || !op.alive() || ds->IsEOF())
        return;
    op.step([&] {
        // A tablespace without free extents gives a row of nulls: it shows no free
        // space (not the figures of the tablespace shown before).
        auto figure = [&](const char *alias) { return QString::fromStdString(texto(ds->Fields(alias))); };
        const QString libre = figure("total_libre");
        Average_Total->setText(QString::number(m_total));
        Average_Libre->setText(libre.isEmpty() ? "0" : libre);
        Average_Maxext->setText(figure("maximo"));
        Average_ProExt->setText(figure("average"));
        Average_Minext->setText(figure("minimo"));
        Average_Fragmentos->setText(figure("fragmentos"));
        dibujar(Repartir(Val(Average_Libre->text()), m_total));
    });
    ds->Close();
}

// ---------------------------------------------------------------- switch, drop

QStringList Tablespace::filaActual() const
{
    QStringList row;
    const int r = LTablespaces->grid()->currentRow();
    for (int c = 1; c <= 7; ++c)
        row << LTablespaces->grid()->text(r, c);
    return row;
}

void Tablespace::Estado_Tablespace_Click()
{
    const QStringList row = filaActual();
    const std::string name = ss(row[0]), status = ss(row[6]);
    if (name.empty())
        return;
    std::string question, word;
    if (status == "ONLINE") {
        question = "Desea usted pasar a OFFLINE el tablespace  : " + name + "?";
        m_modeWord.clear();
        OfflineTablespace dialog(m_modeWord, this);
        m_ctx.prompts.execDialog(dialog);
        // "Cancelar", or the dialog closed without a choice, ends the switch.
        if (m_modeWord.empty() || m_modeWord == "CANCELAR")
            return;
        word = "OFFLINE " + m_modeWord;
    } else if (status == "OFFLINE") {
        question = "Desea usted pasar a ONLINE el tablespace  : " + name + "?";
        word = "ONLINE";
    } else {
        return;
    }
    if (m_ctx.prompts.MsgBox(question, vbYesNo + vbCritical + vbDefaultButton2, "Cuidado!") != vbYes)
        return;
    GuardedOperation op(m_ctx);
    if (ejecutar(op, m_ctx, "alter tablespace " + nombreOracle(name) + " " + word)) {
        op.finish();
        m_ctx.prompts.MsgBox("Exito en el cambio de estado del tablespace", vbOKOnly, "SQL*Vigil");
    }
}

void Tablespace::Borrar_Tablespace_Click()
{
    const QStringList row = filaActual();
    const std::string name = ss(row[0]);
    if (name.empty())
        return;
    if (row[6] == "ONLINE") {
        m_ctx.prompts.MsgBox("Debe usted colocar el Tablespace", vbOKOnly, "SQL*Vigil");
        return;
    }
    if (m_ctx.prompts.MsgBox("Desea usted borrar el Tablespace  : " + name + "?", vbYesNo + vbCritical + vbDefaultButton2,
                             "Cuidado!") != vbYes)
        return;
    GuardedOperation op(m_ctx);
    if (ejecutar(op, m_ctx, "drop tablespace " + nombreOracle(name))) {
        op.finish();
        m_ctx.prompts.MsgBox("Tablespace borrado", vbOKOnly, "SQL*Vigil");
    }
}

// ---------------------------------------------------------------- maintenance, trends, exit

void Tablespace::Crear_Tablespace_Click()
{
    OpeTablespace dialog(m_ctx, OpeTablespace::Crear, {}, this);
    m_ctx.prompts.execDialog(dialog);
}

void Tablespace::Modificar_Tablespace_Click()
{
    const QStringList row = filaActual();
    if (row[0].isEmpty())
        return;
    OpeTablespace dialog(m_ctx, OpeTablespace::Modificar, row, this);
    m_ctx.prompts.execDialog(dialog);
}

// Takes a space sample for the trend and alert reports (no completion message).
void Tablespace::Tendencias_TS_Click()
{
    Tomar_Muestra_Espacio(m_ctx);
}

void Tablespace::STablespaces_Click()
{
    closeForm(this);
}

} // namespace storage
