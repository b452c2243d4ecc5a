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

#include "reportengine.h"

#include <QAction>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <iostream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    QApplication::setWindowIcon(shell::appIcon());
    if (argc < 3) {
        std::cerr << "usage: sqlvigil_shots DIR OUTDIR\n";
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    harness::ShotConsole console(argv[1]);
    if (!console.loaded())
        return 1;
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
    report::ReportEngine rpt(ctx);
    rpt.ReportFileName = ctx.repositoryDirectory + "parametr.rpt";
    rpt.DataFiles0 = ctx.repositoryFile();
    rpt.Destination = 2;
    rpt.PrintFileName = (out + "/parametr.html").toStdString();
    rpt.Action(1);
    QTextDocument doc;
    doc.setHtml(QString::fromStdString(rpt.lastHtml()));
    doc.setTextWidth(900);
    QImage page(QSize(940, int(doc.size().height()) + 40), QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter p(&page);
        p.translate(20, 20);
        doc.drawContents(&p);
    }
    page.save(out + "/report.png");
    std::cout << prompts.log();
    return 0;
}
