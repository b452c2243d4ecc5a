// The datafile window: the listing, online/offline, recover, the offline drop in
// NOARCHIVELOG mode only, and the rename of an offline tablespace's file, with
// what the server shows afterwards.
#include "datafiles.h"

#include "storagetest.h"

#include "prompts.h"

#include <QDialog>
#include <QInputDialog>
#include <QTest>

using harness::WindowTest;
using storage::Datafiles;
using namespace storagetest;

namespace {

const std::string kListSql =
    "select b.file# numero_dbf, a.file_name uno, a.tablespace_name dos, a.bytes/1024/1024 tres, b.status cuatro from "
    "dba_data_files a, v$datafile b where a.file_name = b.name order by b.file#";
const QString kUsers02 = "/u04/oradata/ORCL/users02.dbf";

Datafiles *listed(WindowTest &t)
{
    auto *w = t.open<Datafiles>();
    w->GDatafiles_Click();
    t.clearStatements();
    return w;
}

std::string statusOf(WindowTest &t, const QString &file)
{
    return one(t, "select status from v$datafile where name = '" + file.toStdString() + "'");
}

} // namespace

class DatafilesTest : public QObject {
    Q_OBJECT
private slots:
    void listsEveryDatafile();
    void switchesAndRecovers();
    void offlineDropNeedsNoArchivelog();
    void renameNeedsAnOfflineTablespace();
};

void DatafilesTest::listsEveryDatafile()
{
    WindowTest t;
    auto *w = t.open<Datafiles>();
    QVERIFY(t.statements().empty());
    w->GDatafiles_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{kListSql});
    QCOMPARE(w->LDatafiles->grid()->dataRows(), 8);
    QStringList row;
    for (int c = 0; c <= 4; ++c)
        row << t.cell(w, "LDatafiles", 7, c);
    // Column 0 is the server's file number.
    QCOMPARE(row, QStringList({"7", kUsers02, "USERS", "50", "ONLINE"}));
    QCOMPARE(t.cell(w, "LDatafiles", 1, 4), QString("SYSTEM"));
    QCOMPARE(t.cell(w, "LDatafiles", 0, 0), QString("FILE ID"));
    QVERIFY(showsAllColumns(w->LDatafiles));
}

void DatafilesTest::switchesAndRecovers()
{
    WindowTest t;
    auto *w = listed(t);
    // SYSTEM status: neither switch nor question.
    select(w->LDatafiles, 1);
    w->Estado_Datafile_Click();
    QCOMPARE(t.prompts.count(), 0u);

    // ONLINE: recover refused; offline after Yes (No first sends nothing).
    select(w->LDatafiles, 7);
    w->Recobrar_Datafile_Click();
    QCOMPARE(messages(t), std::vector<std::string>{
                              "SQL*Vigil|Este datafile se encuentra ONLINE. No requiere recuperación"});
    t.prompts.clear();
    w->Estado_Datafile_Click();
    QCOMPARE(messages(t), std::vector<std::string>{"Cuidado!|Desea usted pasar a OFFLINE el datafile  : " +
                                                   kUsers02.toStdString() + "?"});
    QVERIFY(t.statements().empty());
    t.prompts.clear();
    t.prompts.answer(shell::vbYes);
    w->Estado_Datafile_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{"alter database datafile '" + kUsers02.toStdString() +
                                                      "' OFFLINE"});
    QCOMPARE(t.prompts.count(), 1u);   // no message follows
    QCOMPARE(statusOf(t, kUsers02), std::string("RECOVER"));

    // RECOVER: the switch does nothing; recover brings it to OFFLINE, then ONLINE.
    w->GDatafiles_Click();
    select(w->LDatafiles, 7);
    t.clearStatements();
    t.prompts.clear();
    w->Estado_Datafile_Click();
    QCOMPARE(t.prompts.count(), 0u);
    t.prompts.answer(shell::vbYes);
    w->Recobrar_Datafile_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{"alter database recover datafile '" + kUsers02.toStdString() +
                                                      "'"});
    QCOMPARE(messages(t), (std::vector<std::string>{"Cuidado!|Desea usted ejecutar RECOVER sobre el datafile  : " +
                                                        kUsers02.toStdString() + "?",
                                                    "SQL*Vigil|Datafile recuperado"}));
    QCOMPARE(statusOf(t, kUsers02), std::string("OFFLINE"));
    w->GDatafiles_Click();
    select(w->LDatafiles, 7);
    t.clearStatements();
    t.prompts.clear();
    t.prompts.answer(shell::vbYes);
    w->Estado_Datafile_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{"alter database datafile '" + kUsers02.toStdString() +
                                                      "' ONLINE"});
    QCOMPARE(statusOf(t, kUsers02), std::string("ONLINE"));
}

void DatafilesTest::offlineDropNeedsNoArchivelog()
{
    {
        WindowTest t;   // ARCHIVELOG
        auto *w = listed(t);
        select(w->LDatafiles, 7);
        w->Borrar_Datafile_Click();
        QCOMPARE(t.statements(), std::vector<std::string>{"select log_mode from v$database"});
        QCOMPARE(messages(t), std::vector<std::string>{"SQL*Vigil|La base de datos debe encontrarse en modo "
                                                       "NOARCHIVELOG para ejecutar esta operación"});
    }
    WindowTest t({.service = "sim:ORCL?logmode=noarchivelog"});
    auto *w = listed(t);
    select(w->LDatafiles, 7);
    w->Borrar_Datafile_Click();   // No
    QCOMPARE(t.statements(), std::vector<std::string>{"select log_mode from v$database"});
    QCOMPARE(messages(t), std::vector<std::string>{"Cuidado!|Desea usted aplicar OFFLINE DROP sobre el datafile  : " +
                                                   kUsers02.toStdString() + "?"});
    t.clearStatements();
    t.prompts.clear();
    t.prompts.answer(shell::vbYes);
    w->Borrar_Datafile_Click();
    QCOMPARE(t.statements(), (std::vector<std::string>{"select log_mode from v$database",
                                                       "alter database datafile '" + kUsers02.toStdString() +
                                                           "' offline drop"}));
    QCOMPARE(messages(t).back(), std::string("SQL*Vigil|Datafile borrado"));
    QCOMPARE(statusOf(t, kUsers02), std::string("RECOVER"));
}

void DatafilesTest::renameNeedsAnOfflineTablespace()
{
    WindowTest t;
    auto *w = listed(t);
    // An online tablespace: only the precondition message.
    select(w->LDatafiles, 7);
    w->Renombrar_Datafile_Click();
    QCOMPARE(t.statements(),
             std::vector<std::string>{"select status from dba_tablespaces where tablespace_name = 'USERS'"});
    QCOMPARE(messages(t), std::vector<std::string>{"SQL*Vigil|El tablespace debe encontrarse OFFLINE para ejecutar "
                                                   "esta operación"});
    QCOMPARE(t.prompts.count(), 1u);

    // TOOLS is offline: the new name is asked; a cancelled question sends nothing.
    const int tools = rowOf(w->LDatafiles, "TOOLS", 2);
    const std::string from = "/u02/oradata/ORCL/tools01.dbf", to = "/u08/oradata/ORCL/tools01.dbf";
    select(w->LDatafiles, tools);
    t.clearStatements();
    t.prompts.clear();
    t.prompts.onDialog([&](QDialog &d) {
        static_cast<QInputDialog &>(d).setTextValue(QString::fromStdString(to));
        return int(QDialog::Accepted);
    });
    w->Renombrar_Datafile_Click();   // No
    QCOMPARE(t.prompts.seen()[0].dialogName, std::string("RENOMBRAR_DATAFILE"));
    QCOMPARE(messages(t), std::vector<std::string>{"Cuidado!|Desea usted renombrar el datafile  : " + from + " a " + to +
                                                   "?"});
    QCOMPARE(t.statements().size(), 1u);

    t.clearStatements();
    t.prompts.clear();
    t.prompts.onDialog([&](QDialog &d) {
        static_cast<QInputDialog &>(d).setTextValue(QString::fromStdString(to));
        return int(QDialog::Accepted);
    });
    t.prompts.answer(shell::vbYes);
    w->Renombrar_Datafile_Click();
    QCOMPARE(t.statements(), (std::vector<std::string>{
                                 "select status from dba_tablespaces where tablespace_name = 'TOOLS'",
                                 "alter tablespace TOOLS rename datafile '" + from + "' to '" + to + "'"}));
    QCOMPARE(messages(t).back(), std::string("SQL*Vigil|Datafile renombrado"));
    QCOMPARE(one(t, "select count(*) from dba_data_files where file_name = '" + to + "' and tablespace_name = 'TOOLS'"),
             std::string("1"));
    QCOMPARE(statusOf(t, QString::fromStdString(to)), std::string("OFFLINE"));
    QCOMPARE(one(t, "select count(*) from v$datafile where name = '" + from + "'"), std::string("0"));

    // A name holding a quote reaches the server doubled; the new name is taken by another file.
    t.clearStatements();
    t.prompts.clear();
    w->GDatafiles_Click();
    select(w->LDatafiles, rowOf(w->LDatafiles, "TOOLS", 2));
    t.clearStatements();
    t.prompts.onDialog([&](QDialog &d) {
        static_cast<QInputDialog &>(d).setTextValue("/u02/oradata/ORCL/system01.dbf");
        return int(QDialog::Accepted);
    });
    t.prompts.answer(shell::vbYes).answer(shell::vbAbort);
    w->Renombrar_Datafile_Click();
    QCOMPARE(t.statements().back(), "alter tablespace TOOLS rename datafile '" + to +
                                        "' to '/u02/oradata/ORCL/system01.dbf'");
    QVERIFY(anyMessageContains(t, "ORA-01525") || anyMessageContains(t, "ORA-01523"));
    QVERIFY(!anyMessageContains(t, "renombrado"));

    t.clearStatements();
    t.prompts.clear();
    t.prompts.onDialog([&](QDialog &d) {
        static_cast<QInputDialog &>(d).setTextValue("/u08/o'neil.dbf");
        return int(QDialog::Accepted);
    });
    t.prompts.answer(shell::vbYes);
    w->Renombrar_Datafile_Click();
    QCOMPARE(t.statements().back(), "alter tablespace TOOLS rename datafile '" + to + "' to '/u08/o''neil.dbf'");
    QCOMPARE(one(t, "select count(*) from v$datafile where name = '/u08/o''neil.dbf'"), std::string("1"));
}

QTEST_MAIN(DatafilesTest)
#include "test_datafiles.moc"
