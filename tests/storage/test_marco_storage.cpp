// The main window with the storage windows built in: the Structure and Monitor
// menu entries open each window once, at a size that shows its data.
#include "marco.h"
#include "windowtest.h"

#include "datafiles.h"
#include "mirollback.h"
#include "registry.h"
#include "resultgrid.h"
#include "segqnopc.h"
#include "tablespace.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTest>

using harness::WindowTest;

namespace {

QAction *menuAction(QWidget *w, const QString &caption)
{
    for (QAction *a : w->findChildren<QAction *>())
        if (a->text() == caption)
            return a;
    return nullptr;
}

// Every column of the grid is visible without scrolling sideways.
bool fits(shell::ResultGrid *grid)
{
    QTest::qWait(1);
    return grid->horizontalScrollBar()->maximum() == 0;
}

} // namespace

class MarcoStorageTest : public QObject {
    Q_OBJECT
private slots:
    void menusOpenOneInstanceEachAtASizeThatShowsItsData();
};

void MarcoStorageTest::menusOpenOneInstanceEachAtASizeThatShowsItsData()
{
    WindowTest t;
    shell::registerAllWindows(t.ctx.windows);
    shell::Marco m(t.ctx);
    m.resize(1280, 860);
    m.show();
    struct Entry {
        const char *caption, *form, *title;
    };
    for (const Entry &e : {Entry{"&Tablespaces", "TABLESPACE", "Tablespace"},
                           Entry{"&RollBack Segments", "MIROLLBACK", "RollBack Segments"},
                           Entry{"&DataFiles", "DATAFILES", "Data Files"}, Entry{"&Segments", "SEGQNOPC", "Segments"}}) {
        QAction *a = menuAction(&m, e.caption);
        QVERIFY2(a, e.caption);
        a->trigger();
        QWidget *w = m.form(e.form);
        QVERIFY2(w, e.form);
        QCOMPARE(w->windowTitle(), QString(e.title));
        a->trigger();
        QCOMPARE(m.form(e.form), w);
    }

    auto *ts = static_cast<storage::Tablespace *>(m.form("TABLESPACE"));
    ts->GTablespaces_Click();
    QVERIFY(fits(ts->LTablespaces));
    QVERIFY(ts->LTablespaces->verticalScrollBar()->maximum() == 0);   // all seven rows
    auto *rbs = static_cast<storage::MiRollback *>(m.form("MIROLLBACK"));
    rbs->GRollback_Click();
    QVERIFY(fits(rbs->LRollBack));
    QVERIFY(rbs->LRollBack->verticalScrollBar()->maximum() == 0);
    auto *df = static_cast<storage::Datafiles *>(m.form("DATAFILES"));
    df->GDatafiles_Click();
    QVERIFY(fits(df->LDatafiles));
    QVERIFY(df->LDatafiles->verticalScrollBar()->maximum() == 0);
    auto *seg = static_cast<storage::SegQnoPc *>(m.form("SEGQNOPC"));
    seg->GSegmentos_Click();
    QVERIFY(fits(seg->LSegmentos_Limite));
    QVERIFY(fits(seg->LSegmentos_Espacio));
    QVERIFY(seg->LSegmentos_Espacio->verticalScrollBar()->maximum() == 0);   // all 17 rows
    QCOMPARE(t.prompts.count(), 0u);
}

QTEST_MAIN(MarcoStorageTest)
#include "test_marco_storage.moc"
