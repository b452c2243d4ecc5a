#pragma once
// The report engine: a report file rendered against the repository to a preview
// window, a printer or a file. One engine per printing window; the window sets the
// report file, the data file and the destination, then runs it with Action(1):
//
//     report::ReportEngine rpt(ctx, this);
//     rpt.ReportFileName = ctx.repositoryDirectory + "parametr.rpt";
//     rpt.DataFiles0 = ctx.repositoryDirectory + "SQLVigil.MDB";
//     rpt.Destination = 0;           // 0 preview window, 1 printer, 2 file (PrintFileName first)
//     rpt.Action(1);
//
// Report files are plain text, one "KEY=value" per line ('#' starts a comment):
//     TITLE=Instance Parameters              caption of the report
//     SUBTITLE=Server {DB_NM}                 {FIELD} takes the first row's value
//     SOURCE=SELECT * FROM PARAMETROS ORDER BY NUMERO   rows, in the repository's dialect
//     COLUMN=NUMERO|Num|right                 field | heading | left/right/center
//     GROUP=DB_NM                             a heading line whenever this field changes
//     ORIENTATION=landscape                   or portrait (default)
// Failures throw report::ReportError (number 20504: the report file cannot be
// opened or read; 20515: a faulty definition; 20599: the data file or its rows).
#include "errores.h"

#include <string>
#include <vector>

class QWidget;
class QPrinter;

namespace shell { class AppContext; }

namespace report {

// Reaches the error dialog with its number and message like any other error.
class ReportError : public shell::VbError {
public:
    ReportError(int number, const std::string &message) : shell::VbError(number, message) {}
};

struct ReportColumn {
    std::string field;
    std::string heading;
    std::string align = "left";
};

struct ReportDefinition {
    std::string title, subtitle, source, group;
    bool landscape = false;
    std::vector<ReportColumn> columns;
};

// Reads a report file; throws ReportError 20504/20515.
ReportDefinition readDefinition(const std::string &path);

class ReportEngine {
public:
    ReportEngine(shell::AppContext &ctx, QWidget *parent = nullptr);

    std::string ReportFileName;
    std::string DataFiles0;
    int Destination = 0;
    std::string PrintFileName;
    // Destination 1 prints here when set (a window's printer dialog), else on the default printer.
    QPrinter *printer = nullptr;

    // 1 runs the report to the destination.
    void Action(int action);

    // The last document produced, as HTML (what the preview, printer and file receive).
    const std::string &lastHtml() const { return m_html; }
    int lastRowCount() const { return m_rows; }

private:
    std::string render(const ReportDefinition &def);
    shell::AppContext &m_ctx;
    QWidget *m_parent;
    std::string m_html;
    int m_rows = 0;
};

} // namespace report
