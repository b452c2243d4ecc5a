// The administrative statements the windows build: each changes what the dictionary
// views then show, or fails with the error Oracle gives.
#include "fixture.h"

using namespace dicttest;

TEST_F(Orcl, TablespacesAreCreatedAlteredSwitchedAndDropped)
{
    // The statement shapes of the tablespace maintenance window.
    x("create tablespace DATOS datafile '/u09/oradata/ORCL/datos01.dbf' size  10M , "
      "'/u09/oradata/ORCL/datos02.dbf' size  5M reuse default storage ( initial 10240 next 10240 minextents 1 "
      "maxextents 121 pctincrease 50 )");
    Rows ts = q("select tablespace_name, initial_extent, next_extent, min_extents, nvl(max_extents,0) max_extents, "
                "pct_increase, status from dba_tablespaces where tablespace_name = 'DATOS'");
    ASSERT_EQ(ts.size(), 1u);
    EXPECT_EQ(ts[0], (std::vector<std::string>{"DATOS", "16384", "16384", "1", "121", "50", "ONLINE"}));
    Rows files = q("select a.file_name uno, a.bytes/1024/1024 dos, b.status tres from dba_data_files a, v$datafile b "
                   "where a.file_name = b.name and a.tablespace_name = 'DATOS' order by a.file_name");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0], (std::vector<std::string>{"/u09/oradata/ORCL/datos01.dbf", "10", "ONLINE"}));
    // A new tablespace is all free space but its files' header blocks.
    EXPECT_EQ(one("select round(sum(bytes)/1024/1024) total_libre from dba_free_space where tablespace_name ='DATOS'"), "15");
    EXPECT_EQ(one("select count(*) fragmentos from dba_free_space where tablespace_name ='DATOS'"), "2");

    EXPECT_EQ(code("create tablespace DATOS datafile '/u09/x.dbf' size 1M"), 1543);
    EXPECT_EQ(code("create tablespace OTRO datafile '/u09/oradata/ORCL/datos01.dbf' size 1M"), 1537);
    EXPECT_EQ(code("create tablespace OTRO datafile '/u09/otro.dbf'"), 1119);
    EXPECT_EQ(code("create tablespace OTRO"), 2199);
    EXPECT_EQ(code("create tablespace OTRO datafile '/u09/otro.dbf' size 1M default storage ( initial 0 )"), 2218);
    EXPECT_EQ(code("create tablespace OTRO datafile '/u09/otro.dbf' size 1M default storage ( colour 3 )"), 2143);
    EXPECT_EQ(code("create tablespace OTRO datafile '/u09/otro.dbf' size 1M default storage ( minextents 5 maxextents 2 )"), 2226);

    x("alter tablespace DATOS add datafile '/u09/oradata/ORCL/datos03.dbf' size  10M, '/u09/oradata/ORCL/datos04.dbf' size  5M reuse");
    EXPECT_EQ(one("select count(*) from dba_data_files where tablespace_name = 'DATOS'"), "4");
    x("alter tablespace DATOS default storage ( next 20480 maxextents 200 )");
    EXPECT_EQ(q("select next_extent, max_extents from dba_tablespaces where tablespace_name = 'DATOS'")[0],
              (std::vector<std::string>{"24576", "200"}));

    // Online/offline switch of the tablespace window.
    EXPECT_EQ(x("alter tablespace DATOS OFFLINE NORMAL"), 0);
    EXPECT_EQ(one("select status from dba_tablespaces where tablespace_name = 'DATOS'"), "OFFLINE");
    EXPECT_EQ(one("select distinct b.status from dba_data_files a, v$datafile b where a.file_name = b.name and "
                  "a.tablespace_name = 'DATOS'"), "OFFLINE");
    EXPECT_EQ(code("alter tablespace DATOS OFFLINE NORMAL"), 1539);
    EXPECT_EQ(code("alter tablespace DATOS OFFLINE CANCELAR"), 933);
    x("alter tablespace DATOS ONLINE");
    EXPECT_EQ(one("select status from dba_tablespaces where tablespace_name = 'DATOS'"), "ONLINE");
    EXPECT_EQ(code("alter tablespace SYSTEM OFFLINE NORMAL"), 1541);
    EXPECT_EQ(code("alter tablespace RBS OFFLINE NORMAL"), 1546);
    EXPECT_EQ(code("alter tablespace NOEXISTE ONLINE"), 959);
    // Read only and back; a read-only tablespace taken offline comes back read only.
    x("alter tablespace DATOS read only");
    EXPECT_EQ(code("alter tablespace DATOS read only"), 1644);
    x("alter tablespace DATOS offline");
    x("alter tablespace DATOS online");
    EXPECT_EQ(one("select status from dba_tablespaces where tablespace_name = 'DATOS'"), "READ ONLY");
    x("alter tablespace DATOS read write");
    EXPECT_EQ(code("alter tablespace DATOS read write"), 1646);

    // Drop: refused for SYSTEM and for a tablespace with segments, done otherwise.
    EXPECT_EQ(code("drop tablespace SYSTEM"), 1550);
    EXPECT_EQ(code("drop tablespace TOOLS"), 1549);
    x("drop tablespace DATOS");
    EXPECT_EQ(one("select count(*) from dba_tablespaces where tablespace_name = 'DATOS'"), "0");
    EXPECT_EQ(one("select count(*) from dba_data_files where tablespace_name = 'DATOS'"), "0");
    EXPECT_EQ(one("select count(*) from v$datafile where name like '/u09/%'"), "0");
    EXPECT_EQ(code("drop tablespace DATOS"), 959);
    x("drop tablespace TOOLS including contents and datafiles");
    EXPECT_EQ(code("select * from system.help"), 942);
    EXPECT_EQ(one("select count(*) from dba_segments where tablespace_name = 'TOOLS'"), "0");
}

TEST_F(Orcl, DatafilesGoOfflineNeedRecoveryAndComeBack)
{
    const std::string f = "/u04/oradata/ORCL/users02.dbf";
    auto status = [&] { return one("select b.status cuatro from dba_data_files a, v$datafile b where a.file_name = b.name "
                                   "and a.file_name = '" + f + "'"); };
    EXPECT_EQ(code("alter database recover datafile '" + f + "'"), 1124);
    x("alter database datafile '" + f + "' OFFLINE");
    EXPECT_EQ(status(), "RECOVER");
    EXPECT_EQ(code("alter database datafile '" + f + "' ONLINE"), 1113);
    x("alter database recover datafile '" + f + "'");
    EXPECT_EQ(status(), "OFFLINE");
    x("alter database datafile '" + f + "' ONLINE");
    EXPECT_EQ(status(), "ONLINE");
    EXPECT_EQ(code("alter database datafile '/u02/oradata/ORCL/system01.dbf' OFFLINE"), 1541);
    EXPECT_EQ(code("alter database datafile '/nowhere.dbf' OFFLINE"), 1516);
    EXPECT_EQ(code("alter database datafile 5 ONLINE"), 0);
    // Offline drop (the window allows it only in NOARCHIVELOG mode).
    x("alter database datafile '" + f + "' offline drop");
    EXPECT_EQ(status(), "RECOVER");
    // Rename needs the file offline.
    EXPECT_EQ(code("alter database rename file '/u04/oradata/ORCL/users01.dbf' to '/u09/users01.dbf'"), 1511);
    x("alter database rename file '" + f + "' to '/u09/users02.dbf'");
    EXPECT_EQ(one("select count(*) from dba_data_files where file_name = '/u09/users02.dbf'"), "1");
    // Resize keeps space consistent.
    x("alter database datafile '/u03/oradata/ORCL/rbs01.dbf' resize 300M");
    EXPECT_EQ(one("select bytes/1024/1024 from dba_data_files where file_id = 2"), "300");
    EXPECT_EQ(one("select sum(blocks) from dba_free_space where file_id = 2"), std::to_string(11647 + 12800));
    EXPECT_EQ(code("alter database datafile '/u03/oradata/ORCL/rbs01.dbf' resize 10M"), 3297);
}

TEST_F(Orcl, NoArchivelogRefusesPlainDatafileOffline)
{
    open("?logmode=noarchivelog");
    EXPECT_EQ(one("select log_mode from v$database"), "NOARCHIVELOG");
    EXPECT_EQ(code("alter database datafile '/u04/oradata/ORCL/users02.dbf' OFFLINE"), 1145);
    EXPECT_EQ(code("alter database datafile '/u04/oradata/ORCL/users02.dbf' offline drop"), 0);
}

TEST_F(Orcl, FilesLeftOnDiskNeedReuseAndRenamedFilesKeepTheirPlace)
{
    // The scenario's old file is on disk: without REUSE Oracle will not overwrite it.
    const std::string old = "/u04/oradata/ORCL/users_old01.dbf";
    EXPECT_EQ(code("create tablespace VIEJO datafile '" + old + "' size  2M"), 1119);
    EXPECT_EQ(code("alter tablespace USERS add datafile '" + old + "' size  2M"), 1119);
    EXPECT_EQ(one("select count(*) from dba_data_files where tablespace_name = 'USERS'"), "2");
    x("create tablespace VIEJO datafile '" + old + "' size  2M reuse");
    EXPECT_EQ(one("select tablespace_name from dba_data_files where file_name = '" + old + "'"), "VIEJO");
    // One statement naming a file twice is refused whole.
    EXPECT_EQ(code("create tablespace DOBLE datafile '/u09/d.dbf' size 1M, '/u09/d.dbf' size 1M"), 1537);
    EXPECT_EQ(one("select count(*) from dba_tablespaces where tablespace_name = 'DOBLE'"), "0");

    // Dropped without AND DATAFILES its file stays on disk; with it, the file goes.
    x("alter tablespace VIEJO offline");
    x("drop tablespace VIEJO");
    EXPECT_EQ(code("create tablespace OTRO datafile '" + old + "' size  2M"), 1119);
    x("create tablespace OTRO datafile '" + old + "' size  2M reuse");
    x("drop tablespace OTRO including contents and datafiles");
    x("create tablespace OTRO datafile '" + old + "' size  2M");

    // Renaming an offline tablespace's file: the new name must be free; the old
    // file stays on disk.
    x("alter tablespace OTRO offline");
    EXPECT_EQ(code("alter tablespace OTRO rename datafile '" + old + "' to '/u02/oradata/ORCL/system01.dbf'"), 1525);
    x("alter tablespace OTRO rename datafile '" + old + "' to '/u09/otro01.dbf'");
    EXPECT_EQ(one("select count(*) from v$datafile where name = '/u09/otro01.dbf'"), "1");
    EXPECT_EQ(one("select count(*) from dba_data_files where file_name = '" + old + "'"), "0");
    EXPECT_EQ(code("create tablespace TERCERO datafile '" + old + "' size  2M"), 1119);
}

TEST_F(Orcl, RollbackSegmentsAreCreatedSwitchedAlteredAndDropped)
{
    x("create rollback segment R06 tablespace RBS storage( initial 1M next 1M minextents 2 maxextents 121 optimal null )");
    Rows r = q("select segment_name, owner, tablespace_name, status, initial_extent, next_extent, min_extents, max_extents "
               "from dba_rollback_segs where segment_name = 'R06'");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], (std::vector<std::string>{"R06", "SYS", "RBS", "OFFLINE", "1048576", "1048576", "2", "121"}));
    // Its two extents came out of the RBS free space.
    EXPECT_EQ(one("select sum(blocks) from dba_free_space where tablespace_name = 'RBS'"), std::to_string(11647 - 256));
    EXPECT_EQ(one("select blocks from dba_segments where segment_name = 'R06'"), "256");
    EXPECT_EQ(code("create rollback segment R06 tablespace RBS"), 1535);
    EXPECT_EQ(code("create rollback segment R07 tablespace TOOLS"), 1542);
    EXPECT_EQ(code("create rollback segment R07 tablespace HIST"), 1647);
    EXPECT_EQ(code("create rollback segment R07 tablespace TEMP"), 2195);
    EXPECT_EQ(code("create rollback segment R07 tablespace INDX"), 1658);
    // A segment that cannot get all its extents takes none of them.
    x("create tablespace CHICO datafile '/u09/chico.dbf' size 1M");
    EXPECT_EQ(code("create rollback segment R07 tablespace CHICO storage( initial 512K next 512K minextents 2 )"), 1658);
    EXPECT_EQ(one("select sum(blocks) from dba_free_space where tablespace_name = 'CHICO'"), "127");
    EXPECT_EQ(code("create rollback segment R07 tablespace RBS storage( minextents 1 )"), 2220);

    x("create public rollback segment R08 tablespace RBS storage( initial 1M next 1M minextents 2 maxextents 121 optimal 4M )");
    EXPECT_EQ(one("select owner from dba_rollback_segs where segment_name = 'R08'"), "PUBLIC");

    x("alter rollback segment R06 ONLINE");
    EXPECT_EQ(one("select status from dba_rollback_segs where segment_name = 'R06'"), "ONLINE");
    EXPECT_EQ(one("select count(*) from v$rollname where name = 'R06'"), "1");
    EXPECT_EQ(code("drop rollback segment R06"), 1545);   // online: refused
    x("alter rollback segment R06 storage ( next 512K )");
    EXPECT_EQ(one("select next_extent from dba_segments where segment_name = 'R06'"), "524288");
    x("alter rollback segment R06 storage ( optimal 4M )");
    EXPECT_EQ(one("select nvl(c.optsize,0) from v$rollstat c, v$rollname d where d.usn = c.usn and d.name = 'R06'"), "4194304");
    EXPECT_EQ(code("alter rollback segment R06 storage ( initial 2M )"), 25150);
    EXPECT_EQ(code("alter rollback segment R06 storage ( optimal 100K )"), 10187);
    x("alter rollback segment R06 OFFLINE");
    EXPECT_EQ(code("alter rollback segment R06 OFFLINE"), 1598);
    x("drop rollback segment R06");
    EXPECT_EQ(one("select count(*) from dba_rollback_segs where segment_name = 'R06'"), "0");
    EXPECT_EQ(one("select sum(blocks) from dba_free_space where tablespace_name = 'RBS'"), std::to_string(11647 - 256));
    EXPECT_EQ(code("drop rollback segment R06"), 1534);
    EXPECT_EQ(code("drop rollback segment R01"), 1545);
    x("drop rollback segment R05");   // the scenario's offline segment
    EXPECT_EQ(one("select count(*) from dba_rollback_segs"), "6");
}

TEST_F(Orcl, UsersAreCreatedWithQuotasAndDropped)
{
    x("create user PRUEBA  identified by clave Default Tablespace USERS Temporary Tablespace TEMP quota 10M on USERS  profile APP_PROFILE");
    Rows u = q("select username, default_tablespace, temporary_tablespace, profile, account_status from dba_users where "
               "username = 'PRUEBA'");
    ASSERT_EQ(u.size(), 1u);
    EXPECT_EQ(u[0], (std::vector<std::string>{"PRUEBA", "USERS", "TEMP", "APP_PROFILE", "OPEN"}));
    EXPECT_EQ(q("select username, bytes, max_bytes from dba_ts_quotas where username = 'PRUEBA'")[0],
              (std::vector<std::string>{"PRUEBA", "0", "10485760"}));
    auto prueba = connect("PRUEBA", "CLAVE");   // the new account logs in
    EXPECT_EQ(code("select * from dba_users", prueba.get()), 942);
    prueba.reset();

    x("create user OPS$LROJAS  identified externally Default Tablespace USERS Temporary Tablespace TEMP quota unlimited on USERS ");
    EXPECT_EQ(one("select password from dba_users where username = 'OPS$LROJAS'"), "EXTERNAL");
    EXPECT_EQ(one("select max_bytes from dba_ts_quotas where username = 'OPS$LROJAS'"), "-1");

    EXPECT_EQ(code("create user PRUEBA identified by otra"), 1920);
    EXPECT_EQ(code("create user DBA identified by otra"), 1920);      // a role's name
    EXPECT_EQ(code("create user NUEVO identified by x default tablespace NOEXISTE"), 959);
    EXPECT_EQ(code("create user NUEVO identified by x profile GERENCIA"), 2380);
    EXPECT_EQ(code("create user NUEVO default tablespace USERS"), 922);
    EXPECT_EQ(one("select count(*) from dba_users where username = 'NUEVO'"), "0");

    x("alter user PRUEBA account lock");
    EXPECT_EQ(one("select account_status from dba_users where username = 'PRUEBA'"), "LOCKED");

    x("drop user PRUEBA");
    EXPECT_EQ(one("select count(*) from dba_users where username = 'PRUEBA'"), "0");
    EXPECT_EQ(one("select count(*) from dba_ts_quotas where username = 'PRUEBA'"), "0");
    EXPECT_THROW(connect("PRUEBA", "CLAVE"), sim::SimError);
    EXPECT_EQ(code("drop user PRUEBA"), 1918);
    EXPECT_EQ(code("drop user SCOTT"), 1940);   // connected
    EXPECT_EQ(code("drop user OUTLN"), 0);
}

TEST_F(Orcl, KillingTheHolderReleasesTheWaiters)
{
    EXPECT_EQ(code("alter system kill session '136,99'"), 30);
    EXPECT_EQ(code("alter system kill session '136'"), 26);
    EXPECT_EQ(code("alter system kill session '3,1'"), 29);
    EXPECT_EQ(code("alter system kill session '" + std::to_string(db->id()) + "," +
                   one("select serial# from v$session where sid = " + std::to_string(db->id())) + "'"), 27);
    x("alter system kill session '136,38'");
    EXPECT_EQ(one("select status from v$session where sid = 136"), "KILLED");
    EXPECT_EQ(code("alter system kill session '136,38'"), 31);
    // HR's row lock is gone: VENTAS (139) got it and now only SCOTT (143) waits, for 139.
    EXPECT_EQ(one("select count(*) from v$lock where sid = 136"), "0");
    EXPECT_EQ(one("select nvl(lockwait,'none') from v$session where sid = 139"), "none");
    Rows waiting = q("select session_id from dba_locks where mode_requested <> 'None'");
    ASSERT_EQ(waiting.size(), 1u);
    EXPECT_EQ(waiting[0][0], "143");
    EXPECT_EQ(one("select count(*) from v$transaction"), "4");

    // SCOTT may not kill, nor run other administrative statements.
    auto scott = connect("SCOTT", "TIGER");
    EXPECT_EQ(code("alter system kill session '139,1215'", scott.get()), 1031);
    EXPECT_EQ(code("create tablespace X datafile '/x' size 1M", scott.get()), 1031);
    EXPECT_EQ(code("drop user HR", scott.get()), 1031);
    EXPECT_EQ(code("alter tablespace USERS offline", scott.get()), 1031);
    EXPECT_EQ(code("create rollback segment R9", scott.get()), 1031);
}

TEST_F(Orcl, LogSwitchMovesTheCurrentGroup)
{
    x("alter system switch logfile");
    Rows logs = q("select group#, status, sequence# from v$log order by group#");
    EXPECT_EQ(logs[0], (std::vector<std::string>{"1", "CURRENT", "1842"}));
    EXPECT_EQ(logs[2][1], "ACTIVE");
    EXPECT_EQ(logs[1][1], "INACTIVE");
}

// Statements outside the grammar reach the engine's own error, and malformed ones give
// Oracle's errors instead of crashing.
TEST_F(Orcl, MalformedAdministrativeStatements)
{
    EXPECT_EQ(code("alter tablespace"), 2140);
    EXPECT_EQ(code("alter tablespace USERS frobnicate"), 2142);
    EXPECT_EQ(code("create tablespace X datafile '/x' size 1M default storage ( initial 1M"), 907);
    EXPECT_EQ(code("create tablespace X datafile '/x' size 1M default storage initial 1M"), 906);
    EXPECT_EQ(code("create tablespace X datafile 'unterminated size 1M"), 1756);
    EXPECT_EQ(code("alter database datafile '/u04/oradata/ORCL/users02.dbf' frob"), 2231);
    EXPECT_EQ(code("alter database noarchivelog"), 1126);
    EXPECT_EQ(code("alter system flush everything"), 2065);
    EXPECT_EQ(code("explain plan for"), 900);
    EXPECT_EQ(code("explain plan set statement_id = 'A' for select * from nothing_here"), 942);
    EXPECT_EQ(code("frobnicate the database"), 900);
    // A short fuzz: every prefix of valid statements gives an Oracle error or runs.
    for (const std::string sql :
         {"create tablespace DATOS datafile '/u09/d1.dbf' size 10M reuse autoextend on next 1M maxsize unlimited default "
          "storage ( initial 64K next 64K minextents 1 maxextents unlimited pctincrease 0 ) online permanent",
          "create public rollback segment RX tablespace RBS storage( initial 1M next 1M minextents 2 maxextents 121 optimal 4M )",
          "create user UX identified by ux default tablespace USERS temporary tablespace TEMP quota 5M on USERS profile DEFAULT",
          "alter database datafile '/u04/oradata/ORCL/users02.dbf' autoextend on next 10M maxsize 500M",
          "explain plan set statement_id = 'F' into plan_table for select * from scott.emp where empno = 7101"}) {
        for (std::size_t n = 1; n <= sql.size(); n += 3) {
            int c = code(sql.substr(0, n));
            EXPECT_GE(c, 0) << sql.substr(0, n);
            EXPECT_NE(c, 600) << sql.substr(0, n) << ": " << lastError;
        }
    }
}

TEST_F(Orcl, AKilledConnectionLearnsItOnItsNextCall)
{
    auto scott = connect("SCOTT", "TIGER");
    EXPECT_EQ(code("select count(*) from emp", scott.get()), 0);
    std::string sid = std::to_string(scott->id());
    std::string serial = one("select serial# from v$session where sid = " + sid);
    EXPECT_EQ(one("select username from v$session where sid = " + sid), "SCOTT");
    x("alter system kill session '" + sid + "," + serial + "'");
    EXPECT_EQ(code("select count(*) from emp", scott.get()), 28);
    // A connection that logs off leaves v$session.
    auto hr = connect("HR", "HR");
    code("select 1 from dual", hr.get());
    std::string hrSid = std::to_string(hr->id());
    EXPECT_EQ(one("select count(*) from v$session where sid = " + hrSid), "1");
    hr->close();
    hr.reset();
    EXPECT_EQ(one("select count(*) from v$session where sid = " + hrSid), "0");
}

TEST_F(Orcl, ObjectsCreatedWhileRunningJoinTheDictionary)
{
    x("create table SQLVIGIL_HOLDERS ( waiting_session number, holding_session number, lock_type varchar2(26) )");
    Rows o = q("select owner, object_type, status from dba_objects where object_name = 'SQLVIGIL_HOLDERS'");
    ASSERT_EQ(o.size(), 1u);
    EXPECT_EQ(o[0], (std::vector<std::string>{"SYSTEM", "TABLE", "VALID"}));
    Rows cols = q("select column_name, data_type, data_length from dba_tab_columns where table_name = 'SQLVIGIL_HOLDERS' "
                  "order by column_id");
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[2], (std::vector<std::string>{"LOCK_TYPE", "VARCHAR2", "26"}));
    EXPECT_EQ(one("select tablespace_name from dba_tables where table_name = 'SQLVIGIL_HOLDERS'"), "SYSTEM");
    // The new table took its first extent from SYSTEM's free space.
    EXPECT_EQ(q("select tablespace_name, blocks, extents from dba_segments where segment_name = 'SQLVIGIL_HOLDERS'"),
              (Rows{{"SYSTEM", "8", "1"}}));
    EXPECT_EQ(one("select sum(blocks) from dba_free_space where tablespace_name = 'SYSTEM'"), std::to_string(12799 - 8));
    auto scott = connect("SCOTT", "TIGER");
    x("create table notas (id number, texto varchar2(100))", scott.get());
    x("create index notas_ix on notas (id)", scott.get());
    EXPECT_EQ(q("select segment_type, tablespace_name from dba_segments where owner = 'SCOTT' and segment_name like "
                "'NOTAS%' order by segment_type"),
              (Rows{{"INDEX", "USERS"}, {"TABLE", "USERS"}}));
    x("create view notas_v as select id from notas", scott.get());
    EXPECT_EQ(one("select count(*) from dba_views where owner = 'SCOTT' and view_name = 'NOTAS_V'"), "1");
    x("drop view notas_v", scott.get());
    EXPECT_EQ(one("select count(*) from dba_views where owner = 'SCOTT' and view_name = 'NOTAS_V'"), "0");
    x("drop table notas", scott.get());
    EXPECT_EQ(one("select count(*) from dba_segments where owner = 'SCOTT' and segment_name = 'NOTAS'"), "0");
    x("create public synonym HOLDERS for SYSTEM.SQLVIGIL_HOLDERS");
    EXPECT_EQ(one("select table_name from dba_synonyms where owner = 'PUBLIC' and synonym_name = 'HOLDERS'"),
              "SQLVIGIL_HOLDERS");
    x("drop table SQLVIGIL_HOLDERS");
    EXPECT_EQ(one("select count(*) from dba_objects where object_name = 'SQLVIGIL_HOLDERS'"), "0");
    EXPECT_EQ(one("select sum(blocks) from dba_free_space where tablespace_name = 'SYSTEM'"), "12799");

    // Explain plan of DML and into a named table.
    x("explain plan set statement_id = 'I' into system.plan_table for insert into scott.bonus values ('X', 'Y', 1, 2)");
    EXPECT_EQ(one("select operation from plan_table where statement_id = 'I' and id = 0"), "INSERT STATEMENT");
    x("explain plan set statement_id = 'D' for delete from ventas.auditoria where fecha < sysdate - 30");
    Rows d = q("select operation, options, object_name from plan_table where statement_id = 'D' order by id");
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[1], (std::vector<std::string>{"DELETE", "~", "AUDITORIA"}));
    EXPECT_EQ(d[2], (std::vector<std::string>{"TABLE ACCESS", "FULL", "AUDITORIA"}));
    x("explain plan set statement_id = 'V' for select count(*) from v$session");
    EXPECT_EQ(one("select options from plan_table where statement_id = 'V' and id = 1"), "AGGREGATE");
    EXPECT_EQ(code("explain plan set statement_id = 'N' into nothing_here for select * from dual"), 942);
}

// Random damage to valid administrative statements never crashes the instance: each
// mutated text either runs or raises an Oracle error.
TEST_F(Orcl, MutatedAdministrativeStatementsGiveOracleErrors)
{
    const std::vector<std::string> seeds = {
        "create tablespace DATOS datafile '/u09/d1.dbf' size 10M default storage ( initial 64K next 64K minextents 1 "
        "maxextents 121 pctincrease 0 )",
        "alter tablespace USERS add datafile '/u09/u3.dbf' size 5M reuse",
        "alter tablespace TOOLS online",
        "alter database datafile '/u04/oradata/ORCL/users02.dbf' resize 60M",
        "create rollback segment R09 tablespace RBS storage( initial 1M next 1M minextents 2 maxextents 121 optimal 4M )",
        "alter rollback segment R05 storage ( next 512K )",
        "create user FUZZ identified by fuzz default tablespace USERS temporary tablespace TEMP quota 1M on USERS",
        "alter system kill session '141,1220'",
        "explain plan set statement_id = 'F' for select e.ename from scott.emp e where e.empno = 7101 order by 1"};
    const std::string alphabet = "'(),;=@. ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789KM\"$#_-*/\n\t";
    unsigned long long seed = 20261208;
    auto next = [&] {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::size_t>(seed >> 33);
    };
    int ran = 0, refused = 0;
    for (int round = 0; round < 600; ++round) {
        std::string sql = seeds[next() % seeds.size()];
        int edits = 1 + static_cast<int>(next() % 3);
        for (int e = 0; e < edits && !sql.empty(); ++e) {
            std::size_t at = next() % sql.size();
            switch (next() % 3) {
            case 0: sql.erase(at, 1 + next() % 4); break;
            case 1: sql.insert(at, 1, alphabet[next() % alphabet.size()]); break;
            default: sql[at] = alphabet[next() % alphabet.size()];
            }
        }
        int c = code(sql);
        EXPECT_GE(c, 0) << sql;
        EXPECT_NE(c, 600) << sql << ": " << lastError;   // never an internal error
        (c == 0 ? ran : refused)++;
    }
    EXPECT_GT(refused, 100);
    // The instance still answers consistently afterwards.
    EXPECT_EQ(code("select count(*) from dba_free_space"), 0);
}

TEST_F(Orcl, RolesAndGrantsShowInTheSecurityViews)
{
    x("create role AUDITOR");
    EXPECT_EQ(one("select password_required from dba_roles where role = 'AUDITOR'"), "NO");
    EXPECT_EQ(code("create role AUDITOR"), 1921);
    x("grant select, update on ventas.pedidos to AUDITOR with grant option");
    Rows privs = q("SELECT PRIVILEGE, GRANTABLE FROM DBA_TAB_PRIVS WHERE GRANTEE = 'AUDITOR' AND OWNER = 'VENTAS' AND "
                   "TABLE_NAME = 'PEDIDOS' ORDER BY PRIVILEGE");
    EXPECT_EQ(privs, (Rows{{"SELECT", "YES"}, {"UPDATE", "YES"}}));
    x("grant AUDITOR, SELECT_CATALOG_ROLE to HR");
    EXPECT_EQ(q("select granted_role, default_role from dba_role_privs where grantee = 'HR' order by granted_role").size(), 4u);
    // With SELECT_CATALOG_ROLE, HR now reads the dictionary.
    auto hr = connect("HR", "HR");
    EXPECT_EQ(code("select count(*) from v$session", hr.get()), 0);
    EXPECT_EQ(code("grant select on scott.emp to HR", hr.get()), 1031);
    EXPECT_EQ(code("grant select on employees to SCOTT", hr.get()), 0);   // his own table
    EXPECT_EQ(code("grant DBA to HR", hr.get()), 1031);

    EXPECT_EQ(code("grant select on scott.nothing to HR"), 942);
    EXPECT_EQ(code("grant select on scott.emp to NOBODY"), 1917);
    EXPECT_EQ(code("grant FLY to HR"), 1919);
    EXPECT_EQ(code("grant create session to HR"), 0);
    EXPECT_EQ(code("revoke DBA from HR"), 1951);
    x("revoke SELECT_CATALOG_ROLE from HR");
    x("revoke update on ventas.pedidos from AUDITOR");
    EXPECT_EQ(code("revoke update on ventas.pedidos from AUDITOR"), 1927);
    x("drop role AUDITOR");
    EXPECT_EQ(one("select count(*) from dba_tab_privs where grantee = 'AUDITOR'"), "0");
    EXPECT_EQ(code("drop role AUDITOR"), 1919);
}

// A synonym over a database link is created without checking the link, as Oracle does,
// and shows its link in dba_synonyms.
TEST_F(Orcl, SynonymsOverDatabaseLinks)
{
    x("CREATE SYNONYM VENTAS.FACTURAS_CENTRAL FOR CONTA.FACTURAS@CENTRAL.WORLD");
    EXPECT_EQ(one("select nvl(db_link,'Null') db_link from dba_synonyms where owner = 'VENTAS' and synonym_name = "
                  "'FACTURAS_CENTRAL'"), "CENTRAL.WORLD");
    x("CREATE PUBLIC SYNONYM FACTURAS_CENTRAL FOR CONTA.FACTURAS@CENTRAL.WORLD");
    x("DROP PUBLIC SYNONYM FACTURAS_CENTRAL");
}
