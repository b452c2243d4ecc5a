#pragma once
// "Auto-refresh" for the windows that watch the instance: a choice of Off, 5 s,
// 15 s and 60 s beside the window's get button that presses that button on a
// timer. Off when the window opens. A tick does nothing while an error dialog is
// open (the operation the last press started is still waiting for its answer),
// while the button is disabled, or while the window is hidden. A window adopts it
// in one line, after its buttons are laid out:
//
//     shell::AutoRefresh::attach(m_ctx, GSession);
#include <QWidget>

class QAbstractButton;
class QComboBox;
class QTimer;

namespace shell {

class AppContext;

class AutoRefresh : public QWidget {
    Q_OBJECT
public:
    AutoRefresh(AppContext &ctx, QAbstractButton *getButton, QWidget *parent);

    // Builds the choice and puts it just after `getButton` in the layout that holds
    // the button (or at the end of the button's parent's layout).
    static AutoRefresh *attach(AppContext &ctx, QAbstractButton *getButton);

    // Seconds between presses; 0 is off.
    int interval() const;
    void setInterval(int seconds);

    QComboBox *choice() const { return m_choice; }
    QTimer *timer() const { return m_timer; }

private:
    void tick();
    AppContext &m_ctx;
    QAbstractButton *m_button;
    QComboBox *m_choice;
    QTimer *m_timer;
    bool m_pressing = false;
};

} // namespace shell
