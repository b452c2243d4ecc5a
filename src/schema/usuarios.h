#pragma once
// USUARIOS "Users": the database users of the current server; drops the selected
// one after a confirmation, opens the creation dialog and the user view.
#include <QWidget>

class QPushButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace schema {

class Usuarios : public QWidget {
    Q_OBJECT
public:
    explicit Usuarios(shell::AppContext &ctx, QWidget *parent = nullptr);

    void GUsuarios_Click();
    void BUsuarios_Click();
    void CUsuarios_Click();
    void MUsuarios_Click();
    void SUsuarios_Click();

    shell::ResultGrid *LUsuarios;
    QPushButton *GUsuarios, *BUsuarios, *CUsuarios, *MUsuarios, *SUsuarios;

private:
    shell::AppContext &m_ctx;
};

inline constexpr const char *kUsuarioBorrado = "Usuario Borrado";

} // namespace schema
