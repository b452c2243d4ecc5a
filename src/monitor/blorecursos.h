#pragma once
// BLORECURSOS "Resources Locks": every row of the lock view with a readable
// lock-type name; a double-click shows the locked object and the lock-owning
// session, whose SQL text can be read and which can be killed from there.
#include <QWidget>

#include <map>
#include <string>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace monitor {

// The name of a two-letter lock type (compared exactly); TS depends on ID2;
// an unknown code reads "??:" followed by the code.
std::string Tipo_Bloqueo(const std::string &type, long long id2);

class BloRecursos : public QWidget {
    Q_OBJECT
public:
    explicit BloRecursos(shell::AppContext &ctx, QWidget *parent = nullptr);

    void GBloqueos_Click();
    void LBloqueos_DblClick();
    void BTN_Sentencia_SQL_Click();
    void BEliminar_Sesion_Click();
    void BSalir_Click();

    // A detail field by its alias: object fields ("OWNER", "OBJECT_NAME", ...) and
    // session fields ("SID", "SERIAL", "PROGRAM", ...).
    QLineEdit *objeto(const std::string &alias) const { return m_objeto.at(alias); }
    QLineEdit *sesion(const std::string &alias) const { return m_sesion.at(alias); }

    QPushButton *GBloqueos, *BTN_Sentencia_SQL, *BEliminar_Sesion, *BSalir;
    shell::ResultGrid *LBloqueos;
    QTabWidget *Tabla_Recursos_Bloqueados, *PNIndex_Desc_Rec_Bloq;
    QPlainTextEdit *Sentencia;

private:
    void buildForm();
    void pagesChanged();
    void blankDetail();

    shell::AppContext &m_ctx;
    std::map<std::string, QLineEdit *> m_objeto, m_sesion;
};

} // namespace monitor
