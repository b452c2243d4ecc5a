#pragma once
// The one prompt service. Every message box, confirmation, the error dialog and
// every modal dialog of the program go through it: the program shows real Qt
// message boxes and runs the dialogs; tests install a scripted responder that
// records each prompt and answers as planned (tests/shell/harness).
//
// Styles and answers use the classic message-box codes, so a call reads like the
// window's own description: MsgBox("...", vbYesNo + vbCritical + vbDefaultButton2, "Cuidado!").
#include <string>

class QDialog;

namespace shell {

enum MsgStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};

enum MsgAnswer : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

struct Prompt {
    std::string title;
    std::string text;
    int style = vbOKOnly;

    int buttons() const { return style & 7; }
    int icon() const { return style & 0x70; }
    int defaultIndex() const { return (style >> 8) & 3; }   // 0 first button, 1 second, 2 third
    int defaultAnswer() const;                               // the answer code of the default button
};

// The answers a button set offers, in order (vbAbortRetryIgnore → Abort, Retry, Ignore).
int answerOf(int buttons, int index);

class PromptService {
public:
    virtual ~PromptService() = default;
    // Shows a modal message box; answers the code of the button pressed.
    virtual int MsgBox(const std::string &text, int style, const std::string &title) = 0;
    // Runs a modal dialog (password dialog, About box, printer and file dialogs,
    // create/modify dialogs); answers QDialog's result code.
    virtual int execDialog(QDialog &dialog) = 0;
};

// The program's implementation: QMessageBox with the given title, text, icon,
// buttons and default button; QDialog::exec for dialogs.
class QtPromptService : public PromptService {
public:
    int MsgBox(const std::string &text, int style, const std::string &title) override;
    int execDialog(QDialog &dialog) override;
};

} // namespace shell
