#include "ayuda.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace accessories {

namespace {

struct Page {
    const char *form, *title, *text;
};

// One short page per window: what it shows and what its buttons do.
const Page kPages[] = {
    {"SERVIDORES", "Servers",
     "The registry of servers. <b>&amp;Init</b> creates the repository tables; add, change or remove a server "
     "with its service name, login and password (stored encoded). The access code is asked before the window opens."},
    {"CONEXIONES", "Connections",
     "Pick a server in the selector of the main window and press <b>Connect</b>; several servers may be connected "
     "at once, and the selector decides which one every window uses."},
    {"STATUS", "Servers Status",
     "The health figures of every connected server, polled every 15 seconds while the window is open."},
    {"SESIONES", "Sessions",
     "<b>&amp;Get Sessions</b> lists the sessions of the current server. Double-click a session to read its SQL "
     "text, explain its plan, or kill it with <b>&amp;Delete</b>. The four rankings show the heaviest sessions by "
     "CPU, memory, disk and connect time."},
    {"BLOSESIONES", "Locks by session", "The sessions that hold locks others wait for, and who waits for whom."},
    {"BLORECURSOS", "Locks by resource", "The locked resources, the sessions holding them and those waiting."},
    {"MEMORIA", "Memory", "Cache hit ratios and the sizes of the SGA areas, with the advice for each ratio."},
    {"MEMSESION", "Session memory", "The memory each session uses (UGA and PGA)."},
    {"PESOS_IO", "Data Files I/O", "Reads and writes per datafile, sampled at the interval you set; printable."},
    {"SENTENCIASPESADAS", "Heavy Statements",
     "Statements recorded by <b>Begin SQL Monitoring</b> on the main window: the most expensive by buffer gets "
     "and disk reads."},
    {"CONTENCIONES", "Contention", "Waits on latches, rollback segment headers and free lists."},
    {"PROCESOS", "Processes", "The server processes and the sessions they serve."},
    {"PARAMETROS", "Parameters", "The instance parameters, and the printed parameter report."},
    {"REDOLOG", "Redo Log Files", "The redo log groups, their members and status."},
    {"CFILES", "Control Files", "The control files of the instance."},
    {"TABLESPACE", "Tablespaces",
     "The tablespaces with their free space; double-click one for its datafiles, segments, free extents and quotas. "
     "<b>&amp;Tendencias</b> takes a space sample for the trend reports."},
    {"DATAFILES", "Datafiles", "The datafiles with their sizes; add or resize datafiles."},
    {"MIROLLBACK", "Rollback Segments", "The rollback segments, their status and extents; create, alter or drop."},
    {"SEGQNOPC", "Segments near their limits", "Segments that cannot take another extent or are near MAXEXTENTS."},
    {"MDATABAS", "Database", "The database overview and its object tree, loaded as you open each branch."},
    {"TABLAS", "Tables", "The tables of each schema with their columns, indexes and storage."},
    {"INDICES", "Indexes", "The indexes of each schema with their columns."},
    {"VISTAS", "Views", "The views of each schema with their text."},
    {"SEQUENCIAS", "Sequences", "The sequences of each schema."},
    {"SINONIMOS", "Synonyms", "Public and private synonyms; create or drop them."},
    {"CLUSTERS", "Clusters", "The clusters and their tables."},
    {"USUARIOS", "Users", "The users with their tablespaces, quotas and roles; create, change or drop a user."},
    {"ROLES", "Roles", "The roles and who holds them."},
    {"GRANTS", "Object grants", "The privileges granted on each object."},
    {"SQL_PLSQL_Editor", "SQL-PL/SQL Editor",
     "Type SQL and run it on the current server. <b>&amp;Ejecute</b> runs the whole text as one statement, "
     "<b>Ctrl+Enter</b> the statement under the cursor (statements are separated by \";\" or blank lines), "
     "<b>F5</b> or <b>Run &amp;Script</b> the text as a script: statements end at \";\", PL/SQL blocks at a "
     "\"/\" on a line of its own, and the first error stops the script. A query shows its rows, read as you "
     "scroll; other statements show the rows processed (\"Reg.\") or \"Commands Executed.\". The history list "
     "brings back a statement run before. <b>&amp;Users</b> fills the tree with every user's functions, "
     "procedures, packages and package bodies; click an object to read its source."},
    {"CALCULADORA", "Calculator",
     "A desk calculator: operations apply in the order typed; \"-\" where a number is due starts a negative "
     "number; \"%\" divides the entry by 100; <b>C</b> clears everything, <b>CE</b> the entry only. The keyboard "
     "works too (Enter is \"=\", Escape is C)."},
    {"CALENDARIO", "Calendar", "A month view opened on today's date."},
    {"GUIAR_EN_TAREAS", "Work sequences",
     "A checklist of the main administration and monitoring procedures; the ticks are not kept."},
};

const Page *findPage(const std::string &form)
{
    for (const Page &p : kPages)
        if (form == p.form)
            return &p;
    return nullptr;
}

} // namespace

bool hasHelpPage(const std::string &formName) { return findPage(formName) != nullptr; }

QString helpPage(const std::string &formName)
{
    if (const Page *p = findPage(formName))
        return QString("<h2>%1</h2><p>%2</p><p><a href=\"#index\">All windows</a></p>").arg(p->title, p->text);
    QString html = "<h2>SQL*Vigil</h2><p>A console for Oracle servers: register servers, connect to one or more, "
                   "and open the windows of the menus on the current server. Press F1 in any window for its "
                   "page.</p><ul>";
    for (const Page &p : kPages)
        html += QString("<li><a href=\"#%1\">%2</a></li>").arg(p.form, p.title);
    return html + "</ul>";
}

Ayuda::Ayuda(QWidget *parent) : QDialog(parent)
{
    setObjectName("AYUDA");
    setWindowTitle("SQL*Vigil Help");
    AyudaTexto = new QTextBrowser(this);
    AyudaTexto->setObjectName("AyudaTexto");
    AyudaTexto->setOpenLinks(false);
    connect(AyudaTexto, &QTextBrowser::anchorClicked, this, [this](const QUrl &url) {
        const std::string form = url.fragment().toStdString();
        showPage(form == "index" ? std::string() : form);
    });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto *v = new QVBoxLayout(this);
    v->addWidget(AyudaTexto, 1);
    v->addWidget(buttons);
    resize(560, 420);
}

void Ayuda::showPage(const std::string &formName)
{
    AyudaTexto->setHtml(helpPage(formName));
    const Page *p = findPage(formName);
    setWindowTitle(p ? QString("SQL*Vigil Help - ") + p->title : QString("SQL*Vigil Help"));
}

} // namespace accessories
