#include "appcontext.h"

#include "errores.h"

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

void SlotTable::initialise()
{
    current = 1;
    for (int n = 1; n <= kSlots; ++n) {
        m_slots[static_cast<std::size_t>(n)].slotState = kSlotFree;
        m_slots[static_cast<std::size_t>(n)].connectionFlag = 0;
    }
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
