#include "indices.h"

#include "comun.h"

namespace schema {

Indices::Indices(shell::AppContext &ctx, QWidget *parent)
    : ListaObjetos(ctx,
                   {"INDICES", "Indexes", "IUsuarios", "Users", "LIndices", "GIndices", "&Get Indexes", "SIndices",
                    "&Exit",
                    "select owner, index_name, table_owner, table_name, table_type, tablespace_name, initial_extent, "
                    "next_extent, max_extents from dba_indexes ",
                    " order by index_name", "OWNER",
                    {{"Index Name", "index_name"},
                     {"Tablespace", "tablespace_name"},
                     {"Owner", "table_owner"},
                     {"Table", "table_name"}}},
                   parent)
{
    tamanoInicial(this, 720, 440);
}

} // namespace schema
