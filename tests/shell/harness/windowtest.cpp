#include "windowtest.h"

#include "testing.h"

#include "callwaiter.h"
#include "conexiones.h"
#include "errores.h"
#include "esquema.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace harness {

void prepareRepository(const std::string &dir, bool initialise)
{
    const std::string file = dir + "SQLVigil.MDB";
    localdb::Database::CreateDatabase(file, ";LANGID=0x040A;CP=1252;COUNTRY=0", 1);
    if (!initialise)
        return;
    auto db = localdb::Database::OpenDatabase(file);
    for (const auto &t : repository::tablas())
        db->TableDefsAppend(t);
    for (const auto &q : repository::consultas())
        db->CreateQueryDef(q.nombre, q.texto);
}

static void registerServer(localdb::Database &db, const Options &o)
{
    auto rs = db.OpenRecordset("SERVIDORES", 1);
    rs->AddNew();
    rs->SetField("SERVIDOR", "DEMO");
    rs->SetField("RDBMS", "ORACLE 8");
    rs->SetField("VERSION", "8i");
    rs->SetField("INSTANCIA", "ORCL");
    rs->SetField("CONECCION", o.service);
    rs->SetField("FORMATO", "TNS");
    rs->SetField("LOGIN", o.login);
    rs->SetField("PASSWORD", shell::Cifrar(shell::kCipherKey, o.password));
    rs->SetField("LOGIN_TIME_OUT", 30);
    rs->SetField("QUERY_TIME_OUT", 60);
    rs->SetField("EMPRESA", "Test");
    rs->SetField("CONTRAPARTE", "DBA");
    rs->SetField("COMENTARIO", "");
    rs->SetField("ESTADO", "SQL*Vigil");
    rs->Update();
}

WindowTest::WindowTest(Options o) : ctx(prompts), m_service(o.service)
{
    // Every test starts from the instance's scenario, whatever earlier tests did to it.
    if (o.service.rfind("sim:", 0) == 0)
        sim::testing::resetInstance(o.service);
    char tmpl[] = "/tmp/sqlvigil-test-XXXXXX";
    if (!mkdtemp(tmpl))
        throw std::runtime_error("WindowTest: no temporary directory");
    dir = std::string(tmpl) + "/";
    ctx.iniPath = dir + "SQLVigil.ini";
    ctx.defaultDirectory = dir;
    {
        std::ofstream ini(ctx.iniPath);
        ini << "[DIRECTORIOS]\nBDLOCAL=" << dir << "\n";
    }
    prepareRepository(dir, o.initialise);
    // The report files shipped with the program, as the demo directory has them.
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(SQLVIGIL_SOURCE_REPORTS, ec))
        if (entry.path().extension() == ".rpt")
            std::filesystem::copy_file(entry.path(), dir + entry.path().filename().string(), ec);
    ctx.repositoryDirectory = dir;
    ctx.repository = localdb::Database::OpenDatabase(ctx.repositoryFile());
    if (o.initialise)
        registerServer(*ctx.repository, o);
    shell::Armar_Bloques(ctx.bloques);
    ctx.session = std::make_unique<access::OraSession>();
    if (o.offThread)
        shell::installGuiWaiter(ctx);
    ctx.slotTable.initialise();
    if (o.initialise)
        connections::selectServer(ctx, 0, "DEMO");
    if (o.initialise && o.connect) {
        m_driver = std::make_unique<RecordingDriver>();
        ctx.slotTable.connection(1) = std::make_unique<access::OraDatabase>(
            m_driver->open(o.service, o.login, o.password), o.service, o.login);
        ctx.slotTable.connection(1)->setWaiter(ctx.waiter);
        ctx.slotTable[1].connectionFlag = shell::kConnected;
        ctx.enableDisconnect();
    }
    if (prompts.count() != 0)
        throw std::runtime_error("WindowTest: setting up raised prompts:\n" + prompts.log());
}

WindowTest::~WindowTest()
{
    m_holder.reset();
    for (int n = 1; n <= shell::kSlots; ++n)
        ctx.slotTable.connection(n).reset();
    m_driver.reset();
    if (ctx.repository)
        ctx.repository->Close();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

QWidget *WindowTest::holder()
{
    if (!m_holder) {
        m_holder = std::make_unique<QWidget>();
        m_holder->setObjectName("TestHolder");
        m_holder->resize(1100, 760);
        m_holder->show();
    }
    return m_holder.get();
}

void WindowTest::show(QWidget *w)
{
    w->setParent(holder(), Qt::Widget);
    w->resize(w->sizeHint().expandedTo(QSize(900, 600)));
    w->show();
}

QWidget *WindowTest::adopt(QWidget *w)
{
    show(w);
    return w;
}

std::vector<std::string> WindowTest::statements() const
{
    std::vector<std::string> out;
    if (m_driver)
        for (const auto &s : m_driver->log()->statements)
            out.push_back(s.sql);
    return out;
}

bool WindowTest::sent(const std::string &fragment) const
{
    for (const auto &s : statements())
        if (s.find(fragment) != std::string::npos)
            return true;
    return false;
}

void WindowTest::serverScript(const std::string &oracleScript)
{
    sim::testing::runScript(m_service, oracleScript);
}

void WindowTest::clearStatements()
{
    if (m_driver)
        m_driver->log()->statements.clear();
}

void WindowTest::failNext(const std::string &fragment, int oraCode, const std::string &message, int times)
{
    if (!m_driver)
        throw std::logic_error("failNext: the test has no connection");
    m_driver->log()->faults.push_back({fragment, times, oraCode, message});
}

QWidget *WindowTest::child(QWidget *form, const char *name)
{
    if (form->objectName() == name)
        return form;
    QWidget *w = form->findChild<QWidget *>(name);
    if (!w)
        throw std::logic_error(std::string("no control named ") + name + " in " + form->objectName().toStdString());
    return w;
}

void WindowTest::click(QWidget *form, const char *buttonName)
{
    auto *b = qobject_cast<QAbstractButton *>(child(form, buttonName));
    if (!b)
        throw std::logic_error(std::string(buttonName) + " is not a button");
    if (!b->isEnabled())
        throw std::logic_error(std::string(buttonName) + " is disabled");
    b->click();
}

void WindowTest::setText(QWidget *form, const char *editName, const QString &text)
{
    QWidget *w = child(form, editName);
    if (auto *e = qobject_cast<QLineEdit *>(w))
        e->setText(text);
    else if (auto *c = qobject_cast<QComboBox *>(w))
        c->setEditText(text);
    else if (auto *t = qobject_cast<QTextEdit *>(w))
        t->setPlainText(text);
    else if (auto *p = qobject_cast<QPlainTextEdit *>(w))
        p->setPlainText(text);
    else
        throw std::logic_error(std::string(editName) + " takes no text");
}

static QAbstractItemModel *modelOf(QWidget *form, const char *gridName)
{
    auto *view = qobject_cast<QAbstractItemView *>(WindowTest::child(form, gridName));
    if (!view || !view->model())
        throw std::logic_error(std::string(gridName) + " is not a grid");
    return view->model();
}

QString WindowTest::cell(QWidget *form, const char *gridName, int row, int col)
{
    QAbstractItemModel *m = modelOf(form, gridName);
    return m->data(m->index(row, col)).toString();
}

int WindowTest::rows(QWidget *form, const char *gridName)
{
    return modelOf(form, gridName)->rowCount();
}

} // namespace harness
