#include "serverstatus.h"

#include "appcontext.h"
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
// answering), and a small server for the header.
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
    QPixmap pics[5];

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
    for (int i = 1; i <= 4; ++i)
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

void ServerStatus::TimerChequeServidores_Timer()
{
    GuardedOperation op(m_ctx);
    TimerChequeServidores->stop();
    LServerStatus->setUpdatesEnabled(false);
    const int rows = LServerStatus->grid()->rows();
    for (int n = 1; n < rows && op.alive(); ++n) {
        poll(n, op);
        m_decor->touch(n);
    }
    LServerStatus->setUpdatesEnabled(true);
    // Abort ends the tick, never the polling: the timer runs on in every case.
    if (!TimerChequeServidores->isActive())
        TimerChequeServidores->start();
}

void ServerStatus::poll(int n, GuardedOperation &op)
{
    // Every failing step restarts the timer before the error dialog shows, so
    // the poll goes on while the dialog waits.
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
    const Slot *slot = nullptr;
    access::OraDatabase *db = nullptr;
    bool ok = false;
    op.step(guarded([&] {
        Cursor_Ocupado(m_ctx);
        slot = &m_ctx.slotTable[n];
        db = m_ctx.slotTable.connection(n).get();
    }));
    if (!op.alive() || !slot)
        return;
    if (slot->slotState == kSlotFree) {
        zeros(n, kLibre);
        return;
    }
    if (slot->connectionFlag == 0 || !db) {
        zeros(n, kSinConexion);
        return;
    }
    op.step(guarded([&] { ok = db->ConnectionOK(); }));
    if (!ok) {
        zeros(n, kSinConexion);
        return;
    }
    setImagen(n, kConectado);
    const char *names[] = {"SSGA", "SSESSIONS", "SLIBCAC", "SROWCAC", "SBUFCAC", "SREDLOG"};
    auto &params = db->Parameters();
    for (const char *name : names)
        op.step(guarded([&] {
            params.Add(name, access::OraValue::number(0), 2);
            params.SetServerType(name, 2);
        }));
    op.step(guarded([&] { db->ExecuteSQL(m_ctx.bloques.Bloque_Estado); }));
    auto value = [&](const char *name) {
        return params.Contains(name) ? params.Value(name).toDouble() : 0.0;
    };
    auto *grid = LServerStatus->grid();
    op.step(guarded([&] {
        grid->setText(n, 3, qs(Redondear(value("SSESSIONS"), 2)));
        setFondo(n, 4, kNeutral);
        grid->setText(n, 4, qs(Redondear(value("SSGA"), 0)));
        const char *figures[] = {"SLIBCAC", "SROWCAC", "SBUFCAC", "SREDLOG"};
        for (int c = 5; c <= 8; ++c) {
            const double v = std::stod(Redondear(value(figures[c - 5]), 2));
            setFondo(n, c, Color_Umbral(c, v));
            grid->setText(n, c, qs(Redondear(v, 2)));
        }
    }));
    for (const char *name : names)
        op.step(guarded([&] {
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
