#pragma once
// PARAMETROS "Instance Parameters": the initialisation parameters of the current
// server with their type, value and default flag, printed as the report
// "parametr.rpt" through the repository table PARAMETROS.
#include <QWidget>

#include <string>

class QPushButton;

namespace shell {
class AppContext;
class ResultGrid;
}

namespace monitor {

// The type names indexed by v$parameter.type: 0 "", 1 "Log", 2 "Car", 3 "Num", 4 "Fec".
// A type outside 0..4 raises error 9 (subscript out of range).
std::string Tipo_Parametro(long long type);

class Parametros : public QWidget {
    Q_OBJECT
public:
    explicit Parametros(shell::AppContext &ctx, QWidget *parent = nullptr);

    void GParametros_Click();
    void Imprimir_Parametros_Click();
    void Salir_Parametros_Click();

    QPushButton *GParametros, *Imprimir_Parametros, *Grabar_Parametros, *Salir_Parametros;
    shell::ResultGrid *LParametros;

private:
    shell::AppContext &m_ctx;
};

} // namespace monitor
