#include "mirollback.h"

#include "appcontext.h"
#include "consulta.h"
#include "errores.h"
#include "formutil.h"
#include "operollback.h"
#include "prompts.h"
#include "resultgrid.h"
#include "texto.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace storage {

using namespace shell;

namespace {

std::string rollbackSql()
{
    return std::string("select a.owner a_owner,") + "       a.segment_name a_segment_name," +
           "       a.tablespace_name a_tablespace_name," + "       a.initial_extent a_initial_extent," +
           "       a.next_extent a_next_extent," + "       a.min_extents a_min_extents," +
           "       a.max_extents a_max_extents," + "       a.pct_increase a_pct_increase," +
           "       b.extents b_extents, b.bytes b_bytes," + "       b.blocks b_blocks, a.status a_status," +
           "       b.freelists b_freelists," + "       b.freelist_groups b_freelist_groups," +
           "       nvl(c.optsize,0) c_optimal " + "from dba_rollback_segs a," + "     dba_segments b," +
           "     v$rollstat c," + "     v$rollname d " + "where b.segment_type = 'ROLLBACK' and " +
           "      a.segment_name = b.segment_name and " + "      a.tablespace_name = b.tablespace_name and " +
           "      a.segment_name = d.name(+) and d.usn = c.usn(+) " + "order by a.segment_name";
}

} // namespace

MiRollback::MiRollback(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("MIROLLBACK");
    setWindowTitle("RollBack Segments");
    LRollBack = new ResultGrid("LRollBack", this);
    LRollBack->grid()->setHeaders({"Segment Name", "Tablespace", "Initial", "Next", "Min", "Max", "% Inc.", "Extent",
                                   "Bytes", "Estado", "Dueño", "Free Lists", "Free Lists Groups", "Optimal"});
    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    GRollback = button("GRollback", "&Get RS");
    Borrar_RBS = button("Borrar_RBS", "&Delete");
    Crear_RBS = button("Crear_RBS", "&Create");
    Modificar_RBS = button("Modificar_RBS", "&Modify");
    RSSalir = button("RSSalir", "&Exit");
    connect(GRollback, &QPushButton::clicked, this, [this] { GRollback_Click(); });
    connect(Borrar_RBS, &QPushButton::clicked, this, [this] { Borrar_RBS_Click(); });
    connect(Crear_RBS, &QPushButton::clicked, this, [this] { Crear_RBS_Click(); });
    connect(Modificar_RBS, &QPushButton::clicked, this, [this] { Modificar_RBS_Click(); });
    connect(RSSalir, &QPushButton::clicked, this, [this] { RSSalir_Click(); });
    auto *buttons = new QHBoxLayout;
    for (auto *b : {GRollback, Borrar_RBS, Crear_RBS, Modificar_RBS})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(RSSalir);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(LRollBack, 1);
    lay->addLayout(buttons);
    resize(sizeHint());
}

void MiRollback::GRollback_Click()
{
    LRollBack->grid()->reset();
    GuardedOperation op(m_ctx);
    llenar(op, m_ctx, *LRollBack->grid(), rollbackSql(),
           {"a_segment_name", "a_tablespace_name", "a_initial_extent", "a_next_extent", "a_min_extents",
            "a_max_extents", "a_pct_increase", "b_extents", "b_bytes", "a_status", "a_owner", "b_freelists",
            "b_freelist_groups", "c_optimal"});
    LRollBack->fitColumns();
}

void MiRollback::Borrar_RBS_Click()
{
    ResultGridModel &g = *LRollBack->grid();
    const int row = g.currentRow();
    const std::string name = ss(g.text(row, 1));
    if (g.text(row, 10) != "OFFLINE") {
        m_ctx.prompts.MsgBox("Debe usted colocar primero este segmento en estado OFFLINE para luego proceder a borrarlo",
                             vbOKOnly, "SQL*Vigil");
        return;
    }
    if (m_ctx.prompts.MsgBox("Desea usted borrar el segmento de rollback : " + name + "?",
                             vbYesNo + vbCritical + vbDefaultButton2, "Cuidado!") != vbYes)
        return;
    GuardedOperation op(m_ctx);
    if (ejecutar(op, m_ctx, "drop rollback segment " + nombreOracle(name))) {
        op.finish();
        m_ctx.prompts.MsgBox("Rollback segment borrado", vbOKOnly, "SQL*Vigil");
    }
}

void MiRollback::Crear_RBS_Click()
{
    OpeRollback dialog(m_ctx, OpeRollback::Crear, {}, this);
    m_ctx.prompts.execDialog(dialog);
}

void MiRollback::Modificar_RBS_Click()
{
    ResultGridModel &g = *LRollBack->grid();
    const int row = g.currentRow();
    if (g.text(row, 1).isEmpty())
        return;
    QStringList fila;
    for (int c = 1; c <= 14; ++c)
        fila << g.text(row, c);
    OpeRollback dialog(m_ctx, OpeRollback::Modificar, fila, this);
    m_ctx.prompts.execDialog(dialog);
}

void MiRollback::RSSalir_Click()
{
    closeForm(this);
}

} // namespace storage
