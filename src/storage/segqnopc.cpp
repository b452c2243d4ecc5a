#include "segqnopc.h"

#include "appcontext.h"
#include "consulta.h"
#include "errores.h"
#include "formutil.h"
#include "prompts.h"
#include "resultgrid.h"
#include "texto.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace storage {

using namespace shell;

namespace {

const char *const kEspacioSql =
    "SELECT seg.owner uno, seg.segment_name dos, seg.segment_type tres, seg.tablespace_name cuatro, "
    "seg.next_extent cinco FROM dba_segments seg WHERE seg.segment_type in ('TABLE','CLUSTER','INDEX','ROLLBACK') "
    "AND NOT EXISTS (select free.tablespace_name FROM dba_free_space free WHERE free.tablespace_name = "
    "seg.tablespace_name and free.bytes >= seg.next_extent)";

// The margin as a whole number of extents (the up/down control steps by one).
long long margenDe(const QString &text)
{
    const double v = Val(text);
    return v > 0 ? static_cast<long long>(std::floor(v)) : 0;
}

} // namespace

std::string consultaLimite(const QString &margen)
{
    std::string sql = std::string("SELECT seg.owner uno, seg.segment_name dos, ") +
                      "seg.segment_type tres, seg.tablespace_name cuatro, " +
                      "seg.extents cinco, seg.max_extents seis " + "FROM sys.dba_segments seg ";
    const long long m = margenDe(margen);
    if (m > 0)
        sql += "WHERE seg.extents >= seg.max_extents - " + std::to_string(m) + " ";
    else
        sql += "WHERE seg.extents >= seg.max_extents ";
    return sql;
}

SegQnoPc::SegQnoPc(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("SEGQNOPC");
    setWindowTitle("Segments");
    Antes_Maxextent = new QLineEdit("0", this);
    Antes_Maxextent->setObjectName("Antes_Maxextent");
    Antes_Maxextent->setMaximumWidth(70);
    UpDown_Up = new QToolButton(this);
    UpDown_Up->setObjectName("UpDown_Up");
    UpDown_Up->setArrowType(Qt::UpArrow);
    UpDown_Down = new QToolButton(this);
    UpDown_Down->setObjectName("UpDown_Down");
    UpDown_Down->setArrowType(Qt::DownArrow);
    connect(UpDown_Up, &QToolButton::clicked, this, [this] { UpDown_UpClick(); });
    connect(UpDown_Down, &QToolButton::clicked, this, [this] { UpDown_DownClick(); });
    data_block_size = new QLineEdit(this);
    data_block_size->setObjectName("data_block_size");
    data_block_size->setReadOnly(true);
    data_block_size->setMaximumWidth(90);

    LSegmentos_Limite = new ResultGrid("LSegmentos_Limite", this);
    LSegmentos_Limite->grid()->setHeaders({"Propietario", "Segmento", "Tipo", "Tablespace", "Ext/Max"});
    LSegmentos_Espacio = new ResultGrid("LSegmentos_Espacio", this);
    LSegmentos_Espacio->grid()->setHeaders({"Propietario", "Segmento", "Tipo", "Tablespace", "Next Extents"});

    GSegmentos = new QPushButton("&Obtener Segmentos", this);
    GSegmentos->setObjectName("GSegmentos");
    SQNSalir = new QPushButton("&Salir", this);
    SQNSalir->setObjectName("SQNSalir");
    connect(GSegmentos, &QPushButton::clicked, this, [this] { GSegmentos_Click(); });
    connect(SQNSalir, &QPushButton::clicked, this, [this] { SQNSalir_Click(); });

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel("Extents antes de MaxExtent", this));
    top->addWidget(Antes_Maxextent);
    top->addWidget(UpDown_Up);
    top->addWidget(UpDown_Down);
    top->addSpacing(24);
    top->addWidget(new QLabel("Data block size", this));
    top->addWidget(data_block_size);
    top->addStretch(1);
    auto boxed = [this](const char *title, ResultGrid *grid) {
        auto *box = new QGroupBox(title, this);
        auto *l = new QVBoxLayout(box);
        l->addWidget(grid);
        return box;
    };
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(GSegmentos);
    buttons->addStretch(1);
    buttons->addWidget(SQNSalir);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(boxed("Segmentos en el limite de extent", LSegmentos_Limite), 1);
    lay->addWidget(boxed("Segmentos que no podrán crecer por falta de espacio en el tablespace", LSegmentos_Espacio), 3);
    lay->addLayout(buttons);
    resize(sizeHint());

    leerBloque();
}

void SegQnoPc::leerBloque()
{
    GuardedOperation op(m_ctx);
    auto ds = abrir(op, m_ctx, "select value from v$parameter where name = 'db_block_size'");
    if (ds && op.alive() && !ds->IsEOF())
        op.step([&] { data_block_size->setText(qs(texto(ds->Fields("value")))); });
    if (ds)
        ds->Close();
}

void SegQnoPc::UpDown_UpClick()
{
    Antes_Maxextent->setText(QString::number(margenDe(Antes_Maxextent->text()) + 1));
}

void SegQnoPc::UpDown_DownClick()
{
    Antes_Maxextent->setText(QString::number(std::max(0LL, margenDe(Antes_Maxextent->text()) - 1)));
}

void SegQnoPc::GSegmentos_Click()
{
    LSegmentos_Limite->grid()->reset();
    LSegmentos_Espacio->grid()->reset();
    leerBloque();
    if (!m_ctx.currentConnection())
        return;
    {
        GuardedOperation op(m_ctx);
        auto ds = abrir(op, m_ctx, consultaLimite(Antes_Maxextent->text()));
        if (ds && op.alive() && ds->IsEOF()) {
            op.finish();
            m_ctx.prompts.MsgBox("No existen segmentos en Max Extents", vbOKOnly, "SQL*Vigil");
        }
        while (ds && op.alive() && !ds->IsEOF()) {
            op.step([&] {
                const QString extMax = Str(ds->Fields("cinco").toDouble()) + "/" + Str(ds->Fields("seis").toDouble());
                LSegmentos_Limite->grid()->addRow({qs(texto(ds->Fields("uno"))), qs(texto(ds->Fields("dos"))),
                                                   qs(texto(ds->Fields("tres"))), qs(texto(ds->Fields("cuatro"))),
                                                   extMax});
            });
            op.step([&] { ds->MoveNext(); });
        }
        if (ds)
            ds->Close();
    }
    LSegmentos_Limite->fitColumns();
    GuardedOperation op(m_ctx);
    llenar(op, m_ctx, *LSegmentos_Espacio->grid(), kEspacioSql, {"uno", "dos", "tres", "cuatro", "cinco"});
    LSegmentos_Espacio->fitColumns();
}

void SegQnoPc::SQNSalir_Click()
{
    closeForm(this);
}

} // namespace storage
