// The tablespace window against the simulated instance: the listing and the four
// detail queries with their grids, figures and chart; a quoted name, a tablespace
// over 32 GB and one without datafiles; the online/offline switch with its dialog
// and the drop, with what the server shows afterwards.
#include "tablespace.h"

#include "storagetest.h"

#include "prompts.h"
#include "texto.h"

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>

using harness::WindowTest;
using storage::Tablespace;
using namespace storagetest;

namespace {

const std::string kListSql =
    "select tablespace_name, initial_extent, next_extent, min_extents, nvl(max_extents,0) max_extents, "
    "pct_increase, status from dba_tablespaces order by tablespace_name";

std::vector<std::string> detailSql(const std::string &name)
{
    return {"select username, bytes, max_bytes, blocks, max_blocks from dba_ts_quotas where tablespace_name = '" + name +
                "' order by username",
            "select owner, segment_name, segment_type, bytes, extents, next_extent from dba_segments where "
            "tablespace_name = '" + name + "' order by owner, segment_name",
            "select a.file_name nombre, a.file_id identificador, a.bytes/1024/1024 tamano, a.blocks bloques, b.status "
            "estado from dba_data_files a, v$datafile b where a.file_name = b.name and a.tablespace_name = '" + name +
                "' order by a.file_name",
            "select round(sum(bytes)/1024/1024) total_libre, round(max(bytes)/1024) maximo, round(avg(bytes)/1024) "
            "average, round(min(bytes)/1024) minimo, count(*) fragmentos from dba_free_space where tablespace_name ='" +
                name + "'"};
}

// Lists the tablespaces and double-clicks the one named `name`.
void pick(WindowTest &t, Tablespace *w, const QString &name)
{
    w->GTablespaces_Click();
    const int row = rowOf(w->LTablespaces, name);
    QVERIFY2(row > 0, qPrintable(name));
    select(w->LTablespaces, row);
    t.clearStatements();
    w->LTablespaces_DblClick();
}

// Plans the offline-mode dialog: presses the button `button`.
void planOfflineDialog(WindowTest &t, const char *button)
{
    t.prompts.onDialog([button](QDialog &d) {
        WindowTest::click(&d, button);
        return d.result();
    });
}

} // namespace

class TablespaceTest : public QObject {
    Q_OBJECT
private slots:
    void listsTablespacesAndShowsTheSelectedOne();
    void fullTablespaceAndQuotedName();
    void largeTablespaceAndOneWithoutDatafiles();
    void switchOnlineOffline();
    void dropOnlyWhenNotOnline();
    void freeShareAlwaysAddsUpTo100();
    void typedTextsAndNames();
};

void TablespaceTest::listsTablespacesAndShowsTheSelectedOne()
{
    WindowTest t;
    auto *w = t.open<Tablespace>();
    QStringList tabs;
    for (int i = 0; i < w->Carpeta_Tablespaces->count(); ++i)
        tabs << w->Carpeta_Tablespaces->tabText(i);
    QCOMPARE(tabs, QStringList({"Tablespace", "Estado", "Storage", "Datafiles", "Objetos", "Quotas", "Tendencias"}));
    QCOMPARE(w->LTablespaces->grid()->rows(), 2);   // header and one blank row, nothing queried
    QVERIFY(t.statements().empty());

    w->GTablespaces_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{kListSql});
    QCOMPARE(w->LTablespaces->grid()->dataRows(), 7);
    QCOMPARE(w->Lista_Tablespaces->count(), 7);
    QVERIFY(!w->Lista_Tablespaces->isVisible());
    const int users = rowOf(w->LTablespaces, "USERS");
    QCOMPARE(users, 7);
    QCOMPARE(w->Lista_Tablespaces->item(users - 1)->text(), QString("USERS"));
    QStringList row;
    for (int c = 0; c <= 7; ++c)
        row << t.cell(w, "LTablespaces", users, c);
    QCOMPARE(row, QStringList({"7", "USERS", "131072", "131072", "1", "505", "0", "ONLINE"}));
    // TEMP has no maximum: nvl gives 0.
    QCOMPARE(t.cell(w, "LTablespaces", rowOf(w->LTablespaces, "TEMP"), 5), QString("0"));
    QVERIFY(showsAllColumns(w->LTablespaces));

    // A click selects the list entry of the same index; a double-click runs the
    // four detail queries in order.
    select(w->LTablespaces, users);
    w->LTablespaces_Click();
    QCOMPARE(w->Lista_Tablespaces->currentRow(), users - 1);
    t.clearStatements();
    w->LTablespaces_DblClick();
    QCOMPARE(t.statements(), detailSql("USERS"));
    QCOMPARE(t.prompts.count(), 0u);

    QCOMPARE(w->LTablespace_Datafile->grid()->dataRows(), 2);
    QStringList file;
    for (int c = 0; c <= 5; ++c)
        file << t.cell(w, "LTablespace_Datafile", 1, c);
    QCOMPARE(file, QStringList({"1", "/u04/oradata/ORCL/users01.dbf", "3", "100", "12800", "ONLINE"}));
    QCOMPARE(w->LQuotas->grid()->dataRows(), 4);
    QCOMPARE(t.cell(w, "LQuotas", 1, 1), QString("HR"));
    QCOMPARE(t.cell(w, "LQuotas", 1, 3), QString("104857600"));
    QVERIFY(w->LObjetos_Tablespace->grid()->dataRows() > 0);
    QCOMPARE(w->total(), 150);
    QCOMPARE(w->Average_Total->text(), QString("150"));
    QCOMPARE(w->Average_Libre->text(), QString("20"));
    QCOMPARE(w->Average_Fragmentos->text(), QString("3"));
    // 20 of 150 MB free: 13.3 % rounds to 13.
    QCOMPARE(w->chartLabels(), QStringList({"13% Free", "87% Used"}));
    QCOMPARE(w->chartValues(), QList<qreal>({13, 87}));

    // The hidden list starts the same queries with the list's name.
    w->Lista_Tablespaces->setCurrentRow(rowOf(w->LTablespaces, "RBS") - 1);
    t.clearStatements();
    w->Lista_Tablespaces_DblClick();
    QCOMPARE(t.statements(), detailSql("RBS"));
    QCOMPARE(w->Average_Total->text(), QString("200"));

    // The Storage tab's Initial Extent keeps only its numeric value when left.
    w->Edicion_Initial_Extent->setText("64k");
    w->Edicion_Initial_Extent_LostFocus();
    QCOMPARE(w->Edicion_Initial_Extent->text(), QString("64"));
    w->Edicion_Initial_Extent->setText("");
    w->Edicion_Initial_Extent_LostFocus();
    QCOMPARE(w->Edicion_Initial_Extent->text(), QString("0"));
    QVERIFY(w->width() >= 800 && w->height() >= 500);
}

void TablespaceTest::fullTablespaceAndQuotedName()
{
    WindowTest t;
    auto *w = t.open<Tablespace>();
    // INDX has no free extent: the free-space query gives a row of nulls; the
    // figures show no free space, not the previous tablespace's.
    pick(t, w, "USERS");
    pick(t, w, "INDX");
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(w->Average_Total->text(), QString("50"));
    QCOMPARE(w->Average_Libre->text(), QString("0"));
    QCOMPARE(w->Average_Maxext->text(), QString());
    QCOMPARE(w->Average_Fragmentos->text(), QString("0"));
    QCOMPARE(w->chartLabels(), QStringList({"0% Free", "100% Used"}));

    // A name holding a quote is spliced with the quote doubled.
    t.serverScript("create tablespace \"O'NEIL\" datafile '/u09/oneil01.dbf' size 4M");
    pick(t, w, "O'NEIL");
    QCOMPARE(t.statements(), detailSql("O''NEIL"));
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(t.cell(w, "LTablespace_Datafile", 1, 1), QString("/u09/oneil01.dbf"));
    QCOMPARE(w->Average_Total->text(), QString("4"));
    // In DDL the name is written as a quoted identifier.
    t.clearStatements();
    planOfflineDialog(t, "Normal");
    t.prompts.answer(shell::vbYes);
    w->Estado_Tablespace_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{"alter tablespace \"O'NEIL\" OFFLINE NORMAL"});
    QCOMPARE(one(t, "select status from dba_tablespaces where tablespace_name = 'O''NEIL'"), std::string("OFFLINE"));
}

void TablespaceTest::largeTablespaceAndOneWithoutDatafiles()
{
    WindowTest t;
    auto *w = t.open<Tablespace>();
    // 40,000 + 30,000 MB: well past what a 16-bit total holds.
    t.serverScript("create tablespace GRANDE datafile '/u10/grande01.dbf' size 40000M, '/u10/grande02.dbf' size 30000M");
    pick(t, w, "GRANDE");
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(w->total(), 70000);
    QCOMPARE(w->Average_Total->text(), QString("70000"));
    QCOMPARE(w->Average_Libre->text(), QString("70000"));
    QCOMPARE(w->chartLabels(), QStringList({"100% Free", "0% Used"}));

    // A tablespace whose files are gone from the dictionary: a total of 0 shows
    // its figures and an empty chart, without a division error.
    t.serverScript("create tablespace VACIO datafile '/u10/vacio01.dbf' size 2M");
    t.serverScript("delete from sys.fet$ where ts# = (select ts# from sys.ts$ where name = 'VACIO')");
    t.serverScript("delete from sys.x$datafile where file# in (select file# from sys.file$ where ts# = "
                   "(select ts# from sys.ts$ where name = 'VACIO'))");
    t.serverScript("delete from sys.file$ where ts# = (select ts# from sys.ts$ where name = 'VACIO')");
    pick(t, w, "VACIO");
    QCOMPARE(t.statements(), detailSql("VACIO"));
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(w->total(), 0);
    QCOMPARE(w->LTablespace_Datafile->grid()->dataRows(), 0);
    QCOMPARE(w->Average_Total->text(), QString("0"));
    QCOMPARE(w->Average_Libre->text(), QString("0"));
    QCOMPARE(w->Average_Fragmentos->text(), QString("0"));
    QVERIFY(w->chartLabels().isEmpty());
}

void TablespaceTest::switchOnlineOffline()
{
    WindowTest t;
    auto *w = t.open<Tablespace>();
    w->GTablespaces_Click();
    t.clearStatements();

    // READ ONLY: nothing happens at all.
    select(w->LTablespaces, rowOf(w->LTablespaces, "HIST"));
    w->Estado_Tablespace_Click();
    QCOMPARE(t.prompts.count(), 0u);
    QVERIFY(t.statements().empty());

    // ONLINE: the offline dialog first; "Cancelar" ends it without a question.
    select(w->LTablespaces, rowOf(w->LTablespaces, "USERS"));
    planOfflineDialog(t, "Cancelar");
    w->Estado_Tablespace_Click();
    QCOMPARE(t.prompts.count(), 1u);
    QVERIFY(t.prompts.seen()[0].dialog);
    QCOMPARE(t.prompts.seen()[0].dialogName, std::string("OFFLINE_TABLESPACE"));
    QCOMPARE(t.prompts.seen()[0].title, std::string("Pasar a OFFLINE"));
    QVERIFY(t.statements().empty());
    // A dialog closed without a choice ends it the same way.
    t.prompts.clear();
    w->Estado_Tablespace_Click();
    QCOMPARE(t.prompts.messageCount(), 0u);
    QVERIFY(t.statements().empty());

    // A choice, then No: nothing sent.
    t.prompts.clear();
    planOfflineDialog(t, "Temporary");
    t.prompts.answer(shell::vbNo);
    w->Estado_Tablespace_Click();
    QCOMPARE(w->offlineModeWord(), std::string("TEMPORARY"));
    QCOMPARE(t.prompts.count(), 2u);
    const auto &q = t.prompts.seen()[1];
    QCOMPARE(q.title, std::string("Cuidado!"));
    QCOMPARE(q.text, std::string("Desea usted pasar a OFFLINE el tablespace  : USERS?"));
    QCOMPARE(q.style, shell::vbYesNo + shell::vbCritical + shell::vbDefaultButton2);
    QVERIFY(t.statements().empty());

    // Yes: the statement, the success message, and the tablespace offline.
    t.prompts.clear();
    planOfflineDialog(t, "Normal");
    t.prompts.answer(shell::vbYes);
    w->Estado_Tablespace_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{"alter tablespace USERS OFFLINE NORMAL"});
    QCOMPARE(messages(t).back(), std::string("SQL*Vigil|Exito en el cambio de estado del tablespace"));
    QCOMPARE(one(t, "select status from dba_tablespaces where tablespace_name = 'USERS'"), std::string("OFFLINE"));
    // The grid is not refreshed: the row still reads ONLINE.
    QCOMPARE(t.cell(w, "LTablespaces", rowOf(w->LTablespaces, "USERS"), 7), QString("ONLINE"));

    // OFFLINE: no dialog; back online.
    w->GTablespaces_Click();
    t.clearStatements();
    t.prompts.clear();
    select(w->LTablespaces, rowOf(w->LTablespaces, "USERS"));
    t.prompts.answer(shell::vbYes);
    w->Estado_Tablespace_Click();
    QCOMPARE(t.prompts.seen()[0].text, std::string("Desea usted pasar a ONLINE el tablespace  : USERS?"));
    QCOMPARE(t.statements(), std::vector<std::string>{"alter tablespace USERS ONLINE"});
    QCOMPARE(one(t, "select status from dba_tablespaces where tablespace_name = 'USERS'"), std::string("ONLINE"));

    // SYSTEM cannot go offline: the server's error, no success message.
    t.clearStatements();
    t.prompts.clear();
    select(w->LTablespaces, rowOf(w->LTablespaces, "SYSTEM"));
    planOfflineDialog(t, "Inmediate");
    t.prompts.answer(shell::vbYes).answer(shell::vbAbort);
    w->Estado_Tablespace_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{"alter tablespace SYSTEM OFFLINE IMMEDIATE"});
    QVERIFY(anyMessageContains(t, "ORA-01541"));
    QVERIFY(!anyMessageContains(t, "Exito"));
}

void TablespaceTest::dropOnlyWhenNotOnline()
{
    WindowTest t;
    auto *w = t.open<Tablespace>();
    t.serverScript("create tablespace LIBRE datafile '/u09/libre01.dbf' size 2M offline");
    w->GTablespaces_Click();
    t.clearStatements();

    // ONLINE: refused before any question.
    select(w->LTablespaces, rowOf(w->LTablespaces, "USERS"));
    w->Borrar_Tablespace_Click();
    QCOMPARE(messages(t), std::vector<std::string>{"SQL*Vigil|Debe usted colocar el Tablespace"});
    QVERIFY(t.statements().empty());

    // Not online (READ ONLY counts too): the question; No sends nothing.
    t.prompts.clear();
    select(w->LTablespaces, rowOf(w->LTablespaces, "LIBRE"));
    t.prompts.answer(shell::vbNo);
    w->Borrar_Tablespace_Click();
    QCOMPARE(messages(t), std::vector<std::string>{"Cuidado!|Desea usted borrar el Tablespace  : LIBRE?"});
    QVERIFY(t.statements().empty());

    t.prompts.clear();
    t.prompts.answer(shell::vbYes);
    w->Borrar_Tablespace_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{"drop tablespace LIBRE"});
    QCOMPARE(messages(t).back(), std::string("SQL*Vigil|Tablespace borrado"));
    QCOMPARE(one(t, "select count(*) from dba_tablespaces where tablespace_name = 'LIBRE'"), std::string("0"));
    QCOMPARE(one(t, "select count(*) from v$datafile where name = '/u09/libre01.dbf'"), std::string("0"));

    // TOOLS holds segments: Oracle refuses without INCLUDING CONTENTS.
    t.clearStatements();
    t.prompts.clear();
    select(w->LTablespaces, rowOf(w->LTablespaces, "TOOLS"));
    t.prompts.answer(shell::vbYes).answer(shell::vbAbort);
    w->Borrar_Tablespace_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{"drop tablespace TOOLS"});
    QVERIFY(anyMessageContains(t, "ORA-01549"));
    QVERIFY(!anyMessageContains(t, "Tablespace borrado"));
}

void TablespaceTest::freeShareAlwaysAddsUpTo100()
{
    for (long long total : {1LL, 3LL, 7LL, 150LL, 999LL, 70000LL, 5000000LL}) {
        for (double libre = 0; libre <= static_cast<double>(total); libre += std::max(1.0, total / 37.0)) {
            const storage::Reparto r = storage::Repartir(libre, total);
            QVERIFY(!r.vacio);
            QCOMPARE(r.libre + r.usado, 100LL);
            QVERIFY(r.libre >= 0 && r.libre <= 100);
        }
    }
    QCOMPARE(storage::Repartir(1, 8).etiquetaLibre(), QString("13% Free"));   // 12.5 rounds away from zero
    QVERIFY(storage::Repartir(0, 0).vacio);
}

void TablespaceTest::typedTextsAndNames()
{
    using namespace storage;
    QCOMPARE(Val("5x"), 5.0);
    QCOMPARE(Val("  -2.5e1k"), -25.0);
    QCOMPARE(Val(""), 0.0);
    QCOMPARE(Val("x5"), 0.0);
    QCOMPARE(Val("."), 0.0);
    QCOMPARE(Str(12), QString(" 12"));
    QCOMPARE(Str(-3), QString("-3"));
    QCOMPARE(literal(std::string("a'b''")), std::string("a''b''''"));
    QCOMPARE(nombreOracle(std::string("USERS_2$#")), std::string("USERS_2$#"));
    QCOMPARE(nombreOracle(std::string("datos")), std::string("\"datos\""));
    QCOMPARE(nombreOracle(std::string("MIS DATOS")), std::string("\"MIS DATOS\""));
    QCOMPARE(nombreOracle(std::string("2DATOS")), std::string("\"2DATOS\""));
    QCOMPARE(nombreEscrito(" datos_1 "), QString("DATOS_1"));
    QCOMPARE(nombreEscrito("\"datos\""), QString("datos"));
    QCOMPARE(nombreEscrito("mis datos"), QString("mis datos"));
    QVERIFY(!nombreValido("a\"b"));
    QVERIFY(!nombreValido(QString(31, 'A')));
    QCOMPARE(tamanoSql("10240"), std::string("10240"));
    QCOMPARE(tamanoSql(" 64k"), std::string("64K"));
    QCOMPARE(tamanoSql("1M"), std::string("1M"));
    QCOMPARE(tamanoSql("10 ) storage"), std::string("10"));
    QCOMPARE(tamanoSql("1Mb"), std::string("1"));
    QCOMPARE(tamanoSql("x"), std::string("0"));
}

QTEST_MAIN(TablespaceTest)
#include "test_tablespace.moc"
