/*
 * The Oracle Call Interface as this system uses it: a plain C boundary of opaque handles,
 * numeric codes and functions, implemented here over the embedded engine (an instance
 * directory of SQLite files) and shaped so that a real client library can be bound in its
 * place through `oci_function_table`.
 *
 * The functions below are declared under Oracle's names and signatures, which a client library
 * exports: Oracle's own libclntsh.so, or the engine's liboralite_oci.so. Inside the programs the
 * engine's entry points have names of their own (reached through `oci_embedded_functions`), so a
 * library bound by platform/oci/oci_loader.h keeps its symbols.
 *
 * Contract in brief (each rule is the client library's documented one; the notes beside the
 * declarations say which of them the Oracle side relies on):
 * - Every call returns a status (OCI_SUCCESS, OCI_SUCCESS_WITH_INFO, OCI_NO_DATA, OCI_NEED_DATA,
 *   OCI_ERROR, OCI_INVALID_HANDLE). OCI_ERROR leaves a record on the error handle that
 *   OCIErrorGet reads as "ORA-%05d: text"; OCI_SUCCESS_WITH_INFO leaves one too, and the call
 *   did its work. A null, freed or wrong-kind handle gives OCI_INVALID_HANDLE; no misuse crashes.
 * - The environment is created by OCIEnvNlsCreate in UTF-16 mode (charset OCI_UTF16ID): every
 *   text crossing the boundary (SQL, names, user names, passwords, connect strings, error texts,
 *   SQLT_STR/SQLT_LNG data) is UTF-16 in native byte order, and every length is in bytes, unless
 *   OCI_ATTR_CHARSET_ID names another character set on the define or bind.
 * - CLOB and NCLOB data read with OCILobRead arrives in the character set its csid names, 0 being
 *   the environment's (UTF-16 here, for either form); offsets (1-based) and the amount asked for
 *   count characters, and a character is a UTF-16 unit, so one outside the BMP counts two. The
 *   amount read counts characters for UTF-16, which is of fixed width, and bytes for UTF-8 (csid
 *   871 or 873), which is not; BLOB offsets and amounts count bytes. A read whose amount the
 *   buffer holds is one piece; consecutive pieces concatenate.
 * - Attribute value types, as read by OCIAttrGet on a describe parameter (OCI_DTYPE_PARAM):
 *   OCI_ATTR_DATA_TYPE ub2, OCI_ATTR_DATA_SIZE ub2 (bytes), OCI_ATTR_NAME OraText* with its
 *   length in bytes through sizep (pointer valid while the statement lives), OCI_ATTR_PRECISION
 *   sb2, OCI_ATTR_SCALE sb1, OCI_ATTR_IS_NULL ub1, OCI_ATTR_CHARSET_ID ub2, OCI_ATTR_CHARSET_FORM
 *   ub1. On a statement: OCI_ATTR_PARAM_COUNT ub4, OCI_ATTR_ROW_COUNT ub4, OCI_ATTR_STMT_TYPE ub2.
 * - OCIStmtPrepare never fails on the text; it is compiled by OCIStmtExecute, which reports
 *   syntax and name errors. A SELECT executed with iters 0 is described but not fetched; with
 *   iters 1 the first row lands in the defines (OCI_NO_DATA when there is none).
 *
 * Thread-safety: handles are not shared between threads; distinct environments may be used
 * from distinct threads at once.
 */
#ifndef TW_PLATFORM_OCI_OCI_H
#define TW_PLATFORM_OCI_OCI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Scalar types of the interface. */
typedef uint8_t ub1;
typedef int8_t sb1;
typedef uint16_t ub2;
typedef int16_t sb2;
typedef uint32_t ub4;
typedef int32_t sb4;
typedef uint64_t oraub8;
typedef int64_t orasb8;
typedef int32_t sword;
typedef int32_t eword;
typedef uint32_t uword;
typedef unsigned char OraText;
typedef void dvoid;

/* Opaque handles and descriptors. */
typedef struct OCIEnv OCIEnv;
typedef struct OCIError OCIError;
typedef struct OCISvcCtx OCISvcCtx;
typedef struct OCIStmt OCIStmt;
typedef struct OCIBind OCIBind;
typedef struct OCIDefine OCIDefine;
typedef struct OCIDescribe OCIDescribe;
typedef struct OCIServer OCIServer;
typedef struct OCISession OCISession;
typedef struct OCISnapshot OCISnapshot;
typedef struct OCIParam OCIParam;
typedef struct OCILobLocator OCILobLocator;
typedef struct OCIDateTime OCIDateTime;
typedef struct OCIInterval OCIInterval;

/* The fixed 7-byte client date (SQLT_ODT). */
typedef struct OCITime {
    ub1 OCITimeHH;
    ub1 OCITimeMI;
    ub1 OCITimeSS;
} OCITime;

typedef struct OCIDate {
    sb2 OCIDateYYYY;
    ub1 OCIDateMM;
    ub1 OCIDateDD;
    OCITime OCIDateTime;
} OCIDate;

/* Statuses. */
#define OCI_SUCCESS 0
#define OCI_SUCCESS_WITH_INFO 1
#define OCI_NO_DATA 100
#define OCI_ERROR (-1)
#define OCI_INVALID_HANDLE (-2)
#define OCI_NEED_DATA 99
#define OCI_STILL_EXECUTING (-3123)
#define OCI_CONTINUE (-24200)

/* Handle types. */
#define OCI_HTYPE_FIRST 1
#define OCI_HTYPE_ENV 1
#define OCI_HTYPE_ERROR 2
#define OCI_HTYPE_SVCCTX 3
#define OCI_HTYPE_STMT 4
#define OCI_HTYPE_BIND 5
#define OCI_HTYPE_DEFINE 6
#define OCI_HTYPE_DESCRIBE 7
#define OCI_HTYPE_SERVER 8
#define OCI_HTYPE_SESSION 9

/* Descriptor types. */
#define OCI_DTYPE_LOB 50
#define OCI_DTYPE_SNAP 51
#define OCI_DTYPE_PARAM 53
#define OCI_DTYPE_ROWID 54
#define OCI_DTYPE_FILE 56
#define OCI_DTYPE_INTERVAL_YM 62
#define OCI_DTYPE_INTERVAL_DS 63
#define OCI_DTYPE_DATE 65
#define OCI_DTYPE_TIMESTAMP 68
#define OCI_DTYPE_TIMESTAMP_TZ 69
#define OCI_DTYPE_TIMESTAMP_LTZ 70

/* Attributes of describe parameters, with the value types OCIAttrGet writes (the Oracle side
 * reads each into a variable of exactly that type). */
/* ub2: the column's width in bytes in the database character set (for a column of character
 * length semantics, its characters times the set's widest character): UTF-16 of the column's
 * value takes at most twice as many bytes, UTF-8 at most three times. */
#define OCI_ATTR_DATA_SIZE 1
/* ub2: the column's type code as a describe gives it (SQLT_CHR, SQLT_NUM, SQLT_TIMESTAMP_TZ ...);
 * an NCLOB describes as SQLT_CLOB, told apart by its character-set form. */
#define OCI_ATTR_DATA_TYPE 2
#define OCI_ATTR_DISP_SIZE 3
/* OraText*, and through sizep its length in bytes (UTF-16 here); the text belongs to the
 * parameter, so it is copied. */
#define OCI_ATTR_NAME 4
/* sb2 for a select-list item (ub1 only in an explicit describe); 0 for NUMBER without one. */
#define OCI_ATTR_PRECISION 5
/* sb1; -127 for FLOAT and NUMBER without a precision; for a datetime column, its fractional-
 * second precision. */
#define OCI_ATTR_SCALE 6
/* ub1: nonzero when the column allows NULL. */
#define OCI_ATTR_IS_NULL 7
#define OCI_ATTR_TYPE_NAME 8
#define OCI_ATTR_CHAR_USED 285
#define OCI_ATTR_CHAR_SIZE 286

/* Attributes of handles. */
/* On a service context, set to the server and the session handles themselves (size 0). */
#define OCI_ATTR_SERVER 6
#define OCI_ATTR_SESSION 7
/* ub4 on a statement: rows fetched so far, or rows an execute processed; after an array DML
 * execute fails without OCI_BATCH_ERRORS, the iterations done before the failing one. */
#define OCI_ATTR_ROW_COUNT 9
/* ub4 set on a statement: rows the client fetches ahead of the application, which changes no
 * result of a fetch (a query with LONG or LOB columns is not fetched ahead). */
#define OCI_ATTR_PREFETCH_ROWS 11
/* ub4 on a statement executed (or described): the items of its select list. */
#define OCI_ATTR_PARAM_COUNT 18
/* Texts set on a session handle with their length in bytes (UTF-16 here). */
#define OCI_ATTR_USERNAME 22
#define OCI_ATTR_PASSWORD 23
#define OCI_ATTR_STMT_TYPE 24
/* ub2 set on a define after OCIDefineByPos: the character set of the output buffer, its lengths
 * then counting bytes of that set (873 AL32UTF8, OCI_UTF16ID). */
#define OCI_ATTR_CHARSET_ID 31
#define OCI_ATTR_CHARSET_FORM 32
#define OCI_ATTR_MAXDATA_SIZE 33
#define OCI_ATTR_ROWS_RETURNED 42

/* Character sets and forms. */
#define OCI_UTF16ID 1000
#define SQLCS_IMPLICIT 1
#define SQLCS_NCHAR 2

/* Modes. */
#define OCI_DEFAULT 0x00000000
#define OCI_THREADED 0x00000001
#define OCI_OBJECT 0x00000002
#define OCI_DESCRIBE_ONLY 0x00000010
#define OCI_COMMIT_ON_SUCCESS 0x00000020
#define OCI_BATCH_ERRORS 0x00000080
#define OCI_PARSE_ONLY 0x00000100

/* Fetch orientations. */
#define OCI_FETCH_CURRENT 0x01
#define OCI_FETCH_NEXT 0x02

/* Statement syntax. */
#define OCI_NTV_SYNTAX 1
#define OCI_V7_SYNTAX 2
#define OCI_V8_SYNTAX 3

/* Credentials. */
#define OCI_CRED_RDBMS 1
#define OCI_CRED_EXT 2

/* Pieces of LOB and dynamic-bind transfers. */
#define OCI_ONE_PIECE 0
#define OCI_FIRST_PIECE 1
#define OCI_NEXT_PIECE 2
#define OCI_LAST_PIECE 3

/* Bind and define modes. */
#define OCI_DATA_AT_EXEC 0x00000002
#define OCI_DYNAMIC_FETCH 0x00000002

/* Indicator values. */
#define OCI_IND_NOTNULL 0
#define OCI_IND_NULL (-1)

/* Statement types (OCI_ATTR_STMT_TYPE). */
#define OCI_STMT_UNKNOWN 0
#define OCI_STMT_SELECT 1
#define OCI_STMT_UPDATE 2
#define OCI_STMT_DELETE 3
#define OCI_STMT_INSERT 4
#define OCI_STMT_CREATE 5
#define OCI_STMT_DROP 6
#define OCI_STMT_ALTER 7
#define OCI_STMT_BEGIN 8
#define OCI_STMT_DECLARE 9

/* Data type codes: internal (as described) and external (as defined or bound). */
#define SQLT_CHR 1
#define SQLT_NUM 2
#define SQLT_INT 3
#define SQLT_FLT 4
#define SQLT_STR 5
#define SQLT_VNU 6
#define SQLT_PDN 7
#define SQLT_LNG 8
#define SQLT_VCS 9
#define SQLT_RID 11
#define SQLT_DAT 12
#define SQLT_VBI 15
#define SQLT_BFLOAT 21
#define SQLT_BDOUBLE 22
#define SQLT_BIN 23
#define SQLT_LBI 24
#define SQLT_UIN 68
#define SQLT_LVC 94
#define SQLT_LVB 95
#define SQLT_AFC 96
#define SQLT_AVC 97
#define SQLT_IBFLOAT 100
#define SQLT_IBDOUBLE 101
#define SQLT_RDD 104
#define SQLT_LAB 105
#define SQLT_NTY 108
#define SQLT_CLOB 112
#define SQLT_BLOB 113
#define SQLT_BFILEE 114
#define SQLT_BFILE SQLT_BFILEE
#define SQLT_ODT 156
#define SQLT_DATE 184
#define SQLT_TIMESTAMP 187
#define SQLT_TIMESTAMP_TZ 188
#define SQLT_INTERVAL_YM 189
#define SQLT_INTERVAL_DS 190
#define SQLT_TIMESTAMP_LTZ 232

/* Callbacks. */
typedef sb4 (*OCICallbackInBind)(void* ictxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp,
                                 ub4* alenp, ub1* piecep, void** indp);
typedef sb4 (*OCICallbackOutBind)(void* octxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp,
                                  ub4** alenp, ub1* piecep, void** indp, ub2** rcodep);
typedef sb4 (*OCICallbackLobRead)(void* ctxp, const void* bufp, ub4 len, ub1 piece);
typedef sb4 (*OCICallbackLobWrite)(void* ctxp, void* bufp, ub4* lenp, ub1* piece);
typedef sb4 (*OCICallbackDefine)(void* octxp, OCIDefine* defnp, ub4 iter, void** bufpp,
                                 ub4** alenpp, ub1* piecep, void** indpp, ub2** rcodep);

/* Creates an environment; charset and ncharset must be OCI_UTF16ID (or 0, taken as it);
 * OCI_ERROR when the environment cannot be made. Relied on: OCI_UTF16ID for both sets makes
 * every text and text length of the environment UTF-16 and bytes, metadata included. */
sword OCIEnvNlsCreate(OCIEnv** envp, ub4 mode, void* ctxp, void* (*malocfp)(void*, size_t),
                      void* (*ralocfp)(void*, void*, size_t), void (*mfreefp)(void*, void*),
                      size_t xtramem_sz, void** usrmempp, ub2 charset, ub2 ncharset);

/* Allocates a handle of `type` (error, server, session, service context, statement, describe)
 * in the environment of the live handle `parenth`; binds and defines come from the bind and
 * define calls only. OCI_INVALID_HANDLE for a bad parent or type. Relied on: the parent is the
 * environment for every kind the Oracle side allocates. */
sword OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type, size_t xtramem_sz,
                     void** usrmempp);

/* Frees a handle and everything it owns (an environment frees all its handles);
 * OCI_INVALID_HANDLE when `hndlp` is not a live handle of `type`. Relied on: freeing a statement
 * frees its binds and defines; a define may be freed (OCI_HTYPE_DEFINE) before its statement,
 * its status not looked at. */
sword OCIHandleFree(void* hndlp, ub4 type);

/* Resolves the connect string (UTF-16, byte length) to an instance; OCI_ERROR with ORA-12154 or
 * ORA-12514 when it cannot. Relied on: dblink_len counts bytes; an EZConnect "//host:port/service"
 * or a net service name is accepted alike. */
sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink, sb4 dblink_len,
                      ub4 mode);

/* Detaches the server, ending every session begun over it (statements compiled on them must be
 * executed again on a new session); OCI_ERROR when it was not attached. Relied on: the server
 * handle can be attached again afterwards. */
sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4 mode);

/* Sets an attribute on a handle; OCI_ERROR (ORA-24315) for an attribute the handle lacks.
 * Relied on: `size` counts the bytes of a text and is 0 for a handle or a scalar, whose type
 * the attribute fixes (see the attributes above). */
sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype,
                 OCIError* errhp);

/* Reads an attribute of a handle or descriptor; OCI_ERROR (ORA-24315) for an unknown one.
 * Relied on: a scalar is written with its attribute's type and size (see the attributes above),
 * a text as a pointer owned by the handle with its byte length through sizep; sizep may be
 * null for scalars. */
sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep, ub4 attrtype,
                 OCIError* errhp);

/* Logs on with the session's user name and password (OCI_CRED_RDBMS), or as the session's user
 * name without a password when that user is identified externally (OCI_CRED_EXT); OCI_ERROR with
 * ORA-01017 (wrong credentials) or ORA-28000 (locked account). Relied on: the service context
 * holds the server (OCI_ATTR_SERVER) before the call and receives the session after it;
 * OCI_SUCCESS_WITH_INFO (a password about to expire) is a logon. */
sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt, ub4 mode);

/* Ends the session, rolling back what is not committed; OCI_ERROR when none is open. Relied
 * on: nothing; the Oracle side commits each DML execute with OCI_COMMIT_ON_SUCCESS. */
sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 mode);

/* Keeps the statement text (UTF-16, byte length); never compiles, so only handle misuse fails.
 * Relied on: stmt_len counts bytes; OCI_NTV_SYNTAX; each statement handle is prepared once. */
sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt, ub4 stmt_len,
                     ub4 language, ub4 mode);

/* Compiles and runs the prepared statement (see the contract above); OCI_ERROR with the ORA
 * error of compilation or execution, OCI_NO_DATA for a SELECT with iters >= 1 and no row.
 * Relied on: a SELECT with iters 0 is described and its defines wait for the first fetch; with
 * iters 1 the first row lands in the defines; DML runs iters times over the bind arrays from
 * rowoff, and stops at the first failing iteration (OCI_ATTR_ROW_COUNT telling the rows done);
 * OCI_COMMIT_ON_SUCCESS commits when all succeeded.
 * Other statements run once per iteration with the bind arrays' elements rowoff + i; the bind of
 * a "RETURNING ROWID INTO :n" placeholder receives each row's ROWID as terminated UTF-16 text
 * (its length in bytes in the length array), or through the output callback of OCIBindDynamic.
 * Unbound placeholders give ORA-01008. */
sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                     const OCISnapshot* snap_in, OCISnapshot* snap_out, ub4 mode);

/* Fetches the next nrows rows into the defines (arrays when nrows > 1; OCI_FETCH_NEXT only);
 * OCI_NO_DATA when fewer rows than asked remain, OCI_SUCCESS_WITH_INFO when a value was truncated
 * into its define buffer (ORA-24345; this outranks the end, which the next fetch then reports).
 * OCI_ATTR_ROW_COUNT tells the rows fetched so far. Relied on: one row at a time with
 * OCI_FETCH_NEXT; OCI_NO_DATA ends the rows; a warning fetch still fills every define, and the
 * column whose value was cut says so itself, by return code 1406 or an indicator holding the
 * value's full length (-2 beyond 32767). */
sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4 mode);

/* Defines the output of a select-list position (1-based); OCI_ERROR (ORA-01007) for a position
 * outside the select list, ORA-03115 for an unsupported type. Relied on: value_sz counts bytes;
 * the length written (rlenp, ub2) counts bytes of the buffer's character set; a datetime
 * descriptor is of the kind that matches the type (OCI_DTYPE_TIMESTAMP for SQLT_TIMESTAMP, which
 * takes DATE, TIMESTAMP and LOCAL TIME ZONE values at their wall-clock time;
 * OCI_DTYPE_TIMESTAMP_TZ for SQLT_TIMESTAMP_TZ); a number defined as text is written with the
 * session's decimal separator ('.' or ','), without group separators. Output types:
 * SQLT_STR/SQLT_AVC terminated UTF-16 (UTF-8 when OCI_ATTR_CHARSET_ID 871 or 873 is set on the
 * define), SQLT_CHR and SQLT_LNG unterminated, SQLT_LVC unterminated behind its byte count in 4
 * bytes (an sb4 that value_sz includes), SQLT_AFC blank-padded; SQLT_INT/SQLT_UIN of 1, 2, 4 or 8
 * bytes (ORA-01455 when the value does not fit, ORA-01722 for text that is no number); SQLT_FLT of
 * 4 or 8 bytes, SQLT_BFLOAT, SQLT_BDOUBLE; SQLT_BIN/SQLT_LBI bytes; SQLT_ODT and SQLT_DAT 7 bytes;
 * SQLT_TIMESTAMP, _TZ, _LTZ and SQLT_DATE into datetime descriptors and SQLT_CLOB/SQLT_BLOB into
 * LOB locators (valuep is the address of the descriptor pointer; value_sz is not used). A NULL
 * sets the indicator to -1, and without an indicator fails the fetch with ORA-01405. A value cut
 * to its buffer sets the indicator to its full length and the return code to 1406. */
sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position, void* valuep,
                     sb4 value_sz, ub2 dty, void* indp, ub2* rlenp, ub2* rcodep, ub4 mode);

/* Registers the callback of a define made with mode OCI_DYNAMIC_FETCH (valuep may then be null,
 * value_sz is the most the value may take). Relied on: *alenpp points at a ub4 the client reads
 * as the buffer's bytes and overwrites with the bytes it wrote; a value arrives in as many
 * pieces as it takes, each behind the last; OCI_ATTR_CHARSET_ID applies to the pieces. At every
 * fetch the callback is asked for a buffer, with *piecep OCI_FIRST_PIECE for a value's first piece
 * and OCI_NEXT_PIECE for each further one: it sets *bufpp, *alenpp (in: the buffer's bytes; out:
 * the bytes written), *indpp and *rcodep, and returns OCI_CONTINUE; it is asked again while the
 * value has bytes left. A NULL is one call whose indicator receives -1. Text (SQLT_CHR, SQLT_LNG)
 * and bytes (SQLT_BIN, SQLT_LBI) only; ORA-24343 when the callback returns anything else or gives
 * no length. */
sword OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, void* octxp, OCICallbackDefine ocbfp);

/* Returns the describe parameter of a select-list position (1-based) of an executed statement;
 * OCI_ERROR for a position outside the list. Relied on: the parameter (OCI_DTYPE_PARAM) and its
 * texts live as long as the statement; they are not freed by the caller. */
sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp, ub4 pos);

/* Copies the record's "ORA-%05d: text" (UTF-16, cut to bufsiz bytes and terminated) and its
 * number; OCI_NO_DATA when there is no such record. `sqlstate` is not written: its size is not
 * passed, and the client library does not fill it either. Relied on: record 1 of the error
 * handle describes the last failing (or warning) call on it; bufsiz counts bytes. */
sword OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp,
                  ub4 bufsiz, ub4 type);

/* Allocates a LOB locator or a datetime descriptor; OCI_INVALID_HANDLE for a bad parent or type.
 * Relied on: a descriptor is freed as the kind it was allocated. */
sword OCIDescriptorAlloc(const void* parenth, void** descpp, const ub4 type,
                         const size_t xtramem_sz, void** usrmempp);

/* Frees a descriptor; OCI_INVALID_HANDLE when it is not a live one of `type`. */
sword OCIDescriptorFree(void* descp, const ub4 type);

/* Date part of a datetime descriptor; OCI_ERROR when it holds no value. Relied on: the parts of
 * the value as held, the wall-clock date of a zoned one (not converted to UTC). */
sword OCIDateTimeGetDate(void* hndl, OCIError* err, const OCIDateTime* date, sb2* yr, ub1* mnth,
                         ub1* dy);

/* Time part of a datetime descriptor, fraction in nanoseconds; OCI_ERROR when it holds none.
 * Relied on: the fraction counts nanoseconds whatever the column's precision. */
sword OCIDateTimeGetTime(void* hndl, OCIError* err, OCIDateTime* datetime, ub1* hr, ub1* mm,
                         ub1* ss, ub4* fsec);

/* Zone of a datetime descriptor as hours and minutes east of UTC (both negative west of it);
 * OCI_ERROR (ORA-01878) for a DATE or TIMESTAMP descriptor, which holds no zone, and when it
 * holds no value. Relied on: asked only of an OCI_DTYPE_TIMESTAMP_TZ descriptor. */
sword OCIDateTimeGetTimeZoneOffset(void* hndl, OCIError* err, const OCIDateTime* datetime, sb1* hr,
                                   sb1* mm);

/* Character-set form of a LOB: SQLCS_NCHAR for NCLOB, SQLCS_IMPLICIT for CLOB, 0 for binary.
 * Relied on: the form read is the one OCILobRead of that LOB is given. */
sword OCILobCharSetForm(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp, ub1* csfrm);

/* Reads from the 1-based `offset` into bufp (bufl bytes) at most *amtp bytes of a BLOB or
 * characters of a CLOB or NCLOB (0: all to the end), as the buffer holds them; *amtp receives
 * what was read, 0 at or past the end. Character data (see the contract above) is UTF-16 for
 * csid 0 or OCI_UTF16ID, *amtp then counting characters (UTF-16 units: a read may end between
 * the halves of a pair, the next beginning with the second); UTF-8 for csid 871 or 873, whole
 * characters only, *amtp then counting bytes (ORA-22831 for an offset on the second half of a
 * pair or an amount ending inside one); ORA-01482 for another csid. With a callback the whole
 * amount arrives in pieces of what bufp holds. Without one, an amount of 0 or beyond what bufp
 * holds streams: the call returns the first piece with OCI_NEED_DATA, and each further call on
 * the locator, whatever its offset and amount, the next piece, the last with OCI_SUCCESS.
 * Relied on: an amount the buffer holds is read in one piece with OCI_SUCCESS, and the next
 * offset is the last plus the characters (bytes of a BLOB) read. */
sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                 void* bufp, ub4 bufl, void* ctxp, OCICallbackLobRead cbfp, ub2 csid, ub1 csfrm);

/* Length of a LOB into *lenp: bytes of a BLOB, characters of a CLOB or NCLOB (counted as
 * OCILobRead with csid 0 counts them). OCI_ERROR (ORA-22275) for a locator holding no value.
 * Relied on: the length a read from offset 1 to the end gives. */
sword OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* lenp);

/* Writes at a 1-based offset into a locator fetched by a single-table query with FOR UPDATE; the
 * row is updated through that query's WHERE clause. BLOB: *amtp bytes (0: buflen), offset in
 * bytes. CLOB: UTF-16 with *amtp counting characters (0: buflen bytes), or UTF-8 with *amtp
 * counting bytes when csid is 871 or 873; the offset and the amount out count characters (UTF-16
 * units), a gap past the end is filled with blanks. OCI_ONE_PIECE only (ORA-24801 otherwise);
 * ORA-22920 for a locator not read FOR UPDATE. Relied on: one piece of the whole value at offset
 * 1, UTF-16 with csid 0 (the environment's set) and its amount in characters. */
sword OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                  void* bufp, ub4 buflen, ub1 piece, void* ctxp, OCICallbackLobWrite cbfp, ub2 csid,
                  ub1 csfrm);

/* Binds a placeholder by position (1-based, order of appearance); arrays of maxarr_len elements
 * serve array executes. OCI_ERROR for an unsupported type. Relied on: with maxarr_len 0 the
 * arrays are read by the execute's iteration count, element i at valuep + i * value_sz, its
 * length in bytes in alenp[i] (ub2) and its indicator in indp[i] (-1: NULL). */
sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position, void* valuep,
                   sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len,
                   ub4* curelep, ub4 mode);

/* Binds a placeholder by name (UTF-16, with or without the colon, byte length);
 * OCI_ERROR (ORA-01036) when the statement has no such placeholder at execute. Relied on:
 * OCI_DATA_AT_EXEC with a null valuep leaves the data to OCIBindDynamic's callbacks. */
sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const OraText* placeholder,
                    sb4 placeh_len, void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                    ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode);

/* Registers callbacks that supply input and receive output of an OCI_DATA_AT_EXEC bind
 * (the output of a RETURNING ... INTO placeholder). Relied on: the input callback of a
 * RETURNING placeholder gives no data (OCI_ONE_PIECE, null buffer); the output callback is asked
 * for a buffer once per row returned, *alenp pointing at a ub4 holding its bytes, overwritten
 * with the bytes written. */
sword OCIBindDynamic(OCIBind* bindp, OCIError* errhp, void* ictxp, OCICallbackInBind icbfp,
                     void* octxp, OCICallbackOutBind ocbfp);

/* The whole boundary as a table, so the caller can switch between this implementation and a
 * real client library loaded at run time. */
typedef struct oci_function_table {
    sword (*EnvNlsCreate)(OCIEnv**, ub4, void*, void* (*)(void*, size_t),
                          void* (*)(void*, void*, size_t), void (*)(void*, void*), size_t, void**,
                          ub2, ub2);
    sword (*HandleAlloc)(const void*, void**, ub4, size_t, void**);
    sword (*HandleFree)(void*, ub4);
    sword (*ServerAttach)(OCIServer*, OCIError*, const OraText*, sb4, ub4);
    sword (*ServerDetach)(OCIServer*, OCIError*, ub4);
    sword (*AttrSet)(void*, ub4, void*, ub4, ub4, OCIError*);
    sword (*AttrGet)(const void*, ub4, void*, ub4*, ub4, OCIError*);
    sword (*SessionBegin)(OCISvcCtx*, OCIError*, OCISession*, ub4, ub4);
    sword (*SessionEnd)(OCISvcCtx*, OCIError*, OCISession*, ub4);
    sword (*StmtPrepare)(OCIStmt*, OCIError*, const OraText*, ub4, ub4, ub4);
    sword (*StmtExecute)(OCISvcCtx*, OCIStmt*, OCIError*, ub4, ub4, const OCISnapshot*,
                         OCISnapshot*, ub4);
    sword (*StmtFetch)(OCIStmt*, OCIError*, ub4, ub2, ub4);
    sword (*DefineByPos)(OCIStmt*, OCIDefine**, OCIError*, ub4, void*, sb4, ub2, void*, ub2*, ub2*,
                         ub4);
    sword (*ParamGet)(const void*, ub4, OCIError*, void**, ub4);
    sword (*ErrorGet)(void*, ub4, OraText*, sb4*, OraText*, ub4, ub4);
    sword (*DescriptorAlloc)(const void*, void**, const ub4, const size_t, void**);
    sword (*DescriptorFree)(void*, const ub4);
    sword (*DateTimeGetDate)(void*, OCIError*, const OCIDateTime*, sb2*, ub1*, ub1*);
    sword (*DateTimeGetTime)(void*, OCIError*, OCIDateTime*, ub1*, ub1*, ub1*, ub4*);
    sword (*LobCharSetForm)(OCIEnv*, OCIError*, const OCILobLocator*, ub1*);
    sword (*LobRead)(OCISvcCtx*, OCIError*, OCILobLocator*, ub4*, ub4, void*, ub4, void*,
                     OCICallbackLobRead, ub2, ub1);
    sword (*LobWrite)(OCISvcCtx*, OCIError*, OCILobLocator*, ub4*, ub4, void*, ub4, ub1, void*,
                      OCICallbackLobWrite, ub2, ub1);
    sword (*BindByPos)(OCIStmt*, OCIBind**, OCIError*, ub4, void*, sb4, ub2, void*, ub2*, ub2*, ub4,
                       ub4*, ub4);
    sword (*BindByName)(OCIStmt*, OCIBind**, OCIError*, const OraText*, sb4, void*, sb4, ub2, void*,
                        ub2*, ub2*, ub4, ub4*, ub4);
    sword (*BindDynamic)(OCIBind*, OCIError*, void*, OCICallbackInBind, void*, OCICallbackOutBind);
    sword (*DateTimeGetTimeZoneOffset)(void*, OCIError*, const OCIDateTime*, sb1*, sb1*);
    sword (*DefineDynamic)(OCIDefine*, OCIError*, void*, OCICallbackDefine);
    sword (*LobGetLength)(OCISvcCtx*, OCIError*, OCILobLocator*, ub4*);
} oci_function_table;

/* The embedded implementation's table (the functions above); never null. */
const oci_function_table* oci_embedded_functions(void);

/* Nonzero when the embedded implementation resolves `connect` (UTF-8) to one of its instances:
 * an instance directory, or a service that is an instance under ORALITE_HOME. */
int oci_embedded_serves(const char* connect);

#ifdef __cplusplus
}
#endif

#endif /* TW_PLATFORM_OCI_OCI_H */
