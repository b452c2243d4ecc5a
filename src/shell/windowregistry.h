#pragma once
// Which windows the program has. The main window's menus and toolbar open windows
// by their form names ("SESIONES", "TABLESPACE", ...); each window library adds
// its factories here at start-up (see the register functions called by main.cpp),
// so a menu entry whose window is not built stays in place and does nothing.
#include <functional>
#include <map>
#include <string>
#include <vector>

class QWidget;
class QTimer;

namespace shell {

class AppContext;

using WindowFactory = std::function<QWidget *(AppContext &ctx, QWidget *parent)>;
// Runs on every tick of the main window's heavy-statement timer (RelojSentenciasPesadas).
using TimerHook = std::function<void(AppContext &ctx, QTimer &timer)>;

class WindowRegistry {
public:
    void add(const std::string &formName, WindowFactory factory) { m_factories[formName] = std::move(factory); }
    bool has(const std::string &formName) const { return m_factories.count(formName) != 0; }
    // A new window, or nullptr when the form is not part of this build.
    QWidget *create(const std::string &formName, AppContext &ctx, QWidget *parent) const
    {
        auto it = m_factories.find(formName);
        return it == m_factories.end() ? nullptr : it->second(ctx, parent);
    }

    // Every form this build can open, in name order.
    std::vector<std::string> formNames() const
    {
        std::vector<std::string> names;
        for (const auto &f : m_factories)
            names.push_back(f.first);
        return names;
    }

    TimerHook heavyStatementTick;

private:
    std::map<std::string, WindowFactory> m_factories;
};

} // namespace shell
