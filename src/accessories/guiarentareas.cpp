#include "guiarentareas.h"

#include "formutil.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace accessories {

GuiarEnTareas::GuiarEnTareas(shell::AppContext &, QWidget *parent) : QWidget(parent)
{
    setObjectName("GUIAR_EN_TAREAS");
    setWindowTitle("Guia de Tareas Principales");
    Procedimientos = new QGroupBox("Procedimientos de Administración y Monitoreo", this);
    Procedimientos->setObjectName("Procedimientos");
    static const char *const tasks[6] = {
        "Poco espacio libre en los Tablespace",
        "Espacio de Segmentos Temporales insuficiente",
        "Segmentos de Rollback en Max Extents",
        "Fragmentación de los segmentos de datos",
        "Areas del SGA mal dimensionadas",
        "Sesiones bloqueadas",
    };
    auto *list = new QVBoxLayout(Procedimientos);
    list->setSpacing(10);
    for (int i = 0; i < 6; ++i) {
        Tareas[static_cast<std::size_t>(i)] = new QCheckBox(QString::fromUtf8(tasks[i]), Procedimientos);
        Tareas[static_cast<std::size_t>(i)]->setObjectName(QString("Tarea%1").arg(i));
        list->addWidget(Tareas[static_cast<std::size_t>(i)]);
    }
    GTPSalir = new QPushButton("&Exit", this);
    GTPSalir->setObjectName("GTPSalir");
    connect(GTPSalir, &QPushButton::clicked, this, [this] { GTPSalir_Click(); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(GTPSalir);
    auto *v = new QVBoxLayout(this);
    v->addWidget(Procedimientos, 1);
    v->addLayout(buttons);
    resize(420, 300);
}

void GuiarEnTareas::GTPSalir_Click() { shell::closeForm(this); }

} // namespace accessories
