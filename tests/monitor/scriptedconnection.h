#pragma once
// A connection that answers chosen statements with fixed results (matched by a
// fragment of their text) and records every statement, for figures the
// simulated instance cannot be made to give (a ranking whose values are all 0).
#include "access/orasession.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace monitortest {

struct ScriptedConnection : access::DriverConnection {
    std::vector<std::pair<std::string, access::OraResult>> answers;
    std::shared_ptr<std::vector<std::string>> sent = std::make_shared<std::vector<std::string>>();

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
    void executePlsql(const std::string &block, std::vector<access::OraBind> &) override { sent->push_back(block); }
    bool connectionOK() override { return true; }
    void close() override {}
};

inline access::OraValue num(double v) { return access::OraValue::number(v); }
inline access::OraValue txt(const std::string &v) { return access::OraValue::text(v); }

} // namespace monitortest
