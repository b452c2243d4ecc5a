#pragma once
// A driver that records every statement a window sends and can make chosen
// statements fail, wrapped around a real connection of the access layer (the
// simulated instance). It only uses the public access interface.
#include "access/orasession.h"

#include <memory>
#include <string>
#include <vector>

namespace harness {

struct StatementRecord {
    enum Kind { Query, Execute, Block };
    Kind kind;
    std::string sql;
};

struct InjectedFault {
    std::string contains;     // fails the next statements whose text contains this ("" = any)
    int times = 1;
    int oraCode = 0;
    std::string message;      // "ORA-00942: table or view does not exist"
};

// Shared between the driver and its connections.
struct RecordingLog {
    std::vector<StatementRecord> statements;
    std::vector<InjectedFault> faults;
};

class RecordingDriver : public access::Driver {
public:
    RecordingDriver();
    ~RecordingDriver() override;
    // Opens `service` through a session of the access layer and records its use.
    std::unique_ptr<access::DriverConnection> open(const std::string &service, const std::string &user,
                                                   const std::string &password) override;
    std::shared_ptr<RecordingLog> log() const { return m_log; }

private:
    std::unique_ptr<access::OraSession> m_inner;
    std::shared_ptr<RecordingLog> m_log;
};

} // namespace harness
