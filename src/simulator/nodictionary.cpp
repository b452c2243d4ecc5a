// Without the data dictionary the instance holds only what the engine creates itself
// (SYS.DUAL and the built-in logins).
#include "extension.h"

namespace sim::dictionary {
void install(InstanceContext &) {}
}
