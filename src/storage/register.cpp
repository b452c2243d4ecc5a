#include "register.h"

#include "tablespace.h"
#include "windowregistry.h"

namespace storage {

void registerWindows(shell::WindowRegistry &registry)
{
    registry.add("TABLESPACE", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new Tablespace(ctx, parent);
    });
}

} // namespace storage
