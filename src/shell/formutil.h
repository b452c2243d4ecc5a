#pragma once
// Small helpers shared by the windows.
#include <QString>
#include <string>

class QWidget;

namespace shell {

// Closes a window: its frame when it is a child of the main window, else itself.
void closeForm(QWidget *form);

inline QString qs(const std::string &s) { return QString::fromStdString(s); }
inline std::string ss(const QString &s) { return s.toStdString(); }

} // namespace shell

class QIcon;
namespace shell {
// The program's icon: a watchful eye on a dark blue tile.
QIcon appIcon();
}
