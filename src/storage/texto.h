#pragma once
// Text helpers shared by the storage windows: the numeric value of a typed text,
// numbers with the leading blank of non-negative values, and the two ways a value
// enters SQL: inside a string literal (quotes doubled) or as an Oracle name.
#include <QString>

#include <string>

namespace storage {

// The numeric value of the leading number of a text: blanks skipped, an optional
// sign, digits with one decimal point, an optional exponent; whatever follows is
// dropped; a text without a number is 0 ("5x" is 5, "" and "x" are 0).
double Val(const QString &text);

// A number as text with one leading blank when it is not negative (" 12", "-3").
QString Str(double value);

// The content of a string literal: every single quote doubled, so the text can
// neither end the literal nor add to the statement.
std::string literal(const std::string &text);
inline std::string literal(const QString &text) { return literal(text.toStdString()); }

// An Oracle name written into a statement: bare when Oracle would read it back
// unchanged (an upper-case letter, then upper-case letters, digits, _, $ or #),
// else as a quoted identifier ("datos 2026").
std::string nombreOracle(const std::string &name);
inline std::string nombreOracle(const QString &name) { return nombreOracle(name.toStdString()); }

// The Oracle name a user means by a typed name: a plain identifier is read as
// Oracle reads it (upper case), a name typed between double quotes keeps its case,
// anything else is taken as typed. Blanks around the name are dropped.
QString nombreEscrito(const QString &typed);

// True when `name` can name an Oracle object at all (not empty, at most 30
// characters, no double quote).
bool nombreValido(const QString &name);

// A storage size as it goes into a statement: the leading number of the typed text
// followed by a K or M written right after it ("10240", "1M", "64k" as "64K");
// anything else the user typed after the number is dropped.
std::string tamanoSql(const QString &typed);

} // namespace storage
