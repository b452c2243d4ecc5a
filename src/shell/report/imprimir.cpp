#include "imprimir.h"

#include "appcontext.h"
#include "errores.h"
#include "reportengine.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QRegularExpression>

#include <memory>

namespace report {

namespace {

void runReport(shell::AppContext &ctx, const std::string &reportFile, const Destino &destino, QWidget *parent)
{
    ReportEngine rpt(ctx, parent);
    rpt.ReportFileName = ctx.repositoryDirectory + reportFile;
    rpt.DataFiles0 = ctx.repositoryFile();
    rpt.Destination = destino.destination;
    rpt.PrintFileName = destino.printFileName;
    rpt.printer = destino.printer;
    rpt.Action(1);
}

} // namespace

localdb::Value valorNumerico(const QString &text)
{
    static const QRegularExpression leading(R"(^\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?))");
    const auto m = leading.match(text);
    if (!m.hasMatch())
        return localdb::Value(0);
    const QString n = m.captured(1);
    bool whole = false;
    const long long i = n.toLongLong(&whole);
    if (whole)
        return localdb::Value(i);
    return localdb::Value(n.toDouble());
}

int Imprimir_Reporte(shell::AppContext &ctx, const shell::ResultGridModel &grid, const PrintJob &job,
                     QWidget *parent)
{
    shell::GuardedOperation op(ctx);
    std::unique_ptr<localdb::Recordset> rs;
    int stored = 0;
    op.step([&] {
        shell::Cursor_Ocupado(ctx);
        ctx.repository->Execute("DELETE FROM " + job.table);
    });
    op.step([&] { rs = ctx.repository->OpenRecordset(job.table); });
    const int last = grid.dataRows();
    for (int row = 1; op.alive() && rs && row <= last; ++row) {
        op.step([&] {
            rs->AddNew();
            try {
                job.fill(*rs, grid, row);
                rs->Update();
            } catch (...) {
                rs->CancelUpdate();
                throw;
            }
            ++stored;
        });
    }
    op.step([&] {
        if (rs)
            rs->Close();
    });
    op.step([&] { runReport(ctx, job.reportFile, job.destino, parent); });
    op.finish();
    return stored;
}

void Imprimir_Informe(shell::AppContext &ctx, const std::string &reportFile, const Destino &destino, QWidget *parent)
{
    shell::GuardedOperation op(ctx);
    op.step([&] {
        shell::Cursor_Ocupado(ctx);
        runReport(ctx, reportFile, destino, parent);
    });
    op.finish();
}

} // namespace report
