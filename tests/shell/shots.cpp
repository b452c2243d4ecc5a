// sqlvigil_shots DIR OUTDIR: screenshots of the console for review. Prepares the
// demo repository in DIR, starts the main window, connects the server DEMO, opens
// the Servers window through the password dialog and grabs each stage to OUTDIR.
#include "appcontext.h"
#include "conexiones.h"
#include "formutil.h"
#include "marco.h"
#include "resultgrid.h"
#include "servidores.h"
#include "shotconsole.h"

#include "reportrenderer.h"

#include <QAction>
#include <QImage>
#include <QPainter>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <iostream>

int main(int argc, char **argv)
{
    harness::ShotProgram program(argc, argv, "sqlvigil_shots");
    if (!program.ready())
        return program.exitCode();
    const QString out = program.out();
    harness::ShotConsole &console = program.console();
    harness::ScriptedPrompts &prompts = console.prompts;
    shell::AppContext &ctx = console.ctx;
    shell::Marco &marco = console.marco();
    marco.ServidoresCombo_Click(0);
    marco.toolbarAction("tbConnect")->trigger();
    auto settle = [] { harness::ShotConsole::settle(20); };
    settle();
    marco.grab().save(out + "/marco.png");
    prompts.typePassword("VANTO");
    marco.mnuServers_Click();
    auto *servers = qobject_cast<repository::Servidores *>(marco.form("SERVIDORES"));
    if (!servers)
        return 1;
    servers->GServidores_Click();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(servers->parentWidget()))
        sub->setGeometry(20, 20, 1000, 420);
    settle();
    marco.grab().save(out + "/servidores.png");
    servers->LServidores->grid()->setCurrentRow(1);
    servers->SModificar_Click();
    settle();
    servers->grab().save(out + "/servidores-modify.png");
    servers->SSalir_Click();

    // A report as the Instance Parameters window prints it, over the demo server's parameters.
    ctx.repository->Execute("DELETE FROM PARAMETROS");
    if (access::OraDatabase *db = ctx.currentConnection()) {
        auto dyn = db->DbCreateDynaset(
            "select num, name, type, nvl(value,'Null') value, isdefault from v$parameter order by name", 4);
        auto rs = ctx.repository->OpenRecordset("PARAMETROS");
        static const char *const types[] = {"", "Log", "Car", "Num", "Fec"};
        for (int n = 0; !dyn->IsEOF() && n < 30; dyn->MoveNext(), ++n) {
            rs->AddNew();
            rs->SetField("DB_NM", "DEMO");
            rs->SetField("NUMERO", dyn->Fields("num").toString());
            rs->SetField("NOMBRE", dyn->Fields("name").toString());
            const int type = static_cast<int>(dyn->Fields("type").toDouble());
            rs->SetField("TIPO", type >= 0 && type <= 4 ? types[type] : "");
            rs->SetField("VALOR", dyn->Fields("value").toString());
            rs->SetField("POR_DEFECTO", dyn->Fields("isdefault").toString());
            rs->Update();
        }
    }
    // The first page as the PDF carries it, painted onto an A4 image at 100 dpi.
    const auto def = report::readDefinition(ctx.repositoryDirectory + "parametr.rpt");
    const auto data = report::readReportData(def, ctx.repositoryFile());
    QImage page(def.landscape ? QSize(1169, 827) : QSize(827, 1169), QImage::Format_RGB32);
    page.setDotsPerMeterX(3937);
    page.setDotsPerMeterY(3937);
    page.fill(Qt::white);
    {
        const auto doc = report::layoutReport(def, data, page, QDateTime::currentDateTime());
        QPainter p(&page);
        report::paintPage(doc.pages.front(), p);
    }
    page.save(out + "/report.png");
    std::cout << prompts.log();
    return 0;
}
