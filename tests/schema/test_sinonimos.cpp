// The synonyms window against the simulated instance: the owner filter, the editor
// filled from the list, the Public box following the owner, the tab rule of the
// buttons, and create and drop of private, public and remote synonyms.
#include "sinonimos.h"
#include "windowtest.h"

#include "prompts.h"
#include "resultgrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using harness::WindowTest;
using schema::Sinonimos;

namespace {

const std::string kLista =
    "select owner, synonym_name, table_owner, table_name, nvl(db_link,'Null') db_link from dba_synonyms ";

void editor(Sinonimos *w, const QString &owner, const QString &syn, const QString &towner, const QString &table,
            const QString &link)
{
    w->CarpetaSynonyms->setCurrentIndex(1);
    w->TextOwner->setText(owner);
    w->TextOwner_LostFocus();
    w->TextSynonym->setText(syn);
    w->TextOwnerTable->setText(towner);
    w->TextTable->setText(table);
    w->TextDatabaseLink->setText(link);
}

} // namespace

class SinonimosTest : public QObject {
    Q_OBJECT
private slots:
    void listFiltersOnTheUpperCasedOwner();
    void editorFromTheListAndTheTabRule();
    void createAndDropPrivatePublicAndRemote();
};

void SinonimosTest::listFiltersOnTheUpperCasedOwner()
{
    WindowTest t;
    auto *w = t.open<Sinonimos>();
    QVERIFY(t.sent("select username from dba_users order by username"));
    QVERIFY(w->SUsuarios->count() > 5);
    t.clearStatements();
    w->SUsuarios->setCurrentText("ventas");
    t.click(w, "GSinonimos");
    QCOMPARE(t.statements(), std::vector<std::string>{kLista + "WHERE OWNER = 'VENTAS' order by synonym_name"});
    auto *g = w->LSinonimos->grid();
    QCOMPARE(g->dataRows(), 1);
    QCOMPARE(g->text(1, 2), QString("CLIENTES_CENTRAL"));
    QCOMPARE(g->text(1, 5), QString("CENTRAL.WORLD"));

    // Every owner: local synonyms show "Null" as their link; a quote is doubled.
    t.clearStatements();
    w->SUsuarios->setCurrentText("");
    t.click(w, "GSinonimos");
    QCOMPARE(t.statements(), std::vector<std::string>{kLista + " order by synonym_name"});
    QVERIFY(g->dataRows() > 20);
    int dual = 0;
    for (int r = 1; r < g->rows(); ++r)
        if (g->text(r, 2) == "DUAL")
            dual = r;
    QVERIFY(dual > 0);
    QCOMPARE(g->text(dual, 1), QString("PUBLIC"));
    QCOMPARE(g->text(dual, 5), QString("Null"));
    w->SUsuarios->setCurrentText("o'neil");
    t.click(w, "GSinonimos");
    QVERIFY(t.sent("WHERE OWNER = 'O''NEIL' order by"));
    QCOMPARE(g->dataRows(), 0);
    QCOMPARE(g->rows(), 2);
    QVERIFY(w->animation() == nullptr);
    QCOMPARE(t.prompts.count(), 0u);
}

void SinonimosTest::editorFromTheListAndTheTabRule()
{
    WindowTest t;
    auto *w = t.open<Sinonimos>();
    QVERIFY(w->GSinonimos->isEnabled() && w->SSinonimos->isEnabled());
    QVERIFY(!w->CSinonimos->isEnabled() && !w->BSinonimos->isEnabled());
    t.click(w, "GSinonimos");
    auto *g = w->LSinonimos->grid();
    for (int r = 1; r < g->rows(); ++r)
        if (g->text(r, 2) == "DUAL")
            g->setCurrentRow(r);
    w->LSinonimos_DblClick();
    QCOMPARE(w->CarpetaSynonyms->currentIndex(), 1);
    QCOMPARE(w->TextOwner->text(), QString("PUBLIC"));
    QCOMPARE(w->TextOwnerTable->text(), QString("SYS"));
    QCOMPARE(w->TextTable->text(), QString("DUAL"));
    QCOMPARE(w->TextDatabaseLink->text(), QString("Null"));
    QVERIFY(w->cbPublic->isChecked());
    QVERIFY(!w->GSinonimos->isEnabled() && !w->SSinonimos->isEnabled());
    QVERIFY(w->CSinonimos->isEnabled() && w->BSinonimos->isEnabled());

    // The box only displays: clicking puts it back; leaving the owner box sets it.
    w->cbPublic->click();
    QVERIFY(w->cbPublic->isChecked());
    w->TextOwner->setText("scott");
    w->TextOwner_LostFocus();
    QVERIFY(!w->cbPublic->isChecked());
    w->cbPublic->click();
    QVERIFY(!w->cbPublic->isChecked());
    w->TextOwner->setText("Public");
    w->TextOwner_LostFocus();
    QVERIFY(w->cbPublic->isChecked());
}

void SinonimosTest::createAndDropPrivatePublicAndRemote()
{
    WindowTest t;
    auto *w = t.open<Sinonimos>();
    t.clearStatements();
    // Owner "public" in lower case: a public synonym; the link "Null" adds no "@";
    // blanks around the name are trimmed in create and drop.
    editor(w, "public", "  EMPLEADOS ", "scott", "emp", "Null");
    QVERIFY(w->cbPublic->isChecked());
    t.click(w, "CSinonimos");
    QCOMPARE(t.prompts.last().text, std::string("Created Synonym"));
    t.click(w, "BSinonimos");
    QCOMPARE(t.prompts.last().text, std::string("Drop Synonym"));
    // A private one, used by its owner, and one over a database link.
    editor(w, "SCOTT", "PERSONAL", "HR", "EMPLOYEES", "");
    t.click(w, "CSinonimos");
    editor(w, "SCOTT", "REMOTO", "CONTA", "CLIENTES", " central.world ");
    t.click(w, "CSinonimos");
    QCOMPARE(t.statements(), (std::vector<std::string>{
                                 "CREATE PUBLIC SYNONYM EMPLEADOS FOR scott.emp",
                                 "DROP PUBLIC SYNONYM EMPLEADOS",
                                 "CREATE SYNONYM SCOTT.PERSONAL FOR HR.EMPLOYEES",
                                 "CREATE SYNONYM SCOTT.REMOTO FOR CONTA.CLIENTES@central.world",
                             }));
    w->CarpetaSynonyms->setCurrentIndex(0);
    w->SUsuarios->setCurrentText("SCOTT");
    t.click(w, "GSinonimos");
    auto *g = w->LSinonimos->grid();
    QStringList listed;
    for (int r = 1; r < g->rows(); ++r)
        listed << g->text(r, 2) + "@" + g->text(r, 5);
    QVERIFY2(listed.contains("PERSONAL@Null"), qPrintable(listed.join(' ')));
    QVERIFY2(listed.contains("REMOTO@CENTRAL.WORLD"), qPrintable(listed.join(' ')));

    // Drop a private one; dropping it again is the server's error, not a success.
    editor(w, "SCOTT", "PERSONAL", "", "", "");
    t.prompts.clear();
    t.click(w, "BSinonimos");
    QCOMPARE(t.prompts.last().text, std::string("Drop Synonym"));
    t.prompts.answer(shell::vbAbort);
    t.click(w, "BSinonimos");
    QCOMPARE(t.prompts.count(), 2u);
    QVERIFY(t.prompts.last().text.find("ORA-01434") != std::string::npos);

    // Names that need quoting are quoted; missing names stop with a message.
    editor(w, "SCOTT", "mi sinonimo", "SCOTT", "EMP", "");
    QCOMPARE(w->createStatement(), std::string("CREATE SYNONYM SCOTT.\"mi sinonimo\" FOR SCOTT.EMP"));
    editor(w, "SCOTT", "", "SCOTT", "EMP", "");
    t.prompts.clear();
    t.clearStatements();
    t.click(w, "CSinonimos");
    QVERIFY(t.statements().empty());
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.prompts.last().title, std::string(" "));
}

QTEST_MAIN(SinonimosTest)
#include "test_sinonimos.moc"
