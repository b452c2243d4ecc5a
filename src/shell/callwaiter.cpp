#include "callwaiter.h"

#include "appcontext.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QEventLoop>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <mutex>

namespace shell {

namespace {

const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::User + 713);

// The form a widget belongs to: the child of an MDI frame, or of a plain holder
// window; none for the main window's own controls.
QWidget *formOf(QWidget *w)
{
    for (; w; w = w->parentWidget()) {
        QWidget *parent = w->parentWidget();
        if (qobject_cast<QMdiSubWindow *>(parent))
            return w;
        if (w->isWindow())
            return qobject_cast<QMainWindow *>(w) ? nullptr : w;
        if (parent && parent->isWindow() && !qobject_cast<QMainWindow *>(parent))
            return w;
    }
    return nullptr;
}

// What the user closes: the MDI frame around a form, or the form itself.
QWidget *closable(QWidget *form)
{
    if (!form)
        return nullptr;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget()))
        return sub;
    return form;
}

} // namespace

// Lets the threads of calls post a wake-up to the waiter for as long as it lives.
struct GuiWaiter::WakeTarget {
    std::mutex mutex;
    QObject *target = nullptr;
    void wake()
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (target)
            QCoreApplication::postEvent(target, new QEvent(kWakeEvent));
    }
};

struct GuiWaiter::Frame {
    access::PendingCalls calls;
    QEventLoop loop;
    QPointer<QWidget> window;       // disabled here
    QPointer<QWidget> focus;        // had the focus in it before
    QPointer<QWidget> closer;       // watched for its close
    bool closeAfter = false;
    std::vector<long long> brokenAt;   // elapsed ms when the break was seen; -1 none
    std::vector<bool> seen;            // answers already handed to `arrived`
    // An answer is there that `arrived` has not had yet.
    bool news() const
    {
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (!seen[i] && calls[i]->done())
                return true;
        return false;
    }
};

GuiWaiter::GuiWaiter(QObject *parent) : QObject(parent), m_wake(std::make_shared<WakeTarget>())
{
    m_wake->target = this;
}

GuiWaiter::~GuiWaiter()
{
    std::lock_guard<std::mutex> lock(m_wake->mutex);
    m_wake->target = nullptr;
}

QWidget *GuiWaiter::callerWindow() const
{
    // A scope naming no window (or one that has gone) disables nothing.
    if (!m_callers.empty())
        return m_callers.back();
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget *focus = QApplication::focusWidget())
        return formOf(focus);
    // Nothing has the focus (the frame not active): the frame's current child window.
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *frame = qobject_cast<QMainWindow *>(top))
            if (auto *mdi = frame->findChild<QMdiArea *>())
                if (QMdiSubWindow *sub = mdi->currentSubWindow())
                    return sub->widget();
    return nullptr;
}

void GuiWaiter::wait(const access::PendingCalls &calls, const std::function<void(std::size_t)> &arrived)
{
    Frame f;
    f.calls = calls;
    f.brokenAt.assign(calls.size(), -1);
    QWidget *caller = callerWindow();
    // A window already disabled by an outer wait stays so until that wait ends.
    if (caller && caller->isEnabled()) {
        QWidget *focus = QApplication::focusWidget();
        if (focus && (focus == caller || caller->isAncestorOf(focus)))
            f.focus = focus;
        caller->setEnabled(false);
        f.window = caller;
    }
    f.closer = closable(caller);
    if (f.closer)
        f.closer->installEventFilter(this);
    const QString title = caller ? caller->windowTitle() : QString();
    for (const auto &c : calls)
        if (std::none_of(m_running.begin(), m_running.end(), [&](const Running &r) { return r.call == c; }))
            m_running.push_back({c, caller, title});
    m_frames.push_back(&f);
    std::weak_ptr<WakeTarget> target = m_wake;
    for (const auto &c : calls)
        c->setWake([target] {
            if (auto t = target.lock())
                t->wake();
        });
    emit runningChanged();

    // Limits, breaks without an end and the status text are looked at ten times a second.
    QTimer tick;
    tick.setInterval(100);
    connect(&tick, &QTimer::timeout, this, [this, &f] { housekeeping(f); });
    tick.start();

    f.seen.assign(calls.size(), false);
    std::size_t left = calls.size();
    while (true) {
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (!f.seen[i] && calls[i]->done()) {
                f.seen[i] = true;
                --left;
                if (arrived)
                    arrived(i);
            }
        if (left == 0)
            break;
        housekeeping(f);
        if (!f.news())
            f.loop.exec();
    }
    tick.stop();

    for (const auto &c : calls)
        c->setWake({});
    m_frames.erase(std::find(m_frames.begin(), m_frames.end(), &f));
    // Calls still waited for by an outer frame stay listed.
    m_running.erase(std::remove_if(m_running.begin(), m_running.end(),
                                   [&](const Running &r) { return r.call->done(); }),
                    m_running.end());
    if (f.closer)
        f.closer->removeEventFilter(this);
    if (f.window) {
        f.window->setEnabled(true);
        // Disabling moved the focus away; the user goes on typing where he was.
        if (f.focus && f.focus->isVisible() && !QApplication::focusWidget())
            f.focus->setFocus();
    }
    emit runningChanged();
    if (f.closeAfter && f.closer) {
        // Closed once the operation that waited here has ended.
        QPointer<QWidget> closer = f.closer;
        QTimer::singleShot(0, this, [closer] {
            if (closer)
                closer->close();
        });
    }
}

void GuiWaiter::housekeeping(Frame &f)
{
    for (std::size_t i = 0; i < f.calls.size(); ++i) {
        access::PendingCall &c = *f.calls[i];
        if (c.done())
            continue;
        const long long now = c.elapsedMs();
        if (c.limitMs() > 0 && now >= c.limitMs() && !c.broken())
            c.expire();
        if (c.broken()) {
            if (f.brokenAt[i] < 0)
                f.brokenAt[i] = now;
            // A broken call that does not end is given up: its connection is dead.
            if (!c.breakable() || now - f.brokenAt[i] >= access::kGraceMs)
                c.abandon();
        }
    }
    if (f.news())
        f.loop.quit();
}

bool GuiWaiter::event(QEvent *e)
{
    if (e->type() == kWakeEvent) {
        // Every frame looks at its calls; a frame under a newer one leaves its loop
        // once that one has returned.
        for (Frame *f : m_frames)
            if (f->news())
                f->loop.quit();
        return true;
    }
    return QObject::event(e);
}

bool GuiWaiter::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::Close) {
        for (Frame *f : m_frames) {
            if (f->closer != watched)
                continue;
            // The answer is not wanted any more; the window goes when its operation ends.
            e->ignore();
            f->closeAfter = true;
            if (auto *w = qobject_cast<QWidget *>(watched))
                w->hide();
            for (const auto &c : f->calls)
                c->drop();
            return true;
        }
    }
    return QObject::eventFilter(watched, e);
}

std::vector<GuiWaiter::Running> GuiWaiter::running() const
{
    std::vector<Running> out;
    for (const Running &r : m_running)
        if (!r.call->done())
            out.push_back(r);
    return out;
}

bool GuiWaiter::cancelLatest()
{
    for (auto it = m_running.rbegin(); it != m_running.rend(); ++it)
        if (!it->call->done() && !it->call->broken()) {
            it->call->cancel();
            return true;
        }
    return false;
}

QString GuiWaiter::runningText(int afterMs) const
{
    QStringList parts;
    for (const Running &r : m_running) {
        const access::PendingCall &c = *r.call;
        if (c.done() || c.elapsedMs() < afterMs)
            continue;
        QString what = QString::fromStdString(c.what()).simplified();
        if (what.size() > 60)
            what = what.left(57) + "...";
        QString where = QString::fromStdString(c.service());
        if (!r.windowTitle.isEmpty())
            where += " (" + r.windowTitle + ")";
        parts << QString("Running on %1 for %2 s: %3").arg(where).arg(c.elapsedMs() / 1000).arg(what);
    }
    if (parts.size() > 2)
        return parts.front() + QString("  —  and %1 more").arg(parts.size() - 1);
    return parts.join("  —  ");
}

GuiWaiter *installGuiWaiter(AppContext &ctx)
{
    // Without an interface there is no loop to keep running: calls block, as in tools.
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread())
        return nullptr;
    auto w = std::make_shared<GuiWaiter>();
    ctx.waiter = w;
    return w.get();
}

GuiWaiter *guiWaiter(AppContext &ctx)
{
    return dynamic_cast<GuiWaiter *>(ctx.waiter.get());
}

CallerScope::CallerScope(AppContext &ctx, QWidget *window) : m_waiter(guiWaiter(ctx))
{
    if (m_waiter)
        m_waiter->pushCaller(window);
}

CallerScope::~CallerScope()
{
    if (m_waiter)
        m_waiter->popCaller();
}

} // namespace shell
