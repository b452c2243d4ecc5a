# Every SQL text the console's windows send to a server, with example values where the
# windows splice names and numbers in. One statement per line:
#   S|text   a statement the SQL engine runs itself (it must parse and translate)
#   H|text   administrative DDL left to the data dictionary's handlers
#   B|text   an anonymous PL/SQL block (each SELECT ... INTO must translate)
# Lines starting with "#" are comments; trailing blanks are part of the statement.
#
# Servers status monitor
B|BEGIN select sum(value)/1024/1024 into :SSGA from v$sga; select count(*) into :SSESSIONS from v$session; select value into :SREDLOG from v$sysstat where name = 'redo log space requests'; select 100 * (sum(pins)-sum(reloads))/sum(pins) into :SLIBCAC from v$librarycache; select 100 * (sum(gets)-sum(getmisses))/sum(gets) into :SROWCAC from v$rowcache; select 100 * (cur.value + con.value - phys.value) / (cur.value + con.value) into :SBUFCAC  from   v$sysstat cur,    v$sysstat con,    v$sysstat phys,    v$statname ncu,    v$statname nco,    v$statname nph where cur.statistic# = ncu.statistic#    and ncu.name = 'db block gets'    and con.statistic# = nco.statistic#    and nco.name = 'consistent gets'    and phys.statistic# = nph.statistic#    and nph.name = 'physical reads'; END; 
# Sessions
S|select sid, serial#, nvl(process,'Null') process, nvl(username,'Null') username, nvl(osuser,'Null') osuser, nvl(machine,'Null') machine, nvl(terminal,'Null') terminal, nvl(status,'Null') status, nvl(command,'124') command, nvl(program,'Null') program, sql_address, sql_hash_value from v$session order by 1,2
S|select sid, serial#, nvl(process,'Null') process, nvl(username,'Null') username, nvl(osuser,'Null') osuser, nvl(machine,'Null') machine, nvl(terminal,'Null') terminal, nvl(status,'Null') status, nvl(command,'124') command, nvl(program,'Null') program, sql_address, sql_hash_value from v$session order by 4
S|Select Distinct        se.sid Sesion, sum(se.value) maxcpu From   v$sesstat se,        v$statname n where  n.statistic# = se.statistic# and        n.name in ( 'CPU used by this session',                    'CPU used when call started',                    'parse time cpu',                    'recursive cpu usage') group by se.sid order by 2 Desc
S|Select Distinct        se.sid Sesion, max(se.value) maxmemoria From   v$sesstat se,        v$statname n where  n.statistic# = se.statistic# and n.name in ('session uga memory',            'session uga memory max',            'session pga memory',            'session pga memory max')            group by se.sid            order by 2 Desc 
S|Select Distinct        se.sid Sesion, sum(se.value) maxdisco From   v$sesstat se,        v$statname n where  n.statistic# = se.statistic# and n.name in ('write requests',            'session logical reads')            group by se.sid            order by 2 Desc 
S|select sid Sesion,       to_char(SysDate - (Hsecs-s.value)/(24*3600*100),'DD/MM/YYYY HH24:MI:SS') Fecha,        Hsecs-S.Value Cantidad From   v$sesstat s,        v$statname n,        v$timer where  n.name = 'session connect time' and        n.statistic# = s.statistic# and        s.value != 0 order by s.value 
S|select rtrim(sql_text) mi_sql_text from v$sqltext, v$session where sid = 12 and serial# = 345 and address = sql_address and hash_value = sql_hash_value order by piece
S|delete plan_table where statement_id = 'SQLVIGIL'
S|commit
S|alter session set current_schema=SCOTT
H|explain plan set statement_id = 'SQLVIGIL' for select ename, dname from emp, dept where emp.deptno = dept.deptno
S|select decode(id,0,'',lpad(' ',2*Level-1)||level||'.'||position)||' '||operation||' '||options||' '||object_name||' '||object_type||' '||decode(id,0,'Costo = '||position) query_plan from plan_table connect by prior id = parent_id and statement_id = 'SQLVIGIL' start with id = 0 and statement_id = 'SQLVIGIL'
H|alter system kill session '12,345'
# Lock analysis
S|create table SQLVIGIL_HOLDERS (     waiting_session number,     holding_session number,     lock_type       varchar2(26),     mode_held       varchar2(14),     mode_requested  varchar2(14),     lock_id1        varchar2(22),     lock_id2        varchar2(22) )
S|create table sqlvigil_locks_temp as select * from sys.dba_locks
S|insert into sqlvigil_holders select w.session_id,        h.session_id,        w.lock_type,        h.mode_held,        w.mode_requested,        w.lock_id1,        w.lock_id2 from sqlvigil_locks_temp w, sqlvigil_locks_temp h where h.mode_held      <> 'None'   and h.mode_held      <> 'Null'   and w.mode_requested <> 'None'   and w.lock_type       = h.lock_type   and w.lock_id1        = h.lock_id1   and w.lock_id2        = h.lock_id2
S|drop table sqlvigil_locks_temp
S|insert into sqlvigil_holders select holding_session,        null,        'None',        null,        null,        null,        null   from sqlvigil_holders minus select waiting_session,        null,        'None',        null,        null,        null,        null   from sqlvigil_holders
S|select lpad(' ',3*(level-1)) ||        waiting_session waiting_session,        lock_type,        mode_requested,        mode_held,        lock_id1,        lock_id2 from sqlvigil_holders connect by prior waiting_session =                  holding_session start with holding_session is null 
S|drop table sqlvigil_holders
S|SELECT SID, TYPE, ID1, ID2, LMODE, REQUEST FROM SYS.V_$LOCK
S|SELECT OWNER, OBJECT_ID, OBJECT_NAME, OBJECT_TYPE, CREATED, LAST_DDL_TIME, TIMESTAMP, STATUS FROM DBA_OBJECTS WHERE OBJECT_ID = 1234
S|SELECT SID, SERIAL# SERIAL, AUDSID, USER# USUARIO, USERNAME, COMMAND, LOCKWAIT, STATUS, SERVER, OSUSER, PROCESS, MACHINE, TERMINAL, PROGRAM, TYPE FROM V$SESSION WHERE SID = 12
S|select sql_text from v$sqltext, v$session where sid = 12 and serial# = 345 and address = sql_address and hash_value = sql_hash_value order by piece
# Memory and tuning ratios
B|BEGIN select value into :REDLOG from v$sysstat where name = 'redo log space requests'; select 100 * (sum(pins)-sum(reloads))/sum(pins) into :LIBCAC from v$librarycache; select 100 * (sum(gets)-sum(getmisses))/sum(gets) into :ROWCAC from v$rowcache; select 100 * (cur.value + con.value - phys.value) / (cur.value + con.value) into :BUFCAC  from   v$sysstat cur,    v$sysstat con,    v$sysstat phys,    v$statname ncu,    v$statname nco,    v$statname nph where cur.statistic# = ncu.statistic#    and ncu.name = 'db block gets'    and con.statistic# = nco.statistic#    and nco.name = 'consistent gets'    and phys.statistic# = nph.statistic#    and nph.name = 'physical reads'; select value into :SPSIZE    from v$parameter where name = 'shared_pool_size'; select value into :BLKBUF    from v$parameter where name = 'db_block_buffers'; select value into :LOGBUF    from v$parameter where name = 'log_buffer'; END; 
S|select sum(pins) pins, sum(reloads) reloads, round(sum(reloads)/(sum(pins)+sum(reloads))*100,4) percentage from v$librarycache
S|select unique parameter, gets, getmisses, round(getmisses/(gets+getmisses)*100,4) percentage from v$rowcache where gets+getmisses <> 0
S|select name, sum(gets) wtw_gets, sum(misses) wtw_misses, sum(immediate_gets) imm_gets, sum(immediate_misses) imm_misses from v$latch group by name order by name
S|select name, value from v$sysstat where name like '%sort%'
S|select sid, serial#, nvl(username,'Null') username from v$session order by username
# Data files I/O
S|select max(x.phyrds+x.phywrts) max_total_view from v$filestat x, sys.ts$ ts, v$datafile i, sys.file$ f where i.file#=f.file# and ts.ts#=f.ts# and x.file#=f.file#
S|select substr(i.name,0,12) disco, i.name nombre_datafile, x.phyrds total_lecturas, x.phywrts total_escrituras, x.phyrds+x.phywrts total_lec_esc, round(100*(x.phyrds+x.phywrts)/48213,2) Porcentaje_Lec_Esc from v$filestat x,sys.ts$ ts,v$datafile i,sys.file$ f where i.file#=f.file# and ts.ts#=f.ts# and x.file#=f.file# order by 5 desc
S|select i.name uno, x.phyrds+x.phywrts dos, round(100*(x.phyrds+x.phywrts)/48213,2) tres, i.file# data_file_id from v$filestat x,sys.ts$ ts,v$datafile i,sys.file$ f where i.file#=f.file# and ts.ts#=f.ts# and x.file#=f.file# order by 3 desc
# Heavy statement monitor
S|Select    to_char(sysdate,'YYYY-MM-DD HH24:MI:SS') fecha,    se.sid Sesion,    se.serial# Serial,    nvl(se.username,'*') username,    nvl(se.osuser,'*') osuser,    nvl(se.machine,'*') machine,    nvl(se.terminal,'*') terminal,    nvl(se.program,'*') program,    to_char(se.logon_time,'YYYY-MM-DD HH24:MI:SS') logon_time,    max(st.value) maxcpu From   v$sesstat st,    v$statname sn,    v$session se Where    se.username <> 'SYSTEM' and    se.status = 'ACTIVE' and    se.sid = st.sid and    sn.statistic# = st.statistic# and    sn.name in ( 'CPU used by this session',    'CPU used when call started',    'recursive cpu usage') group by sysdate,    se.sid,    se.serial#,    se.username,    se.osuser,    se.machine,    se.terminal,    se.program,    se.logon_time order by 2 Desc 
S|select sql_text from v$sqltext, v$session where sid = 9 and serial# = 2 and address = sql_address and hash_value = sql_hash_value order by piece
# Contention and processes
S|select class, count from v$waitstat where class = 'free list'
S|select name, value from v$sysstat where name in ('db block gets','consistent gets')
S|select r.name rbs, nvl(s.username, 'None') oracle_user, s.osuser  client_user, p.username os_user, s.sid sid, s.serial# serial, p.spid os_pid from v$process p, v$rollname r, v$session s,v$transaction t Where s.taddr = t.addr and  s.paddr = p.addr(+) and r.usn=t.xidusn(+) order by r.name
S|select sid, event, nvl(p1text,' ') p1text, p1, nvl(p2text,' ') p2text, p2, nvl(p3text,' ') p3text, p3 from v$session_wait
S|select pid, nvl(spid,'Null') spid, nvl(username,'Null') username, serial#, nvl(terminal,'Null') terminal, program from v$process order by pid, spid
# Instance parameters
S|select num, name, type, nvl(value,'Null') value, isdefault from v$parameter order by name
# Redo logs and control files
S|select group#, bytes, members from v$log
S|select group#, nvl(status,'Null') status, member from v$logfile
S|select nvl(status,'Null') status, name from v$controlfile
# SQL editor
S|select username from dba_users order by username
S|SELECT TEXT FROM DBA_SOURCE WHERE OWNER = 'SCOTT' AND TYPE = 'PROCEDURE' AND NAME = 'RAISE_SAL' ORDER BY LINE
S|SELECT OBJECT_NAME FROM DBA_OBJECTS WHERE OWNER = 'SCOTT' AND OBJECT_TYPE = 'PROCEDURE' ORDER BY OBJECT_NAME
# Tablespaces
S|select tablespace_name, initial_extent, next_extent, min_extents, nvl(max_extents,0) max_extents, pct_increase, status from dba_tablespaces order by tablespace_name
S|select a.file_name nombre, a.file_id identificador, a.bytes/1024/1024 tamano, a.blocks bloques, b.status estado from dba_data_files a, v$datafile b where a.file_name = b.name and a.tablespace_name = 'USERS' order by a.file_name
S|select round(sum(bytes)/1024/1024) total_libre, round(max(bytes)/1024) maximo, round(avg(bytes)/1024) average, round(min(bytes)/1024) minimo, count(*) fragmentos from dba_free_space where tablespace_name ='USERS'
S|select owner, segment_name, segment_type, bytes, extents, next_extent from dba_segments where tablespace_name = 'USERS' order by owner, segment_name
S|select username, bytes, max_bytes, blocks, max_blocks from dba_ts_quotas where tablespace_name = 'USERS' order by username
H|alter tablespace USERS online
H|alter tablespace USERS offline normal
H|drop tablespace USERS
# Space trends
S|select tablespace_name, file_name, blocks from dba_data_files
S|select tablespace_name, count(blocks) cblocks, sum(blocks) sblocks, max(blocks) mblocks from dba_free_space group by tablespace_name
S|select tablespace_name, owner, segment_name, segment_type, extents, blocks from dba_segments where extents > 9 or segment_type = 'ROLLBACK'
# Tablespace operations
S|select a.file_name uno, a.bytes/1024/1024 dos, b.status tres from dba_data_files a, v$datafile b where a.file_name = b.name and a.tablespace_name = 'USERS' order by a.file_name
S|select round(sum(bytes)/1024/1024) total_libre, round(max(bytes)/1024) maximo, round(min(bytes)/1024) minimo, count(*) fragmentos from dba_free_space where tablespace_name ='USERS'
H|create tablespace DATOS datafile '/u02/oradata/ORCL/datos01.dbf' size 10M , '/u02/oradata/ORCL/datos02.dbf' size 5M reuse default storage ( initial 10K next 10K minextents 1 maxextents 121 pctincrease 50 )
H|alter tablespace DATOS add datafile '/u02/oradata/ORCL/datos03.dbf' size 20M reuse
H|alter tablespace DATOS default storage ( initial 20K next 20K )
# Rollback segments
S|select a.owner a_owner,       a.segment_name a_segment_name,       a.tablespace_name a_tablespace_name,       a.initial_extent a_initial_extent,       a.next_extent a_next_extent,       a.min_extents a_min_extents,       a.max_extents a_max_extents,       a.pct_increase a_pct_increase,       b.extents b_extents, b.bytes b_bytes,       b.blocks b_blocks, a.status a_status,       b.freelists b_freelists,       b.freelist_groups b_freelist_groups,       nvl(c.optsize,0) c_optimal from dba_rollback_segs a,     dba_segments b,     v$rollstat c,     v$rollname d where b.segment_type = 'ROLLBACK' and       a.segment_name = b.segment_name and       a.tablespace_name = b.tablespace_name and       a.segment_name = d.name(+) and d.usn = c.usn(+) order by a.segment_name
H|drop rollback segment RBS05
S|select tablespace_name from dba_tablespaces order by tablespace_name
H|create public rollback segment RBS05 tablespace RBS storage( initial 100K next 100K minextents 2 maxextents 121 optimal 1M)
H|alter rollback segment RBS05 OFFLINE
H|alter rollback segment RBS05 storage ( next 200K optimal null )
# Data files
S|select b.file# numero_dbf, a.file_name uno, a.tablespace_name dos, a.bytes/1024/1024 tres, b.status cuatro from dba_data_files a, v$datafile b where a.file_name = b.name order by b.file#
H|alter database datafile '/u01/oradata/ORCL/users01.dbf' offline
H|alter database recover datafile '/u01/oradata/ORCL/users01.dbf'
S|select log_mode from v$database
H|alter database datafile '/u01/oradata/ORCL/users01.dbf' offline drop
S|select status from dba_tablespaces where tablespace_name = 'USERS'
# Segments near their limits
S|select value from v$parameter where name = 'db_block_size'
S|SELECT seg.owner uno, seg.segment_name dos, seg.segment_type tres, seg.tablespace_name cuatro, seg.extents cinco, seg.max_extents seis FROM sys.dba_segments seg WHERE seg.extents >= seg.max_extents - 5 
S|SELECT seg.owner uno, seg.segment_name dos, seg.segment_type tres, seg.tablespace_name cuatro, seg.extents cinco, seg.max_extents seis FROM sys.dba_segments seg WHERE seg.extents >= seg.max_extents 
S|SELECT seg.owner uno, seg.segment_name dos, seg.segment_type tres, seg.tablespace_name cuatro, seg.next_extent cinco FROM dba_segments seg WHERE seg.segment_type in ('TABLE','CLUSTER','INDEX','ROLLBACK') AND NOT EXISTS (select free.tablespace_name FROM dba_free_space free WHERE free.tablespace_name = seg.tablespace_name and free.bytes >= seg.next_extent)
# Database overview and object tree
S|select name, created, log_mode, checkpoint_change#, archive_change# from v$database
S|select count(username) usuarios from dba_users
S|select object_type, count(object_name) num_objetos from dba_objects group by object_type
S|select distinct owner from dba_objects where object_type='TABLE'
S|select distinct object_type from dba_objects where owner = 'SCOTT'
S|select distinct object_name from dba_objects where owner = 'SCOTT' and object_type = 'TABLE'
S|SELECT * FROM DBA_DB_LINKS WHERE OWNER = 'SCOTT' AND DB_LINK = 'REMOTE.WORLD'
S|SELECT OWNER,INDEX_NAME,TABLE_OWNER,TABLE_NAME,TABLESPACE_NAME,INITIAL_EXTENT,NEXT_EXTENT,MIN_EXTENTS,MAX_EXTENTS,PCT_INCREASE,PCT_FREE,INI_TRANS,MAX_TRANS,UNIQUENESS  FROM DBA_INDEXES WHERE OWNER = 'SCOTT' AND INDEX_NAME = 'PK_EMP'
S|SELECT COLUMN_NAME FROM DBA_IND_COLUMNS WHERE INDEX_OWNER = 'SCOTT' AND INDEX_NAME = 'PK_EMP' AND TABLE_OWNER = 'SCOTT' AND TABLE_NAME = 'EMP'
S|SELECT COLUMN_NAME FROM DBA_TAB_COLUMNS WHERE OWNER = 'SCOTT' AND TABLE_NAME = 'EMP'
S|SELECT * FROM DBA_SEQUENCES WHERE SEQUENCE_OWNER = 'SCOTT' AND SEQUENCE_NAME = 'EMP_SEQ'
S|select owner, synonym_name, table_owner, table_name, nvl(db_link,'Null') db_link from dba_synonyms WHERE OWNER = 'PUBLIC' AND SYNONYM_NAME = 'DUAL'
S|SELECT A.OWNER OWNER,TABLE_NAME,TABLESPACE_NAME,INITIAL_EXTENT,NEXT_EXTENT,MIN_EXTENTS,MAX_EXTENTS,PCT_INCREASE,PCT_FREE,PCT_USED,INI_TRANS,MAX_TRANS,CREATED FROM DBA_TABLES A, DBA_OBJECTS B WHERE A.OWNER = 'SCOTT' AND A.TABLE_NAME = 'EMP' AND A.OWNER = B.OWNER AND A.TABLE_NAME = B.OBJECT_NAME AND B.OBJECT_TYPE = 'TABLE'
S|SELECT COLUMN_NAME,DATA_TYPE,DATA_LENGTH,NullABLE FROM DBA_TAB_COLUMNS WHERE OWNER = 'SCOTT' AND TABLE_NAME = 'EMP'
# Schema object browsers
S|select table_name, tablespace_name, nvl(cluster_name,'Null') cluster_name from dba_tables  order by table_name
S|select table_name, tablespace_name, nvl(cluster_name,'Null') cluster_name from dba_tables WHERE OWNER = 'SCOTT' order by table_name
S|select owner, index_name, table_owner, table_name, table_type, tablespace_name, initial_extent, next_extent, max_extents from dba_indexes WHERE OWNER = 'SCOTT' order by index_name
S|select owner, view_name, text_length, text from dba_views WHERE OWNER = 'SYS' order by view_name
S|select sequence_owner, sequence_name, min_value, max_value, increment_by, last_number from dba_sequences WHERE SEQUENCE_OWNER = 'SCOTT' order by sequence_name
S|SELECT distinct B.TABLE_NAME uno FROM DBA_CONSTRAINTS A, DBA_CONSTRAINTS B WHERE A.OWNER = 'SCOTT' AND A.TABLE_NAME = 'EMP' AND A.R_CONSTRAINT_NAME = B.CONSTRAINT_NAME
S|SELECT distinct B.TABLE_NAME uno FROM DBA_CONSTRAINTS A, DBA_CONSTRAINTS B WHERE A.OWNER = 'SCOTT' AND A.TABLE_NAME = 'DEPT' AND A.CONSTRAINT_TYPE IN ('P','U') AND B.R_CONSTRAINT_NAME = A.CONSTRAINT_NAME
S|SELECT distinct B.TABLE_NAME uno, B.CONSTRAINT_NAME dos, A.STATUS tres FROM DBA_CONSTRAINTS A, DBA_CONSTRAINTS B WHERE A.OWNER = 'SCOTT' AND A.TABLE_NAME = 'EMP' AND B.TABLE_NAME = 'DEPT' AND A.R_CONSTRAINT_NAME = B.CONSTRAINT_NAME
S|SELECT distinct B.TABLE_NAME uno, B.CONSTRAINT_NAME dos, B.STATUS tres FROM DBA_CONSTRAINTS A, DBA_CONSTRAINTS B WHERE A.OWNER = 'SCOTT' AND A.TABLE_NAME = 'DEPT' AND B.TABLE_NAME = 'EMP' AND A.CONSTRAINT_TYPE IN ('P','U') AND B.R_CONSTRAINT_NAME = A.CONSTRAINT_NAME
S|SELECT COLUMN_NAME FROM DBA_CONS_COLUMNS WHERE OWNER = 'SCOTT' AND TABLE_NAME = 'EMP' AND CONSTRAINT_NAME = 'FK_DEPTNO' ORDER BY POSITION
# Users
S|select username, user_id, default_tablespace, temporary_tablespace, created from dba_users order by username
H|drop user SCOTT
H|create user SCOTT  identified externally Default Tablespace USERS Temporary Tablespace TEMP quota 10M on USERS 
H|create user JONES  identified by SECRET Default Tablespace USERS Temporary Tablespace TEMP quota unlimited on USERS profile DEFAULT 
S|select tablespace_name from dba_tablespaces order by tablespace_name
S|select username, default_tablespace, temporary_tablespace, profile from dba_users where username = 'SCOTT'
S|select granted_role, default_role from dba_role_privs where grantee = 'SCOTT' order by granted_role
# Roles and object grants
S|select role, password_required from dba_roles order by role
S|SELECT DISTINCT GRANTEE USUARIO, 'U' TIPO FROM DBA_TAB_PRIVS A, DBA_USERS B WHERE A.GRANTEE = B.USERNAME UNION SELECT DISTINCT GRANTEE USUARIO, 'R' TIPO FROM DBA_TAB_PRIVS C, DBA_ROLES D WHERE C.GRANTEE = D.ROLE UNION SELECT 'PUBLIC' USUARIO, 'P' TIPO FROM DUAL ORDER BY 1 
S|SELECT PRIVILEGE, GRANTABLE FROM DBA_TAB_PRIVS WHERE GRANTEE = 'SCOTT' AND OWNER = 'HR' AND TABLE_NAME = 'EMPLOYEES' ORDER BY PRIVILEGE
S|SELECT DISTINCT TABLE_NAME, GRANTABLE FROM DBA_TAB_PRIVS WHERE GRANTEE = 'SCOTT' AND OWNER = 'HR' ORDER BY TABLE_NAME
S|SELECT DISTINCT OWNER FROM DBA_TAB_PRIVS WHERE GRANTEE = 'PUBLIC' ORDER BY OWNER
S|SELECT A.GRANTOR GRANTOR,        B.OBJECT_TYPE OBJECT_TYPE FROM DBA_TAB_PRIVS A, DBA_OBJECTS B WHERE A.GRANTEE = 'SCOTT' AND       A.OWNER = 'HR' AND       A.TABLE_NAME = 'EMPLOYEES' AND       A.PRIVILEGE = 'SELECT' AND       A.OWNER = B.OWNER AND       A.TABLE_NAME = B.OBJECT_NAME 
# Synonyms
S|select owner, synonym_name, table_owner, table_name, nvl(db_link,'Null') db_link from dba_synonyms  order by synonym_name
S|select owner, synonym_name, table_owner, table_name, nvl(db_link,'Null') db_link from dba_synonyms WHERE OWNER = 'SCOTT' order by synonym_name
S|CREATE PUBLIC SYNONYM EMPLEADOS FOR SCOTT.EMP
S|CREATE SYNONYM SCOTT.EMPLEADOS FOR SCOTT.EMP
S|DROP PUBLIC SYNONYM EMPLEADOS
S|DROP SYNONYM SCOTT.EMPLEADOS
# Clusters
S|SELECT CLUSTER_NAME FROM DBA_CLUSTERS WHERE OWNER = 'SCOTT' ORDER BY CLUSTER_NAME
S|SELECT * FROM DBA_CLUSTERS WHERE OWNER = 'SCOTT' AND CLUSTER_NAME = 'EMP_DEPT'
S|SELECT DISTINCT CLU_COLUMN_NAME, DATA_TYPE, DATA_LENGTH FROM DBA_CLU_COLUMNS C, DBA_TAB_COLUMNS T WHERE C.OWNER = 'SCOTT' AND C.CLUSTER_NAME = 'EMP_DEPT' AND C.OWNER = T.OWNER AND C.TABLE_NAME = T.TABLE_NAME AND C.TAB_COLUMN_NAME = T.COLUMN_NAME
