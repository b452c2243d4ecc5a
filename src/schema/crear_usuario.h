#pragma once
// CREAR_USUARIO "Create User": builds a create user statement from its inputs,
// checking them as it goes, and runs it.
#include <QDialog>

#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace shell { class AppContext; }

namespace schema {

class CrearUsuario : public QDialog {
    Q_OBJECT
public:
    explicit CrearUsuario(shell::AppContext &ctx, QWidget *parent = nullptr);

    void OK_Crear_Click();
    void Chequeo_Externo_Click();

    // The statement the inputs make, or nothing when a check failed (its message
    // has been shown and the focus put on the field).
    std::optional<std::string> sentencia();

    QLineEdit *Usuario, *Password, *User_Profile, *Tamano_Quota;
    QCheckBox *Chequeo_Externo;
    QComboBox *Default_Tablespace, *Temporary_Tablespace, *On_Tablespace;
    QRadioButton *Quota_Kilobytes, *Quota_Megabytes, *Quota_Unlimited;
    QLabel *LPassword;
    QPushButton *OK_Crear, *S_Crear;

private:
    bool falta(QWidget *field, const std::string &message);
    shell::AppContext &m_ctx;
};

} // namespace schema
