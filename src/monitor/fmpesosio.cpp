#include "fmpesosio.h"

#include "appcontext.h"
#include "callwaiter.h"
#include "errores.h"
#include "formutil.h"
#include "pesos_io.h"
#include "prompts.h"
#include "sqlcvpg.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>

#include <cmath>
#include <memory>

namespace monitor {

using namespace shell;

inline constexpr const char *kIntervaloInvalido = "The interval must be a whole number of seconds, 1 or more.";

std::string Nombre_Archivo(const std::string &path)
{
    for (std::size_t i = path.size(); i-- > 0;)
        if (path[i] == '\\' || path[i] == '/')
            return path.substr(i + 1);
    return {};
}

FmPesosIO::FmPesosIO(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("FMPESOSIO");
    setWindowTitle("Data Files I/O");
    Tomar_Muestras = new QTimer(this);
    Tomar_Muestras->setObjectName("Tomar_Muestras");
    connect(Tomar_Muestras, &QTimer::timeout, this, [this] { Tomar_Muestras_Timer(); });

    Graph_Pesos_IO = new QChart;
    Graph_Pesos_IO->setObjectName("Graph_Pesos_IO");
    Graph_Pesos_IO->legend()->hide();
    auto *series = new QBarSeries;
    m_set = new QBarSet("% Lec/Esc");
    m_set->setColor(QColor(0x2f, 0x6d, 0xb5));
    QStringList blank;
    for (int k = 0; k < 10; ++k) {
        *m_set << 0;
        blank << QString(k + 1, QChar(' '));       // distinct empty categories
    }
    series->append(m_set);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    Graph_Pesos_IO->addSeries(series);
    m_axis = new QBarCategoryAxis;
    m_axis->append(blank);
    auto *values = new QValueAxis;
    values->setRange(0, 100);
    values->setLabelFormat("%d");
    values->setTitleText("% of the busiest datafile");
    Graph_Pesos_IO->addAxis(m_axis, Qt::AlignBottom);
    Graph_Pesos_IO->addAxis(values, Qt::AlignLeft);
    series->attachAxis(m_axis);
    series->attachAxis(values);
    Graph_Pesos_IO->setTitle(qs(m_ctx.slotTable[m_ctx.slotTable.current].SERVIDOR));
    auto *view = new QChartView(Graph_Pesos_IO, this);
    view->setRenderHint(QPainter::Antialiasing);

    Intervalo = new QLineEdit("30", this);
    Intervalo->setObjectName("Intervalo");
    Intervalo->setMaximumWidth(60);
    SQLVigilUpDown = new QWidget(this);
    SQLVigilUpDown->setObjectName("SQLVigilUpDown");
    Up = new QToolButton(SQLVigilUpDown);
    Up->setObjectName("Up");
    Up->setArrowType(Qt::UpArrow);
    Down = new QToolButton(SQLVigilUpDown);
    Down->setObjectName("Down");
    Down->setArrowType(Qt::DownArrow);
    auto *updown = new QVBoxLayout(SQLVigilUpDown);
    updown->setContentsMargins(0, 0, 0, 0);
    updown->setSpacing(0);
    updown->addWidget(Up);
    updown->addWidget(Down);
    GMPesosIO_Activar = new QPushButton("I/O On", this);
    GMPesosIO_Activar->setObjectName("GMPesosIO_Activar");
    MGPesosIO_Salir = new QPushButton("&Exit", this);
    MGPesosIO_Salir->setObjectName("MGPesosIO_Salir");
    connect(Up, &QToolButton::clicked, this, [this] { SQLVigilUpDown_UpClick(); });
    connect(Down, &QToolButton::clicked, this, [this] { SQLVigilUpDown_DownClick(); });
    connect(Intervalo, &QLineEdit::textChanged, this, [this] { Intervalo_Change(); });
    connect(Intervalo, &QLineEdit::editingFinished, this, [this] {
        if (Numero_Entero(Intervalo->text(), 1, 86400) < 0 && Intervalo->text().trimmed() != "0")
            m_ctx.prompts.MsgBox(kIntervaloInvalido, vbOKOnly + vbExclamation, "Data Files I/O");
    });
    connect(GMPesosIO_Activar, &QPushButton::clicked, this, [this] { GMPesosIO_Activar_Click(); });
    connect(MGPesosIO_Salir, &QPushButton::clicked, this, [this] { MGPesosIO_Salir_Click(); });

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel("Interval (seconds)", this));
    controls->addWidget(Intervalo);
    controls->addWidget(SQLVigilUpDown);
    controls->addSpacing(16);
    controls->addWidget(GMPesosIO_Activar);
    controls->addStretch(1);
    controls->addWidget(MGPesosIO_Salir);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(view, 1);
    lay->addLayout(controls);
    resize(820, 480);
    applyPeriod();
}

// Every change of the interval sets the period, running or not; 0 (or a text
// that is not a whole number) keeps the timer silent.
void FmPesosIO::applyPeriod()
{
    const long seconds = Numero_Entero(Intervalo->text(), 0, 86400);
    if (seconds > 0)
        Tomar_Muestras->setInterval(static_cast<int>(seconds * 1000));
    if (m_on && seconds > 0)
        Tomar_Muestras->start();
    else
        Tomar_Muestras->stop();
}

void FmPesosIO::Intervalo_Change()
{
    applyPeriod();
}

void FmPesosIO::GMPesosIO_Activar_Click()
{
    if (m_on) {
        m_on = false;
        Tomar_Muestras->stop();
        GMPesosIO_Activar->setText("&I/O On");
        return;
    }
    if (Numero_Entero(Intervalo->text(), 1, 86400) < 0) {
        m_ctx.prompts.MsgBox(kIntervaloInvalido, vbOKOnly + vbExclamation, "Data Files I/O");
        return;
    }
    m_on = true;
    applyPeriod();
    GMPesosIO_Activar->setText("&I/O Off");
}

void FmPesosIO::SQLVigilUpDown_UpClick()
{
    const long v = Numero_Entero(Intervalo->text(), 0, 86399);
    Intervalo->setText(QString::number(std::labs((v < 0 ? 0 : v) + 1)));
}

void FmPesosIO::SQLVigilUpDown_DownClick()
{
    const long v = Numero_Entero(Intervalo->text(), 0, 86400);
    Intervalo->setText(QString::number(std::labs((v < 0 ? 0 : v) - 1)));
}

void FmPesosIO::Tomar_Muestras_Timer()
{
    // A tick that comes while the previous sample still waits for its server is
    // skipped, never stacked.
    if (m_sampling)
        return;
    struct Sampling {
        bool &b;
        explicit Sampling(bool &flag) : b(flag) { b = true; }
        ~Sampling() { b = false; }
    } sampling(m_sampling);
    shell::CallerScope caller(m_ctx, this);
    access::OraDatabase *db = m_ctx.currentConnection();
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    if (!db) {
        op.finish();
        return;
    }
    std::string maximo = "0";
    std::unique_ptr<access::OraDynaset> dyn;
    op.step([&] { maximo = Leer_Maximo(*db); });
    op.step([&] {
        dyn = db->DbCreateDynaset("select i.name uno, x.phyrds+x.phywrts dos, " + Expresion_Peso(maximo) +
                                      " tres, i.file# data_file_id from v$filestat x,sys.ts$ ts,v$datafile i,sys.file$ f "
                                      "where i.file#=f.file# and ts.ts#=f.ts# and x.file#=f.file# order by 3 desc",
                                  4);
    });
    if (!dyn) {
        op.finish();
        return;
    }
    Graph_Pesos_IO->setTitle(qs(m_ctx.slotTable[m_ctx.slotTable.current].SERVIDOR));
    QStringList labels;
    QList<double> values;
    for (int k = 0; k < 10; ++k) {
        QString label;
        double value = 0;
        if (op.alive() && !dyn->IsEOF()) {
            op.step([&] {
                label = qs(Nombre_Archivo(dyn->Fields("uno").toString()));
                value = dyn->Fields("tres").toDouble();
            });
            op.step([&] { dyn->MoveNext(); });
        }
        // Categories must differ: an empty label is padded with k+1 blanks.
        labels << (label.isEmpty() ? QString(k + 1, QChar(' ')) : label);
        values << value;
    }
    op.step([&] { dyn->Close(); });
    op.finish();
    m_axis->clear();
    m_axis->append(labels);
    for (int k = 0; k < 10; ++k)
        m_set->replace(k, values[k]);
}

QStringList FmPesosIO::etiquetas() const
{
    QStringList out;
    for (const QString &c : m_axis->categories())
        out << c.trimmed();
    return out;
}

QList<double> FmPesosIO::valores() const
{
    QList<double> out;
    for (int k = 0; k < m_set->count(); ++k)
        out << m_set->at(k);
    return out;
}

void FmPesosIO::MGPesosIO_Salir_Click()
{
    Tomar_Muestras->stop();
    closeForm(this);
}

} // namespace monitor
