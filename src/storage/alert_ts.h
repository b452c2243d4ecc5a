#pragma once
// ALERT_TS "Tablespaces Alert Print": opening it rebuilds the saved query
// ALERTA_TABLESPACE for today and refills the repository table ALERT_TS with
// each tablespace's free-space percentage today and one to four weeks before;
// "&OK" prints the report "alert_ts.rpt" to the chosen device.
#include <QWidget>

#include <string>

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace shell { class AppContext; }

namespace storage {

// The text of ALERTA_TABLESPACE with its parameters replaced (as whole words) by
// the repository's date expressions: Fecha_28 by "CVDate(now - 28)", ..., Fecha by
// "CVDate(now)".
std::string Consulta_Alerta_Hoy();
// Replaces every whole-word occurrence of `word` in `text`.
std::string reemplazarPalabra(const std::string &text, const std::string &word, const std::string &by);

// Steps 1-5 of the refresh: the saved query replaced, ALERT_TS emptied and
// refilled from it. Answers the rows stored.
int Refrescar_Alert_TS(shell::AppContext &ctx);

class AlertTs : public QWidget {
    Q_OBJECT
public:
    explicit AlertTs(shell::AppContext &ctx, QWidget *parent = nullptr);

    void OK_Click();
    void Salir_Click();

    QGroupBox *Output_Print, *Device;
    QRadioButton *Opcion_Ventana, *Opcion_Impresora, *Opcion_Archivo;
    QPushButton *OK, *Salir;

private:
    shell::AppContext &m_ctx;
};

} // namespace storage
