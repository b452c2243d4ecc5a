#include "register.h"

#include "clusters.h"
#include "grants.h"
#include "indices.h"
#include "mdatabas.h"
#include "roles.h"
#include "sequencias.h"
#include "sinonimos.h"
#include "tablas.h"
#include "usuarios.h"
#include "vistas.h"
#include "windowregistry.h"

namespace schema {

namespace {
template <class W> void add(shell::WindowRegistry &registry, const char *form)
{
    registry.add(form, [](shell::AppContext &ctx, QWidget *parent) -> QWidget * { return new W(ctx, parent); });
}
} // namespace

void registerWindows(shell::WindowRegistry &registry)
{
    add<MDatabas>(registry, "MDATABAS");
    add<Usuarios>(registry, "USUARIOS");
    add<Roles>(registry, "ROLES");
    add<Grants>(registry, "GRANTS");
    add<Clusters>(registry, "CLUSTERS");
    add<Sinonimos>(registry, "SINONIMOS");
    add<Tablas>(registry, "TABLAS");
    add<Indices>(registry, "INDICES");
    add<Vistas>(registry, "VISTAS");
    add<Sequencias>(registry, "SEQUENCIAS");
}

} // namespace schema
