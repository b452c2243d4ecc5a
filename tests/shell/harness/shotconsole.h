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

    // Picks the first server of the selector and connects it, as a user would
    // before opening the windows of the current server.
    void connectFirstServer();

private:
    std::unique_ptr<shell::Marco> m_marco;
    bool m_loaded = false;
};

} // namespace harness
