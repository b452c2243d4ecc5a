#include "register.h"

#include "alert_ts.h"
#include "datafiles.h"
#include "mirollback.h"
#include "segqnopc.h"
#include "tablespace.h"
#include "windowregistry.h"

namespace storage {

void registerWindows(shell::WindowRegistry &registry)
{
    registry.add("TABLESPACE", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new Tablespace(ctx, parent);
    });
    registry.add("MIROLLBACK", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new MiRollback(ctx, parent);
    });
    registry.add("DATAFILES", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new Datafiles(ctx, parent);
    });
    registry.add("SEGQNOPC", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new SegQnoPc(ctx, parent);
    });
    registry.add("ALERT_TS", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new AlertTs(ctx, parent);
    });
}

} // namespace storage
