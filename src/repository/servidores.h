#pragma once
// SERVIDORES "Servers": the server registry. Lists the registered servers, adds,
// changes and deletes them, and hosts "&Init", which (re)creates the repository's
// tables. Modes: browse, new, modify (shown by the captions of SNuevo, SModificar
// and SSalir).
#include <QWidget>

#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTextEdit;

namespace localdb { class Recordset; }
namespace shell { class AppContext; class ResultGrid; }

namespace repository {

class Servidores : public QWidget {
    Q_OBJECT
public:
    enum class Mode { Browse, New, Modify };

    Servidores(shell::AppContext &ctx, QWidget *parent = nullptr);
    ~Servidores() override;
    Mode mode() const { return m_mode; }

    shell::ResultGrid *LServidores;
    shell::ResultGrid *eVitacora;
    QTabWidget *Carpeta_Servidores;
    QTabWidget *Carpeta_Descripcion;
    QLineEdit *eServidor;
    QComboBox *eRDBMS;
    QComboBox *eVersion;
    QLineEdit *eInstancia;
    QLineEdit *eConeccion;
    QRadioButton *eFormatoTNS;
    QRadioButton *eFormatoRAW;
    QLineEdit *eLogin;
    QLineEdit *ePassword;
    QLineEdit *eLoginTimeOut;
    QLineEdit *eQueryTimeOut;
    QLineEdit *eEmpresa;
    QLineEdit *eContraparte;
    QTextEdit *eComentario;
    QPushButton *GServidores;
    QPushButton *SNuevo;
    QPushButton *SModificar;
    QPushButton *SEliminar;
    QPushButton *SImprimir;
    QPushButton *SCliente;        // the Oracle client library of the current server
    QPushButton *Iniciar_Tabla;
    QPushButton *SSalir;

    void GServidores_Click();     // Refresh list
    void SNuevo_Click();
    void SModificar_Click();
    void SEliminar_Click();       // Delete
    void SCliente_Click();        // opens CLIENTE_ORACLE for the current row
    void Iniciar_Tabla_Click();
    void SSalir_Click();
    void eRDBMS_Click();

private:
    struct Contenido {
        int servidores = 0;
        int muestras = 0;       // space samples: one per server and day in SPACES
    };
    Contenido contenido() const;
    void buildForm();
    void enterNew();
    void enterModify();
    bool save();
    void leaveEditMode();
    void clearFields();
    void setEditButtons(QPushButton *okButton);
    void fillReleases();

    shell::AppContext &m_ctx;
    Mode m_mode = Mode::Browse;
    std::unique_ptr<localdb::Recordset> m_rs;   // the row being added or changed
    std::string m_storedPassword;               // its PASSWORD value when modifying
};

// The releases offered for a product ("ORACLE 7" → "7.0.n" ... "7.3.n").
QStringList releasesOf(const QString &product);

} // namespace repository
