#pragma once
// CALENDARIO "Calendar": a month view set to today's date, and "&Exit".
#include <QWidget>

class QCalendarWidget;
class QPushButton;

namespace shell {
class AppContext;
}

namespace accessories {

class Calendario : public QWidget {
    Q_OBJECT
public:
    explicit Calendario(shell::AppContext &ctx, QWidget *parent = nullptr);
    void btnSalir_Click();

    QCalendarWidget *SQLCalendario;
    QPushButton *btnSalir;
};

} // namespace accessories
