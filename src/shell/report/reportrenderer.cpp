#include "reportrenderer.h"

#include "prompts.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextOption>

namespace report {

void paintPage(const ReportPage &page, QPainter &painter)
{
    painter.save();
    for (const ReportItem &it : page.items) {
        switch (it.kind) {
        case ReportItem::Band:
            painter.fillRect(it.rect, it.color);
            break;
        case ReportItem::Rule:
            painter.setPen(QPen(it.color, 0));
            painter.drawLine(it.rect.topLeft(), it.rect.topRight());
            break;
        case ReportItem::Text: {
            painter.setFont(it.font);
            painter.setPen(it.color);
            QTextOption opt(Qt::Alignment(it.flags));
            opt.setWrapMode(it.role == ReportItem::Cell ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                                         : QTextOption::NoWrap);
            painter.drawText(it.rect, it.text, opt);
            break;
        }
        }
    }
    painter.restore();
}

void preparePrinter(QPrinter &printer, bool landscape)
{
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(14, 12, 14, 12), QPageLayout::Millimeter);
}

ReportDocument printReport(const ReportDefinition &def, const ReportData &data, QPrinter &printer,
                           const QDateTime &printedAt)
{
    ReportDocument doc = layoutReport(def, data, printer, printedAt);
    QPainter painter;
    if (!painter.begin(&printer))
        throw ReportError(20504, printer.outputFileName().isEmpty()
                                     ? std::string("The printer cannot be started.")
                                     : "The report cannot be written to " + printer.outputFileName().toStdString() +
                                           ".");
    for (std::size_t i = 0; i < doc.pages.size(); ++i) {
        if (i > 0)
            printer.newPage();
        paintPage(doc.pages[i], painter);
    }
    if (!painter.end())
        throw ReportError(20504, "The report could not be finished on the printer.");
    return doc;
}

void previewReport(const ReportDefinition &def, const ReportData &data, shell::PromptService &prompts,
                   QWidget *parent, const QDateTime &printedAt)
{
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(printer, def.landscape);
    QPrintPreviewDialog dlg(&printer, parent);
    dlg.setObjectName("ReportPreview");
    dlg.setWindowTitle(QString::fromStdString(def.title) + " - SQL*Vigil");
    dlg.resize(def.landscape ? 1100 : 860, 820);
    QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg, [&](QPrinter *p) {
        // The preview and its own Print button both come here; a page set-up
        // change lays the report out again for the new page.
        ReportDocument doc = layoutReport(def, data, *p, printedAt);
        QPainter painter(p);
        for (std::size_t i = 0; i < doc.pages.size(); ++i) {
            if (i > 0)
                p->newPage();
            paintPage(doc.pages[i], painter);
        }
    });
    prompts.execDialog(dlg);
}

} // namespace report
