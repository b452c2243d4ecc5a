#pragma once
// Paints a laid-out report: one page onto a painter, every page onto a printer
// (a real one, or a PDF file), and the preview window with zoom, paging and
// printing (Qt's print preview over the same pages).
#include "reportdocument.h"

class QPainter;
class QPrinter;
class QWidget;

namespace shell { class PromptService; }

namespace report {

void paintPage(const ReportPage &page, QPainter &painter);

// Lays the report out for `printer` (its page size and orientation) and prints
// every page; answers the document printed. Throws ReportError 20504 when the
// printer (or the PDF file) cannot be written.
ReportDocument printReport(const ReportDefinition &def, const ReportData &data, QPrinter &printer,
                           const QDateTime &printedAt);

// Sets the orientation and margins a report asks for.
void preparePrinter(QPrinter &printer, bool landscape);

// The preview window (objectName "ReportPreview"), run modally through the prompts.
void previewReport(const ReportDefinition &def, const ReportData &data, shell::PromptService &prompts,
                   QWidget *parent, const QDateTime &printedAt);

} // namespace report
