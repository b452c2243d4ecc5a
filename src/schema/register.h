#pragma once
namespace shell { class WindowRegistry; }

namespace schema {
// Adds the schema and security windows (MDATABAS, TABLAS, INDICES, VISTAS,
// SEQUENCIAS, USUARIOS, ROLES, GRANTS, SINONIMOS, CLUSTERS) to the program.
void registerWindows(shell::WindowRegistry &registry);
}
