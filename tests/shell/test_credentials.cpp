// Where passwords are kept: nonce'd encodings, older encodings still read, the
// table of long encodings, and a keyring (here an in-memory one) with the
// registry holding only a marker; the encoded fallback when the keyring refuses.
#include "conexiones.h"
#include "errores.h"
#include "credentials.h"
#include "resultgrid.h"
#include "servidores.h"
#include "sqlcvpg.h"
#include "windowtest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <map>

using harness::WindowTest;

namespace {

class MemoryKeyring : public shell::SecretStore {
public:
    bool refuse = false;
    std::map<std::string, std::string> entries;
    bool write(const std::string &k, const std::string &s, std::string &error) override
    {
        if (refuse) {
            error = "locked";
            return false;
        }
        entries[k] = s;
        return true;
    }
    bool read(const std::string &k, std::string &s, std::string &error) override
    {
        auto it = entries.find(k);
        if (it == entries.end()) {
            error = "no such entry";
            return false;
        }
        s = it->second;
        return true;
    }
    bool remove(const std::string &k, std::string &) override { return entries.erase(k) > 0; }
};

void addServer(repository::Servidores *w, const QString &name, const QString &password)
{
    WindowTest::click(w, "SNuevo");
    w->eServidor->setText(name);
    w->eRDBMS->setCurrentIndex(1);
    w->eRDBMS_Click();
    w->eInstancia->setText("ORCL");
    w->eConeccion->setText("sim:ORCL");
    w->eLogin->setText("SYSTEM");
    w->ePassword->setText(password);
    w->eLoginTimeOut->setText("30");
    w->eQueryTimeOut->setText("60");
    WindowTest::click(w, "SNuevo");
}

std::string storedPassword(WindowTest &t, const std::string &server)
{
    return t.ctx.repository
        ->OpenRecordset("SELECT PASSWORD FROM SERVIDORES WHERE SERVIDOR = :s", 0, {{"s", server}})
        ->Field("PASSWORD")
        .toString();
}

} // namespace

class CredentialsTest : public QObject {
    Q_OBJECT
private slots:
    void equalPasswordsAreStoredDifferently();
    void olderEncodingStillConnects();
    void keyringHoldsThePasswordAndTheRowAMarker();
};

void CredentialsTest::equalPasswordsAreStoredDifferently()
{
    WindowTest t;
    auto *w = t.open<repository::Servidores>();
    addServer(w, "ONE", "MANAGER");
    addServer(w, "TWO", "MANAGER");
    const std::string one = storedPassword(t, "ONE"), two = storedPassword(t, "TWO");
    QVERIFY(one != two);
    QVERIFY(one.find("MANAGER") == std::string::npos);
    QCOMPARE(shell::Leer_Clave(t.ctx, one), std::string("MANAGER"));
    QCOMPARE(shell::Leer_Clave(t.ctx, two), std::string("MANAGER"));
    // Both connect with it: the selector positions 1 and 2 are ONE and TWO.
    for (int position : {1, 2}) {
        connections::selectServer(t.ctx, position, position == 1 ? "ONE" : "TWO");
        QCOMPARE(t.ctx.slotTable[position + 1].PASSWORD, std::string("MANAGER"));
    }
    // Nothing shows the password: the list has its mask.
    t.click(w, "GServidores");
    QCOMPARE(t.cell(w, "LServidores", 2, 7), QString("*********"));
    QCOMPARE(t.prompts.count(), 0u);
}

void CredentialsTest::olderEncodingStillConnects()
{
    harness::Options o;
    o.connect = false;
    WindowTest t(o);
    t.ctx.repository->Execute("UPDATE SERVIDORES SET PASSWORD = :p WHERE SERVIDOR = 'DEMO'",
                              {{"p", shell::CifrarAntiguo(shell::kCipherKey, "MANAGER")}});
    connections::selectServer(t.ctx, 0, "DEMO");
    QCOMPARE(t.ctx.slotTable[1].PASSWORD, std::string("MANAGER"));
    connections::connect(t.ctx);
    QVERIFY2(t.ctx.currentConnection() != nullptr, t.prompts.log().c_str());
    // The Servers window shows it for modifying, and saving rewrites it in the new form.
    auto *w = t.open<repository::Servidores>();
    t.click(w, "GServidores");
    w->LServidores->grid()->setCurrentRow(1);
    t.click(w, "SModificar");
    QCOMPARE(w->ePassword->text(), QString("MANAGER"));
    t.click(w, "SModificar");
    QCOMPARE(storedPassword(t, "DEMO").front(), shell::kCipherMark);
    QCOMPARE(shell::Leer_Clave(t.ctx, storedPassword(t, "DEMO")), std::string("MANAGER"));
}

void CredentialsTest::keyringHoldsThePasswordAndTheRowAMarker()
{
    WindowTest t;
    auto keyring = std::make_unique<MemoryKeyring>();
    MemoryKeyring *k = keyring.get();
    t.ctx.secrets = std::move(keyring);
    auto *w = t.open<repository::Servidores>();
    addServer(w, "VAULT", "s3cret pass");
    const std::string stored = storedPassword(t, "VAULT");
    QCOMPARE(stored.rfind(shell::kKeyringMarker, 0), 0u);
    QVERIFY(stored.size() <= 30);
    QCOMPARE(k->entries.size(), 1u);
    QCOMPARE(k->entries.begin()->second, std::string("s3cret pass"));
    connections::selectServer(t.ctx, 1, "VAULT");
    QCOMPARE(t.ctx.slotTable[2].PASSWORD, std::string("s3cret pass"));

    // A keyring that refuses: the encoded form serves, and still decodes.
    k->refuse = true;
    addServer(w, "NOVAULT", "other");
    const std::string fallback = storedPassword(t, "NOVAULT");
    QCOMPARE(fallback.front(), shell::kCipherMark);
    QCOMPARE(shell::Leer_Clave(t.ctx, fallback), std::string("other"));

    // Deleting the server lets its keyring entry go.
    t.click(w, "GServidores");
    w->LServidores->grid()->setCurrentRow(2);
    QCOMPARE(t.cell(w, "LServidores", 2, 0), QString("VAULT"));
    t.click(w, "SEliminar");
    QVERIFY(k->entries.empty());

    // Without the keyring, a marker is reported, never guessed.
    t.ctx.secrets.reset();
    try {
        shell::Leer_Clave(t.ctx, stored);
        QFAIL("a keyring marker was read without a keyring");
    } catch (const shell::VbError &e) {
        QCOMPARE(e.number(), 5);
        QVERIFY(std::string(e.what()).find("keyring") != std::string::npos);
    }
}

QTEST_MAIN(CredentialsTest)
#include "test_credentials.moc"
