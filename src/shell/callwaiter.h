#pragma once
// Waiting for a server without freezing the console.
//
// The window's code stays sequential: its call to the access layer returns when the
// server has answered. Meanwhile the call runs on a thread of its own and this
// waiter runs a local event loop: the frame repaints, menus and every other window
// go on working, timers tick. The window that made the call takes no input until the
// answer is there. Calls out for more than a second are listed in the frame's status
// bar with a Cancel button (cancelLatest). A window closed while its call is out has
// the call broken and its result dropped; it closes once its operation has ended.
//
// Installed on the context at start-up (installGuiWaiter); without it the access
// layer blocks the calling thread, as command-line tools want.
#include "access/calls.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class QWidget;

namespace shell {

class AppContext;

class GuiWaiter : public QObject, public access::CallWaiter {
    Q_OBJECT
public:
    explicit GuiWaiter(QObject *parent = nullptr);
    ~GuiWaiter() override;

    void wait(const access::PendingCalls &calls, const std::function<void(std::size_t)> &arrived) override;

    struct Running {
        std::shared_ptr<access::PendingCall> call;
        QPointer<QWidget> window;        // the window that made it (may be none)
        QString windowTitle;
    };
    // The calls out right now, oldest first.
    std::vector<Running> running() const;
    // Breaks the newest call out: the one every wait that began before it is behind.
    // Answers false when no call is out.
    bool cancelLatest();
    // The text of the frame's status bar for the calls out at least `afterMs`
    // milliseconds ("Running on PROD (Sessions) for 3 s: select ..."); empty when none.
    QString runningText(int afterMs = 1000) const;

    // The window the next calls are made for, when no click made them (timer ticks).
    void pushCaller(QWidget *w) { m_callers.push_back(w); }
    void popCaller() { m_callers.pop_back(); }

signals:
    // A call started or ended.
    void runningChanged();

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    struct Frame;
    QWidget *callerWindow() const;
    void housekeeping(Frame &f);

    std::vector<QPointer<QWidget>> m_callers;
    std::vector<Frame *> m_frames;
    std::vector<Running> m_running;
    struct WakeTarget;
    std::shared_ptr<WakeTarget> m_wake;
};

// Installs the waiter on the context: connections opened afterwards wait with it.
// Answers it (also kept by the context); none without a QApplication on this thread.
GuiWaiter *installGuiWaiter(AppContext &ctx);
GuiWaiter *guiWaiter(AppContext &ctx);

// Names the window the calls of a timer tick are made for (or a part of the frame,
// such as its toolbar for Connect), for as long as it lives.
class CallerScope {
public:
    CallerScope(AppContext &ctx, QWidget *window);
    ~CallerScope();
    CallerScope(const CallerScope &) = delete;
    CallerScope &operator=(const CallerScope &) = delete;

private:
    GuiWaiter *m_waiter;
};

} // namespace shell
