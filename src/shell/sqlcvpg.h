#pragma once
// Common procedures: busy pointer, settings reader, password cipher, PL/SQL blocks.
#include <cstddef>
#include <string>

namespace shell {

class AppContext;

// Pointer codes.
enum PointerCode : int { kPointerDefault = 0, kPointerBusy = 11 };

// Busy (hourglass) and default pointer. They do not nest: one Cursor_Normal
// undoes any number of Cursor_Ocupado.
void Cursor_Ocupado(AppContext &ctx);
void Cursor_Normal(AppContext &ctx);

// Reads `key` of `[section]` from the settings file `iniPath`. Section and key
// names compare without case; a missing file, section or key answers
// `defaultValue`; a present key with an empty value answers ""; values are cut
// to 254 characters (the 255-character buffer with its terminator).
// `storedLength`, when given, receives the length of the value as stored before the cut
// (0 when the default answered), so that a caller can report a cut value.
std::string Leer_Ini(const std::string &iniPath, const std::string &section, const std::string &key,
                     const std::string &defaultValue, std::size_t *storedLength = nullptr);
// The same over the context's settings file and default repository directory.
std::string Leer_Ini(const AppContext &ctx, const std::string &section, const std::string &key,
                     std::size_t *storedLength = nullptr);
// The longest value Leer_Ini answers.
constexpr std::size_t kIniValueMax = 254;

// Where settings and the repository live on this platform when nothing else is
// said: $XDG_CONFIG_HOME/sqlvigil/SQLVigil.ini (~/.config/...) and
// $XDG_DATA_HOME/sqlvigil/ (~/.local/share/sqlvigil/), with its trailing slash.
// `value` rounded to `decimals` places as plain decimal text without trailing zeros
// ("98.5", "142", "0"), the way the console shows its figures.
std::string Redondear(double value, int decimals);

std::string defaultIniPath();
std::string defaultRepositoryDirectory();

// Password cipher: CAST-128 (key as given, "KELPIR" for the registry) in counter
// mode. Each encoding gets a random 4-byte nonce that starts the counter, so equal
// passwords give different texts and knowing one password's text and value tells
// nothing of another's key stream. Written as "~" + unpadded base64 of nonce and
// cipher text. Texts without the "~" are the older form (one fixed counter start
// for every password), which Descifrar still reads.
// The 30-character PASSWORD column holds the encoding of at most 17 bytes
// (CifradoCabe); longer passwords go elsewhere (credentials.h).
inline constexpr const char *kCipherKey = "KELPIR";
inline constexpr char kCipherMark = '~';
inline constexpr std::size_t kCipherNonceBytes = 4;
inline constexpr std::size_t kPasswordColumn = 30;
std::size_t encodedLength(std::size_t bytes);
bool CifradoCabe(const std::string &text);
// Error 5 when `forColumn` and the encoding would not fit the PASSWORD column.
std::string Cifrar(const std::string &key, const std::string &text, bool forColumn = true);
// The older encoding, kept so that tests can make what earlier versions stored.
std::string CifrarAntiguo(const std::string &key, const std::string &text);
// Either form; error 5 when the text is not an encoding.
std::string Descifrar(const std::string &key, const std::string &encoded);

// The two PL/SQL blocks, built once at start-up.
struct Bloques {
    std::string Bloque_Tuning;
    std::string Bloque_Estado;
};
void Armar_Bloques(Bloques &b);

// A value spliced into an Oracle string literal: every single quote doubled, so the
// value can neither end the literal nor add to the statement.
std::string sqlLiteral(const std::string &value);
// A name spliced into an Oracle statement: bare when Oracle reads it back unchanged
// (an upper-case letter, then upper-case letters, digits, _, $ or #), otherwise a
// quoted identifier with inner double quotes doubled.
std::string oracleName(const std::string &name);

} // namespace shell
