#include "calendario.h"

#include "formutil.h"

#include <QCalendarWidget>
#include <QDate>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace accessories {

Calendario::Calendario(shell::AppContext &, QWidget *parent) : QWidget(parent)
{
    setObjectName("CALENDARIO");
    setWindowTitle("Calendar");
    SQLCalendario = new QCalendarWidget(this);
    SQLCalendario->setObjectName("SQLCalendario");
    SQLCalendario->setGridVisible(true);
    // Day, month and year of today ("dd", "mm", "yyyy").
    const QDate today = QDate::currentDate();
    SQLCalendario->setSelectedDate(QDate(today.toString("yyyy").toInt(), today.toString("MM").toInt(),
                                         today.toString("dd").toInt()));
    btnSalir = new QPushButton("&Exit", this);
    btnSalir->setObjectName("btnSalir");
    connect(btnSalir, &QPushButton::clicked, this, [this] { btnSalir_Click(); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSalir);
    auto *v = new QVBoxLayout(this);
    v->addWidget(SQLCalendario, 1);
    v->addLayout(buttons);
    resize(380, 300);
}

void Calendario::btnSalir_Click() { shell::closeForm(this); }

} // namespace accessories
