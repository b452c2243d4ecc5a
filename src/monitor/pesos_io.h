#pragma once
// PESOS_IO "I/O Meter": every datafile of the current server with its disk (the
// first characters of its name), physical reads, writes, their total and its
// weight relative to the busiest datafile (100); printed as "pesos_io.rpt"
// through the repository table PESOS_IO; "Grap&h" opens the Data Files I/O chart.
#include "access/accessfwd.h"
#include "fmpesosio.h"
#include "imprimir.h"

#include <QPointer>
#include <QWidget>

#include <string>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace monitor {

// The largest reads + writes of any datafile, and the weight expression built on it:
// "round(100*(x.phyrds+x.phywrts)/M,2)", or "0" when M is 0 (no I/O since start-up:
// every weight is 0, with no division by zero on the server).
inline constexpr const char *kConsultaMaximo =
    "select max(x.phyrds+x.phywrts) max_total_view from v$filestat x, sys.ts$ ts, v$datafile i, sys.file$ f where "
    "i.file#=f.file# and ts.ts#=f.ts# and x.file#=f.file#";
std::string Expresion_Peso(const std::string &maximo);
// Reads M (as text; "0" when there are no datafiles) on the current connection.
std::string Leer_Maximo(access::OraDatabase &db);
// A whole number from `min` to `max` written in `text` (blanks around allowed); -1 otherwise.
long Numero_Entero(const QString &text, long min, long max);

class PesosIO : public QWidget {
    Q_OBJECT
public:
    explicit PesosIO(shell::AppContext &ctx, QWidget *parent = nullptr);
    // The size it opens at, in the main window's workspace too.
    QSize sizeHint() const override { return {900, 480}; }

    void GPesos_IO_Click();
    void Imprimir_Pesos_I_O_Click();
    void AMPesosIO_Click();
    void PIOSalir_Click();
    report::PrintJob trabajoImpresion() const;

    QLineEdit *Longitud_de_Discos;
    QRadioButton *Ver_Datafiles, *Ver_Discos;
    QPushButton *GPesos_IO, *Imprimir_Pesos_I_O, *AMPesosIO, *PIOSalir;
    shell::ResultGrid *LPesosIO;
    FmPesosIO *grafico() const { return m_grafico; }

private:
    shell::AppContext &m_ctx;
    QPointer<FmPesosIO> m_grafico;
};

} // namespace monitor
