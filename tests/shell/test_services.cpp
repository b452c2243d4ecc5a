// Common services: the error dialog and the resume protocol, the pointer, the
// settings reader, the password cipher and the PL/SQL block texts.
#include "appcontext.h"
#include "errores.h"
#include "scriptedprompts.h"
#include "sqlcvpg.h"

#include "access/oraerror.h"
#include "access/oravalue.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>

using namespace shell;

namespace {

struct Services : ::testing::Test {
    harness::ScriptedPrompts prompts;
    AppContext ctx{prompts};
    std::vector<std::string> trace;
};

} // namespace

TEST_F(Services, ErrorDialogTitleBodyAndStyle)
{
    prompts.answer(vbAbort);
    EXPECT_EQ(Manejar_Error(ctx, Err_From(std::make_exception_ptr(localdb::DbError(3021, "No current record.")))),
              vbAbort);
    ASSERT_EQ(prompts.count(), 1u);
    EXPECT_EQ(prompts.last().title, "Error de Ejecución:3021");
    EXPECT_EQ(prompts.last().text, "No current record.");
    EXPECT_EQ(prompts.last().style, 18);                      // Abort, Retry, Ignore + critical
    EXPECT_EQ(prompts.last().defaultAnswer(), vbAbort);

    // An error raised by a server: the standard text and the server's own message.
    prompts.answer(vbIgnore);
    EXPECT_EQ(Manejar_Error(ctx, Err_From(std::make_exception_ptr(
                                     access::OraError(942, "ORA-00942: table or view does not exist")))),
              vbIgnore);
    EXPECT_EQ(prompts.last().title, "Error de Ejecución:440");
    EXPECT_EQ(prompts.last().text, "Automation error\n\nORA-00942: table or view does not exist");

    // A number without a text of its own gets the generic one.
    EXPECT_EQ(Error_Texto(31999), "Application-defined or object-defined error");

    // Nothing pending: no dialog, answer 0, pointer restored. Error 94: no dialog, Ignore.
    prompts.clear();
    Cursor_Ocupado(ctx);
    EXPECT_EQ(Manejar_Error(ctx, PendingError{}), 0);
    EXPECT_EQ(ctx.pointer.code(), kPointerDefault);
    Cursor_Ocupado(ctx);
    EXPECT_EQ(Manejar_Error(ctx, Err_From(std::make_exception_ptr(VbError(94)))), vbIgnore);
    EXPECT_EQ(ctx.pointer.code(), kPointerDefault);
    EXPECT_EQ(prompts.count(), 0u);
}

TEST_F(Services, ResumeProtocolRetryIgnoreAbort)
{
    // Retry runs the failing step again from its beginning.
    int attempts = 0;
    {
        prompts.answer(vbRetry);
        GuardedOperation op(ctx);
        op.step([&] { trace.push_back("one"); });
        op.step([&] {
            Cursor_Ocupado(ctx);
            trace.push_back("two");
            if (++attempts == 1)
                throw localdb::DbError(3265, "Item not found in this collection.");
        });
        op.step([&] { trace.push_back("three"); });
        EXPECT_EQ(ctx.pointer.code(), kPointerBusy);
    }
    EXPECT_EQ(trace, (std::vector<std::string>{"one", "two", "two", "three"}));
    EXPECT_EQ(ctx.pointer.code(), kPointerDefault);     // the normal end restores it

    // Ignore goes on with the next step; the failing step is not run again.
    trace.clear();
    {
        prompts.answer(vbIgnore);
        GuardedOperation op(ctx);
        op.step([&] { trace.push_back("a"); throw VbError(13); trace.push_back("not reached"); });
        EXPECT_TRUE(op.alive());
        op.step([&] { trace.push_back("b"); });
    }
    EXPECT_EQ(trace, (std::vector<std::string>{"a", "b"}));

    // Abort ends the operation: every later step is skipped, inside loops too.
    trace.clear();
    prompts.answer(vbAbort);
    {
        GuardedOperation op(ctx);
        for (int i = 0; i < 5; ++i)
            op.step([&] {
                Cursor_Ocupado(ctx);
                trace.push_back(std::to_string(i));
                if (i == 2)
                    throw VbError(9);
            });
        EXPECT_FALSE(op.alive());
        EXPECT_EQ(op.lastAnswer(), vbAbort);
        EXPECT_EQ(ctx.pointer.code(), kPointerDefault);   // the handler restored it
        EXPECT_FALSE(op.step([&] { trace.push_back("after"); }));
    }
    EXPECT_EQ(trace, (std::vector<std::string>{"0", "1", "2"}));

    // Error 94 is skipped silently, a row at a time.
    trace.clear();
    prompts.clear();
    {
        GuardedOperation op(ctx);
        access::OraValue null, value = access::OraValue::text("X");
        for (const access::OraValue *v : {&value, &null, &value})
            op.step([&] { trace.push_back(Texto(*v)); });
    }
    EXPECT_EQ(trace, (std::vector<std::string>{"X", "X"}));
    EXPECT_EQ(prompts.count(), 0u);

    // Ignore on the last step ends the operation normally; any other answer ends it.
    prompts.answer(vbIgnore).answer(vbCancel);
    {
        GuardedOperation op(ctx);
        EXPECT_TRUE(op.step([] { throw VbError(5); }));
        EXPECT_TRUE(op.alive());
    }
    {
        GuardedOperation op(ctx);
        EXPECT_FALSE(op.step([] { throw std::runtime_error("boom"); }));
    }
    EXPECT_EQ(prompts.last().title, "Error de Ejecución:440");
    EXPECT_EQ(prompts.last().text, "Automation error\n\nboom");
}

TEST_F(Services, ResumeRuleGivesAnswersTheirOwnMeaning)
{
    prompts.answer(vbRetry).answer(vbIgnore);
    int runs = 0;
    bool freed = false;
    GuardedOperation op(ctx);
    auto rule = [&](int answer) {
        if (answer == vbRetry)
            return Resume::Retry;
        freed = true;
        return Resume::End;
    };
    EXPECT_FALSE(op.step([&] { ++runs; throw VbError(440, "ORA-01017: invalid username/password; logon denied"); },
                         rule));
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(freed);
    EXPECT_FALSE(op.alive());
}

TEST(Settings, LeerIni)
{
    char path[] = "/tmp/sqlvigil-iniXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    {
        std::ofstream out(path);
        out << "; comment\n[Other]\nBDLOCAL=/wrong/\n[ directorios ]\n  bdlocal = /data/sqlvigil/  \n"
            << "EMPTY=\nQUOTED=\"/with space/\"\nLONG=" << std::string(300, 'x') << "\n";
    }
    const std::string def = "/home/u/.local/share/sqlvigil/";
    EXPECT_EQ(Leer_Ini(path, "DIRECTORIOS", "BDLOCAL", def), "/data/sqlvigil/");
    EXPECT_EQ(Leer_Ini(path, "DIRECTORIOS", "EMPTY", def), "");
    EXPECT_EQ(Leer_Ini(path, "DIRECTORIOS", "QUOTED", def), "/with space/");
    EXPECT_EQ(Leer_Ini(path, "DIRECTORIOS", "LONG", def), std::string(254, 'x'));
    std::size_t stored = 0;
    Leer_Ini(path, "DIRECTORIOS", "LONG", def, &stored);
    EXPECT_EQ(stored, 300u);                  // the caller can tell that the value was cut
    Leer_Ini(path, "DIRECTORIOS", "MISSING", def, &stored);
    EXPECT_EQ(stored, 0u);
    EXPECT_EQ(Leer_Ini(path, "DIRECTORIOS", "MISSING", def), def);
    EXPECT_EQ(Leer_Ini(path, "NOSECTION", "BDLOCAL", def), def);
    std::remove(path);
    EXPECT_EQ(Leer_Ini(path, "DIRECTORIOS", "BDLOCAL", def), def);

    // The platform's defaults: per-user places, the directory with its trailing slash.
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    setenv("XDG_DATA_HOME", "/data", 1);
    EXPECT_EQ(defaultIniPath(), "/cfg/sqlvigil/SQLVigil.ini");
    EXPECT_EQ(defaultRepositoryDirectory(), "/data/sqlvigil/");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
}

TEST(Splicing, LiteralsAndNames)
{
    EXPECT_EQ(sqlLiteral("o'brien"), "o''brien");
    EXPECT_EQ(sqlLiteral("x'; drop table t; --"), "x''; drop table t; --");
    EXPECT_EQ(oracleName("SCOTT"), "SCOTT");
    EXPECT_EQ(oracleName("APP$USER#1"), "APP$USER#1");
    EXPECT_EQ(oracleName("scott"), "\"scott\"");
    EXPECT_EQ(oracleName("MY USER"), "\"MY USER\"");
    EXPECT_EQ(oracleName("A\"B"), "\"A\"\"B\"");
    EXPECT_EQ(oracleName("1ABC"), "\"1ABC\"");
}

TEST(Cipher, RoundTripFitsTheColumnAndRefusesWhatDoesNot)
{
    for (std::string p : std::vector<std::string>{"", "M", "MANAGER", "tiger", "change_on_install", "pässwörd ñ", "  blanks  ",
                          std::string("a\0b", 3), std::string(17, 'z')}) {
        const std::string enc = Cifrar(kCipherKey, p);
        EXPECT_LE(enc.size(), 30u) << p;
        ASSERT_EQ(enc[0], '~');
        EXPECT_EQ(enc.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", 1),
                  std::string::npos);
        EXPECT_EQ(Descifrar(kCipherKey, enc), p);
        // The encoding is random: a short password may turn up in it by chance,
        // a password of five letters or more practically never.
        if (p.size() >= 5)
            EXPECT_EQ(enc.find(p), std::string::npos);
    }
    EXPECT_TRUE(CifradoCabe(std::string(17, 'x')));
    EXPECT_FALSE(CifradoCabe(std::string(18, 'x')));
    try {
        Cifrar(kCipherKey, std::string(18, 'x'));
        FAIL() << "an encoding too long for the column was accepted";
    } catch (const VbError &e) {
        EXPECT_EQ(e.number(), 5);
    }
    EXPECT_EQ(Descifrar(kCipherKey, Cifrar(kCipherKey, std::string(60, 'y'), false)), std::string(60, 'y'));
    for (const char *bad : {"not base64!", "A", "ABCDE", "~", "~AB", "~not base64"}) {
        try {
            Descifrar(kCipherKey, bad);
            FAIL() << bad;
        } catch (const VbError &e) {
            EXPECT_EQ(e.number(), 5);
        }
    }
}

// Each encoding has its own nonce: equal passwords give different texts, and
// knowing one password and its text gives no other password's key stream (with
// the older fixed key stream, XOR of the two texts with the known password does).
TEST(Cipher, EqualPasswordsDifferAndOneRevealsNoOther)
{
    const std::string a = Cifrar(kCipherKey, "MANAGER"), b = Cifrar(kCipherKey, "MANAGER");
    EXPECT_NE(a, b);
    EXPECT_EQ(Descifrar(kCipherKey, a), "MANAGER");
    EXPECT_EQ(Descifrar(kCipherKey, b), "MANAGER");

    auto bytesOf = [](const std::string &enc, bool nonced) {
        std::string raw;
        const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        unsigned bits = 0;
        int count = 0;
        for (char c : enc.substr(nonced ? 1 : 0)) {
            bits = (bits << 6) | static_cast<unsigned>(alphabet.find(c));
            count += 6;
            if (count >= 8) {
                count -= 8;
                raw += static_cast<char>((bits >> count) & 0xFF);
            }
        }
        return nonced ? raw.substr(kCipherNonceBytes) : raw;
    };
    const std::string known = "tiger1", secret = "lion22";
    auto recovered = [&](const std::string &kenc, const std::string &senc, bool nonced) {
        const std::string k = bytesOf(kenc, nonced), s = bytesOf(senc, nonced);
        std::string out;
        for (std::size_t i = 0; i < known.size(); ++i)
            out += static_cast<char>(k[i] ^ known[i] ^ s[i]);
        return out;
    };
    // The older form leaks; the nonce'd one does not.
    EXPECT_EQ(recovered(CifrarAntiguo(kCipherKey, known), CifrarAntiguo(kCipherKey, secret), false), secret);
    EXPECT_NE(recovered(Cifrar(kCipherKey, known), Cifrar(kCipherKey, secret), true), secret);
    // What earlier versions stored still decodes.
    EXPECT_EQ(Descifrar(kCipherKey, CifrarAntiguo(kCipherKey, "MANAGER")), "MANAGER");
}

TEST(Blocks, ExactTexts)
{
    Bloques b;
    Armar_Bloques(b);
    const std::string tail =
        "from   v$sysstat cur,    v$sysstat con,    v$sysstat phys,    v$statname ncu,    v$statname nco,    "
        "v$statname nph where cur.statistic# = ncu.statistic#    and ncu.name = 'db block gets'    and "
        "con.statistic# = nco.statistic#    and nco.name = 'consistent gets'    and phys.statistic# = "
        "nph.statistic#    and nph.name = 'physical reads'; ";
    EXPECT_EQ(b.Bloque_Tuning,
              "BEGIN select value into :REDLOG from v$sysstat where name = 'redo log space requests'; "
              "select 100 * (sum(pins)-sum(reloads))/sum(pins) into :LIBCAC from v$librarycache; "
              "select 100 * (sum(gets)-sum(getmisses))/sum(gets) into :ROWCAC from v$rowcache; "
              "select 100 * (cur.value + con.value - phys.value) / (cur.value + con.value) into :BUFCAC  " +
                  tail +
                  "select value into :SPSIZE    from v$parameter where name = 'shared_pool_size'; "
                  "select value into :BLKBUF    from v$parameter where name = 'db_block_buffers'; "
                  "select value into :LOGBUF    from v$parameter where name = 'log_buffer'; END; ");
    EXPECT_EQ(b.Bloque_Estado,
              "BEGIN select sum(value)/1024/1024 into :SSGA from v$sga; "
              "select count(*) into :SSESSIONS from v$session; "
              "select value into :SREDLOG from v$sysstat where name = 'redo log space requests'; "
              "select 100 * (sum(pins)-sum(reloads))/sum(pins) into :SLIBCAC from v$librarycache; "
              "select 100 * (sum(gets)-sum(getmisses))/sum(gets) into :SROWCAC from v$rowcache; "
              "select 100 * (cur.value + con.value - phys.value) / (cur.value + con.value) into :SBUFCAC  " +
                  tail + "END; ");
    Bloques again;
    Armar_Bloques(again);
    Armar_Bloques(again);                       // each block is built from empty
    EXPECT_EQ(again.Bloque_Tuning, b.Bloque_Tuning);
}

TEST(Robustness, SettingsAndCipherTakeAnyText)
{
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> byte(0, 255), len(0, 400);
    char path[] = "/tmp/sqlvigil-fuzzXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    for (int i = 0; i < 500; ++i) {
        std::string junk;
        for (int n = len(rng); n > 0; --n)
            junk += static_cast<char>(i % 3 ? "[]=;\n abcDIRECTORIOSBDLOCAL"[byte(rng) % 28] : byte(rng));
        std::ofstream(path, std::ios::binary) << junk;
        const std::string v = Leer_Ini(path, "DIRECTORIOS", "BDLOCAL", "def");
        EXPECT_LE(v.size(), 254u);
        try {
            Descifrar(kCipherKey, junk.substr(0, 40));
        } catch (const VbError &e) {
            EXPECT_EQ(e.number(), 5);
        }
    }
    std::remove(path);
}
