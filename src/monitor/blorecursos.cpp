#include "blorecursos.h"

#include "autorefresh.h"
#include "appcontext.h"
#include "dsesion.h"
#include "errores.h"
#include "formutil.h"
#include "resultgrid.h"
#include "sentenciasesion.h"
#include "sqlcvpg.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <memory>
#include <utility>

namespace monitor {

using namespace shell;

namespace {

const std::pair<const char *, const char *> kTipos[] = {
    {"RW", "Row wait enqueue lock"},
    {"TM", "DML enqueue lock"},
    {"TX", "Transaction enqueue lock"},
    {"UL", "User supplied lock"},
    {"BL", "Buffer hash table instance check"},
    {"CF", "Cross-instance function invocation instance lock"},
    {"CI", "Control file schema global enqueue lock"},
    {"CS", "Control file schema global enqueue lock"},
    {"DF", "Data file instance lock"},
    {"DM", "Mount/startup db primary/secondary instance lock"},
    {"DR", "Distributed recovery process lock"},
    {"DX", "Distributed transaction entry lock"},
    {"FI", "SGA open-file information lock"},
    {"FS", "File set lock"},
    {"IR", "Instance recovery serialization global enqueue lock"},
    {"IV", "Library cache invalidation instance lock"},
    {"LS", "Log start/log switch enqueue lock"},
    {"MB", "Master buffer hash table instance lock"},
    {"MM", "Mount definition global enqueue lock"},
    {"MR", "Media recovery lock"},
    {"RE", "USE_ROW_ENQUEUES enforcement lock"},
    {"RT", "Redo thread global enqueue lock"},
    {"SC", "System commit number instance lock"},
    {"SH", "System commit number hight water mark enqueue lock"},
    {"SN", "Sequence number instance lock"},
    {"SQ", "Sequence number enqueue lock"},
    {"ST", "Space transaction enqueue lock"},
    {"SV", "Sequence number value lock"},
    {"TA", "Generic enqueue lock"},
    {"TD", "DDL enqueue lock"},
    {"TE", "Extent-segment enqueue lock"},
    {"TS", nullptr},
    {"TT", "Temporary table enqueue lock"},
    {"UN", "User name lock"},
    {"WL", "Begin-written redo log instance lock"},
    {"WS", "Write-atomic-log-switch global enqueue lock"},
};

// Caption and alias of the detail fields.
const std::pair<const char *, const char *> kObjeto[] = {
    {"Owner", "OWNER"},         {"Object", "OBJECT_NAME"},          {"Object ID", "OBJECT_ID"},
    {"Type", "OBJECT_TYPE"},    {"Creation Date", "CREATED"},       {"Last DDL Date", "LAST_DDL_TIME"},
    {"Timestamp", "TIMESTAMP"}, {"Status", "STATUS"},
};
const std::pair<const char *, const char *> kSesion[] = {
    {"SID", "SID"},         {"Serial", "SERIAL"},     {"User ID", "USUARIO"},  {"User", "USERNAME"},
    {"Command", "COMMAND"}, {"Lockwait", "LOCKWAIT"}, {"Status", "STATUS"},    {"Server", "SERVER"},
    {"OS User", "OSUSER"},  {"Process", "PROCESS"},   {"Machine", "MACHINE"},  {"Terminal", "TERMINAL"},
    {"Program", "PROGRAM"}, {"Type", "TYPE"},
};

} // namespace

std::string Tipo_Bloqueo(const std::string &type, long long id2)
{
    for (const auto &[code, name] : kTipos)
        if (type == code)
            return name ? name : (id2 != 0 ? "New block allocation enqueue lock" : "Temporary segment enqueue lock");
    return "??:" + type;
}

BloRecursos::BloRecursos(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("BLORECURSOS");
    setWindowTitle("Resources Locks");
    buildForm();
    resize(820, 520);
}

void BloRecursos::buildForm()
{
    LBloqueos = new ResultGrid("LBloqueos", this);
    LBloqueos->grid()->setHeaders({"Session", "Block Type", "Block ID1", "Block ID2", "Mode", "Request"});
    LBloqueos->grid()->setCurrentRow(0);
    connect(LBloqueos, &ResultGrid::rowDoubleClicked, this, [this](int) { LBloqueos_DblClick(); });

    auto fieldPage = [this](const auto &fields, std::map<std::string, QLineEdit *> &into, const char *prefix) {
        auto *page = new QWidget;
        auto *form = new QFormLayout(page);
        for (const auto &[caption, alias] : fields) {
            auto *edit = new QLineEdit(page);
            edit->setObjectName(QString(prefix) + alias);
            // Only the program box is editable (for copying); the others show values.
            edit->setReadOnly(std::string(alias) != "PROGRAM" || std::string(prefix) != "Sesion_");
            form->addRow(caption, edit);
            into[alias] = edit;
        }
        return std::pair{page, form};
    };
    auto [objPage, objForm] = fieldPage(kObjeto, m_objeto, "Objeto_");
    (void)objForm;
    auto [sesPage, sesForm] = fieldPage(kSesion, m_sesion, "Sesion_");
    Sentencia = new QPlainTextEdit(sesPage);
    Sentencia->setObjectName("Sentencia");
    Sentencia->setReadOnly(true);
    sesForm->addRow("Statement", Sentencia);
    BTN_Sentencia_SQL = new QPushButton("SQL", sesPage);
    BTN_Sentencia_SQL->setObjectName("BTN_Sentencia_SQL");
    BEliminar_Sesion = new QPushButton("&Kill Session", sesPage);
    BEliminar_Sesion->setObjectName("BEliminar_Sesion");
    auto *sesButtons = new QHBoxLayout;
    sesButtons->addWidget(BTN_Sentencia_SQL);
    sesButtons->addWidget(BEliminar_Sesion);
    sesButtons->addStretch(1);
    sesForm->addRow(sesButtons);
    connect(BTN_Sentencia_SQL, &QPushButton::clicked, this, [this] { BTN_Sentencia_SQL_Click(); });
    connect(BEliminar_Sesion, &QPushButton::clicked, this, [this] { BEliminar_Sesion_Click(); });

    PNIndex_Desc_Rec_Bloq = new QTabWidget;
    PNIndex_Desc_Rec_Bloq->setObjectName("PNIndex_Desc_Rec_Bloq");
    PNIndex_Desc_Rec_Bloq->addTab(objPage, "Object");
    PNIndex_Desc_Rec_Bloq->addTab(sesPage, "Session");
    Tabla_Recursos_Bloqueados = new QTabWidget(this);
    Tabla_Recursos_Bloqueados->setObjectName("Tabla_Recursos_Bloqueados");
    Tabla_Recursos_Bloqueados->addTab(LBloqueos, "Locks");
    Tabla_Recursos_Bloqueados->addTab(PNIndex_Desc_Rec_Bloq, "Detail");
    connect(Tabla_Recursos_Bloqueados, &QTabWidget::currentChanged, this, [this] { pagesChanged(); });
    connect(PNIndex_Desc_Rec_Bloq, &QTabWidget::currentChanged, this, [this] { pagesChanged(); });

    GBloqueos = new QPushButton("&Locks", this);
    GBloqueos->setObjectName("GBloqueos");
    BSalir = new QPushButton("&Exit", this);
    BSalir->setObjectName("BSalir");
    connect(GBloqueos, &QPushButton::clicked, this, [this] { GBloqueos_Click(); });
    connect(BSalir, &QPushButton::clicked, this, [this] { BSalir_Click(); });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(GBloqueos);
    buttons->addStretch(1);
    buttons->addWidget(BSalir);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(Tabla_Recursos_Bloqueados, 1);
    lay->addLayout(buttons);
    shell::AutoRefresh::attach(m_ctx, GBloqueos);
    pagesChanged();
}

// "&Kill Session" and "SQL" work only on the session page of the detail, and
// only once it shows a session.
void BloRecursos::pagesChanged()
{
    const bool on = Tabla_Recursos_Bloqueados->currentIndex() == 1 && PNIndex_Desc_Rec_Bloq->currentIndex() == 1 &&
                    !m_sesion["SID"]->text().isEmpty() && !m_sesion["SERIAL"]->text().isEmpty();
    BEliminar_Sesion->setEnabled(on);
    BTN_Sentencia_SQL->setEnabled(on);
}

void BloRecursos::GBloqueos_Click()
{
    LBloqueos->grid()->reset();
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    access::OraDatabase *db = m_ctx.currentConnection();
    if (!db)
        return;
    std::unique_ptr<access::OraDynaset> ds;
    op.step([&] {
        ds = db->DbCreateDynaset(std::string("SELECT SID, TYPE, ID1, ID2, LMODE, ") + "REQUEST " + "FROM SYS.V_$LOCK",
                                 4);
    });
    std::vector<QStringList> rows;
    while (op.alive() && ds && !ds->IsEOF()) {
        op.step([&] {
            const access::OraValue &id2 = ds->Fields("ID2");
            rows.push_back({qs(ds->Fields("SID").toString()),
                            qs(Tipo_Bloqueo(ds->Fields("TYPE").toString(),
                                            static_cast<long long>(id2.toDouble()))),
                            qs(ds->Fields("ID1").toString()), qs(id2.toString()), qs(ds->Fields("LMODE").toString()),
                            qs(ds->Fields("REQUEST").toString())});
        });
        op.step([&] { ds->MoveNext(); });
    }
    LBloqueos->grid()->addRows(std::move(rows));
    LBloqueos->fitColumns();
}

void BloRecursos::blankDetail()
{
    for (auto &[alias, edit] : m_objeto)
        edit->clear();
    for (auto &[alias, edit] : m_sesion)
        edit->clear();
    Sentencia->clear();
}

void BloRecursos::LBloqueos_DblClick()
{
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    access::OraDatabase *db = m_ctx.currentConnection();
    if (!db)
        return;
    blankDetail();
    const int row = LBloqueos->grid()->currentRow();
    const std::string id1 = ss(LBloqueos->grid()->text(row, 3));
    const std::string sid = ss(LBloqueos->grid()->text(row, 1));
    // The blank row of an empty list designates no lock: nothing to look up
    // (the statements would end in "= " and fail).
    if (sid.empty() || id1.empty())
        return;
    std::unique_ptr<access::OraDynaset> obj, ses;
    op.step([&] {
        obj = db->DbCreateDynaset(std::string("SELECT OWNER, ") + "OBJECT_ID, " + "OBJECT_NAME, " + "OBJECT_TYPE, " +
                                      "CREATED, " + "LAST_DDL_TIME, " + "TIMESTAMP, " + "STATUS " +
                                      "FROM DBA_OBJECTS " + "WHERE OBJECT_ID = " + id1,
                                  4);
    });
    op.step([&] {
        ses = db->DbCreateDynaset(std::string("SELECT SID, ") + "SERIAL# SERIAL, " + "AUDSID, " + "USER# USUARIO, " +
                                      "USERNAME, " + "COMMAND, " + "LOCKWAIT, " + "STATUS, " + "SERVER, " +
                                      "OSUSER, " + "PROCESS, " + "MACHINE, " + "TERMINAL, " + "PROGRAM, " + "TYPE " +
                                      "FROM V$SESSION " + "WHERE SID = " + sid,
                                  4);
    });
    op.step([&] {
        if (obj && !obj->IsEOF())
            for (auto &[alias, edit] : m_objeto)
                edit->setText(qs(obj->Fields(alias).toString()));
        if (obj)
            obj->Close();
    });
    op.step([&] {
        if (ses && !ses->IsEOF()) {
            for (auto &[alias, edit] : m_sesion)
                edit->setText(qs(ses->Fields(alias).toString()));
            Sentencia->setPlainText("*");
        }
        if (ses)
            ses->Close();
    });
}

void BloRecursos::BTN_Sentencia_SQL_Click()
{
    GuardedOperation op(m_ctx);
    access::OraDatabase *db = m_ctx.currentConnection();
    if (!db)
        return;
    const std::optional<std::string> text = Leer_Sentencia(
        op, m_ctx, *db, ss(m_sesion["SID"]->text()), ss(m_sesion["SERIAL"]->text()), "sql_text", "sql_text");
    if (!text)
        return;
    Sentencia->setPlainText(qs(*text));
}

void BloRecursos::BEliminar_Sesion_Click()
{
    Borrar_Sesion(m_ctx, ss(m_sesion["SID"]->text()), ss(m_sesion["SERIAL"]->text()), "Warning!", this);
}

void BloRecursos::BSalir_Click()
{
    closeForm(this);
}

} // namespace monitor
