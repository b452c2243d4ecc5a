// The accessories' windows in the program's window registry.
#include "ayuda.h"
#include "calculadora.h"
#include "calendario.h"
#include "guiarentareas.h"
#include "windowregistry.h"

namespace accessories {

void registerWindows(shell::WindowRegistry &registry)
{
    registry.add("CALCULADORA", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new Calculadora(ctx, parent);
    });
    registry.add("CALENDARIO", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new Calendario(ctx, parent);
    });
    registry.add("AYUDA", [](shell::AppContext &, QWidget *parent) -> QWidget * { return new Ayuda(parent); });
    registry.add("GUIAR_EN_TAREAS", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new GuiarEnTareas(ctx, parent);
    });
}

} // namespace accessories
