#pragma once
// SEQUENCIAS "Sequences": the sequences of the current server, optionally of one owner.
#include "listaobjetos.h"

namespace schema {

class Sequencias : public ListaObjetos {
    Q_OBJECT
public:
    explicit Sequencias(shell::AppContext &ctx, QWidget *parent = nullptr);
};

} // namespace schema
