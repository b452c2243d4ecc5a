// The report engine: report files read and checked, rows laid out on pages with
// repeated headings and page numbers, marked rows, and every destination (preview
// window, printer, PDF) with its failures reaching the error dialog.
#include "imprimir.h"
#include "reportengine.h"
#include "reportrenderer.h"
#include "windowtest.h"

#include "errores.h"
#include "resultgrid.h"

#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

void addParameter(harness::WindowTest &t, int n, const std::string &name, const std::string &value)
{
    auto rs = t.ctx.repository->OpenRecordset("PARAMETROS");
    rs->AddNew();
    rs->SetField("DB_NM", "DEMO");
    rs->SetField("NUMERO", n);
    rs->SetField("NOMBRE", name);
    rs->SetField("TIPO", "Num");
    rs->SetField("VALOR", value);
    rs->SetField("POR_DEFECTO", "FALSE");
    rs->Update();
}

void addAlert(harness::WindowTest &t, const std::string &db, const std::string &ts, std::vector<int> weeks)
{
    auto rs = t.ctx.repository->OpenRecordset("ALERT_TS");
    rs->AddNew();
    rs->SetField("DB_NM", db);
    rs->SetField("TS", ts);
    const char *names[] = {"SEM4", "SEM3", "SEM2", "SEM1", "ACTUAL"};
    for (int i = 0; i < 5; ++i)
        rs->SetField(names[i], weeks[i]);
    rs->SetField("CAMBIOS", weeks[4] - weeks[0]);
    rs->Update();
}

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string pdfText(const std::string &pdf)
{
    QProcess p;
    p.start("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
    p.waitForFinished(20000);
    return p.readAllStandardOutput().toStdString();
}

report::ReportEngine engineFor(harness::WindowTest &t, const std::string &file)
{
    report::ReportEngine r(t.ctx);
    r.ReportFileName = t.dir + file;
    r.DataFiles0 = t.dir + "SQLVigil.MDB";
    return r;
}

const report::ReportItem *item(const report::ReportPage &p, report::ReportItem::Role role, int row, int column)
{
    for (const auto &it : p.items)
        if (it.kind == report::ReportItem::Text && it.role == role && it.row == row && it.column == column)
            return &it;
    return nullptr;
}

int errorNumber(const std::function<void()> &f)
{
    try {
        f();
    } catch (const report::ReportError &e) {
        return e.number();
    }
    return 0;
}

} // namespace

TEST(ReportDefinition, ReadsTheShippedFilesAndRejectsFaultyOnes)
{
    for (const char *f : {"parametr.rpt", "pesos_io.rpt", "alert_ts.rpt"}) {
        const auto def = report::readDefinition(std::string(SQLVIGIL_SOURCE_REPORTS) + "/" + f);
        EXPECT_FALSE(def.title.empty()) << f;
        EXPECT_GE(def.columns.size(), 5u) << f;
    }
    const auto alert = report::readDefinition(std::string(SQLVIGIL_SOURCE_REPORTS) + "/alert_ts.rpt");
    EXPECT_EQ(alert.mark, "ALERTA");
    EXPECT_EQ(alert.group, "DB_NM");
    EXPECT_EQ(alert.groupLabel, "Server");
    EXPECT_EQ(alert.columns[5].heading, "Today");
    EXPECT_EQ(alert.columns[5].align, report::Align::Right);

    const auto pesos = report::parseDefinition("SOURCE=x\nCOLUMN=P|Pct|right|2\nCOLUMN=A\n", "t");
    EXPECT_EQ(pesos.columns[0].decimals, 2);
    EXPECT_EQ(pesos.columns[1].heading, "A");
    EXPECT_EQ(pesos.columns[1].align, report::Align::Left);

    struct Bad {
        const char *text, *message;
    };
    for (const Bad b : {Bad{"SOURCE=x\nCOLUMN=A\nnonsense\n", "t, line 3: \"KEY=value\" expected."},
                        Bad{"SOURCE=x\nCOLUMN=A|a|middle\n", "t, line 2: alignment \"middle\" is not left, right or center."},
                        Bad{"SOURCE=x\nCOLUMN=A|a|right|two\n", "t, line 2: decimals \"two\" is not a digit."},
                        Bad{"SOURCE=x\nCOLUMN=|a\n", "t, line 2: a column needs a field."},
                        Bad{"TITLE=x\nCOLOR=red\n", "t, line 2: unknown key COLOR."},
                        Bad{"SOURCE=x\nORIENTATION=sideways\nCOLUMN=A\n",
                            "t, line 2: orientation \"sideways\" is not portrait or landscape."},
                        Bad{"TITLE=only a title\n", "t: a report needs a SOURCE and at least one COLUMN."}}) {
        try {
            report::parseDefinition(b.text, "t");
            ADD_FAILURE() << b.text;
        } catch (const report::ReportError &e) {
            EXPECT_EQ(e.number(), 20515);
            EXPECT_EQ(e.detail(), b.message);
        }
    }
    EXPECT_EQ(errorNumber([] { report::readDefinition("/nonexistent/x.rpt"); }), 20504);
}

TEST(ReportLayout, PagesRepeatTitleServerHeadingsAndNumberThemselves)
{
    harness::WindowTest t;
    for (int n = 1; n <= 150; ++n)
        addParameter(t, n, "parameter_" + std::to_string(1000 + n), std::to_string(n * 512));
    const auto def = report::readDefinition(t.dir + "parametr.rpt");
    const auto data = report::readReportData(def, t.dir + "SQLVigil.MDB");
    ASSERT_EQ(data.rows.size(), 150u);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    report::preparePrinter(printer, def.landscape);
    const QDateTime at(QDate(2026, 12, 9), QTime(8, 30));
    const auto doc = report::layoutReport(def, data, printer, at);

    ASSERT_GE(doc.pages.size(), 3u);
    int cells = 0;
    const int total = static_cast<int>(doc.pages.size());
    for (int i = 0; i < total; ++i) {
        const auto &p = doc.pages[i];
        EXPECT_EQ(p.texts(report::ReportItem::Title), QStringList{"Instance Parameters"});
        EXPECT_EQ(p.texts(report::ReportItem::Subtitle), QStringList{"Server DEMO"});
        EXPECT_EQ(p.texts(report::ReportItem::Printed), QStringList{"Printed 2026-12-09 08:30"});
        EXPECT_EQ(p.texts(report::ReportItem::Heading),
                  (QStringList{"Num", "Nombre de Variable", "Tipo", "Valor", "Por defecto?"}));
        EXPECT_TRUE(p.texts(report::ReportItem::Footer).contains(QString("Page %1 of %2").arg(i + 1).arg(total)));
        for (const auto &it : p.items) {
            EXPECT_LE(it.rect.bottom(), doc.pageSize.height() + 0.5);     // nothing below the page
            if (it.kind == report::ReportItem::Text && it.role == report::ReportItem::Cell)
                ++cells;
        }
    }
    EXPECT_EQ(cells, 150 * 5);
    // Rows in the report's order (by name), numbers right-aligned under their heading.
    const auto &first = doc.pages[0];
    EXPECT_EQ(item(first, report::ReportItem::Cell, 0, 1)->text, "parameter_1001");
    const auto *num = item(first, report::ReportItem::Cell, 0, 0);
    const auto *numHeading = item(first, report::ReportItem::Heading, -1, 0);
    EXPECT_TRUE(num->flags & Qt::AlignRight);
    EXPECT_TRUE(numHeading->flags & Qt::AlignRight);
    EXPECT_DOUBLE_EQ(num->rect.right(), numHeading->rect.right());
    EXPECT_TRUE(item(first, report::ReportItem::Cell, 0, 1)->flags & Qt::AlignLeft);
    EXPECT_EQ(doc.pages.back().texts(report::ReportItem::Summary), QStringList{"150 rows"});
}

TEST(ReportLayout, AlertRowsMarkedAndDecimalsFixed)
{
    harness::WindowTest t;
    addAlert(t, "DEMO", "DATA", {40, 38, 35, 32, 29});    // -11 in four weeks: marked
    addAlert(t, "DEMO", "SYSTEM", {12, 12, 12, 12, 12});  // below 15 %: marked
    addAlert(t, "DEMO", "TOOLS", {60, 58, 57, 55, 52});   // -8, 52 %: fine
    addAlert(t, "PROD", "USERS", {0, 0, 0, 0, 15});       // sampled today only, 15 %: fine
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const auto def = report::readDefinition(t.dir + "alert_ts.rpt");
    const auto doc = report::layoutReport(def, report::readReportData(def, t.dir + "SQLVigil.MDB"), printer, {});
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_EQ(doc.markedCount, 2);
    const auto &p = doc.pages[0];
    EXPECT_EQ(p.texts(report::ReportItem::Group), (QStringList{"Server DEMO", "Server PROD"}));
    EXPECT_EQ(p.texts(report::ReportItem::Summary), QStringList{"4 rows, 2 marked"});
    for (int row = 0; row < 4; ++row) {
        const auto *ts = item(p, report::ReportItem::Cell, row, 0);
        const bool marked = ts->font.bold();
        EXPECT_EQ(marked, ts->text == "DATA" || ts->text == "SYSTEM") << ts->text.toStdString();
    }
    EXPECT_EQ(item(p, report::ReportItem::Cell, 0, 6)->text, "-11");

    const auto pct = report::parseDefinition("SOURCE=SELECT 12.5 AS P, 'x' AS T\nCOLUMN=P|P|right|2\nCOLUMN=T|T||2\n",
                                             "t");
    const auto data = report::readReportData(pct, t.dir + "SQLVigil.MDB");
    EXPECT_EQ(data.rows[0].cells, (QStringList{"12.50", "x"}));
}

TEST(ReportEngine, EveryDestination)
{
    harness::WindowTest t;
    addParameter(t, 2, "db_block_buffers", "2048");
    addParameter(t, 1, "audit_trail", "NONE");
    auto r = engineFor(t, "parametr.rpt");
    r.Destination = 2;
    r.PrintFileName = t.dir + "out.pdf";
    r.Action(1);
    EXPECT_EQ(r.lastRowCount(), 2);
    EXPECT_EQ(slurp(t.dir + "out.pdf").substr(0, 5), "%PDF-");
    const std::string text = pdfText(t.dir + "out.pdf");
    EXPECT_NE(text.find("Instance Parameters"), std::string::npos) << text;
    EXPECT_NE(text.find("Server DEMO"), std::string::npos);
    EXPECT_NE(text.find("Page 1 of 1"), std::string::npos);
    EXPECT_LT(text.find("audit_trail"), text.find("db_block_buffers"));

    // The preview window goes through the prompts and draws the same pages.
    int previewPages = 0;
    t.prompts.onDialog([&](QDialog &d) {
        auto *preview = qobject_cast<QPrintPreviewDialog *>(&d);
        EXPECT_TRUE(preview);
        QPrinter p(QPrinter::HighResolution);
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(QString::fromStdString(t.dir + "preview.pdf"));
        if (preview)
            emit preview->paintRequested(&p);
        previewPages = 1;
        return int(QDialog::Rejected);
    });
    r.Destination = 0;
    r.Action(1);
    EXPECT_EQ(t.prompts.last().dialogName, "ReportPreview");
    EXPECT_EQ(previewPages, 1);
    EXPECT_NE(pdfText(t.dir + "preview.pdf").find("audit_trail"), std::string::npos);

    // Printer: a printer handed over prints at once; none shows the print dialog,
    // and a cancelled dialog prints nothing.
    QPrinter chosen(QPrinter::HighResolution);
    chosen.setOutputFormat(QPrinter::PdfFormat);
    chosen.setOutputFileName(QString::fromStdString(t.dir + "printed.pdf"));
    r.Destination = 1;
    r.printer = &chosen;
    r.Action(1);
    EXPECT_NE(pdfText(t.dir + "printed.pdf").find("db_block_buffers"), std::string::npos);
    r.printer = nullptr;
    const std::size_t before = t.prompts.count();
    r.Action(1);
    EXPECT_EQ(t.prompts.count(), before + 1);
    EXPECT_EQ(t.prompts.last().dialogName, "PrintDialog");

    for (const char *file : {"pesos_io.rpt", "alert_ts.rpt"}) {   // empty tables still print, and say so
        const auto doc = report::renderPdf(t.dir + file, t.dir + "SQLVigil.MDB", t.dir + "empty.pdf");
        EXPECT_EQ(doc.rowCount, 0) << file;
        ASSERT_EQ(doc.pages.size(), 1u);
        EXPECT_EQ(doc.pages[0].texts(report::ReportItem::Summary).size(), 1);
    }
}

TEST(ReportEngine, FailuresReachTheErrorDialog)
{
    harness::WindowTest t;
    {
        std::ofstream(t.dir + "bad.rpt") << "TITLE=x\nnonsense\n";
        std::ofstream(t.dir + "notable.rpt") << "SOURCE=SELECT * FROM NOWHERE\nCOLUMN=A\n";
        std::ofstream(t.dir + "nofield.rpt") << "SOURCE=SELECT * FROM PARAMETROS\nCOLUMN=NOPE\n";
    }
    addParameter(t, 1, "audit_trail", "NONE");
    struct Case {
        const char *file;
        int number;
        const char *out;
    };
    for (const Case c : {Case{"missing.rpt", 20504, "x.pdf"}, Case{"bad.rpt", 20515, "x.pdf"},
                         Case{"notable.rpt", 20599, "x.pdf"}, Case{"nofield.rpt", 20599, "x.pdf"},
                         Case{"parametr.rpt", 20504, "no/such/dir/x.pdf"}}) {
        auto r = engineFor(t, c.file);
        r.Destination = 2;
        r.PrintFileName = t.dir + c.out;
        t.prompts.answer(shell::vbIgnore);
        shell::GuardedOperation op(t.ctx);
        op.step([&] { r.Action(1); });
        op.finish();
        EXPECT_EQ(t.prompts.last().title, "Error de Ejecución:" + std::to_string(c.number)) << c.file;
    }
    EXPECT_NE(t.prompts.last().text.find("no/such/dir/x.pdf"), std::string::npos) << t.prompts.last().text;
}

TEST(ReportPrinting, GridRowsIntoTheTableThenTheReport)
{
    harness::WindowTest t;
    shell::ResultGridModel grid;
    grid.setHeaders({"Num", "Nombre"});
    grid.reset();
    report::PrintJob job;
    job.table = "PARAMETROS";
    job.reportFile = "parametr.rpt";
    job.destino.destination = 2;
    job.destino.printFileName = t.dir + "p.pdf";
    job.fill = [](localdb::Recordset &rs, const shell::ResultGridModel &g, int row) {
        rs.SetField("NUMERO", report::valorNumerico(g.text(row, 1)));
        rs.SetField("NOMBRE", g.text(row, 2).toStdString());
    };
    addParameter(t, 9, "left_over", "x");
    EXPECT_EQ(report::Imprimir_Reporte(t.ctx, grid, job), 0);          // only the blank row
    EXPECT_EQ(t.ctx.repository->OpenRecordset("PARAMETROS")->RecordCount(), 0);
    EXPECT_TRUE(std::filesystem::exists(t.dir + "p.pdf"));

    grid.addRow({"12", "processes"});
    grid.addRow({"x", std::string(70, 'n').c_str()});                  // too long for NOMBRE: Ignore skips it
    grid.addRow({" 3.5e1 units", "sessions"});
    t.prompts.answer(shell::vbIgnore);
    EXPECT_EQ(report::Imprimir_Reporte(t.ctx, grid, job), 2);
    EXPECT_EQ(t.prompts.count(), 1u);
    auto rs = t.ctx.repository->OpenRecordset("SELECT * FROM PARAMETROS ORDER BY NUMERO");
    ASSERT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(rs->Field("NUMERO").toInt(), 12);
    rs->MoveNext();
    EXPECT_EQ(rs->Field("NOMBRE").toString(), "sessions");
    EXPECT_EQ(rs->Field("NUMERO").toInt(), 35);
    EXPECT_EQ(t.ctx.pointer.code(), 0);

    EXPECT_EQ(report::valorNumerico("").toInt(), 0);
    EXPECT_EQ(report::valorNumerico("abc").toInt(), 0);
    EXPECT_DOUBLE_EQ(report::valorNumerico("-12.25").toDouble(), -12.25);
}
