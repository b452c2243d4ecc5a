#pragma once
// The server slot table: 128 slots, one per entry of the main window's server
// selector, each with a copy of its registry row, its state and its connection.
// The operations on it (select, connect, disconnect, close all) live in
// src/connections; every window uses only the current connection test.
#include "access/orasession.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace shell {

inline constexpr int kSlots = 128;
inline constexpr int kSlotFree = 7000;      // no registry row loaded
inline constexpr int kSlotLoaded = 4000;    // registry row loaded
inline constexpr int kConnected = -1;       // connection flag: open

struct Slot {
    std::string SERVIDOR, RDBMS, VERSION, INSTANCIA, CONECCION, FORMATO, LOGIN, PASSWORD, LOGIN_TIME_OUT,
        QUERY_TIME_OUT, COMENTARIO, ESTADO;
    int connectionFlag = 0;          // -1 open, 0 none
    int slotState = kSlotFree;
    bool connecting = false;         // a Connect of this slot is waiting for the server

    // All twelve texts := "" (flag and state as they are).
    void clearTexts()
    {
        const int flag = connectionFlag, state = slotState;
        const bool busy = connecting;
        *this = Slot{};
        connectionFlag = flag;
        slotState = state;
        connecting = busy;
    }
};

class SlotTable {
public:
    // Slot n, 1..128; any other number raises error 9 (subscript out of range).
    Slot &operator[](int n);
    const Slot &operator[](int n) const;
    std::unique_ptr<access::OraDatabase> &connection(int n);
    // Takes slot n's connection out of the slot, closed. It stays in memory until the
    // table goes: code still waiting on it (a window whose call was broken) may
    // touch it safely, and every call on it fails with ORA-03114.
    void retire(int n);

    int current = 1;                  // the current slot

    // Every slot free, no connection flag; current slot 1.
    void initialise();
    // The current slot's open connection, or nullptr: open when its state is 4000,
    // its flag -1 and a connection is present.
    access::OraDatabase *currentConnection();

    // Renumbers the slots: new slot n takes what old slot from[n-1] held (row,
    // state and connection), 0 meaning a free slot; the current slot follows its
    // server to its new number (slot 1 when the server is gone). Old slots not
    // taken lose their connection.
    void renumber(const std::vector<int> &from);

private:
    std::array<Slot, kSlots + 1> m_slots{};
    std::array<std::unique_ptr<access::OraDatabase>, kSlots + 1> m_connections{};
    std::vector<std::unique_ptr<access::OraDatabase>> m_retired;
};

} // namespace shell
