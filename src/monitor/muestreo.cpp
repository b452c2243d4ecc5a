#include "muestreo.h"

#include "appcontext.h"
#include "errores.h"
#include "sqlcvpg.h"

#include <QAbstractButton>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <memory>

namespace monitor {

using namespace shell;

namespace {

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// The caption tells the truth: a timer left stopped means recording is off.
void showStopped(QTimer &timer)
{
    if (!timer.parent())
        return;
    if (auto *b = timer.parent()->findChild<QAbstractButton *>("BtnSentenciasPesadas"))
        b->setText(kBeginMonitoring);
}

} // namespace

std::string Consulta_Sentencias_Pesadas(const std::string &login)
{
    return std::string("Select ") + "   to_char(sysdate,'YYYY-MM-DD HH24:MI:SS') fecha, " + "   se.sid Sesion, " +
           "   se.serial# Serial, " + "   nvl(se.username,'*') username, " + "   nvl(se.osuser,'*') osuser, " +
           "   nvl(se.machine,'*') machine, " + "   nvl(se.terminal,'*') terminal, " +
           "   nvl(se.program,'*') program, " + "   to_char(se.logon_time,'YYYY-MM-DD HH24:MI:SS') logon_time, " +
           "   max(st.value) maxcpu " + "From   v$sesstat st, " + "   v$statname sn, " + "   v$session se " +
           "Where " + "   se.username <> '" + sqlLiteral(upper(login)) + "' and " + "   se.status = 'ACTIVE' and " +
           "   se.sid = st.sid and " + "   sn.statistic# = st.statistic# and " +
           "   sn.name in ( 'CPU used by this session', " + "   'CPU used when call started', " +
           "   'recursive cpu usage') " + "group by sysdate, " + "   se.sid, " + "   se.serial#, " +
           "   se.username, " + "   se.osuser, " + "   se.machine, " + "   se.terminal, " + "   se.program, " +
           "   se.logon_time " + "order by 2 Desc ";
}

void Muestra_Sentencias_Pesadas(AppContext &ctx, QTimer &timer)
{
    timer.stop();
    access::OraDatabase *db = ctx.currentConnection();
    if (!db) {
        showStopped(timer);
        return;
    }
    const Slot &slot = ctx.slotTable[ctx.slotTable.current];
    GuardedOperation op(ctx);
    std::unique_ptr<access::OraDynaset> ds;
    op.step([&] {
        Cursor_Ocupado(ctx);
        ds = db->DbCreateDynaset(Consulta_Sentencias_Pesadas(slot.LOGIN), 4);
    });
    if (op.alive() && ds && ds->IsEOF()) {
        op.finish();
        timer.start();
        return;
    }
    std::unique_ptr<localdb::Recordset> rs;
    op.step([&] { rs = ctx.repository->OpenRecordset("SENTENCIASPESADAS", 1); });
    while (op.alive() && ds && !ds->IsEOF()) {
        bool busy = false;
        op.step([&] { busy = ds->Fields("maxcpu").toDouble() > 0; });
        if (busy) {
            std::string text;
            op.step([&] {
                auto sql = db->DbCreateDynaset("select sql_text from v$sqltext, v$session where sid = " +
                                                   Texto(ds->Fields("sesion")) + " and serial# = " +
                                                   Texto(ds->Fields("serial")) +
                                                   " and address = sql_address and hash_value = sql_hash_value "
                                                   "order by piece",
                                               4);
                for (; !sql->IsEOF(); sql->MoveNext())
                    text += sql->Fields("sql_text").toString();
                sql->Close();
            });
            op.step([&] {
                if (!rs)
                    Err_Raise(kErrObjectNotSet);
                rs->AddNew();
                rs->SetField("FECHA", ds->Fields("fecha").toString());
                rs->SetField("MAQUINA_INSTANCIA", upper(slot.SERVIDOR));
                rs->SetField("SID", ds->Fields("sesion").toDouble());
                rs->SetField("USERNAME", ds->Fields("username").toString());
                rs->SetField("OSUSER", ds->Fields("osuser").toString());
                rs->SetField("MACHINE", ds->Fields("machine").toString());
                rs->SetField("TERMINAL", ds->Fields("terminal").toString());
                rs->SetField("PROGRAM", ds->Fields("program").toString());
                rs->SetField("LOGON_TIME", ds->Fields("logon_time").toString());
                rs->SetField("MAXCPU", ds->Fields("maxcpu").toDouble());
                rs->SetField("SQL_TEXT", text);
                rs->Update();
            });
        }
        op.step([&] { ds->MoveNext(); });
    }
    if (!op.alive()) {
        showStopped(timer);
        return;
    }
    if (rs)
        rs->Close();
    if (ds)
        ds->Close();
    op.finish();
    timer.start();
}

} // namespace monitor
