#include "reportengine.h"

#include "appcontext.h"
#include "localdb.h"
#include "prompts.h"

#include <QDateTime>
#include <QFile>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTextDocument>

#include <fstream>

namespace report {

namespace {

std::string trim(const std::string &s)
{
    std::size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos)
        return {};
    return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

std::vector<std::string> split(const std::string &s, char sep)
{
    std::vector<std::string> out;
    std::size_t p = 0;
    while (true) {
        std::size_t q = s.find(sep, p);
        out.push_back(trim(s.substr(p, q == std::string::npos ? std::string::npos : q - p)));
        if (q == std::string::npos)
            return out;
        p = q + 1;
    }
}

std::string escape(const std::string &s)
{
    return QString::fromStdString(s).toHtmlEscaped().toStdString();
}

// {FIELD} replaced by the first row's value of that field.
std::string fillIn(const std::string &text, localdb::Recordset *rs)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t close = text[i] == '{' ? text.find('}', i) : std::string::npos;
        if (close == std::string::npos) {
            out += text[i];
            continue;
        }
        const std::string field = text.substr(i + 1, close - i - 1);
        if (field == "NOW")
            out += QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm").toStdString();
        else if (rs && !rs->IsEOF())
            out += rs->Field(field).toString();
        i = close;
    }
    return out;
}

} // namespace

ReportDefinition readDefinition(const std::string &path)
{
    std::ifstream in(path);
    if (!in)
        throw ReportError(20504, "Cannot open the report file " + path + ".");
    ReportDefinition def;
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        const std::string t = trim(line);
        if (t.empty() || t[0] == '#')
            continue;
        const std::size_t eq = t.find('=');
        if (eq == std::string::npos)
            throw ReportError(20515, path + ", line " + std::to_string(n) + ": \"KEY=value\" expected.");
        const std::string key = trim(t.substr(0, eq)), value = trim(t.substr(eq + 1));
        if (key == "TITLE") {
            def.title = value;
        } else if (key == "SUBTITLE") {
            def.subtitle = value;
        } else if (key == "SOURCE") {
            def.source = value;
        } else if (key == "GROUP") {
            def.group = value;
        } else if (key == "ORIENTATION") {
            def.landscape = value == "landscape";
        } else if (key == "COLUMN") {
            const auto parts = split(value, '|');
            if (parts[0].empty())
                throw ReportError(20515, path + ", line " + std::to_string(n) + ": a column needs a field.");
            ReportColumn c;
            c.field = parts[0];
            c.heading = parts.size() > 1 && !parts[1].empty() ? parts[1] : parts[0];
            if (parts.size() > 2 && (parts[2] == "right" || parts[2] == "center"))
                c.align = parts[2];
            def.columns.push_back(c);
        } else {
            throw ReportError(20515, path + ", line " + std::to_string(n) + ": unknown key " + key + ".");
        }
    }
    if (def.source.empty() || def.columns.empty())
        throw ReportError(20515, path + ": a report needs a SOURCE and at least one COLUMN.");
    return def;
}

ReportEngine::ReportEngine(shell::AppContext &ctx, QWidget *parent) : m_ctx(ctx), m_parent(parent) {}

std::string ReportEngine::render(const ReportDefinition &def)
{
    std::unique_ptr<localdb::Database> db;
    std::unique_ptr<localdb::Recordset> rs;
    try {
        db = localdb::Database::OpenDatabase(DataFiles0, false, true);
        rs = db->OpenRecordset(def.source);
    } catch (const localdb::DbError &e) {
        throw ReportError(20599, "The report's data cannot be read from " + DataFiles0 + ": " + e.what());
    }
    std::string html = "<html><body style=\"font-family: sans-serif; font-size: 9pt;\">";
    html += "<h2 style=\"margin-bottom: 2px;\">" + escape(fillIn(def.title, rs.get())) + "</h2>";
    if (!def.subtitle.empty())
        html += "<p style=\"color: #445; margin-top: 0;\">" + escape(fillIn(def.subtitle, rs.get())) + "</p>";
    html += "<p style=\"color: #667; font-size: 8pt;\">SQL*Vigil &middot; " +
            escape(fillIn("{NOW}", nullptr)) + "</p>";
    html += "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\" "
            "style=\"border-collapse: collapse; border: 1px solid #99a;\"><tr style=\"background: #dde3ec;\">";
    for (const auto &c : def.columns)
        html += "<th align=\"" + c.align + "\">" + escape(c.heading) + "</th>";
    html += "</tr>";
    m_rows = 0;
    std::string lastGroup;
    bool first = true;
    try {
        for (; !rs->IsEOF(); rs->MoveNext()) {
            if (!def.group.empty()) {
                const std::string g = rs->Field(def.group).toString();
                if (first || g != lastGroup)
                    html += "<tr style=\"background: #eef1f6;\"><td colspan=\"" + std::to_string(def.columns.size()) +
                            "\"><b>" + escape(g) + "</b></td></tr>";
                lastGroup = g;
            }
            first = false;
            html += m_rows % 2 ? "<tr style=\"background: #f7f8fa;\">" : "<tr>";
            for (const auto &c : def.columns)
                html += "<td align=\"" + c.align + "\">" + escape(rs->Field(c.field).toString()) + "</td>";
            html += "</tr>";
            ++m_rows;
        }
    } catch (const localdb::DbError &e) {
        throw ReportError(20599, "The report's rows cannot be read: " + std::string(e.what()));
    }
    html += "</table><p style=\"font-size: 8pt; color: #667;\">" + std::to_string(m_rows) +
            (m_rows == 1 ? " row" : " rows") + "</p></body></html>";
    return html;
}

void ReportEngine::Action(int action)
{
    if (action != 1)
        return;
    const ReportDefinition def = readDefinition(ReportFileName);
    m_html = render(def);
    QTextDocument doc;
    doc.setHtml(QString::fromStdString(m_html));
    auto orient = [&](QPrinter &p) {
        p.setPageOrientation(def.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    };
    switch (Destination) {
    case 0: {
        QPrinter preview(QPrinter::ScreenResolution);
        orient(preview);
        QPrintPreviewDialog dlg(&preview, m_parent);
        dlg.setObjectName("ReportPreview");
        dlg.setWindowTitle(QString::fromStdString(def.title));
        dlg.resize(900, 700);
        QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg,
                         [&doc](QPrinter *p) { doc.print(p); });
        m_ctx.prompts.execDialog(dlg);
        break;
    }
    case 1: {
        QPrinter fallback;
        QPrinter &p = printer ? *printer : fallback;
        orient(p);
        doc.print(&p);
        break;
    }
    case 2: {
        if (PrintFileName.empty())
            throw ReportError(20504, "No file name was given for the report.");
        const QString name = QString::fromStdString(PrintFileName);
        if (name.endsWith(".pdf", Qt::CaseInsensitive)) {
            QPrinter p(QPrinter::HighResolution);
            p.setOutputFormat(QPrinter::PdfFormat);
            p.setOutputFileName(name);
            orient(p);
            doc.print(&p);
        } else {
            QFile f(name);
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                throw ReportError(20504, "The report cannot be written to " + PrintFileName + ".");
            f.write(name.endsWith(".txt", Qt::CaseInsensitive) ? doc.toPlainText().toUtf8()
                                                               : QByteArray::fromStdString(m_html));
        }
        break;
    }
    default:
        throw ReportError(20515, "Unknown report destination " + std::to_string(Destination) + ".");
    }
}

} // namespace report
