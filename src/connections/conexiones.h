#pragma once
// The operations on the server slot table: Select server (the main window's
// ServidoresCombo), Connect (tbConnect), Disconnect (tbDisconnect) and Close all
// (closing the main window, E&xit). Each is a guarded operation; the toolbar
// states they set are read from the context (connectEnabled/disconnectEnabled).
#include <string>
#include <vector>

namespace shell { class AppContext; }

namespace connections {

// The user picked entry `position` (0-based) of the selector showing `selectorText`.
void selectServer(shell::AppContext &ctx, int position, const std::string &selectorText);
void connect(shell::AppContext &ctx);
void disconnect(shell::AppContext &ctx);
void closeAll(shell::AppContext &ctx);

// The selector now lists `servers` (the registry's SERVIDOR values in order):
// every connected slot moves to the position of its server and stays connected;
// a slot loaded but not connected is freed, so that picking it again loads the
// row as it now is; a connected server no longer registered is disconnected.
void followRegistry(shell::AppContext &ctx, const std::vector<std::string> &servers);

// The messages of Connect.
inline constexpr const char *kNoUser = "Debe entrar nombre de usuario";
inline constexpr const char *kNoPassword = "Debe entrar la clave del usuario";

} // namespace connections
