#pragma once
// MIROLLBACK "RollBack Segments": the rollback segments of the current server with
// their storage, size and status; drops an offline segment and opens OPEROLLBACK
// to create or modify one.
#include <QWidget>

class QPushButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace storage {

class MiRollback : public QWidget {
    Q_OBJECT
public:
    explicit MiRollback(shell::AppContext &ctx, QWidget *parent = nullptr);
    // The opening size: every column and row of the listing in view.
    QSize sizeHint() const override { return {1180, 400}; }

    void GRollback_Click();
    void Borrar_RBS_Click();
    void Crear_RBS_Click();
    void Modificar_RBS_Click();
    void RSSalir_Click();

    shell::ResultGrid *LRollBack;
    QPushButton *GRollback, *Borrar_RBS, *Crear_RBS, *Modificar_RBS, *RSSalir;

private:
    shell::AppContext &m_ctx;
};

} // namespace storage
