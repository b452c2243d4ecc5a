// Every statement the console's windows send, run against sim:ORCL as SYSTEM with names
// taken from the scenario, checked against what the scenario's instance must answer.
#include "fixture.h"

#include <algorithm>
#include <map>
#include <set>

using namespace dicttest;

namespace {

std::map<std::string, double> runBlock(sim::Connection &c, const std::string &block,
                                       const std::vector<std::string> &names)
{
    std::vector<sim::BindValue> binds;
    for (const auto &n : names) {
        sim::BindValue b;
        b.name = n;
        b.number = true;
        b.isNull = false;
        b.numberValue = 0;
        binds.push_back(b);
    }
    c.executeBlock(block, binds);
    std::map<std::string, double> out;
    for (const auto &b : binds) out[b.name] = b.numberValue;
    return out;
}

const std::string kSessions =
    "select sid, serial#, nvl(process,'Null') process, nvl(username,'Null') username, nvl(osuser,'Null') osuser, "
    "nvl(machine,'Null') machine, nvl(terminal,'Null') terminal, nvl(status,'Null') status, "
    "nvl(command,'124') command, nvl(program,'Null') program, sql_address, sql_hash_value from v$session order by ";

const std::string kCpu = "Select Distinct "
                         "       se.sid Sesion, sum(se.value) maxcpu "
                         "From   v$sesstat se, "
                         "       v$statname n "
                         "where  n.statistic# = se.statistic# and "
                         "       n.name in ( 'CPU used by this session', "
                         "                   'CPU used when call started', "
                         "                   'parse time cpu', "
                         "                   'recursive cpu usage') "
                         "group by se.sid "
                         "order by 2 Desc";
const std::string kMemory = "Select Distinct "
                            "       se.sid Sesion, max(se.value) maxmemoria "
                            "From   v$sesstat se, "
                            "       v$statname n "
                            "where  n.statistic# = se.statistic# and "
                            "n.name in ('session uga memory', "
                            "           'session uga memory max', "
                            "           'session pga memory', "
                            "           'session pga memory max') "
                            "           group by se.sid "
                            "           order by 2 Desc ";
const std::string kDisk = "Select Distinct "
                          "       se.sid Sesion, sum(se.value) maxdisco "
                          "From   v$sesstat se, "
                          "       v$statname n "
                          "where  n.statistic# = se.statistic# and "
                          "n.name in ('write requests', "
                          "           'session logical reads') "
                          "           group by se.sid "
                          "           order by 2 Desc ";
const std::string kConnectTime = "select sid Sesion,"
                                 "       to_char(SysDate - (Hsecs-s.value)/(24*3600*100),'DD/MM/YYYY HH24:MI:SS') Fecha, "
                                 "       Hsecs-S.Value Cantidad "
                                 "From   v$sesstat s, "
                                 "       v$statname n, "
                                 "       v$timer "
                                 "where  n.name = 'session connect time' and "
                                 "       n.statistic# = s.statistic# and "
                                 "       s.value != 0 "
                                 "order by s.value ";

std::string sqlText(const std::string &sid, const std::string &serial, bool trimmed)
{
    return std::string(trimmed ? "select rtrim(sql_text) mi_sql_text" : "select sql_text") +
           " from v$sqltext, v$session where sid = " + sid + " and serial# = " + serial +
           " and address = sql_address and hash_value = sql_hash_value order by piece";
}

const std::string kPlanTree = "select "
                              "decode(id,0,'',"
                              "lpad(' ',2*Level-1)||level||'.'||position)||' '||"
                              "operation||' '||options||' '||object_name||' '||"
                              "object_type||' '||"
                              "decode(id,0,'Costo = '||position) query_plan "
                              "from plan_table "
                              "connect by prior id = parent_id "
                              "and statement_id = 'SQLVIGIL' "
                              "start with id = 0 and statement_id = 'SQLVIGIL'";

// Bind-variable flattening of the sessions window: a colon before a digit is dropped, a
// colon and letter before a digit become the digit; the last character is dropped.
std::string flatten(const std::string &t)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        if (t[i] == ':') {
            ++i;
            if (!std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
            if (i < t.size()) out += t[i];
        } else {
            out += t[i];
        }
    }
    return out;
}

} // namespace

// Server status and memory windows: the two PL/SQL blocks and their figures.
TEST_F(Orcl, StatusAndTuningBlocksGiveABusyInstancesFigures)
{
    auto estado = runBlock(*db, kBloqueEstado, {"SSGA", "SSESSIONS", "SLIBCAC", "SROWCAC", "SBUFCAC", "SREDLOG"});
    EXPECT_NEAR(estado["SSGA"], 177.3, 0.5);
    EXPECT_EQ(estado["SSESSIONS"], 31);   // 30 scenario sessions and this connection
    EXPECT_GE(estado["SLIBCAC"], 99.0);
    EXPECT_LT(estado["SLIBCAC"], 100.0);
    EXPECT_GE(estado["SROWCAC"], 85.0);
    EXPECT_LT(estado["SROWCAC"], 99.0);
    EXPECT_GE(estado["SBUFCAC"], 90.0);
    EXPECT_LT(estado["SBUFCAC"], 95.0);
    EXPECT_GT(estado["SREDLOG"], 100);   // the log buffer warning shows
    EXPECT_LT(estado["SREDLOG"], 1000);

    auto tuning = runBlock(*db, kBloqueTuning, {"LIBCAC", "ROWCAC", "BUFCAC", "REDLOG", "SPSIZE", "BLKBUF", "LOGBUF"});
    EXPECT_DOUBLE_EQ(tuning["LIBCAC"], estado["SLIBCAC"]);
    EXPECT_DOUBLE_EQ(tuning["BUFCAC"], estado["SBUFCAC"]);
    EXPECT_EQ(tuning["SPSIZE"], 100663296);
    EXPECT_EQ(tuning["BLKBUF"], 4096);
    EXPECT_EQ(tuning["LOGBUF"], 524288);

    // The memory window's grids.
    Rows lib = q("select sum(pins) pins, sum(reloads) reloads, round(sum(reloads)/(sum(pins)+sum(reloads))*100,4) "
                 "percentage from v$librarycache");
    ASSERT_EQ(lib.size(), 1u);
    EXPECT_LT(std::stod(lib[0][2]), 1.0);
    Rows dict = q("select unique parameter, gets, getmisses, round(getmisses/(gets+getmisses)*100,4) percentage "
                  "from v$rowcache where gets+getmisses <> 0");
    EXPECT_GE(dict.size(), 14u);
    for (const auto &r : dict) EXPECT_NE(r[0], "dc_files");   // never used: not listed
    Rows latches = q("select name, sum(gets) wtw_gets, sum(misses) wtw_misses, sum(immediate_gets) imm_gets, "
                     "sum(immediate_misses) imm_misses from v$latch group by name order by name");
    ASSERT_GE(latches.size(), 20u);
    EXPECT_EQ(latches[0][0], "SQL memory manager workarea list latch");
    Rows sorts = q("select name, value from v$sysstat where name like '%sort%'");
    ASSERT_EQ(sorts.size(), 3u);
    EXPECT_EQ(sorts[0][0], "sorts (memory)");
    Rows memSessions = q("select sid, serial#, nvl(username,'Null') username from v$session order by username");
    EXPECT_EQ(memSessions.size(), 31u);
}

TEST_F(Orcl, SessionsWindowListsRanksShowsSqlAndExplains)
{
    Rows list = q(kSessions + "1,2");
    ASSERT_EQ(list.size(), 31u);
    EXPECT_EQ(list[0][0], "1");
    EXPECT_EQ(list[0][3], "Null");          // background process without a user
    EXPECT_EQ(last[8], "COMMAND");
    int nullCommands = 0;
    for (const auto &r : list) nullCommands += r[8] == "124";
    EXPECT_EQ(nullCommands, 1);
    Rows byUser = q(kSessions + "4");
    EXPECT_EQ(byUser.front()[3], "DBSNMP");

    for (const std::string *sql : {&kCpu, &kMemory, &kDisk}) {
        Rows r = q(*sql);
        ASSERT_GE(r.size(), 10u) << *sql;
        EXPECT_GE(std::stod(r[0][1]), std::stod(r[1][1]));
        EXPECT_GT(std::stod(r[0][1]), 0);
    }
    Rows connect = q(kConnectTime);
    ASSERT_EQ(connect.size(), 31u);
    EXPECT_EQ(connect[0][1], "05/12/2026 13:00:05");   // PMON, five seconds after startup
    EXPECT_EQ(connect[0][2], std::to_string(266395 * 100));
    EXPECT_EQ(connect.back()[2], "0");                  // this connection, just logged on

    // SCOTT's report query (sid 147, serial 14), cut into 64-character pieces.
    Rows pieces = q(sqlText("147", "14", true));
    ASSERT_EQ(pieces.size(), 2u);
    std::string text;
    for (const auto &p : pieces) text += p[0];
    EXPECT_EQ(text, "SELECT E.ENAME, E.SAL, D.DNAME FROM EMP E, DEPT D WHERE E.DEPTNO = D.DEPTNO AND E.SAL > :1 ORDER BY "
                    "E.SAL DESC");

    // Explain it as the window does, in SCOTT's schema.
    std::string full;
    for (const auto &p : q(sqlText("147", "14", false))) full += p[0];
    EXPECT_EQ(x("delete plan_table where statement_id = 'SQLVIGIL'"), 0);
    x("commit");
    x("alter session set current_schema=SCOTT");
    x("explain plan set statement_id = 'SQLVIGIL' for " + flatten(full + ";"));
    x("alter session set current_schema=SYSTEM");
    Rows plan = q(kPlanTree);
    ASSERT_GE(plan.size(), 4u);
    EXPECT_EQ(plan[0][0].rfind(" SELECT STATEMENT", 0), 0u) << plan[0][0];
    EXPECT_NE(plan[0][0].find("Costo = "), std::string::npos);
    EXPECT_EQ(plan[1][0].rfind("   2.1 SORT ORDER BY", 0), 0u) << plan[1][0];
    bool fullScan = false, indexAccess = false;
    for (const auto &r : plan) {
        fullScan |= r[0].find("TABLE ACCESS FULL") != std::string::npos;
        indexAccess |= r[0].find("INDEX UNIQUE SCAN PK_DEPT") != std::string::npos ||
                       r[0].find("INDEX RANGE SCAN") != std::string::npos;
    }
    EXPECT_TRUE(fullScan);
    EXPECT_TRUE(indexAccess);
    // Explaining again under the same id replaces the rows.
    x("delete plan_table where statement_id = 'SQLVIGIL'");
    EXPECT_EQ(q(kPlanTree).size(), 0u);

    // A session with a null user name: the window's schema switch fails like Oracle.
    EXPECT_EQ(code("alter session set current_schema=Null"), 1435);
}

TEST_F(Orcl, LockWindowsBuildTheThreeLevelWaitChain)
{
    x("create table SQLVIGIL_HOLDERS "
      "( "
      "    waiting_session number, "
      "    holding_session number, "
      "    lock_type       varchar2(26), "
      "    mode_held       varchar2(14), "
      "    mode_requested  varchar2(14), "
      "    lock_id1        varchar2(22), "
      "    lock_id2        varchar2(22) "
      ")");
    x("create table sqlvigil_locks_temp as select * from sys.dba_locks");
    x("insert into sqlvigil_holders "
      "select w.session_id, "
      "       h.session_id, "
      "       w.lock_type, "
      "       h.mode_held, "
      "       w.mode_requested, "
      "       w.lock_id1, "
      "       w.lock_id2 "
      "from sqlvigil_locks_temp w, sqlvigil_locks_temp h "
      "where h.mode_held      <> 'None' "
      "  and h.mode_held      <> 'Null' "
      "  and w.mode_requested <> 'None' "
      "  and w.lock_type       = h.lock_type "
      "  and w.lock_id1        = h.lock_id1 "
      "  and w.lock_id2        = h.lock_id2");
    x("commit");
    x("drop table sqlvigil_locks_temp");
    x("insert into sqlvigil_holders "
      "select holding_session, "
      "       null, "
      "       'None', "
      "       null, "
      "       null, "
      "       null, "
      "       null "
      "  from sqlvigil_holders "
      "minus "
      "select waiting_session, "
      "       null, "
      "       'None', "
      "       null, "
      "       null, "
      "       null, "
      "       null "
      "  from sqlvigil_holders");
    Rows tree = q("select lpad(' ',3*(level-1)) || "
                  "       waiting_session waiting_session, "
                  "       lock_type, "
                  "       mode_requested, "
                  "       mode_held, "
                  "       lock_id1, "
                  "       lock_id2 "
                  "from sqlvigil_holders "
                  "connect by prior waiting_session = "
                  "                 holding_session "
                  "start with holding_session is null ");
    ASSERT_EQ(tree.size(), 3u);
    EXPECT_EQ(tree[0], (std::vector<std::string>{"136", "None", "~", "~", "~", "~"}));
    EXPECT_EQ(tree[1], (std::vector<std::string>{"   139", "Transaction", "Exclusive", "Exclusive", "131084", "1634"}));
    EXPECT_EQ(tree[2], (std::vector<std::string>{"      143", "Transaction", "Exclusive", "Exclusive", "196613", "2210"}));
    x("drop table sqlvigil_holders");
    EXPECT_EQ(code("select * from sqlvigil_holders"), 942);

    // Resources Locks: the lock list, an object and a session in detail, its SQL.
    Rows locks = q("SELECT SID, TYPE, ID1, ID2, LMODE, "
                   "REQUEST "
                   "FROM SYS.V_$LOCK");
    EXPECT_GE(locks.size(), 20u);
    std::set<std::string> types;
    for (const auto &r : locks) types.insert(r[1]);
    EXPECT_TRUE(types.count("TX") && types.count("TM") && types.count("TS") && types.count("MR") && types.count("XR"));
    Rows object = q("SELECT OWNER, OBJECT_ID, OBJECT_NAME, OBJECT_TYPE, CREATED, LAST_DDL_TIME, TIMESTAMP, STATUS "
                    "FROM DBA_OBJECTS WHERE OBJECT_ID = 30210");
    ASSERT_EQ(object.size(), 1u);
    EXPECT_EQ(object[0][2], "EMPLOYEES");
    EXPECT_EQ(object[0][6], "2002-06-03:16:21:07");
    EXPECT_TRUE(q("SELECT OWNER, OBJECT_ID FROM DBA_OBJECTS WHERE OBJECT_ID = 131084").empty());
    Rows session = q("SELECT SID, SERIAL# SERIAL, AUDSID, USER# USUARIO, USERNAME, COMMAND, LOCKWAIT, STATUS, SERVER, "
                     "OSUSER, PROCESS, MACHINE, TERMINAL, PROGRAM, TYPE FROM V$SESSION WHERE SID = 139");
    ASSERT_EQ(session.size(), 1u);
    EXPECT_EQ(session[0][4], "VENTAS");
    EXPECT_EQ(session[0][6], "6D100017");
    std::string text;
    for (const auto &p : q(sqlText("139", "1215", false))) text += p[0];
    EXPECT_EQ(text, "UPDATE HR.EMPLOYEES SET COMMISSION_PCT = :1 WHERE EMPLOYEE_ID = :2");
}

TEST_F(Orcl, IoContentionProcessesParametersLogsAndControlFiles)
{
    std::string m = one("select max(x.phyrds+x.phywrts) max_total_view from v$filestat x, sys.ts$ ts, v$datafile i, "
                        "sys.file$ f where i.file#=f.file# and ts.ts#=f.ts# and x.file#=f.file#");
    ASSERT_NE(m, "<none>");
    Rows io = q("select substr(i.name,0,5) disco, i.name nombre_datafile, x.phyrds total_lecturas, x.phywrts "
                "total_escrituras, x.phyrds+x.phywrts total_lec_esc, round(100*(x.phyrds+x.phywrts)/" + m +
                ",2) Porcentaje_Lec_Esc from v$filestat x,sys.ts$ ts,v$datafile i,sys.file$ f where i.file#=f.file# "
                "and ts.ts#=f.ts# and x.file#=f.file# order by 5 desc");
    ASSERT_EQ(io.size(), 8u);
    EXPECT_EQ(io[0][0], "/u04/");
    EXPECT_EQ(io[0][1], "/u04/oradata/ORCL/users01.dbf");
    EXPECT_EQ(io[0][5], "100");
    Rows sample = q("select i.name uno, x.phyrds+x.phywrts dos, round(100*(x.phyrds+x.phywrts)/" + m +
                    ",2) tres, i.file# data_file_id from v$filestat x,sys.ts$ ts,v$datafile i,sys.file$ f where "
                    "i.file#=f.file# and ts.ts#=f.ts# and x.file#=f.file# order by 3 desc");
    EXPECT_EQ(sample.size(), 8u);

    Rows heavy = q("Select "
                   "   to_char(sysdate,'YYYY-MM-DD HH24:MI:SS') fecha, "
                   "   se.sid Sesion, "
                   "   se.serial# Serial, "
                   "   nvl(se.username,'*') username, "
                   "   nvl(se.osuser,'*') osuser, "
                   "   nvl(se.machine,'*') machine, "
                   "   nvl(se.terminal,'*') terminal, "
                   "   nvl(se.program,'*') program, "
                   "   to_char(se.logon_time,'YYYY-MM-DD HH24:MI:SS') logon_time, "
                   "   max(st.value) maxcpu "
                   "From   v$sesstat st, "
                   "   v$statname sn, "
                   "   v$session se "
                   "Where "
                   "   se.username <> 'SYSTEM' and "
                   "   se.status = 'ACTIVE' and "
                   "   se.sid = st.sid and "
                   "   sn.statistic# = st.statistic# and "
                   "   sn.name in ( 'CPU used by this session', "
                   "   'CPU used when call started', "
                   "   'recursive cpu usage') "
                   "group by sysdate, "
                   "   se.sid, "
                   "   se.serial#, "
                   "   se.username, "
                   "   se.osuser, "
                   "   se.machine, "
                   "   se.terminal, "
                   "   se.program, "
                   "   se.logon_time "
                   "order by 2 Desc ");
    ASSERT_EQ(heavy.size(), 10u);
    EXPECT_EQ(heavy[0][0], "2026-12-08 15:00:00");
    EXPECT_EQ(heavy[0][1], "150");
    for (const auto &r : heavy) EXPECT_NE(r[3], "SYSTEM");

    Rows freeList = q("select class, count from v$waitstat where class = 'free list'");
    ASSERT_EQ(freeList.size(), 1u);
    Rows gets = q("select name, value from v$sysstat where name in ('db block gets','consistent gets')");
    ASSERT_EQ(gets.size(), 2u);
    EXPECT_EQ(gets[0][0], "db block gets");
    Rows rbs = q("select r.name rbs, nvl(s.username, 'None') oracle_user, s.osuser  client_user, p.username os_user, "
                 "s.sid sid, s.serial# serial, p.spid os_pid from v$process p, v$rollname r, v$session s,v$transaction "
                 "t Where s.taddr = t.addr and  s.paddr = p.addr(+) and r.usn=t.xidusn(+) order by r.name");
    ASSERT_EQ(rbs.size(), 5u);
    EXPECT_EQ(rbs[0][0], "R01");
    EXPECT_EQ(rbs[0][3], "oracle");
    Rows waits = q("select sid, event, nvl(p1text,' ') p1text, p1, nvl(p2text,' ') p2text, p2, nvl(p3text,' ') p3text, "
                   "p3 from v$session_wait");
    EXPECT_EQ(waits.size(), 31u);
    Rows procs = q("select pid, nvl(spid,'Null') spid, nvl(username,'Null') username, serial#, nvl(terminal,'Null') "
                   "terminal, program from v$process order by pid, spid");
    ASSERT_EQ(procs.size(), 32u);
    EXPECT_EQ(procs[0][1], "Null");
    EXPECT_EQ(procs[0][2], "Null");
    EXPECT_EQ(procs[0][5], "PSEUDO");

    Rows params = q("select num, name, type, nvl(value,'Null') value, isdefault from v$parameter order by name");
    std::set<std::string> typesSeen;
    for (const auto &r : params) typesSeen.insert(r[2]);
    EXPECT_EQ(typesSeen, (std::set<std::string>{"1", "2", "3", "4", "6"}));
    EXPECT_EQ(one("select value from v$parameter where name = 'db_block_size'"), "8192");

    Rows groups = q("select group#, bytes, members from v$log");
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0][2], "2");
    Rows members = q("select group#, nvl(status,'Null') status, member from v$logfile");
    ASSERT_EQ(members.size(), 6u);
    EXPECT_EQ(members[0][1], "Null");
    EXPECT_EQ(q("select nvl(status,'Null') status, name from v$controlfile").size(), 3u);
}

TEST_F(Orcl, StorageWindowsSeeConsistentSpace)
{
    Rows ts = q("select tablespace_name, initial_extent, next_extent, min_extents, nvl(max_extents,0) max_extents, "
                "pct_increase, status from dba_tablespaces order by tablespace_name");
    ASSERT_EQ(ts.size(), 7u);
    std::map<std::string, std::string> status;
    for (const auto &r : ts) status[r[0]] = r[6];
    EXPECT_EQ(status["TOOLS"], "OFFLINE");
    EXPECT_EQ(status["HIST"], "READ ONLY");
    EXPECT_EQ(status["USERS"], "ONLINE");
    EXPECT_EQ(ts[4][0], "TEMP");
    EXPECT_EQ(ts[4][4], "0");

    Rows files = q("select a.file_name nombre, a.file_id identificador, a.bytes/1024/1024 tamano, a.blocks bloques, "
                   "b.status estado from dba_data_files a, v$datafile b where a.file_name = b.name and "
                   "a.tablespace_name = 'USERS' order by a.file_name");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0][2], "100");
    EXPECT_EQ(files[1][2], "50");
    Rows free = q("select round(sum(bytes)/1024/1024) total_libre, round(max(bytes)/1024) maximo, "
                  "round(avg(bytes)/1024) average, round(min(bytes)/1024) minimo, count(*) fragmentos from "
                  "dba_free_space where tablespace_name ='USERS'");
    ASSERT_EQ(free.size(), 1u);
    EXPECT_EQ(free[0][0], "20");
    EXPECT_EQ(free[0][4], "3");
    // Free space plus segments never exceed the files of a tablespace.
    for (const auto &name : {"SYSTEM", "RBS", "USERS", "TEMP", "TOOLS", "INDX", "HIST"}) {
        double total = num(std::string("select sum(blocks) from dba_data_files where tablespace_name = '") + name + "'");
        std::string f = one(std::string("select nvl(sum(blocks),0) from dba_free_space where tablespace_name = '") + name + "'");
        std::string s = one(std::string("select nvl(sum(blocks),0) from dba_segments where tablespace_name = '") + name + "'");
        EXPECT_LE(std::stod(f) + std::stod(s), total) << name;
    }
    Rows none = q("select round(sum(bytes)/1024/1024) total_libre, round(max(bytes)/1024) maximo, "
                  "round(min(bytes)/1024) minimo, count(*) fragmentos from dba_free_space where tablespace_name ='INDX'");
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0][0], "~");
    EXPECT_EQ(none[0][3], "0");
    Rows segs = q("select owner, segment_name, segment_type, bytes, extents, next_extent from dba_segments where "
                  "tablespace_name = 'USERS' order by owner, segment_name");
    EXPECT_GE(segs.size(), 20u);
    Rows quotas = q("select username, bytes, max_bytes, blocks, max_blocks from dba_ts_quotas where tablespace_name = "
                    "'USERS' order by username");
    ASSERT_EQ(quotas.size(), 4u);
    EXPECT_EQ(quotas[0][0], "HR");
    EXPECT_EQ(quotas[3][2], "-1");

    // Space samples.
    EXPECT_EQ(q("select tablespace_name, file_name, blocks from dba_data_files").size(), 8u);
    EXPECT_EQ(q("select tablespace_name, count(blocks) cblocks, sum(blocks) sblocks, max(blocks) mblocks from "
                "dba_free_space group by tablespace_name").size(), 6u);
    Rows ext = q("select tablespace_name, owner, segment_name, segment_type, extents, blocks from dba_segments where "
                 "extents > 9 or segment_type = 'ROLLBACK'");
    EXPECT_GE(ext.size(), 20u);

    // Rollback segments.
    Rows rs = q("select a.owner a_owner,"
                "       a.segment_name a_segment_name,"
                "       a.tablespace_name a_tablespace_name,"
                "       a.initial_extent a_initial_extent,"
                "       a.next_extent a_next_extent,"
                "       a.min_extents a_min_extents,"
                "       a.max_extents a_max_extents,"
                "       a.pct_increase a_pct_increase,"
                "       b.extents b_extents, b.bytes b_bytes,"
                "       b.blocks b_blocks, a.status a_status,"
                "       b.freelists b_freelists,"
                "       b.freelist_groups b_freelist_groups,"
                "       nvl(c.optsize,0) c_optimal "
                "from dba_rollback_segs a,"
                "     dba_segments b,"
                "     v$rollstat c,"
                "     v$rollname d "
                "where b.segment_type = 'ROLLBACK' and "
                "      a.segment_name = b.segment_name and "
                "      a.tablespace_name = b.tablespace_name and "
                "      a.segment_name = d.name(+) and d.usn = c.usn(+) "
                "order by a.segment_name");
    ASSERT_EQ(rs.size(), 6u);
    EXPECT_EQ(rs[3][1], "R04");
    EXPECT_EQ(rs[3][14], "10485760");
    EXPECT_EQ(rs[4][1], "R05");
    EXPECT_EQ(rs[4][11], "OFFLINE");
    EXPECT_EQ(rs[4][14], "0");

    // Datafiles window.
    Rows dfs = q("select b.file# numero_dbf, a.file_name uno, a.tablespace_name dos, a.bytes/1024/1024 tres, b.status "
                 "cuatro from dba_data_files a, v$datafile b where a.file_name = b.name order by b.file#");
    ASSERT_EQ(dfs.size(), 8u);
    EXPECT_EQ(dfs[0][4], "SYSTEM");
    EXPECT_EQ(dfs[4][4], "OFFLINE");
    EXPECT_EQ(one("select log_mode from v$database"), "ARCHIVELOG");
    EXPECT_EQ(one("select status from dba_tablespaces where tablespace_name = 'USERS'"), "ONLINE");

    // Segments near their limits and segments that cannot grow.
    Rows limit = q("SELECT seg.owner uno, seg.segment_name dos, seg.segment_type tres, seg.tablespace_name cuatro, "
                   "seg.extents cinco, seg.max_extents seis FROM sys.dba_segments seg WHERE seg.extents >= "
                   "seg.max_extents ");
    ASSERT_EQ(limit.size(), 2u);   // AUDITORIA at 505 and the one-extent CACHE segment
    Rows near = q("SELECT seg.owner uno, seg.segment_name dos, seg.segment_type tres, seg.tablespace_name cuatro, "
                  "seg.extents cinco, seg.max_extents seis FROM sys.dba_segments seg WHERE seg.extents >= "
                  "seg.max_extents - 5 ");
    EXPECT_EQ(near.size(), 3u);    // and R02 at 118 of 121
    Rows cannot = q("SELECT seg.owner uno, seg.segment_name dos, seg.segment_type tres, seg.tablespace_name cuatro, "
                    "seg.next_extent cinco FROM dba_segments seg WHERE seg.segment_type in "
                    "('TABLE','CLUSTER','INDEX','ROLLBACK') AND NOT EXISTS (select free.tablespace_name FROM "
                    "dba_free_space free WHERE free.tablespace_name = seg.tablespace_name and free.bytes >= "
                    "seg.next_extent)");
    std::set<std::string> names;
    for (const auto &r : cannot) names.insert(r[1]);
    EXPECT_TRUE(names.count("HISTORICO_VENTAS"));
    EXPECT_TRUE(names.count("PK_PEDIDOS"));       // INDX has no free extent at all
    EXPECT_FALSE(names.count("PEDIDOS"));
}

TEST_F(Orcl, SchemaWindowsBrowseObjectsUsersRolesGrantsSynonymsAndClusters)
{
    Rows dbRow = q("select name, created, log_mode, checkpoint_change#, archive_change# from v$database");
    ASSERT_EQ(dbRow.size(), 1u);
    EXPECT_EQ(dbRow[0][0], "ORCL");
    EXPECT_EQ(dbRow[0][1], "2002-03-14 10:12:31");
    EXPECT_EQ(one("select count(username) usuarios from dba_users"), "8");
    Rows types = q("select object_type, count(object_name) num_objetos from dba_objects group by object_type");
    std::set<std::string> typeNames;
    for (const auto &r : types) typeNames.insert(r[0]);
    for (const char *t : {"CLUSTER", "DATABASE LINK", "FUNCTION", "INDEX", "PACKAGE", "PACKAGE BODY", "PROCEDURE",
                          "SEQUENCE", "SYNONYM", "TABLE", "VIEW"})
        EXPECT_TRUE(typeNames.count(t)) << t;
    EXPECT_FALSE(q("select distinct owner from dba_objects where object_type='TABLE'").empty());
    EXPECT_FALSE(q("select distinct object_type from dba_objects where owner = 'SCOTT'").empty());
    EXPECT_EQ(q("select distinct object_name from dba_objects where owner = 'SCOTT' and object_type = 'TABLE'").size(), 6u);

    Rows link = q("SELECT * FROM DBA_DB_LINKS WHERE OWNER = 'VENTAS' AND DB_LINK = 'CENTRAL.WORLD'");
    ASSERT_EQ(link.size(), 1u);
    Rows index = q("SELECT OWNER,INDEX_NAME,TABLE_OWNER,TABLE_NAME,TABLESPACE_NAME,INITIAL_EXTENT,NEXT_EXTENT,"
                   "MIN_EXTENTS,MAX_EXTENTS,PCT_INCREASE,PCT_FREE,INI_TRANS,MAX_TRANS,UNIQUENESS  FROM DBA_INDEXES "
                   "WHERE OWNER = 'HR' AND INDEX_NAME = 'EMP_NAME_IX'");
    ASSERT_EQ(index.size(), 1u);
    EXPECT_EQ(index[0][4], "INDX");
    EXPECT_EQ(index[0][13], "NONUNIQUE");
    EXPECT_EQ(q("SELECT COLUMN_NAME FROM DBA_IND_COLUMNS WHERE INDEX_OWNER = 'HR' AND INDEX_NAME = 'EMP_NAME_IX' AND "
                "TABLE_OWNER = 'HR' AND TABLE_NAME = 'EMPLOYEES'").size(), 2u);
    EXPECT_EQ(q("SELECT COLUMN_NAME FROM DBA_TAB_COLUMNS WHERE OWNER = 'HR' AND TABLE_NAME = 'EMPLOYEES'").size(), 11u);
    Rows seq = q("SELECT * FROM DBA_SEQUENCES WHERE SEQUENCE_OWNER = 'VENTAS' AND SEQUENCE_NAME = 'SEQ_FACTURAS'");
    ASSERT_EQ(seq.size(), 1u);
    Rows syn = q("select owner, synonym_name, table_owner, table_name, nvl(db_link,'Null') db_link from dba_synonyms "
                 "WHERE OWNER = 'VENTAS' AND SYNONYM_NAME = 'CLIENTES_CENTRAL'");
    ASSERT_EQ(syn.size(), 1u);
    EXPECT_EQ(syn[0][4], "CENTRAL.WORLD");
    Rows tab = q("SELECT A.OWNER OWNER,TABLE_NAME,TABLESPACE_NAME,INITIAL_EXTENT,NEXT_EXTENT,MIN_EXTENTS,MAX_EXTENTS,"
                 "PCT_INCREASE,PCT_FREE,PCT_USED,INI_TRANS,MAX_TRANS,CREATED FROM DBA_TABLES A, DBA_OBJECTS B WHERE "
                 "A.OWNER = 'SCOTT' AND A.TABLE_NAME = 'EMP' AND A.OWNER = B.OWNER AND A.TABLE_NAME = B.OBJECT_NAME AND "
                 "B.OBJECT_TYPE = 'TABLE'");
    ASSERT_EQ(tab.size(), 1u);
    EXPECT_EQ(tab[0][2], "USERS");
    EXPECT_EQ(tab[0][12], "2002-03-14 10:58:41");
    Rows cols = q("SELECT COLUMN_NAME,DATA_TYPE,DATA_LENGTH,NullABLE FROM DBA_TAB_COLUMNS WHERE OWNER = 'SCOTT' AND "
                  "TABLE_NAME = 'EMP'");
    ASSERT_EQ(cols.size(), 8u);
    EXPECT_EQ(cols[0][3], "N");

    EXPECT_EQ(q("select table_name, tablespace_name, nvl(cluster_name,'Null') cluster_name from dba_tables WHERE OWNER "
                "= 'SCOTT' order by table_name").size(), 6u);
    EXPECT_FALSE(q("select owner, index_name, table_owner, table_name, table_type, tablespace_name, initial_extent, "
                   "next_extent, max_extents from dba_indexes  order by index_name").empty());
    Rows views = q("select owner, view_name, text_length, text from dba_views WHERE OWNER = 'HR' order by view_name");
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(q("select sequence_owner, sequence_name, min_value, max_value, increment_by, last_number from "
                "dba_sequences WHERE SEQUENCE_OWNER = 'HR' order by sequence_name").size(), 3u);
    Rows parents = q("SELECT distinct B.TABLE_NAME uno FROM DBA_CONSTRAINTS A, DBA_CONSTRAINTS B WHERE A.OWNER = 'HR' "
                     "AND A.TABLE_NAME = 'EMPLOYEES' AND A.R_CONSTRAINT_NAME = B.CONSTRAINT_NAME");
    EXPECT_EQ(parents.size(), 3u);   // DEPARTMENTS, JOBS and EMPLOYEES itself
    Rows children = q("SELECT distinct B.TABLE_NAME uno FROM DBA_CONSTRAINTS A, DBA_CONSTRAINTS B WHERE A.OWNER = 'HR' "
                      "AND A.TABLE_NAME = 'EMPLOYEES' AND A.CONSTRAINT_TYPE IN ('P','U') AND B.R_CONSTRAINT_NAME = "
                      "A.CONSTRAINT_NAME");
    EXPECT_EQ(children.size(), 2u);  // DEPARTMENTS and EMPLOYEES
    EXPECT_FALSE(q("SELECT distinct B.TABLE_NAME uno, B.CONSTRAINT_NAME dos, A.STATUS tres FROM DBA_CONSTRAINTS A, "
                   "DBA_CONSTRAINTS B WHERE A.OWNER = 'HR' AND A.TABLE_NAME = 'EMPLOYEES' AND B.TABLE_NAME = "
                   "'DEPARTMENTS' AND A.R_CONSTRAINT_NAME = B.CONSTRAINT_NAME").empty());
    EXPECT_EQ(q("SELECT COLUMN_NAME FROM DBA_CONS_COLUMNS WHERE OWNER = 'VENTAS' AND TABLE_NAME = 'LINEAS_PEDIDO' AND "
                "CONSTRAINT_NAME = 'PK_LINEAS_PEDIDO' ORDER BY POSITION").size(), 2u);

    Rows users = q("select username, user_id, default_tablespace, temporary_tablespace, created from dba_users order "
                   "by username");
    ASSERT_EQ(users.size(), 8u);
    EXPECT_EQ(users[0][0], "DBSNMP");
    EXPECT_EQ(q("select tablespace_name from dba_tablespaces order by tablespace_name").size(), 7u);
    Rows user = q("select username, default_tablespace, temporary_tablespace, profile from dba_users where username = "
                  "'VENTAS'");
    ASSERT_EQ(user.size(), 1u);
    EXPECT_EQ(user[0][3], "APP_PROFILE");
    EXPECT_EQ(q("select granted_role, default_role from dba_role_privs where grantee = 'VENTAS' order by "
                "granted_role").size(), 3u);

    Rows roles = q("select role, password_required from dba_roles order by role");
    EXPECT_EQ(roles.size(), 10u);
    Rows grantees = q("SELECT DISTINCT GRANTEE USUARIO, 'U' TIPO FROM DBA_TAB_PRIVS A, DBA_USERS B WHERE A.GRANTEE = "
                      "B.USERNAME UNION SELECT DISTINCT GRANTEE USUARIO, 'R' TIPO FROM DBA_TAB_PRIVS C, DBA_ROLES D "
                      "WHERE C.GRANTEE = D.ROLE UNION SELECT 'PUBLIC' USUARIO, 'P' TIPO FROM DUAL ORDER BY 1 ");
    EXPECT_GE(grantees.size(), 7u);
    Rows privs = q("SELECT PRIVILEGE, GRANTABLE FROM DBA_TAB_PRIVS WHERE GRANTEE = 'SCOTT' AND OWNER = 'HR' AND "
                   "TABLE_NAME = 'EMPLOYEES' ORDER BY PRIVILEGE");
    ASSERT_EQ(privs.size(), 1u);
    EXPECT_FALSE(q("SELECT DISTINCT OWNER FROM DBA_TAB_PRIVS WHERE GRANTEE = 'PUBLIC' ORDER BY OWNER").empty());
    EXPECT_EQ(q("SELECT DISTINCT TABLE_NAME, GRANTABLE FROM DBA_TAB_PRIVS WHERE GRANTEE = 'SCOTT' AND OWNER = 'VENTAS' "
                "ORDER BY TABLE_NAME").size(), 2u);
    Rows detail = q("SELECT A.GRANTOR GRANTOR,        B.OBJECT_TYPE OBJECT_TYPE FROM DBA_TAB_PRIVS A, DBA_OBJECTS B "
                    "WHERE A.GRANTEE = 'SCOTT' AND       A.OWNER = 'HR' AND       A.TABLE_NAME = 'EMPLOYEES' AND    "
                    "   A.PRIVILEGE = 'SELECT' AND       A.OWNER = B.OWNER AND       A.TABLE_NAME = B.OBJECT_NAME ");
    ASSERT_EQ(detail.size(), 1u);
    EXPECT_EQ(detail[0][1], "TABLE");

    Rows syns = q("select owner, synonym_name, table_owner, table_name, nvl(db_link,'Null') db_link from dba_synonyms  "
                  "order by synonym_name");
    EXPECT_GE(syns.size(), 50u);

    EXPECT_EQ(q("SELECT CLUSTER_NAME FROM DBA_CLUSTERS WHERE OWNER = 'SCOTT' ORDER BY CLUSTER_NAME").size(), 1u);
    Rows cluster = q("SELECT * FROM DBA_CLUSTERS WHERE OWNER = 'VENTAS' AND CLUSTER_NAME = 'PRECIOS_CLU'");
    ASSERT_EQ(cluster.size(), 1u);
    EXPECT_EQ(cluster[0][5], "~");   // no key size
    Rows keys = q("SELECT DISTINCT CLU_COLUMN_NAME, DATA_TYPE, DATA_LENGTH FROM DBA_CLU_COLUMNS C, DBA_TAB_COLUMNS T "
                  "WHERE C.OWNER = 'SCOTT' AND C.CLUSTER_NAME = 'EMP_DEPT' AND C.OWNER = T.OWNER AND C.TABLE_NAME = "
                  "T.TABLE_NAME AND C.TAB_COLUMN_NAME = T.COLUMN_NAME");
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0][1], "NUMBER");

    // The SQL editor's object tree.
    Rows source = q("SELECT TEXT FROM DBA_SOURCE WHERE OWNER = 'VENTAS' AND TYPE = 'PACKAGE BODY' AND NAME = "
                    "'PKG_PEDIDOS' ORDER BY LINE");
    ASSERT_EQ(source.size(), 23u);
    EXPECT_EQ(source[0][0], "PACKAGE BODY pkg_pedidos IS\n");
    EXPECT_EQ(q("SELECT OBJECT_NAME FROM DBA_OBJECTS WHERE OWNER = 'VENTAS' AND OBJECT_TYPE = 'FUNCTION' ORDER BY "
                "OBJECT_NAME").size(), 1u);
}

// SCOTT is an ordinary user: the dictionary is closed to him, his own tables are not.
TEST_F(Orcl, OrdinaryUsersCannotReadTheDictionary)
{
    auto scott = connect("SCOTT", "TIGER");
    EXPECT_EQ(code("select sid, username from v$session", scott.get()), 942);
    EXPECT_EQ(code("select * from dba_free_space where tablespace_name = 'INDX'", scott.get()), 942);
    EXPECT_EQ(code("SELECT SID FROM SYS.V_$LOCK", scott.get()), 942);
    EXPECT_EQ(code("select count(*) from emp", scott.get()), 0);
    EXPECT_EQ(code("select * from dual", scott.get()), 0);
    // DBSNMP holds SELECT_CATALOG_ROLE.
    auto agent = connect("DBSNMP", "DBSNMP");
    EXPECT_EQ(code("select name, value from v$sysstat", agent.get()), 0);
}
