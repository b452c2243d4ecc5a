#pragma once
// DUSUARIO "Usuarios": the notice shown while a user is being dropped.
#include <QDialog>

namespace schema {

class DUsuario : public QDialog {
    Q_OBJECT
public:
    explicit DUsuario(QWidget *parent = nullptr);
};

} // namespace schema
