#pragma once
// VISTAS "Views": the views of the current server, optionally of one owner; a
// double-click on a row shows the view's text.
#include "listaobjetos.h"

namespace schema {

class Vistas : public ListaObjetos {
    Q_OBJECT
public:
    explicit Vistas(shell::AppContext &ctx, QWidget *parent = nullptr);
    void LVistas_DblClick();
};

} // namespace schema
