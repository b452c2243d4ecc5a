#include "clientes.h"

#include "appcontext.h"
#include "clientdriver.h"
#include "errores.h"
#include "formutil.h"
#include "localdb.h"
#include "ocilib.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <map>
#include <memory>

namespace repository {

using namespace shell;

namespace {

bool hasTable(localdb::Database &db)
{
    for (const auto &t : db.TableNames())
        if (QString::fromStdString(t).compare(kClientTable, Qt::CaseInsensitive) == 0) return true;
    return false;
}

void ensureTable(localdb::Database &db)
{
    if (hasTable(db)) return;
    localdb::TableDef def;
    def.Name = kClientTable;
    def.Fields = {{"SERVIDOR", localdb::dbText, 30}, {"INSTANCIA", localdb::dbText, 30},
                  {"DIRECTORIO", localdb::dbText, 255}};
    db.TableDefsAppend(def);
}

} // namespace

std::string clientDirectory(localdb::Database &db, const std::string &server, const std::string &instance)
{
    if (!hasTable(db)) return {};
    auto rs = db.OpenRecordset("SELECT DIRECTORIO FROM CLIENTES_ORACLE WHERE SERVIDOR = :s AND INSTANCIA = :i",
                               0, {{"s", localdb::Value(server)}, {"i", localdb::Value(instance)}});
    if (rs->IsEOF() || rs->Field("DIRECTORIO").isNull()) return {};
    return rs->Field("DIRECTORIO").toString();
}

void setClientDirectory(localdb::Database &db, const std::string &server, const std::string &instance,
                        const std::string &directory)
{
    ensureTable(db);
    const localdb::Parameters key = {{"s", localdb::Value(server)}, {"i", localdb::Value(instance)}};
    db.Execute("DELETE FROM CLIENTES_ORACLE WHERE SERVIDOR = :s AND INSTANCIA = :i", key);
    if (directory.empty()) return;
    localdb::Parameters row = key;
    row["d"] = localdb::Value(directory);
    db.Execute("INSERT INTO CLIENTES_ORACLE (SERVIDOR, INSTANCIA, DIRECTORIO) VALUES (:s, :i, :d)", row);
}

void installClientChoices(localdb::Database *db)
{
    auto choices = std::make_shared<std::map<std::string, std::string>>();
    if (db && db->isOpen() && hasTable(*db)) {
        try {
            auto rs = db->OpenRecordset("SELECT S.CONECCION, C.DIRECTORIO FROM SERVIDORES S, CLIENTES_ORACLE C "
                                        "WHERE S.SERVIDOR = C.SERVIDOR AND S.INSTANCIA = C.INSTANCIA");
            for (; !rs->IsEOF(); rs->MoveNext())
                if (!rs->Field("CONECCION").isNull() && !rs->Field("DIRECTORIO").isNull())
                    (*choices)[rs->Field("CONECCION").toString()] = rs->Field("DIRECTORIO").toString();
        } catch (const localdb::DbError &) {
            // No SERVIDORES table yet: no choices.
        }
    }
    oci::setClientDirectoryResolver([choices](const std::string &service) {
        auto it = choices->find(service);
        return it == choices->end() ? std::string() : it->second;
    });
}

ClienteOracle::ClienteOracle(AppContext &ctx, const std::string &server, const std::string &instance,
                             QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_server(server), m_instance(instance)
{
    setObjectName("CLIENTE_ORACLE");
    setWindowTitle(QString("Oracle Client - %1").arg(qs(server)));
    auto *intro = new QLabel(QString("The Oracle client library that connects to %1 (%2): a directory holding "
                                     "libclntsh.so. Leave it empty to use the default client.")
                                 .arg(qs(server), qs(instance)));
    intro->setWordWrap(true);
    eDirectorio = new QLineEdit;
    eDirectorio->setObjectName("eDirectorio");
    eDirectorio->setMinimumWidth(360);
    SExaminar = new QPushButton("&Browse...");
    SExaminar->setObjectName("SExaminar");
    lEstado = new QLabel;
    lEstado->setObjectName("lEstado");
    lEstado->setWordWrap(true);
    lDefecto = new QLabel;
    lDefecto->setObjectName("lDefecto");
    lDefecto->setWordWrap(true);
    auto *releases = new QLabel("A 19c or later client reaches servers from 11.2 on, an 11.2 client from 9.2.0.4 on, "
                                "a 10.2 client from 8.1.7 on.");
    releases->setWordWrap(true);
    SAceptar = new QPushButton("&Ok");
    SAceptar->setObjectName("SAceptar");
    SAceptar->setDefault(true);
    SCancelar = new QPushButton("&Cancel");
    SCancelar->setObjectName("SCancelar");

    auto *row = new QHBoxLayout;
    row->addWidget(eDirectorio, 1);
    row->addWidget(SExaminar);
    auto *form = new QFormLayout;
    form->addRow("Directory", row);
    form->addRow("", lEstado);
    form->addRow("Default", lDefecto);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(SAceptar);
    buttons->addWidget(SCancelar);
    auto *main = new QVBoxLayout(this);
    main->addWidget(intro);
    main->addLayout(form);
    main->addWidget(releases);
    main->addStretch(1);
    main->addLayout(buttons);

    std::string searched;
    const std::string def = oci::defaultClientDirectory(&searched);
    lDefecto->setText(def.empty() ? QString("none found (looked in %1)").arg(qs(searched)) : qs(def));
    if (m_ctx.repository) eDirectorio->setText(qs(clientDirectory(*m_ctx.repository, server, instance)));
    check();
    connect(eDirectorio, &QLineEdit::textChanged, this, [this] { check(); });
    connect(SExaminar, &QPushButton::clicked, this, [this] { SExaminar_Click(); });
    connect(SAceptar, &QPushButton::clicked, this, [this] { SAceptar_Click(); });
    connect(SCancelar, &QPushButton::clicked, this, &QDialog::reject);
    resize(sizeHint().expandedTo(QSize(560, 260)));
}

void ClienteOracle::check()
{
    const std::string dir = eDirectorio->text().trimmed().toStdString();
    if (dir.empty()) {
        lEstado->setText("The default client is used.");
        return;
    }
    const std::string file = oci::libraryIn(dir);
    lEstado->setText(file.empty() ? QString("No libclntsh.so in this directory.") : QString("Uses %1").arg(qs(file)));
}

void ClienteOracle::SExaminar_Click()
{
    QString dir = QFileDialog::getExistingDirectory(this, "Oracle client library directory", eDirectorio->text());
    if (!dir.isEmpty()) eDirectorio->setText(dir);
}

void ClienteOracle::SAceptar_Click()
{
    GuardedOperation op(m_ctx);
    const bool stored = op.step([&] {
        if (!m_ctx.repository) Err_Raise(kErrObjectNotSet, "The repository is not open.");
        setClientDirectory(*m_ctx.repository, m_server, m_instance, eDirectorio->text().trimmed().toStdString());
        installClientChoices(m_ctx.repository.get());
    });
    op.finish();
    if (stored) accept();
}

} // namespace repository
