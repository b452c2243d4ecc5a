#pragma once
// Filling a result grid from one query, shared by the read-only instance windows
// (memory, contention, processes, redo logs, control files).
#include <string>
#include <vector>

namespace shell {
class AppContext;
class GuardedOperation;
class ResultGrid;
}

namespace monitor {

// Runs `sql` on the current slot's connection (busy pointer first) and writes
// row n (from 1) of `grid`: the running number, then the fields `aliases` as
// their text, in the order the server returns the rows; a null field is an
// empty cell. Opening the query, each row and each move are steps of `op`, so
// Ignore skips one row and Abort ends the operation. No rows leave the grid as
// it is (its blank row after a reset). Does nothing when the current slot is not
// connected. Answers the number of rows written.
int Llenar_Grilla(shell::GuardedOperation &op, shell::AppContext &ctx, shell::ResultGrid *grid,
                  const std::string &sql, const std::vector<std::string> &aliases);

// Sizes the grid's columns to their texts, the bold header captions included.
void Ajustar_Columnas(shell::ResultGrid *grid);

} // namespace monitor
