// The segment-limit window: the block size, the margin with its up/down control
// (0, 5, empty, "5x", negative), the "Ext/Max" cells, the empty-result message
// and the space search.
#include "segqnopc.h"

#include "storagetest.h"

#include "prompts.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>

using harness::WindowTest;
using storage::SegQnoPc;
using namespace storagetest;

namespace {

const std::string kBlockSql = "select value from v$parameter where name = 'db_block_size'";
const std::string kLimitHead =
    "SELECT seg.owner uno, seg.segment_name dos, seg.segment_type tres, seg.tablespace_name cuatro, seg.extents "
    "cinco, seg.max_extents seis FROM sys.dba_segments seg ";
const std::string kReached = kLimitHead + "WHERE seg.extents >= seg.max_extents ";
const std::string kSpaceSql =
    "SELECT seg.owner uno, seg.segment_name dos, seg.segment_type tres, seg.tablespace_name cuatro, seg.next_extent "
    "cinco FROM dba_segments seg WHERE seg.segment_type in ('TABLE','CLUSTER','INDEX','ROLLBACK') AND NOT EXISTS "
    "(select free.tablespace_name FROM dba_free_space free WHERE free.tablespace_name = seg.tablespace_name and "
    "free.bytes >= seg.next_extent)";

QStringList limitNames(SegQnoPc *w)
{
    QStringList out;
    for (int r = 1; r <= w->LSegmentos_Limite->grid()->dataRows(); ++r)
        out << w->LSegmentos_Limite->grid()->text(r, 2);
    return out;
}

} // namespace

class SegQnoPcTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithTheBlockSizeAndMarginZero();
    void marginEntersAsItsNumericValue();
    void emptyLimitResultShowsItsMessageAndSearchesSpace();
};

void SegQnoPcTest::opensWithTheBlockSizeAndMarginZero()
{
    WindowTest t;
    auto *w = t.open<SegQnoPc>();
    QCOMPARE(t.statements(), std::vector<std::string>{kBlockSql});
    QCOMPARE(w->data_block_size->text(), QString("8192"));
    QVERIFY(w->data_block_size->isReadOnly());
    QCOMPARE(w->Antes_Maxextent->text(), QString("0"));

    t.clearStatements();
    w->GSegmentos_Click();
    QCOMPARE(t.statements(), (std::vector<std::string>{kBlockSql, kReached, kSpaceSql}));
    QCOMPARE(t.prompts.count(), 0u);
    // Reached: the cache segment (1 of 1) and AUDITORIA (505 of 505), in the server's order.
    QCOMPARE(limitNames(w), QStringList({"1.177", "AUDITORIA"}));
    const int aud = rowOf(w->LSegmentos_Limite, "AUDITORIA", 2);
    QStringList row;
    for (int c = 0; c <= 5; ++c)
        row << t.cell(w, "LSegmentos_Limite", aud, c);
    QCOMPARE(row, QStringList({"2", "VENTAS", "AUDITORIA", "TABLE", "USERS", " 505/ 505"}));
    QCOMPARE(w->LSegmentos_Espacio->grid()->dataRows(), 17);
    QCOMPARE(t.cell(w, "LSegmentos_Espacio", 1, 2), QString("HISTORICO_VENTAS"));
    QCOMPARE(t.cell(w, "LSegmentos_Espacio", 1, 5), QString("26214400"));
    QVERIFY(showsAllColumns(w->LSegmentos_Limite));
    QVERIFY(showsAllColumns(w->LSegmentos_Espacio));
}

void SegQnoPcTest::marginEntersAsItsNumericValue()
{
    WindowTest t;
    auto *w = t.open<SegQnoPc>();
    struct Case {
        const char *typed;
        std::string where;
        QStringList names;
    };
    const std::vector<Case> cases = {
        {"5", "WHERE seg.extents >= seg.max_extents - 5 ", {"1.177", "R02", "AUDITORIA"}},
        {"5x", "WHERE seg.extents >= seg.max_extents - 5 ", {"1.177", "R02", "AUDITORIA"}},
        {" 5.9", "WHERE seg.extents >= seg.max_extents - 5 ", {"1.177", "R02", "AUDITORIA"}},
        {"", "WHERE seg.extents >= seg.max_extents ", {"1.177", "AUDITORIA"}},
        {"0", "WHERE seg.extents >= seg.max_extents ", {"1.177", "AUDITORIA"}},
        {"-3", "WHERE seg.extents >= seg.max_extents ", {"1.177", "AUDITORIA"}},
        {"x; drop table t", "WHERE seg.extents >= seg.max_extents ", {"1.177", "AUDITORIA"}},
        {"2", "WHERE seg.extents >= seg.max_extents - 2 ", {"1.177", "AUDITORIA"}},
    };
    for (const Case &c : cases) {
        w->Antes_Maxextent->setText(c.typed);
        t.clearStatements();
        w->GSegmentos_Click();
        QCOMPARE(t.statements().at(1), kLimitHead + c.where);
        QCOMPARE(limitNames(w), c.names);
    }
    QCOMPARE(t.cell(w, "LSegmentos_Limite", 1, 5), QString(" 1/ 1"));
    QCOMPARE(t.prompts.count(), 0u);

    // The up/down control steps the margin by one, never below 0.
    w->Antes_Maxextent->setText("5x");
    w->UpDown_Up->click();
    QCOMPARE(w->Antes_Maxextent->text(), QString("6"));
    w->Antes_Maxextent->setText("1");
    w->UpDown_Down->click();
    w->UpDown_Down->click();
    QCOMPARE(w->Antes_Maxextent->text(), QString("0"));
    QCOMPARE(storage::consultaLimite("1e3"), kLimitHead + "WHERE seg.extents >= seg.max_extents - 1000 ");
}

void SegQnoPcTest::emptyLimitResultShowsItsMessageAndSearchesSpace()
{
    WindowTest t;
    t.serverScript("update sys.seg$ set max_extents = extents + 100");
    auto *w = t.open<SegQnoPc>();
    t.clearStatements();
    w->GSegmentos_Click();
    QCOMPARE(messages(t), std::vector<std::string>{"SQL*Vigil|No existen segmentos en Max Extents"});
    QCOMPARE(t.statements(), (std::vector<std::string>{kBlockSql, kReached, kSpaceSql}));
    QCOMPARE(w->LSegmentos_Limite->grid()->dataRows(), 0);
    QCOMPARE(w->LSegmentos_Espacio->grid()->dataRows(), 17);

    // Without a connection: the grids stay cleared, nothing is sent, no message.
    WindowTest off({.connect = false});
    auto *v = off.open<SegQnoPc>();
    v->GSegmentos_Click();
    QVERIFY(off.statements().empty());
    QCOMPARE(off.prompts.count(), 0u);
    QCOMPARE(v->data_block_size->text(), QString());
}

QTEST_MAIN(SegQnoPcTest)
#include "test_segqnopc.moc"
