#pragma once
// A connection that answers chosen statements with fixed results (matched by a
// fragment of their text) and records every statement, for figures the
// simulated instance cannot be made to give (a ranking whose values are all 0).
#include "access/orasession.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace monitortest {

struct ScriptedConnection : access::DriverConnection {
    std::vector<std::pair<std::string, access::OraResult>> answers;
    std::shared_ptr<std::vector<std::string>> sent = std::make_shared<std::vector<std::string>>();
    // A PL/SQL block stores these values into its binds (by name, upper case);
    // each block run records the binds it was given, as they were given.
    std::map<std::string, access::OraValue> outputs;
    std::vector<std::vector<access::OraBind>> blockBinds;

    access::OraResult query(const std::string &sql) override
    {
        sent->push_back(sql);
        for (const auto &[fragment, result] : answers)
            if (sql.find(fragment) != std::string::npos)
                return result;
        return {};
    }
    long execute(const std::string &sql) override
    {
        sent->push_back(sql);
        return 0;
    }
    void executePlsql(const std::string &block, std::vector<access::OraBind> &binds) override
    {
        sent->push_back(block);
        blockBinds.push_back(binds);
        for (auto &b : binds) {
            auto it = outputs.find(b.name);
            if (it != outputs.end())
                b.value = it->second;
        }
    }
    bool connectionOK() override { return true; }
    void close() override {}
};

inline access::OraValue num(double v) { return access::OraValue::number(v); }
inline access::OraValue txt(const std::string &v) { return access::OraValue::text(v); }

} // namespace monitortest
