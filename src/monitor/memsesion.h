#pragma once
// MEMSESION "Memoria por Sesiones": the sessions of the current server and an
// estimate of the shared area they need. For a sample session picked from the
// list the window reads its largest UGA (v$sesstat 'session uga memory max'),
// multiplies it by the number of users typed, adds the shared pool now in use
// (v$sgastat) and shows the size the area should have so that 30 % of it stays
// free, beside the shared_pool_size the instance runs with.
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace shell {
class AppContext;
}

namespace monitor {

// The estimate from its inputs (bytes): the requirement of `users` users of
// `perUser` bytes each, the estimated area (`base` in use now plus the
// requirement) and that area with 30 % free (the estimate divided by 0.7).
struct Estimacion_Area {
    double requisito = 0;
    double estimada = 0;
    double conLibre = 0;
};
Estimacion_Area Estimar_Area(double perUser, long users, double base);

// "N bytes (X MB)" with X rounded to two decimals.
std::string Bytes_Texto(double bytes);

class MemSesion : public QWidget {
    Q_OBJECT
public:
    explicit MemSesion(shell::AppContext &ctx, QWidget *parent = nullptr);
    // The size the window opens at (the main window sizes its child windows by
    // their size hints): wide and tall enough for the instance's figures.
    QSize sizeHint() const override { return {1040, 580}; }

    void Form_Load();
    void MMSesiones_Activas_Click(int row);
    void GArea_SPS_Click();
    void Salir_Area_SPS_Click();

    QListWidget *MMSesiones_Activas;
    QPushButton *GArea_SPS, *Salir_Area_SPS;
    QLineEdit *Numero_Usuarios;
    // Current allocation.
    QLabel *Numero_Sesiones, *Tamano_Base_Area, *Tamano_Shared_Pool;
    // Estimate.
    QLabel *Sesion_Muestra, *Usuario_Oracle, *Memoria_Usuario, *Requisito_Memoria, *Tamano_Area_Estimada,
        *Tamano_Area_Libre;

private:
    struct Listed {
        std::string sid, serial, username;
    };
    void buildForm();
    void clearEstimate();

    shell::AppContext &m_ctx;
    std::vector<Listed> m_listado;
    int m_muestra = -1;    // index into m_listado of the sample session
};

} // namespace monitor
