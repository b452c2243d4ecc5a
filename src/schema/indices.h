#pragma once
// INDICES "Indexes": the indexes of the current server, optionally of one owner.
#include "listaobjetos.h"

namespace schema {

class Indices : public ListaObjetos {
    Q_OBJECT
public:
    explicit Indices(shell::AppContext &ctx, QWidget *parent = nullptr);
};

} // namespace schema
