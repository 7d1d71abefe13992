#pragma once

// Our own declarations of the part of the Oracle Call Interface we use. Nothing of Oracle's is needed
// to build: the driver resolves these functions from the client library at run time, and the Oracle
// stand-in exports them under the same names.
//
// Threads: the environment is made OCI_THREADED, so different sessions' handles may be used on
// different threads at once; one session's handles by one thread at a time, OCIBreak excepted.

#include <cstddef>
#include <cstdint>

extern "C" {

typedef std::uint8_t ub1;
typedef std::int8_t sb1;
typedef std::uint16_t ub2;
typedef std::int16_t sb2;
typedef std::uint32_t ub4;
typedef std::int32_t sb4;
typedef std::uint64_t oraub8;
typedef std::int64_t sb8;
typedef int sword;
typedef unsigned char OraText;

struct OCIEnv;
struct OCIError;
struct OCISvcCtx;
struct OCIStmt;
struct OCIBind;
struct OCIDefine;
struct OCILobLocator;

} // extern "C"

namespace oci {

// Handle and descriptor types.
inline constexpr ub4 HTYPE_ENV = 1, HTYPE_ERROR = 2, HTYPE_SVCCTX = 3, HTYPE_STMT = 4, HTYPE_BIND = 5,
                     HTYPE_DEFINE = 6, HTYPE_DESCRIBE = 7, HTYPE_SERVER = 8, HTYPE_SESSION = 9, HTYPE_TRANS = 10;
inline constexpr ub4 DTYPE_LOB = 50, DTYPE_PARAM = 53;

// Return codes.
inline constexpr sword SUCCESS = 0, SUCCESS_WITH_INFO = 1, NEED_DATA = 99, NO_DATA = 100, ERROR = -1,
                       INVALID_HANDLE = -2, STILL_EXECUTING = -3123, CONTINUE = -24200;

// Modes.
inline constexpr ub4 DEFAULT = 0, THREADED = 0x1, OBJECT = 0x2, LOGON2_STMTCACHE = 0x4;
inline constexpr ub4 EXACT_FETCH = 0x2, DESCRIBE_ONLY = 0x10, COMMIT_ON_SUCCESS = 0x20, BATCH_ERRORS = 0x80,
                     PARSE_ONLY = 0x100;
inline constexpr ub4 NTV_SYNTAX = 1;
inline constexpr ub2 FETCH_NEXT = 0x2;
inline constexpr ub1 ONE_PIECE = 0, FIRST_PIECE = 1, NEXT_PIECE = 2, LAST_PIECE = 3;
// OCIBindByPos mode for binds whose data come through OCIBindDynamic callbacks.
inline constexpr ub4 DATA_AT_EXEC = 0x2;
// OCILobCreateTemporary: the kind of temporary LOB and how long it lives.
inline constexpr ub1 TEMP_BLOB = 1, TEMP_CLOB = 2;
inline constexpr ub2 DURATION_SESSION = 10;
// OCI_ATTR_SERVER_STATUS of a server handle.
inline constexpr ub4 SERVER_NOT_CONNECTED = 0, SERVER_NORMAL = 1;
inline constexpr sb2 IND_NOTNULL = 0, IND_NULL = -1;
inline constexpr ub1 SQLCS_IMPLICIT = 1, SQLCS_NCHAR = 2;
inline constexpr ub2 CHARSET_AL32UTF8 = 873, CHARSET_UTF16 = 1000;

// Attributes (ids repeat across handle types).
inline constexpr ub4 ATTR_DATA_SIZE = 1, ATTR_DATA_TYPE = 2, ATTR_NAME = 4, ATTR_PRECISION = 5,
                     ATTR_SCALE = 6, ATTR_IS_NULL = 7, ATTR_FSPRECISION = 16, ATTR_ROW_COUNT = 9,
                     ATTR_PREFETCH_ROWS = 11, ATTR_PARAM_COUNT = 18, ATTR_STMT_TYPE = 24,
                     ATTR_NUM_DML_ERRORS = 73, ATTR_DML_ROW_OFFSET = 74, ATTR_ROWS_FETCHED = 197,
                     ATTR_CHAR_USED = 285, ATTR_CHAR_SIZE = 286, ATTR_MAX_IDENTIFIER_LEN = 500;
// ub4 milliseconds on the service context, Oracle 18 clients and later (ODPI-C's DPI_OCI_ATTR_CALL_TIMEOUT).
inline constexpr ub4 ATTR_CALL_TIMEOUT = 531;
// On other handles: the server handle of a service context, its status, rows a RETURNING bind received.
inline constexpr ub4 ATTR_SERVER = 6, ATTR_ROWS_RETURNED = 42, ATTR_SERVER_STATUS = 143;

// Statement types.
inline constexpr ub2 STMT_UNKNOWN = 0, STMT_SELECT = 1, STMT_UPDATE = 2, STMT_DELETE = 3, STMT_INSERT = 4,
                     STMT_CREATE = 5, STMT_DROP = 6, STMT_ALTER = 7, STMT_BEGIN = 8, STMT_DECLARE = 9,
                     STMT_CALL = 10, STMT_MERGE = 16;

// External data types (SQLT_*).
inline constexpr ub2 SQLT_CHR = 1, SQLT_NUM = 2, SQLT_INT = 3, SQLT_FLT = 4, SQLT_STR = 5, SQLT_VNU = 6,
                     SQLT_LNG = 8, SQLT_VCS = 9, SQLT_DAT = 12, SQLT_BFLOAT = 21, SQLT_BDOUBLE = 22,
                     SQLT_BIN = 23, SQLT_LBI = 24, SQLT_LVC = 94, SQLT_LVB = 95, SQLT_AFC = 96,
                     SQLT_IBFLOAT = 100, SQLT_IBDOUBLE = 101, SQLT_RDD = 104, SQLT_CLOB = 112, SQLT_BLOB = 113,
                     SQLT_ODT = 156, SQLT_TIMESTAMP = 187;

// Describe type codes of columns.
inline constexpr ub2 TYPE_VARCHAR2 = 1, TYPE_NUMBER = 2, TYPE_LONG = 8, TYPE_DATE = 12, TYPE_RAW = 23,
                     TYPE_LONG_RAW = 24, TYPE_CHAR = 96, TYPE_BINARY_FLOAT = 100, TYPE_BINARY_DOUBLE = 101,
                     TYPE_CLOB = 112, TYPE_BLOB = 113, TYPE_TIMESTAMP = 187;

// SQLT_ODT layout.
struct OCIDate {
    sb2 year;
    ub1 month, day, hour, minute, second;
};

// Prototypes, as function-pointer types the driver resolves by name.
using EnvNlsCreate = sword (*)(OCIEnv **envp, ub4 mode, void *ctxp, void *malocfp, void *ralocfp, void *mfreefp,
                               std::size_t xtramem_sz, void **usrmempp, ub2 charset, ub2 ncharset);
using HandleAlloc = sword (*)(const void *parenth, void **hndlpp, ub4 type, std::size_t xtramem_sz, void **usrmempp);
using HandleFree = sword (*)(void *hndlp, ub4 type);
using DescriptorAlloc = sword (*)(const void *parenth, void **descpp, ub4 type, std::size_t xtramem_sz,
                                  void **usrmempp);
using DescriptorFree = sword (*)(void *descp, ub4 type);
using ErrorGet = sword (*)(void *hndlp, ub4 recordno, OraText *sqlstate, sb4 *errcodep, OraText *bufp, ub4 bufsiz,
                           ub4 type);
using Logon2 = sword (*)(OCIEnv *envhp, OCIError *errhp, OCISvcCtx **svchp, const OraText *username, ub4 uname_len,
                         const OraText *password, ub4 passwd_len, const OraText *dbname, ub4 dbname_len, ub4 mode);
using Logoff = sword (*)(OCISvcCtx *svchp, OCIError *errhp);
using StmtPrepare2 = sword (*)(OCISvcCtx *svchp, OCIStmt **stmtp, OCIError *errhp, const OraText *stmt,
                               ub4 stmt_len, const OraText *key, ub4 key_len, ub4 language, ub4 mode);
using StmtRelease = sword (*)(OCIStmt *stmtp, OCIError *errhp, const OraText *key, ub4 key_len, ub4 mode);
using StmtExecute = sword (*)(OCISvcCtx *svchp, OCIStmt *stmtp, OCIError *errhp, ub4 iters, ub4 rowoff,
                              const void *snap_in, void *snap_out, ub4 mode);
using StmtFetch2 = sword (*)(OCIStmt *stmtp, OCIError *errhp, ub4 nrows, ub2 orientation, sb4 fetchOffset,
                             ub4 mode);
using ParamGet = sword (*)(const void *hndlp, ub4 htype, OCIError *errhp, void **parmdpp, ub4 pos);
using AttrGet = sword (*)(const void *trgthndlp, ub4 trghndltyp, void *attributep, ub4 *sizep, ub4 attrtype,
                          OCIError *errhp);
using AttrSet = sword (*)(void *trgthndlp, ub4 trghndltyp, void *attributep, ub4 size, ub4 attrtype,
                          OCIError *errhp);
using DefineByPos = sword (*)(OCIStmt *stmtp, OCIDefine **defnp, OCIError *errhp, ub4 position, void *valuep,
                              sb4 value_sz, ub2 dty, void *indp, ub2 *rlenp, ub2 *rcodep, ub4 mode);
using BindByPos = sword (*)(OCIStmt *stmtp, OCIBind **bindp, OCIError *errhp, ub4 position, void *valuep,
                            sb4 value_sz, ub2 dty, void *indp, ub2 *alenp, ub2 *rcodep, ub4 maxarr_len,
                            ub4 *curelep, ub4 mode);
using BindByPos2 = sword (*)(OCIStmt *stmtp, OCIBind **bindp, OCIError *errhp, ub4 position, void *valuep,
                             sb8 value_sz, ub2 dty, void *indp, ub4 *alenp, ub2 *rcodep, ub4 maxarr_len,
                             ub4 *curelep, ub4 mode);
using BindArrayOfStruct = sword (*)(OCIBind *bindp, OCIError *errhp, ub4 pvskip, ub4 indskip, ub4 alskip,
                                    ub4 rcskip);
using LobWrite2 = sword (*)(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, oraub8 *byte_amtp,
                            oraub8 *char_amtp, oraub8 offset, void *bufp, oraub8 buflen, ub1 piece, void *ctxp,
                            void *cbfp, ub2 csid, ub1 csfrm);
using LobRead2 = sword (*)(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, oraub8 *byte_amtp,
                           oraub8 *char_amtp, oraub8 offset, void *bufp, oraub8 bufl, ub1 piece, void *ctxp,
                           void *cbfp, ub2 csid, ub1 csfrm);
using LobGetLength2 = sword (*)(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, oraub8 *lenp);
using LobCreateTemporary = sword (*)(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, ub2 csid, ub1 csfrm,
                                     ub1 lobtype, int cache, ub2 duration);
using LobFreeTemporary = sword (*)(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp);
// The callbacks of OCIBindDynamic: the input one hands OCI a value, the output one a buffer to place a
// returned value in. They return OCI_CONTINUE.
using CallbackInBind = sb4 (*)(void *ictxp, OCIBind *bindp, ub4 iter, ub4 index, void **bufpp, ub4 *alenp, ub1 *piecep,
                               void **indp);
using CallbackOutBind = sb4 (*)(void *octxp, OCIBind *bindp, ub4 iter, ub4 index, void **bufpp, ub4 **alenp,
                                ub1 *piecep, void **indp, ub2 **rcodep);
using BindDynamic = sword (*)(OCIBind *bindp, OCIError *errhp, void *ictxp, CallbackInBind icbfp, void *octxp,
                              CallbackOutBind ocbfp);
using TransCommit = sword (*)(OCISvcCtx *svchp, OCIError *errhp, ub4 flags);
using TransRollback = sword (*)(OCISvcCtx *svchp, OCIError *errhp, ub4 flags);
using Ping = sword (*)(OCISvcCtx *svchp, OCIError *errhp, ub4 mode);
using ServerVersion = sword (*)(void *hndlp, OCIError *errhp, OraText *bufp, ub4 bufsz, ub1 hndltype);
using ClientVersion = void (*)(int *major, int *minor, int *update, int *patch, int *port_update);
using Break = sword (*)(void *hndlp, OCIError *errhp);
using Reset = sword (*)(void *hndlp, OCIError *errhp);

} // namespace oci
