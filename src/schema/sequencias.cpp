#include "sequencias.h"

#include "comun.h"

namespace schema {

Sequencias::Sequencias(shell::AppContext &ctx, QWidget *parent)
    : ListaObjetos(ctx,
                   {"SEQUENCIAS", "Sequences", "SUsuarios", "User", "LSequencias", "GSequencias", "&Gets",
                    "SSequencias", "E&xit",
                    "select sequence_owner, sequence_name, min_value, max_value, increment_by, last_number from "
                    "dba_sequences ",
                    " order by sequence_name", "SEQUENCE_OWNER",
                    {{"Sequence Name", "sequence_name"},
                     {"Min Value", "min_value"},
                     {"Max Value", "max_value"},
                     {"Increment by", "increment_by"},
                     {"Last Number", "last_number"}}},
                   parent)
{
    tamanoInicial(this, 760, 400);
}

} // namespace schema
