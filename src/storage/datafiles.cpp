#include "datafiles.h"

#include "appcontext.h"
#include "consulta.h"
#include "errores.h"
#include "formutil.h"
#include "prompts.h"
#include "resultgrid.h"
#include "texto.h"

#include <QHBoxLayout>
#include <QInputDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace storage {

using namespace shell;

Datafiles::Datafiles(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("DATAFILES");
    setWindowTitle("Data Files");
    LDatafiles = new ResultGrid("LDatafiles", this);
    // Column 0 holds the server's file number, not a running number.
    LDatafiles->grid()->setHeaders({"FILE ID", "Datafiles", "Tablespace", "Size (MB)", "Status"}, false);
    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    GDatafiles = button("GDatafiles", "&Get Datafiles");
    Estado_Datafile = button("Estado_Datafile", "On/Off &Line");
    Recobrar_Datafile = button("Recobrar_Datafile", "&Recover");
    Borrar_Datafile = button("Borrar_Datafile", "&Delete");
    Renombrar_Datafile = button("Renombrar_Datafile", "Re&name");
    Datafiles_Salir = button("Datafiles_Salir", "&Exit");
    connect(GDatafiles, &QPushButton::clicked, this, [this] { GDatafiles_Click(); });
    connect(Estado_Datafile, &QPushButton::clicked, this, [this] { Estado_Datafile_Click(); });
    connect(Recobrar_Datafile, &QPushButton::clicked, this, [this] { Recobrar_Datafile_Click(); });
    connect(Borrar_Datafile, &QPushButton::clicked, this, [this] { Borrar_Datafile_Click(); });
    connect(Renombrar_Datafile, &QPushButton::clicked, this, [this] { Renombrar_Datafile_Click(); });
    connect(Datafiles_Salir, &QPushButton::clicked, this, [this] { Datafiles_Salir_Click(); });
    auto *buttons = new QHBoxLayout;
    for (auto *b : {GDatafiles, Estado_Datafile, Recobrar_Datafile, Borrar_Datafile, Renombrar_Datafile})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(Datafiles_Salir);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(LDatafiles, 1);
    lay->addLayout(buttons);
    resize(sizeHint());
}

void Datafiles::GDatafiles_Click()
{
    LDatafiles->grid()->reset();
    GuardedOperation op(m_ctx);
    llenar(op, m_ctx, *LDatafiles->grid(),
           "select b.file# numero_dbf, a.file_name uno, a.tablespace_name dos, a.bytes/1024/1024 tres, b.status "
           "cuatro from dba_data_files a, v$datafile b where a.file_name = b.name order by b.file#",
           {"numero_dbf", "uno", "dos", "tres", "cuatro"});
    LDatafiles->fitColumns();
}

Datafiles::Fila Datafiles::fila() const
{
    const ResultGridModel &g = *LDatafiles->grid();
    const int r = g.currentRow();
    return {ss(g.text(r, 1)), ss(g.text(r, 2)), ss(g.text(r, 4))};
}

bool Datafiles::confirmar(const std::string &question)
{
    return m_ctx.prompts.MsgBox(question, vbYesNo + vbCritical + vbDefaultButton2, "Cuidado!") == vbYes;
}

void Datafiles::Estado_Datafile_Click()
{
    const Fila f = fila();
    std::string keyword;
    if (f.status == "ONLINE")
        keyword = "OFFLINE";
    else if (f.status == "OFFLINE")
        keyword = "ONLINE";
    else
        return;
    if (!confirmar("Desea usted pasar a " + keyword + " el datafile  : " + f.file + "?"))
        return;
    GuardedOperation op(m_ctx);
    ejecutar(op, m_ctx, "alter database datafile '" + literal(f.file) + "' " + keyword);
}

void Datafiles::Recobrar_Datafile_Click()
{
    const Fila f = fila();
    if (f.file.empty())
        return;
    if (f.status == "ONLINE") {
        m_ctx.prompts.MsgBox("Este datafile se encuentra ONLINE. No requiere recuperación", vbOKOnly, "SQL*Vigil");
        return;
    }
    if (!confirmar("Desea usted ejecutar RECOVER sobre el datafile  : " + f.file + "?"))
        return;
    GuardedOperation op(m_ctx);
    if (ejecutar(op, m_ctx, "alter database recover datafile '" + literal(f.file) + "'")) {
        op.finish();
        m_ctx.prompts.MsgBox("Datafile recuperado", vbOKOnly, "SQL*Vigil");
    }
}

void Datafiles::Borrar_Datafile_Click()
{
    const Fila f = fila();
    if (f.file.empty() || !m_ctx.currentConnection())
        return;
    std::string logMode;
    {
        GuardedOperation op(m_ctx);
        auto ds = abrir(op, m_ctx, "select log_mode from v$database");
        if (!ds || !op.alive())
            return;
        op.step([&] { logMode = ds->IsEOF() ? std::string() : texto(ds->Fields("log_mode")); });
        ds->Close();
        if (!op.alive())
            return;
    }
    if (logMode != "NOARCHIVELOG") {
        m_ctx.prompts.MsgBox("La base de datos debe encontrarse en modo NOARCHIVELOG para ejecutar esta operación",
                             vbOKOnly, "SQL*Vigil");
        return;
    }
    if (!confirmar("Desea usted aplicar OFFLINE DROP sobre el datafile  : " + f.file + "?"))
        return;
    GuardedOperation op(m_ctx);
    if (ejecutar(op, m_ctx, "alter database datafile '" + literal(f.file) + "' offline drop")) {
        op.finish();
        m_ctx.prompts.MsgBox("Datafile borrado", vbOKOnly, "SQL*Vigil");
    }
}

// Renaming needs the file's tablespace offline: Oracle renames the files of an
// offline tablespace with "alter tablespace ... rename datafile".
void Datafiles::Renombrar_Datafile_Click()
{
    const Fila f = fila();
    if (f.file.empty() || !m_ctx.currentConnection())
        return;
    std::string status;
    {
        GuardedOperation op(m_ctx);
        auto ds = abrir(op, m_ctx,
                        "select status from dba_tablespaces where tablespace_name = '" + literal(f.tablespace) + "'");
        if (!ds || !op.alive())
            return;
        op.step([&] { status = ds->IsEOF() ? std::string() : texto(ds->Fields("status")); });
        ds->Close();
        if (!op.alive())
            return;
    }
    // Read-only and online tablespaces alike keep their files open.
    if (status != "OFFLINE") {
        m_ctx.prompts.MsgBox("El tablespace debe encontrarse OFFLINE para ejecutar esta operación", vbOKOnly,
                             "SQL*Vigil");
        return;
    }
    renombrar(f);
}

void Datafiles::renombrar(const Fila &f)
{
    QInputDialog ask(this);
    ask.setObjectName("RENOMBRAR_DATAFILE");
    ask.setWindowTitle("Rename Datafile");
    ask.setLabelText("Nuevo nombre del datafile " + qs(f.file) + ":");
    ask.setTextValue(qs(f.file));
    ask.resize(520, ask.sizeHint().height());
    if (m_ctx.prompts.execDialog(ask) != QDialog::Accepted)
        return;
    const std::string to = ss(ask.textValue().trimmed());
    if (to.empty()) {
        m_ctx.prompts.MsgBox("Debe escribir el nuevo nombre del datafile", vbOKOnly, "SQL*Vigil");
        return;
    }
    if (to == f.file)
        return;
    if (!confirmar("Desea usted renombrar el datafile  : " + f.file + " a " + to + "?"))
        return;
    GuardedOperation op(m_ctx);
    if (ejecutar(op, m_ctx, "alter tablespace " + nombreOracle(f.tablespace) + " rename datafile '" + literal(f.file) +
                                "' to '" + literal(to) + "'")) {
        op.finish();
        m_ctx.prompts.MsgBox("Datafile renombrado", vbOKOnly, "SQL*Vigil");
    }
}

void Datafiles::Datafiles_Salir_Click()
{
    closeForm(this);
}

} // namespace storage
