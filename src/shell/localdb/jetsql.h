#pragma once
// Jet dialect → SQLite. The repository's statements and saved queries are written
// in the Jet dialect; each rewrite below is one small pass over the text, applied
// outside string literals only:
//   now / now()        → jet_now()        the current day (see jet_now)
//   CVDate(x)          → jet_cvdate(x)    a number of days or a date text → date
//   int(x)             → jet_int(x)       the whole part, rounded down
//   ucase/lcase/len    → upper/lower/length
//   a & b              → a || b           text concatenation
//   "text"             → 'text'           double-quoted literals are texts
//   #2026-12-08#       → '2026-12-08 00:00:00'
// Names the engine cannot resolve are the query's parameters (as in Jet):
// `bindParameter` turns every whole-word use of one into a named bind ":name".
#include <string>
#include <vector>

struct sqlite3;

namespace localdb::jet {

// Splits a leading "PARAMETERS a type, b type;" clause off; returns the rest.
std::string stripParametersClause(const std::string &sql, std::vector<std::string> *names);

std::string toSqlite(const std::string &jetSql);

// Replaces every whole-word occurrence of `name` (outside strings, not after a
// dot or a colon) by ":name".
std::string bindParameter(const std::string &sql, const std::string &name);

// True when `word` occurs as a whole word outside strings (case-insensitive).
bool mentions(const std::string &sql, const std::string &word);

// Dates: Jet counts days from 1899-12-30; the engine stores "YYYY-MM-DD HH:MM:SS".
double serialFromCanonical(const std::string &canonical, bool *ok);
std::string canonicalFromSerial(double serial);
// Accepts "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS]", "YYYY-MM-DDTHH:MM:SS", "DD/MM/YYYY";
// answers the canonical text or "" when the text is not a valid date.
std::string canonicalDate(const std::string &text);
std::string todayCanonical();

void registerFunctions(sqlite3 *db);

std::string upper(std::string s);

} // namespace localdb::jet
