#include "marco.h"

#include "acercade.h"
#include "appcontext.h"
#include "callwaiter.h"
#include "clientes.h"
#include "conexiones.h"
#include "entservidores.h"
#include "errores.h"
#include "prompts.h"
#include "resultgrid.h"
#include "windowplaces.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>

#include <algorithm>
#include <QStyle>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>

#include <sys/stat.h>

namespace shell {

namespace {

struct ToolButton {
    const char *key;
    const char *label;
    QStyle::StandardPixmap icon;
    const char *tip;
};

// The toolbar, in order; keys compare exactly.
const ToolButton kToolbar[] = {
    {"tbServer", "Server", QStyle::SP_DriveNetIcon, "Server registry"},
    {"tbConnect", "Connect", QStyle::SP_DialogApplyButton, "Connect to the selected server"},
    {"tbDisconnect", "Disconnect", QStyle::SP_DialogCancelButton, "Disconnect from the selected server"},
    {"tbServerStatus", "Server Status", QStyle::SP_ComputerIcon, "Servers status"},
    {"tbMonitor", "Monitor", QStyle::SP_FileDialogInfoView, "Monitor"},
    {"tbDependences", "Dependences", QStyle::SP_FileDialogListView, "Dependences"},
    {"tbNotes", "Notes", QStyle::SP_FileDialogDetailedView, "Notes"},
    {"tbSecure", "Secure", QStyle::SP_VistaShield, "Lock the screen"},
    {"tbSQL", "SQL", QStyle::SP_FileIcon, "SQL"},
    {"tbUsers", "Users", QStyle::SP_DirHomeIcon, "Users"},
    {"tbMail", "Mail", QStyle::SP_MessageBoxInformation, "Mail"},
    {"tbTuning", "Tuning", QStyle::SP_BrowserReload, "Tuning"},
    {"tbGraph", "Graph", QStyle::SP_FileDialogContentsView, "Graph"},
    {"tbExit", "Exit", QStyle::SP_DialogCloseButton, "Exit"},
};

QString menuName(const QString &caption)
{
    QString n = "mnu_";
    for (QChar c : caption)
        if (c.isLetterOrNumber())
            n += c;
    return n;
}

// Toolbar icons at one size: the style's icon drawn at 32 pixels and scaled,
// so that every button has the same weight.
QIcon toolIcon(QStyle *style, QStyle::StandardPixmap sp)
{
    QPixmap pm = style->standardIcon(sp).pixmap(32, 32);
    if (pm.isNull())
        return {};
    return QIcon(pm.scaled(24, 24, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

// A padlock for the screen lock (the style has none on this platform).
QIcon padlockIcon()
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x6B, 0x72, 0x80), 5));
    p.drawArc(QRectF(13, 5, 22, 26), 0, 180 * 16);
    p.drawLine(QPointF(13, 18), QPointF(13, 24));
    p.drawLine(QPointF(35, 18), QPointF(35, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD9, 0x9A, 0x1E));
    p.drawRoundedRect(QRectF(8, 22, 32, 22), 4, 4);
    p.setBrush(QColor(0x5A, 0x3E, 0x08));
    p.drawEllipse(QRectF(21, 28, 6, 6));
    p.drawRect(QRectF(23, 32, 2, 7));
    return QIcon(pm);
}

bool dirExists(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void makeDirs(const std::string &path)
{
    for (std::size_t i = 1; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '/')
            ::mkdir(path.substr(0, i).c_str(), 0700);
}

} // namespace

Marco::Marco(AppContext &ctx, QWidget *parent) : QMainWindow(parent), m_ctx(ctx), m_mdi(new QMdiArea(this))
{
    setObjectName("MARCO");
    setWindowTitle("SQL*Vigil 1.00");
    m_mdi->setObjectName("MDIArea");
    QLinearGradient sky(0, 0, 0, 900);
    sky.setColorAt(0, QColor(0x4E, 0x5F, 0x75));
    sky.setColorAt(1, QColor(0x2E, 0x3A, 0x4B));
    m_mdi->setBackground(sky);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    RelojSentenciasPesadas = new QTimer(this);
    RelojSentenciasPesadas->setObjectName("RelojSentenciasPesadas");
    RelojSentenciasPesadas->setInterval(15000);
    connect(RelojSentenciasPesadas, &QTimer::timeout, this, [this] {
        // A tick that comes while the previous one still waits for its server is skipped.
        if (!m_ctx.windows.heavyStatementTick || m_heavyOut)
            return;
        m_heavyOut = true;
        CallerScope caller(m_ctx, BtnSentenciasPesadas);
        m_ctx.windows.heavyStatementTick(m_ctx, *RelojSentenciasPesadas);
        m_heavyOut = false;
    });
    buildMenus();
    buildBands();
    m_status = new QLabel(this);
    m_status->setObjectName("StatusServidor");
    LlamadaEnCurso = new QLabel(this);
    LlamadaEnCurso->setObjectName("LlamadaEnCurso");
    LlamadaEnCurso->hide();
    CancelarLlamada = new QPushButton("Cancel", this);
    CancelarLlamada->setObjectName("CancelarLlamada");
    CancelarLlamada->setToolTip("Break the statement the console is waiting for (ORA-01013)");
    CancelarLlamada->hide();
    connect(CancelarLlamada, &QPushButton::clicked, this, [this] { CancelarLlamada_Click(); });
    statusBar()->addWidget(LlamadaEnCurso, 1);
    statusBar()->addWidget(CancelarLlamada);
    statusBar()->addPermanentWidget(m_status);
    statusBar()->setSizeGripEnabled(true);
    // Statements run off the interface thread; the status bar tells what is out where.
    if (!m_ctx.waiter)
        installGuiWaiter(m_ctx);
    m_runningTick = new QTimer(this);
    m_runningTick->setInterval(250);
    connect(m_runningTick, &QTimer::timeout, this, [this] { showRunning(); });
    if (GuiWaiter *w = guiWaiter(m_ctx))
        connect(w, &GuiWaiter::runningChanged, this, [this] { showRunning(); });
    m_ctx.buttonsChanged = [this] { showButtons(); };
    m_ctx.registryChanged = [this] { refreshSelector(); };
    m_ctx.pointer.apply = [](int code) {
        if (code == kPointerBusy) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            while (QApplication::overrideCursor())
                QApplication::restoreOverrideCursor();
        }
    };
    resize(1180, 800);
    m_places = std::make_unique<WindowPlaces>(QString::fromStdString(m_ctx.iniPath));
    m_places->restoreFrame(*this);
}

Marco::~Marco()
{
    // The child windows go with the frame; they must not report back to it.
    for (QMdiSubWindow *sub : m_mdi->subWindowList())
        sub->disconnect(this);
    m_open.clear();
    m_ctx.buttonsChanged = nullptr;
    m_ctx.registryChanged = nullptr;
    m_ctx.pointer.apply = nullptr;
}

QAction *Marco::menuEntry(QMenu *menu, const QString &caption, const std::string &form, const QKeySequence &keys)
{
    QAction *a = menu->addAction(caption);
    a->setObjectName(menuName(caption));
    if (!keys.isEmpty())
        a->setShortcut(keys);
    if (!form.empty())
        connect(a, &QAction::triggered, this, [this, form] { showForm(form); });
    return a;
}

void Marco::buildMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu("&File");
    file->setObjectName("mnu_File");
    connect(menuEntry(file, "&Servers...", {}), &QAction::triggered, this, [this] { mnuServers_Click(); });
    file->addSeparator();
    menuEntry(file, "&Work sequences", "GUIAR_EN_TAREAS");
    file->addSeparator();
    menuEntry(file, "&Calendar", "CALENDARIO");
    menuEntry(file, "C&alculator", "CALCULADORA");
    file->addSeparator();
    connect(menuEntry(file, "&Printer setup", {}), &QAction::triggered, this, [this] {
        QPrinter printer;
        QPrintDialog dlg(&printer, this);
        dlg.setObjectName("SQL_Vigil_Impresora");
        m_ctx.prompts.execDialog(dlg);
    });
    file->addSeparator();
    connect(menuEntry(file, "E&xit", {}), &QAction::triggered, this, [this] { mnuExit_Click(); });

    QMenu *edit = bar->addMenu("&Edit");
    edit->setObjectName("mnu_Edit");
    menuEntry(edit, "C&ancel", {});
    edit->addSeparator();
    connect(menuEntry(edit, "Cu&t", {}, QKeySequence("Ctrl+X")), &QAction::triggered, this, [this] { cut(); });
    connect(menuEntry(edit, "&Copy", {}, QKeySequence("Ctrl+C")), &QAction::triggered, this, [this] { copy(); });
    connect(menuEntry(edit, "&Paste", {}, QKeySequence("Ctrl+V")), &QAction::triggered, this, [this] { paste(); });
    // In a text field the field's own Ctrl+X/C/V take precedence (it claims the
    // keys first), which does what these commands do for text boxes.
    edit->addSeparator();
    QAction *debug = menuEntry(edit, "&Debug", {});
    debug->setCheckable(true);

    QMenu *structure = bar->addMenu("&Structure");
    structure->setObjectName("mnu_Structure");
    menuEntry(structure, "Data&base", "MDATABAS");
    structure->addSeparator();
    menuEntry(structure, "&Parameters", "PARAMETROS");
    structure->addSeparator();
    menuEntry(structure, "&Control Files", "CFILES");
    menuEntry(structure, "Redo&Log Files", "REDOLOG");
    menuEntry(structure, "&RollBack Segments", "MIROLLBACK");
    menuEntry(structure, "&DataFiles", "DATAFILES");
    structure->addSeparator();
    menuEntry(structure, "&Tablespaces", "TABLESPACE");
    structure->addSeparator();
    menuEntry(structure, "De&pendences", {});

    QMenu *objects = bar->addMenu("&Objects");
    objects->setObjectName("mnu_Objects");
    menuEntry(objects, "&Tables", "TABLAS");
    menuEntry(objects, "&Clusters", "CLUSTERS");
    objects->addSeparator();
    menuEntry(objects, "&Synonyms", "SINONIMOS");
    objects->addSeparator();
    menuEntry(objects, "&Indexes", "INDICES");
    menuEntry(objects, "&Views", "VISTAS");
    menuEntry(objects, "Se&quences", "SEQUENCIAS");
    objects->addSeparator();
    menuEntry(objects, "Editor SQL-PL/SQL", "SQL_PLSQL_Editor");

    QMenu *security = bar->addMenu("&Security");
    security->setObjectName("mnu_Security");
    menuEntry(security, "&Users", "USUARIOS");
    security->addSeparator();
    menuEntry(security, "&Roles", "ROLES");
    security->addSeparator();
    QMenu *perms = security->addMenu("&Permissions");
    perms->setObjectName("mnu_Permissions");
    menuEntry(perms, "&Objects", "GRANTS");
    menuEntry(perms, "&System", {});
    menuEntry(perms, "&Roles", {});

    QMenu *monitor = bar->addMenu("&Monitor");
    monitor->setObjectName("mnu_Monitor");
    menuEntry(monitor, "&Segments", "SEGQNOPC");
    monitor->addSeparator();
    QMenu *memory = monitor->addMenu("&Memory");
    memory->setObjectName("mnu_Memory");
    menuEntry(memory, "General &Areas", "MEMORIA");
    menuEntry(memory, "&Memoria Sesion", "MEMSESION");
    menuEntry(monitor, "Ses&ions", "SESIONES");
    menuEntry(monitor, "&Process", "PROCESOS");
    monitor->addSeparator();
    menuEntry(monitor, "Sta&tistics", {});
    monitor->addSeparator();
    QMenu *locks = monitor->addMenu("&Locks");
    locks->setObjectName("mnu_Locks");
    menuEntry(locks, "&Sesion", "BLOSESIONES");
    menuEntry(locks, "&Resources", "BLORECURSOS");
    menuEntry(monitor, "Dis&k i/o", "PESOS_IO");
    menuEntry(monitor, "&Contentions", "CONTENCIONES");
    // What the heavy-statement recorder stored (read-only).
    monitor->addSeparator();
    menuEntry(monitor, "&Heavy Statements", "SENTENCIASPESADAS");

    QMenu *reports = bar->addMenu("&Reports");
    reports->setObjectName("mnu_Reports");
    menuEntry(reports, "&Session", {})->setEnabled(false);
    reports->addSeparator();
    menuEntry(reports, "&Tablespaces Alerts", "ALERT_TS");
    menuEntry(reports, "&Extents Alerts", {})->setEnabled(false);

    m_windowsMenu = bar->addMenu("&Windows");
    m_windowsMenu->setObjectName("mnu_Windows");
    connect(m_windowsMenu, &QMenu::aboutToShow, this, [this] {
        m_windowsMenu->clear();
        connect(menuEntry(m_windowsMenu, "&Vertical", {}), &QAction::triggered, this, [this] { arrange(2); });
        connect(menuEntry(m_windowsMenu, "&Horizontal", {}), &QAction::triggered, this, [this] { arrange(1); });
        connect(menuEntry(m_windowsMenu, "&Cascade", {}), &QAction::triggered, this, [this] { arrange(0); });
        m_windowsMenu->addSeparator();
        connect(menuEntry(m_windowsMenu, "&Order icons", {}), &QAction::triggered, this, [this] { arrange(3); });
        const auto subs = m_mdi->subWindowList();
        if (!subs.isEmpty())
            m_windowsMenu->addSeparator();
        int i = 0;
        for (QMdiSubWindow *sub : subs) {
            QAction *a = m_windowsMenu->addAction(QString("&%1 %2").arg(++i).arg(sub->windowTitle()));
            a->setCheckable(true);
            a->setChecked(sub == m_mdi->activeSubWindow());
            connect(a, &QAction::triggered, this, [this, sub] { m_mdi->setActiveSubWindow(sub); });
        }
    });
    emit m_windowsMenu->aboutToShow();

    QMenu *help = bar->addMenu("&Help");
    help->setObjectName("mnu_Help");
    // The help page of the active child window, or of the program when there is none.
    connect(menuEntry(help, "&Index", {}, QKeySequence(Qt::Key_F1)), &QAction::triggered, this, [this] {
        QMdiSubWindow *sub = m_mdi->currentSubWindow();
        const std::string form = sub && sub->widget() ? sub->widget()->objectName().toStdString() : std::string();
        // The help window (form AYUDA, when built in) is made once and shows a page by form name.
        QWidget *help = findChild<QWidget *>("AYUDA", Qt::FindDirectChildrenOnly);
        if (!help && (help = m_ctx.windows.create("AYUDA", m_ctx, this)))
            help->setAttribute(Qt::WA_DeleteOnClose);
        if (!help)
            return;
        QMetaObject::invokeMethod(help, "showPage", Q_ARG(QString, QString::fromStdString(form)));
        help->show();
        help->raise();
    });
    help->addSeparator();
    connect(menuEntry(help, "&About SQL*Vigil", {}), &QAction::triggered, this, [this] {
        AcercaDe about(m_ctx, this);
        m_ctx.prompts.execDialog(about);
    });
}

void Marco::buildBands()
{
    auto *holder = new QToolBar("CoolBar", this);
    holder->setObjectName("CoolBarHolder");
    holder->setMovable(false);
    holder->setFloatable(false);
    CoolBarSQLVigil = new QWidget(holder);
    CoolBarSQLVigil->setObjectName("CoolBarSQLVigil");
    // Two rows of bands: the toolbar above, the server selector and the monitor button below.
    auto *rows = new QVBoxLayout(CoolBarSQLVigil);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(2);
    auto *bands = new QHBoxLayout;
    bands->setContentsMargins(0, 0, 0, 0);
    bands->setSpacing(8);

    ToolbarSQLVigil = new QToolBar("Toolbar", CoolBarSQLVigil);
    ToolbarSQLVigil->setObjectName("ToolbarSQLVigil");
    ToolbarSQLVigil->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolbarSQLVigil->setIconSize(QSize(24, 24));
    ToolbarSQLVigil->setStyleSheet("QToolButton { min-width: 58px; padding: 2px 4px; }");
    for (const ToolButton &b : kToolbar) {
        const QIcon icon = std::string(b.key) == "tbSecure" ? padlockIcon() : toolIcon(style(), b.icon);
        QAction *a = ToolbarSQLVigil->addAction(icon, b.label);
        a->setObjectName(b.key);
        a->setToolTip(b.tip);
        const QString key = b.key;
        connect(a, &QAction::triggered, this, [this, key] { toolbarClick(key); });
    }
    rows->addWidget(ToolbarSQLVigil);
    rows->addLayout(bands);

    auto *serversBand = new QFrame(CoolBarSQLVigil);
    serversBand->setObjectName("BandServers");
    serversBand->setFrameShape(QFrame::StyledPanel);
    auto *sb = new QHBoxLayout(serversBand);
    sb->setContentsMargins(8, 2, 8, 2);
    auto *caption = new QLabel("Servers", serversBand);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    ServidoresCombo = new QComboBox(serversBand);
    ServidoresCombo->setObjectName("ServidoresCombo");
    ServidoresCombo->setMinimumWidth(180);
    ServidoresCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    sb->addWidget(caption);
    sb->addWidget(ServidoresCombo);
    connect(ServidoresCombo, &QComboBox::activated, this, [this](int i) { ServidoresCombo_Click(i); });
    bands->addWidget(serversBand);

    auto *monitorBand = new QFrame(CoolBarSQLVigil);
    monitorBand->setObjectName("BandMonitor");
    monitorBand->setFrameShape(QFrame::StyledPanel);
    auto *mb = new QHBoxLayout(monitorBand);
    mb->setContentsMargins(8, 2, 8, 2);
    BtnSentenciasPesadas = new QPushButton("Begin SQL &Monitoring", monitorBand);
    BtnSentenciasPesadas->setObjectName("BtnSentenciasPesadas");
    connect(BtnSentenciasPesadas, &QPushButton::clicked, this, [this] { BtnSentenciasPesadas_Click(); });
    mb->addWidget(BtnSentenciasPesadas);
    bands->addWidget(monitorBand);
    bands->addStretch(1);

    holder->addWidget(CoolBarSQLVigil);
    addToolBar(Qt::TopToolBarArea, holder);
}

QAction *Marco::toolbarAction(const QString &key) const
{
    for (QAction *a : ToolbarSQLVigil->actions())
        if (a->objectName() == key)
            return a;
    return nullptr;
}

void Marco::toolbarClick(const QString &key)
{
    if (key == "tbServer")
        mnuServers_Click();
    else if (key == "tbConnect") {
        CallerScope caller(m_ctx, ToolbarSQLVigil);
        connections::connect(m_ctx);
    } else if (key == "tbDisconnect") {
        CallerScope caller(m_ctx, ToolbarSQLVigil);
        connections::disconnect(m_ctx);
    }
    else if (key == "tbServerStatus")
        showForm("ServerStatus");
    else if (key == "tbSecure")
        tbSecure_Click();
    updateStatus();
}

void Marco::fatal(const std::string &message)
{
    m_ctx.prompts.MsgBox(message, vbOKOnly + vbCritical, "SQL*Vigil");
}

void Marco::openRepository(bool &isFatal)
{
    isFatal = false;
    Cursor_Ocupado(m_ctx);
    m_ctx.repository.reset();
    std::size_t storedLength = 0;
    m_ctx.repositoryDirectory = Leer_Ini(m_ctx, "DIRECTORIOS", "BDLOCAL", &storedLength);
    // A cut or empty directory value would place the repository somewhere the user never
    // named (a shortened path, the working directory): it is reported and nothing opens.
    if (storedLength > kIniValueMax || (storedLength == 0 && m_ctx.repositoryDirectory.empty())) {
        Cursor_Normal(m_ctx);
        const bool cut = storedLength > kIniValueMax;
        std::string stored = cut ? m_ctx.repositoryDirectory + "..." : std::string();
        fatal("The settings file " + m_ctx.iniPath + " gives the repository directory (section DIRECTORIOS, key "
              "BDLOCAL) as " + (cut ? "\"" + stored + "\", " + std::to_string(storedLength) + " characters long"
                                    : std::string("an empty value")) +
              ".\n\nA directory of at most " + std::to_string(kIniValueMax) +
              " characters is expected, for example " + m_ctx.defaultDirectory +
              "\nNo repository has been opened or created.");
        isFatal = true;
        return;
    }
    // The per-user data directory is made on first use; a directory named in the
    // settings file must exist already.
    if (m_ctx.repositoryDirectory == m_ctx.defaultDirectory && !dirExists(m_ctx.defaultDirectory))
        makeDirs(m_ctx.defaultDirectory);
    const std::string file = m_ctx.repositoryFile();
    try {
        m_ctx.repository = localdb::Database::OpenDatabase(file, false, false);
    } catch (const localdb::DbError &openError) {
        if (openError.number() != localdb::kFileNotFound) {
            // The file is there but is not a repository this program can open:
            // it is left untouched and the program ends.
            Cursor_Normal(m_ctx);
            fatal("The repository " + file + " cannot be opened and has been left as it is.\n\n" +
                  Error_Texto(openError.number()) + "\n" + openError.what());
            isFatal = true;
            return;
        }
        try {
            localdb::Database::CreateDatabase(file, ";LANGID=0x040A;CP=1252;COUNTRY=0", 1);
            m_ctx.repository = localdb::Database::OpenDatabase(file, false, false);
        } catch (const localdb::DbError &e) {
            Cursor_Normal(m_ctx);
            fatal("The repository " + file + " can be neither opened nor created.\n\n" + Error_Texto(e.number()) +
                  "\n" + e.what());
            isFatal = true;
            return;
        }
    }
    // Servers reach their chosen Oracle client.
    repository::installClientChoices(m_ctx.repository.get());
    Cursor_Normal(m_ctx);
}

void Marco::fillSelector()
{
    GuardedOperation op(m_ctx);
    std::unique_ptr<localdb::Recordset> rs;
    op.step([&] {
        if (!m_ctx.repository)
            Err_Raise(kErrObjectNotSet, "The repository is not open.");
        rs = m_ctx.repository->OpenRecordset("SELECT SERVIDOR FROM SERVIDORES");
    });
    if (!op.alive())
        return;
    op.step([&] {
        ServidoresCombo->clear();
        for (; rs && !rs->IsEOF(); rs->MoveNext())
            ServidoresCombo->addItem(QString::fromStdString(rs->Field("SERVIDOR").toString()));
        if (rs)
            rs->Close();
    });
    op.step([&] {
        if (ServidoresCombo->count() == 0)
            Err_Raise(380, "The server list is empty: register a server with File / Servers... first.");
        ServidoresCombo->setCurrentIndex(0);
    });
    op.finish();
    if (ServidoresCombo->count() > 0)
        connections::selectServer(m_ctx, 0, ServidoresCombo->itemText(0).toStdString());
}

void Marco::refreshSelector()
{
    std::vector<std::string> names;
    GuardedOperation op(m_ctx);
    op.step([&] {
        if (!m_ctx.repository)
            Err_Raise(kErrObjectNotSet, "The repository is not open.");
        for (auto rs = m_ctx.repository->OpenRecordset("SELECT SERVIDOR FROM SERVIDORES"); !rs->IsEOF(); rs->MoveNext())
            names.push_back(rs->Field("SERVIDOR").toString());
    });
    const bool read = op.alive();
    op.finish();
    if (!read)
        return;
    connections::followRegistry(m_ctx, names);
    QSignalBlocker quiet(ServidoresCombo);
    ServidoresCombo->clear();
    for (const std::string &n : names)
        ServidoresCombo->addItem(QString::fromStdString(n));
    if (!names.empty())
        ServidoresCombo->setCurrentIndex(std::min<int>(m_ctx.slotTable.current, static_cast<int>(names.size())) - 1);
    updateStatus();
}

bool Marco::Form_Load()
{
    m_ctx.slotTable.current = 1;
    Armar_Bloques(m_ctx.bloques);
    m_ctx.slotTable.initialise();
    m_ctx.session = std::make_unique<access::OraSession>();
    bool isFatal = false;
    openRepository(isFatal);
    if (isFatal)
        return false;
    fillSelector();
    m_ctx.slotTable[1].slotState = kSlotFree;
    m_ctx.slotTable[1].connectionFlag = 0;
    m_ctx.screenLock = 0;
    updateStatus();
    return true;
}

QWidget *Marco::form(const std::string &formName) const
{
    auto it = m_open.find(formName);
    return it == m_open.end() ? nullptr : it->second->widget();
}

QMdiSubWindow *Marco::subWindow(const std::string &formName) const
{
    auto it = m_open.find(formName);
    return it == m_open.end() ? nullptr : it->second;
}

QWidget *Marco::showForm(const std::string &formName)
{
    if (QWidget *w = form(formName)) {
        QMdiSubWindow *sub = m_open[formName];
        sub->showNormal();
        m_mdi->setActiveSubWindow(sub);
        return w;
    }
    // A second request while the form is still being built (its load waits for a
    // server) opens no second instance.
    if (std::find(m_creating.begin(), m_creating.end(), formName) != m_creating.end())
        return nullptr;
    m_creating.push_back(formName);
    QWidget *w = nullptr;
    {
        CallerScope caller(m_ctx, nullptr);
        w = m_ctx.windows.create(formName, m_ctx, nullptr);
    }
    m_creating.erase(std::find(m_creating.begin(), m_creating.end(), formName));
    if (!w)
        return nullptr;
    if (w->objectName().isEmpty())
        w->setObjectName(QString::fromStdString(formName));
    w->ensurePolished();
    const QSize asked = requestedSize(w);
    QMdiSubWindow *sub = m_mdi->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(w->windowTitle());
    sub->setWindowIcon(windowIcon());
    m_open[formName] = sub;
    connect(sub, &QObject::destroyed, this, [this, formName] { m_open.erase(formName); });
    connect(w, &QWidget::windowTitleChanged, sub, &QWidget::setWindowTitle);
    sub->show();
    w->show();
    m_places->place(m_mdi, sub, w, QString::fromStdString(formName), asked);
    return w;
}

void Marco::mnuServers_Click()
{
    if (askAccessCode(m_ctx, this))
        showForm("SERVIDORES");
}

void Marco::tbSecure_Click()
{
    m_ctx.screenLock = -1;
    AcercaDe about(m_ctx, this);
    m_ctx.prompts.execDialog(about);
}

void Marco::mnuExit_Click()
{
    connections::closeAll(m_ctx);
    m_closedAll = true;
    QCoreApplication::exit(0);
}

void Marco::ServidoresCombo_Click(int position)
{
    connections::selectServer(m_ctx, position, ServidoresCombo->itemText(position).toStdString());
    updateStatus();
}

void Marco::BtnSentenciasPesadas_Click()
{
    if (RelojSentenciasPesadas->isActive()) {
        BtnSentenciasPesadas->setText("Begin SQL &Monitoring");
        RelojSentenciasPesadas->stop();
    } else {
        BtnSentenciasPesadas->setText("Stop SQL &Monitoring");
        RelojSentenciasPesadas->start();
    }
}

void Marco::showRunning()
{
    GuiWaiter *w = guiWaiter(m_ctx);
    const bool out = w && !w->running().empty();
    const QString text = w ? w->runningText(1000) : QString();
    // The bar's passing message would cover the account of the calls.
    if (!text.isEmpty())
        statusBar()->clearMessage();
    else if (LlamadaEnCurso->isVisible())
        statusBar()->showMessage(QString::fromStdString("Repository: " + m_ctx.repositoryFile()));
    LlamadaEnCurso->setText(text);
    LlamadaEnCurso->setVisible(!text.isEmpty());
    CancelarLlamada->setVisible(!text.isEmpty());
    if (out && !m_runningTick->isActive())
        m_runningTick->start();
    else if (!out)
        m_runningTick->stop();
    // A statement that found its connection gone lets Connect open a fresh one.
    if (!out)
        showButtons();
}

void Marco::CancelarLlamada_Click()
{
    if (GuiWaiter *w = guiWaiter(m_ctx))
        w->cancelLatest();
}

void Marco::showButtons()
{
    access::OraDatabase *cur = m_ctx.slotTable.connection(m_ctx.slotTable.current).get();
    const bool dead = m_ctx.slotTable[m_ctx.slotTable.current].connectionFlag == kConnected && cur && cur->Dead();
    if (QAction *c = toolbarAction("tbConnect"))
        c->setEnabled(m_ctx.connectEnabled || dead);
    if (QAction *d = toolbarAction("tbDisconnect"))
        d->setEnabled(m_ctx.disconnectEnabled);
    updateStatus();
}

void Marco::updateStatus()
{
    if (!m_status)
        return;
    const Slot &s = m_ctx.slotTable[m_ctx.slotTable.current];
    QString text;
    if (s.slotState == kSlotLoaded && s.connectionFlag == kConnected)
        text = QString("%1  —  connected to %2 as %3").arg(QString::fromStdString(s.SERVIDOR),
                                                         QString::fromStdString(s.CONECCION),
                                                         QString::fromStdString(s.LOGIN));
    else if (s.slotState == kSlotLoaded)
        text = QString("%1  —  not connected").arg(QString::fromStdString(s.SERVIDOR));
    else
        text = "No server selected: pick one in Servers, then Connect";
    m_status->setText(text);
    statusBar()->showMessage(QString::fromStdString("Repository: " + m_ctx.repositoryFile()));
}

// ---------------------------------------------------------------- clipboard

void Marco::copy()
{
    QClipboard *cb = QApplication::clipboard();
    cb->clear();
    QWidget *w = QApplication::focusWidget();
    if (auto *line = qobject_cast<QLineEdit *>(w)) {
        cb->setText(line->selectedText());
    } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
        cb->setText(combo->lineEdit() ? combo->lineEdit()->selectedText() : QString());
    } else if (auto *text = qobject_cast<QTextEdit *>(w)) {
        cb->setText(text->textCursor().selectedText());
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(w)) {
        cb->setText(plain->textCursor().selectedText());
    } else if (auto *picture = qobject_cast<QLabel *>(w)) {
        if (!picture->pixmap().isNull())
            cb->setPixmap(picture->pixmap());
    } else if (auto *list = qobject_cast<QListWidget *>(w)) {
        if (list->currentItem())
            cb->setText(list->currentItem()->text());
    } else if (auto *grid = qobject_cast<ResultGrid *>(w)) {
        grid->copySelection();
    }
}

void Marco::cut()
{
    copy();
    QWidget *w = QApplication::focusWidget();
    if (auto *line = qobject_cast<QLineEdit *>(w)) {
        if (!line->isReadOnly())
            line->insert(QString());
    } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
        if (combo->isEditable())
            combo->setEditText(QString());
    } else if (auto *text = qobject_cast<QTextEdit *>(w)) {
        if (!text->isReadOnly())
            text->textCursor().removeSelectedText();
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(w)) {
        if (!plain->isReadOnly())
            plain->textCursor().removeSelectedText();
    } else if (auto *picture = qobject_cast<QLabel *>(w)) {
        picture->setPixmap(QPixmap());
    } else if (auto *list = qobject_cast<QListWidget *>(w)) {
        if (list->currentItem())
            delete list->takeItem(list->currentRow());
    }
}

void Marco::paste()
{
    QClipboard *cb = QApplication::clipboard();
    QWidget *w = QApplication::focusWidget();
    if (auto *line = qobject_cast<QLineEdit *>(w)) {
        if (!line->isReadOnly())
            line->insert(cb->text());
    } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
        if (combo->isEditable())
            combo->setEditText(cb->text());
    } else if (auto *text = qobject_cast<QTextEdit *>(w)) {
        if (!text->isReadOnly())
            text->textCursor().insertText(cb->text());
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(w)) {
        if (!plain->isReadOnly())
            plain->textCursor().insertText(cb->text());
    } else if (auto *picture = qobject_cast<QLabel *>(w)) {
        picture->setPixmap(cb->pixmap());
    } else if (auto *list = qobject_cast<QListWidget *>(w)) {
        list->addItem(cb->text());
    }
}

// ---------------------------------------------------------------- arrangement

void Marco::arrange(int code)
{
    QList<QMdiSubWindow *> shown, icons;
    for (QMdiSubWindow *s : m_mdi->subWindowList())
        (s->isMinimized() ? icons : shown).append(s);
    if (code == 0) {
        m_mdi->cascadeSubWindows();
    } else if (code == 1 || code == 2) {
        if (shown.isEmpty())
            return;
        const QRect area = m_mdi->viewport()->rect();
        const int n = static_cast<int>(shown.size());
        for (int i = 0; i < n; ++i) {
            QRect r;
            if (code == 1) {       // one above the other
                int h = area.height() / n;
                r = QRect(0, i * h, area.width(), h);
            } else {               // side by side
                int w = area.width() / n;
                r = QRect(i * w, 0, w, area.height());
            }
            shown[i]->showNormal();
            shown[i]->setGeometry(r);
        }
    } else if (code == 3) {
        const QRect area = m_mdi->viewport()->rect();
        int x = 0, y = area.height();
        for (QMdiSubWindow *s : icons) {
            QSize sz = s->size();
            if (x + sz.width() > area.width()) {
                x = 0;
                y -= sz.height();
            }
            s->move(x, y - sz.height());
            x += sz.width();
        }
    }
}

void Marco::closeEvent(QCloseEvent *event)
{
    RelojSentenciasPesadas->stop();
    if (!isMinimized())
        m_places->saveFrame(*this);
    m_mdi->closeAllSubWindows();
    if (!m_closedAll)
        connections::closeAll(m_ctx);
    m_closedAll = true;
    if (m_ctx.repository)
        m_ctx.repository->Close();
    event->accept();
}

} // namespace shell
