#pragma once
namespace shell { class WindowRegistry; }

namespace repository {
// Adds the windows of this subsystem (SERVIDORES) to the program.
void registerWindows(shell::WindowRegistry &registry);
}
