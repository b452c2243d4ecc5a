// The user windows against the simulated instance: the list and its drop with
// confirmation, the creation dialog with each check in its order and the exact
// statement it sends, a created user logging in with the password typed while the
// SQL trace shows none, and the user view with its roles.
#include "crear_usuario.h"
#include "mod_usuario.h"
#include "usuarios.h"
#include "windowtest.h"

#include "prompts.h"
#include "resultgrid.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

using harness::WindowTest;
using schema::CrearUsuario;
using schema::ModUsuario;
using schema::Usuarios;

namespace {

int rowOf(shell::ResultGridModel *g, const QString &text, int col = 1)
{
    for (int r = 1; r < g->rows(); ++r)
        if (g->text(r, col) == text)
            return r;
    return 0;
}

// Fills the dialog with a complete, valid set of inputs.
void fill(CrearUsuario *d, const QString &user, const QString &password)
{
    d->Usuario->setText(user);
    d->Password->setText(password);
    d->Default_Tablespace->setCurrentText("USERS");
    d->Temporary_Tablespace->setCurrentText("TEMP");
}

std::vector<std::string> creates(WindowTest &t)
{
    std::vector<std::string> out;
    for (const std::string &s : t.statements())
        if (s.rfind("create user", 0) == 0)
            out.push_back(s);
    return out;
}

} // namespace

class UsuariosTest : public QObject {
    Q_OBJECT
private slots:
    void listAndDropWithConfirmation();
    void checksStopAtTheFirstMissingInput();
    void exactStatementShapes();
    void createdUserLogsInAndTheTraceHoldsNoPassword();
    void userViewShowsSettingsAndRoles();
    void disconnectedSendsNothing();
};

void UsuariosTest::listAndDropWithConfirmation()
{
    WindowTest t;
    t.serverScript("create user TEMPORAL identified by x default tablespace USERS");
    auto *w = t.open<Usuarios>();
    t.clearStatements();
    t.click(w, "GUsuarios");
    QCOMPARE(t.statements(), std::vector<std::string>{"select username, user_id, default_tablespace, "
                                                      "temporary_tablespace, created from dba_users order by username"});
    auto *g = w->LUsuarios->grid();
    const int scott = rowOf(g, "SCOTT");
    QVERIFY(scott > 0);
    QCOMPARE(g->text(scott, 0), QString::number(scott));
    QCOMPARE(g->text(scott, 2), QString("59"));
    QCOMPARE(g->text(scott, 3), QString("USERS"));
    QCOMPARE(g->text(scott, 4), QString("TEMP"));
    QCOMPARE(g->text(scott, 5), QString("2002-03-14 10:58:21"));
    QVERIFY(w->width() >= w->LUsuarios->horizontalHeader()->length());

    // Answered No: nothing is sent.
    const int row = rowOf(g, "TEMPORAL");
    g->setCurrentRow(row);
    t.clearStatements();
    t.prompts.answer(shell::vbNo);
    t.click(w, "BUsuarios");
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().text, std::string("Desea usted borrar el usuario: TEMPORAL ?"));
    QCOMPARE(t.prompts.last().title, std::string("Cuidado!"));
    QCOMPARE(t.prompts.last().style, shell::vbYesNo + shell::vbCritical + shell::vbDefaultButton2);
    QVERIFY(t.statements().empty());

    t.prompts.answer(shell::vbYes);
    t.click(w, "BUsuarios");
    QCOMPARE(t.statements(), std::vector<std::string>{"drop user TEMPORAL"});
    QCOMPARE(t.prompts.last().text, std::string("Usuario Borrado"));

    // A failing drop (SCOTT is connected and owns objects) goes to the error dialog, not to success.
    g->setCurrentRow(scott);
    t.prompts.clear();
    t.prompts.answer(shell::vbYes).answer(shell::vbAbort);
    t.click(w, "BUsuarios");
    QCOMPARE(t.prompts.count(), 2u);
    QVERIFY2(t.prompts.last().text.find("ORA-0") != std::string::npos, t.prompts.log().c_str());
    QCOMPARE(t.prompts.last().style & 7, int(shell::vbAbortRetryIgnore));
}

void UsuariosTest::checksStopAtTheFirstMissingInput()
{
    WindowTest t;
    auto *d = t.open<CrearUsuario>();
    QVERIFY(d->Default_Tablespace->findText("USERS") >= 0);
    QCOMPARE(d->On_Tablespace->count(), d->Default_Tablespace->count());
    QCOMPARE(d->Default_Tablespace->currentText(), QString());
    QCOMPARE(d->User_Profile->text(), QString("DEFAULT"));
    t.clearStatements();
    struct Step {
        std::function<void()> change;
        const char *message;
    };
    // Each input filled in turn moves the stop to the next check.
    const std::vector<Step> steps = {
        {[] {}, "Debe entrar Nombre de Usuario"},
        {[&] { d->Usuario->setText("   "); }, "Debe entrar Nombre de Usuario"},
        {[&] { d->Usuario->setText("NUEVO"); }, "Debe entrar el Password del Usuario"},
        {[&] { d->Password->setText("clave"); }, "Debe entrar Default Tablespace"},
        {[&] { d->Default_Tablespace->setCurrentText("USERS"); }, "Debe entrar Temporary Tablespace"},
        {[&] { d->Password->setText("a\"b"); d->Temporary_Tablespace->setCurrentText("TEMP"); },
         "El Password no puede contener comillas dobles"},
    };
    for (const Step &s : steps) {
        t.prompts.clear();
        s.change();
        t.click(d, "OK_Crear");
        QCOMPARE(t.prompts.count(), 1u);
        QCOMPARE(t.prompts.last().text, std::string(s.message));
        QCOMPARE(t.prompts.last().title, std::string(" "));
        QCOMPARE(t.prompts.last().icon(), int(shell::vbExclamation));
    }
    QVERIFY(creates(t).empty());

    // Operating System Checks: the password box goes, and an empty one is no fault.
    d->Password->clear();
    d->Chequeo_Externo->setChecked(true);
    QVERIFY(d->Password->isHidden());
    t.prompts.clear();
    t.click(d, "OK_Crear");
    QCOMPARE(creates(t), std::vector<std::string>{
                             "create user NUEVO  identified externally Default Tablespace USERS Temporary Tablespace TEMP "});
    QCOMPARE(t.prompts.last().text, std::string("Exito en la creación del Usuario NUEVO "));
    QCOMPARE(d->result(), int(QDialog::Accepted));
    d->Chequeo_Externo->setChecked(false);
    QVERIFY(!d->Password->isHidden());
}

void UsuariosTest::exactStatementShapes()
{
    WindowTest t;
    auto *d = t.open<CrearUsuario>();
    // The example: external checks, 10 Megabytes on USERS, profile DEFAULT.
    fill(d, "JGOMEZ", "");
    d->Chequeo_Externo->setChecked(true);
    d->On_Tablespace->setCurrentText("USERS");
    d->Tamano_Quota->setText("10");
    d->Quota_Megabytes->setChecked(true);
    t.click(d, "OK_Crear");
    // Quota "007" in Kilobytes is 7; profile "default" becomes DEFAULT and adds nothing;
    // "app_profile" adds its clause; Unlimited and no option at all.
    auto *d2 = t.open<CrearUsuario>();
    fill(d2, "ana", "tiger");
    d2->On_Tablespace->setCurrentText("USERS");
    d2->Tamano_Quota->setText("007");
    d2->Quota_Kilobytes->setChecked(true);
    d2->User_Profile->setText("default");
    t.click(d2, "OK_Crear");
    QCOMPARE(d2->User_Profile->text(), QString("DEFAULT"));
    QCOMPARE(d2->Tamano_Quota->text(), QString("7"));
    auto *d3 = t.open<CrearUsuario>();
    fill(d3, "LUIS", "tiger");
    d3->On_Tablespace->setCurrentText("INDX");
    d3->Quota_Unlimited->setChecked(true);
    d3->User_Profile->setText("app_profile");
    t.click(d3, "OK_Crear");
    auto *d4 = t.open<CrearUsuario>();
    fill(d4, "MARTA", "tiger");
    d4->On_Tablespace->setCurrentText("USERS");
    d4->Tamano_Quota->setText("");
    t.click(d4, "OK_Crear");
    QCOMPARE(creates(t),
             (std::vector<std::string>{
                 "create user JGOMEZ  identified externally Default Tablespace USERS Temporary Tablespace TEMP quota "
                 "10M on USERS ",
                 "create user ana  identified by tiger Default Tablespace USERS Temporary Tablespace TEMP quota 7K on "
                 "USERS ",
                 "create user LUIS  identified by tiger Default Tablespace USERS Temporary Tablespace TEMP quota "
                 "unlimited on INDX  profile APP_PROFILE",
                 "create user MARTA  identified by tiger Default Tablespace USERS Temporary Tablespace TEMP "}));
    QCOMPARE(d4->Tamano_Quota->text(), QString("0"));
    for (CrearUsuario *x : {d, d2, d3, d4})
        QCOMPARE(x->result(), int(QDialog::Accepted));

    // A server error (the name is taken) goes to the error dialog; the dialog stays open with its inputs.
    auto *d5 = t.open<CrearUsuario>();
    fill(d5, "SCOTT", "tiger");
    t.prompts.clear();
    t.prompts.answer(shell::vbAbort);
    t.click(d5, "OK_Crear");
    QCOMPARE(t.prompts.count(), 1u);
    QVERIFY(t.prompts.last().text.find("ORA-01920") != std::string::npos);
    QCOMPARE(d5->result(), int(QDialog::Rejected));
    QCOMPARE(d5->Usuario->text(), QString("SCOTT"));
}

void UsuariosTest::createdUserLogsInAndTheTraceHoldsNoPassword()
{
    char path[] = "/tmp/sqlvigil-schema-trace-XXXXXX";
    const int fd = mkstemp(path);
    QVERIFY(fd >= 0);
    close(fd);
    setenv("SQLVIGIL_SQL_TRACE", path, 1);
    {
        WindowTest t;
        auto *d = t.open<CrearUsuario>();
        fill(d, "Nuevo_2", "p@ss w0rd");
        t.click(d, "OK_Crear");
        auto *e = t.open<CrearUsuario>();
        fill(e, "Mixto Caso", "1abc");
        t.click(e, "OK_Crear");
        unsetenv("SQLVIGIL_SQL_TRACE");
        QCOMPARE(creates(t),
                 (std::vector<std::string>{"create user Nuevo_2  identified by \"p@ss w0rd\" Default Tablespace USERS "
                                           "Temporary Tablespace TEMP ",
                                           "create user \"Mixto Caso\"  identified by \"1abc\" Default Tablespace "
                                           "USERS Temporary Tablespace TEMP "}));
        // The password typed, special characters and all, logs in.
        auto db = t.ctx.session->DbOpenDatabase("sim:ORCL", "NUEVO_2/p@ss w0rd");
        QVERIFY(db->ConnectionOK());
        QVERIFY_THROWS_EXCEPTION(access::OraError, t.ctx.session->DbOpenDatabase("sim:ORCL", "NUEVO_2/p@ss"));
        QVERIFY(t.prompts.log().find("w0rd") == std::string::npos);
    }
    unsetenv("SQLVIGIL_SQL_TRACE");
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    std::remove(path);
    QVERIFY(all.str().find("create user Nuevo_2  identified by ******** Default Tablespace USERS") != std::string::npos);
    QVERIFY(all.str().find("w0rd") == std::string::npos);
    QVERIFY(all.str().find("1abc") == std::string::npos);
}

void UsuariosTest::userViewShowsSettingsAndRoles()
{
    WindowTest t;
    auto *d = new ModUsuario(t.ctx, "VENTAS", nullptr);
    t.adopt(d);
    QCOMPARE(d->MOD_Usuarios->currentText(), QString("VENTAS"));
    QCOMPARE(d->Default_Tablespace->currentText(), QString("USERS"));
    QCOMPARE(d->Temporary_Tablespace->currentText(), QString("TEMP"));
    QCOMPARE(d->User_Profile->text(), QString("APP_PROFILE"));
    QVERIFY(t.sent("select granted_role, default_role from dba_role_privs where grantee = 'VENTAS' order by granted_role"));
    auto *roles = d->LRoles->grid();
    QCOMPARE(roles->dataRows(), 3);
    QCOMPARE(roles->text(3, 1), QString("VENTAS_ADMIN"));
    QCOMPARE(roles->text(3, 2), QString("NO"));
    QVERIFY(!d->Modificar->isEnabled());

    // Another user reloads everything; a quote in a name is doubled in the literal.
    t.clearStatements();
    d->MOD_Usuarios->setCurrentIndex(d->MOD_Usuarios->findText("SCOTT"));
    QCOMPARE(t.statements().size(), 2u);
    QCOMPARE(roles->dataRows(), 2);
    QCOMPARE(d->User_Profile->text(), QString("DEFAULT"));
    d->MOD_Usuarios->addItem("O'HARA");
    d->MOD_Usuarios->setCurrentIndex(d->MOD_Usuarios->count() - 1);
    QVERIFY(t.sent("where username = 'O''HARA'"));
    QCOMPARE(t.prompts.count(), 0u);
}

void UsuariosTest::disconnectedSendsNothing()
{
    harness::Options o;
    o.connect = false;
    WindowTest t(o);
    auto *w = t.open<Usuarios>();
    t.click(w, "GUsuarios");
    auto *d = t.open<CrearUsuario>();
    fill(d, "NADIE", "x");
    t.click(d, "OK_Crear");
    QVERIFY(t.statements().empty());
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(d->result(), int(QDialog::Rejected));
}

QTEST_MAIN(UsuariosTest)
#include "test_usuarios.moc"
