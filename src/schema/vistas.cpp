#include "vistas.h"

#include "comun.h"

#include "appcontext.h"
#include "formutil.h"
#include "prompts.h"
#include "resultgrid.h"

namespace schema {

Vistas::Vistas(shell::AppContext &ctx, QWidget *parent)
    : ListaObjetos(ctx,
                   {"VISTAS", "Views", "VUsuarios", "Users", "LVistas", "GVistas", "&Get Views", "SVistas", "&Exit",
                    "select owner, view_name, text_length, text from dba_views ", " order by view_name", "OWNER",
                    {{"View Name", "view_name"}, {"Text Length", "text_length"}, {"Text", "text"}}},
                   parent)
{
    connect(grid(), &shell::ResultGrid::rowDoubleClicked, this, [this](int) { LVistas_DblClick(); });
    tamanoInicial(this, 860, 440);
}

void Vistas::LVistas_DblClick()
{
    const std::string text = shell::ss(grid()->grid()->text(grid()->grid()->currentRow(), 3));
    // The blank row of an empty list has no text to show.
    if (text.empty())
        return;
    m_ctx.prompts.MsgBox(text, shell::vbOKOnly, "Texto de la Vista");
}

} // namespace schema
