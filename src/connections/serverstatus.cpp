#include "serverstatus.h"

#include "access/orasession.h"
#include "appcontext.h"
#include "callwaiter.h"
#include "errores.h"
#include "formutil.h"
#include "prompts.h"
#include "resultgrid.h"
#include "sqlcvpg.h"
#include "windowregistry.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <cstdio>
#include <memory>

namespace status {

using namespace shell;

// Threshold table: alarm below / above, warning below / above, by column.
QColor Color_Umbral(int column, double v)
{
    switch (column) {
    case 5: return v < 70 ? kAlarm : v < 99 ? kWarning : kNeutral;
    case 6: return v < 70 ? kAlarm : v < 85 ? kWarning : kNeutral;
    case 7: return v < 70 ? kAlarm : v < 90 ? kWarning : kNeutral;
    case 8: return v > 1000 ? kAlarm : v > 100 ? kWarning : kNeutral;
    default: return kNeutral;
    }
}

std::string Explicacion(int column, double v)
{
    const char *normal = "The value of this parameter is in normal range.";
    switch (column) {
    case 5: return v < 99 ? "Warning: Library Cache too low! Increase the Shared Pool Size." : normal;
    case 6: return v < 85 ? "Warning: Row Cache too low! Increase the Shared Pool Size." : normal;
    case 7: return v < 90 ? "Warning: Buffer Cache too low! Increase the DB Block Buffer value." : normal;
    case 8: return v > 100 ? "Warning: Log Buffer value is rather low!." : normal;
    default: return {};
    }
}

namespace {

// The image list: a grey disc (free slot), a red disc with a white bar (loaded,
// no usable connection), a green disc with a white tick (connected and
// answering), an amber disc with clock hands (connected but not answering in
// time), and a small server for the header.
QPixmap picture(int img)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (img) {
    case kLibre:
        p.setPen(QPen(QColor(110, 110, 110), 1));
        p.setBrush(QColor(190, 190, 190));
        p.drawEllipse(QRectF(2, 2, 12, 12));
        break;
    case kSinConexion:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 30, 30));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 7, 8, 2.5));
        break;
    case kConectado:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 150, 50));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(QPen(Qt::white, 2));
        p.drawPolyline(QPolygonF({QPointF(4.5, 8), QPointF(7, 10.5), QPointF(11.5, 5)}));
        break;
    case kSinRespuesta:
        // An amber disc with clock hands: connected, but no answer in time.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 150, 20));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(QPen(Qt::white, 1.8));
        p.drawLine(QPointF(8, 8), QPointF(8, 3.5));
        p.drawLine(QPointF(8, 8), QPointF(11.5, 9.5));
        break;
    default:
        p.setPen(QPen(QColor(40, 60, 90), 1));
        p.setBrush(QColor(120, 150, 190));
        p.drawRect(QRectF(3.5, 1.5, 9, 13));
        p.drawLine(QPointF(5, 5), QPointF(11, 5));
        p.drawLine(QPointF(5, 8), QPointF(11, 8));
        break;
    }
    return pm;
}

} // namespace

// The grid's pictures and backgrounds, laid over the shared result grid model.
class Decoraciones : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    std::map<int, int> images;                       // row -> picture of column 2
    std::map<std::pair<int, int>, QColor> colours;   // (row, col) -> background
    QPixmap pics[6];

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DecorationRole && index.column() == 2) {
            auto it = images.find(index.row());
            if (it != images.end())
                return pics[it->second];
        }
        if (role == Qt::BackgroundRole) {
            auto it = colours.find({index.row(), index.column()});
            if (it != colours.end())
                return it->second;
        }
        if (role == Qt::ForegroundRole && index.column() >= 4) {
            auto it = colours.find({index.row(), index.column()});
            if (it != colours.end() && it->second != kNeutral)
                return QColor(Qt::white);
        }
        return QIdentityProxyModel::data(index, role);
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (role == Qt::DecorationRole && o == Qt::Horizontal && section == 0)
            return pics[kCabecera];
        return QIdentityProxyModel::headerData(section, o, role);
    }
    void touch(int row)
    {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
};

ServerStatus::ServerStatus(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("ServerStatus");
    setWindowTitle("Servers Status");
    LServerStatus = new ResultGrid("LServerStatus", this);
    LServerStatus->grid()->setHeaders(
        {"Server", "Status", "Sessions", "SGA (MB)", "Library Cache %", "Row Cache %", "Buffer Cache %", "Redo Log Req."});
    m_decor = new Decoraciones(this);
    for (int i = 1; i <= 5; ++i)
        m_decor->pics[i] = picture(i);
    m_decor->setSourceModel(LServerStatus->grid());
    LServerStatus->setModel(m_decor);
    LServerStatus->setRowHidden(0, true);
    connect(LServerStatus->grid(), &QAbstractItemModel::modelReset, this, [this] { LServerStatus->setRowHidden(0, true); });
    connect(LServerStatus, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &i) { LServerStatus_DblClick(i.row(), i.column()); });
    LServerStatus->setColumnWidth(0, 40);
    LServerStatus->setColumnWidth(1, 130);
    LServerStatus->setColumnWidth(2, 56);
    for (int c = 3; c <= 8; ++c)
        LServerStatus->setColumnWidth(c, c >= 5 ? 122 : 84);

    ServerStatus_Salir = new QPushButton("&Exit", this);
    ServerStatus_Salir->setObjectName("ServerStatus_Salir");
    connect(ServerStatus_Salir, &QPushButton::clicked, this, [this] { ServerStatus_Salir_Click(); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ServerStatus_Salir);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(LServerStatus, 1);
    lay->addLayout(buttons);

    TimerChequeServidores = new QTimer(this);
    TimerChequeServidores->setObjectName("TimerChequeServidores");
    TimerChequeServidores->setInterval(15000);
    connect(TimerChequeServidores, &QTimer::timeout, this, [this] { TimerChequeServidores_Timer(); });
    resize(940, 360);
    Form_Load();
    TimerChequeServidores->start();
}

ServerStatus::~ServerStatus() = default;

int ServerStatus::imagen(int row) const
{
    auto it = m_decor->images.find(row);
    return it == m_decor->images.end() ? 0 : it->second;
}

QColor ServerStatus::fondo(int row, int col) const
{
    auto it = m_decor->colours.find({row, col});
    return it == m_decor->colours.end() ? QColor() : it->second;
}

void ServerStatus::setFondo(int row, int col, const QColor &c)
{
    m_decor->colours[{row, col}] = c;
}

void ServerStatus::setImagen(int row, Imagen img)
{
    m_decor->images[row] = img;
}

void ServerStatus::Form_Load()
{
    GuardedOperation op(m_ctx);
    std::unique_ptr<localdb::Recordset> rs;
    op.step([&] {
        Cursor_Ocupado(m_ctx);
        rs = m_ctx.repository->OpenRecordset("SELECT SERVIDOR FROM SERVIDORES");
    });
    m_decor->images[0] = kCabecera;
    auto *grid = LServerStatus->grid();
    // The grid holds exactly one row per server: no blank row below the header
    // when the registry is empty.
    grid->setRows(1);
    int n = 0;
    while (op.alive() && rs && !rs->IsEOF()) {
        op.step([&] {
            ++n;
            grid->setRows(n + 1);
            grid->setText(n, 0, QString::number(n));
            grid->setText(n, 1, qs(rs->Field("SERVIDOR").toString()));
            setImagen(n, kLibre);
        });
        op.step([&] { rs->MoveNext(); });
    }
    if (rs)
        rs->Close();
    LServerStatus->setRowHidden(0, true);
}

void ServerStatus::zeros(int row, Imagen img)
{
    auto *grid = LServerStatus->grid();
    setImagen(row, img);
    for (int c = 3; c <= 8; ++c)
        grid->setText(row, c, "0");
    for (int c = 4; c <= 8; ++c)
        setFondo(row, c, kNeutral);
}

namespace {
const char *const kNames[] = {"SSGA", "SSESSIONS", "SLIBCAC", "SROWCAC", "SBUFCAC", "SREDLOG"};
}

// One row of a tick: its slot's connection and the block sent to it.
struct ServerStatus::Sondeo {
    int n = 0;
    access::OraDatabase *db = nullptr;
    std::shared_ptr<access::PendingCall> call;
    std::exception_ptr error;          // the block's failure, reported after every answer is in
    bool sinRespuesta = false;         // no answer within the limit
    bool declared = false;
};

void ServerStatus::TimerChequeServidores_Timer()
{
    // One tick at a time: a tick that comes while the previous one still waits for
    // its servers, or while its error dialog is open, is skipped.
    if (m_tickOut)
        return;
    struct Out {
        bool &b;
        explicit Out(bool &flag) : b(flag) { b = true; }
        ~Out() { b = false; }
    } out(m_tickOut);
    shell::CallerScope caller(m_ctx, this);
    QPointer<ServerStatus> alive(this);
    GuardedOperation op(m_ctx);
    TimerChequeServidores->stop();
    const int rows = LServerStatus->grid()->rows();

    // Every connected server gets its block at once, each on its own connection's thread.
    std::vector<Sondeo> sondeos;
    for (int n = 1; n < rows && op.alive(); ++n) {
        Sondeo s;
        s.n = n;
        if (prepare(s, op))
            sondeos.push_back(std::move(s));
        m_decor->touch(n);
    }
    access::PendingCalls calls;
    std::vector<std::size_t> of;
    for (std::size_t i = 0; i < sondeos.size(); ++i)
        if (sondeos[i].call) {
            calls.push_back(sondeos[i].call);
            of.push_back(i);
        }
    // Rows fill as the answers come in.
    auto arrived = [&](std::size_t k) {
        if (!alive)
            return;
        answer(sondeos[of[k]]);
        m_decor->touch(sondeos[of[k]].n);
    };
    if (!calls.empty()) {
        if (m_ctx.waiter)
            m_ctx.waiter->wait(calls, arrived);
        else
            access::BlockingWaiter().wait(calls, arrived);
    }
    if (!alive)
        return;
    // Failures go through the error dialog one by one, in row order.
    for (Sondeo &s : sondeos)
        finishRow(s, op);
    op.finish();
    // Abort ends the tick, never the polling: the timer runs on in every case.
    if (!TimerChequeServidores->isActive())
        TimerChequeServidores->start();
}

// The slot tests and the declaration of the outputs; answers true when the row's
// server is polled (its block started, or its failure to start kept for later).
bool ServerStatus::prepare(Sondeo &s, GuardedOperation &op)
{
    // Every failing step restarts the timer before the error dialog shows; later
    // ticks are skipped until the dialog has been answered.
    auto guarded = [this](const std::function<void()> &body) {
        return [this, body] {
            try {
                body();
            } catch (...) {
                TimerChequeServidores->start();
                throw;
            }
        };
    };
    const int n = s.n;
    const Slot *slot = nullptr;
    op.step(guarded([&] {
        Cursor_Ocupado(m_ctx);
        slot = &m_ctx.slotTable[n];
        s.db = m_ctx.slotTable.connection(n).get();
    }));
    if (!op.alive() || !slot)
        return false;
    if (slot->slotState == kSlotFree) {
        zeros(n, kLibre);
        return false;
    }
    if (slot->connectionFlag == 0 || !s.db) {
        zeros(n, kSinConexion);
        return false;
    }
    bool ok = false;
    op.step(guarded([&] { ok = s.db->ConnectionOK(); }));
    if (!ok) {
        zeros(n, kSinConexion);
        return false;
    }
    // A connection still busy with another window's statement cannot take the block.
    if (s.db->Busy()) {
        zeros(n, kSinRespuesta);
        return false;
    }
    setImagen(n, kConectado);
    auto &params = s.db->Parameters();
    for (const char *name : kNames)
        op.step(guarded([&] {
            params.Add(name, access::OraValue::number(0), 2);
            params.SetServerType(name, 2);
        }));
    s.declared = true;
    if (!op.alive())
        return true;
    const int own = m_ctx.statementLimitMs(*slot);
    try {
        s.call = s.db->StartExecuteSQL(m_ctx.bloques.Bloque_Estado, own > 0 ? own : kPollLimitMs);
    } catch (...) {
        s.error = std::current_exception();
    }
    return true;
}

void ServerStatus::answer(Sondeo &s)
{
    try {
        s.db->EndExecuteSQL(s.call);
    } catch (...) {
        s.error = std::current_exception();
        // Past its limit the server is shown as not answering, without a dialog.
        s.sinRespuesta = s.call->expired() || s.call->abandoned() || s.call->dropped();
        if (s.sinRespuesta) {
            s.error = nullptr;
            zeros(s.n, kSinRespuesta);
        }
        return;
    }
    fill(s.n, s.db->Parameters());
}

void ServerStatus::fill(int n, access::OraParameters &params)
{
    auto value = [&](const char *name) { return params.Contains(name) ? params.Value(name).toDouble() : 0.0; };
    auto *grid = LServerStatus->grid();
    setImagen(n, kConectado);
    grid->setText(n, 3, qs(Redondear(value("SSESSIONS"), 2)));
    setFondo(n, 4, kNeutral);
    grid->setText(n, 4, qs(Redondear(value("SSGA"), 0)));
    const char *figures[] = {"SLIBCAC", "SROWCAC", "SBUFCAC", "SREDLOG"};
    for (int c = 5; c <= 8; ++c) {
        const double v = std::stod(Redondear(value(figures[c - 5]), 2));
        setFondo(n, c, Color_Umbral(c, v));
        grid->setText(n, c, qs(Redondear(v, 2)));
    }
}

// The rest of a row's steps under the protocol: a failed block through the error
// dialog (Retry sends it again, alone; Ignore shows the figures as they stand, the
// initial zeros), then the figures, then the outputs removed.
void ServerStatus::finishRow(Sondeo &s, GuardedOperation &op)
{
    if (!s.declared || !op.alive())
        return;
    auto restartFirst = [this](const std::function<void()> &body) {
        return [this, body] {
            try {
                body();
            } catch (...) {
                TimerChequeServidores->start();
                throw;
            }
        };
    };
    auto &params = s.db->Parameters();
    if (s.error) {
        bool first = true;
        const bool done = op.step(restartFirst([&] {
            if (first) {
                first = false;
                std::rethrow_exception(s.error);
            }
            s.db->ExecuteSQL(m_ctx.bloques.Bloque_Estado);
        }));
        if (done)
            op.step(restartFirst([&] { fill(s.n, params); }));
        m_decor->touch(s.n);
    }
    for (const char *name : kNames)
        op.step(restartFirst([&] {
            if (params.Contains(name))
                params.Remove(name);
        }));
}

void ServerStatus::LServerStatus_DblClick(int row, int col)
{
    if (row <= 0 || col <= 2 || row >= LServerStatus->grid()->rows())
        return;
    bool isNumber = false;
    const double figure = LServerStatus->grid()->text(row, 3).toDouble(&isNumber);
    if (!isNumber || figure == 0)
        return;
    const double v = LServerStatus->grid()->text(row, col).toDouble();
    const std::string text = Explicacion(col, v);
    if (!text.empty())
        m_ctx.prompts.MsgBox(text, vbOKOnly, "SQL*Vigil");
}

void ServerStatus::ServerStatus_Salir_Click()
{
    TimerChequeServidores->stop();
    closeForm(this);
}

void registerWindows(WindowRegistry &registry)
{
    registry.add("ServerStatus", [](AppContext &ctx, QWidget *parent) -> QWidget * {
        return new ServerStatus(ctx, parent);
    });
}

} // namespace status
