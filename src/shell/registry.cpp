#include "registry.h"

#include "register.h"
#include "windowregistry.h"

#define SQLVIGIL_DECLARE_PART(part)                                                                                    \
    namespace part {                                                                                                   \
    void registerWindows(shell::WindowRegistry &registry);                                                            \
    }
#ifdef SQLVIGIL_HAVE_MONITOR
SQLVIGIL_DECLARE_PART(monitor)
#endif
#ifdef SQLVIGIL_HAVE_STORAGE
SQLVIGIL_DECLARE_PART(storage)
#endif
#ifdef SQLVIGIL_HAVE_SCHEMA
SQLVIGIL_DECLARE_PART(schema)
#endif
#ifdef SQLVIGIL_HAVE_ACCESSORIES
SQLVIGIL_DECLARE_PART(accessories)
#endif
#ifdef SQLVIGIL_HAVE_STATUS
SQLVIGIL_DECLARE_PART(status)
#endif

namespace shell {

void registerAllWindows(WindowRegistry &registry)
{
    repository::registerWindows(registry);
#ifdef SQLVIGIL_HAVE_MONITOR
    monitor::registerWindows(registry);
#endif
#ifdef SQLVIGIL_HAVE_STORAGE
    storage::registerWindows(registry);
#endif
#ifdef SQLVIGIL_HAVE_SCHEMA
    schema::registerWindows(registry);
#endif
#ifdef SQLVIGIL_HAVE_ACCESSORIES
    accessories::registerWindows(registry);
#endif
#ifdef SQLVIGIL_HAVE_STATUS
    status::registerWindows(registry);
#endif
}

} // namespace shell
