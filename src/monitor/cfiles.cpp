#include "cfiles.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "llenargrilla.h"
#include "resultgrid.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace monitor {

using namespace shell;

CFiles::CFiles(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("CFILES");
    setWindowTitle("Control Files");
    LControlFile = new ResultGrid("LControlFile", this);
    LControlFile->grid()->setHeaders({"Status", "Name"});
    Ajustar_Columnas(LControlFile);
    LControlFile->setColumnWidth(2, 320);
    GControlfiles = new QPushButton("&Get Controlfiles", this);
    GControlfiles->setObjectName("GControlfiles");
    Control_File_Salir = new QPushButton("&Exit", this);
    Control_File_Salir->setObjectName("Control_File_Salir");
    connect(GControlfiles, &QPushButton::clicked, this, [this] { GControlfiles_Click(); });
    connect(Control_File_Salir, &QPushButton::clicked, this, [this] { Control_File_Salir_Click(); });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(GControlfiles);
    buttons->addStretch(1);
    buttons->addWidget(Control_File_Salir);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(LControlFile, 1);
    lay->addLayout(buttons);
    resize(sizeHint());
}

void CFiles::GControlfiles_Click()
{
    LControlFile->grid()->reset();
    GuardedOperation op(m_ctx);
    Llenar_Grilla(op, m_ctx, LControlFile, "select nvl(status,'Null') status, name from v$controlfile",
                  {"status", "name"});
}

void CFiles::Control_File_Salir_Click()
{
    closeForm(this);
}

} // namespace monitor
