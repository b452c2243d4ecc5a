#include "reportengine.h"

#include "appcontext.h"
#include "prompts.h"
#include "reportrenderer.h"

#include <QPrintDialog>
#include <QPrinter>

namespace report {

namespace {

ReportDocument toPdf(const ReportDefinition &def, const ReportData &data, const std::string &file)
{
    if (file.empty())
        throw ReportError(20504, "No file name was given for the report.");
    QPrinter p(QPrinter::HighResolution);
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(QString::fromStdString(file));
    p.setPageSize(QPageSize(QPageSize::A4));
    p.setDocName(QString::fromStdString(def.title));
    p.setCreator("SQL*Vigil");
    preparePrinter(p, def.landscape);
    return printReport(def, data, p, QDateTime::currentDateTime());
}

} // namespace

ReportEngine::ReportEngine(shell::AppContext &ctx, QWidget *parent) : m_ctx(ctx), m_parent(parent) {}

void ReportEngine::Action(int action)
{
    if (action != 1)
        return;
    if (Destination < 0 || Destination > 2)
        throw ReportError(20515, "Unknown report destination " + std::to_string(Destination) + ".");
    const ReportDefinition def = readDefinition(ReportFileName);
    const ReportData data = readReportData(def, DataFiles0);
    m_rows = static_cast<int>(data.rows.size());
    const QDateTime now = QDateTime::currentDateTime();
    switch (Destination) {
    case 0:
        previewReport(def, data, m_ctx.prompts, m_parent, now);
        break;
    case 1:
        if (printer) {
            preparePrinter(*printer, def.landscape);
            m_doc = printReport(def, data, *printer, now);
        } else {
            QPrinter chosen(QPrinter::HighResolution);
            preparePrinter(chosen, def.landscape);
            QPrintDialog dlg(&chosen, m_parent);
            dlg.setObjectName("PrintDialog");
            if (m_ctx.prompts.execDialog(dlg) == QDialog::Accepted)
                m_doc = printReport(def, data, chosen, now);
        }
        break;
    case 2:
        m_doc = toPdf(def, data, PrintFileName);
        break;
    }
}

ReportDocument renderPdf(const std::string &reportFile, const std::string &dataFile, const std::string &pdfFile)
{
    const ReportDefinition def = readDefinition(reportFile);
    return toPdf(def, readReportData(def, dataFile), pdfFile);
}

} // namespace report
