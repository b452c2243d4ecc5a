#pragma once
namespace shell { class WindowRegistry; }

namespace monitor {
// Adds the instance-activity windows (SESIONES, BLOSESIONES, BLORECURSOS,
// SENTENCIASPESADAS) and the heavy-statement recorder to the program.
void registerWindows(shell::WindowRegistry &registry);
}
