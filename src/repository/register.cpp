#include "register.h"

#include "servidores.h"
#include "windowregistry.h"

namespace repository {

void registerWindows(shell::WindowRegistry &registry)
{
    registry.add("SERVIDORES", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new Servidores(ctx, parent);
    });
}

} // namespace repository
