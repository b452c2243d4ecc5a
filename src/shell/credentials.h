#pragma once
// Where the registry's passwords are kept. The PASSWORD column of SERVIDORES
// (30 characters) holds one of:
//   "%KEYRING:" + token   the password is in the desktop's keyring (Secret
//                         Service), under the service "SQL*Vigil" and the token;
//   "%TABLE:" + token     its CAST-128 encoding did not fit the column and is in
//                         the table SQLVIGIL_CLAVES (TOKEN, CIFRADO);
//   anything else         the CAST-128 encoding itself (Cifrar), of either form
//                         (with its own nonce, or the older fixed key stream).
// A password is stored in the keyring when the context has a secret store that
// accepts it, else encoded. None of these functions puts a password in a message.
#include <string>

namespace shell {

class AppContext;

// The desktop's keyring as the program reaches it (the Qt side supplies it; none
// in a context without one). Each call answers false with a message in `error`
// when the keyring cannot do it.
class SecretStore {
public:
    virtual ~SecretStore() = default;
    virtual bool write(const std::string &key, const std::string &secret, std::string &error) = 0;
    virtual bool read(const std::string &key, std::string &secret, std::string &error) = 0;
    virtual bool remove(const std::string &key, std::string &error) = 0;
};

inline constexpr std::size_t kMaxPasswordChars = 30;    // Oracle's limit
inline constexpr const char *kKeyringMarker = "%KEYRING:";
inline constexpr const char *kTableMarker = "%TABLE:";
inline constexpr const char *kPasswordTable = "SQLVIGIL_CLAVES";

// Characters of a UTF-8 text (not bytes).
std::size_t caracteres(const std::string &utf8);

// Stores `plain` (at most 30 characters, else error 5) and answers what the
// PASSWORD column receives. Raises on a repository failure.
std::string Guardar_Clave(AppContext &ctx, const std::string &plain);
// The password a PASSWORD column value stands for. Raises (error 5 or the
// keyring's message) when it cannot be read.
std::string Leer_Clave(AppContext &ctx, const std::string &stored);
// Forgets what a PASSWORD value points to (keyring entry, table row); a plain
// encoding needs nothing. Never raises.
void Olvidar_Clave(AppContext &ctx, const std::string &stored);

} // namespace shell
