#pragma once
// The query loop every storage window runs: a statement on the current
// connection under the resume protocol, one grid row per result row.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QStringList>

#include "access/accessfwd.h"

namespace shell {
class AppContext;
class GuardedOperation;
class ResultGridModel;
}

namespace storage {

// The text of a value as the grids show it (a null shows empty).
std::string texto(const access::OraValue &v);

// Runs `sql` under `op` on the current connection (busy pointer shown) and answers
// the open result, or nothing when the step failed or was skipped.
std::unique_ptr<access::OraDynaset> abrir(shell::GuardedOperation &op, shell::AppContext &ctx, const std::string &sql);

// Runs `sql` and appends to `grid` one row per result row: the values of `aliases`
// as text. Each row is its own step (Ignore skips that row); `perRow`, when given,
// runs inside the row's step with the row as written. Answers the rows written.
int llenar(shell::GuardedOperation &op, shell::AppContext &ctx, shell::ResultGridModel &grid, const std::string &sql,
           const std::vector<const char *> &aliases,
           const std::function<void(const QStringList &row)> &perRow = {});

// Executes a statement under `op` on the current connection (busy pointer shown).
// Answers true when it ran and the server reports no error afterwards.
bool ejecutar(shell::GuardedOperation &op, shell::AppContext &ctx, const std::string &sql);

} // namespace storage
