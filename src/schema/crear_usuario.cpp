#include "crear_usuario.h"

#include "comun.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "nombrado.h"
#include "prompts.h"
#include "sqlcvpg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace schema {

using namespace shell;

namespace {

QComboBox *lista(QWidget *parent, const char *name)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(name);
    c->setEditable(true);
    c->setMinimumContentsLength(18);
    return c;
}

} // namespace

CrearUsuario::CrearUsuario(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName("CREAR_USUARIO");
    setWindowTitle("Create User");
    setModal(true);

    auto edit = [this](const char *name) { return shell::nombrado<QLineEdit>(this, name); };
    Usuario = edit("Usuario");
    Password = edit("Password");
    Password->setEchoMode(QLineEdit::Password);
    Chequeo_Externo = new QCheckBox("Operating System Checks", this);
    Chequeo_Externo->setObjectName("Chequeo_Externo");
    Default_Tablespace = lista(this, "Default_Tablespace");
    Temporary_Tablespace = lista(this, "Temporary_Tablespace");
    User_Profile = edit("User_Profile");
    User_Profile->setText("DEFAULT");
    On_Tablespace = lista(this, "On_Tablespace");
    connect(Chequeo_Externo, &QCheckBox::toggled, this, [this] { Chequeo_Externo_Click(); });

    auto *form = new QFormLayout;
    form->addRow("User", Usuario);
    LPassword = new QLabel("Password", this);
    form->addRow(LPassword, Password);
    form->addRow("", Chequeo_Externo);
    form->addRow("Default Tablespace", Default_Tablespace);
    form->addRow("Temporary Tablespace", Temporary_Tablespace);
    form->addRow("Profile", User_Profile);

    auto *quota = grupoCuota(this, "Quota", On_Tablespace, Tamano_Quota, Quota_Kilobytes,
                             Quota_Megabytes, Quota_Unlimited);
    quota->setObjectName("Quota");

    OK_Crear = new QPushButton("&Ok", this);
    OK_Crear->setObjectName("OK_Crear");
    OK_Crear->setDefault(true);
    S_Crear = new QPushButton("&Exit", this);
    S_Crear->setObjectName("S_Crear");
    connect(OK_Crear, &QPushButton::clicked, this, [this] { OK_Crear_Click(); });
    connect(S_Crear, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OK_Crear);
    buttons->addWidget(S_Crear);

    auto *lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addWidget(quota);
    lay->addLayout(buttons);
    resize(420, 400);

    // Start-up: the tablespaces of the server in the three drop-downs.
    GuardedOperation op(m_ctx);
    if (access::OraDatabase *db = conexion(m_ctx)) {
        op.step([&] { Cursor_Ocupado(m_ctx); });
        const std::string sql = "select tablespace_name from dba_tablespaces order by tablespace_name";
        for (QComboBox *box : {Default_Tablespace, Temporary_Tablespace, On_Tablespace})
            llenarLista(op, *db, sql, "tablespace_name", box);
    }
}

void CrearUsuario::Chequeo_Externo_Click()
{
    Password->setVisible(!Chequeo_Externo->isChecked());
    LPassword->setVisible(!Chequeo_Externo->isChecked());
}

bool CrearUsuario::falta(QWidget *field, const std::string &message)
{
    m_ctx.prompts.MsgBox(message, vbExclamation, " ");
    field->setFocus();
    return false;
}

std::optional<std::string> CrearUsuario::sentencia()
{
    // Names are written as Oracle reads them (quoted when they need it); a name or
    // password that cannot be written stops with its own message.
    auto nombre = [this](QWidget *field, const QString &text, std::string &out) {
        out = nombreSql(ss(text));
        if (out.empty())
            return falta(field, "El nombre " + ss(text) + " no puede contener comillas dobles");
        return true;
    };
    std::string s = "create user ";
    const QString user = Usuario->text().trimmed();
    if (user.isEmpty())
        return falta(Usuario, "Debe entrar Nombre de Usuario"), std::nullopt;
    std::string name;
    if (!nombre(Usuario, user, name))
        return std::nullopt;
    s += name + " ";

    if (Chequeo_Externo->isChecked()) {
        s += " identified externally ";
    } else if (Password->text().isEmpty()) {
        return falta(Password, "Debe entrar el Password del Usuario"), std::nullopt;
    } else {
        const std::string pw = passwordSql(ss(Password->text()));
        if (pw.empty())
            return falta(Password, "El Password no puede contener comillas dobles"), std::nullopt;
        s += " identified by " + pw + " ";
    }

    std::string ts;
    const QString def = Default_Tablespace->currentText().trimmed();
    if (def.isEmpty())
        return falta(Default_Tablespace, "Debe entrar Default Tablespace"), std::nullopt;
    if (!nombre(Default_Tablespace, def, ts))
        return std::nullopt;
    s += "Default Tablespace " + ts + " ";

    const QString tmp = Temporary_Tablespace->currentText().trimmed();
    if (tmp.isEmpty())
        return falta(Temporary_Tablespace, "Debe entrar Temporary Tablespace"), std::nullopt;
    if (!nombre(Temporary_Tablespace, tmp, ts))
        return std::nullopt;
    s += "Temporary Tablespace " + ts + " ";

    const QString on = On_Tablespace->currentText().trimmed();
    if (!on.isEmpty()) {
        if (!nombre(On_Tablespace, on, ts))
            return std::nullopt;
        // The size is read as a number and written back: "007" is 7, an empty box 0.
        const QString size = QString::number(Tamano_Quota->text().trimmed().toULongLong());
        Tamano_Quota->setText(size);
        if (Quota_Kilobytes->isChecked())
            s += "quota " + ss(size) + "K on " + ts + " ";
        else if (Quota_Megabytes->isChecked())
            s += "quota " + ss(size) + "M on " + ts + " ";
        else if (Quota_Unlimited->isChecked())
            s += "quota unlimited on " + ts + " ";
    }

    User_Profile->setText(User_Profile->text().toUpper());
    const QString profile = User_Profile->text().trimmed();
    if (profile != "DEFAULT" && !profile.isEmpty()) {
        std::string p;
        if (!nombre(User_Profile, profile, p))
            return std::nullopt;
        s += " profile " + p;
    }
    return s;
}

void CrearUsuario::OK_Crear_Click()
{
    const std::optional<std::string> s = sentencia();
    if (!s)
        return;
    GuardedOperation op(m_ctx);
    access::OraDatabase *db = nullptr;
    bool sent = false;
    op.step([&] {
        Cursor_Ocupado(m_ctx);
        if ((db = conexion(m_ctx))) {
            db->DbExecuteSQL(*s);
            sent = true;
        }
    });
    if (!op.alive())
        return;
    op.finish();
    if (sent && db->LastServerErr() == 0) {
        m_ctx.prompts.MsgBox("Exito en la creación del Usuario " + ss(Usuario->text().trimmed()) + " ", vbOKOnly,
                             "SQL*Vigil");
        accept();
    }
}

} // namespace schema
