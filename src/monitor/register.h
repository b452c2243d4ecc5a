#pragma once
namespace shell { class WindowRegistry; }

namespace monitor {
// Adds the instance-activity windows (SESIONES, BLOSESIONES, BLORECURSOS,
// SENTENCIASPESADAS), the instance-health windows (MEMORIA, MEMSESION,
// CONTENCIONES, PROCESOS, REDOLOG, CFILES) and the heavy-statement recorder to
// the program.
void registerWindows(shell::WindowRegistry &registry);
}
