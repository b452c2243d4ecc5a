#pragma once
// TABLESPACE "Tablespace": the tablespaces of the current server; for the one
// double-clicked, its quotas, segments, datafiles and free space with a free/used
// chart. Switches a tablespace online or offline, drops it, and opens the
// maintenance window OPETABLESPACE to create or modify one.
#include <QStringList>
#include <QWidget>

#include <string>

class QChartView;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QCheckBox;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace storage {

// The free percentage of a tablespace, rounded, and the two chart labels built
// from it ("35% Free", "65% Used"). A total of 0 has no percentage.
struct Reparto {
    bool vacio = true;        // no total: the chart stays empty
    long long libre = 0, usado = 0;
    QString etiquetaLibre() const { return QString::number(libre) + "% Free"; }
    QString etiquetaUsado() const { return QString::number(usado) + "% Used"; }
};
Reparto Repartir(double libreMb, long long totalMb);

class Tablespace : public QWidget {
    Q_OBJECT
public:
    explicit Tablespace(shell::AppContext &ctx, QWidget *parent = nullptr);
    // The opening size: every column and row of the listing in view.
    QSize sizeHint() const override { return {900, 560}; }
    ~Tablespace() override;

    void GTablespaces_Click();
    void LTablespaces_Click();
    void LTablespaces_DblClick();
    void Lista_Tablespaces_DblClick();
    void Estado_Tablespace_Click();
    void Borrar_Tablespace_Click();
    void Crear_Tablespace_Click();
    void Modificar_Tablespace_Click();
    void Tendencias_TS_Click();
    void STablespaces_Click();
    void Edicion_Initial_Extent_LostFocus();

    // The tablespace total (MB) of the last selection, and the labels and values
    // of the chart as it is drawn (empty when there is nothing to share out).
    long long total() const { return m_total; }
    QStringList chartLabels() const;
    QList<qreal> chartValues() const;
    const std::string &offlineModeWord() const { return m_modeWord; }

    QPushButton *GTablespaces, *Estado_Tablespace, *Borrar_Tablespace, *Crear_Tablespace, *Modificar_Tablespace,
        *Tendencias_TS, *STablespaces;
    shell::ResultGrid *LTablespaces, *LTablespace_Datafile, *LObjetos_Tablespace, *LQuotas;
    QListWidget *Lista_Tablespaces;
    QTabWidget *Carpeta_Tablespaces;
    QLineEdit *Average_Total, *Average_Libre, *Average_Maxext, *Average_ProExt, *Average_Minext, *Average_Fragmentos;
    QChartView *Distribucion_Espacial;
    QLineEdit *Edicion_Nombre, *Edicion_Initial_Extent, *Edicion_Next_Extent, *Edicion_Min_Extents,
        *Edicion_Max_Extents, *Edicion_Pct_Increase, *Edicion_Estado;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildForm();
    QWidget *estadoPage();
    QWidget *storagePage();
    void seleccionar(int origen);
    std::string nombreSeleccionado(int origen) const;
    void quotas(const std::string &name);
    void segmentos(const std::string &name);
    void datafiles(const std::string &name);
    void espacioLibre(const std::string &name);
    void dibujar(const Reparto &r);
    QStringList filaActual() const;

    shell::AppContext &m_ctx;
    long long m_total = 0;
    std::string m_modeWord;
};

} // namespace storage
