// Every window of the program, opened in the frame: at least the size it asks for,
// its first grid's header shown in full; clamped to a small frame; the size and
// place of each window and of the frame remembered between runs.
#include "marco.h"
#include "registry.h"
#include "resultgrid.h"
#include "windowplaces.h"
#include "windowtest.h"

#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <filesystem>
#include <fstream>

using harness::WindowTest;
using shell::Marco;

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// The first grid a user sees in the window (grids on hidden tabs come later).
shell::ResultGrid *firstVisibleGrid(QWidget *form)
{
    for (auto *g : form->findChildren<shell::ResultGrid *>())
        if (g->isVisible())
            return g;
    return nullptr;
}

QString headerProblem(shell::ResultGrid *g)
{
    QHeaderView *h = g->horizontalHeader();
    QFont bold = h->font();
    bold.setWeight(QFont::DemiBold);
    const QFontMetrics fm(bold);
    for (int c = 0; c < g->model()->columnCount(); ++c) {
        if (g->isColumnHidden(c))
            continue;
        const QString caption = g->model()->headerData(c, Qt::Horizontal).toString();
        if (h->sectionSize(c) < fm.horizontalAdvance(caption) + 8)
            return QString("column %1 \"%2\" is %3 px, its caption needs %4")
                .arg(c).arg(caption).arg(h->sectionSize(c)).arg(fm.horizontalAdvance(caption) + 8);
    }
    if (h->length() > g->viewport()->width() + 1)
        return QString("the header is %1 px wide, the grid shows %2").arg(h->length()).arg(g->viewport()->width());
    return {};
}

} // namespace

class WindowsTest : public QObject {
    Q_OBJECT
private slots:
    void everyWindowOpensAtItsSize();
    void smallFrameClampsTheWindow();
    void placesAreRememberedBesideTheSettings();
};

void WindowsTest::everyWindowOpensAtItsSize()
{
    WindowTest t;
    shell::registerAllWindows(t.ctx.windows);
    const auto names = t.ctx.windows.formNames();
    QVERIFY(names.size() >= 5);
    Marco m(t.ctx);
    m.resize(1900, 1250);
    m.show();
    QVERIFY(m.Form_Load());
    m.ServidoresCombo_Click(0);
    settle();
    t.prompts.answerAlways(shell::vbAbort);
    for (const std::string &name : names) {
        const QString what = QString::fromStdString(name);
        // What the window asks for when it is built on its own.
        QSize asked;
        {
            QWidget *probe = t.ctx.windows.create(name, t.ctx, nullptr);
            QVERIFY2(probe, name.c_str());
            probe->ensurePolished();
            asked = shell::requestedSize(probe);
            delete probe;
        }
        QWidget *w = m.showForm(name);
        QVERIFY2(w, name.c_str());
        settle();
        QMdiSubWindow *sub = m.subWindow(name);
        QVERIFY(sub);
        const QRect area = m.mdi()->viewport()->rect();
        QVERIFY2(area.contains(sub->geometry()), qPrintable(what + " lies outside the frame"));
        QVERIFY2(w->width() >= asked.width() && w->height() >= asked.height(),
                 qPrintable(QString("%1 opened at %2x%3, asks for %4x%5")
                                .arg(what).arg(w->width()).arg(w->height()).arg(asked.width()).arg(asked.height())));
        if (shell::ResultGrid *g = firstVisibleGrid(w)) {
            const QString problem = headerProblem(g);
            QVERIFY2(problem.isEmpty(), qPrintable(what + " " + g->objectName() + ": " + problem));
        }
        sub->close();
        settle();
    }
}

void WindowsTest::smallFrameClampsTheWindow()
{
    WindowTest t;
    shell::registerAllWindows(t.ctx.windows);
    Marco m(t.ctx);
    m.resize(640, 420);
    m.show();
    QVERIFY(m.Form_Load());
    settle();
    QWidget *w = m.showForm("SESIONES");
    QVERIFY(w);
    settle();
    const QRect area = m.mdi()->viewport()->rect();
    QMdiSubWindow *sub = m.subWindow("SESIONES");
    QVERIFY(area.contains(sub->geometry()));
    QCOMPARE(sub->width(), area.width());
}

void WindowsTest::placesAreRememberedBesideTheSettings()
{
    WindowTest t;
    shell::registerAllWindows(t.ctx.windows);
    const std::string places = t.dir + "SQLVigil-windows.ini";
    const QRect moved(30, 40, 700, 380);
    {
        Marco m(t.ctx);
        m.resize(1500, 1000);
        m.move(20, 10);
        m.show();
        QVERIFY(m.Form_Load());
        settle();
        QCOMPARE(m.places().fileName(), QString::fromStdString(places));
        m.showForm("BLOSESIONES");
        settle();
        QMdiSubWindow *sub = m.subWindow("BLOSESIONES");
        sub->setGeometry(moved);
        sub->close();
        settle();
        QVERIFY(m.showForm("BLOSESIONES"));
        settle();
        QCOMPARE(m.subWindow("BLOSESIONES")->geometry(), moved);
        m.resize(1234, 876);
        m.close();
    }
    QVERIFY(std::filesystem::exists(places));
    {
        Marco again(t.ctx);
        QCOMPARE(again.size(), QSize(1234, 876));
        again.show();
        QVERIFY(again.Form_Load());
        settle();
        again.showForm("BLOSESIONES");
        settle();
        QCOMPARE(again.subWindow("BLOSESIONES")->geometry(), moved);
    }
    // The settings file itself still holds only the repository directory.
    std::ifstream ini(t.ctx.iniPath);
    std::string all((std::istreambuf_iterator<char>(ini)), std::istreambuf_iterator<char>());
    QVERIFY(all.find("windows") == std::string::npos);
    QVERIFY(all.find("BDLOCAL") != std::string::npos);
}

QTEST_MAIN(WindowsTest)
#include "test_windows.moc"
