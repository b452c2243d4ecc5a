#pragma once
// A report laid out in pages for one paint device: every text, band and rule
// with its place on the page, in the device's own units. Built from a
// definition and the rows read from the repository; painted by the renderer.
//
//     ReportData data = readReportData(def, "/dir/SQLVigil.MDB");
//     ReportDocument doc = layoutReport(def, data, printer, QDateTime::currentDateTime());
//     paintReport(doc, printer);                       // reportrenderer.h
//
// Every page repeats the title, the subtitle (filled from the page's first row),
// the printing date and the column headings, and ends with "Page n of m".
#include "reportdefinition.h"

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

class QPaintDevice;

namespace report {

struct ReportRow {
    QStringList cells;                          // one formatted text per column
    QString group;                              // the GROUP field's text
    bool marked = false;                        // the MARK field is not 0
    std::map<std::string, QString> fields;      // every field by upper-case name
};

struct ReportData {
    std::vector<ReportRow> rows;
};

// Reads the SOURCE rows of `dataFile`; throws ReportError 20599 when the file,
// the statement or a named field cannot be read.
ReportData readReportData(const ReportDefinition &def, const std::string &dataFile);

// One thing on a page.
struct ReportItem {
    enum Kind { Text, Band, Rule } kind = Text;
    enum Role { Title, Subtitle, Printed, Note, Heading, Cell, Group, Footer, Summary } role = Cell;
    QRectF rect;
    QString text;
    int flags = 0;              // Qt alignment flags for texts
    QFont font;
    QColor color;               // text colour, or the band's fill
    int row = -1;               // data row index for cells and bands (-1 otherwise)
    int column = -1;            // column index for cells and headings
};

struct ReportPage {
    std::vector<ReportItem> items;
    // Texts of one role in page order (tests and the text of a page).
    QStringList texts(ReportItem::Role role) const;
};

struct ReportDocument {
    QString title;
    bool landscape = false;
    QSizeF pageSize;            // the paintable area in device units
    int rowCount = 0;
    int markedCount = 0;
    std::vector<ReportPage> pages;
};

// Lays the rows out on pages of the device's paintable size, measuring with its fonts.
ReportDocument layoutReport(const ReportDefinition &def, const ReportData &data, QPaintDevice &device,
                            const QDateTime &printedAt);

// "{FIELD}" replaced by that field of `row` (nothing for a field it lacks).
QString fillFields(const std::string &text, const ReportRow *row);

} // namespace report
