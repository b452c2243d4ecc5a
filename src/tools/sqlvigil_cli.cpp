// sqlvigil-cli: unattended space samples and headless reports, for cron or a
// systemd timer.
//
//   sqlvigil-cli sample [SERVER...] [--ini FILE]
//       connects to each named registered server (every registered server when
//       none is named) through the registry and the access layer and takes one
//       space sample of each into the repository; a second sample on the same
//       day replaces that day's sample. Exits 1 with one line per server that
//       failed, 2 on wrong usage or an unreadable repository.
//   sqlvigil-cli report alert_ts|parametr|pesos_io [--server S] --pdf FILE [--ini FILE]
//       alert_ts refreshes the alert table for today and prints it (only S's
//       tablespaces with --server); parametr and pesos_io list S's parameters or
//       datafile I/O first when --server is given, else print what the table
//       holds from the last print.
#include "alert_ts.h"
#include "appcontext.h"
#include "conexiones.h"
#include "errores.h"
#include "parametros.h"
#include "pesos_io.h"
#include "prompts.h"
#include "reportengine.h"
#include "resultgrid.h"
#include "sqlcvpg.h"
#include "tendencias.h"

#include <QApplication>
#include <QDialog>

#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

const char *const kUsage =
    "usage: sqlvigil-cli sample [SERVER...] [--ini FILE]\n"
    "       sqlvigil-cli report alert_ts|parametr|pesos_io [--server S] --pdf FILE [--ini FILE]\n";

std::string oneLine(std::string s)
{
    std::string out;
    bool space = false;
    for (char c : s) {
        if (c == '\n' || c == '\r' || c == '\t' || c == ' ') {
            space = !out.empty();
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += c;
    }
    return out;
}

// No one is there to answer: error dialogs get the planned answer (Abort ends the
// operation, Ignore goes on), other message boxes their default button, dialogs
// are cancelled. Every message is kept for the report line.
class CliPrompts : public shell::PromptService {
public:
    int errorAnswer = shell::vbAbort;
    std::vector<std::string> messages;

    int MsgBox(const std::string &text, int style, const std::string &title) override
    {
        messages.push_back(oneLine(text.empty() ? title : text));
        const shell::Prompt p{title, text, style};
        return p.buttons() == shell::vbAbortRetryIgnore ? errorAnswer : p.defaultAnswer();
    }
    int execDialog(QDialog &) override { return QDialog::Rejected; }

    std::string last(const std::string &fallback) const { return messages.empty() ? fallback : messages.back(); }
};

struct Args {
    std::string command, ini, server, pdf;
    std::vector<std::string> names;
};

bool parse(int argc, char **argv, Args &a)
{
    for (int i = 1; i < argc; ++i) {
        const std::string s = argv[i];
        auto value = [&](std::string &into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        if (s == "--ini") {
            if (!value(a.ini))
                return false;
        } else if (s == "--server") {
            if (!value(a.server))
                return false;
        } else if (s == "--pdf") {
            if (!value(a.pdf))
                return false;
        } else if (s.rfind("--", 0) == 0) {
            return false;
        } else if (a.command.empty()) {
            a.command = s;
        } else {
            a.names.push_back(s);
        }
    }
    return a.command == "sample" || (a.command == "report" && a.names.size() == 1 && !a.pdf.empty());
}

class Cli {
public:
    explicit Cli(const Args &a) : m_args(a), ctx(prompts)
    {
        if (!a.ini.empty())
            ctx.iniPath = a.ini;
    }

    // The repository named by the settings file; never created here.
    bool openRepository()
    {
        ctx.repositoryDirectory = shell::Leer_Ini(ctx, "DIRECTORIOS", "BDLOCAL");
        try {
            ctx.repository = localdb::Database::OpenDatabase(ctx.repositoryFile());
        } catch (const localdb::DbError &e) {
            std::cerr << "sqlvigil-cli: the repository " << ctx.repositoryFile()
                      << " cannot be opened: " << oneLine(e.what()) << "\n";
            return false;
        }
        shell::Armar_Bloques(ctx.bloques);
        ctx.session = std::make_unique<access::OraSession>();
        return true;
    }

    std::vector<std::string> registered()
    {
        std::vector<std::string> out;
        auto rs = ctx.repository->OpenRecordset("SELECT SERVIDOR FROM SERVIDORES");
        for (; !rs->IsEOF(); rs->MoveNext())
            out.push_back(rs->Field("SERVIDOR").toString());
        return out;
    }

    // Loads the server into slot 1 and connects; answers "" or the reason it failed.
    std::string connect(const std::string &name)
    {
        release();
        prompts.messages.clear();
        prompts.errorAnswer = shell::vbAbort;
        connections::selectServer(ctx, 0, name);
        if (ctx.slotTable[1].slotState != shell::kSlotLoaded)
            return prompts.last("not a registered server");
        connections::connect(ctx);
        if (!ctx.currentConnection())
            return prompts.last("the connection could not be opened");
        return {};
    }

    void release()
    {
        ctx.slotTable.connection(1).reset();
        shell::Slot &s = ctx.slotTable[1];
        s.clearTexts();
        s.connectionFlag = 0;
        s.slotState = shell::kSlotFree;
        ctx.slotTable.current = 1;
    }

    int sample()
    {
        std::vector<std::string> servers = m_args.names;
        const std::vector<std::string> known = registered();
        if (servers.empty())
            servers = known;
        if (servers.empty()) {
            std::cerr << "sqlvigil-cli: no server is registered in " << ctx.repositoryFile() << "\n";
            return 1;
        }
        int failed = 0;
        for (const std::string &name : servers) {
            std::string reason;
            bool isKnown = false;
            for (const auto &k : known)
                isKnown = isKnown || k == name;
            if (!isKnown)
                reason = "not a registered server";
            if (reason.empty())
                reason = connect(name);
            storage::MuestraEspacio m;
            if (reason.empty()) {
                m = storage::Tomar_Muestra_Espacio(ctx);
                if (!m.tomada)
                    reason = prompts.last("no sample was taken");
            }
            release();
            if (!reason.empty()) {
                ++failed;
                std::cerr << "sqlvigil-cli: " << name << ": " << reason << "\n";
                continue;
            }
            std::cout << name << ": sample of " << localdb::Value::today().toString() << " stored (" << m.files
                      << " datafiles, " << m.spaces << " tablespaces with free space, " << m.extents
                      << " segments)\n";
        }
        return failed ? 1 : 0;
    }

    int reportCommand()
    {
        const std::string name = m_args.names[0];
        if (name != "alert_ts" && name != "parametr" && name != "pesos_io") {
            std::cerr << kUsage;
            return 2;
        }
        try {
            if (name == "alert_ts")
                return alertReport();
            if (!m_args.server.empty())
                return listAndPrint(name);
            report::renderPdf(ctx.repositoryDirectory + name + ".rpt", ctx.repositoryFile(), m_args.pdf);
        } catch (const std::exception &e) {
            std::cerr << "sqlvigil-cli: " << name << ": " << oneLine(e.what()) << "\n";
            return 1;
        }
        return finished();
    }

private:
    int finished()
    {
        std::cout << m_args.pdf << "\n";
        return 0;
    }

    int alertReport()
    {
        prompts.messages.clear();
        storage::Refrescar_Alert_TS(ctx);
        if (!prompts.messages.empty()) {
            std::cerr << "sqlvigil-cli: alert_ts: " << prompts.messages.back() << "\n";
            return 1;
        }
        report::ReportDefinition def = report::readDefinition(ctx.repositoryDirectory + "alert_ts.rpt");
        if (!m_args.server.empty()) {
            std::string quoted;
            for (char c : QString::fromStdString(m_args.server).toUpper().toStdString())
                quoted += c == '\'' ? std::string("''") : std::string(1, c);
            def.source = "SELECT * FROM (" + def.source + ") WHERE DB_NM = '" + quoted + "'";
        }
        report::renderPdf(def, ctx.repositoryFile(), m_args.pdf);
        return finished();
    }

    // The window's listing on the server, then its print into the PDF.
    int listAndPrint(const std::string &name)
    {
        const std::string reason = connect(m_args.server);
        if (!reason.empty()) {
            std::cerr << "sqlvigil-cli: " << m_args.server << ": " << reason << "\n";
            return 1;
        }
        // A faulty field of one row (a parameter type the program does not name)
        // is skipped, as Ignore does in the window; each distinct message is shown once.
        prompts.errorAnswer = shell::vbIgnore;
        prompts.messages.clear();
        std::unique_ptr<QWidget> form;
        report::PrintJob job;
        shell::ResultGridModel *grid = nullptr;
        if (name == "parametr") {
            auto *w = new monitor::Parametros(ctx);
            form.reset(w);
            w->GParametros_Click();
            job = w->trabajoImpresion();
            grid = w->LParametros->grid();
        } else {
            auto *w = new monitor::PesosIO(ctx);
            form.reset(w);
            w->GPesos_IO_Click();
            job = w->trabajoImpresion();
            grid = w->LPesosIO->grid();
        }
        std::map<std::string, int> seen;
        for (const auto &m : prompts.messages)
            ++seen[m];
        for (const auto &[m, n] : seen)
            std::cerr << "sqlvigil-cli: warning: " << m << (n > 1 ? " (" + std::to_string(n) + " times)" : "") << "\n";
        prompts.messages.clear();
        prompts.errorAnswer = shell::vbAbort;
        job.destino.destination = 2;
        job.destino.printFileName = m_args.pdf;
        report::Imprimir_Reporte(ctx, *grid, job);
        release();
        if (!prompts.messages.empty()) {
            std::cerr << "sqlvigil-cli: " << name << ": " << prompts.messages.back() << "\n";
            return 1;
        }
        return finished();
    }

    Args m_args;
    CliPrompts prompts;

public:
    shell::AppContext ctx;
};

} // namespace

// Qt's note about a missing runtime directory (usual under cron) is not news.
void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (msg.startsWith("QStandardPaths:"))
        return;
    std::cerr << msg.toStdString() << "\n";
    if (type == QtFatalMsg)
        std::abort();
}

int main(int argc, char **argv)
{
    qInstallMessageHandler(quietHandler);
    Args args;
    if (argc > 1 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    if (!parse(argc, argv, args)) {
        std::cerr << kUsage;
        return 2;
    }
    // Headless: no display is needed for PDF output.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    Cli cli(args);
    if (!cli.openRepository())
        return 2;
    return args.command == "sample" ? cli.sample() : cli.reportCommand();
}
