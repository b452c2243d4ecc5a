#include "scriptedprompts.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <stdexcept>

namespace harness {

ScriptedPrompts &ScriptedPrompts::answer(int code)
{
    m_answers.push_back(code);
    return *this;
}

ScriptedPrompts &ScriptedPrompts::answer(int code, int times)
{
    for (int i = 0; i < times; ++i)
        m_answers.push_back(code);
    return *this;
}

ScriptedPrompts &ScriptedPrompts::onDialog(std::function<int(QDialog &)> handler)
{
    m_dialogs.push_back(std::move(handler));
    return *this;
}

ScriptedPrompts &ScriptedPrompts::typePassword(const std::string &text)
{
    return onDialog([text](QDialog &d) {
        auto *edit = d.findChild<QLineEdit *>("Edit_Password_Servidores");
        auto *ok = d.findChild<QPushButton *>("Continuar");
        if (!edit || !ok)
            throw std::logic_error("typePassword: the dialog is not ENTSERVIDORES");
        edit->setText(QString::fromStdString(text));
        ok->click();
        return d.result();
    });
}

std::size_t ScriptedPrompts::messageCount() const
{
    std::size_t n = 0;
    for (const auto &p : m_seen)
        n += p.dialog ? 0 : 1;
    return n;
}

const PromptRecord &ScriptedPrompts::last() const
{
    if (m_seen.empty())
        throw std::logic_error("no prompt was shown");
    return m_seen.back();
}

std::string ScriptedPrompts::log() const
{
    std::string out;
    for (const auto &p : m_seen) {
        if (p.dialog)
            out += "[dialog " + p.dialogName + "] -> " + std::to_string(p.answer) + "\n";
        else
            out += "[" + p.title + "] " + p.text + " (style " + std::to_string(p.style) + ") -> " +
                   std::to_string(p.answer) + "\n";
    }
    return out;
}

int ScriptedPrompts::MsgBox(const std::string &text, int style, const std::string &title)
{
    PromptRecord r{title, text, style, false, {}, 0};
    if (!m_answers.empty()) {
        r.answer = m_answers.front();
        m_answers.pop_front();
    } else {
        r.answer = m_always ? m_always : r.defaultAnswer();
    }
    m_seen.push_back(r);
    if (whileShown)
        whileShown(m_seen.back());
    return r.answer;
}

int ScriptedPrompts::execDialog(QDialog &dialog)
{
    PromptRecord r;
    r.dialog = true;
    r.dialogName = dialog.objectName().toStdString();
    r.title = dialog.windowTitle().toStdString();
    m_seen.push_back(r);
    const std::size_t at = m_seen.size() - 1;
    int result = QDialog::Rejected;
    if (!m_dialogs.empty()) {
        auto handler = std::move(m_dialogs.front());
        m_dialogs.pop_front();
        result = handler(dialog);
    }
    m_seen[at].answer = result;
    return result;
}

} // namespace harness
