#include "appcontext.h"

#include "credentials.h"
#include "errores.h"

#include <cctype>

namespace shell {

AppContext::AppContext(PromptService &p)
    : prompts(p), iniPath(defaultIniPath()), defaultDirectory(defaultRepositoryDirectory())
{
    slotTable.initialise();
}

// Connections close before the session object that opened them, and before the repository.
AppContext::~AppContext()
{
    for (int n = 1; n <= kSlots; ++n)
        slotTable.connection(n).reset();
}

namespace {

// Seconds from the settings file: the server's own section "LIMITES <server>" first,
// then "LIMITES", then the built-in value. A value that is not a whole number of
// seconds is passed over.
int limitSeconds(const AppContext &ctx, const Slot &slot, const char *key, int builtIn)
{
    auto read = [&](const std::string &section, int &out) {
        const std::string v = Leer_Ini(ctx.iniPath, section, key, "");
        if (v.empty() || v.size() > 6)
            return false;
        for (char c : v)
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return false;
        out = std::stoi(v);
        return true;
    };
    int seconds = builtIn;
    if (!slot.SERVIDOR.empty() && read("LIMITES " + slot.SERVIDOR, seconds))
        return seconds;
    read("LIMITES", seconds);
    return seconds;
}

} // namespace

int AppContext::connectLimitMs(const Slot &slot) const
{
    return limitSeconds(*this, slot, "CONNECT", 30) * 1000;
}

int AppContext::statementLimitMs(const Slot &slot) const
{
    return limitSeconds(*this, slot, "STATEMENT", 0) * 1000;
}

void AppContext::enableConnect()
{
    connectEnabled = true;
    disconnectEnabled = false;
    if (buttonsChanged)
        buttonsChanged();
}

void AppContext::enableDisconnect()
{
    connectEnabled = false;
    disconnectEnabled = true;
    if (buttonsChanged)
        buttonsChanged();
}

Slot &SlotTable::operator[](int n)
{
    if (n < 1 || n > kSlots)
        Err_Raise(kErrSubscript, "Slot " + std::to_string(n) + " does not exist: only the first " +
                                     std::to_string(kSlots) + " servers can be used.");
    return m_slots[static_cast<std::size_t>(n)];
}

const Slot &SlotTable::operator[](int n) const
{
    return const_cast<SlotTable &>(*this)[n];
}

std::unique_ptr<access::OraDatabase> &SlotTable::connection(int n)
{
    (*this)[n];
    return m_connections[static_cast<std::size_t>(n)];
}

void SlotTable::retire(int n)
{
    auto &db = connection(n);
    if (!db)
        return;
    db->Close();
    m_retired.push_back(std::move(db));
}

void SlotTable::initialise()
{
    current = 1;
    for (int n = 1; n <= kSlots; ++n) {
        m_slots[static_cast<std::size_t>(n)].slotState = kSlotFree;
        m_slots[static_cast<std::size_t>(n)].connectionFlag = 0;
    }
}

void SlotTable::renumber(const std::vector<int> &from)
{
    std::array<Slot, kSlots + 1> slots{};
    std::array<std::unique_ptr<access::OraDatabase>, kSlots + 1> connections{};
    int newCurrent = 1;
    for (int n = 1; n <= kSlots; ++n) {
        const int old = n <= static_cast<int>(from.size()) ? from[static_cast<std::size_t>(n - 1)] : 0;
        if (old < 1 || old > kSlots)
            continue;
        slots[static_cast<std::size_t>(n)] = m_slots[static_cast<std::size_t>(old)];
        connections[static_cast<std::size_t>(n)] = std::move(m_connections[static_cast<std::size_t>(old)]);
        if (old == current)
            newCurrent = n;
    }
    m_slots = std::move(slots);
    for (auto &c : m_connections) {
        if (!c)
            continue;
        try {
            c->Close();
        } catch (...) {
            // The server is gone from the registry; a failing close changes nothing for the user.
        }
        // Kept, closed: a window may still be waiting on it.
        m_retired.push_back(std::move(c));
    }
    m_connections = std::move(connections);
    current = newCurrent;
}

access::OraDatabase *SlotTable::currentConnection()
{
    if (current < 1 || current > kSlots)
        return nullptr;
    const Slot &s = m_slots[static_cast<std::size_t>(current)];
    auto &c = m_connections[static_cast<std::size_t>(current)];
    if (s.slotState == kSlotLoaded && s.connectionFlag == kConnected && c)
        return c.get();
    return nullptr;
}

} // namespace shell
