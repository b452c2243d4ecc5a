#include "tendencias.h"

#include "appcontext.h"
#include "errores.h"
#include "sqlcvpg.h"

#include <QString>

#include <cmath>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

namespace storage {

using namespace shell;

namespace {

localdb::Value numero(const access::OraValue &v)
{
    if (v.isNull())
        return {};
    return localdb::Value(static_cast<long long>(std::llround(v.toDouble())));
}

localdb::Value texto(const access::OraValue &v)
{
    return v.isNull() ? localdb::Value() : localdb::Value(v.toString());
}

struct Fila {
    std::vector<std::pair<const char *, localdb::Value>> campos;
};

// Reads a whole listing into rows of named fields (`map` gives field <- alias).
std::vector<Fila> leer(access::OraDatabase &db, const char *sql,
                       const std::vector<std::pair<const char *, const char *>> &map, bool numeric(const char *))
{
    std::vector<Fila> out;
    auto dyn = db.DbCreateDynaset(sql, 4);
    for (; !dyn->IsEOF(); dyn->MoveNext()) {
        Fila f;
        for (const auto &[campo, alias] : map)
            f.campos.emplace_back(campo, numeric(campo) ? numero(dyn->Fields(alias)) : texto(dyn->Fields(alias)));
        out.push_back(std::move(f));
    }
    dyn->Close();
    return out;
}

bool esNumero(const char *campo)
{
    const std::string c = campo;
    return c == "BLOCKS" || c == "EXTENTS" || c == "COUNT_FREE_BLOCKS" || c == "SUM_FREE_BLOCKS" ||
           c == "MAX_FREE_BLOCKS";
}

const localdb::Value &campo(const Fila &f, const std::string &name)
{
    for (const auto &c : f.campos)
        if (name == c.first)
            return c.second;
    static const localdb::Value none;
    return none;
}

// One row per EXTENTS key (tablespace, owner, name): two segments of one owner
// and name in one tablespace (a table and an index, say) would collide on the
// key and fail the whole sample; the one with more extents is kept.
int quitarRepetidos(std::vector<Fila> &rows)
{
    std::map<std::tuple<std::string, std::string, std::string>, std::size_t> seen;
    std::vector<Fila> kept;
    int dropped = 0;
    for (auto &r : rows) {
        auto key = std::make_tuple(campo(r, "TS").toString(), campo(r, "SEG_OWNER").toString(),
                                   QString::fromStdString(campo(r, "SEG_NAME").toString()).toUpper().toStdString());
        auto it = seen.find(key);
        if (it == seen.end()) {
            seen.emplace(key, kept.size());
            kept.push_back(std::move(r));
            continue;
        }
        ++dropped;
        if (campo(r, "EXTENTS").toDouble() > campo(kept[it->second], "EXTENTS").toDouble())
            kept[it->second] = std::move(r);
    }
    rows = std::move(kept);
    return dropped;
}

void escribir(localdb::Database &repo, const char *tabla, const std::vector<Fila> &rows, const localdb::Value &db,
              const localdb::Value &fecha)
{
    auto rs = repo.OpenRecordset(tabla);
    for (const Fila &f : rows) {
        rs->AddNew();
        rs->SetField("DB_NM", db);
        rs->SetField("CHECK_DATE", fecha);
        for (const auto &[name, value] : f.campos)
            rs->SetField(name, value);
        rs->Update();
    }
    rs->Close();
}

} // namespace

MuestraEspacio Tomar_Muestra_Espacio(AppContext &ctx)
{
    return Tomar_Muestra_Espacio(ctx, localdb::Value::today());
}

MuestraEspacio Tomar_Muestra_Espacio(AppContext &ctx, const localdb::Value &fecha)
{
    MuestraEspacio m;
    access::OraDatabase *db = ctx.currentConnection();
    if (!db)
        return m;
    const localdb::Value servidor(QString::fromStdString(ctx.slotTable[ctx.slotTable.current].SERVIDOR).toUpper().toStdString());
    std::vector<Fila> files, spaces, extents;
    bool leido[3] = {false, false, false};
    GuardedOperation op(ctx);
    op.step([&] {
        Cursor_Ocupado(ctx);
        files = leer(*db, kConsultaFiles, {{"TS", "tablespace_name"}, {"FILE_NM", "file_name"}, {"BLOCKS", "blocks"}},
                     esNumero);
        leido[0] = true;
    });
    op.step([&] {
        spaces = leer(*db, kConsultaSpaces,
                      {{"TS", "tablespace_name"}, {"COUNT_FREE_BLOCKS", "cblocks"}, {"SUM_FREE_BLOCKS", "sblocks"},
                       {"MAX_FREE_BLOCKS", "mblocks"}},
                      esNumero);
        leido[1] = true;
    });
    op.step([&] {
        extents = leer(*db, kConsultaExtents,
                       {{"TS", "tablespace_name"}, {"SEG_OWNER", "owner"}, {"SEG_NAME", "segment_name"},
                        {"SEG_TYPE", "segment_type"}, {"EXTENTS", "extents"}, {"BLOCKS", "blocks"}},
                       esNumero);
        m.repetidos = quitarRepetidos(extents);
        leido[2] = true;
    });
    if (leido[0] && leido[1] && leido[2]) {
        op.step([&] {
            localdb::Database &repo = *ctx.repository;
            repo.Execute("SAVEPOINT space_sample");
            try {
                for (const char *tabla : {"FILES", "SPACES", "EXTENTS"})
                    repo.Execute(std::string("DELETE FROM ") + tabla + " WHERE DB_NM = :db AND CHECK_DATE = :fecha",
                                 {{"db", servidor}, {"fecha", fecha}});
                escribir(repo, "FILES", files, servidor, fecha);
                escribir(repo, "SPACES", spaces, servidor, fecha);
                escribir(repo, "EXTENTS", extents, servidor, fecha);
                repo.Execute("RELEASE space_sample");
            } catch (...) {
                repo.Execute("ROLLBACK TO space_sample");
                repo.Execute("RELEASE space_sample");
                throw;
            }
            m.tomada = true;
            m.files = static_cast<int>(files.size());
            m.spaces = static_cast<int>(spaces.size());
            m.extents = static_cast<int>(extents.size());
        });
    }
    op.finish();
    return m;
}

} // namespace storage
