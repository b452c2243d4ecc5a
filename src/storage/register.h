#pragma once
namespace shell { class WindowRegistry; }

namespace storage {
// Adds the storage windows (TABLESPACE, MIROLLBACK, DATAFILES, SEGQNOPC, ALERT_TS) to the program.
void registerWindows(shell::WindowRegistry &registry);
}
