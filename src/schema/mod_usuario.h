#pragma once
// MOD_USUARIO "Modify User": one user's tablespaces, profile and granted roles,
// reloaded whenever another user is chosen.
#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace schema {

class ModUsuario : public QDialog {
    Q_OBJECT
public:
    // `user` is the name in the current row of the user list.
    ModUsuario(shell::AppContext &ctx, const std::string &user, QWidget *parent = nullptr);

    void MOD_Usuarios_Change();
    void Cancelar_Click();

    QComboBox *MOD_Usuarios, *Default_Tablespace, *Temporary_Tablespace, *On_Tablespace;
    QLineEdit *User_Profile, *Password, *Tamano_Quota;
    QCheckBox *Chequeo_Externo;
    QRadioButton *Quota_Kilobytes, *Quota_Megabytes, *Quota_Unlimited;
    shell::ResultGrid *LRoles;
    QPushButton *Modificar, *Cancelar;

private:
    shell::AppContext &m_ctx;
};

} // namespace schema
