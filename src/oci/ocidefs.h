#pragma once
// The part of the Oracle Call Interface this program uses, declared from Oracle's
// published OCI reference: opaque handle types, the return codes, the handle,
// descriptor, attribute, datatype and mode constants, and the signatures of the
// calls. The client library is loaded at run time (ocilib.h); nothing here comes
// from Oracle's own headers, which are not needed to build.
#include <cstddef>
#include <cstdint>

extern "C" {

typedef unsigned char ub1;
typedef signed char sb1;
typedef unsigned short ub2;
typedef signed short sb2;
typedef unsigned int ub4;
typedef signed int sb4;
typedef int sword;
typedef unsigned char OraText;
typedef void dvoid;

// Opaque handles and descriptors.
struct OCIEnv;
struct OCIError;
struct OCISvcCtx;
struct OCIStmt;
struct OCIBind;
struct OCIDefine;
struct OCIServer;
struct OCISession;
struct OCISnapshot;
struct OCIParam;
struct OCIDateTime;
struct OCILobLocator;

// Return codes.
enum : sword {
    OCI_SUCCESS = 0,
    OCI_SUCCESS_WITH_INFO = 1,
    OCI_NEED_DATA = 99,
    OCI_NO_DATA = 100,
    OCI_ERROR = -1,
    OCI_INVALID_HANDLE = -2,
    OCI_STILL_EXECUTING = -3123,
};

// Handle and descriptor types.
enum : ub4 {
    OCI_HTYPE_ENV = 1,
    OCI_HTYPE_ERROR = 2,
    OCI_HTYPE_SVCCTX = 3,
    OCI_HTYPE_STMT = 4,
    OCI_HTYPE_BIND = 5,
    OCI_HTYPE_DEFINE = 6,
    OCI_HTYPE_DESCRIBE = 7,
    OCI_HTYPE_SERVER = 8,
    OCI_HTYPE_SESSION = 9,
    OCI_DTYPE_LOB = 50,
    OCI_DTYPE_PARAM = 53,
    OCI_DTYPE_TIMESTAMP = 68,
    OCI_DTYPE_TIMESTAMP_TZ = 69,
    OCI_DTYPE_TIMESTAMP_LTZ = 70,
};

// Modes and flags.
enum : ub4 {
    OCI_DEFAULT = 0x0,
    OCI_THREADED = 0x1,
    OCI_OBJECT = 0x2,
    OCI_DESCRIBE_ONLY = 0x10,
    OCI_COMMIT_ON_SUCCESS = 0x20,
    OCI_NTV_SYNTAX = 1,
    OCI_CRED_RDBMS = 1,
    OCI_CRED_EXT = 2,
    OCI_SYSDBA = 0x2,
    OCI_SYSOPER = 0x4,
    OCI_STRLS_CACHE_DELETE = 0x10,
};

enum : ub2 { OCI_FETCH_NEXT = 0x02 };

// Attributes of handles.
enum : ub4 {
    OCI_ATTR_SERVER = 6,
    OCI_ATTR_SESSION = 7,
    OCI_ATTR_ROW_COUNT = 9,
    OCI_ATTR_PREFETCH_ROWS = 11,
    OCI_ATTR_PARAM_COUNT = 18,
    OCI_ATTR_USERNAME = 22,
    OCI_ATTR_PASSWORD = 23,
    OCI_ATTR_STMT_TYPE = 24,
    OCI_ATTR_SERVER_STATUS = 143,
    OCI_ATTR_ROWS_FETCHED = 197,
};

// OCI_ATTR_SERVER_STATUS of a server handle: answered by the client without a round trip.
enum : ub4 {
    OCI_SERVER_NOT_CONNECTED = 0x0,
    OCI_SERVER_NORMAL = 0x1,
};

// Attributes of a select-list parameter descriptor.
enum : ub4 {
    OCI_ATTR_DATA_SIZE = 1,
    OCI_ATTR_DATA_TYPE = 2,
    OCI_ATTR_NAME = 4,
    OCI_ATTR_PRECISION = 5,
    OCI_ATTR_SCALE = 6,
    OCI_ATTR_IS_NULL = 7,
    OCI_ATTR_CHARSET_FORM = 32,
};

// Statement types (OCI_ATTR_STMT_TYPE).
enum : ub2 {
    OCI_STMT_SELECT = 1,
    OCI_STMT_UPDATE = 2,
    OCI_STMT_DELETE = 3,
    OCI_STMT_INSERT = 4,
    OCI_STMT_CREATE = 5,
    OCI_STMT_DROP = 6,
    OCI_STMT_ALTER = 7,
    OCI_STMT_BEGIN = 8,
    OCI_STMT_DECLARE = 9,
    OCI_STMT_CALL = 10,
};

// External and internal datatype codes.
enum : ub2 {
    SQLT_CHR = 1,          // VARCHAR2 (internal), character string (external)
    SQLT_NUM = 2,          // NUMBER
    SQLT_INT = 3,
    SQLT_FLT = 4,
    SQLT_STR = 5,          // null-terminated string
    SQLT_VNU = 6,          // NUMBER with a leading length byte
    SQLT_LNG = 8,          // LONG
    SQLT_VCS = 9,
    SQLT_RID = 11,         // ROWID
    SQLT_DAT = 12,         // DATE, 7 bytes
    SQLT_BFLOAT = 21,
    SQLT_BDOUBLE = 22,
    SQLT_BIN = 23,         // RAW
    SQLT_LBI = 24,         // LONG RAW
    SQLT_UIN = 68,
    SQLT_AFC = 96,         // CHAR, NCHAR
    SQLT_AVC = 97,
    SQLT_IBFLOAT = 100,    // BINARY_FLOAT
    SQLT_IBDOUBLE = 101,   // BINARY_DOUBLE
    SQLT_RDD = 104,        // ROWID descriptor (the select-list type of ROWID)
    SQLT_NTY = 108,
    SQLT_CLOB = 112,
    SQLT_BLOB = 113,
    SQLT_BFILEE = 114,
    SQLT_RSET = 116,
    SQLT_TIMESTAMP = 187,
    SQLT_TIMESTAMP_TZ = 188,
    SQLT_INTERVAL_YM = 189,
    SQLT_INTERVAL_DS = 190,
    SQLT_TIMESTAMP_LTZ = 232,
};

// Character set forms and ids.
enum : ub1 { SQLCS_IMPLICIT = 1, SQLCS_NCHAR = 2 };
enum : ub2 { OCI_AL32UTF8 = 873 };

// The calls.
typedef sword (*OCIEnvNlsCreate_t)(OCIEnv **envp, ub4 mode, void *ctxp, void *(*malocfp)(void *, size_t),
                                   void *(*ralocfp)(void *, void *, size_t), void (*mfreefp)(void *, void *),
                                   size_t xtramem_sz, void **usrmempp, ub2 charset, ub2 ncharset);
typedef sword (*OCIHandleAlloc_t)(const void *parenth, void **hndlpp, ub4 type, size_t xtramem_sz, void **usrmempp);
typedef sword (*OCIHandleFree_t)(void *hndlp, ub4 type);
typedef sword (*OCIDescriptorAlloc_t)(const void *parenth, void **descpp, ub4 type, size_t xtramem_sz,
                                      void **usrmempp);
typedef sword (*OCIDescriptorFree_t)(void *descp, ub4 type);
typedef sword (*OCIAttrSet_t)(void *trgthndlp, ub4 trghndltyp, void *attributep, ub4 size, ub4 attrtype,
                              OCIError *errhp);
typedef sword (*OCIAttrGet_t)(const void *trgthndlp, ub4 trghndltyp, void *attributep, ub4 *sizep, ub4 attrtype,
                              OCIError *errhp);
typedef sword (*OCIServerAttach_t)(OCIServer *srvhp, OCIError *errhp, const OraText *dblink, sb4 dblink_len,
                                   ub4 mode);
typedef sword (*OCIServerDetach_t)(OCIServer *srvhp, OCIError *errhp, ub4 mode);
typedef sword (*OCISessionBegin_t)(OCISvcCtx *svchp, OCIError *errhp, OCISession *usrhp, ub4 credt, ub4 mode);
typedef sword (*OCISessionEnd_t)(OCISvcCtx *svchp, OCIError *errhp, OCISession *usrhp, ub4 mode);
typedef sword (*OCIStmtPrepare2_t)(OCISvcCtx *svchp, OCIStmt **stmthp, OCIError *errhp, const OraText *stmttext,
                                   ub4 stmt_len, const OraText *key, ub4 keylen, ub4 language, ub4 mode);
typedef sword (*OCIStmtRelease_t)(OCIStmt *stmthp, OCIError *errhp, const OraText *key, ub4 keylen, ub4 mode);
typedef sword (*OCIStmtExecute_t)(OCISvcCtx *svchp, OCIStmt *stmtp, OCIError *errhp, ub4 iters, ub4 rowoff,
                                  const OCISnapshot *snap_in, OCISnapshot *snap_out, ub4 mode);
typedef sword (*OCIStmtFetch2_t)(OCIStmt *stmthp, OCIError *errhp, ub4 nrows, ub2 orientation, sb4 fetchOffset,
                                 ub4 mode);
typedef sword (*OCIParamGet_t)(const void *hndlp, ub4 htype, OCIError *errhp, void **parmdpp, ub4 pos);
typedef sword (*OCIDefineByPos_t)(OCIStmt *stmtp, OCIDefine **defnpp, OCIError *errhp, ub4 position, void *valuep,
                                  sb4 value_sz, ub2 dty, void *indp, ub2 *rlenp, ub2 *rcodep, ub4 mode);
typedef sword (*OCIBindByName_t)(OCIStmt *stmtp, OCIBind **bindpp, OCIError *errhp, const OraText *placeholder,
                                 sb4 placeh_len, void *valuep, sb4 value_sz, ub2 dty, void *indp, ub2 *alenp,
                                 ub2 *rcodep, ub4 maxarr_len, ub4 *curelep, ub4 mode);
typedef sword (*OCIErrorGet_t)(void *hndlp, ub4 recordno, OraText *sqlstate, sb4 *errcodep, OraText *bufp,
                               ub4 bufsiz, ub4 type);
typedef sword (*OCIPing_t)(OCISvcCtx *svchp, OCIError *errhp, ub4 mode);
typedef sword (*OCIBreak_t)(void *hndlp, OCIError *errhp);
typedef sword (*OCIReset_t)(void *hndlp, OCIError *errhp);
typedef sword (*OCITransCommit_t)(OCISvcCtx *svchp, OCIError *errhp, ub4 flags);
typedef sword (*OCIDateTimeGetDate_t)(void *hndl, OCIError *err, const OCIDateTime *datetime, sb2 *yr, ub1 *mnth,
                                      ub1 *dy);
typedef sword (*OCIDateTimeGetTime_t)(void *hndl, OCIError *err, OCIDateTime *datetime, ub1 *hr, ub1 *mm, ub1 *ss,
                                      ub4 *fsec);
typedef void (*OCIClientVersion_t)(sword *major_version, sword *minor_version, sword *update_num,
                                   sword *patch_num, sword *port_update_num);

} // extern "C"
