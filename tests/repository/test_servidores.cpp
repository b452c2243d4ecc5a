// The Servers window: modes, stored values, delete with its samples, init.
#include "servidores.h"
#include "windowtest.h"

#include "resultgrid.h"
#include "credentials.h"
#include "sqlcvpg.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

using harness::WindowTest;
using repository::Servidores;

namespace {

void fill(Servidores *w, const QString &server, const QString &instance, const QString &password,
          const QString &timeout = "30")
{
    w->eServidor->setText(server);
    w->eRDBMS->setCurrentIndex(1);                 // "ORACLE 8"
    w->eRDBMS_Click();
    w->eVersion->setCurrentIndex(5);               // "8i"
    w->eInstancia->setText(instance);
    w->eConeccion->setText("sim:ORCL");
    w->eLogin->setText("SCOTT");
    w->ePassword->setText(password);
    w->eLoginTimeOut->setText(timeout);
    w->eQueryTimeOut->setText("60");
    w->eEmpresa->setText("ACME");
    w->eContraparte->setText("Ana");
    w->eComentario->setPlainText("line one\nline two");
}

std::unique_ptr<localdb::Recordset> row(WindowTest &t, const std::string &server)
{
    return t.ctx.repository->OpenRecordset("SELECT * FROM SERVIDORES WHERE SERVIDOR = :s", 0, {{"s", server}});
}

void addSample(WindowTest &t, const char *table, const std::string &dbnm)
{
    auto rs = t.ctx.repository->OpenRecordset(table);
    rs->AddNew();
    rs->SetField("DB_NM", dbnm);
    rs->SetField("TS", "USERS");
    if (std::string(table) != "ALERT_TS")
        rs->SetField("CHECK_DATE", localdb::Value::today());
    rs->Update();
}

long count(WindowTest &t, const char *table, const std::string &dbnm)
{
    return t.ctx.repository->OpenRecordset(std::string("SELECT * FROM ") + table + " WHERE DB_NM = :d", 0,
                                           {{"d", dbnm}})
        ->RecordCount();
}

} // namespace

class ServidoresTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithHeadersAndAnEmptyList();
    void newModeStoresTheValues();
    void modifyModeLoadsAndRewrites();
    void failingColumnIsReportedAndTheOthersStored();
    void tooLongPasswordIsRefused();
    void deleteRemovesTheServerAndOnlyItsSamples();
    void initFromTheWindow();
};

void ServidoresTest::opensWithHeadersAndAnEmptyList()
{
    WindowTest t;
    auto *w = t.open<Servidores>();
    QCOMPARE(w->objectName(), QString("SERVIDORES"));
    QCOMPARE(w->windowTitle(), QString("Servers"));
    QCOMPARE(t.cell(w, "LServidores", 0, 0), QString("Server"));
    QCOMPARE(t.cell(w, "LServidores", 0, 7), QString("Password"));
    QCOMPARE(t.cell(w, "LServidores", 0, 9), QString("Query Timeout"));
    QCOMPARE(t.rows(w, "LServidores"), 2);
    QCOMPARE(t.cell(w, "LServidores", 1, 0), QString());
    QCOMPARE(t.cell(w, "eVitacora", 0, 1), QString("Client Name"));
    QCOMPARE(t.cell(w, "eVitacora", 0, 11), QString("Extras Hours 2"));
    QCOMPARE(w->Carpeta_Servidores->tabText(2), QString("Connections"));
    t.click(w, "GServidores");
    QCOMPARE(t.rows(w, "LServidores"), 2);
    QCOMPARE(t.cell(w, "LServidores", 1, 0), QString("DEMO"));
    QCOMPARE(t.cell(w, "LServidores", 1, 4), QString("sim:ORCL"));
    QCOMPARE(t.cell(w, "LServidores", 1, 7), QString("*********"));
    QCOMPARE(t.cell(w, "LServidores", 1, 8), QString("30"));
    QCOMPARE(t.prompts.count(), 0u);
}

void ServidoresTest::newModeStoresTheValues()
{
    WindowTest t;
    auto *w = t.open<Servidores>();
    t.click(w, "SNuevo");
    QCOMPARE(int(w->mode()), int(Servidores::Mode::New));
    QCOMPARE(w->SNuevo->text(), QString("&Ok"));
    QCOMPARE(w->SSalir->text(), QString("&Cancel"));
    for (QPushButton *b : {w->GServidores, w->SModificar, w->SEliminar, w->SImprimir, w->Iniciar_Tabla})
        QVERIFY(!b->isEnabled());
    QCOMPARE(w->Carpeta_Servidores->currentIndex(), 1);
    QCOMPARE(w->eRDBMS->count(), 3);
    QCOMPARE(w->eVersion->count(), 0);
    fill(w, "O'Brien's DB", "ORCL", "  tiger  ");
    t.click(w, "SNuevo");                                   // "&Ok": save and leave
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(int(w->mode()), int(Servidores::Mode::Browse));
    QCOMPARE(w->SNuevo->text(), QString("&New"));
    QCOMPARE(w->SSalir->text(), QString("&Exit"));
    QVERIFY(w->Iniciar_Tabla->isEnabled());
    QCOMPARE(w->Carpeta_Servidores->currentIndex(), 0);
    QCOMPARE(t.rows(w, "LServidores"), 3);                  // refreshed: DEMO and the new one
    QCOMPARE(t.cell(w, "LServidores", 2, 0), QString("O'Brien's DB"));
    QCOMPARE(w->LServidores->grid()->currentRow(), 2);      // the last row filled

    auto rs = row(t, "O'Brien's DB");
    QVERIFY(!rs->IsEOF());
    QCOMPARE(rs->Field("RDBMS").toString(), std::string("ORACLE 8"));
    QCOMPARE(rs->Field("VERSION").toString(), std::string("8i"));
    QCOMPARE(rs->Field("FORMATO").toString(), std::string("XXX"));      // neither option set
    QCOMPARE(rs->Field("LOGIN_TIME_OUT").toInt(), 30LL);
    QCOMPARE(rs->Field("ESTADO").toString(), std::string("SQL*Vigil"));
    QCOMPARE(rs->Field("COMENTARIO").toString(), std::string("line one\nline two"));
    const std::string stored = rs->Field("PASSWORD").toString();
    QVERIFY(stored != "tiger");
    QCOMPARE(shell::Descifrar(shell::kCipherKey, stored), std::string("tiger"));   // blanks removed

    // Cancel leaves new mode without saving anything.
    t.click(w, "SNuevo");
    w->eServidor->setText("NOT SAVED");
    t.click(w, "SSalir");
    QCOMPARE(int(w->mode()), int(Servidores::Mode::Browse));
    QVERIFY(row(t, "NOT SAVED")->IsEOF());
}

void ServidoresTest::modifyModeLoadsAndRewrites()
{
    WindowTest t;
    auto *w = t.open<Servidores>();
    t.click(w, "SNuevo");
    fill(w, "O'Brien", "ORCL", "tiger");
    w->eFormatoRAW->setChecked(true);
    t.click(w, "SNuevo");
    t.ctx.repository->Execute("UPDATE SERVIDORES SET ESTADO = 'OLD'");
    // Without a choice, Modify takes the current row: the last one filled.
    t.click(w, "SModificar");
    QCOMPARE(w->SModificar->text(), QString("&Ok"));
    QVERIFY(!w->SNuevo->isEnabled());
    QCOMPARE(w->eServidor->text(), QString("O'Brien"));
    QCOMPARE(w->eRDBMS->currentText(), QString("ORACLE 8"));
    QCOMPARE(w->eVersion->count(), 6);
    QCOMPARE(w->eVersion->currentText(), QString("8i"));
    QVERIFY(w->eFormatoRAW->isChecked());
    QVERIFY(!w->eFormatoTNS->isChecked());
    QCOMPARE(w->ePassword->text(), QString("tiger"));
    QCOMPARE(w->eComentario->toPlainText(), QString("line one\nline two"));
    w->eFormatoTNS->setChecked(true);
    w->eRDBMS->setCurrentIndex(2);
    w->eRDBMS_Click();
    QCOMPARE(w->eVersion->count(), 1);
    w->eVersion->setCurrentIndex(0);
    t.click(w, "SModificar");
    QCOMPARE(t.prompts.count(), 0u);
    auto rs = row(t, "O'Brien");
    QCOMPARE(rs->RecordCount(), 1L);
    QCOMPARE(rs->Field("FORMATO").toString(), std::string("TNS"));
    QCOMPARE(rs->Field("RDBMS").toString(), std::string("ORACLE 9"));
    QCOMPARE(rs->Field("VERSION").toString(), std::string("9i"));
    QCOMPARE(rs->Field("ESTADO").toString(), std::string("SQL*Vigil"));
    QCOMPARE(row(t, "DEMO")->Field("ESTADO").toString(), std::string("OLD"));   // the other row untouched
}

void ServidoresTest::failingColumnIsReportedAndTheOthersStored()
{
    WindowTest t;
    auto *w = t.open<Servidores>();
    t.click(w, "SNuevo");
    fill(w, "BADTIME", "X", "pw", "soon");
    t.prompts.answer(shell::vbIgnore);
    t.click(w, "SNuevo");
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().title, std::string("Error de Ejecución:3421"));
    auto rs = row(t, "BADTIME");
    QVERIFY(!rs->IsEOF());
    QVERIFY(rs->Field("LOGIN_TIME_OUT").isNull());
    QCOMPARE(rs->Field("QUERY_TIME_OUT").toInt(), 60LL);
    QCOMPARE(rs->Field("CONTRAPARTE").toString(), std::string("Ana"));
}

void ServidoresTest::tooLongPasswordIsRefused()
{
    WindowTest t;
    auto *w = t.open<Servidores>();
    t.click(w, "SNuevo");
    fill(w, "LONGPW", "X", QString(31, 'p'));
    t.click(w, "SNuevo");
    QCOMPARE(t.prompts.count(), 1u);
    QVERIFY(t.prompts.last().text.find("longer than 30") != std::string::npos);
    QCOMPARE(t.prompts.last().icon(), int(shell::vbExclamation));
    QCOMPARE(int(w->mode()), int(Servidores::Mode::New));     // still editing, nothing cut short
    QVERIFY(row(t, "LONGPW")->IsEOF());
    // Thirty accented characters (60 bytes) are kept whole, in the table of long encodings.
    const QString longest = QString("ñ").repeated(30);
    w->ePassword->setText(longest);
    t.click(w, "SNuevo");
    QCOMPARE(int(w->mode()), int(Servidores::Mode::Browse));
    const std::string stored = row(t, "LONGPW")->Field("PASSWORD").toString();
    QVERIFY(stored.size() <= 30);
    QCOMPARE(stored.rfind(shell::kTableMarker, 0), 0u);
    QCOMPARE(shell::Leer_Clave(t.ctx, stored), longest.toStdString());
    // Modify shows it again; a short one then replaces it and the long row goes.
    t.click(w, "GServidores");
    w->LServidores->grid()->setCurrentRow(2);
    t.click(w, "SModificar");
    QCOMPARE(w->ePassword->text(), longest);
    w->ePassword->setText("short");
    t.click(w, "SModificar");
    const std::string now = row(t, "LONGPW")->Field("PASSWORD").toString();
    QCOMPARE(shell::Leer_Clave(t.ctx, now), std::string("short"));
    QCOMPARE(t.ctx.repository->OpenRecordset(std::string("SELECT * FROM ") + shell::kPasswordTable)->RecordCount(), 0L);
}

void ServidoresTest::deleteRemovesTheServerAndOnlyItsSamples()
{
    WindowTest t;
    auto *w = t.open<Servidores>();
    for (const char *name : {"Prod's", "OTHER"}) {
        t.click(w, "SNuevo");
        fill(w, name, "ORCL", "pw");
        t.click(w, "SNuevo");
    }
    for (const char *table : {"ALERT_TS", "EXTENTS", "FILES", "SPACES"}) {
        addSample(t, table, "PROD'S");      // written under the upper-cased server name
        addSample(t, table, "OTHER");
        addSample(t, table, "DEMO");
    }
    // Two servers, same name and instance: one Delete removes both rows.
    t.ctx.repository->Execute("INSERT INTO SERVIDORES (SERVIDOR, INSTANCIA) VALUES ('Prod''s', 'ORCL')");
    // Choose the row of "Prod's".
    t.click(w, "GServidores");
    int r = 1;
    while (t.cell(w, "LServidores", r, 0) != "Prod's")
        ++r;
    w->LServidores->grid()->setCurrentRow(r);
    t.click(w, "SEliminar");
    QCOMPARE(t.prompts.count(), 0u);
    QVERIFY(row(t, "Prod's")->IsEOF());
    for (const char *table : {"ALERT_TS", "EXTENTS", "FILES", "SPACES"}) {
        QCOMPARE(count(t, table, "PROD'S"), 0L);
        QCOMPARE(count(t, table, "OTHER"), 1L);
        QCOMPARE(count(t, table, "DEMO"), 1L);
    }
    QCOMPARE(t.rows(w, "LServidores"), 3);                  // refreshed: DEMO, OTHER

    // Samples shared with another registered server of the same name stay.
    t.ctx.repository->Execute("INSERT INTO SERVIDORES (SERVIDOR, INSTANCIA) VALUES ('other', 'SECOND')");
    t.click(w, "GServidores");
    r = 1;
    while (t.cell(w, "LServidores", r, 0) != "OTHER")
        ++r;
    w->LServidores->grid()->setCurrentRow(r);
    t.click(w, "SEliminar");
    QVERIFY(row(t, "OTHER")->RecordCount() == 1);           // only 'other' / SECOND is left
    QCOMPARE(count(t, "FILES", "OTHER"), 1L);
}

void ServidoresTest::initFromTheWindow()
{
    WindowTest t;
    auto *w = t.open<Servidores>();
    addSample(t, "SPACES", "DEMO");
    addSample(t, "FILES", "DEMO");
    // A populated repository: asked first, No the default; No keeps every row.
    t.prompts.answer(shell::vbNo);
    t.click(w, "Iniciar_Tabla");
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().title, std::string("Cuidado!"));
    QCOMPARE(t.prompts.last().buttons(), int(shell::vbYesNo));
    QCOMPARE(t.prompts.last().icon(), int(shell::vbCritical));
    QCOMPARE(t.prompts.last().defaultAnswer(), int(shell::vbNo));
    QVERIFY2(t.prompts.last().text.find("1 server and 1 space sample will be lost") != std::string::npos,
             t.prompts.last().text.c_str());
    QVERIFY(!row(t, "DEMO")->IsEOF());
    QCOMPARE(count(t, "SPACES", "DEMO"), 1L);
    QCOMPARE(count(t, "FILES", "DEMO"), 1L);

    t.prompts.clear();
    t.prompts.answer(shell::vbYes);
    t.prompts.answerAlways(shell::vbIgnore);
    t.click(w, "Iniciar_Tabla");
    QCOMPARE(t.prompts.count(), 4u);                        // the question, then the three saved queries exist
    QCOMPARE(count(t, "SPACES", "DEMO"), 0L);

    // Now empty: Init asks nothing.
    t.prompts.clear();
    t.click(w, "Iniciar_Tabla");
    QCOMPARE(t.prompts.count(), 3u);
    QCOMPARE(t.prompts.seen().front().title.rfind("Error", 0), 0u);
    t.click(w, "GServidores");
    QCOMPARE(t.cell(w, "LServidores", 1, 0), QString());    // the registry is empty now
    t.click(w, "SSalir");
}

QTEST_MAIN(ServidoresTest)
#include "test_servidores.moc"
