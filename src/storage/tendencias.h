#pragma once
// The space sample behind "&Tendencias": the current server's datafile sizes
// (FILES), free space per tablespace (SPACES) and the extents of large segments
// and rollback segments (EXTENTS), stamped with the server's registered name in
// upper case and the sample day, into the repository.
//
// A sample lands whole or not at all: the three listings are read first, then
// written in one transaction that first removes the same server's sample of the
// same day, so sampling twice on one day keeps only the second sample.
#include "localdb.h"

#include <string>

namespace shell { class AppContext; }

namespace storage {

inline constexpr const char *kConsultaFiles = "select tablespace_name, file_name, blocks from dba_data_files";
inline constexpr const char *kConsultaSpaces =
    "select tablespace_name, count(blocks) cblocks, sum(blocks) sblocks, max(blocks) mblocks from dba_free_space "
    "group by tablespace_name";
inline constexpr const char *kConsultaExtents =
    "select tablespace_name, owner, segment_name, segment_type, extents, blocks from dba_segments where extents > 9 "
    "or segment_type = 'ROLLBACK'";

struct MuestraEspacio {
    bool tomada = false;        // the sample was stored
    int files = 0, spaces = 0, extents = 0;
    int repetidos = 0;          // segments left out because one with the same key came first
};

// Takes one sample of the current slot's server, dated `fecha` (a date without
// time; today when omitted). Without an open connection it writes nothing and
// says nothing. Every step is guarded; a failed listing (answered Ignore or
// Abort) leaves the repository as it was.
MuestraEspacio Tomar_Muestra_Espacio(shell::AppContext &ctx, const localdb::Value &fecha);
MuestraEspacio Tomar_Muestra_Espacio(shell::AppContext &ctx);

} // namespace storage
