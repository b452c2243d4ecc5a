#include "prompts.h"


namespace shell {

int answerOf(int buttons, int index)
{
    static const int table[6][3] = {
        {vbOK, vbOK, vbOK},          {vbOK, vbCancel, vbCancel},  {vbAbort, vbRetry, vbIgnore},
        {vbYes, vbNo, vbCancel},     {vbYes, vbNo, vbNo},         {vbRetry, vbCancel, vbCancel},
    };
    if (buttons < 0 || buttons > 5)
        buttons = 0;
    if (index < 0 || index > 2)
        index = 0;
    return table[buttons][index];
}

int Prompt::defaultAnswer() const
{
    return answerOf(buttons(), defaultIndex());
}

} // namespace shell
