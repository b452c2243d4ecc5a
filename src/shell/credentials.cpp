#include "credentials.h"

#include "appcontext.h"
#include "errores.h"
#include "sqlcvpg.h"

#include <random>

namespace shell {

namespace {

std::string newToken()
{
    std::random_device rd;
    static const char hex[] = "0123456789abcdef";
    std::string t;
    for (int i = 0; i < 16; ++i)
        t += hex[rd() & 15];
    return t;
}

bool startsWith(const std::string &s, const char *prefix)
{
    return s.rfind(prefix, 0) == 0;
}

localdb::Database &repo(AppContext &ctx)
{
    if (!ctx.repository)
        Err_Raise(kErrObjectNotSet, "The repository is not open.");
    return *ctx.repository;
}

// The table of encodings too long for the PASSWORD column, made on first use.
void ensureTable(localdb::Database &db)
{
    try {
        db.OpenRecordset(std::string("SELECT TOKEN FROM ") + kPasswordTable);
        return;
    } catch (const localdb::DbError &) {
    }
    localdb::TableDef def{kPasswordTable,
                          {{"TOKEN", localdb::dbText, 16}, {"CIFRADO", localdb::dbText, 255}},
                          {{"CLAVES_IDX_01", "TOKEN", true, true}}};
    db.TableDefsAppend(def);
}

} // namespace

std::size_t caracteres(const std::string &utf8)
{
    std::size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

std::string Guardar_Clave(AppContext &ctx, const std::string &plain)
{
    if (caracteres(plain) > kMaxPasswordChars)
        Err_Raise(kErrInvalidCall, "The password is longer than " + std::to_string(kMaxPasswordChars) +
                                       " characters, Oracle's limit; it was not stored.");
    if (ctx.secrets && !plain.empty()) {
        const std::string token = newToken();
        std::string error;
        if (ctx.secrets->write(token, plain, error))
            return kKeyringMarker + token;
        // No keyring after all (locked, no service): the encoding below serves.
    }
    if (CifradoCabe(plain))
        return Cifrar(kCipherKey, plain);
    localdb::Database &db = repo(ctx);
    ensureTable(db);
    const std::string token = newToken();
    db.Execute(std::string("INSERT INTO ") + kPasswordTable + " (TOKEN, CIFRADO) VALUES (:t, :c)",
               {{"t", token}, {"c", Cifrar(kCipherKey, plain, false)}});
    return kTableMarker + token;
}

std::string Leer_Clave(AppContext &ctx, const std::string &stored)
{
    if (startsWith(stored, kKeyringMarker)) {
        const std::string token = stored.substr(std::char_traits<char>::length(kKeyringMarker));
        if (!ctx.secrets)
            Err_Raise(kErrInvalidCall, "The password of this server is kept in the desktop's keyring, which is not "
                                       "available now; start the desktop session's keyring, or enter the password "
                                       "again in the Servers window.");
        std::string secret, error;
        if (!ctx.secrets->read(token, secret, error))
            Err_Raise(kErrInvalidCall, "The desktop's keyring did not give the password of this server: " + error);
        return secret;
    }
    if (startsWith(stored, kTableMarker)) {
        const std::string token = stored.substr(std::char_traits<char>::length(kTableMarker));
        auto rs = repo(ctx).OpenRecordset(std::string("SELECT CIFRADO FROM ") + kPasswordTable + " WHERE TOKEN = :t",
                                          0, {{"t", token}});
        if (rs->IsEOF())
            Err_Raise(kErrInvalidCall, "The stored password of this server is missing; enter it again.");
        return Descifrar(kCipherKey, rs->Field("CIFRADO").toString());
    }
    return Descifrar(kCipherKey, stored);
}

void Olvidar_Clave(AppContext &ctx, const std::string &stored)
{
    try {
        if (startsWith(stored, kKeyringMarker) && ctx.secrets) {
            std::string error;
            ctx.secrets->remove(stored.substr(std::char_traits<char>::length(kKeyringMarker)), error);
        } else if (startsWith(stored, kTableMarker) && ctx.repository) {
            ctx.repository->Execute(std::string("DELETE FROM ") + kPasswordTable + " WHERE TOKEN = :t",
                                    {{"t", stored.substr(std::char_traits<char>::length(kTableMarker))}});
        }
    } catch (const std::exception &) {
        // Something left behind is harmless: nothing points to it any more.
    }
}

} // namespace shell
