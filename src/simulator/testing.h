#pragma once
// What tests see of the simulated instances. An instance is named by the text after
// "sim:" ("ORCL", or "ORCL?sessions=5000" for an instance with options); "sim:ORCL"
// is accepted too. Functions that need an instance create it like a first connect does.
//
//   sim::testing::resetInstance("ORCL");                  // fresh instance, scenario reloaded
//   ... open the window, press the button ...
//   EXPECT_EQ(sim::testing::statementTexts("ORCL").back(), "select ...");
//   sim::testing::failNextStatements("ORCL", 1, 942);     // next statement: ORA-00942
//   sim::testing::dropConnections("ORCL");                // ConnectionOK false, then ORA-03113
//   sim::testing::setClock("ORCL", 1700000000);           // SYSDATE fixed (UTC)
#include <cstdint>
#include <string>
#include <vector>

namespace sim {
class InstanceContext;
class Clock;
}

namespace sim::testing {

struct LoggedStatement {
    std::string sql;          // as received, unchanged
    long connection = 0;      // the session id (SID) of the connection that sent it
    std::string user;         // its login, upper case
};

// Every statement received from connections (not nested or scenario statements), in order.
std::vector<LoggedStatement> statementLog(const std::string &instance = "ORCL");
std::vector<std::string> statementTexts(const std::string &instance = "ORCL");
void clearStatementLog(const std::string &instance = "ORCL");

// The next `count` statements on any connection of the instance fail with ORA-<code>
// (the standard text, or `message` when given) without running.
void failNextStatements(const std::string &instance, int count, int oraCode, const std::string &message = {});

// Connection loss: ConnectionOK turns false; the next call raises ORA-03113, later calls
// ORA-03114. One connection by its session id, or all connections of the instance.
void dropConnection(const std::string &instance, long connectionId);
void dropConnections(const std::string &instance = "ORCL");
std::vector<long> connectionIds(const std::string &instance = "ORCL");

// The instance clock (SYSDATE and everything the dictionary derives from time).
Clock &clock(const std::string &instance = "ORCL");
void setClock(const std::string &instance, std::int64_t unixSeconds);
void advanceClock(const std::string &instance, std::int64_t seconds);

// Forgets the instance: open connections are dropped and the next connect builds a new
// instance with the scenario loaded afresh.
void resetInstance(const std::string &instance = "ORCL");
void resetAllInstances();

// Instance names that connect: ORCL, PROD, TEST, DEV and DEMO, the names listed in the
// environment variable SQLVIGIL_SIM_INSTANCES (comma separated) and names allowed here.
// Any other name gives ORA-12154.
void allowInstanceName(const std::string &name);

// Direct access for tests that set up data: runs Oracle statements as SYS.
void runScript(const std::string &instance, const std::string &oracleScript);
InstanceContext &context(const std::string &instance = "ORCL");

} // namespace sim::testing
