#pragma once
// CONTENCIONES "Contentions": free-list contention (waits on free lists against
// the block gets), the rollback segments that carry open transactions with the
// sessions owning them, and what every session is waiting for.
#include <QWidget>

#include <string>

class QPushButton;

namespace shell {
class AppContext;
class GuardedOperation;
class ResultGrid;
}

namespace monitor {

// The free-list wait ratio c / (g1 + g2) as a decimal number in text, without
// an exponent and with six significant digits ("0.0000000694396"); no gets
// known (g1 + g2 = 0) gives "0".
std::string Razon_Free_List(double waits, double g1, double g2);

class Contenciones : public QWidget {
    Q_OBJECT
public:
    explicit Contenciones(shell::AppContext &ctx, QWidget *parent = nullptr);
    // The size the window opens at (the main window sizes its child windows by
    // their size hints): wide and tall enough for the instance's figures.
    QSize sizeHint() const override { return {1040, 640}; }

    void GContenciones_Click();
    void Contenciones_Salir_Click();

    QPushButton *GContenciones, *Contenciones_Salir;
    shell::ResultGrid *LFreeList, *LTSegRollBack, *LSession_Wait;

private:
    void buildForm();
    void freeLists(shell::GuardedOperation &op);

    shell::AppContext &m_ctx;
};

} // namespace monitor
