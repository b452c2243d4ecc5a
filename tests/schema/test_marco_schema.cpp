// The main window with the schema and security windows built in: each menu entry
// opens its window once, with its caption, at a size that shows its grid.
#include "marco.h"
#include "windowtest.h"

#include "registry.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using harness::WindowTest;

namespace {

// The entry `caption` of the menu bar's menu `menu` (or of its submenu `sub`).
QAction *entry(QMainWindow &m, const QString &menu, const QString &caption, const QString &sub = {})
{
    for (QAction *top : m.menuBar()->actions()) {
        if (top->text() != menu || !top->menu())
            continue;
        QMenu *in = top->menu();
        if (!sub.isEmpty())
            for (QAction *a : in->actions())
                if (a->text() == sub && a->menu())
                    in = a->menu();
        for (QAction *a : in->actions())
            if (a->text() == caption)
                return a;
    }
    return nullptr;
}

} // namespace

class MarcoSchemaTest : public QObject {
    Q_OBJECT
private slots:
    void menusOpenOneInstanceEach();
};

void MarcoSchemaTest::menusOpenOneInstanceEach()
{
    WindowTest t;
    shell::registerAllWindows(t.ctx.windows);
    shell::Marco m(t.ctx);
    m.resize(1280, 860);
    m.show();
    struct Entry {
        const char *menu, *sub, *caption, *form, *title;
        int width, height;   // the size the window is designed to open at
    };
    const Entry entries[] = {
        {"&Structure", "", "Data&base", "MDATABAS", "Database", 1040, 640},
        {"&Objects", "", "&Tables", "TABLAS", "Tablas", 720, 480},
        {"&Objects", "", "&Clusters", "CLUSTERS", "Clusters", 860, 540},
        {"&Objects", "", "&Synonyms", "SINONIMOS", "Sinonyms", 820, 460},
        {"&Objects", "", "&Indexes", "INDICES", "Indexes", 720, 440},
        {"&Objects", "", "&Views", "VISTAS", "Views", 860, 440},
        {"&Objects", "", "Se&quences", "SEQUENCIAS", "Sequences", 760, 400},
        {"&Security", "", "&Users", "USUARIOS", "Users", 760, 420},
        {"&Security", "", "&Roles", "ROLES", "Roles", 480, 420},
        {"&Security", "&Permissions", "&Objects", "GRANTS", "Object Permissions", 860, 560},
    };
    for (const Entry &e : entries) {
        if (!t.ctx.windows.has(e.form))
            QFAIL(e.form);
        QAction *a = entry(m, e.menu, e.caption, e.sub);
        QVERIFY2(a, e.caption);
        a->trigger();
        QWidget *w = m.form(e.form);
        QVERIFY2(w, e.form);
        QCOMPARE(w->windowTitle(), QString(e.title));
        // Each window opens inside the frame at the size that shows its data.
        QVERIFY2(w->width() >= e.width && w->height() >= e.height,
                 qPrintable(QString("%1 %2x%3").arg(e.form).arg(w->width()).arg(w->height())));
        QVERIFY2(w->width() >= w->minimumSizeHint().width() && w->height() >= w->minimumSizeHint().height(), e.form);
        a->trigger();
        QCOMPARE(m.form(e.form), w);
    }
    QCOMPARE(t.prompts.count(), 0u);
}

QTEST_MAIN(MarcoSchemaTest)
#include "test_marco_schema.moc"
