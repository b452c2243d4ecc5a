#include "mod_usuario.h"

#include "comun.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "nombrado.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace schema {

using namespace shell;

ModUsuario::ModUsuario(AppContext &ctx, const std::string &user, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName("MOD_USUARIO");
    setWindowTitle("Modify User");
    setModal(true);

    auto lista = [this](const char *name) {
        auto *c = new QComboBox(this);
        c->setObjectName(name);
        c->setMinimumContentsLength(18);
        return c;
    };
    auto edit = [this](const char *name) { return shell::nombrado<QLineEdit>(this, name); };
    MOD_Usuarios = lista("MOD_Usuarios");
    Default_Tablespace = lista("Default_Tablespace");
    Temporary_Tablespace = lista("Temporary_Tablespace");
    On_Tablespace = lista("On_Tablespace");
    User_Profile = edit("User_Profile");
    User_Profile->setReadOnly(true);
    Password = edit("Password");
    Password->setEchoMode(QLineEdit::Password);
    Chequeo_Externo = new QCheckBox("Chequeo externo por Sistema Operativo", this);
    Chequeo_Externo->setObjectName("Chequeo_Externo");
    auto *quota = grupoCuota(this, "Tablespace Quote", On_Tablespace, Tamano_Quota,
                             Quota_Kilobytes, Quota_Megabytes, Quota_Unlimited);
    LRoles = new ResultGrid("LRoles", this);
    LRoles->grid()->setHeaders({"Role", "Default Role"});
    LRoles->fitColumns();

    auto *form = new QFormLayout;
    form->addRow("User", MOD_Usuarios);
    form->addRow("Default Tablespace", Default_Tablespace);
    form->addRow("Temporary Tablespace", Temporary_Tablespace);
    form->addRow("Profile", User_Profile);
    form->addRow("Password", Password);
    form->addRow("", Chequeo_Externo);
    auto *privs = new QGroupBox("Privilegios", this);
    auto *plav = new QVBoxLayout(privs);
    plav->addWidget(LRoles);

    // No alter statement is defined for this view: the button stays off rather
    // than pretend to change the user.
    Modificar = new QPushButton("&Modificar", this);
    Modificar->setObjectName("Modificar");
    Modificar->setEnabled(false);
    Cancelar = new QPushButton("&Cancelar", this);
    Cancelar->setObjectName("Cancelar");
    connect(Cancelar, &QPushButton::clicked, this, [this] { Cancelar_Click(); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Modificar);
    buttons->addWidget(Cancelar);

    auto *left = new QVBoxLayout;
    left->addLayout(form);
    left->addWidget(quota);
    left->addStretch(1);
    auto *body = new QHBoxLayout;
    body->addLayout(left);
    body->addWidget(privs, 1);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(body, 1);
    lay->addLayout(buttons);
    resize(780, 420);

    connect(MOD_Usuarios, &QComboBox::currentIndexChanged, this, [this] { MOD_Usuarios_Change(); });

    GuardedOperation op(m_ctx);
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    op.step([&] { Cursor_Ocupado(m_ctx); });
    {
        const QSignalBlocker quiet(MOD_Usuarios);
        llenarLista(op, *db, "select username from dba_users order by username", "username", MOD_Usuarios);
        MOD_Usuarios->setCurrentIndex(MOD_Usuarios->findText(qs(user), Qt::MatchFixedString | Qt::MatchCaseSensitive));
    }
    const std::string sql = "select tablespace_name from dba_tablespaces order by tablespace_name";
    for (QComboBox *box : {Default_Tablespace, Temporary_Tablespace, On_Tablespace})
        llenarLista(op, *db, sql, "tablespace_name", box);
    op.finish();
    MOD_Usuarios_Change();
}

void ModUsuario::MOD_Usuarios_Change()
{
    LRoles->grid()->reset();
    GuardedOperation op(m_ctx);
    access::OraDatabase *db = conexion(m_ctx);
    const std::string user = ss(MOD_Usuarios->currentText());
    if (!db || user.empty())
        return;
    op.step([&] { Cursor_Ocupado(m_ctx); });
    primero(op, *db,
            "select username, default_tablespace, temporary_tablespace, profile from dba_users where username = '" +
                lit(user) + "'",
            [&](const access::OraDynaset &ds) {
                Default_Tablespace->setCurrentIndex(
                    Default_Tablespace->findText(qs(campo(ds, "default_tablespace")), Qt::MatchFixedString | Qt::MatchCaseSensitive));
                Temporary_Tablespace->setCurrentIndex(Temporary_Tablespace->findText(
                    qs(campo(ds, "temporary_tablespace")), Qt::MatchFixedString | Qt::MatchCaseSensitive));
                User_Profile->setText(qs(campo(ds, "profile")));
            });
    std::vector<QStringList> rows;
    recorrer(op, *db,
             "select granted_role, default_role from dba_role_privs where grantee = '" + lit(user) +
                 "' order by granted_role",
             [&](const access::OraDynaset &ds) { rows.push_back({qs(campo(ds, "granted_role")), qs(campo(ds, "default_role"))}); });
    LRoles->grid()->addRows(std::move(rows));
    LRoles->fitColumns();
}

void ModUsuario::Cancelar_Click()
{
    reject();
}

} // namespace schema
