#include "dsesion.h"

#include "appcontext.h"
#include "errores.h"
#include "prompts.h"
#include "sqlcvpg.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace monitor {

using namespace shell;

DSesion::DSesion(QWidget *parent) : QDialog(parent)
{
    setObjectName("DSESION");
    setWindowTitle("Sesion ");
    setModal(false);
    auto *label = new QLabel("Deleting Session", this);
    label->setObjectName("Label1");
    label->setAlignment(Qt::AlignCenter);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(label);
    resize(260, 80);
}

bool Borrar_Sesion(AppContext &ctx, const std::string &sid, const std::string &serial, const std::string &title,
                   QWidget *parent)
{
    const int answer = ctx.prompts.MsgBox("Desea usted borrar la sesion: " + sid + " " + serial + " ?",
                                          vbYesNo + vbCritical + vbDefaultButton2, title);
    if (answer != vbYes)
        return false;

    GuardedOperation op(ctx);
    DSesion notice(parent);
    bool sent = false;
    access::OraDatabase *db = nullptr;
    op.step([&] {
        Cursor_Ocupado(ctx);
        notice.show();
        QApplication::processEvents();
    });
    op.step([&] {
        // The statement goes only to an open connection: a loaded slot without one
        // has nothing to kill on, and must not be confirmed as done.
        if (ctx.slotTable[ctx.slotTable.current].slotState == kSlotLoaded && (db = ctx.currentConnection())) {
            db->DbExecuteSQL("alter system kill session '" + sqlLiteral(sid) + "," + sqlLiteral(serial) + "'");
            sent = true;
        }
    });
    notice.close();
    if (!op.alive())
        return false;
    op.finish();
    if (sent && db && db->LastServerErr() == 0) {
        ctx.prompts.MsgBox(kSesionBorrada, vbOKOnly, "SQL*Vigil");
        return true;
    }
    return false;
}

} // namespace monitor
