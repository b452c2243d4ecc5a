// The report engine over the repository: each destination, and its failures
// reaching the error dialog.
#include "reportengine.h"
#include "windowtest.h"

#include "errores.h"


#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

void addParameter(harness::WindowTest &t, int n, const char *name, const char *value)
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

std::string slurp(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

report::ReportEngine engineFor(harness::WindowTest &t, const std::string &file)
{
    report::ReportEngine r(t.ctx);
    r.ReportFileName = t.dir + file;
    r.DataFiles0 = t.dir + "SQLVigil.MDB";
    return r;
}

} // namespace

TEST(Report, ShippedReportsRenderToEveryDestination)
{
    harness::WindowTest t;
    addParameter(t, 2, "db_block_buffers", "<2048>");
    addParameter(t, 1, "audit_trail", "NONE");
    auto r = engineFor(t, "parametr.rpt");
    r.Destination = 2;
    r.PrintFileName = t.dir + "out.txt";
    r.Action(1);
    EXPECT_EQ(r.lastRowCount(), 2);
    const std::string text = slurp(t.dir + "out.txt");
    EXPECT_NE(text.find("Instance Parameters"), std::string::npos);
    EXPECT_NE(text.find("Server DEMO"), std::string::npos);
    EXPECT_LT(text.find("audit_trail"), text.find("db_block_buffers"));     // ordered by NUMERO
    EXPECT_NE(r.lastHtml().find("&lt;2048&gt;"), std::string::npos);       // values escaped

    r.PrintFileName = t.dir + "out.pdf";
    r.Action(1);
    EXPECT_EQ(slurp(t.dir + "out.pdf").substr(0, 4), "%PDF");

    r.Destination = 0;                                   // the preview window goes through the prompts
    r.Action(1);
    EXPECT_EQ(t.prompts.last().dialogName, "ReportPreview");

    for (const char *file : {"pesos_io.rpt", "alert_ts.rpt"}) {   // empty tables still print
        auto other = engineFor(t, file);
        other.Destination = 2;
        other.PrintFileName = t.dir + "other.html";
        other.Action(1);
        EXPECT_EQ(other.lastRowCount(), 0) << file;
    }
}

TEST(Report, FailuresReachTheErrorDialog)
{
    harness::WindowTest t;
    {
        std::ofstream(t.dir + "bad.rpt") << "TITLE=x\nnonsense\n";
        std::ofstream(t.dir + "notable.rpt") << "SOURCE=SELECT * FROM NOWHERE\nCOLUMN=A\n";
    }
    struct Case {
        const char *file;
        int number;
    };
    for (const Case c : {Case{"missing.rpt", 20504}, Case{"bad.rpt", 20515}, Case{"notable.rpt", 20599}}) {
        auto r = engineFor(t, c.file);
        r.Destination = 2;
        r.PrintFileName = t.dir + "x.html";
        t.prompts.answer(shell::vbIgnore);
        shell::GuardedOperation op(t.ctx);
        op.step([&] { r.Action(1); });
        op.finish();
        EXPECT_EQ(t.prompts.last().title, "Error de Ejecución:" + std::to_string(c.number)) << c.file;
    }
    EXPECT_EQ(t.prompts.last().text.rfind("The report's data cannot be read.", 0), 0u);
}
