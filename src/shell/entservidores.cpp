#include "entservidores.h"

#include "appcontext.h"
#include "prompts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

EntServidores::EntServidores(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName("ENTSERVIDORES");
    setWindowTitle("Server Update");
    setModal(true);
    auto *label = new QLabel("PASSWORD", this);
    label->setObjectName("Label1");
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    Edit_Password_Servidores = new QLineEdit(this);
    Edit_Password_Servidores->setObjectName("Edit_Password_Servidores");
    Edit_Password_Servidores->setEchoMode(QLineEdit::Password);
    Edit_Password_Servidores->setMinimumWidth(200);
    Continuar = new QPushButton("&OK", this);
    Continuar->setObjectName("Continuar");
    Continuar->setDefault(true);
    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(Edit_Password_Servidores, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Continuar);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(18, 16, 18, 14);
    v->setSpacing(12);
    v->addLayout(row);
    v->addLayout(buttons);
    connect(Continuar, &QPushButton::clicked, this, [this] { Continuar_Click(); });
    connect(Edit_Password_Servidores, &QLineEdit::returnPressed, this, [this] { Continuar_Click(); });
}

void EntServidores::Continuar_Click()
{
    m_ctx.typedAccess = Edit_Password_Servidores->text().toStdString();
    accept();
}

bool askAccessCode(AppContext &ctx, QWidget *parent)
{
    ctx.typedAccess.clear();
    EntServidores dlg(ctx, parent);
    ctx.prompts.execDialog(dlg);
    return ctx.typedAccess == kAccessCode;
}

} // namespace shell
