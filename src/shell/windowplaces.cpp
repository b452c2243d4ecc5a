#include "windowplaces.h"

#include "resultgrid.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QFileInfo>
#include <QLayout>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>

namespace shell {

namespace {

const char kFormProperty[] = "sqlvigilFormName";

// `r` moved (and if need be shrunk) so that it lies inside `area`.
QRect insideOf(QRect r, const QRect &area)
{
    r.setWidth(std::min(r.width(), area.width()));
    r.setHeight(std::min(r.height(), area.height()));
    if (r.right() > area.right())
        r.moveRight(area.right());
    if (r.bottom() > area.bottom())
        r.moveBottom(area.bottom());
    if (r.left() < area.left())
        r.moveLeft(area.left());
    if (r.top() < area.top())
        r.moveTop(area.top());
    return r;
}

QString childKey(const QString &formName)
{
    return "windows/" + formName;
}

} // namespace

QSize requestedSize(QWidget *form)
{
    QSize hint = form->sizeHint();
    if (!hint.isValid())
        hint = QSize(0, 0);
    QSize asked = form->testAttribute(Qt::WA_Resized) ? form->size() : hint;
    return asked.expandedTo(hint).expandedTo(form->minimumSize());
}

QString placesFileFor(const QString &iniPath)
{
    const QFileInfo ini(iniPath);
    return ini.absolutePath() + "/SQLVigil-windows.ini";
}

WindowPlaces::WindowPlaces(const QString &iniPath, QObject *parent)
    : QObject(parent), m_settings(std::make_unique<QSettings>(placesFileFor(iniPath), QSettings::IniFormat))
{
}

WindowPlaces::~WindowPlaces() = default;

QString WindowPlaces::fileName() const
{
    return m_settings->fileName();
}

void WindowPlaces::place(QMdiArea *area, QMdiSubWindow *sub, QWidget *form, const QString &formName,
                         const QSize &asked)
{
    sub->setProperty(kFormProperty, formName);
    sub->installEventFilter(this);
    const QRect viewport = area->viewport()->rect();

    const QRect remembered = rememberedChild(formName);
    if (remembered.isValid() && remembered.width() > 40 && remembered.height() > 30) {
        sub->setGeometry(insideOf(remembered, viewport));
        return;
    }
    // The frame around the form: title bar and borders of the child window.
    if (sub->layout())
        sub->layout()->activate();
    QSize frame = sub->size() - form->size();
    if (frame.width() < 0 || frame.height() < 0 || frame.width() > 80 || frame.height() > 120)
        frame = QSize(8, 34);
    const QSize wanted = asked + frame;
    QRect r(sub->pos(), wanted);
    sub->setGeometry(insideOf(r, viewport));
    // A first grid whose columns are wider than the window makes the window wider,
    // as far as the frame allows, so its header shows in full.
    for (auto *g : form->findChildren<ResultGrid *>()) {
        if (!g->isVisible())
            continue;
        if (sub->layout())
            sub->layout()->activate();
        if (form->layout())
            form->layout()->activate();
        const int missing = g->horizontalHeader()->length() - g->viewport()->width();
        if (missing > 0)
            sub->setGeometry(insideOf(QRect(sub->pos(), sub->size() + QSize(missing + 4, 0)), viewport));
        break;
    }
}

bool WindowPlaces::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close) {
        auto *sub = qobject_cast<QMdiSubWindow *>(watched);
        const QString name = watched->property(kFormProperty).toString();
        if (sub && !name.isEmpty() && !sub->isMinimized() && !sub->isMaximized())
            saveChild(name, sub->geometry());
    }
    return QObject::eventFilter(watched, event);
}

void WindowPlaces::saveChild(const QString &formName, const QRect &geometry)
{
    m_settings->setValue(childKey(formName), geometry);
    m_settings->sync();
}

QRect WindowPlaces::rememberedChild(const QString &formName) const
{
    return m_settings->value(childKey(formName)).toRect();
}

void WindowPlaces::saveFrame(const QMainWindow &frame)
{
    m_settings->setValue("frame/geometry", frame.saveGeometry());
    m_settings->setValue("frame/state", frame.saveState());
    m_settings->sync();
}

bool WindowPlaces::restoreFrame(QMainWindow &frame) const
{
    const QByteArray g = m_settings->value("frame/geometry").toByteArray();
    if (g.isEmpty())
        return false;
    frame.restoreGeometry(g);
    frame.restoreState(m_settings->value("frame/state").toByteArray());
    return true;
}

} // namespace shell
