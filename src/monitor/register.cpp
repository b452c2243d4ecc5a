#include "register.h"

#include "blorecursos.h"
#include "blosesiones.h"
#include "muestreo.h"
#include "parametros.h"
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
    registry.add("PARAMETROS", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new Parametros(ctx, parent);
    });
    registry.add("SQL_PLSQL_Editor", [](shell::AppContext &ctx, QWidget *parent) -> QWidget * {
        return new SqlPlsqlEditor(ctx, parent);
    });
    registry.heavyStatementTick = Muestra_Sentencias_Pesadas;
}

} // namespace monitor
