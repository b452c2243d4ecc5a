#pragma once
// The console as the screenshot programs (not tests) start it: the demo
// repository prepared in a folder, every window registered, the main window shown
// at 1280x860 and loaded, and the scripted responder answering its prompts.
//
//   harness::ShotConsole console(argv[1]);
//   if (!console.loaded())
//       return 1;
//   console.marco().toolbarAction("tbConnect")->trigger();
//   harness::ShotConsole::settle(30);
//   console.marco().grab().save(out + "/marco.png");
#include "appcontext.h"
#include "scriptedprompts.h"

#include <memory>
#include <string>

#include <QString>

class QApplication;
class QWidget;
namespace shell { class Marco; }

namespace harness {

class ShotConsole {
public:
    explicit ShotConsole(const std::string &dir);
    ~ShotConsole();
    ShotConsole(const ShotConsole &) = delete;
    ShotConsole &operator=(const ShotConsole &) = delete;

    ScriptedPrompts prompts;
    shell::AppContext ctx;

    shell::Marco &marco() { return *m_marco; }
    // The main window's Form_Load succeeded.
    bool loaded() const { return m_loaded; }

    // Lets the pending events run `rounds` times, so layouts and repaints are done
    // before a grab.
    static void settle(int rounds);
    // Gives the frame's child window holding `form` the size w x h at the top left,
    // raises it and lets it settle.
    static void place(QWidget *form, int w, int h);

    // Picks the first server of the selector and connects it, as a user would
    // before opening the windows of the current server.
    void connectFirstServer();

private:
    std::unique_ptr<shell::Marco> m_marco;
    bool m_loaded = false;
};

// What every screenshot program starts with: the application in the Fusion style with
// the program's icon, the arguments DIR OUTDIR, and the console loaded from DIR.
//
//   harness::ShotProgram program(argc, argv, "storage_shots");
//   if (!program.ready())
//       return program.exitCode();
//   shell::Marco &marco = program.console().marco();
class ShotProgram {
public:
    ShotProgram(int &argc, char **argv, const char *name);
    ~ShotProgram();
    ShotProgram(const ShotProgram &) = delete;
    ShotProgram &operator=(const ShotProgram &) = delete;

    bool ready() const { return m_exitCode == 0; }
    // 2 when the arguments are missing (the usage went to stderr), 1 when the main
    // window did not load.
    int exitCode() const { return m_exitCode; }
    ShotConsole &console() { return *m_console; }
    // OUTDIR, where the pictures go.
    const QString &out() const { return m_out; }

private:
    std::unique_ptr<QApplication> m_app;
    std::unique_ptr<ShotConsole> m_console;
    QString m_out;
    int m_exitCode = 0;
};

} // namespace harness
