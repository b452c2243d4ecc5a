#pragma once
// FMPESOSIO "Data Files I/O": the ten busiest datafiles of the current server as
// a chart of their weights (0 to 100), resampled by the timer Tomar_Muestras
// every `Intervalo` seconds while sampling is on.
#include <QStringList>
#include <QWidget>

#include <string>

class QBarSet;
class QBarCategoryAxis;
class QChart;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;

namespace shell { class AppContext; }

namespace monitor {

// The file-name part of a path: what follows the last "\" or "/"; "" without either.
std::string Nombre_Archivo(const std::string &path);

class FmPesosIO : public QWidget {
    Q_OBJECT
public:
    explicit FmPesosIO(shell::AppContext &ctx, QWidget *parent = nullptr);
    // The size it opens at, in the main window's workspace too.
    QSize sizeHint() const override { return {820, 480}; }

    void GMPesosIO_Activar_Click();
    void SQLVigilUpDown_UpClick();
    void SQLVigilUpDown_DownClick();
    void Intervalo_Change();
    void Tomar_Muestras_Timer();
    void MGPesosIO_Salir_Click();

    QLineEdit *Intervalo;
    QWidget *SQLVigilUpDown;
    QToolButton *Up, *Down;
    QPushButton *GMPesosIO_Activar, *MGPesosIO_Salir;
    QTimer *Tomar_Muestras;
    QChart *Graph_Pesos_IO;

    // The ten points as the chart shows them.
    QStringList etiquetas() const;
    QList<double> valores() const;
    bool muestreando() const { return m_on; }

private:
    void applyPeriod();
    shell::AppContext &m_ctx;
    QBarSet *m_set;
    QBarCategoryAxis *m_axis;
    bool m_on = false;
    bool m_sampling = false;     // a sample is still waiting for its server
};

} // namespace monitor
