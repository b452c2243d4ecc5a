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
        // One role for every button keeps them in the classic order (Abort, Retry,
        // Ignore; Yes, No) whatever the desktop's own button order is.
        QPushButton *b = box.addButton(QString::fromLatin1(caption(a)), QMessageBox::ActionRole);
        made.append({b, a});
        if (i == p.defaultIndex() || (p.defaultIndex() >= count && i == 0))
            box.setDefaultButton(b);
    }
    // Escape and the close button answer Cancel where there is one, Abort in the
    // error dialog (never Ignore, which would carry on with the operation), else
    // the last button (No, OK).
    QPair<QAbstractButton *, int> escape = made.last();
    for (const auto &m : made)
        if (m.second == vbCancel || m.second == vbAbort)
            escape = m;
    box.setEscapeButton(escape.first);
    box.exec();
    for (const auto &m : made)
        if (box.clickedButton() == m.first)
            return m.second;
    return escape.second;
}

int QtPromptService::execDialog(QDialog &dialog)
{
    return dialog.exec();
}

} // namespace shell
