#pragma once
// The report-printing procedure the printing windows share: empty a repository
// table, copy the window's grid rows into it, then run the window's report file
// over the repository. Every step is guarded; Ignore on one record skips that
// record only.
//
//     report::Imprimir_Reporte(ctx, *LParametros->grid(),
//         {"PARAMETROS", "parametr.rpt", [&](localdb::Recordset &rs, const shell::ResultGridModel &g, int r) {
//              rs.SetField("NOMBRE", shell::ss(g.text(r, 2))); ... }}, this);
#include "localdb.h"

#include <QString>

#include <functional>
#include <string>

class QPrinter;
class QWidget;

namespace shell {
class AppContext;
class ResultGridModel;
}

namespace report {

// Sets the fields of one new record from grid row `row`.
using FillRecord = std::function<void(localdb::Recordset &rs, const shell::ResultGridModel &grid, int row)>;

struct Destino {
    int destination = 0;          // 0 preview window, 1 printer, 2 PDF file
    std::string printFileName;    // destination 2
    QPrinter *printer = nullptr;  // destination 1: a printer already chosen (else the dialog asks)
};

struct PrintJob {
    std::string table;            // the repository table the report reads
    std::string reportFile;       // in the repository directory: "parametr.rpt", ...
    FillRecord fill;
    Destino destino;
};

// Steps 1-5: "DELETE FROM <table>", open the table, one record per data row of
// the grid in grid order (every data row it holds; none when it holds only its
// blank row), close, run the report. Answers the number of records stored.
int Imprimir_Reporte(shell::AppContext &ctx, const shell::ResultGridModel &grid, const PrintJob &job,
                     QWidget *parent = nullptr);

// Step 5 alone, as its own guarded operation: the report file in the repository
// directory, the repository file as its data, to the destination.
void Imprimir_Informe(shell::AppContext &ctx, const std::string &reportFile, const Destino &destino,
                      QWidget *parent = nullptr);

// The numeric value of a grid text as a numeric field receives it: the leading
// number of the text (after blanks), 0 when there is none. Whole numbers stay whole.
localdb::Value valorNumerico(const QString &text);

} // namespace report
