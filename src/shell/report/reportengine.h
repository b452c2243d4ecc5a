#pragma once
// The report engine: a report file rendered against the repository to a preview
// window, a printer or a PDF file. One engine per printing window; the window sets
// the report file, the data file and the destination, then runs it with Action(1):
//
//     report::ReportEngine rpt(ctx, this);
//     rpt.ReportFileName = ctx.repositoryDirectory + "parametr.rpt";
//     rpt.DataFiles0 = ctx.repositoryDirectory + "SQLVigil.MDB";
//     rpt.Destination = 0;           // 0 preview window, 1 printer, 2 file (PrintFileName first)
//     rpt.Action(1);
//
// The pipeline is definition (reportdefinition.h) -> document laid out for the
// destination's pages (reportdocument.h) -> renderer (reportrenderer.h).
// Failures throw report::ReportError, which the error dialog reports like any other.
#include "reportdocument.h"

#include <string>

class QWidget;
class QPrinter;

namespace shell { class AppContext; }

namespace report {

class ReportEngine {
public:
    explicit ReportEngine(shell::AppContext &ctx, QWidget *parent = nullptr);

    std::string ReportFileName;
    std::string DataFiles0;
    int Destination = 0;
    std::string PrintFileName;
    // Destination 1 prints here when set (a printer the window's dialog returned);
    // otherwise the print dialog is shown first and nothing prints when it is cancelled.
    QPrinter *printer = nullptr;

    // 1 runs the report to the destination; other actions do nothing.
    void Action(int action);

    // The document last produced for a printer or file (the preview lays out its own).
    const ReportDocument &lastDocument() const { return m_doc; }
    int lastRowCount() const { return m_rows; }

private:
    shell::AppContext &m_ctx;
    QWidget *m_parent;
    ReportDocument m_doc;
    int m_rows = 0;
};

// Renders `reportFile` over `dataFile` into the PDF `pdfFile` without any window
// (the command-line tool and tests); answers the document. Throws ReportError.
ReportDocument renderPdf(const std::string &reportFile, const std::string &dataFile, const std::string &pdfFile);

} // namespace report
