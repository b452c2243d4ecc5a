#pragma once
// OPEROLLBACK "Rollback Segment": creates a rollback segment, or changes the status
// and the storage of the one in the rollback grid's current row (only the values
// that changed).
#include <QDialog>
#include <QStringList>

#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace shell { class AppContext; }

namespace storage {

class OpeRollback : public QDialog {
    Q_OBJECT
public:
    enum Modo { Crear, Modificar };
    // `fila`: columns 1 to 14 of the rollback grid's current row (modify mode).
    OpeRollback(shell::AppContext &ctx, Modo modo, const QStringList &fila, QWidget *parent = nullptr);

    void Aceptar_Click();
    void Cancelar_Click();

    QLineEdit *Nombre;
    QComboBox *Tablespaces;
    QRadioButton *Online, *Offline;
    QCheckBox *Es_Publico;
    QLineEdit *Initial, *MiNext, *MinExtents, *MaxExtents, *Optimal;
    QCheckBox *Initial_B, *Initial_K, *Initial_M, *Next_B, *Next_K, *Next_M, *Optimal_B, *Optimal_K, *Optimal_M,
        *Optimal_Null;
    QPushButton *Aceptar, *Cancelar;

private:
    // One storage field with its unit group and what was loaded into them.
    struct Campo {
        QLineEdit *edit;
        QList<QCheckBox *> unidades;     // empty for Min and Max Extents
        QString texto;
        int unidad = 0;
        bool cambiado() const;
        int unidadActual() const;
    };
    void buildForm();
    void grupo(const QList<QCheckBox *> &boxes);
    void cargarTablespaces();
    void cargar(const QStringList &fila);
    bool clausula(const Campo &campo, std::string &sql);
    void aviso(const std::string &text, QWidget *field);
    void crear();
    void modificar();

    shell::AppContext &m_ctx;
    Modo m_modo;
    std::vector<Campo> m_campos;        // Initial, Next, Min Extents, Max Extents, Optimal
    bool m_online = false;              // the status as loaded
    std::string m_name;                 // the segment's Oracle name (modify mode)
};

} // namespace storage
