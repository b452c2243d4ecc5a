-- ===========================================================================
-- sim:ORCL -- dictionary views written directly in SQLite.
--
-- These views combine the scenario's base tables with the SQL engine's own
-- catalog (SIM_OBJECTS, SIM_SYNONYMS, SIM_COLUMNS), so that objects created
-- while the instance runs (tables, views, synonyms, indexes, the lock
-- analysis work tables) show up next to the scenario's. {OWNER.NAME} stands
-- for the quoted SQLite name of an Oracle object; each view is registered
-- as the Oracle view OWNER.NAME.
-- ===========================================================================

-- Objects: the scenario's (with their history) and everything else the
-- engine knows, except the fixed tables X$.
CREATE VIEW {SYS.DBA_OBJECTS} AS
  SELECT OWNER, NAME AS OBJECT_NAME, SUBNAME AS SUBOBJECT_NAME, "OBJ#" AS OBJECT_ID,
         "DATAOBJ#" AS DATA_OBJECT_ID, TYPE AS OBJECT_TYPE, CTIME AS CREATED,
         MTIME AS LAST_DDL_TIME, replace(STIME, ' ', ':') AS TIMESTAMP, STATUS,
         TEMPORARY, GENERATED, 'N' AS SECONDARY
    FROM {SYS.OBJ$}
  UNION ALL
  SELECT o.OWNER, o.OBJECT_NAME, NULL, o.OBJECT_ID,
         CASE WHEN o.OBJECT_TYPE IN ('TABLE', 'INDEX') THEN o.OBJECT_ID END, o.OBJECT_TYPE,
         CASE WHEN o.OBJECT_ID <= c.BOOT_OBJECT_ID THEN '2002-03-14 10:12:40' ELSE o.CREATED END,
         CASE WHEN o.OBJECT_ID <= c.BOOT_OBJECT_ID THEN '2002-03-14 10:12:40' ELSE o.CREATED END,
         replace(CASE WHEN o.OBJECT_ID <= c.BOOT_OBJECT_ID THEN '2002-03-14 10:12:40' ELSE o.CREATED END, ' ', ':'),
         'VALID', 'N', 'N', 'N'
    FROM SIM_OBJECTS o, {SYS.X$CLOCK} c
   WHERE NOT (o.OWNER = 'SYS' AND substr(o.OBJECT_NAME, 1, 2) = 'X$')
     AND NOT EXISTS (SELECT 1 FROM {SYS.OBJ$} x
                      WHERE x.OWNER = o.OWNER AND x.NAME = o.OBJECT_NAME AND x.TYPE = o.OBJECT_TYPE);

-- Tables: every table the engine holds, with the scenario's storage and
-- statistics where it has them (a table in a cluster takes the cluster's).
CREATE VIEW {SYS.DBA_TABLES} AS
  SELECT o.OWNER, o.OBJECT_NAME AS TABLE_NAME, ts.NAME AS TABLESPACE_NAME, t.CLUSTER_NAME,
         NULL AS IOT_NAME, coalesce(t.PCT_FREE, 10) AS PCT_FREE, coalesce(t.PCT_USED, 40) AS PCT_USED,
         coalesce(t.INI_TRANS, 1) AS INI_TRANS, coalesce(t.MAX_TRANS, 255) AS MAX_TRANS,
         s.INITIAL_EXTENT, s.NEXT_EXTENT, s.MIN_EXTENTS, s.MAX_EXTENTS, s.PCT_INCREASE,
         s.FREELISTS, s.FREELIST_GROUPS, 'YES' AS LOGGING, 'N' AS BACKED_UP, t.NUM_ROWS,
         s.BLOCKS, 0 AS EMPTY_BLOCKS, 0 AS AVG_SPACE, 0 AS CHAIN_CNT, t.AVG_ROW_LEN,
         0 AS AVG_SPACE_FREELIST_BLOCKS, 0 AS NUM_FREELIST_BLOCKS, '         1' AS DEGREE,
         '         1' AS INSTANCES, '    N' AS CACHE, 'ENABLED' AS TABLE_LOCK,
         t.NUM_ROWS AS SAMPLE_SIZE, t.LAST_ANALYZED, 'NO' AS PARTITIONED, NULL AS IOT_TYPE,
         'N' AS TEMPORARY, 'N' AS SECONDARY, 'NO' AS NESTED, 'DEFAULT' AS BUFFER_POOL,
         'DISABLED' AS ROW_MOVEMENT, 'NO' AS GLOBAL_STATS, 'NO' AS USER_STATS, NULL AS DURATION,
         'DISABLED' AS SKIP_CORRUPT, 'NO' AS MONITORING,
         CASE WHEN t.CLUSTER_NAME IS NOT NULL THEN o.OWNER END AS CLUSTER_OWNER,
         'DISABLED' AS DEPENDENCIES, 'DISABLED' AS COMPRESSION
    FROM SIM_OBJECTS o
    LEFT JOIN {SYS.TAB$} t ON t.OWNER = o.OWNER AND t.TABLE_NAME = o.OBJECT_NAME
    LEFT JOIN {SYS.SEG$} s ON s.OWNER = o.OWNER
                          AND s.SEGMENT_NAME = coalesce(t.CLUSTER_NAME, o.OBJECT_NAME)
                          AND s.SEGMENT_TYPE IN ('TABLE', 'CLUSTER')
    LEFT JOIN {SYS.TS$} ts ON ts."TS#" = s."TS#"
   WHERE o.OBJECT_TYPE = 'TABLE' AND NOT (o.OWNER = 'SYS' AND substr(o.OBJECT_NAME, 1, 2) = 'X$');

-- Columns of every table created through SQL.
CREATE VIEW {SYS.DBA_TAB_COLUMNS} AS
  SELECT OWNER, TABLE_NAME, COLUMN_NAME, DATA_TYPE, NULL AS DATA_TYPE_MOD, NULL AS DATA_TYPE_OWNER,
         DATA_LENGTH, DATA_PRECISION, DATA_SCALE, NULLABLE, COLUMN_ID, NULL AS DEFAULT_LENGTH,
         NULL AS DATA_DEFAULT, NULL AS NUM_DISTINCT, NULL AS LOW_VALUE, NULL AS HIGH_VALUE,
         NULL AS DENSITY, NULL AS NUM_NULLS, NULL AS NUM_BUCKETS, NULL AS LAST_ANALYZED,
         NULL AS SAMPLE_SIZE,
         CASE WHEN DATA_TYPE IN ('VARCHAR2', 'CHAR', 'LONG') THEN 'CHAR_CS' END AS CHARACTER_SET_NAME,
         DATA_LENGTH AS CHAR_COL_DECL_LENGTH, 'NO' AS GLOBAL_STATS, 'NO' AS USER_STATS,
         NULL AS AVG_COL_LEN,
         CASE WHEN DATA_TYPE IN ('VARCHAR2', 'CHAR') THEN DATA_LENGTH ELSE 0 END AS CHAR_LENGTH,
         CASE WHEN DATA_TYPE IN ('VARCHAR2', 'CHAR') THEN 'B' END AS CHAR_USED,
         'NO' AS V80_FMT_IMAGE, 'NO' AS DATA_UPGRADED
    FROM SIM_COLUMNS
   WHERE NOT (OWNER = 'SYS' AND substr(TABLE_NAME, 1, 2) = 'X$');

-- Synonyms: the engine's local ones and the scenario's over database links.
CREATE VIEW {SYS.DBA_SYNONYMS} AS
  SELECT OWNER, SYNONYM_NAME, TABLE_OWNER, TABLE_NAME, DB_LINK FROM SIM_SYNONYMS
  UNION ALL
  SELECT s.OWNER, s.SYNONYM_NAME, s.TABLE_OWNER, s.TABLE_NAME, s.DB_LINK
    FROM {SYS.SYN$} s
   WHERE NOT EXISTS (SELECT 1 FROM SIM_SYNONYMS e
                      WHERE e.OWNER = s.OWNER AND e.SYNONYM_NAME = s.SYNONYM_NAME);
