// The heavy-statement recorder and its viewer: the sample query, the rows it
// appends to SENTENCIASPESADAS, the timer and button rules, failures.
#include "muestreo.h"
#include "sentenciaspesadas.h"
#include "windowtest.h"

#include "testing.h"

#include "prompts.h"
#include "resultgrid.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using harness::WindowTest;

namespace {

// The main window's part the recorder works with: the timer and its button.
struct Frame {
    QWidget window;
    QTimer *timer = new QTimer(&window);
    QPushButton *button = new QPushButton(monitor::kStopMonitoring, &window);
    Frame()
    {
        timer->setObjectName("RelojSentenciasPesadas");
        timer->setInterval(15000);
        button->setObjectName("BtnSentenciasPesadas");
        timer->start();
    }
};

// Two samples of the recorder, `seconds` apart on the instance's clock.
void sampleTwice(WindowTest &t, Frame &f, int seconds)
{
    monitor::Muestra_Sentencias_Pesadas(t.ctx, *f.timer);
    sim::testing::advanceClock("ORCL", seconds);
    monitor::Muestra_Sentencias_Pesadas(t.ctx, *f.timer);
}

struct Recorded {
    std::string fecha, maquina, username, osuser, machine, terminal, program, logon, sql;
    long long sid = 0;
    double maxcpu = 0;
};

std::vector<Recorded> recorded(WindowTest &t)
{
    std::vector<Recorded> out;
    auto rs = t.ctx.repository->OpenRecordset("SELECT * FROM SENTENCIASPESADAS");
    for (; !rs->IsEOF(); rs->MoveNext())
        out.push_back({rs->Field("FECHA").toString(), rs->Field("MAQUINA_INSTANCIA").toString(),
                       rs->Field("USERNAME").toString(), rs->Field("OSUSER").toString(),
                       rs->Field("MACHINE").toString(), rs->Field("TERMINAL").toString(),
                       rs->Field("PROGRAM").toString(), rs->Field("LOGON_TIME").toString(),
                       rs->Field("SQL_TEXT").toString(), rs->Field("SID").toInt(), rs->Field("MAXCPU").toDouble()});
    return out;
}

const Recorded *find(const std::vector<Recorded> &rows, long long sid)
{
    for (const auto &r : rows)
        if (r.sid == sid)
            return &r;
    return nullptr;
}

} // namespace

class SentenciasPesadasTest : public QObject {
    Q_OBJECT
private slots:
    void sampleQueryText();
    void oneSampleRecordsTheBusySessions();
    void twoSamplesOfOneBusySession();
    void noConnectionStopsAndSaysSo();
    void failingSampleAnsweredIgnoreAndAbort();
    void onlyTheMonitorsOwnSessionsActive();
    void viewerShowsNewestFirst();
};

void SentenciasPesadasTest::sampleQueryText()
{
    const std::string q = monitor::Consulta_Sentencias_Pesadas("system");
    QVERIFY(q.rfind("Select    to_char(sysdate,'YYYY-MM-DD HH24:MI:SS') fecha,    se.sid Sesion,    se.serial# Serial, ",
                    0) == 0);
    QVERIFY(q.find("Where    se.username <> 'SYSTEM' and    se.status = 'ACTIVE' and    se.sid = st.sid and ") !=
            std::string::npos);
    QVERIFY(q.find("   sn.name in ( 'CPU used by this session',    'CPU used when call started',    'recursive cpu "
                   "usage') group by sysdate,    se.sid, ") != std::string::npos);
    QVERIFY(q.find("   se.logon_time order by 2 Desc ") == q.size() - std::string("   se.logon_time order by 2 Desc ").size());
    // A login holding a quote stays inside its literal.
    const std::string quoted = monitor::Consulta_Sentencias_Pesadas("o'brien");
    QVERIFY(quoted.find("se.username <> 'O''BRIEN' and ") != std::string::npos);
}

void SentenciasPesadasTest::oneSampleRecordsTheBusySessions()
{
    WindowTest t;
    Frame f;
    monitor::Muestra_Sentencias_Pesadas(t.ctx, *f.timer);
    QVERIFY2(t.prompts.count() == 0, t.prompts.log().c_str());
    const auto sent = t.statements();
    QVERIFY(sent.size() >= 2);
    QCOMPARE(sent[0], monitor::Consulta_Sentencias_Pesadas("SYSTEM"));
    for (size_t i = 1; i < sent.size(); ++i)
        QVERIFY(sent[i].rfind("select sql_text from v$sqltext, v$session where sid = ", 0) == 0);
    QVERIFY(f.timer->isActive());
    QCOMPARE(f.button->text(), QString(monitor::kStopMonitoring));

    const auto rows = recorded(t);
    QCOMPARE(rows.size(), sent.size() - 1);
    // Descending session id, every one active, busy and not the monitor's user.
    for (size_t i = 0; i < rows.size(); ++i) {
        QVERIFY(rows[i].maxcpu > 0);
        QVERIFY(rows[i].username != "SYSTEM" && rows[i].username != "*");
        QCOMPARE(rows[i].maquina, std::string("DEMO"));
        QCOMPARE(rows[i].fecha.size(), 19u);
        QCOMPARE(rows[i].logon.size(), 19u);
        if (i > 0)
            QVERIFY(rows[i].sid < rows[i - 1].sid);
    }
    // VENTAS 135 runs the five-bind insert; an active session without a current
    // statement would be recorded with an empty text.
    const Recorded *v = find(rows, 135);
    QVERIFY(v);
    QCOMPARE(v->username, std::string("VENTAS"));
    QCOMPARE(v->program, std::string("JDBC Thin Client"));
    QCOMPARE(v->sql, std::string("INSERT INTO LINEAS_PEDIDO (PEDIDO_ID, LINEA, PRODUCTO_ID, CANTIDAD, PRECIO) VALUES "
                                 "(:1, :2, :3, :4, :5)"));
    QVERIFY(!find(rows, 136));     // inactive
}

void SentenciasPesadasTest::twoSamplesOfOneBusySession()
{
    WindowTest t;
    Frame f;
    sampleTwice(t, f, 15);
    const auto rows = recorded(t);
    std::vector<const Recorded *> of135;
    for (const auto &r : rows)
        if (r.sid == 135)
            of135.push_back(&r);
    QCOMPARE(of135.size(), 2u);
    QVERIFY(of135[0]->fecha != of135[1]->fecha);
    QCOMPARE(of135[0]->sql, of135[1]->sql);
    QVERIFY(f.timer->isActive());
}

void SentenciasPesadasTest::noConnectionStopsAndSaysSo()
{
    harness::Options o;
    o.connect = false;
    WindowTest t(o);
    Frame f;
    monitor::Muestra_Sentencias_Pesadas(t.ctx, *f.timer);
    QVERIFY(!f.timer->isActive());
    QCOMPARE(f.button->text(), QString(monitor::kBeginMonitoring));
    QCOMPARE(t.prompts.count(), 0u);
    QVERIFY(recorded(t).empty());
}

void SentenciasPesadasTest::failingSampleAnsweredIgnoreAndAbort()
{
    {
        WindowTest t;
        Frame f;
        t.failNext("v$sesstat st", 942, "ORA-00942: table or view does not exist");
        t.prompts.answer(shell::vbAbort);
        monitor::Muestra_Sentencias_Pesadas(t.ctx, *f.timer);
        QCOMPARE(t.prompts.count(), 1u);
        QCOMPARE(t.statements().size(), 1u);
        QVERIFY(!f.timer->isActive());
        QCOMPARE(f.button->text(), QString(monitor::kBeginMonitoring));
        QCOMPARE(t.ctx.pointer.code(), 0);
    }
    {
        // Ignore on one session's text: its row is still written, with no text.
        WindowTest t;
        Frame f;
        t.failNext("where sid = 135", 1555, "ORA-01555: snapshot too old: rollback segment number 2 with name \"RBS1\" too small");
        t.prompts.answer(shell::vbIgnore);
        monitor::Muestra_Sentencias_Pesadas(t.ctx, *f.timer);
        QCOMPARE(t.prompts.count(), 1u);
        const Recorded *v = find(recorded(t), 135);
        QVERIFY(v);
        QCOMPARE(v->sql, std::string());
        QVERIFY(f.timer->isActive());
    }
}

void SentenciasPesadasTest::onlyTheMonitorsOwnSessionsActive()
{
    WindowTest t;
    sim::testing::runScript("ORCL", "UPDATE SYS.X$SESSION SET STATUS = 'INACTIVE' WHERE USERNAME <> 'SYSTEM'");
    Frame f;
    monitor::Muestra_Sentencias_Pesadas(t.ctx, *f.timer);
    QCOMPARE(t.statements().size(), 1u);
    QVERIFY(recorded(t).empty());
    QVERIFY(f.timer->isActive());
    QCOMPARE(t.prompts.count(), 0u);
}

void SentenciasPesadasTest::viewerShowsNewestFirst()
{
    WindowTest t;
    Frame f;
    sampleTwice(t, f, 60);
    const auto rows = recorded(t);
    auto *w = t.open<monitor::SentenciasPesadas>();
    QCOMPARE(t.rows(w, "LSentencias"), static_cast<int>(rows.size()) + 1);
    const QString newest = t.cell(w, "LSentencias", 1, 1);
    const QString oldest = t.cell(w, "LSentencias", static_cast<int>(rows.size()), 1);
    QVERIFY(newest > oldest);
    QCOMPARE(t.cell(w, "LSentencias", 1, 2), QString("DEMO"));
    // Within a sample, descending session id as recorded.
    QVERIFY(t.cell(w, "LSentencias", 1, 3).toInt() > t.cell(w, "LSentencias", 2, 3).toInt());
    w->LSentencias->grid()->setCurrentRow(1);
    w->LSentencias_Click();
    QCOMPARE(w->SQL_Texto->toPlainText(), t.cell(w, "LSentencias", 1, 11));
    QCOMPARE(t.prompts.count(), 0u);
}

QTEST_MAIN(SentenciasPesadasTest)
#include "test_sentenciaspesadas.moc"
