#pragma once
// The program-wide state, created once at start-up and handed to every window:
// the Oracle session object, the open repository, the slot table, the settings,
// the PL/SQL block texts, the screen-lock flag, the prompt service and the
// pointer. Tests create as many isolated contexts as they like.
#include "access/orasession.h"
#include "localdb.h"
#include "slots.h"
#include "sqlcvpg.h"
#include "windowregistry.h"

#include <functional>
#include <memory>
#include <string>

namespace shell {

class PromptService;
class SecretStore;

// The application-wide pointer: 0 default, 11 busy. `apply` shows it (the
// program sets Qt's override cursor; tests just read code()).
class Pointer {
public:
    int code() const { return m_code; }
    void set(int code)
    {
        if (code == m_code)
            return;
        m_code = code;
        if (apply)
            apply(code);
    }
    std::function<void(int)> apply;

private:
    int m_code = 0;
};

class AppContext {
public:
    explicit AppContext(PromptService &prompts);
    ~AppContext();
    AppContext(const AppContext &) = delete;
    AppContext &operator=(const AppContext &) = delete;

    PromptService &prompts;
    Pointer pointer;

    // Settings: the file SQLVigil.ini and the directory used when it says nothing.
    std::string iniPath;
    std::string defaultDirectory;

    std::unique_ptr<access::OraSession> session;        // the session object
    std::unique_ptr<localdb::Database> repository;      // the open repository
    std::string repositoryDirectory;                    // as read, joined unchanged
    std::string repositoryFile() const { return repositoryDirectory + "SQLVigil.MDB"; }

    SlotTable slotTable;
    Bloques bloques;
    int screenLock = 0;                                 // 0 unlocked, -1 locked
    std::string typedAccess;                            // last text of the password dialog

    // Toolbar states set by the slot operations; the main window shows them.
    bool connectEnabled = true;
    bool disconnectEnabled = true;
    std::function<void()> buttonsChanged;
    void enableConnect();
    void enableDisconnect();

    // How calls to servers are waited for: the console's waiter keeps the interface
    // running (callwaiter.h); none blocks the calling thread (command-line tools).
    std::shared_ptr<access::CallWaiter> waiter;
    // Time limits, from the settings file (limits.h); 0 is none.
    int connectLimitMs(const Slot &slot) const;
    int statementLimitMs(const Slot &slot) const;

    // The current connection test every window runs before its statements.
    access::OraDatabase *currentConnection() { return slotTable.currentConnection(); }

    WindowRegistry windows;

    // The desktop's keyring, when the program has one (credentials.h); none in tests
    // unless they set one.
    std::unique_ptr<SecretStore> secrets;

    // Error dialogs being shown right now (Manejar_Error); auto-refresh waits while > 0.
    int errorDialogsOpen = 0;
    // Called after the Servers window stored, changed or deleted a server, so the
    // main window's selector lists the registry as it now is.
    std::function<void()> registryChanged;
};

inline constexpr const char *kAccessCode = "VANTO";

} // namespace shell
