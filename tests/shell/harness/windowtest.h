#pragma once
// The window test harness. A WindowTest gives a test everything a window needs:
//   - a fresh temporary repository directory with SQLVigil.ini, an initialised
//     SQLVigil.MDB (every table and saved query) and the server "DEMO"
//     (sim:ORCL, SYSTEM/MANAGER) registered;
//   - an application context whose current slot 1 holds DEMO, connected;
//   - the report files of reports/ copied beside the repository;
//   - the scripted prompt responder in place of the program's message boxes;
//   - the statements the window sent, in order, and faults to inject.
//
//   #include "windowtest.h"
//
//   void SesionesTest::listsSessions()
//   {
//       harness::WindowTest t;                        // or WindowTest({.connect = false})
//       auto *w = t.open<monitor::Sesiones>();        // constructed with (ctx), shown offscreen
//       t.click(w, "GSession");
//       QCOMPARE(t.statements().size(), 1u);
//       QVERIFY(t.sent("from v$session"));
//       QCOMPARE(t.cell(w, "LSesion", 1, 1), QString("1"));
//       QCOMPARE(t.prompts.count(), 0u);
//   }
//
//   t.prompts.answer(shell::vbYes);                   // plan the next message box's answer
//   t.prompts.typePassword("VANTO");                  // plan the password dialog
//   t.failNext("dba_data_files", 942, "table or view does not exist");
//   t.serverScript("create table scott.t (a number)");   // data on the server, as SYS
//   t.ctx.repository->OpenRecordset("SELECT * FROM FILES")   // what the window stored
//
// Construct windows after the WindowTest and let them die before it (open()
// parents them to a holder the WindowTest owns).
#include "appcontext.h"
#include "recording.h"
#include "scriptedprompts.h"



#include <QString>

#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace harness {

struct Options {
    bool connect = true;                  // the DEMO slot connected (else only loaded)
    std::string service = "sim:ORCL";
    std::string login = "SYSTEM";
    std::string password = "MANAGER";
    bool initialise = true;               // tables and saved queries created
    bool offThread = true;                // calls to the server wait as in the console (callwaiter.h)
};

class WindowTest {
public:
    explicit WindowTest(Options options = {});
    ~WindowTest();

    ScriptedPrompts prompts;
    shell::AppContext ctx;
    std::string dir;                      // the repository directory, with its trailing '/'

    // Builds a window W(ctx, holder), shows it offscreen and answers it.
    template <class W> W *open()
    {
        W *w = new W(ctx, holder());
        show(w);
        return w;
    }
    // Adopts a window made elsewhere (for example by a registry factory).
    QWidget *adopt(QWidget *w);

    // Statements sent on the current slot's connection since the start (or clearStatements).
    std::vector<std::string> statements() const;
    bool sent(const std::string &fragment) const;     // any statement containing the fragment
    void clearStatements();
    // The next `times` statements containing `fragment` ("" = any) fail with ORA-code.
    void failNext(const std::string &fragment, int oraCode, const std::string &message, int times = 1);

    // Runs Oracle statements as SYS on the test's simulated instance (data for the window to find).
    void serverScript(const std::string &oracleScript);

    // Driving windows by the names of their controls.
    static QWidget *child(QWidget *form, const char *name);       // fails the test via exception when absent
    static void click(QWidget *form, const char *buttonName);
    static void setText(QWidget *form, const char *editName, const QString &text);
    static QString cell(QWidget *form, const char *gridName, int row, int col);
    static int rows(QWidget *form, const char *gridName);        // including the header row

    std::shared_ptr<RecordingLog> recording() const { return m_driver ? m_driver->log() : nullptr; }

private:
    QWidget *holder();
    void show(QWidget *w);
    std::string m_service;
    std::unique_ptr<RecordingDriver> m_driver;
    std::unique_ptr<QWidget> m_holder;
};

// Creates a repository (tables, saved queries, the DEMO server) in `dir`.
void prepareRepository(const std::string &dir, bool initialise);

} // namespace harness
