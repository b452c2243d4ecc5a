#include "register.h"

#include "blorecursos.h"
#include "blosesiones.h"
#include "cfiles.h"
#include "contenciones.h"
#include "memoria.h"
#include "memsesion.h"
#include "muestreo.h"
#include "parametros.h"
#include "procesos.h"
#include "redolog.h"
#include "sentenciaspesadas.h"
#include "sesiones.h"
#include "sql_plsql_editor.h"
#include "windowregistry.h"

namespace monitor {

void registerWindows(shell::WindowRegistry &registry)
{
    registry.add("SESIONES", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new Sesiones(ctx, parent);
    });
    registry.add("BLOSESIONES", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new BloSesiones(ctx, parent);
    });
    registry.add("BLORECURSOS", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new BloRecursos(ctx, parent);
    });
    registry.add("SENTENCIASPESADAS", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new SentenciasPesadas(ctx, parent);
    });
    registry.add("MEMORIA", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new Memoria(ctx, parent);
    });
    registry.add("MEMSESION", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new MemSesion(ctx, parent);
    });
    registry.add("CONTENCIONES", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new Contenciones(ctx, parent);
    });
    registry.add("PROCESOS", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new Procesos(ctx, parent);
    });
    registry.add("REDOLOG", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new RedoLog(ctx, parent);
    });
    registry.add("CFILES", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new CFiles(ctx, parent);
    });
    registry.add("PARAMETROS", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new Parametros(ctx, parent);
    });
    registry.add("SQL_PLSQL_Editor", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new SqlPlsqlEditor(ctx, parent);
    });
    registry.heavyStatementTick = Muestra_Sentencias_Pesadas;
}

} // namespace monitor
