#include "redolog.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "llenargrilla.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace monitor {

using namespace shell;

RedoLog::RedoLog(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("REDOLOG");
    setWindowTitle("RedoLog Files");
    LRedoLog1 = new ResultGrid("LRedoLog1", this);
    LRedoLog1->grid()->setHeaders({"Group#", "Bytes", "Members"});
    Ajustar_Columnas(LRedoLog1);
    LRedoLog1->setColumnWidth(2, 110);
    LRedoLog2 = new ResultGrid("LRedoLog2", this);
    LRedoLog2->grid()->setHeaders({"Group#", "Status", "Member"});
    Ajustar_Columnas(LRedoLog2);
    LRedoLog2->setColumnWidth(3, 300);
    GRedolog = new QPushButton("&Gets Redolog Files", this);
    GRedolog->setObjectName("GRedolog");
    RLSalir = new QPushButton("E&xit", this);
    RLSalir->setObjectName("RLSalir");
    connect(GRedolog, &QPushButton::clicked, this, [this] { GRedolog_Click(); });
    connect(RLSalir, &QPushButton::clicked, this, [this] { RLSalir_Click(); });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(GRedolog);
    buttons->addStretch(1);
    buttons->addWidget(RLSalir);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(new QLabel("Groups", this));
    lay->addWidget(LRedoLog1, 2);
    lay->addWidget(new QLabel("Members", this));
    lay->addWidget(LRedoLog2, 3);
    lay->addLayout(buttons);
    resize(sizeHint());
}

void RedoLog::GRedolog_Click()
{
    LRedoLog1->grid()->reset();
    LRedoLog2->grid()->reset();
    GuardedOperation op(m_ctx);
    Llenar_Grilla(op, m_ctx, LRedoLog1, "select group#, bytes, members from v$log", {"group#", "bytes", "members"});
    Llenar_Grilla(op, m_ctx, LRedoLog2, "select group#, nvl(status,'Null') status, member from v$logfile",
                  {"group#", "status", "member"});
}

void RedoLog::RLSalir_Click()
{
    closeForm(this);
}

} // namespace monitor
