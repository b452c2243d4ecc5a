#pragma once
// BLOSESIONES "Session Locks": the wait-for tree of the current server's
// sessions, built on the server with two short-lived work tables
// (SQLVIGIL_HOLDERS, sqlvigil_locks_temp) in the connected user's schema.
#include <QWidget>

class QPushButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace monitor {

class BloSesiones : public QWidget {
    Q_OBJECT
public:
    explicit BloSesiones(shell::AppContext &ctx, QWidget *parent = nullptr);

    void GBloqueos_Click();
    void BSalir_Click();

    QPushButton *GBloqueos, *KSession, *BSalir;
    shell::ResultGrid *LBloqueos;

private:
    shell::AppContext &m_ctx;
};

} // namespace monitor
