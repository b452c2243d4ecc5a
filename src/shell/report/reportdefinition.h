#pragma once
// What a report file says: a title, the rows to print (a SELECT over the
// repository), the columns with their headings and alignment, an optional
// grouping field and an optional marking field.
//
// Report files are plain text, one "KEY=value" per line ('#' starts a comment):
//     TITLE=Instance Parameters                 caption of every page
//     SUBTITLE=Server {DB_NM}                   {FIELD}: that field of the page's first row
//     SOURCE=SELECT * FROM PARAMETROS ORDER BY NUMERO   the rows, in the repository's dialect
//     COLUMN=NUMERO|Num|right                   field | heading | left/right/center | decimals
//     GROUP=DB_NM|Server                        a band "Server DEMO" whenever the field changes
//     MARK=ALERTA                               rows where this field is not 0 are marked
//     NOTE=Marked: ...                          a line under the title (the legend of MARK)
//     ORIENTATION=landscape                     or portrait (the default)
//     EMPTY=No parameters were printed.         what an empty report says
#include "errores.h"

#include <string>
#include <vector>

namespace report {

// Reaches the error dialog with its number and message like any other error:
// 20504 the report file cannot be opened or written, 20515 a faulty definition,
// 20599 the data file or its rows cannot be read.
class ReportError : public shell::VbError {
public:
    ReportError(int number, const std::string &message) : shell::VbError(number, message) {}
};

enum class Align { Left, Right, Center };

struct ReportColumn {
    std::string field;
    std::string heading;
    Align align = Align::Left;
    int decimals = -1;          // -1: the value as stored; else fixed decimals
};

struct ReportDefinition {
    std::string title, subtitle, source, group, groupLabel, mark, note;
    std::string empty = "No rows to print.";
    bool landscape = false;
    std::vector<ReportColumn> columns;
};

// Reads a report file; throws ReportError 20504 (cannot be read) or 20515 (faulty,
// with the file name and line).
ReportDefinition readDefinition(const std::string &path);
ReportDefinition parseDefinition(const std::string &text, const std::string &origin);

} // namespace report
