#pragma once
// The heavy-statement recorder: one sample per tick of the main window's timer
// RelojSentenciasPesadas. Each sample appends to the repository table
// SENTENCIASPESADAS one row per active session of the current server that has
// used CPU (the monitor's own login user and background sessions excluded).
#include <string>

class QTimer;

namespace shell { class AppContext; }

namespace monitor {

// The sample query for the monitor's login user (upper-cased here).
std::string Consulta_Sentencias_Pesadas(const std::string &login);

// One sample. The timer is stopped while it works and restarted at its normal
// end; when it stays stopped (no connection, or the sample abandoned from the
// error dialog) the main window's button BtnSentenciasPesadas, found among the
// timer's siblings, reads "Begin SQL &Monitoring" again.
void Muestra_Sentencias_Pesadas(shell::AppContext &ctx, QTimer &timer);

inline constexpr const char *kBeginMonitoring = "Begin SQL &Monitoring";
inline constexpr const char *kStopMonitoring = "Stop SQL &Monitoring";

} // namespace monitor
