#pragma once
// Recursive-descent parser of Oracle SQL into the syntax tree of ast.h. The grammar rule
// of each construct is noted above the function that reads it (parser.cpp).
#include "ast.h"

#include <memory>
#include <string>

namespace sim {

// Parses one statement. Returns nullptr when the text is not a statement the engine runs
// itself (administrative DDL and the like, left to the registered handlers); throws
// SimError (ORA-00933, ORA-00936, ORA-00907, ...) for a statement of the engine's kinds
// that is malformed, and ORA-06550 for PL/SQL the instance does not run.
std::unique_ptr<ast::Statement> parseStatement(const std::string &sql);

// For a statement nothing runs: the Oracle feature it needs when it is valid Oracle SQL
// the instance does not implement ("MERGE", "CREATE MATERIALIZED VIEW"), else empty.
std::string unimplementedFeature(const std::string &sql);

} // namespace sim
