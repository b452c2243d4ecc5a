#include "formutil.h"

#include <QMdiSubWindow>
#include <QWidget>

namespace shell {

void closeForm(QWidget *form)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget()))
        sub->close();
    else
        form->close();
}

} // namespace shell
