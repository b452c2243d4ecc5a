#include "memoria.h"

#include "autorefresh.h"
#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "llenargrilla.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

namespace monitor {

using namespace shell;

namespace {

const char *const kLibraryCacheSql =
    "select sum(pins) pins, sum(reloads) reloads, round(sum(reloads)/(sum(pins)+sum(reloads))*100,4) percentage "
    "from v$librarycache";
const char *const kRowCacheSql =
    "select unique parameter, gets, getmisses, round(getmisses/(gets+getmisses)*100,4) percentage from v$rowcache "
    "where gets+getmisses <> 0";
const char *const kLatchSql =
    "select name, sum(gets) wtw_gets, sum(misses) wtw_misses, sum(immediate_gets) imm_gets, "
    "sum(immediate_misses) imm_misses from v$latch group by name order by name";
const char *const kSortSql = "select name, value from v$sysstat where name like '%sort%'";

QLabel *figureLabel(const char *name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(130);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

} // namespace

std::string Consejos_Memoria(const Figuras_Tuning &f)
{
    std::string out;
    auto line = [&out](const char *text) {
        out += text;
        out += '\n';
    };
    if (f.LIBCAC && *f.LIBCAC < 99)
        line("Warning: Library Cache too low! Increase the Shared Pool Size.");
    if (f.ROWCAC && *f.ROWCAC < 85)
        line("Warning: Row Cache too low! Increase the Shared Pool Size.");
    if (f.BUFCAC && *f.BUFCAC < 90)
        line("Warning: Buffer Cache too low! Increase the DB Block Buffer value.");
    if (f.REDLOG && *f.REDLOG > 100)
        line("Warning: Log Buffer value is rather low!.");
    return out;
}

const std::array<const char *, 7> &Memoria::parametros()
{
    static const std::array<const char *, 7> names = {"LIBCAC", "ROWCAC", "BUFCAC", "REDLOG",
                                                      "SPSIZE", "BLKBUF", "LOGBUF"};
    return names;
}

Memoria::Memoria(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("MEMORIA");
    setWindowTitle("Memory");
    buildForm();
    resize(sizeHint());
}

QWidget *Memoria::figuresPage()
{
    auto *page = new QWidget;
    marco_libcac = figureLabel("marco_libcac", page);
    marco_rowcac = figureLabel("marco_rowcac", page);
    marco_bufcac = figureLabel("marco_bufcac", page);
    marco_redlog = figureLabel("marco_redlog", page);
    marco_spsize = figureLabel("marco_spsize", page);
    marco_blkbuf = figureLabel("marco_blkbuf", page);
    marco_logbuf = figureLabel("marco_logbuf", page);

    auto *ratios = new QGroupBox("Tuning", page);
    auto *rl = new QGridLayout(ratios);
    const std::pair<const char *, QLabel *> ratioRows[] = {{"SQL Cache Hit rate", marco_libcac},
                                                          {"Dict Cache Hit rate", marco_rowcac},
                                                          {"Buffer Cache Hit rate", marco_bufcac},
                                                          {"Redo Log space requests", marco_redlog}};
    int r = 0;
    for (const auto &[caption, label] : ratioRows) {
        rl->addWidget(new QLabel(caption, ratios), r, 0);
        rl->addWidget(label, r++, 1);
    }
    auto *init = new QGroupBox("Init Oracle Setting", page);
    auto *il = new QGridLayout(init);
    const std::pair<const char *, QLabel *> initRows[] = {
        {"Share Pool Size", marco_spsize}, {"DB Block Buffer", marco_blkbuf}, {"Log Buffer", marco_logbuf}};
    r = 0;
    for (const auto &[caption, label] : initRows) {
        il->addWidget(new QLabel(caption, init), r, 0);
        il->addWidget(label, r++, 1);
    }

    Mem_Comentarios = new QTextEdit(page);
    Mem_Comentarios->setObjectName("Mem_Comentarios");
    Mem_Comentarios->setReadOnly(true);
    Mem_Comentarios->setMinimumHeight(90);

    // The buffer cache in two figures, taken from the tuning block.
    LMemcacbuffdb = new ResultGrid("LMemcacbuffdb", page);
    LMemcacbuffdb->grid()->setHeaders({"Numero de Buffers", "Aciertos en Memoria Cache"});
    LMemcacbuffdb->setMaximumHeight(80);
    Ajustar_Columnas(LMemcacbuffdb);

    auto *left = new QVBoxLayout;
    left->addWidget(ratios);
    left->addWidget(init);
    left->addStretch(1);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel("Comentarios", page));
    right->addWidget(Mem_Comentarios, 1);
    right->addWidget(new QLabel("Buffer Cache", page));
    right->addWidget(LMemcacbuffdb);
    auto *lay = new QHBoxLayout(page);
    lay->addLayout(left);
    lay->addLayout(right, 1);
    return page;
}

void Memoria::buildForm()
{
    Carpeta_Memoria = new QTabWidget(this);
    Carpeta_Memoria->setObjectName("Carpeta_Memoria");
    Carpeta_Memoria->addTab(figuresPage(), "General");

    LMemcacbib = new ResultGrid("LMemcacbib", this);
    LMemcacbib->grid()->setHeaders({"Pins", "Reloads", "%"});
    LMemcacdic = new ResultGrid("LMemcacdic", this);
    LMemcacdic->grid()->setHeaders({"Parámetro", "Aciertos", "Fallos", "% Tasa de fallos"});
    LMemcacbuffra = new ResultGrid("LMemcacbuffra", this);
    LMemcacbuffra->grid()->setHeaders({"Latch", "WTW Aciertos", "WTW Fallos", "IMM Aciertos", "IMM Fallos"});
    LSortAreaSize = new ResultGrid("LSortAreaSize", this);
    LSortAreaSize->grid()->setHeaders({"Nombre", "Valor"});
    for (ResultGrid *g : {LMemcacbib, LMemcacdic, LMemcacbuffra, LSortAreaSize})
        Ajustar_Columnas(g);
    Carpeta_Memoria->addTab(LMemcacbib, "Library Cache");
    Carpeta_Memoria->addTab(LMemcacdic, "Dictionary Cache");
    Carpeta_Memoria->addTab(LMemcacbuffra, "Latches");
    Carpeta_Memoria->addTab(LSortAreaSize, "Sorts");
    connect(Carpeta_Memoria, &QTabWidget::currentChanged, this, [this](int page) { Carpeta_Memoria_Click(page); });

    GMemoria = new QPushButton("&Obtener Información", this);
    GMemoria->setObjectName("GMemoria");
    SMemoria = new QPushButton("&Salir", this);
    SMemoria->setObjectName("SMemoria");
    connect(GMemoria, &QPushButton::clicked, this, [this] { GMemoria_Click(); });
    connect(SMemoria, &QPushButton::clicked, this, [this] { SMemoria_Click(); });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(GMemoria);
    buttons->addStretch(1);
    buttons->addWidget(SMemoria);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(Carpeta_Memoria, 1);
    lay->addLayout(buttons);
    shell::AutoRefresh::attach(m_ctx, GMemoria);
}

// One refresh is one operation: Ignore goes on with the next step, Abort ends
// the whole refresh.
void Memoria::GMemoria_Click()
{
    GuardedOperation op(m_ctx);
    tuningFigures(op);
    gridStep(op, LMemcacbib, kLibraryCacheSql, {"pins", "reloads", "percentage"});
    gridStep(op, LMemcacdic, kRowCacheSql, {"parameter", "gets", "getmisses", "percentage"});
    gridStep(op, LMemcacbuffra, kLatchSql, {"name", "wtw_gets", "wtw_misses", "imm_gets", "imm_misses"});
    gridStep(op, LSortAreaSize, kSortSql, {"name", "value"});
}

void Memoria::gridStep(GuardedOperation &op, ResultGrid *grid, const std::string &sql,
                       const std::vector<std::string> &aliases)
{
    if (!op.alive())
        return;
    grid->grid()->reset();
    Llenar_Grilla(op, m_ctx, grid, sql, aliases);
}

void Memoria::tuningFigures(GuardedOperation &op)
{
    access::OraDatabase *db = m_ctx.currentConnection();
    if (!db || !op.alive())
        return;
    access::OraParameters &params = db->Parameters();
    const auto &names = parametros();
    op.step([&] { Cursor_Ocupado(m_ctx); });
    for (const char *name : names)
        op.step([&] {
            params.Add(name, access::OraValue::number(0), 2);
            params.SetServerType(name, 2);
        });
    bool ran = false;
    op.step([&] {
        db->ExecuteSQL(m_ctx.bloques.Bloque_Tuning);
        ran = true;
    });
    QLabel *const labels[7] = {marco_libcac, marco_rowcac, marco_bufcac, marco_redlog,
                               marco_spsize, marco_blkbuf, marco_logbuf};
    std::array<std::optional<double>, 7> values;
    for (size_t i = 0; i < names.size(); ++i)
        op.step([&] {
            // A parameter that never made it onto the collection reads as the 0
            // it would have started with.
            const access::OraValue v = params.Contains(names[i]) ? params.Value(names[i]) : access::OraValue::number(0);
            if (v.isNull()) {
                labels[i]->clear();
                return;
            }
            labels[i]->setText(qs(shell::Redondear(v.toDouble(), 2)));
            values[i] = v.toDouble();
        });
    op.step([&] {
        // Advice only from figures the block produced: after a failed block the
        // labels show the zeros it left, which are no measurement.
        Figuras_Tuning f;
        if (ran)
            f = {values[0], values[1], values[2], values[3], values[4], values[5], values[6]};
        Mem_Comentarios->setPlainText(qs(Consejos_Memoria(f)));
        LMemcacbuffdb->grid()->reset();
        if (ran && values[5] && values[2])
            LMemcacbuffdb->grid()->addRow({qs(shell::Redondear(*values[5], 2)), qs(shell::Redondear(*values[2], 2))});
        Ajustar_Columnas(LMemcacbuffdb);
    });
    // The parameters leave the collection whatever happened, so the next block
    // run on this connection starts from a clean collection.
    for (const char *name : names)
        if (params.Contains(name))
            params.Remove(name);
}

void Memoria::SMemoria_Click()
{
    closeForm(this);
}

void Memoria::Carpeta_Memoria_Click(int)
{
    Carpeta_Memoria->update();
}

} // namespace monitor
