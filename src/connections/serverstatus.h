#pragma once
// ServerStatus "Servers Status": every registered server in one grid and, every
// 15 seconds, the health figures of each connected one (sessions, SGA, library,
// row and buffer cache hit percentages, redo log space requests) from the PL/SQL
// block Bloque_Estado, coloured by fixed thresholds; a double-click explains a figure.
#include <QColor>
#include <QWidget>

#include <map>
#include <string>
#include <utility>

class QPushButton;
class QTimer;

#include "access/accessfwd.h"

namespace shell {
class AppContext;
class GuardedOperation;
class ResultGrid;
class WindowRegistry;
}

namespace status {

class Decoraciones;

// Cell backgrounds.
inline const QColor kNeutral{224, 224, 224};
inline const QColor kAlarm{192, 0, 0};
inline const QColor kWarning{255, 0, 0};

// The background of figure column 4 to 8 for a value (alarm test first).
QColor Color_Umbral(int column, double value);
// The explanation of a figure (columns 5 to 8); empty for columns 3 and 4.
std::string Explicacion(int column, double value);

// Pictures of the status column.
// kSinRespuesta: connected, but the server did not answer the poll within its limit.
enum Imagen { kLibre = 1, kSinConexion = 2, kConectado = 3, kCabecera = 4, kSinRespuesta = 5 };

// How long a poll waits for a server whose statements have no time limit of their own.
inline constexpr int kPollLimitMs = 10000;

class ServerStatus : public QWidget {
    Q_OBJECT
public:
    explicit ServerStatus(shell::AppContext &ctx, QWidget *parent = nullptr);
    ~ServerStatus() override;

    void Form_Load();
    void TimerChequeServidores_Timer();
    void LServerStatus_DblClick(int row, int col);
    void ServerStatus_Salir_Click();

    // What the grid shows besides texts: the picture in column 2 and backgrounds.
    int imagen(int row) const;
    QColor fondo(int row, int col) const;     // invalid when the cell keeps its own

    shell::ResultGrid *LServerStatus;
    QTimer *TimerChequeServidores;
    QPushButton *ServerStatus_Salir;

private:
    void setFondo(int row, int col, const QColor &c);
    void setImagen(int row, Imagen img);
    void zeros(int row, Imagen img);
    struct Sondeo;
    bool prepare(Sondeo &s, shell::GuardedOperation &op);
    void answer(Sondeo &s);
    void fill(int n, access::OraParameters &params);
    void finishRow(Sondeo &s, shell::GuardedOperation &op);

    shell::AppContext &m_ctx;
    Decoraciones *m_decor;
    bool m_tickOut = false;     // a tick is working, or its error dialog is open
};

void registerWindows(shell::WindowRegistry &registry);

} // namespace status
