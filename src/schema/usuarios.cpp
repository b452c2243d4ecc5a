#include "usuarios.h"

#include "comun.h"
#include "crear_usuario.h"
#include "dusuario.h"
#include "mod_usuario.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "prompts.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace schema {

using namespace shell;

Usuarios::Usuarios(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("USUARIOS");
    setWindowTitle("Users");
    LUsuarios = new ResultGrid("LUsuarios", this);
    LUsuarios->grid()->setHeaders({"Usuario", "ID", "Default Tablespace", "Temporary Tablespace", "Created"});
    LUsuarios->fitColumns();
    connect(LUsuarios, &ResultGrid::rowDoubleClicked, this, [this](int) { MUsuarios_Click(); });

    auto button = [this](const char *name, const char *caption, void (Usuarios::*slot)()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    GUsuarios = button("GUsuarios", "&Get Users", &Usuarios::GUsuarios_Click);
    BUsuarios = button("BUsuarios", "&Delete", &Usuarios::BUsuarios_Click);
    CUsuarios = button("CUsuarios", "&Created", &Usuarios::CUsuarios_Click);
    MUsuarios = button("MUsuarios", "&Modify", &Usuarios::MUsuarios_Click);
    SUsuarios = button("SUsuarios", "&Exit", &Usuarios::SUsuarios_Click);

    auto *buttons = new QHBoxLayout;
    for (auto *b : {GUsuarios, BUsuarios, CUsuarios, MUsuarios})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(SUsuarios);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(LUsuarios, 1);
    lay->addLayout(buttons);
    tamanoInicial(this, 760, 420);
}

void Usuarios::GUsuarios_Click()
{
    LUsuarios->grid()->reset();
    GuardedOperation op(m_ctx);
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    op.step([&] { Cursor_Ocupado(m_ctx); });
    std::vector<QStringList> rows;
    recorrer(op, *db,
             "select username, user_id, default_tablespace, temporary_tablespace, created from dba_users order by "
             "username",
             [&](const access::OraDynaset &ds) {
                 rows.push_back({qs(campo(ds, "username")), qs(campo(ds, "user_id")),
                                 qs(campo(ds, "default_tablespace")), qs(campo(ds, "temporary_tablespace")),
                                 qs(campo(ds, "created"))});
             });
    LUsuarios->grid()->addRows(std::move(rows));
    LUsuarios->fitColumns();
}

void Usuarios::BUsuarios_Click()
{
    const std::string u = ss(LUsuarios->grid()->text(LUsuarios->grid()->currentRow(), 1));
    // The blank row of an empty list names nobody: there is nothing to drop.
    if (u.empty())
        return;
    if (m_ctx.prompts.MsgBox("Desea usted borrar el usuario: " + u + " ?", vbYesNo + vbCritical + vbDefaultButton2,
                             "Cuidado!") != vbYes)
        return;
    GuardedOperation op(m_ctx);
    DUsuario notice(this);
    access::OraDatabase *db = nullptr;
    bool sent = false;
    op.step([&] {
        Cursor_Ocupado(m_ctx);
        notice.show();
        QApplication::processEvents();
    });
    op.step([&] {
        if ((db = conexion(m_ctx))) {
            db->DbExecuteSQL("drop user " + nombreDiccionario(u));
            sent = true;
        }
    });
    notice.close();
    if (!op.alive())
        return;
    op.finish();
    if (sent && db->LastServerErr() == 0)
        m_ctx.prompts.MsgBox(kUsuarioBorrado, vbOKOnly, "SQL*Vigil");
}

void Usuarios::CUsuarios_Click()
{
    CrearUsuario dialog(m_ctx, this);
    m_ctx.prompts.execDialog(dialog);
}

void Usuarios::MUsuarios_Click()
{
    ModUsuario dialog(m_ctx, ss(LUsuarios->grid()->text(LUsuarios->grid()->currentRow(), 1)), this);
    m_ctx.prompts.execDialog(dialog);
}

void Usuarios::SUsuarios_Click()
{
    closeForm(this);
}

} // namespace schema
