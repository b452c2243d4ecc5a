// The rollback segment windows: the listing, the drop of an offline segment only,
// create and modify with the unit suffixes, the Optimal/Null group and the focus
// on the refused field, and what the server shows afterwards.
#include "mirollback.h"
#include "operollback.h"

#include "storagetest.h"

#include "prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using harness::WindowTest;
using storage::MiRollback;
using storage::OpeRollback;
using namespace storagetest;

namespace {

const std::string kListSql =
    "select a.owner a_owner,       a.segment_name a_segment_name,       a.tablespace_name a_tablespace_name,       "
    "a.initial_extent a_initial_extent,       a.next_extent a_next_extent,       a.min_extents a_min_extents,       "
    "a.max_extents a_max_extents,       a.pct_increase a_pct_increase,       b.extents b_extents, b.bytes b_bytes,  "
    "     b.blocks b_blocks, a.status a_status,       b.freelists b_freelists,       b.freelist_groups "
    "b_freelist_groups,       nvl(c.optsize,0) c_optimal from dba_rollback_segs a,     dba_segments b,     "
    "v$rollstat c,     v$rollname d where b.segment_type = 'ROLLBACK' and       a.segment_name = b.segment_name and  "
    "     a.tablespace_name = b.tablespace_name and       a.segment_name = d.name(+) and d.usn = c.usn(+) order by "
    "a.segment_name";

MiRollback *listed(WindowTest &t)
{
    auto *w = t.open<MiRollback>();
    w->GRollback_Click();
    t.clearStatements();
    return w;
}

void check(OpeRollback &d, QCheckBox *box) { box->click(); }

void fill(OpeRollback &d, const QString &initial, const QString &next, const QString &min, const QString &max,
          const QString &optimal)
{
    d.Initial->setText(initial);
    d.MiNext->setText(next);
    d.MinExtents->setText(min);
    d.MaxExtents->setText(max);
    d.Optimal->setText(optimal);
}

} // namespace

class RollbackTest : public QObject {
    Q_OBJECT
private slots:
    void listsTheSegments();
    void dropsOnlyAnOfflineSegment();
    void createChecksValuesAndFocusesTheField();
    void createWithOptimalSizeAndPublic();
    void modifySendsOnlyWhatChanged();
};

void RollbackTest::listsTheSegments()
{
    WindowTest t;
    auto *w = t.open<MiRollback>();
    QCOMPARE(w->LRollBack->grid()->rows(), 2);
    w->GRollback_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{kListSql});
    QCOMPARE(w->LRollBack->grid()->dataRows(), 6);
    const int r4 = rowOf(w->LRollBack, "R04");
    QStringList row;
    for (int c = 0; c <= 14; ++c)
        row << t.cell(w, "LRollBack", r4, c);
    QCOMPARE(row, QStringList({"4", "R04", "RBS", "524288", "524288", "2", "121", "0", "40", "20971520", "ONLINE",
                               "PUBLIC", "1", "1", "10485760"}));
    QCOMPARE(t.cell(w, "LRollBack", rowOf(w->LRollBack, "R05"), 10), QString("OFFLINE"));
    QCOMPARE(t.cell(w, "LRollBack", rowOf(w->LRollBack, "R05"), 14), QString("0"));
}

void RollbackTest::dropsOnlyAnOfflineSegment()
{
    WindowTest t;
    auto *w = listed(t);
    // ONLINE: refused before any question.
    select(w->LRollBack, rowOf(w->LRollBack, "R01"));
    w->Borrar_RBS_Click();
    QCOMPARE(messages(t), std::vector<std::string>{"SQL*Vigil|Debe usted colocar primero este segmento en estado "
                                                   "OFFLINE para luego proceder a borrarlo"});
    QVERIFY(t.statements().empty());

    t.prompts.clear();
    select(w->LRollBack, rowOf(w->LRollBack, "R05"));
    w->Borrar_RBS_Click();                    // No, the default
    QCOMPARE(messages(t), std::vector<std::string>{"Cuidado!|Desea usted borrar el segmento de rollback : R05?"});
    QCOMPARE(t.prompts.seen()[0].style, shell::vbYesNo + shell::vbCritical + shell::vbDefaultButton2);
    QVERIFY(t.statements().empty());

    t.prompts.clear();
    t.prompts.answer(shell::vbYes);
    w->Borrar_RBS_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{"drop rollback segment R05"});
    QCOMPARE(messages(t).back(), std::string("SQL*Vigil|Rollback segment borrado"));
    QCOMPARE(one(t, "select count(*) from dba_rollback_segs where segment_name = 'R05'"), std::string("0"));
    // Dropped once more (the grid is not refreshed): the server's error, no success.
    t.clearStatements();
    t.prompts.clear();
    t.prompts.answer(shell::vbYes).answer(shell::vbAbort);
    w->Borrar_RBS_Click();
    QVERIFY(anyMessageContains(t, "ORA-01534"));
    QVERIFY(!anyMessageContains(t, "borrado"));
}

void RollbackTest::createChecksValuesAndFocusesTheField()
{
    WindowTest t;
    auto *w = listed(t);
    std::vector<std::pair<std::string, QString>> refused;   // message, focused field
    QString caption;
    bool nullChecked = false, statusLocked = false;
    QStringList tablespaces;
    auto press = [&](OpeRollback &d) {
        const std::size_t before = t.prompts.count();
        d.Aceptar->click();
        if (t.prompts.count() > before) {
            const auto &p = t.prompts.last();
            QWidget *f = d.focusWidget();
            refused.emplace_back(p.title + "|" + p.text + "|" + std::to_string(p.style), f ? f->objectName() : "");
        }
    };
    t.prompts.onDialog([&](QDialog &dlg) {
        auto &d = static_cast<OpeRollback &>(dlg);
        d.show();
        caption = d.windowTitle();
        nullChecked = d.Optimal_Null->isChecked() && d.Initial_B->isChecked() && d.Next_B->isChecked();
        statusLocked = !d.Online->isEnabled() && !d.Offline->isEnabled();
        for (int i = 0; i < d.Tablespaces->count(); ++i)
            tablespaces << d.Tablespaces->itemText(i);
        press(d);                                               // no name
        d.Nombre->setText("r06");
        press(d);                                               // no tablespace
        d.Tablespaces->setCurrentIndex(d.Tablespaces->findText("RBS"));
        fill(d, "0", "1", "2", "121", "");
        press(d);                                               // Initial 0
        fill(d, "1", "", "2", "121", "");
        press(d);                                               // Next empty
        fill(d, "1", "1", "0", "121", "");
        press(d);                                               // Min 0
        fill(d, "1", "1", "2", "-1", "");
        press(d);                                               // Max below 1
        fill(d, "1", "1", "2", "121", "-4");
        press(d);                                               // Optimal negative, even with Null
        fill(d, "1", "1", "2", "121", "0");
        check(d, d.Optimal_M);                                  // Null cleared: 0 is refused
        press(d);
        check(d, d.Optimal_Null);                               // Null: the value is ignored
        check(d, d.Initial_M);
        check(d, d.Next_M);
        press(d);
        return d.result();
    });
    w->Crear_RBS_Click();
    QCOMPARE(caption, QString("Crear Rollback Segment"));
    QVERIFY(nullChecked);
    QVERIFY(statusLocked);
    QCOMPARE(tablespaces, QStringList({"HIST", "INDX", "RBS", "SYSTEM", "TEMP", "TOOLS", "USERS"}));
    const std::string style = "|" + std::to_string(shell::vbOKOnly + shell::vbExclamation);
    const std::vector<std::pair<std::string, QString>> expected = {
        {" |Debe entrar nombre del nuevo Rollback Segment" + style, "Nombre"},
        {" |Debe entrar nombre del Tablespace" + style, "Tablespaces"},
        {" |Debe entrar valor para Initial Extent" + style, "Initial"},
        {" |Debe entrar valor para Next Extent" + style, "MiNext"},
        {" |Debe entrar valor para Min Extents" + style, "MinExtents"},
        {" |Debe entrar valor para Max Extents" + style, "MaxExtents"},
        {" |Debe entrar valor para Optimal" + style, "Optimal"},
        {" |Debe entrar un valor mayor que cero para Optimal" + style, "Optimal"},
        {"SQL*Vigil|Exito en la creación del RollBack Segment R06|0", ""}};
    QCOMPARE(refused.size(), expected.size());
    for (std::size_t k = 0; k + 1 < expected.size(); ++k) {
        QCOMPARE(refused[k].first, expected[k].first);
        QCOMPARE(refused[k].second, expected[k].second);
    }
    QCOMPARE(refused.back().first, expected.back().first);
    const std::string sql = "create rollback segment R06 tablespace RBS storage( initial 1M next 1M minextents 2 "
                            "maxextents 121 optimal null )";
    QCOMPARE(t.statements(), (std::vector<std::string>{"select tablespace_name from dba_tablespaces order by "
                                                       "tablespace_name",
                                                       sql}));
    QCOMPARE(one(t, "select owner||'/'||tablespace_name||'/'||status||'/'||initial_extent from dba_rollback_segs "
                    "where segment_name = 'R06'"),
             std::string("SYS/RBS/OFFLINE/1048576"));
}

void RollbackTest::createWithOptimalSizeAndPublic()
{
    WindowTest t;
    auto *w = listed(t);
    // "&Cancel" sends nothing.
    t.prompts.onDialog([&](QDialog &dlg) {
        auto &d = static_cast<OpeRollback &>(dlg);
        d.Nombre->setText("R07");
        d.Cancelar->click();
        return d.result();
    });
    w->Crear_RBS_Click();
    QCOMPARE(t.statements().size(), 1u);      // the tablespace list only

    t.clearStatements();
    t.prompts.onDialog([&](QDialog &dlg) {
        auto &d = static_cast<OpeRollback &>(dlg);
        d.Nombre->setText("R07");
        d.Es_Publico->setChecked(true);
        d.Tablespaces->setCurrentIndex(d.Tablespaces->findText("RBS"));
        fill(d, "1", "1", "2", "121", "4");
        check(d, d.Initial_M);
        check(d, d.Next_M);
        check(d, d.Optimal_M);
        // The group keeps one box: unchecking the checked one is undone.
        check(d, d.Optimal_M);
        d.Aceptar->click();
        return d.result();
    });
    w->Crear_RBS_Click();
    QCOMPARE(t.statements().back(), std::string("create public rollback segment R07 tablespace RBS storage( initial "
                                                "1M next 1M minextents 2 maxextents 121 optimal 4M )"));
    QCOMPARE(one(t, "select owner from dba_rollback_segs where segment_name = 'R07'"), std::string("PUBLIC"));
}

void RollbackTest::modifySendsOnlyWhatChanged()
{
    WindowTest t;
    auto *w = listed(t);

    // R04: loaded with its optimal size in bytes; nothing changed sends nothing.
    select(w->LRollBack, rowOf(w->LRollBack, "R04"));
    bool locked = false, optimalB = false, isPublic = false;
    QString caption, tablespace;
    t.prompts.onDialog([&](QDialog &dlg) {
        auto &d = static_cast<OpeRollback &>(dlg);
        t.clearStatements();
        caption = d.windowTitle();
        locked = d.Nombre->isReadOnly() && !d.Tablespaces->isEnabled() && !d.Es_Publico->isEnabled();
        isPublic = d.Es_Publico->isChecked();
        tablespace = d.Tablespaces->currentText();
        optimalB = d.Optimal_B->isChecked() && !d.Optimal_Null->isChecked() && d.Optimal->text() == "10485760";
        d.MiNext->setText("1");
        d.MiNext->setText("524288");            // typed back: unchanged
        d.Aceptar->click();
        return d.result();
    });
    w->Modificar_RBS_Click();
    QCOMPARE(caption, QString("Modificar Rollback Segment"));
    QVERIFY(locked);
    QVERIFY(isPublic);
    QCOMPARE(tablespace, QString("RBS"));
    QVERIFY(optimalB);
    QVERIFY(t.statements().empty());
    QCOMPARE(t.prompts.messageCount(), 0u);

    // R04: Optimal back to Null.
    t.prompts.onDialog([&](QDialog &dlg) {
        auto &d = static_cast<OpeRollback &>(dlg);
        t.clearStatements();
        check(d, d.Optimal_Null);
        d.Aceptar->click();
        return d.result();
    });
    w->Modificar_RBS_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{"alter rollback segment R04 storage ( optimal null )"});
    QCOMPARE(messages(t).back(),
             std::string("SQL*Vigil|Exito en la modificación del Almacenamiento del RollBack Segment R04"));
    QCOMPARE(one(t, "select nvl(c.optsize,0) from v$rollstat c, v$rollname d where d.usn = c.usn and d.name = 'R04'"),
             std::string("0"));

    // R05 (offline, no optimal: Null checked): online, and Next to 512 K.
    select(w->LRollBack, rowOf(w->LRollBack, "R05"));
    bool loadedNull = false;
    t.prompts.onDialog([&](QDialog &dlg) {
        auto &d = static_cast<OpeRollback &>(dlg);
        t.clearStatements();
        loadedNull = d.Optimal_Null->isChecked() && d.Offline->isChecked();
        d.Online->setChecked(true);
        d.MiNext->setText("512");
        check(d, d.Next_K);
        d.Aceptar->click();
        return d.result();
    });
    w->Modificar_RBS_Click();
    QVERIFY(loadedNull);
    QCOMPARE(t.statements(), (std::vector<std::string>{"alter rollback segment R05 ONLINE",
                                                       "alter rollback segment R05 storage ( next 512K )"}));
    const auto all = messages(t);
    QCOMPARE(all[all.size() - 2], std::string("SQL*Vigil|Exito en el cambio de Estado del RollBack Segment R05"));
    QCOMPARE(one(t, "select status from dba_rollback_segs where segment_name = 'R05'"), std::string("ONLINE"));
    QCOMPARE(one(t, "select count(*) from v$rollstat c, v$rollname d where d.usn = c.usn and d.name = 'R05'"),
             std::string("1"));

    // Only the unit changed counts as a change too; Oracle refuses a new initial extent.
    t.prompts.onDialog([&](QDialog &dlg) {
        auto &d = static_cast<OpeRollback &>(dlg);
        t.clearStatements();
        t.prompts.answer(shell::vbAbort);
        check(d, d.Initial_K);
        d.Aceptar->click();
        return d.result();
    });
    w->Modificar_RBS_Click();
    QCOMPARE(t.statements(), std::vector<std::string>{"alter rollback segment R05 storage ( initial 524288K )"});
    QVERIFY(anyMessageContains(t, "ORA-25150"));
}

QTEST_MAIN(RollbackTest)
#include "test_rollback.moc"
