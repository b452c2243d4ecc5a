#pragma once
// DSESION: the notice window shown while a session is being killed, and the
// kill-session step shared by the Sessions and Resources Locks windows.
#include <QDialog>

#include <string>

namespace shell { class AppContext; }

namespace monitor {

class DSesion : public QDialog {
    Q_OBJECT
public:
    explicit DSesion(QWidget *parent = nullptr);
};

// Asks "Desea usted borrar la sesion: <sid> <serial> ?" (Yes/No, critical icon,
// No by default) under `title`; on Yes shows DSESION while "alter system kill
// session '<sid>,<serial>'" runs on the current connection and confirms with
// "Sesion Borrada" when the server reported no error. Answers true when the
// statement was sent and succeeded.
bool Borrar_Sesion(shell::AppContext &ctx, const std::string &sid, const std::string &serial,
                   const std::string &title, QWidget *parent);

inline constexpr const char *kSesionBorrada = "Sesion Borrada";

} // namespace monitor
