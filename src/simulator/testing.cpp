#include "testing.h"

#include "instance.h"

namespace sim::testing {

namespace {
std::shared_ptr<Instance> get(const std::string &name) { return Registry::get().instance(name); }
}

std::vector<LoggedStatement> statementLog(const std::string &instance)
{
    std::vector<LoggedStatement> out;
    for (auto &s : get(instance)->statementLog()) out.push_back({s.sql, s.connection, s.user});
    return out;
}

std::vector<std::string> statementTexts(const std::string &instance)
{
    std::vector<std::string> out;
    for (auto &s : get(instance)->statementLog()) out.push_back(s.sql);
    return out;
}

void clearStatementLog(const std::string &instance) { get(instance)->clearLog(); }

void failNextStatements(const std::string &instance, int count, int oraCode, const std::string &message)
{
    get(instance)->injectFaults(count, oraCode, message);
}

void dropConnection(const std::string &instance, long connectionId)
{
    if (Session *s = get(instance)->sessionById(connectionId)) s->drop();
}

void dropConnections(const std::string &instance) { get(instance)->dropAllSessions(); }

std::vector<long> connectionIds(const std::string &instance) { return get(instance)->sessionIds(); }

Clock &clock(const std::string &instance) { return get(instance)->clock(); }
void setClock(const std::string &instance, std::int64_t unixSeconds) { get(instance)->clock().set(unixSeconds); }
void advanceClock(const std::string &instance, std::int64_t seconds) { get(instance)->clock().advance(seconds); }

void resetInstance(const std::string &instance) { Registry::get().reset(instance); }
void resetAllInstances() { Registry::get().resetAll(); }
void allowInstanceName(const std::string &name) { Registry::get().allowName(name); }

void runScript(const std::string &instance, const std::string &oracleScript) { get(instance)->runScript(oracleScript); }

InstanceContext &context(const std::string &instance)
{
    // The registry keeps the instance alive until it is reset.
    return *get(instance);
}

} // namespace sim::testing
