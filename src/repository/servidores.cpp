#include "servidores.h"

#include "appcontext.h"
#include "clientes.h"
#include "credentials.h"
#include "errores.h"
#include "esquema.h"
#include "formutil.h"
#include "prompts.h"
#include "resultgrid.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

namespace repository {

using namespace shell;

namespace {

const QStringList kProducts = {"ORACLE 7", "ORACLE 8", "ORACLE 9"};
const char *const kMask = "*********";

std::string cellText(const localdb::Recordset &rs, const char *name)
{
    const localdb::Value &v = rs.Field(name);
    if (v.isNull())
        Err_Raise(kErrInvalidNull);
    return v.toString();
}

std::string trimmed(const QString &s)
{
    return s.trimmed().toStdString();
}

} // namespace

QStringList releasesOf(const QString &product)
{
    if (product == "ORACLE 7")
        return {"7.0.n", "7.1.n", "7.2.n", "7.3.n"};
    if (product == "ORACLE 8")
        return {"8.0.1", "8.0.2", "8.0.3", "8.0.4", "8.0.5", "8i"};
    if (product == "ORACLE 9")
        return {"9i"};
    return {};
}

Servidores::Servidores(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("SERVIDORES");
    setWindowTitle("Servers");
    buildForm();
    // Opening: both grids get their headers; the list stays empty until "&Servers".
    LServidores->grid()->setHeaders({"Server", "RDBMS", "Version", "Instance", "Connection", "Format", "Login",
                                     "Password", "Login Timeout", "Query Timeout"},
                                    false);
    eVitacora->grid()->setHeaders({"Client Name", "Contact", "Server_Instance", "Service Type", "Emision Date",
                                   "Initial Date", "End Date", "Session", "Normal Hours", "Extras Hours 1",
                                   "Extras Hours 2"});
    LServidores->fitColumns();
    eVitacora->fitColumns();
}

Servidores::~Servidores() = default;

void Servidores::buildForm()
{
    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setMinimumWidth(104);
        return b;
    };
    GServidores = button("GServidores", "&Servers");
    SNuevo = button("SNuevo", "&New");
    SModificar = button("SModificar", "&Modify");
    SEliminar = button("SEliminar", "&Delete");
    SImprimir = button("SImprimir", "&Print");
    SCliente = button("SCliente", "C&lient...");
    Iniciar_Tabla = button("Iniciar_Tabla", "&Init");
    SSalir = button("SSalir", "&Exit");

    Carpeta_Servidores = new QTabWidget(this);
    Carpeta_Servidores->setObjectName("Carpeta_Servidores");
    LServidores = new ResultGrid("LServidores");
    Carpeta_Servidores->addTab(LServidores, "Servers");

    auto *desc = new QWidget;
    Carpeta_Descripcion = new QTabWidget(desc);
    Carpeta_Descripcion->setObjectName("Carpeta_Descripcion");
    auto *fields = new QWidget;
    auto line = [](const char *name) {
        auto *e = new QLineEdit;
        e->setObjectName(name);
        return e;
    };
    eServidor = line("eServidor");
    eServidor->setMaxLength(30);
    eRDBMS = new QComboBox;
    eRDBMS->setObjectName("eRDBMS");
    eRDBMS->setEditable(true);
    eVersion = new QComboBox;
    eVersion->setObjectName("eVersion");
    eVersion->setEditable(true);
    eInstancia = line("eInstancia");
    eConeccion = line("eConeccion");
    eFormatoTNS = new QRadioButton("TNS");
    eFormatoTNS->setObjectName("eFormatoTNS");
    eFormatoTNS->setAutoExclusive(false);
    eFormatoRAW = new QRadioButton("RAW");
    eFormatoRAW->setObjectName("eFormatoRAW");
    eFormatoRAW->setAutoExclusive(false);
    eLogin = line("eLogin");
    ePassword = line("ePassword");
    ePassword->setEchoMode(QLineEdit::Password);
    eLoginTimeOut = line("eLoginTimeOut");
    eQueryTimeOut = line("eQueryTimeOut");
    eEmpresa = line("eEmpresa");
    eContraparte = line("eContraparte");
    eComentario = new QTextEdit;
    eComentario->setObjectName("eComentario");
    eComentario->setAcceptRichText(false);
    // The two format options exclude each other, yet both may be off.
    connect(eFormatoTNS, &QRadioButton::toggled, this, [this](bool on) { if (on) eFormatoRAW->setChecked(false); });
    connect(eFormatoRAW, &QRadioButton::toggled, this, [this](bool on) { if (on) eFormatoTNS->setChecked(false); });
    connect(eRDBMS, &QComboBox::activated, this, [this](int) { eRDBMS_Click(); });

    auto *formatRow = new QHBoxLayout;
    formatRow->addWidget(eFormatoTNS);
    formatRow->addWidget(eFormatoRAW);
    formatRow->addStretch(1);
    auto *left = new QFormLayout;
    left->setLabelAlignment(Qt::AlignRight);
    left->addRow("Server", eServidor);
    left->addRow("RDBMS", eRDBMS);
    left->addRow("Version", eVersion);
    left->addRow("Instance", eInstancia);
    left->addRow("Connection", eConeccion);
    left->addRow("Format", formatRow);
    auto *right = new QFormLayout;
    right->setLabelAlignment(Qt::AlignRight);
    right->addRow("Login", eLogin);
    right->addRow("Password", ePassword);
    right->addRow("Login Timeout", eLoginTimeOut);
    right->addRow("Query Timeout", eQueryTimeOut);
    right->addRow("Client", eEmpresa);
    right->addRow("User Client", eContraparte);
    left->setVerticalSpacing(8);
    right->setVerticalSpacing(8);
    auto *cols = new QHBoxLayout(fields);
    cols->setAlignment(Qt::AlignTop);
    cols->setContentsMargins(12, 12, 12, 12);
    cols->setSpacing(24);
    cols->addLayout(left, 1);
    cols->addLayout(right, 1);
    Carpeta_Descripcion->addTab(fields, "Connection");
    Carpeta_Descripcion->addTab(eComentario, "Comment");
    auto *descLayout = new QVBoxLayout(desc);
    descLayout->setContentsMargins(6, 6, 6, 6);
    descLayout->addWidget(Carpeta_Descripcion);
    Carpeta_Servidores->addTab(desc, "Description");

    eVitacora = new ResultGrid("eVitacora");
    Carpeta_Servidores->addTab(eVitacora, "Connections");

    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(6);
    for (QPushButton *b : {GServidores, SNuevo, SModificar, SEliminar, SImprimir, SCliente})
        buttons->addWidget(b);
    buttons->addSpacing(14);
    buttons->addWidget(Iniciar_Tabla);
    buttons->addStretch(1);
    buttons->addWidget(SSalir);
    auto *main = new QHBoxLayout(this);
    main->setContentsMargins(8, 8, 8, 8);
    main->addWidget(Carpeta_Servidores, 1);
    main->addLayout(buttons);
    resize(940, 440);

    connect(GServidores, &QPushButton::clicked, this, [this] { GServidores_Click(); });
    connect(SNuevo, &QPushButton::clicked, this, [this] { SNuevo_Click(); });
    connect(SModificar, &QPushButton::clicked, this, [this] { SModificar_Click(); });
    connect(SEliminar, &QPushButton::clicked, this, [this] { SEliminar_Click(); });
    connect(SCliente, &QPushButton::clicked, this, [this] { SCliente_Click(); });
    connect(Iniciar_Tabla, &QPushButton::clicked, this, [this] { Iniciar_Tabla_Click(); });
    connect(SSalir, &QPushButton::clicked, this, [this] { SSalir_Click(); });
}

// ---------------------------------------------------------------- list

void Servidores::GServidores_Click()
{
    ResultGridModel *g = LServidores->grid();
    g->reset();
    GuardedOperation op(m_ctx);
    std::unique_ptr<localdb::Recordset> rs;
    op.step([&] {
        if (!m_ctx.repository)
            Err_Raise(kErrObjectNotSet, "The repository is not open.");
        rs = m_ctx.repository->OpenRecordset("SERVIDORES", 1);
    });
    static const char *const columns[] = {"SERVIDOR", "RDBMS", "VERSION", "INSTANCIA", "CONECCION",
                                          "FORMATO", "LOGIN", nullptr, "LOGIN_TIME_OUT", "QUERY_TIME_OUT"};
    int n = 0;
    while (op.alive() && rs && !rs->IsEOF()) {
        ++n;
        g->setRows(n + 1);
        g->setCurrentRow(n);
        // Each cell on its own: a null leaves just that cell empty.
        for (int c = 0; c < 10; ++c)
            op.step([&] {
                g->setText(n, c, columns[c] ? qs(cellText(*rs, columns[c])) : QString(kMask));
            });
        op.step([&] { rs->MoveNext(); });
    }
    if (rs)
        rs->Close();
    op.finish();
    LServidores->fitColumns();
    // Connection texts may have changed: the client choices follow them.
    installClientChoices(m_ctx.repository.get());
}

// ---------------------------------------------------------------- modes

void Servidores::setEditButtons(QPushButton *okButton)
{
    for (QPushButton *b : {GServidores, SNuevo, SModificar, SEliminar, SImprimir, SCliente, Iniciar_Tabla})
        b->setEnabled(b == okButton);
    okButton->setText("&Ok");
    SSalir->setText("&Cancel");
    Carpeta_Servidores->setCurrentIndex(1);
    Carpeta_Descripcion->setCurrentIndex(0);
}

void Servidores::clearFields()
{
    for (QLineEdit *e : {eServidor, eInstancia, eConeccion, eLogin, ePassword, eLoginTimeOut, eQueryTimeOut, eEmpresa,
                         eContraparte})
        e->clear();
    eRDBMS->clear();
    eVersion->clear();
    eFormatoTNS->setChecked(false);
    eFormatoRAW->setChecked(false);
    eComentario->clear();
}

void Servidores::SNuevo_Click()
{
    if (m_mode == Mode::New) {
        if (save())
            leaveEditMode();
    } else if (m_mode == Mode::Browse) {
        enterNew();
    }
}

void Servidores::SModificar_Click()
{
    if (m_mode == Mode::Modify) {
        if (save())
            leaveEditMode();
    } else if (m_mode == Mode::Browse) {
        enterModify();
    }
}

void Servidores::enterNew()
{
    m_mode = Mode::New;
    setEditButtons(SNuevo);
    clearFields();
    GuardedOperation op(m_ctx);
    op.step([&] {
        if (!m_ctx.repository)
            Err_Raise(kErrObjectNotSet, "The repository is not open.");
        m_rs = m_ctx.repository->OpenRecordset("SERVIDORES", 1);
    });
    op.step([&] { eRDBMS->addItems(kProducts); eRDBMS->setCurrentIndex(-1); });
    op.finish();
    eServidor->setFocus();
}

void Servidores::enterModify()
{
    m_mode = Mode::Modify;
    setEditButtons(SModificar);
    clearFields();
    ResultGridModel *g = LServidores->grid();
    const int row = g->currentRow();
    const std::string server = ss(g->text(row, 0)), rdbms = ss(g->text(row, 1)), instance = ss(g->text(row, 3)),
                      connection = ss(g->text(row, 4));
    GuardedOperation op(m_ctx);
    op.step([&] {
        if (!m_ctx.repository)
            Err_Raise(kErrObjectNotSet, "The repository is not open.");
        m_rs.reset();
        // The key texts travel as bound values, so any character in them is fine.
        m_rs = m_ctx.repository->OpenRecordset(
            "SELECT * FROM SERVIDORES WHERE SERVIDOR = :servidor AND RDBMS = :rdbms AND INSTANCIA = :instancia "
            "AND CONECCION = :coneccion",
            0, {{"servidor", server}, {"rdbms", rdbms}, {"instancia", instance}, {"coneccion", connection}});
    });
    if (!op.alive() || !m_rs || m_rs->IsEOF())
        return;
    localdb::Recordset &rs = *m_rs;
    op.step([&] { eServidor->setText(qs(cellText(rs, "SERVIDOR"))); });
    op.step([&] {
        eRDBMS->addItems(kProducts);
        eRDBMS->setCurrentIndex(eRDBMS->findText(qs(cellText(rs, "RDBMS")), Qt::MatchExactly));
        if (eRDBMS->currentIndex() < 0)
            eRDBMS->setEditText(qs(rs.Field("RDBMS").toString()));
    });
    op.step([&] {
        eVersion->addItems(releasesOf(eRDBMS->currentText()));
        eVersion->setCurrentIndex(eVersion->findText(qs(cellText(rs, "VERSION")), Qt::MatchExactly));
        if (eVersion->currentIndex() < 0)
            eVersion->setEditText(qs(rs.Field("VERSION").toString()));
    });
    op.step([&] { eInstancia->setText(qs(cellText(rs, "INSTANCIA"))); });
    op.step([&] { eConeccion->setText(qs(cellText(rs, "CONECCION"))); });
    op.step([&] {
        const std::string f = rs.Field("FORMATO").toString();
        eFormatoTNS->setChecked(f == "TNS");
        eFormatoRAW->setChecked(f == "RAW");
    });
    op.step([&] { eLogin->setText(qs(cellText(rs, "LOGIN"))); });
    op.step([&] {
        m_storedPassword = cellText(rs, "PASSWORD");
        ePassword->setText(qs(Leer_Clave(m_ctx, m_storedPassword)));
    });
    op.step([&] { eLoginTimeOut->setText(qs(cellText(rs, "LOGIN_TIME_OUT"))); });
    op.step([&] { eQueryTimeOut->setText(qs(cellText(rs, "QUERY_TIME_OUT"))); });
    op.step([&] { eEmpresa->setText(qs(cellText(rs, "EMPRESA"))); });
    op.step([&] { eContraparte->setText(qs(cellText(rs, "CONTRAPARTE"))); });
    op.step([&] { eComentario->setPlainText(qs(cellText(rs, "COMENTARIO"))); });
    op.finish();
}

void Servidores::eRDBMS_Click()
{
    fillReleases();
}

void Servidores::fillReleases()
{
    eVersion->clear();
    eVersion->addItems(releasesOf(eRDBMS->currentText()));
}

// Save: AddNew (new) or Edit (modify), every column its own step, Update.
// Answers false, leaving the window in its edit mode, when the password is too
// long to be stored encoded: it is never cut short.
bool Servidores::save()
{
    const std::string password = trimmed(ePassword->text());
    if (caracteres(password) > kMaxPasswordChars) {
        m_ctx.prompts.MsgBox("The password is longer than " + std::to_string(kMaxPasswordChars) +
                                 " characters, Oracle's limit. Nothing was saved.",
                             vbOKOnly + vbExclamation, "Servers");
        ePassword->setFocus();
        return false;
    }
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    op.step([&] {
        if (!m_rs)
            Err_Raise(kErrObjectNotSet, "There is no row to save.");
        if (m_mode == Mode::New)
            m_rs->AddNew();
        else
            m_rs->Edit();
    });
    auto set = [&](const char *column, const localdb::Value &v) { op.step([&] { m_rs->SetField(column, v); }); };
    set("SERVIDOR", ss(eServidor->text()));
    set("RDBMS", ss(eRDBMS->currentText()));
    set("VERSION", ss(eVersion->currentText()));
    set("INSTANCIA", ss(eInstancia->text()));
    set("CONECCION", ss(eConeccion->text()));
    set("FORMATO", eFormatoTNS->isChecked() ? "TNS" : eFormatoRAW->isChecked() ? "RAW" : "XXX");
    set("LOGIN", ss(eLogin->text()));
    std::string stored;
    op.step([&] {
        stored = Guardar_Clave(m_ctx, password);
        m_rs->SetField("PASSWORD", stored);
    });
    set("LOGIN_TIME_OUT", ss(eLoginTimeOut->text()));
    set("QUERY_TIME_OUT", ss(eQueryTimeOut->text()));
    set("COMENTARIO", ss(eComentario->toPlainText()));
    set("ESTADO", "SQL*Vigil");
    set("EMPRESA", ss(eEmpresa->text()));
    set("CONTRAPARTE", ss(eContraparte->text()));
    const bool updated = op.step([&] { m_rs->Update(); });
    op.finish();
    if (m_rs)
        m_rs->CancelUpdate();
    // The password's previous place (keyring entry, long-encoding row) is let go
    // once the row points elsewhere; a row not written lets the new one go.
    if (updated && m_mode == Mode::Modify && m_storedPassword != stored)
        Olvidar_Clave(m_ctx, m_storedPassword);
    else if (!updated && !stored.empty())
        Olvidar_Clave(m_ctx, stored);
    m_storedPassword.clear();
    if (updated && m_ctx.registryChanged)
        m_ctx.registryChanged();
    return true;
}

void Servidores::leaveEditMode()
{
    clearFields();
    m_rs.reset();
    m_mode = Mode::Browse;
    for (QPushButton *b : {GServidores, SNuevo, SModificar, SEliminar, SImprimir, SCliente, Iniciar_Tabla, SSalir})
        b->setEnabled(true);
    SNuevo->setText("&New");
    SModificar->setText("&Modify");
    SSalir->setText("&Exit");
    GServidores_Click();
    Carpeta_Servidores->setCurrentIndex(0);
}

// ---------------------------------------------------------------- client

void Servidores::SCliente_Click()
{
    ResultGridModel *g = LServidores->grid();
    const int row = g->currentRow();
    const std::string server = row >= 1 ? ss(g->text(row, 0)) : std::string();
    const std::string instance = row >= 1 ? ss(g->text(row, 3)) : std::string();
    if (server.empty()) {
        m_ctx.prompts.MsgBox("Choose the server in the list first (\"&Servers\" lists them).", vbOKOnly + vbExclamation, " ");
        return;
    }
    ClienteOracle dialog(m_ctx, server, instance, this);
    m_ctx.prompts.execDialog(dialog);
}

// ---------------------------------------------------------------- delete

// Removes the server of the current row and, unless another registered server
// goes by the same name, the samples written for it: the sampling windows key
// them by the server's name in upper case.
void Servidores::SEliminar_Click()
{
    ResultGridModel *g = LServidores->grid();
    const int row = g->currentRow();
    const std::string server = ss(g->text(row, 0)), instance = ss(g->text(row, 3));
    const std::string sampleKey = ss(g->text(row, 0).toUpper());
    GuardedOperation op(m_ctx);
    auto db = [&]() -> localdb::Database & {
        if (!m_ctx.repository)
            Err_Raise(kErrObjectNotSet, "The repository is not open.");
        return *m_ctx.repository;
    };
    std::vector<std::string> passwords;
    op.step([&] {
        passwords.clear();
        for (auto rs = db().OpenRecordset("SELECT PASSWORD FROM SERVIDORES WHERE SERVIDOR = :servidor AND "
                                          "INSTANCIA = :instancia",
                                          0, {{"servidor", server}, {"instancia", instance}});
             !rs->IsEOF(); rs->MoveNext())
            passwords.push_back(rs->Field("PASSWORD").toString());
    });
    const bool deleted = op.step([&] {
        db().Execute("DELETE FROM SERVIDORES WHERE SERVIDOR = :servidor AND INSTANCIA = :instancia",
                     {{"servidor", server}, {"instancia", instance}});
    });
    if (deleted)
        for (const std::string &p : passwords)
            Olvidar_Clave(m_ctx, p);
    bool shared = false;
    op.step([&] {
        for (auto rs = db().OpenRecordset("SELECT SERVIDOR FROM SERVIDORES"); !rs->IsEOF(); rs->MoveNext())
            if (qs(rs->Field("SERVIDOR").toString()).toUpper() == qs(sampleKey))
                shared = true;
    });
    if (!shared) {
        for (const char *table : {"ALERT_TS", "EXTENTS", "FILES", "SPACES"})
            op.step([&] {
                db().Execute(std::string("DELETE FROM ") + table + " WHERE DB_NM = :servidor", {{"servidor", sampleKey}});
            });
    }
    const bool completed = op.alive();
    op.finish();
    if (m_ctx.registryChanged)
        m_ctx.registryChanged();
    if (completed)
        GServidores_Click();
}

// "&Init" wipes every table. On a repository that already holds servers it asks
// first, naming what would be lost; on a new repository (no SERVIDORES table yet,
// or an empty one) it asks nothing.
void Servidores::Iniciar_Tabla_Click()
{
    const Contenido c = contenido();
    if (c.servidores > 0) {
        const std::string question =
            "Init deletes and creates again every table of the repository: " + std::to_string(c.servidores) +
            (c.servidores == 1 ? " server" : " servers") + " and " + std::to_string(c.muestras) +
            (c.muestras == 1 ? " space sample" : " space samples") + " will be lost. Initialise " +
            m_ctx.repositoryFile() + "?";
        if (m_ctx.prompts.MsgBox(question, vbYesNo + vbCritical + vbDefaultButton2, "Cuidado!") != vbYes)
            return;
    }
    iniciarRepositorio(m_ctx);
    if (m_ctx.registryChanged)
        m_ctx.registryChanged();
    GServidores_Click();
}

// What the repository holds now; zeros where a table does not exist yet.
Servidores::Contenido Servidores::contenido() const
{
    Contenido c;
    if (!m_ctx.repository)
        return c;
    try {
        for (auto rs = m_ctx.repository->OpenRecordset("SELECT SERVIDOR FROM SERVIDORES"); !rs->IsEOF(); rs->MoveNext())
            ++c.servidores;
    } catch (const std::exception &) {
        return c;
    }
    try {
        for (auto rs = m_ctx.repository->OpenRecordset("SELECT DISTINCT DB_NM, CHECK_DATE FROM SPACES"); !rs->IsEOF();
             rs->MoveNext())
            ++c.muestras;
    } catch (const std::exception &) {
    }
    return c;
}

void Servidores::SSalir_Click()
{
    if (m_mode == Mode::Browse)
        closeForm(this);
    else
        leaveEditMode();
}

} // namespace repository
