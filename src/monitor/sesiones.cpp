#include "sesiones.h"

#include "autorefresh.h"
#include "appcontext.h"
#include "dsesion.h"
#include "errores.h"
#include "formutil.h"
#include "resultgrid.h"
#include "sentenciasesion.h"
#include "sqlcvpg.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cctype>
#include <cmath>
#include <functional>
#include <memory>

namespace monitor {

using namespace shell;

namespace {

// Statement names by Oracle command code; codes not listed have no name.
const char *const kComandos[126] = {
    "", "CREATE TABLE", "INSERT", "SELECT", "CREATE CLUSTER", "ALTER CLUSTER", "UPDATE", "DELETE", "DROP",
    "CREATE INDEX", "DROP INDEX", "ALTER INDEX", "DROP TABLE", "", "", "ALTER TABLE", "", "GRANT", "REVOKE",
    "CREATE SYNONYM", "DROP SYNONYM", "CREATE VIEW", "DROP VIEW", "", "", "", "LOCK TABLE", "NO OPERATION",
    "RENAME", "COMMENT", "AUDIT", "NOAUDIT", "CREATE EXTERNAL DATABASE", "DROP EXTERNAL DATABASE",
    "CREATE DATABASE", "ALTER DATABASE", "CREATE ROLLBACK SEGMENT", "ALTER ROLLBACK SEGMENT",
    "DROP ROLLBACK SEGMENT", "CREATE TABLESPACE", "ALTER TABLESPACE", "DROP TABLESPACE", "ALTER SESSION",
    "ALTER USER", "COMMIT", "ROLLBACK", "SAVEPOINT", "", "", "", "", "No identified",
    // 52 to 125: no name
};

const char *const kSesionesSql =
    "select sid, serial#, nvl(process,'Null') process, nvl(username,'Null') username, nvl(osuser,'Null') osuser, "
    "nvl(machine,'Null') machine, nvl(terminal,'Null') terminal, nvl(status,'Null') status, "
    "nvl(command,'124') command, nvl(program,'Null') program, sql_address, sql_hash_value from v$session order by ";

std::string cpuSql()
{
    return std::string("Select Distinct ") + "       se.sid Sesion, sum(se.value) maxcpu " +
           "From   v$sesstat se, " + "       v$statname n " + "where  n.statistic# = se.statistic# and " +
           "       n.name in ( 'CPU used by this session', " + "                   'CPU used when call started', " +
           "                   'parse time cpu', " + "                   'recursive cpu usage') " +
           "group by se.sid " + "order by 2 Desc";
}

std::string memoriaSql()
{
    return std::string("Select Distinct ") + "       se.sid Sesion, max(se.value) maxmemoria " +
           "From   v$sesstat se, " + "       v$statname n " + "where  n.statistic# = se.statistic# and " +
           "n.name in ('session uga memory', " + "           'session uga memory max', " +
           "           'session pga memory', " + "           'session pga memory max') " +
           "           group by se.sid " + "           order by 2 Desc ";
}

std::string discoSql()
{
    return std::string("Select Distinct ") + "       se.sid Sesion, sum(se.value) maxdisco " +
           "From   v$sesstat se, " + "       v$statname n " + "where  n.statistic# = se.statistic# and " +
           "n.name in ('write requests', " + "           'session logical reads') " + "           group by se.sid " +
           "           order by 2 Desc ";
}

std::string tiempoSql()
{
    return std::string("select sid Sesion,") +
           "       to_char(SysDate - (Hsecs-s.value)/(24*3600*100),'DD/MM/YYYY HH24:MI:SS') Fecha, " +
           "       Hsecs-S.Value Cantidad " + "From   v$sesstat s, " + "       v$statname n, " + "       v$timer " +
           "where  n.name = 'session connect time' and " + "       n.statistic# = s.statistic# and " +
           "       s.value != 0 " + "order by s.value ";
}

std::string planSql()
{
    return std::string("select ") + "decode(id,0,''," + "lpad(' ',2*Level-1)||level||'.'||position)||' '||" +
           "operation||' '||options||' '||object_name||' '||" + "object_type||' '||" +
           "decode(id,0,'Costo = '||position) query_plan " + "from plan_table " + "connect by prior id = parent_id " +
           "and statement_id = 'SQLVIGIL' " + "start with id = 0 and statement_id = 'SQLVIGIL'";
}

struct RankingInfo {
    const char *grid;
    const char *value;      // column caption
    const char *alias;      // value alias of the query
    const char *chart;
    const char *axis;       // value axis title
};

const RankingInfo kRankings[4] = {
    {"LUsoCpu", "Cpu", "maxcpu", "Graph_Consumo_Cpu", "CPU %"},
    {"LUsoDeMemoria", "Memoria", "maxmemoria", "Graph_Consumo_Memoria", "MEMORY %"},
    {"LUsoDeDisco", "Disc IO", "maxdisco", "Graph_Consumo_Disco", "DISC %"},
    {"LUsoTiempo", "Tiempo", "Cantidad", "Graph_Consumo_Tiempo", "LOGON TIME %"},
};

// The integer part of value * 100 / reference; a reference of 0 gives 0 (a
// ranking whose figures are all 0 has nothing to share out).
long long porcentaje(double value, double reference)
{
    if (reference == 0)
        return 0;
    return static_cast<long long>(std::trunc(value * 100.0 / reference));
}

} // namespace

std::string Nombre_Comando(long code)
{
    if (code < 0 || code > 125)
        return {};
    return code < static_cast<long>(std::size(kComandos)) && kComandos[code] ? kComandos[code] : "";
}

std::string Aplanar_Binds(const std::string &text)
{
    // Positions are 1-based as in the walk's description; a position past the
    // end reads as no character.
    const long n = static_cast<long>(text.size());
    auto at = [&](long i) -> int { return i >= 1 && i <= n ? static_cast<unsigned char>(text[i - 1]) : -1; };
    std::string out;
    out.reserve(text.size());
    for (long i = 1; i <= n - 1; ++i) {
        if (at(i) == ':') {
            ++i;
            if (!std::isdigit(at(i) < 0 ? 0 : at(i)))
                ++i;
            if (at(i) >= 0)
                out += static_cast<char>(at(i));
        } else {
            out += text[i - 1];
        }
    }
    return out;
}

// ---------------------------------------------------------------- form

Sesiones::Sesiones(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("SESIONES");
    setWindowTitle("Sessions");
    buildForm();
    resize(980, 640);
}

Sesiones::~Sesiones() = default;

QWidget *Sesiones::rankingPage(ResultGrid *grid, QChartView *view)
{
    auto *page = new QWidget;
    auto *lay = new QHBoxLayout(page);
    grid->setMinimumWidth(230);
    grid->setMaximumWidth(380);
    lay->addWidget(grid);
    lay->addWidget(view, 1);
    return page;
}

void Sesiones::buildForm()
{
    LSesion = new ResultGrid("LSesion", this);
    LSesion->grid()->setHeaders({"SID", "Serial#", "Process", "Oracle User", "OS User", "Machine", "Terminal",
                                 "Status", "Command", "Programa"});
    connect(LSesion, &ResultGrid::rowDoubleClicked, this, [this](int) { LSesion_DblClick(); });
    connect(LSesion, &QAbstractItemView::pressed, this, [this](const QModelIndex &i) { m_col = i.column(); });

    SQL_Sentencia = new QPlainTextEdit(this);
    SQL_Sentencia->setObjectName("SQL_Sentencia");
    LExplain_Plan = new QTreeWidget(this);
    LExplain_Plan->setObjectName("LExplain_Plan");
    LExplain_Plan->setHeaderHidden(true);

    ResultGrid **grids[4] = {&LUsoCpu, &LUsoDeMemoria, &LUsoDeDisco, &LUsoTiempo};
    QChartView **views[4] = {&Graph_Consumo_Cpu, &Graph_Consumo_Memoria, &Graph_Consumo_Disco, &Graph_Consumo_Tiempo};
    for (int r = 0; r < 4; ++r) {
        *grids[r] = new ResultGrid(kRankings[r].grid, this);
        (*grids[r])->grid()->setHeaders({"Sesion", kRankings[r].value});
        auto *view = new QChartView(this);
        view->setObjectName(kRankings[r].chart);
        view->setRenderHint(QPainter::Antialiasing);
        *views[r] = view;
        showChart(static_cast<Ranking>(r));
    }

    Paginas = new QTabWidget(this);
    Paginas->setObjectName("Paginas");
    auto *sqlPage = new QSplitter(Qt::Vertical);
    sqlPage->addWidget(SQL_Sentencia);
    sqlPage->addWidget(LExplain_Plan);
    sqlPage->setStretchFactor(1, 2);
    Paginas->addTab(LSesion, "Sessions");
    Paginas->addTab(sqlPage, "SQL / Explain Plan");
    Paginas->addTab(rankingPage(LUsoCpu, Graph_Consumo_Cpu), "CPU");
    Paginas->addTab(rankingPage(LUsoDeMemoria, Graph_Consumo_Memoria), "Memory");
    Paginas->addTab(rankingPage(LUsoDeDisco, Graph_Consumo_Disco), "Disk");
    Paginas->addTab(rankingPage(LUsoTiempo, Graph_Consumo_Tiempo), "Logon Time");

    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    GSession = button("GSession", "&Get Sessions");
    Sentencia_SQL = button("Sentencia_SQL", "&SQL");
    GExplain_Plan = button("GExplain_Plan", "&Explain Plan");
    BSesiones = button("BSesiones", "&Delete");
    SSesiones = button("SSesiones", "E&xit");
    GExplain_Plan->setEnabled(false);
    BSesiones->setEnabled(false);
    connect(GSession, &QPushButton::clicked, this, [this] { GSession_Click(); });
    connect(Sentencia_SQL, &QPushButton::clicked, this, [this] { Sentencia_SQL_Click(); });
    connect(GExplain_Plan, &QPushButton::clicked, this, [this] { GExplain_Plan_Click(); });
    connect(BSesiones, &QPushButton::clicked, this, [this] { BSesiones_Click(); });
    connect(SSesiones, &QPushButton::clicked, this, [this] { SSesiones_Click(); });

    auto *buttons = new QHBoxLayout;
    for (auto *b : {GSession, Sentencia_SQL, GExplain_Plan, BSesiones})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(SSesiones);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(Paginas, 1);
    lay->addLayout(buttons);
    shell::AutoRefresh::attach(m_ctx, GSession);
}

ResultGrid *Sesiones::rankingGrid(Ranking r) const
{
    ResultGrid *const g[4] = {LUsoCpu, LUsoDeMemoria, LUsoDeDisco, LUsoTiempo};
    return g[r];
}

QChartView *Sesiones::chartView(Ranking r) const
{
    QChartView *const v[4] = {Graph_Consumo_Cpu, Graph_Consumo_Memoria, Graph_Consumo_Disco, Graph_Consumo_Tiempo};
    return v[r];
}

QChart *Sesiones::chart(Ranking r) const
{
    return chartView(r)->chart();
}

// Draws the ranking's ten points: one bar series, the category axis "SESSIONS"
// (an empty label stays empty), the value axis 0 to 100.
void Sesiones::showChart(Ranking r)
{
    const ChartPoints &p = m_points[r];
    auto *set = new QBarSet(kRankings[r].value);
    QStringList categories;
    for (int k = 0; k < 10; ++k) {
        *set << static_cast<qreal>(p.values[k]);
        // Categories must differ from one another: empty labels are told apart
        // by invisible trailing blanks.
        categories << (p.labels[k].empty() ? QString(k + 1, QChar(' ')) : qs(p.labels[k]));
    }
    auto *series = new QBarSeries;
    series->append(set);
    auto *chart = new QChart;
    chart->addSeries(series);
    chart->legend()->hide();
    auto *axisX = new QBarCategoryAxis;
    axisX->append(categories);
    axisX->setTitleText("SESSIONS");
    auto *axisY = new QValueAxis;
    axisY->setRange(0, 100);
    axisY->setTitleText(kRankings[r].axis);
    axisY->setLabelFormat("%d");
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);
    series->attachAxis(axisX);
    series->attachAxis(axisY);
    QChart *old = chartView(r)->chart();
    chartView(r)->setChart(chart);
    delete old;
}

std::vector<std::string> Sesiones::planLines() const
{
    std::vector<std::string> out;
    std::function<void(QTreeWidgetItem *)> walk = [&](QTreeWidgetItem *item) {
        out.push_back(ss(item->text(0)));
        for (int i = 0; i < item->childCount(); ++i)
            walk(item->child(i));
    };
    for (int i = 0; i < LExplain_Plan->topLevelItemCount(); ++i)
        walk(LExplain_Plan->topLevelItem(i));
    return out;
}

// ---------------------------------------------------------------- Get Sessions

void Sesiones::resetGrids()
{
    LSesion->grid()->reset();
    for (int r = 0; r < 4; ++r)
        rankingGrid(static_cast<Ranking>(r))->grid()->reset();
    GExplain_Plan->setEnabled(false);
    // "&Delete" belongs to a listing with rows: the emptied grid has none, so a
    // listing that fails leaves nothing to kill (not a blank SID and serial).
    BSesiones->setEnabled(false);
    m_listado.clear();
}

void Sesiones::GSession_Click()
{
    // The sort follows the grid's current column: its select-list position, or
    // sid and serial# for the number and SID columns.
    const int col = m_col;
    const std::string sortText = col <= 1 ? "1,2" : std::to_string(col);
    resetGrids();
    GuardedOperation op(m_ctx);
    if (!m_ctx.currentConnection())
        return;
    listSessions(op, sortText);
    if (!op.alive() || m_listado.empty())
        return;
    statRanking(op, Cpu);
    if (op.alive())
        statRanking(op, Memoria);
    if (op.alive())
        statRanking(op, Disco);
    if (op.alive())
        timeRanking(op);
}

void Sesiones::listSessions(GuardedOperation &op, const std::string &sortText)
{
    std::unique_ptr<access::OraDynaset> ds;
    m_listado.clear();
    op.step([&] {
        Cursor_Ocupado(m_ctx);
        ds = m_ctx.currentConnection()->DbCreateDynaset(kSesionesSql + sortText, 4);
    });
    if (!op.alive() || !ds)
        return;
    if (ds->IsEOF()) {
        BSesiones->setEnabled(false);
        GExplain_Plan->setEnabled(false);
        return;
    }
    BSesiones->setEnabled(true);
    std::vector<QStringList> rows;
    rows.reserve(static_cast<size_t>(ds->RecordCount()));
    while (op.alive() && !ds->IsEOF()) {
        op.step([&] {
            const std::string sid = Texto(ds->Fields("sid"));
            const std::string serial = Texto(ds->Fields("serial#"));
            const access::OraValue &cmd = ds->Fields("command");
            const long code = cmd.isNull() ? 124 : static_cast<long>(cmd.toDouble());
            QStringList row{qs(sid), qs(serial), qs(ds->Fields("process").toString()),
                            qs(ds->Fields("username").toString()), qs(ds->Fields("osuser").toString()),
                            qs(ds->Fields("machine").toString()), qs(ds->Fields("terminal").toString()),
                            qs(ds->Fields("status").toString()), qs(Nombre_Comando(code)),
                            qs(ds->Fields("program").toString())};
            rows.push_back(std::move(row));
            m_listado.push_back({sid, serial, ds->Fields("username").toString()});
        });
        op.step([&] { ds->MoveNext(); });
    }
    LSesion->grid()->addRows(std::move(rows));
    LSesion->fitColumns();
}

void Sesiones::statRanking(GuardedOperation &op, Ranking r)
{
    const std::string sql = r == Cpu ? cpuSql() : r == Memoria ? memoriaSql() : discoSql();
    std::unique_ptr<access::OraDynaset> ds;
    op.step([&] { ds = m_ctx.currentConnection()->DbCreateDynaset(sql, 4); });
    if (!op.alive() || !ds || ds->IsEOF())
        return;
    double total = 0;
    std::vector<QStringList> rows;
    std::vector<std::pair<std::string, double>> values;
    while (op.alive() && !ds->IsEOF()) {
        op.step([&] {
            const std::string sesion = Texto(ds->Fields("sesion"));
            const access::OraValue &v = ds->Fields(kRankings[r].alias);
            rows.push_back({qs(sesion), qs(Texto(v))});
            values.emplace_back(sesion, v.toDouble());
            total = std::round(total + v.toDouble());
        });
        op.step([&] { ds->MoveNext(); });
    }
    rankingGrid(r)->grid()->addRows(std::move(rows));
    rankingGrid(r)->fitColumns();
    // The CPU ranking shares out over at least 1; a memory or disk total of 0
    // shows zeros rather than failing on a division by zero.
    if (r == Cpu && total == 0)
        total = 1;
    ChartPoints p;
    for (size_t k = 0; k < 10; ++k) {
        if (k < values.size()) {
            p.labels[k] = values[k].first;
            p.values[k] = porcentaje(values[k].second, total);
        }
    }
    m_points[r] = p;
    showChart(r);
}

void Sesiones::timeRanking(GuardedOperation &op)
{
    std::unique_ptr<access::OraDynaset> ds;
    op.step([&] { ds = m_ctx.currentConnection()->DbCreateDynaset(tiempoSql(), 4); });
    if (!op.alive() || !ds || ds->IsEOF())
        return;
    std::vector<QStringList> rows;
    std::vector<std::pair<std::string, double>> values;
    while (op.alive() && !ds->IsEOF()) {
        op.step([&] {
            const std::string sesion = Texto(ds->Fields("Sesion"));
            rows.push_back({qs(sesion), qs(Texto(ds->Fields("Fecha")))});
            values.emplace_back(sesion, ds->Fields("Cantidad").toDouble());
        });
        op.step([&] { ds->MoveNext(); });
    }
    LUsoTiempo->grid()->addRows(std::move(rows));
    LUsoTiempo->fitColumns();
    const double reference = values.empty() ? 0 : values.front().second;
    ChartPoints p;
    for (size_t k = 0; k < 10 && k < values.size(); ++k) {
        p.labels[k] = values[k].first;
        p.values[k] = porcentaje(values[k].second, reference);
    }
    m_points[Tiempo] = p;
    showChart(Tiempo);
}

// ---------------------------------------------------------------- SQL text and plan

void Sesiones::LSesion_DblClick()
{
    showSqlText(LSesion->grid()->currentRow());
}

void Sesiones::Sentencia_SQL_Click()
{
    showSqlText(LSesion->grid()->currentRow());
}

void Sesiones::showSqlText(int row)
{
    GuardedOperation op(m_ctx);
    access::OraDatabase *db = m_ctx.currentConnection();
    if (!db) {
        SQL_Sentencia->clear();
        GExplain_Plan->setEnabled(true);
        return;
    }
    // A row beyond the last listing (the blank row of an empty grid) designates
    // no session: it is reported like the grid's subscript error.
    const Listed *s = nullptr;
    op.step([&] {
        if (row < 1 || row > static_cast<int>(m_listado.size()))
            Err_Raise(kErrSubscript);
        s = &m_listado[static_cast<size_t>(row - 1)];
        m_schema = s->username;
    });
    if (!op.alive() || !s)
        return;
    const std::optional<std::string> text =
        Leer_Sentencia(op, m_ctx, *db, s->sid, s->serial, "rtrim(sql_text) mi_sql_text", "mi_sql_text");
    if (!text)
        return;
    SQL_Sentencia->setPlainText(qs(*text));
    GExplain_Plan->setEnabled(true);
    Paginas->setCurrentIndex(1);
}

void Sesiones::GExplain_Plan_Click()
{
    GuardedOperation op(m_ctx);
    access::OraDatabase *db = m_ctx.currentConnection();
    auto disable = [this] {
        GExplain_Plan->setEnabled(false);
        BSesiones->setEnabled(false);
    };
    if (!db)
        return;
    const std::string text = ss(SQL_Sentencia->toPlainText());
    if (text.empty()) {
        disable();
        return;
    }
    const std::string flat = Aplanar_Binds(text);
    bool switched = false;
    // A failing statement after the schema switch switches back before the
    // error dialog, so the connection never stays in the session's schema.
    auto run = [&](const std::string &sql) {
        return [&, sql] {
            try {
                db->DbExecuteSQL(sql);
            } catch (...) {
                if (switched) {
                    try {
                        db->DbExecuteSQL("alter session set current_schema=" + oracleName(db->user()));
                        switched = false;
                    } catch (...) {
                    }
                }
                throw;
            }
        };
    };
    op.step([&] { Cursor_Ocupado(m_ctx); });
    op.step(run("delete plan_table where statement_id = 'SQLVIGIL'"));
    op.step(run("commit"));
    op.step([&] {
        run("alter session set current_schema=" + oracleName(m_schema))();
        switched = true;
    });
    op.step(run("explain plan set statement_id = 'SQLVIGIL' for " + flat));
    op.step([&] {
        db->DbExecuteSQL("alter session set current_schema=" + oracleName(db->user()));
        switched = false;
    });
    std::unique_ptr<access::OraDynaset> ds;
    op.step([&] { ds = db->DbCreateDynaset(planSql(), 4); });
    if (op.alive() && ds && !ds->IsEOF()) {
        LExplain_Plan->clear();
        // Each line below the root is numbered "level.position": the outline nests
        // it under the last line of the level above.
        std::vector<QTreeWidgetItem *> parents;
        while (op.alive() && !ds->IsEOF()) {
            op.step([&] {
                const QString line = qs(ds->Fields("query_plan").toString());
                // "<blanks>level.position ..." below the root; the root line has no number.
                const QString head = line.trimmed().section(' ', 0, 0);
                bool numbered = false;
                const int level = head.contains('.') ? head.section('.', 0, 0).toInt(&numbered) : 0;
                const int depth = numbered && level > 1 ? level - 1 : 0;
                auto *item = new QTreeWidgetItem(QStringList{line});
                while (static_cast<int>(parents.size()) > depth)
                    parents.pop_back();
                if (parents.empty())
                    LExplain_Plan->addTopLevelItem(item);
                else
                    parents.back()->addChild(item);
                parents.push_back(item);
            });
            op.step([&] { ds->MoveNext(); });
        }
        LExplain_Plan->expandAll();
    }
    if (ds)
        ds->Close();
    disable();
}

// ---------------------------------------------------------------- kill, exit

void Sesiones::BSesiones_Click()
{
    const int row = LSesion->grid()->currentRow();
    Borrar_Sesion(m_ctx, ss(LSesion->grid()->text(row, 1)), ss(LSesion->grid()->text(row, 2)), "Cuidado!", this);
}

void Sesiones::SSesiones_Click()
{
    m_listado.clear();
    closeForm(this);
}

void Sesiones::Form_Click()
{
    GExplain_Plan->setEnabled(false);
}

void Sesiones::mousePressEvent(QMouseEvent *event)
{
    Form_Click();
    QWidget::mousePressEvent(event);
}

} // namespace monitor
