#include "sqlcvpg.h"

#include "appcontext.h"
#include "errores.h"

#include <nettle/cast128.h>
#include <nettle/ctr.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>

namespace shell {

// ------------------------------------------------------------------ pointer

void Cursor_Ocupado(AppContext &ctx)
{
    ctx.pointer.set(kPointerBusy);
}

void Cursor_Normal(AppContext &ctx)
{
    ctx.pointer.set(kPointerDefault);
}

// ------------------------------------------------------------------ settings

static std::string trim(const std::string &s)
{
    std::size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos)
        return {};
    std::size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

static bool sameText(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Leer_Ini(const std::string &iniPath, const std::string &section, const std::string &key,
                     const std::string &defaultValue, std::size_t *storedLength)
{
    if (storedLength)
        *storedLength = 0;
    std::ifstream in(iniPath);
    if (!in)
        return defaultValue;
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        std::string t = trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#')
            continue;
        if (t[0] == '[') {
            std::size_t close = t.find(']');
            inSection = close != std::string::npos && sameText(trim(t.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection)
            continue;
        std::size_t eq = t.find('=');
        if (eq == std::string::npos || !sameText(trim(t.substr(0, eq)), key))
            continue;
        std::string value = trim(t.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (storedLength)
            *storedLength = value.size();
        if (value.size() > kIniValueMax)
            value.resize(kIniValueMax);
        return value;
    }
    return defaultValue;
}

std::string Leer_Ini(const AppContext &ctx, const std::string &section, const std::string &key,
                     std::size_t *storedLength)
{
    return Leer_Ini(ctx.iniPath, section, key, ctx.defaultDirectory, storedLength);
}

static std::string homeDir()
{
    const char *h = std::getenv("HOME");
    return h && *h ? h : "/tmp";
}

std::string defaultIniPath()
{
    const char *x = std::getenv("XDG_CONFIG_HOME");
    std::string base = x && *x ? x : homeDir() + "/.config";
    return base + "/sqlvigil/SQLVigil.ini";
}

std::string defaultRepositoryDirectory()
{
    const char *x = std::getenv("XDG_DATA_HOME");
    std::string base = x && *x ? x : homeDir() + "/.local/share";
    return base + "/sqlvigil/";
}

// ------------------------------------------------------------------ cipher

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64(const std::string &bytes)
{
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (unsigned char c : bytes) {
        bits = (bits << 8) | c;
        count += 8;
        while (count >= 6) {
            count -= 6;
            out += kAlphabet[(bits >> count) & 63];
        }
    }
    if (count > 0)
        out += kAlphabet[(bits << (6 - count)) & 63];
    return out;
}

bool unbase64(const std::string &text, std::string &out)
{
    unsigned bits = 0;
    int count = 0;
    if (text.size() % 4 == 1)
        return false;
    for (char c : text) {
        const char *p = c ? std::strchr(kAlphabet, c) : nullptr;
        if (!p)
            return false;
        bits = (bits << 6) | static_cast<unsigned>(p - kAlphabet);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    // The leftover bits must be the zero padding base64() writes.
    return (bits & ((1u << count) - 1)) == 0;
}

// CAST-128 in counter mode; the counter block starts as `iv`.
std::string cast128ctr(const std::string &key, const std::string &data, const uint8_t *iv)
{
    if (key.size() < CAST5_MIN_KEY_SIZE || key.size() > CAST5_MAX_KEY_SIZE)
        Err_Raise(kErrInvalidCall, "The cipher key must have 5 to 16 characters.");
    cast128_ctx c;
    cast5_set_key(&c, key.size(), reinterpret_cast<const uint8_t *>(key.data()));
    uint8_t counter[CAST128_BLOCK_SIZE];
    std::memcpy(counter, iv, CAST128_BLOCK_SIZE);
    std::string out(data.size(), '\0');
    ctr_crypt(&c, reinterpret_cast<nettle_cipher_func *>(cast128_encrypt), CAST128_BLOCK_SIZE, counter,
              data.size(), reinterpret_cast<uint8_t *>(out.data()), reinterpret_cast<const uint8_t *>(data.data()));
    return out;
}

// The older encoding's one counter start, shared by every password.
const uint8_t kFixedIv[CAST128_BLOCK_SIZE] = {'S', 'Q', 'L', 'V', 'i', 'g', 'i', 'l'};

// The counter start of the nonce'd form: the nonce, then a constant half.
void nonceIv(const std::string &nonce, uint8_t *iv)
{
    std::memset(iv, 0, CAST128_BLOCK_SIZE);
    std::memcpy(iv, nonce.data(), kCipherNonceBytes);
    std::memcpy(iv + kCipherNonceBytes, "SQLV", CAST128_BLOCK_SIZE - kCipherNonceBytes);
}

std::string randomNonce()
{
    std::random_device rd;
    std::string n(kCipherNonceBytes, '\0');
    for (auto &ch : n)
        ch = static_cast<char>(rd() & 0xFF);
    return n;
}

} // namespace

std::size_t encodedLength(std::size_t bytes)
{
    return 1 + ((kCipherNonceBytes + bytes) * 4 + 2) / 3;
}

bool CifradoCabe(const std::string &text)
{
    return encodedLength(text.size()) <= kPasswordColumn;
}

std::string Cifrar(const std::string &key, const std::string &text, bool forColumn)
{
    if (forColumn && !CifradoCabe(text))
        Err_Raise(kErrInvalidCall, "The password's encoding does not fit the PASSWORD column.");
    const std::string nonce = randomNonce();
    uint8_t iv[CAST128_BLOCK_SIZE];
    nonceIv(nonce, iv);
    return kCipherMark + base64(nonce + cast128ctr(key, text, iv));
}

std::string CifrarAntiguo(const std::string &key, const std::string &text)
{
    return base64(cast128ctr(key, text, kFixedIv));
}

std::string Descifrar(const std::string &key, const std::string &encoded)
{
    std::string bytes;
    if (!encoded.empty() && encoded[0] == kCipherMark) {
        if (!unbase64(encoded.substr(1), bytes) || bytes.size() < kCipherNonceBytes)
            Err_Raise(kErrInvalidCall, "The stored password is not a valid encoding; enter it again.");
        uint8_t iv[CAST128_BLOCK_SIZE];
        nonceIv(bytes.substr(0, kCipherNonceBytes), iv);
        return cast128ctr(key, bytes.substr(kCipherNonceBytes), iv);
    }
    if (!unbase64(encoded, bytes))
        Err_Raise(kErrInvalidCall, "The stored password is not a valid encoding; enter it again.");
    return cast128ctr(key, bytes, kFixedIv);
}

// ------------------------------------------------------------------ blocks

void Armar_Bloques(Bloques &b)
{
    static const char *const tail[] = {
        "from   v$sysstat cur, ",
        "   v$sysstat con, ",
        "   v$sysstat phys, ",
        "   v$statname ncu, ",
        "   v$statname nco, ",
        "   v$statname nph ",
        "where cur.statistic# = ncu.statistic# ",
        "   and ncu.name = 'db block gets' ",
        "   and con.statistic# = nco.statistic# ",
        "   and nco.name = 'consistent gets' ",
        "   and phys.statistic# = nph.statistic# ",
        "   and nph.name = 'physical reads'; ",
    };
    std::string t;
    t += "BEGIN ";
    t += "select value into :REDLOG from v$sysstat ";
    t += "where name = 'redo log space requests'; ";
    t += "select 100 * (sum(pins)-sum(reloads))/sum(pins) into :LIBCAC ";
    t += "from v$librarycache; ";
    t += "select 100 * (sum(gets)-sum(getmisses))/sum(gets) into :ROWCAC ";
    t += "from v$rowcache; ";
    t += "select 100 * (cur.value + con.value - phys.value) / (cur.value + con.value) into :BUFCAC  ";
    for (const char *piece : tail)
        t += piece;
    t += "select value into :SPSIZE ";
    t += "   from v$parameter where name = 'shared_pool_size'; ";
    t += "select value into :BLKBUF ";
    t += "   from v$parameter where name = 'db_block_buffers'; ";
    t += "select value into :LOGBUF ";
    t += "   from v$parameter where name = 'log_buffer'; ";
    t += "END; ";
    b.Bloque_Tuning = t;

    std::string e;
    e += "BEGIN ";
    e += "select sum(value)/1024/1024 into :SSGA from v$sga; ";
    e += "select count(*) into :SSESSIONS from v$session; ";
    e += "select value into :SREDLOG from v$sysstat ";
    e += "where name = 'redo log space requests'; ";
    e += "select 100 * (sum(pins)-sum(reloads))/sum(pins) into :SLIBCAC ";
    e += "from v$librarycache; ";
    e += "select 100 * (sum(gets)-sum(getmisses))/sum(gets) into :SROWCAC ";
    e += "from v$rowcache; ";
    e += "select 100 * (cur.value + con.value - phys.value) / (cur.value + con.value) into :SBUFCAC  ";
    for (const char *piece : tail)
        e += piece;
    e += "END; ";
    b.Bloque_Estado = e;
}

std::string sqlLiteral(const std::string &value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    return out;
}

std::string oracleName(const std::string &name)
{
    bool plain = !name.empty() && name.size() <= 30 && name[0] >= 'A' && name[0] <= 'Z';
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' || c == '#'))
            plain = false;
    if (plain)
        return name;
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string Redondear(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    double r = std::round(value * scale) / scale;
    if (r == 0)
        r = 0;   // never "-0"
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, r);
    std::string s = buf;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    return s;
}

} // namespace shell
