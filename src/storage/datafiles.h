#pragma once
// DATAFILES "Data Files": every datafile of the current server with its tablespace,
// size and status; switches the file in the current row online or offline,
// recovers it, drops it offline (NOARCHIVELOG mode only) and renames the file of an
// offline tablespace.
#include <QWidget>

#include <string>

class QPushButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace storage {

class Datafiles : public QWidget {
    Q_OBJECT
public:
    explicit Datafiles(shell::AppContext &ctx, QWidget *parent = nullptr);
    // The opening size: every column and row of the listing in view.
    QSize sizeHint() const override { return {760, 380}; }

    void GDatafiles_Click();
    void Estado_Datafile_Click();
    void Recobrar_Datafile_Click();
    void Borrar_Datafile_Click();
    void Renombrar_Datafile_Click();
    void Datafiles_Salir_Click();

    shell::ResultGrid *LDatafiles;
    QPushButton *GDatafiles, *Estado_Datafile, *Recobrar_Datafile, *Borrar_Datafile, *Renombrar_Datafile,
        *Datafiles_Salir;

private:
    struct Fila {
        std::string file, tablespace, status;
    };
    Fila fila() const;
    bool confirmar(const std::string &question);
    void renombrar(const Fila &f);

    shell::AppContext &m_ctx;
};

} // namespace storage
