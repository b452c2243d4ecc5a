// Measures Oracle-to-SQLite translation (tokenize, parse, name resolution, rewrite passes,
// generation) per statement, without the instance's translation cache.
#include "parser.h"
#include "translator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

class AnyCatalog : public sim::Catalog {
public:
    sim::ResolvedTable resolve(const std::string &schema, const std::string &name, const std::string &current) override
    {
        std::string owner = schema.empty() ? current : schema;
        return {owner + "." + name, owner, name, "TABLE"};
    }
    std::vector<std::string> columns(const std::string &) override { return {}; }
};

std::size_t translateOnce(const std::string &sql, AnyCatalog &catalog)
{
    auto st = sim::parseStatement(sql);
    if (!st) return 0;
    sim::Translator tr(catalog, "SYSTEM");
    if (st->kind == sim::ast::Statement::Query) return tr.query(*st->select).sql.size();
    if (st->kind == sim::ast::Statement::Block) {
        std::size_t n = 0;
        for (auto &step : st->body) n += tr.query(*step->select).sql.size();
        return n;
    }
    if (st->kind == sim::ast::Statement::Insert || st->kind == sim::ast::Statement::Update ||
        st->kind == sim::ast::Statement::Delete) {
        st->table.storage = "SYSTEM." + st->table.name;
        return tr.dml(*st).size();
    }
    if (st->select) return tr.query(*st->select).sql.size();
    return 1;
}

double microseconds(const std::string &sql, AnyCatalog &catalog, int rounds, std::size_t &sink)
{
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) sink += translateOnce(sql, catalog);
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / rounds;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_translate STATEMENTS_FILE\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    std::vector<std::string> statements;
    std::string line;
    while (std::getline(in, line))
        if (line.size() > 2 && line[1] == '|' && (line[0] == 'S' || line[0] == 'B')) statements.push_back(line.substr(2));
    if (statements.empty()) {
        std::fprintf(stderr, "no statements in %s\n", argv[1]);
        return 1;
    }
    AnyCatalog catalog;
    std::size_t sink = 0;
    for (auto &s : statements) sink += translateOnce(s, catalog);   // warm up

    const int rounds = 200;
    auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r)
        for (auto &s : statements) sink += translateOnce(s, catalog);
    double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double count = static_cast<double>(rounds) * static_cast<double>(statements.size());
    std::printf("all %zu console statements: %.0f statements/second, %.1f us per statement\n", statements.size(),
                count / total, total * 1e6 / count);

    std::vector<std::string> longest = statements;
    std::sort(longest.begin(), longest.end(), [](auto &a, auto &b) { return a.size() > b.size(); });
    longest.resize(std::min<std::size_t>(5, longest.size()));
    std::printf("longest statements:\n");
    for (auto &s : longest) {
        double us = microseconds(s, catalog, 2000, sink);
        std::printf("  %5zu chars  %7.1f us  %9.0f statements/second  %.60s...\n", s.size(), us, 1e6 / us, s.c_str());
    }
    return sink == 0 ? 1 : 0;
}
