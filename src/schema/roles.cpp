#include "roles.h"

#include "comun.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace schema {

using namespace shell;

Roles::Roles(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("ROLES");
    setWindowTitle("Roles");
    LRoles = new ResultGrid("LRoles", this);
    LRoles->grid()->setHeaders({"Role", "Password Required"});
    LRoles->fitColumns();
    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    GRoles = button("GRoles", "&Gets");
    CRoles = button("CRoles", "&Create");
    MRoles = button("MRoles", "&Modify");
    BRoles = button("BRoles", "&Del");
    SRoles = button("SRoles", "&E&xit");
    // No role statement is defined: these stay off rather than do nothing when pressed.
    for (auto *b : {CRoles, MRoles, BRoles})
        b->setEnabled(false);
    connect(GRoles, &QPushButton::clicked, this, [this] { GRoles_Click(); });
    connect(SRoles, &QPushButton::clicked, this, [this] { closeForm(this); });
    auto *buttons = new QHBoxLayout;
    for (auto *b : {GRoles, CRoles, MRoles, BRoles})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(SRoles);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(LRoles, 1);
    lay->addLayout(buttons);
    tamanoInicial(this, 480, 420);
}

void Roles::GRoles_Click()
{
    LRoles->grid()->reset();
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    std::vector<QStringList> rows;
    recorrer(op, *db, "select role, password_required from dba_roles order by role", [&](const access::OraDynaset &ds) {
        rows.push_back({qs(campo(ds, "role")), qs(campo(ds, "password_required"))});
    });
    LRoles->grid()->addRows(std::move(rows));
    LRoles->fitColumns();
}

} // namespace schema
