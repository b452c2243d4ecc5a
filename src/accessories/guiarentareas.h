#pragma once
// GUIAR_EN_TAREAS "Guia de Tareas Principales": a checklist of the main
// administration and monitoring procedures. The ticks are the reader's own: nothing
// is stored, and every opening starts with none.
#include <QWidget>

#include <array>

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace shell {
class AppContext;
}

namespace accessories {

class GuiarEnTareas : public QWidget {
    Q_OBJECT
public:
    explicit GuiarEnTareas(shell::AppContext &ctx, QWidget *parent = nullptr);
    void GTPSalir_Click();

    QGroupBox *Procedimientos;
    std::array<QCheckBox *, 6> Tareas;
    QPushButton *GTPSalir;
};

} // namespace accessories
