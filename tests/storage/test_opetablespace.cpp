// The tablespace maintenance window with its datafile dialog: the create statement
// with its checks (% Increase 0, 100, 101; Min Extents equal to Max Extents), the
// modify statements of changed values only with their preview boxes, and what the
// server shows after Yes and after No.
#include "opetablespace.h"
#include "tablespace.h"

#include "storagetest.h"

#include "prompts.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using harness::WindowTest;
using storage::Tablespace;
using namespace storagetest;

namespace {

// Plans one CDATAFILE dialog: the name, the size, the unit option and reuse, then OK.
void planDatafile(WindowTest &t, const QString &name, const QString &size, const char *unit, bool reuse)
{
    t.prompts.onDialog([name, size, unit, reuse](QDialog &d) {
        WindowTest::setText(&d, "Name_Datafile", name);
        WindowTest::setText(&d, "Size_Datafile", size);
        qobject_cast<QRadioButton *>(WindowTest::child(&d, unit))->setChecked(true);
        qobject_cast<QCheckBox *>(WindowTest::child(&d, "Reusar"))->setChecked(reuse);
        WindowTest::click(&d, "OK");
        return d.result();
    });
}

void setStorage(QDialog &d, const QString &initial, const QString &next, const QString &min, const QString &max,
                const QString &pct)
{
    WindowTest::setText(&d, "Initial", initial);
    WindowTest::setText(&d, "MiNext", next);
    WindowTest::setText(&d, "MinExtents", min);
    WindowTest::setText(&d, "MaxExtents", max);
    WindowTest::setText(&d, "Pct_Increase", pct);
}

Tablespace *listed(WindowTest &t)
{
    auto *w = t.open<Tablespace>();
    w->GTablespaces_Click();
    t.clearStatements();
    return w;
}

} // namespace

class OpeTablespaceTest : public QObject {
    Q_OBJECT
private slots:
    void createChecksEachValueAndBuildsTheStatement();
    void createAnsweredNoSendsNothing();
    void createRefusedByTheServer();
    void fileLeftOnDiskNeedsReuse();
    void datafileDialogRules();
    void modifyLoadsTheTablespace();
    void modifyWithNothingChangedSendsNothing();
    void modifyShowsPreviewsAfterNoAndRunsAfterYes();
};

void OpeTablespaceTest::createChecksEachValueAndBuildsTheStatement()
{
    WindowTest t;
    auto *w = listed(t);
    QString caption;
    bool quotasEnabled = true, unitB = false;
    std::vector<std::string> seenBeforeYes;
    t.prompts.onDialog([&](QDialog &d) {
        caption = d.windowTitle();
        quotasEnabled = WindowTest::child(&d, "TBQuotas")->isEnabled();
        unitB = qobject_cast<QCheckBox *>(WindowTest::child(&d, "Initial_B"))->isChecked();
        WindowTest::click(&d, "Aceptar");                      // no name
        WindowTest::setText(&d, "Nombre", " datos ");
        WindowTest::click(&d, "Aceptar");                      // no datafile
        WindowTest::click(&d, "Sobre_Datafiles");
        WindowTest::click(&d, "Sobre_Datafiles");
        setStorage(d, "0", "10240", "5", "5", "50");
        WindowTest::click(&d, "Aceptar");                      // Initial 0
        setStorage(d, "10240", "", "5", "5", "50");
        WindowTest::click(&d, "Aceptar");                      // Next empty
        setStorage(d, "10240", "10240", "0", "5", "50");
        WindowTest::click(&d, "Aceptar");                      // Min 0
        setStorage(d, "10240", "10240", "6", "5", "50");
        WindowTest::click(&d, "Aceptar");                      // Min above Max
        setStorage(d, "10240", "10240", "5", "5", "0");
        WindowTest::click(&d, "Aceptar");                      // % Increase 0
        WindowTest::setText(&d, "Pct_Increase", "101");
        WindowTest::click(&d, "Aceptar");                      // % Increase 101
        seenBeforeYes = messages(t);
        WindowTest::setText(&d, "Pct_Increase", "100");        // 100 and Min = Max: accepted
        t.prompts.answer(shell::vbYes);
        WindowTest::click(&d, "Aceptar");
        return d.result();
    });
    planDatafile(t, "/u09/oradata/ORCL/datos01.dbf", "10", "Size_En_Mbytes", false);
    planDatafile(t, "/u09/oradata/ORCL/datos02.dbf", "5", "Size_En_Mbytes", true);
    w->Crear_Tablespace_Click();

    QCOMPARE(caption, QString("Crear Tablespace"));
    QVERIFY(!quotasEnabled);
    QVERIFY(unitB);
    const std::vector<std::string> checks = {
        "SQL*Vigil|Falta nombre del tablespace",
        "SQL*Vigil|Debe ingresar al menos un DataFile",
        "SQL*Vigil|Entre un valor de Initial mayor que cero",
        "SQL*Vigil|Entre un valor de Next mayor que cero",
        "SQL*Vigil|Entre un valor de MinExtents mayor que cero",
        "SQL*Vigil|Entre un valor de MaxExtents igual o mayor a MinExtents",
        "SQL*Vigil|Entre un valor de PctIncrease mayor que 0 (n > 0) y menor o igual a 100 (n <= 100)",
        "SQL*Vigil|Entre un valor de PctIncrease mayor que 0 (n > 0) y menor o igual a 100 (n <= 100)"};
    QCOMPARE(seenBeforeYes, checks);
    const std::string created =
        "create tablespace DATOS datafile '/u09/oradata/ORCL/datos01.dbf' size  10M , "
        "'/u09/oradata/ORCL/datos02.dbf' size  5M reuse default storage ( initial 10240 next 10240 minextents 5 "
        "maxextents 5 pctincrease 100 )";
    QCOMPARE(t.statements(), std::vector<std::string>{created});
    const auto all = messages(t);
    QCOMPARE(all[all.size() - 2], std::string("Cuidado!|Desea usted crear el tablespace : DATOS"));
    QCOMPARE(all.back(), std::string("SQL*Vigil|Tablespace DATOS creada!"));

    // The server has it, with its files and their free space.
    QCOMPARE(one(t, "select min_extents||'/'||max_extents||'/'||pct_increase||'/'||status from dba_tablespaces "
                    "where tablespace_name = 'DATOS'"),
             std::string("5/5/100/ONLINE"));
    QCOMPARE(one(t, "select count(*) from dba_data_files where tablespace_name = 'DATOS'"), std::string("2"));
    QCOMPARE(one(t, "select status from v$datafile where name = '/u09/oradata/ORCL/datos02.dbf'"),
             std::string("ONLINE"));
    QCOMPARE(one(t, "select round(sum(bytes)/1024/1024) from dba_free_space where tablespace_name = 'DATOS'"),
             std::string("15"));
}

void OpeTablespaceTest::createAnsweredNoSendsNothing()
{
    WindowTest t;
    auto *w = listed(t);
    t.prompts.onDialog([&](QDialog &d) {
        WindowTest::setText(&d, "Nombre", "T");
        WindowTest::click(&d, "Sobre_Datafiles");
        setStorage(d, "10240", "10240", "1", "121", "50");
        WindowTest::click(&d, "Aceptar");          // unplanned: No, the default
        return d.result();
    });
    planDatafile(t, "f1", "10", "Size_En_Kbytes", false);
    w->Crear_Tablespace_Click();
    QCOMPARE(messages(t), std::vector<std::string>{"Cuidado!|Desea usted crear el tablespace : T"});
    QCOMPARE(t.prompts.seen().back().answer, int(shell::vbNo));
    QVERIFY(t.statements().empty());
    QCOMPARE(one(t, "select count(*) from dba_tablespaces where tablespace_name = 'T'"), std::string("0"));
    // The window closed after No.
    QCOMPARE(t.prompts.seen()[0].answer, int(QDialog::Accepted));
}

void OpeTablespaceTest::createRefusedByTheServer()
{
    WindowTest t;
    auto *w = listed(t);
    // A file that is part of the database already, and a lower-case name that
    // must be quoted to stay lower case.
    t.prompts.onDialog([&](QDialog &d) {
        WindowTest::setText(&d, "Nombre", "\"datos viejos\"");
        WindowTest::click(&d, "Sobre_Datafiles");
        setStorage(d, "64K", "64K", "1", "121", "10");
        t.prompts.answer(shell::vbYes).answer(shell::vbAbort);
        WindowTest::click(&d, "Aceptar");
        return d.result();
    });
    planDatafile(t, "/u04/oradata/ORCL/users01.dbf", "2", "Size_En_Mbytes", false);
    w->Crear_Tablespace_Click();
    QCOMPARE(t.statements(),
             std::vector<std::string>{"create tablespace \"datos viejos\" datafile '/u04/oradata/ORCL/users01.dbf' "
                                      "size  2M default storage ( initial 64K next 64K minextents 1 maxextents 121 "
                                      "pctincrease 10 )"});
    QVERIFY(anyMessageContains(t, "ORA-01537"));
    QVERIFY(!anyMessageContains(t, "creada!"));
    QCOMPARE(one(t, "select count(*) from dba_tablespaces where tablespace_name = 'datos viejos'"), std::string("0"));
}

void OpeTablespaceTest::fileLeftOnDiskNeedsReuse()
{
    const QString old = "/u04/oradata/ORCL/users_old01.dbf";
    for (bool reuse : {false, true}) {
        WindowTest t;
        auto *w = listed(t);
        t.prompts.onDialog([&](QDialog &d) {
            WindowTest::setText(&d, "Nombre", "VIEJO");
            WindowTest::click(&d, "Sobre_Datafiles");
            setStorage(d, "8192", "8192", "1", "121", "50");
            t.prompts.answer(shell::vbYes).answer(shell::vbAbort);
            WindowTest::click(&d, "Aceptar");
            return d.result();
        });
        planDatafile(t, old, "1", "Size_En_Mbytes", reuse);
        w->Crear_Tablespace_Click();
        QCOMPARE(t.statements(), std::vector<std::string>{"create tablespace VIEJO datafile '" + old.toStdString() +
                                                          "' size  1M " + (reuse ? "reuse " : "") +
                                                          "default storage ( initial 8192 next 8192 minextents 1 "
                                                          "maxextents 121 pctincrease 50 )"});
        QCOMPARE(anyMessageContains(t, "ORA-27038"), !reuse);
        QCOMPARE(anyMessageContains(t, "Tablespace VIEJO creada!"), reuse);
        QCOMPARE(one(t, "select count(*) from dba_data_files where tablespace_name = 'VIEJO'"),
                 std::string(reuse ? "1" : "0"));
    }
}

void OpeTablespaceTest::datafileDialogRules()
{
    WindowTest t;
    storage::OpeTablespace ope(t.ctx, storage::OpeTablespace::Crear, {});
    t.prompts.onDialog([&](QDialog &d) {
        WindowTest::click(&d, "OK");                                   // no name
        WindowTest::setText(&d, "Name_Datafile", "/u09/a.dbf");
        WindowTest::setText(&d, "Size_Datafile", "-3");
        WindowTest::click(&d, "OK");                                   // size not above 0
        WindowTest::setText(&d, "Size_Datafile", "2047.6x");
        qobject_cast<QRadioButton *>(WindowTest::child(&d, "Size_En_Bytes"))->setChecked(true);
        WindowTest::click(&d, "OK");
        return d.result();
    });
    t.prompts.onDialog([&](QDialog &d) {
        WindowTest::setText(&d, "Name_Datafile", "/u09/b.dbf");
        WindowTest::click(&d, "Cancel");
        return d.result();
    });
    ope.Sobre_Datafiles_Click();
    ope.Sobre_Datafiles_Click();
    QCOMPARE(messages(t), (std::vector<std::string>{"SQL*Vigil|Debe escribir el nombre del datafile",
                                                    "SQL*Vigil|Debe escribir el tamaño del datafile"}));
    auto *g = ope.LTB_Datafiles->grid();
    QCOMPARE(g->dataRows(), 1);
    QCOMPARE(g->text(1, 1), QString("/u09/a.dbf"));
    QCOMPARE(g->text(1, 2), QString(" 2048"));
    QCOMPARE(g->text(1, 3), QString());
    QCOMPARE(g->text(0, 2), QString("Tamaño"));
    QCOMPARE(g->text(0, 3), QString("Reuse"));
    // Checking K clears B; the one checked box of a group stays checked.
    auto *b = ope.Initial_B, *k = ope.Initial_K;
    k->click();
    QVERIFY(k->isChecked() && !b->isChecked());
    k->click();
    QVERIFY(k->isChecked());
    QVERIFY(t.statements().empty());
}

void OpeTablespaceTest::modifyLoadsTheTablespace()
{
    WindowTest t;
    auto *w = listed(t);
    select(w->LTablespaces, rowOf(w->LTablespaces, "USERS"));
    QString caption, name, initial, total, libre, header, status1;
    int files = 0;
    bool online = false, nameReadOnly = false;
    t.prompts.onDialog([&](QDialog &d) {
        auto &ope = static_cast<storage::OpeTablespace &>(d);
        caption = d.windowTitle();
        name = ope.Nombre->text();
        nameReadOnly = ope.Nombre->isReadOnly();
        online = ope.Online->isChecked();
        initial = ope.Initial->text();
        total = ope.Average_Total->text();
        libre = ope.Average_Libre->text();
        files = ope.LTB_Datafiles->grid()->dataRows();
        header = ope.LTB_Datafiles->grid()->text(0, 2);
        status1 = ope.LTB_Datafiles->grid()->text(1, 3);
        // A unit click is undone in modify mode.
        ope.Initial_K->click();
        if (ope.Initial_K->isChecked() || !ope.Initial_B->isChecked())
            caption += " (unit changed)";
        return QDialog::Rejected;
    });
    w->Modificar_Tablespace_Click();
    QCOMPARE(caption, QString("Modificar Tablespace"));
    QCOMPARE(name, QString("USERS"));
    QVERIFY(nameReadOnly);
    QVERIFY(online);
    QCOMPARE(initial, QString("131072"));
    QCOMPARE(files, 2);
    QCOMPARE(header, QString("Tamaño (Mb)"));
    QCOMPARE(status1, QString("ONLINE"));
    QCOMPARE(total, QString("150"));
    QCOMPARE(libre, QString("20"));
    QCOMPARE(t.statements(),
             (std::vector<std::string>{
                 "select a.file_name uno, a.bytes/1024/1024 dos, b.status tres from dba_data_files a, v$datafile b "
                 "where a.file_name = b.name and a.tablespace_name = 'USERS' order by a.file_name",
                 "select round(sum(bytes)/1024/1024) total_libre, round(max(bytes)/1024) maximo, "
                 "round(min(bytes)/1024) minimo, count(*) fragmentos from dba_free_space where tablespace_name "
                 "='USERS'"}));
}

void OpeTablespaceTest::modifyWithNothingChangedSendsNothing()
{
    WindowTest t;
    auto *w = listed(t);
    select(w->LTablespaces, rowOf(w->LTablespaces, "USERS"));
    t.prompts.onDialog([&](QDialog &d) {
        t.clearStatements();
        WindowTest::setText(&d, "Initial", "65536");
        WindowTest::setText(&d, "Initial", "131072");     // typed back: unchanged
        WindowTest::setText(&d, "Pct_Increase", "101");   // changed and refused: the window stays open
        WindowTest::click(&d, "Aceptar");
        return d.result();
    });
    w->Modificar_Tablespace_Click();
    QCOMPARE(messages(t), std::vector<std::string>{
                              "SQL*Vigil|Entre un valor de PctIncrease mayor que 0 (n > 0) y menor o igual a 100 (n "
                              "<= 100)"});
    QVERIFY(t.statements().empty());
    QCOMPARE(t.prompts.seen()[0].answer, int(QDialog::Rejected));

    t.prompts.clear();
    t.prompts.onDialog([&](QDialog &d) {
        t.clearStatements();
        WindowTest::setText(&d, "MiNext", "1");
        WindowTest::setText(&d, "MiNext", "131072");
        WindowTest::click(&d, "Aceptar");
        return d.result();
    });
    w->Modificar_Tablespace_Click();
    QCOMPARE(t.prompts.messageCount(), 0u);
    QVERIFY(t.statements().empty());
    QCOMPARE(t.prompts.seen()[0].answer, int(QDialog::Accepted));
}

void OpeTablespaceTest::modifyShowsPreviewsAfterNoAndRunsAfterYes()
{
    const std::string addSql = "alter tablespace USERS add datafile '/u04/oradata/ORCL/users03.dbf' size  10M, "
                               "'/u04/oradata/ORCL/users04.dbf' size  5M reuse";
    const std::string storageSql = "alter tablespace USERS default storage ( next 20480 maxextents 200 )";
    for (int answer : {int(shell::vbNo), int(shell::vbYes)}) {
        WindowTest t;
        auto *w = listed(t);
        select(w->LTablespaces, rowOf(w->LTablespaces, "USERS"));
        QStringList markers;
        t.prompts.onDialog([&](QDialog &d) {
            auto &ope = static_cast<storage::OpeTablespace &>(d);
            t.clearStatements();
            WindowTest::click(&d, "Sobre_Datafiles");
            WindowTest::click(&d, "Sobre_Datafiles");
            for (int r = 1; r <= ope.LTB_Datafiles->grid()->dataRows(); ++r)
                markers << ope.LTB_Datafiles->grid()->text(r, 3);
            WindowTest::setText(&d, "MiNext", "20480");
            WindowTest::setText(&d, "MaxExtents", "200");
            t.prompts.answer(answer);
            WindowTest::click(&d, "Aceptar");
            return d.result();
        });
        planDatafile(t, "/u04/oradata/ORCL/users03.dbf", "10", "Size_En_Mbytes", false);
        planDatafile(t, "/u04/oradata/ORCL/users04.dbf", "5", "Size_En_Mbytes", true);
        w->Modificar_Tablespace_Click();
        QCOMPARE(markers, QStringList({"ONLINE", "ONLINE", "N", "X"}));
        std::vector<std::string> expected = {"Cuidado!|Desea usted modificar el tablespace : USERS",
                                             "Sentencia SQL Datafiles|" + addSql, "Sentencia SQL Storage|" + storageSql};
        if (answer == shell::vbNo) {
            QCOMPARE(messages(t), expected);
            QVERIFY(t.statements().empty());
            QCOMPARE(one(t, "select count(*) from dba_data_files where tablespace_name = 'USERS'"), std::string("2"));
        } else {
            expected.push_back("SQL*Vigil|Tablespace USERS alterada!");
            QCOMPARE(messages(t), expected);
            QCOMPARE(t.statements(), (std::vector<std::string>{addSql, storageSql}));
            QCOMPARE(one(t, "select count(*) from dba_data_files where tablespace_name = 'USERS'"), std::string("4"));
            QCOMPARE(one(t, "select count(*) from v$datafile where name = '/u04/oradata/ORCL/users04.dbf'"),
                     std::string("1"));
            QCOMPARE(one(t, "select next_extent||'/'||max_extents from dba_tablespaces where tablespace_name = "
                            "'USERS'"),
                     std::string("24576/200"));
        }
    }
}

QTEST_MAIN(OpeTablespaceTest)
#include "test_opetablespace.moc"
