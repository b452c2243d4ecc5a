#pragma once
// SESIONES "Sessions": the sessions of the current server with their command
// names, the SQL text a session runs and its execution plan, kill session, and
// four rankings (CPU, memory, disk, connect time), each a grid and a ten-point chart.
#include <QWidget>

#include <array>
#include <string>
#include <vector>

class QPushButton;
class QPlainTextEdit;
class QTabWidget;
class QTreeWidget;
class QChartView;
class QChart;

namespace shell {
class AppContext;
class GuardedOperation;
class ResultGrid;
class ResultGridModel;
}

namespace monitor {

// The statement name of an Oracle command code: the 126-entry table, codes 0 to
// 125; a code outside the table (current servers report codes above 125, for
// example MERGE) reads as an empty name.
std::string Nombre_Comando(long code);

// Bind-variable flattening before an explain: a colon followed by a digit loses
// the colon; a colon followed by a letter and a digit becomes that digit; the
// last character of the text is never copied (it is usually the semicolon).
std::string Aplanar_Binds(const std::string &text);

// The ten points of a ranking chart.
struct ChartPoints {
    std::array<std::string, 10> labels;
    std::array<long long, 10> values{};
};

class Sesiones : public QWidget {
    Q_OBJECT
public:
    explicit Sesiones(shell::AppContext &ctx, QWidget *parent = nullptr);
    ~Sesiones() override;

    // Event handlers, named after control and event.
    void GSession_Click();
    void LSesion_DblClick();
    void Sentencia_SQL_Click();
    void GExplain_Plan_Click();
    void BSesiones_Click();
    void SSesiones_Click();
    void Form_Click();

    // The four rankings in the order CPU, memory, disk, connect time.
    enum Ranking { Cpu = 0, Memoria = 1, Disco = 2, Tiempo = 3 };
    const ChartPoints &points(Ranking r) const { return m_points[r]; }
    QChart *chart(Ranking r) const;
    // The explain outline as lines (each item's text, parents before children).
    std::vector<std::string> planLines() const;

    QPushButton *GSession, *Sentencia_SQL, *GExplain_Plan, *BSesiones, *SSesiones;
    shell::ResultGrid *LSesion;
    shell::ResultGrid *LUsoCpu, *LUsoDeMemoria, *LUsoDeDisco, *LUsoTiempo;
    QPlainTextEdit *SQL_Sentencia;
    QTreeWidget *LExplain_Plan;
    QChartView *Graph_Consumo_Cpu, *Graph_Consumo_Memoria, *Graph_Consumo_Disco, *Graph_Consumo_Tiempo;
    QTabWidget *Paginas;

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    struct Listed {
        std::string sid, serial, username;
    };
    void buildForm();
    QWidget *rankingPage(shell::ResultGrid *grid, QChartView *chart);
    void resetGrids();
    void listSessions(shell::GuardedOperation &op, const std::string &sortText);
    void statRanking(shell::GuardedOperation &op, Ranking r);
    void timeRanking(shell::GuardedOperation &op);
    void showChart(Ranking r);
    void showSqlText(int row);
    shell::ResultGrid *rankingGrid(Ranking r) const;
    QChartView *chartView(Ranking r) const;

    shell::AppContext &m_ctx;
    std::vector<Listed> m_listado;      // the last session listing, in grid order
    std::string m_schema;               // user name of the last selected session
    int m_col = 0;                      // the session grid's current column
    std::array<ChartPoints, 4> m_points;
};

} // namespace monitor
