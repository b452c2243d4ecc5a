// Translation time of grouped queries whose select list and GROUP BY hold one expression
// of N terms (N = 1, 10, 100, 1000): the time per term stays flat when every pass and the
// grouping check are linear in the statement.
//   bench_grouped [ROUNDS_FOR_1000]
#include "parser.h"
#include "translator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class AnyCatalog : public sim::Catalog {
public:
    sim::ResolvedTable resolve(const std::string &schema, const std::string &name, const std::string &current) override
    {
        std::string owner = schema.empty() ? current : schema;
        return {owner + "." + name, owner, name, "TABLE"};
    }
    std::vector<std::string> columns(const std::string &) override { return {"A", "B"}; }
};

std::string groupedQuery(int terms, const char *op)
{
    std::string e = "a";
    for (int i = 1; i < terms; ++i) e += std::string(" ") + op + (i % 2 ? " b" : " a");
    return "select " + e + ", count(*) from t group by " + e;
}

} // namespace

int main(int argc, char **argv)
{
    int base = argc > 1 ? std::atoi(argv[1]) : 20;
    AnyCatalog catalog;
    std::printf("%-6s %8s %14s %14s\n", "op", "terms", "us/statement", "ns/term");
    for (const char *op : {"+", "||", "and"}) {
        for (int terms : {1, 10, 100, 1000}) {
            std::string sql = std::string(op) == "and" ? groupedQuery(terms, "||") : groupedQuery(terms, op);
            if (std::string(op) == "and") {
                // a WHERE of N comparisons joined by AND on a grouped query
                std::string w = "a = 1";
                for (int i = 1; i < terms; ++i) w += " and b = " + std::to_string(i);
                sql = "select a, count(*) from t where " + w + " group by a";
            }
            int rounds = base * (1000 / terms);
            std::size_t sink = 0;
            auto start = std::chrono::steady_clock::now();
            for (int r = 0; r < rounds; ++r) {
                auto st = sim::parseStatement(sql);
                sim::Translator tr(catalog, "SCOTT");
                sink += tr.query(*st->select).sql.size();
            }
            double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / rounds;
            std::printf("%-6s %8d %14.1f %14.1f\n", op, terms, us, us * 1000.0 / terms);
            if (sink == 0) return 1;
        }
    }
    return 0;
}
