#include "dusuario.h"

#include <QLabel>
#include <QVBoxLayout>

namespace schema {

DUsuario::DUsuario(QWidget *parent) : QDialog(parent)
{
    setObjectName("DUSUARIO");
    setWindowTitle("Usuarios");
    setModal(false);
    auto *label = new QLabel("Deleting User", this);
    label->setObjectName("Label1");
    label->setAlignment(Qt::AlignCenter);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(label);
    resize(260, 80);
}

} // namespace schema
