#pragma once
// The scripted prompt responder: records every prompt (title, text, style) and
// every modal dialog, and answers as planned. Unplanned message boxes get their
// default button; unplanned dialogs are closed with QDialog::Rejected unseen.
#include "prompts.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace harness {

struct PromptRecord {
    std::string title;
    std::string text;
    int style = 0;
    bool dialog = false;        // a modal dialog rather than a message box
    std::string dialogName;     // its objectName ("ENTSERVIDORES", ...)
    int answer = 0;

    int buttons() const { return style & 7; }
    int icon() const { return style & 0x70; }
    int defaultAnswer() const { return shell::Prompt{title, text, style}.defaultAnswer(); }
};

class ScriptedPrompts : public shell::PromptService {
public:
    // Plans the answer of the next message box (in order).
    ScriptedPrompts &answer(int code);
    ScriptedPrompts &answer(int code, int times);
    // Answer for every unplanned message box (instead of its default button).
    void answerAlways(int code) { m_always = code; }
    // Plans the handling of the next modal dialog: the function receives the dialog
    // (find its controls by objectName, fill them, click) and answers its result.
    ScriptedPrompts &onDialog(std::function<int(QDialog &)> handler);
    // Plans the password dialog ENTSERVIDORES: types `text` and presses OK.
    ScriptedPrompts &typePassword(const std::string &text);

    // Runs while each message box is "on screen", before it is answered (for
    // example to let timers tick as they would under a real modal box).
    std::function<void(const PromptRecord &)> whileShown;

    const std::vector<PromptRecord> &seen() const { return m_seen; }
    std::size_t count() const { return m_seen.size(); }
    std::size_t messageCount() const;
    const PromptRecord &last() const;
    void clear() { m_seen.clear(); }
    bool planEmpty() const { return m_answers.empty() && m_dialogs.empty(); }
    // Every prompt seen, one per line, for failure messages.
    std::string log() const;

    int MsgBox(const std::string &text, int style, const std::string &title) override;
    int execDialog(QDialog &dialog) override;

private:
    std::vector<PromptRecord> m_seen;
    std::deque<int> m_answers;
    std::deque<std::function<int(QDialog &)>> m_dialogs;
    int m_always = 0;
};

} // namespace harness
