#include "listaobjetos.h"

#include "comun.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace schema {

using namespace shell;

ListaObjetos::ListaObjetos(AppContext &ctx, Miembro miembro, QWidget *parent)
    : QWidget(parent), m_ctx(ctx), m_m(std::move(miembro))
{
    setObjectName(m_m.form);
    setWindowTitle(m_m.caption);
    m_owner = new QComboBox(this);
    m_owner->setObjectName(m_m.ownerBox);
    m_owner->setEditable(true);
    m_owner->setMinimumContentsLength(16);
    m_grid = new ResultGrid(m_m.grid, this);
    QStringList headers;
    for (const Columna &c : m_m.columns)
        headers << c.header;
    m_grid->grid()->setHeaders(headers);
    m_grid->fitColumns();

    m_get = new QPushButton(m_m.getCaption, this);
    m_get->setObjectName(m_m.getButton);
    m_exit = new QPushButton(m_m.exitCaption, this);
    m_exit->setObjectName(m_m.exitButton);
    connect(m_get, &QPushButton::clicked, this, [this] { Get_Click(); });
    connect(m_exit, &QPushButton::clicked, this, [this] { Exit_Click(); });

    m_page = new QWidget(this);
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(m_m.ownerLabel));
    top->addWidget(m_owner);
    top->addStretch(1);
    auto *pageLay = new QVBoxLayout(m_page);
    pageLay->setContentsMargins(0, 0, 0, 0);
    pageLay->addLayout(top);
    pageLay->addWidget(m_grid, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_get);
    buttons->addStretch(1);
    buttons->addWidget(m_exit);
    m_layout = new QVBoxLayout(this);
    m_layout->addWidget(m_page, 1);
    m_layout->addLayout(buttons);

    GuardedOperation op(m_ctx);
    if (access::OraDatabase *db = conexion(m_ctx)) {
        op.step([&] { Cursor_Ocupado(m_ctx); });
        llenarLista(op, *db, "select username from dba_users order by username", "username", m_owner);
    }
}

std::string ListaObjetos::statement() const
{
    const QString owner = m_owner->currentText();
    const std::string filter =
        owner.isEmpty() ? "" : "WHERE " + std::string(m_m.ownerColumn) + " = '" + lit(owner.toUpper()) + "'";
    return m_m.head + filter + m_m.tail;
}

void ListaObjetos::Get_Click()
{
    m_grid->grid()->reset();
    GuardedOperation op(m_ctx);
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    op.step([&] { Cursor_Ocupado(m_ctx); });
    std::vector<QStringList> rows;
    recorrer(op, *db, statement(), [&](const access::OraDynaset &ds) {
        QStringList row;
        for (const Columna &c : m_m.columns)
            row << qs(campo(ds, c.source));
        rows.push_back(row);
    });
    m_grid->grid()->addRows(std::move(rows));
    m_grid->fitColumns();
}

void ListaObjetos::Exit_Click()
{
    closeForm(this);
}

} // namespace schema
