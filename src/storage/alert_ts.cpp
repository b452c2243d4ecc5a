#include "alert_ts.h"

#include "appcontext.h"
#include "errores.h"
#include "esquema.h"
#include "formutil.h"
#include "imprimir.h"
#include "prompts.h"
#include "sqlcvpg.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cctype>
#include <memory>

namespace storage {

using namespace shell;

namespace {

bool palabra(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

} // namespace

std::string reemplazarPalabra(const std::string &text, const std::string &word, const std::string &by)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t at = text.find(word, i);
        if (at == std::string::npos) {
            out += text.substr(i);
            break;
        }
        const bool starts = at == 0 || !palabra(text[at - 1]);
        const bool ends = at + word.size() == text.size() || !palabra(text[at + word.size()]);
        out += text.substr(i, at - i);
        out += starts && ends ? by : word;
        i = at + word.size();
    }
    return out;
}

std::string Consulta_Alerta_Hoy()
{
    static const std::pair<const char *, const char *> kFechas[] = {{"Fecha_28", "CVDate(now - 28)"},
                                                                     {"Fecha_21", "CVDate(now - 21)"},
                                                                     {"Fecha_14", "CVDate(now - 14)"},
                                                                     {"Fecha_7", "CVDate(now - 7)"},
                                                                     {"Fecha", "CVDate(now)"}};
    std::string text;
    for (std::string pieza : repository::piezasAlertaTablespace()) {
        for (const auto &[name, expr] : kFechas)
            pieza = reemplazarPalabra(pieza, name, expr);
        text += pieza;
    }
    return text;
}

int Refrescar_Alert_TS(AppContext &ctx)
{
    GuardedOperation op(ctx);
    const std::string sql = Consulta_Alerta_Hoy();
    std::unique_ptr<localdb::Recordset> consulta, tabla;
    int stored = 0;
    op.step([&] {
        Cursor_Ocupado(ctx);
        ctx.repository->QueryDefsDelete("ALERTA_TABLESPACE");
    });
    op.step([&] { ctx.repository->CreateQueryDef("ALERTA_TABLESPACE", sql); });
    op.step([&] { ctx.repository->Execute("DELETE FROM ALERT_TS"); });
    op.step([&] {
        consulta = ctx.repository->GetQueryDef("ALERTA_TABLESPACE").OpenRecordset();
        tabla = ctx.repository->OpenRecordset("ALERT_TS");
    });
    while (op.alive() && consulta && tabla && !consulta->IsEOF()) {
        op.step([&] {
            tabla->AddNew();
            try {
                for (const char *c : {"DB_NM", "TS", "SEM4", "SEM3", "SEM2", "SEM1", "ACTUAL", "CAMBIOS"})
                    tabla->SetField(c, consulta->Field(c));
                tabla->Update();
            } catch (...) {
                tabla->CancelUpdate();
                throw;
            }
            ++stored;
        });
        op.step([&] { consulta->MoveNext(); });
    }
    op.step([&] {
        if (tabla)
            tabla->Close();
        if (consulta)
            consulta->Close();
    });
    op.finish();
    return stored;
}

AlertTs::AlertTs(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("ALERT_TS");
    setWindowTitle("Tablespaces Alert Print");
    Output_Print = new QGroupBox("Output Print", this);
    Output_Print->setObjectName("Output_Print");
    Device = new QGroupBox("Device", Output_Print);
    Device->setObjectName("Device");
    auto radio = [this](QRadioButton *&r, const char *name, const char *caption) {
        r = new QRadioButton(caption, Device);
        r->setObjectName(name);
    };
    radio(Opcion_Ventana, "Opcion_Ventana", "&Window");
    radio(Opcion_Impresora, "Opcion_Impresora", "&Printer");
    radio(Opcion_Archivo, "Opcion_Archivo", "&File");
    Opcion_Ventana->setChecked(true);
    auto *devices = new QVBoxLayout(Device);
    devices->addWidget(Opcion_Ventana);
    devices->addWidget(Opcion_Impresora);
    devices->addWidget(Opcion_Archivo);
    auto *outer = new QVBoxLayout(Output_Print);
    outer->addWidget(Device);
    OK = new QPushButton("&OK", this);
    OK->setObjectName("OK");
    OK->setDefault(true);
    Salir = new QPushButton("&Exit", this);
    Salir->setObjectName("Salir");
    connect(OK, &QPushButton::clicked, this, [this] { OK_Click(); });
    connect(Salir, &QPushButton::clicked, this, [this] { Salir_Click(); });
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(OK);
    buttons->addWidget(Salir);
    buttons->addStretch(1);
    auto *lay = new QHBoxLayout(this);
    lay->addWidget(Output_Print, 1);
    lay->addLayout(buttons);
    resize(380, 200);
    Refrescar_Alert_TS(m_ctx);
}

void AlertTs::OK_Click()
{
    report::Destino d;
    if (Opcion_Impresora->isChecked()) {
        QPrinter printer(QPrinter::HighResolution);
        QPrintDialog dlg(&printer, this);
        dlg.setObjectName("PrintDialog");
        if (m_ctx.prompts.execDialog(dlg) != QDialog::Accepted)
            return;
        d.destination = 1;
        d.printer = &printer;
        report::Imprimir_Informe(m_ctx, "alert_ts.rpt", d, this);
        return;
    }
    if (Opcion_Archivo->isChecked()) {
        QFileDialog dlg(this, "Tablespaces Alert", QString::fromStdString(m_ctx.repositoryDirectory),
                        "PDF documents (*.pdf)");
        dlg.setObjectName("GuardarInforme");
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setDefaultSuffix("pdf");
        dlg.selectFile("alert_ts.pdf");
        if (m_ctx.prompts.execDialog(dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return;
        d.destination = 2;
        d.printFileName = dlg.selectedFiles().front().toStdString();
    }
    report::Imprimir_Informe(m_ctx, "alert_ts.rpt", d, this);
}

void AlertTs::Salir_Click()
{
    closeForm(this);
}

} // namespace storage
