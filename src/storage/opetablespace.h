#pragma once
// OPETABLESPACE "Tablespace": the tablespace maintenance window. In create mode it
// builds one "create tablespace" statement from a name, datafiles (added through
// CDATAFILE) and default storage; in modify mode, for a tablespace of the
// tablespace grid, it adds datafiles and changes default storage values, each
// changed value only.
#include <QDialog>
#include <QStringList>

#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace storage {

class OpeTablespace : public QDialog {
    Q_OBJECT
public:
    enum Modo { Crear, Modificar };
    // `fila`: columns 1 to 7 of the tablespace grid's current row (modify mode).
    OpeTablespace(shell::AppContext &ctx, Modo modo, const QStringList &fila, QWidget *parent = nullptr);

    Modo modo() const { return m_modo; }

    void Aceptar_Click();
    void Anular_Cambios_Click();
    void Sobre_Datafiles_Click();

    QLineEdit *Nombre;
    QRadioButton *Online, *Offline, *Backup;
    QLineEdit *Initial, *MiNext, *MinExtents, *MaxExtents, *Pct_Increase;
    QCheckBox *Initial_B, *Initial_K, *Initial_M, *Next_B, *Next_K, *Next_M;
    shell::ResultGrid *LTB_Datafiles;
    QLineEdit *Average_Total, *Average_Libre, *Average_Maxext, *Average_Minext, *Average_Fragmentos;
    QPushButton *Aceptar, *Anular_Cambios, *Sobre_Datafiles, *TBQuotas, *Objetosr_En_Tablespace,
        *Reorganizar_Tablespaces;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Campo {
        QLineEdit *edit;
        QString cargado;
    };
    void buildForm();
    void cargar(const QStringList &fila);
    void cargarDatafiles();
    void cargarEspacio();
    void unidades(QCheckBox *b, QCheckBox *k, QCheckBox *m);
    void crear();
    void modificar();
    // The clause of a storage field after its check; false (message shown, focus
    // on the field) when the value is refused.
    bool clausula(QLineEdit *field, std::string &sql);
    void aviso(const std::string &text, QLineEdit *field);

    shell::AppContext &m_ctx;
    Modo m_modo;
    std::string m_name;                 // the tablespace's Oracle name (modify mode)
    QString m_loadedName;
    std::vector<Campo> m_campos;        // the five storage fields with their loaded texts
    std::vector<QLineEdit *> m_averages;
    QStringList m_averageTexts;
    bool m_restoring = false;
};

} // namespace storage
