#pragma once
// The repository's tables, indexes and saved queries, and the "&Init" command
// that (re)creates them.
#include "localdb.h"

#include <string>
#include <vector>

namespace shell { class AppContext; }

namespace repository {

// The tables in creation order: SERVIDORES, FILES, SPACES, EXTENTS, ALERT_EXT,
// ALERT_TS, PARAMETROS, PESOS_IO, SESIONES, then SENTENCIASPESADAS, the record of
// the heavy-statement monitor.
const std::vector<localdb::TableDef> &tablas();

// Saved-query texts, piece by piece as they are joined (nothing between pieces).
std::vector<std::string> piezasFilesTsView();
std::vector<std::string> piezasAlertaTablespace();
std::vector<std::string> piezasAlertaExtents();
std::string unir(const std::vector<std::string> &piezas);

struct ConsultaGuardada {
    std::string nombre;
    std::string texto;
};
// FILES_TS_VIEW, ALERTA_TABLESPACE, ALERTA_EXTENTS, in creation order.
std::vector<ConsultaGuardada> consultas();

// Initialise repository: for each table, delete it (its rows go with it), define
// it again with its fields and index; then create the three saved queries. Every
// step is guarded: a table that does not exist yet reports item-not-found (Ignore
// goes on with its creation), a saved query that exists reports object-exists.
void iniciarRepositorio(shell::AppContext &ctx);

} // namespace repository
