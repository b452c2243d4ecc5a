#include "register.h"

#include "alert_ts.h"
#include "tablespace.h"
#include "windowregistry.h"

namespace storage {

void registerWindows(shell::WindowRegistry &registry)
{
    registry.add("TABLESPACE", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new Tablespace(ctx, parent);
    });
    registry.add("ALERT_TS", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new AlertTs(ctx, parent);
    });
}

} // namespace storage
