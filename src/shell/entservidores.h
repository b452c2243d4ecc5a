#pragma once
// ENTSERVIDORES "Server Update": the modal password dialog in front of the
// Servers window and of the screen lock. OK (or Enter in the field) stores the
// typed text as the context's typed access text; closing otherwise leaves it empty.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace shell {

class AppContext;

class EntServidores : public QDialog {
    Q_OBJECT
public:
    EntServidores(AppContext &ctx, QWidget *parent = nullptr);

    QLineEdit *Edit_Password_Servidores;
    QPushButton *Continuar;

private:
    void Continuar_Click();
    AppContext &m_ctx;
};

// Clears the typed access text, shows the dialog through the prompt service and
// answers whether the typed text is the access code.
bool askAccessCode(AppContext &ctx, QWidget *parent);

} // namespace shell
