#include "prompts.h"

#include <QDialog>
#include <QMessageBox>
#include <QPushButton>

namespace shell {

int QtPromptService::MsgBox(const std::string &text, int style, const std::string &title)
{
    Prompt p{title, text, style};
    QMessageBox box;
    box.setObjectName("MsgBox");
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    switch (p.icon()) {
    case vbCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    case vbQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case vbExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case vbInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
    }
    struct Def {
        const char *caption;
        int answer;
        QMessageBox::ButtonRole role;
    };
    auto role = [](int answer) {
        switch (answer) {
        case vbOK:
        case vbYes:
        case vbRetry:
            return QMessageBox::AcceptRole;
        case vbNo:
        case vbIgnore:
            return QMessageBox::NoRole;
        default:
            return QMessageBox::RejectRole;
        }
    };
    auto caption = [](int answer) {
        switch (answer) {
        case vbOK: return "OK";
        case vbCancel: return "Cancel";
        case vbAbort: return "&Abort";
        case vbRetry: return "&Retry";
        case vbIgnore: return "&Ignore";
        case vbYes: return "&Yes";
        default: return "&No";
        }
    };
    int count = p.buttons() == 0 ? 1 : (p.buttons() == 2 || p.buttons() == 3) ? 3 : 2;
    QList<QPair<QAbstractButton *, int>> made;
    for (int i = 0; i < count; ++i) {
        int a = answerOf(p.buttons(), i);
        QPushButton *b = box.addButton(QString::fromLatin1(caption(a)), role(a));
        made.append({b, a});
        if (i == p.defaultIndex() || (p.defaultIndex() >= count && i == 0))
            box.setDefaultButton(b);
    }
    // Escape answers Cancel where there is one, else the last button.
    box.setEscapeButton(made.last().first);
    for (const auto &m : made)
        if (m.second == vbCancel)
            box.setEscapeButton(m.first);
    box.exec();
    for (const auto &m : made)
        if (box.clickedButton() == m.first)
            return m.second;
    return made.last().second;
}

int QtPromptService::execDialog(QDialog &dialog)
{
    return dialog.exec();
}

} // namespace shell
