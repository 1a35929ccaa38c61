#include "ddl/lite_dictionary.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <cstring>

#include "ddl/lite_access.h"
#include "functions/lite_function_table.h"
#include "lite_internal.h"
#include "lite_sqlite_stmt.h"
#include "sql/lite_lexer.h"

namespace {

// Comments on views and their columns (COLUMN_NAME '' for the view itself). Instances made
// before views took comments get the table at logon.
const char* const k_view_comments =
    "VIEW_COMMENTS(OWNER VARCHAR2(128), VIEW_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(128), "
    "COMMENTS VARCHAR2(4000), PRIMARY KEY(OWNER, VIEW_NAME, COLUMN_NAME))";
// Row triggers and tablespace quotas came after the first instances; those get the tables at
// logon too. FIRES is 1 for the trigger shapes the engine runs (BEFORE INSERT ... FOR EACH ROW
// assigning :NEW columns); the others are kept as source only.
const char* const k_later_tables[] = {
    k_view_comments,
    "TRIGGERS(OWNER VARCHAR2(128), TRIGGER_NAME VARCHAR2(128), TRIGGER_TYPE VARCHAR2(16), "
    "TRIGGERING_EVENT VARCHAR2(246), TABLE_OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128), "
    "WHEN_CLAUSE VARCHAR2(4000), STATUS VARCHAR2(8), TRIGGER_BODY LONGTEXT, FIRES NUMBER, "
    "CREATED_SEQ INTEGER, PRIMARY KEY(OWNER, TRIGGER_NAME))",
    "TS_QUOTAS(USERNAME VARCHAR2(128), TABLESPACE_NAME VARCHAR2(30), MAX_BYTES NUMBER, "
    "PRIMARY KEY(USERNAME, TABLESPACE_NAME))",
    // A view's columns as a describe of the view reported them when it was made. DATA_DEFAULT
    // and IDENTITY_COLUMN are always empty; they are there so that the column views, which read
    // this table and COLUMNS as one, describe alike whichever of the two SQLite looks at.
    "VIEW_COLUMNS(OWNER VARCHAR2(128), VIEW_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(128), "
    "COLUMN_ID NUMBER, DATA_TYPE VARCHAR2(128), DATA_LENGTH NUMBER, DATA_PRECISION NUMBER, "
    "DATA_SCALE NUMBER, NULLABLE VARCHAR2(1), DATA_DEFAULT LONGTEXT, CHAR_LENGTH NUMBER, "
    "CHAR_USED VARCHAR2(1), IDENTITY_COLUMN VARCHAR2(3), PRIMARY KEY(OWNER, VIEW_NAME, "
    "COLUMN_ID))",
    // Synonyms (OWNER PUBLIC for public ones), privileges granted on objects, and the system
    // privileges and roles granted, which decide only who reads the DBA_ views and every schema.
    "SYNONYMS(OWNER VARCHAR2(128), SYNONYM_NAME VARCHAR2(128), TABLE_OWNER VARCHAR2(128), "
    "TABLE_NAME VARCHAR2(128), DB_LINK VARCHAR2(128), PRIMARY KEY(OWNER, SYNONYM_NAME))",
    "TAB_PRIVS(GRANTEE VARCHAR2(128), OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128), "
    "GRANTOR VARCHAR2(128), PRIVILEGE VARCHAR2(40), GRANTABLE VARCHAR2(3), "
    "PRIMARY KEY(GRANTEE, OWNER, TABLE_NAME, PRIVILEGE))",
    "SYS_PRIVS(GRANTEE VARCHAR2(128), PRIVILEGE VARCHAR2(128), PRIMARY KEY(GRANTEE, PRIVILEGE))",
    // A materialized view's rows are in the table of its name, listed in TABLES like any other.
    "MVIEWS(OWNER VARCHAR2(128), MVIEW_NAME VARCHAR2(128), QUERY LONGTEXT, QUERY_LEN NUMBER, "
    "UPDATABLE VARCHAR2(1), REWRITE_ENABLED VARCHAR2(1), REFRESH_MODE VARCHAR2(6), "
    "REFRESH_METHOD VARCHAR2(8), BUILD_MODE VARCHAR2(9), LAST_REFRESH_DATE DATE, "
    "PRIMARY KEY(OWNER, MVIEW_NAME))",
};

// LONGTEXT marks dictionary columns that Oracle shows as LONG; it keeps TEXT affinity so a
// default such as '007' stays text. NUMTEXT marks NUMBER columns whose values may have more
// digits than a double holds (a sequence's 28 nines): kept as their exact text.
const char* const k_dict_tables[] = {
    "SETTINGS(NAME VARCHAR2(128) PRIMARY KEY, VALUE VARCHAR2(4000))",
    "USERS(USERNAME VARCHAR2(128) PRIMARY KEY, PASSWORD VARCHAR2(128), LOCKED NUMBER, "
    "CREATED DATE)",
    "TABLES(OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128), IOT_TYPE VARCHAR2(12), "
    "TEMPORARY VARCHAR2(1), NESTED VARCHAR2(3), COMMENTS VARCHAR2(4000), "
    "PRIMARY KEY(OWNER, TABLE_NAME))",
    "COLUMNS(OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(128), "
    "COLUMN_ID NUMBER, DATA_TYPE VARCHAR2(128), DATA_LENGTH NUMBER, DATA_PRECISION NUMBER, "
    "DATA_SCALE NUMBER, NULLABLE VARCHAR2(1), DATA_DEFAULT LONGTEXT, CHAR_LENGTH NUMBER, "
    "CHAR_USED VARCHAR2(1), IDENTITY_COLUMN VARCHAR2(3), COMMENTS VARCHAR2(4000), "
    "IDENTITY_GENERATION VARCHAR2(18), IDENTITY_OPTIONS VARCHAR2(298), "
    "PRIMARY KEY(OWNER, TABLE_NAME, COLUMN_ID), UNIQUE(OWNER, TABLE_NAME, COLUMN_NAME))",
    "CONSTRAINTS(OWNER VARCHAR2(128), CONSTRAINT_NAME VARCHAR2(128), CONSTRAINT_TYPE "
    "VARCHAR2(1), TABLE_NAME VARCHAR2(128), SEARCH_CONDITION LONGTEXT, R_OWNER VARCHAR2(128), "
    "R_CONSTRAINT_NAME VARCHAR2(128), DELETE_RULE VARCHAR2(9), STATUS VARCHAR2(8), "
    "GENERATED VARCHAR2(14), INDEX_NAME VARCHAR2(128), EVALUABLE NUMBER, "
    "\"DEFERRABLE\" VARCHAR2(14), \"DEFERRED\" VARCHAR2(9), VALIDATED VARCHAR2(13), "
    "PRIMARY KEY(OWNER, CONSTRAINT_NAME))",
    "CONS_COLUMNS(OWNER VARCHAR2(128), CONSTRAINT_NAME VARCHAR2(128), TABLE_NAME VARCHAR2(128), "
    "COLUMN_NAME VARCHAR2(4000), POSITION NUMBER)",
    "INDEXES(OWNER VARCHAR2(128), INDEX_NAME VARCHAR2(128), INDEX_TYPE VARCHAR2(27), "
    "TABLE_OWNER VARCHAR2(128), TABLE_NAME VARCHAR2(128), UNIQUENESS VARCHAR2(9), "
    "GENERATED VARCHAR2(1), PRIMARY KEY(OWNER, INDEX_NAME))",
    "IND_COLUMNS(INDEX_OWNER VARCHAR2(128), INDEX_NAME VARCHAR2(128), TABLE_OWNER VARCHAR2(128), "
    "TABLE_NAME VARCHAR2(128), COLUMN_NAME VARCHAR2(4000), COLUMN_POSITION NUMBER, "
    "DESCEND VARCHAR2(4))",
    "SEQUENCES(SEQUENCE_OWNER VARCHAR2(128), SEQUENCE_NAME VARCHAR2(128), MIN_VALUE NUMTEXT, "
    "MAX_VALUE NUMTEXT, INCREMENT_BY NUMBER, CYCLE_FLAG VARCHAR2(1), ORDER_FLAG VARCHAR2(1), "
    "CACHE_SIZE NUMBER, LAST_NUMBER NUMBER, PRIMARY KEY(SEQUENCE_OWNER, SEQUENCE_NAME))",
    "VIEWS(OWNER VARCHAR2(128), VIEW_NAME VARCHAR2(128), TEXT_LENGTH NUMBER, TEXT LONGTEXT, "
    "STATUS VARCHAR2(7), PRIMARY KEY(OWNER, VIEW_NAME))",
    "SOURCE(OWNER VARCHAR2(128), NAME VARCHAR2(128), TYPE VARCHAR2(12), TEXT LONGTEXT, "
    "PRIMARY KEY(OWNER, NAME, TYPE))",
};

// Columns added to a dictionary table after the first instances, which get them at logon. Rows
// older than a column hold NULL there, which the views read as the value of that time.
const char* const k_later_columns[][3] = {
    {"CONSTRAINTS", "DEFERRABLE", "VARCHAR2(14)"},
    {"CONSTRAINTS", "DEFERRED", "VARCHAR2(9)"},
    {"CONSTRAINTS", "VALIDATED", "VARCHAR2(13)"},
    {"COLUMNS", "IDENTITY_GENERATION", "VARCHAR2(18)"},
    {"COLUMNS", "IDENTITY_OPTIONS", "VARCHAR2(298)"},
};

struct view_def {
    const char* name;
    // {U} stands for the user as an SQL literal, {D} for the dictionary, {SEE:owner,name} for
    // "the user may see the object owner.name" (owner and name qualified by the caller), {DBA}
    // for "this is the DBA_ view".
    const char* select;
};

// The USER_ views: the logged-on user's own objects.
const view_def k_user_views[] = {
    {"USER_TABLES",
     "SELECT TABLE_NAME, 'USERS' AS TABLESPACE_NAME, IOT_TYPE, TEMPORARY, NESTED, "
     "'VALID' AS STATUS FROM {D}.TABLES WHERE OWNER = {U}"},
    {"USER_TAB_COLUMNS",
     "SELECT TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, "
     "NULLABLE, COLUMN_ID, DATA_DEFAULT, CHAR_LENGTH, CHAR_USED, IDENTITY_COLUMN FROM (SELECT "
     "TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, NULLABLE, "
     "COLUMN_ID, DATA_DEFAULT, CHAR_LENGTH, CHAR_USED, IDENTITY_COLUMN FROM {D}.COLUMNS WHERE "
     "OWNER = {U} UNION ALL SELECT VIEW_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, "
     "DATA_PRECISION, DATA_SCALE, NULLABLE, COLUMN_ID, DATA_DEFAULT, CHAR_LENGTH, CHAR_USED, "
     "IDENTITY_COLUMN FROM {D}.VIEW_COLUMNS WHERE OWNER = {U}) ORDER BY TABLE_NAME, COLUMN_ID"},
    {"USER_COL_COMMENTS",
     "SELECT TABLE_NAME, COLUMN_NAME, COMMENTS FROM ALL_COL_COMMENTS WHERE OWNER = {U}"},
    {"USER_TAB_COMMENTS",
     "SELECT TABLE_NAME, 'TABLE' AS TABLE_TYPE, COMMENTS FROM {D}.TABLES WHERE OWNER = {U} "
     "UNION ALL SELECT v.VIEW_NAME, 'VIEW', c.COMMENTS FROM {D}.VIEWS v LEFT JOIN "
     "{D}.VIEW_COMMENTS c ON c.OWNER = v.OWNER AND c.VIEW_NAME = v.VIEW_NAME AND "
     "c.COLUMN_NAME = '' WHERE v.OWNER = {U}"},
    {"USER_CONSTRAINTS",
     "SELECT OWNER, CONSTRAINT_NAME, CONSTRAINT_TYPE, TABLE_NAME, SEARCH_CONDITION, R_OWNER, "
     "R_CONSTRAINT_NAME, DELETE_RULE, STATUS, \"DEFERRABLE\", \"DEFERRED\", VALIDATED, GENERATED, "
     "INDEX_NAME FROM ALL_CONSTRAINTS WHERE OWNER = {U}"},
    {"USER_CONS_COLUMNS",
     "SELECT OWNER, CONSTRAINT_NAME, TABLE_NAME, COLUMN_NAME, POSITION "
     "FROM {D}.CONS_COLUMNS WHERE OWNER = {U}"},
    {"USER_INDEXES",
     "SELECT INDEX_NAME, INDEX_TYPE, TABLE_OWNER, TABLE_NAME, UNIQUENESS, GENERATED, STATUS "
     "FROM ALL_INDEXES WHERE OWNER = {U}"},
    {"USER_IND_COLUMNS",
     "SELECT INDEX_NAME, TABLE_NAME, COLUMN_NAME, COLUMN_POSITION, DESCEND "
     "FROM ALL_IND_COLUMNS WHERE INDEX_OWNER = {U}"},
    {"USER_IND_EXPRESSIONS",
     "SELECT INDEX_NAME, TABLE_NAME, COLUMN_EXPRESSION, COLUMN_POSITION "
     "FROM ALL_IND_EXPRESSIONS WHERE INDEX_OWNER = {U}"},
    {"USER_VIEWS", "SELECT VIEW_NAME, TEXT_LENGTH, TEXT FROM {D}.VIEWS WHERE OWNER = {U}"},
    {"USER_MVIEWS", "SELECT * FROM ALL_MVIEWS WHERE OWNER = {U}"},
    {"USER_TAB_IDENTITY_COLS",
     "SELECT TABLE_NAME, COLUMN_NAME, GENERATION_TYPE, SEQUENCE_NAME, IDENTITY_OPTIONS FROM "
     "ALL_TAB_IDENTITY_COLS WHERE OWNER = {U}"},
    {"USER_SEQUENCES",
     "SELECT SEQUENCE_NAME, MIN_VALUE, MAX_VALUE, INCREMENT_BY, CYCLE_FLAG, ORDER_FLAG, "
     "CACHE_SIZE, LAST_NUMBER FROM {D}.SEQUENCES WHERE SEQUENCE_OWNER = {U}"},
    {"USER_OBJECTS", "SELECT OBJECT_NAME, OBJECT_TYPE, STATUS FROM ALL_OBJECTS WHERE OWNER = {U}"},
    {"USER_TRIGGERS",
     "SELECT TRIGGER_NAME, TRIGGER_TYPE, TRIGGERING_EVENT, TABLE_OWNER, 'TABLE' AS "
     "BASE_OBJECT_TYPE, TABLE_NAME, WHEN_CLAUSE, STATUS, TRIGGER_BODY FROM {D}.TRIGGERS "
     "WHERE OWNER = {U}"},
    {"USER_USERS",
     "SELECT USERNAME, CASE WHEN LOCKED = 1 THEN 'LOCKED' ELSE 'OPEN' END AS ACCOUNT_STATUS, "
     "CREATED FROM {D}.USERS WHERE USERNAME = {U}"},
    {"USER_TS_QUOTAS", "SELECT TABLESPACE_NAME, MAX_BYTES FROM {D}.TS_QUOTAS WHERE USERNAME = {U}"},
    {"USER_SYNONYMS",
     "SELECT SYNONYM_NAME, TABLE_OWNER, TABLE_NAME, DB_LINK, 0 AS ORIGIN_CON_ID FROM "
     "{D}.SYNONYMS WHERE OWNER = {U}"},
};

// Each of these is DBA_<name>, every object of the database, and ALL_<name>, those the user
// may see.
const view_def k_wide_views[] = {
    {"TABLES",
     "SELECT t.OWNER AS OWNER, t.TABLE_NAME AS TABLE_NAME, 'USERS' AS TABLESPACE_NAME, "
     "t.IOT_TYPE AS IOT_TYPE, t.TEMPORARY AS \"TEMPORARY\", t.NESTED AS NESTED, 'VALID' AS STATUS "
     "FROM {D}.TABLES t WHERE {SEE:t.OWNER,t.TABLE_NAME}"},
    {"TAB_COLUMNS",
     "SELECT OWNER, TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, "
     "NULLABLE, COLUMN_ID, DATA_DEFAULT, CHAR_LENGTH, CHAR_USED, IDENTITY_COLUMN FROM (SELECT "
     "OWNER, TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, "
     "NULLABLE, COLUMN_ID, DATA_DEFAULT, CHAR_LENGTH, CHAR_USED, IDENTITY_COLUMN FROM "
     "{D}.COLUMNS UNION ALL SELECT OWNER, VIEW_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH, "
     "DATA_PRECISION, DATA_SCALE, NULLABLE, COLUMN_ID, DATA_DEFAULT, CHAR_LENGTH, CHAR_USED, "
     "IDENTITY_COLUMN FROM {D}.VIEW_COLUMNS) c WHERE {SEE:c.OWNER,c.TABLE_NAME} "
     "ORDER BY OWNER, TABLE_NAME, COLUMN_ID"},
    // A comment kept for a view column the dictionary has no row of (a view made before view
    // columns were recorded) is still listed.
    {"COL_COMMENTS",
     "SELECT OWNER, TABLE_NAME, COLUMN_NAME, COMMENTS FROM (SELECT OWNER, TABLE_NAME, "
     "COLUMN_NAME, COMMENTS, COLUMN_ID FROM {D}.COLUMNS UNION ALL SELECT v.OWNER, v.VIEW_NAME, "
     "v.COLUMN_NAME, c.COMMENTS, v.COLUMN_ID FROM {D}.VIEW_COLUMNS v LEFT JOIN "
     "{D}.VIEW_COMMENTS c ON c.OWNER = v.OWNER AND c.VIEW_NAME = v.VIEW_NAME AND "
     "c.COLUMN_NAME = v.COLUMN_NAME UNION ALL SELECT c.OWNER, c.VIEW_NAME, c.COLUMN_NAME, "
     "c.COMMENTS, NULL FROM {D}.VIEW_COMMENTS c WHERE c.COLUMN_NAME <> '' AND NOT EXISTS "
     "(SELECT 1 FROM {D}.VIEW_COLUMNS v WHERE v.OWNER = c.OWNER AND v.VIEW_NAME = c.VIEW_NAME "
     "AND v.COLUMN_NAME = c.COLUMN_NAME)) x WHERE {SEE:x.OWNER,x.TABLE_NAME} "
     "ORDER BY OWNER, TABLE_NAME, COLUMN_ID"},
    {"TAB_COMMENTS",
     "SELECT OWNER, TABLE_NAME, TABLE_TYPE, COMMENTS FROM (SELECT OWNER, TABLE_NAME, 'TABLE' AS "
     "TABLE_TYPE, COMMENTS FROM {D}.TABLES UNION ALL SELECT v.OWNER, v.VIEW_NAME, 'VIEW', "
     "c.COMMENTS FROM {D}.VIEWS v LEFT JOIN {D}.VIEW_COMMENTS c ON c.OWNER = v.OWNER AND "
     "c.VIEW_NAME = v.VIEW_NAME AND c.COLUMN_NAME = '') x WHERE {SEE:x.OWNER,x.TABLE_NAME}"},
    // Every constraint is checked at once, a deferred one too; rows made before the states were
    // kept read as the state such a constraint had then.
    {"CONSTRAINTS",
     "SELECT c.OWNER AS OWNER, c.CONSTRAINT_NAME AS CONSTRAINT_NAME, c.CONSTRAINT_TYPE AS "
     "CONSTRAINT_TYPE, c.TABLE_NAME AS TABLE_NAME, c.SEARCH_CONDITION AS SEARCH_CONDITION, "
     "c.R_OWNER AS R_OWNER, c.R_CONSTRAINT_NAME AS R_CONSTRAINT_NAME, c.DELETE_RULE AS "
     "DELETE_RULE, c.STATUS AS STATUS, COALESCE(c.\"DEFERRABLE\", 'NOT DEFERRABLE') AS "
     "\"DEFERRABLE\", COALESCE(c.\"DEFERRED\", 'IMMEDIATE') AS \"DEFERRED\", "
     "COALESCE(c.VALIDATED, CASE WHEN c.STATUS = 'ENABLED' THEN 'VALIDATED' ELSE "
     "'NOT VALIDATED' END) AS VALIDATED, c.GENERATED AS "
     "GENERATED, c.INDEX_NAME AS INDEX_NAME FROM {D}.CONSTRAINTS c "
     "WHERE {SEE:c.OWNER,c.TABLE_NAME}"},
    {"CONS_COLUMNS",
     "SELECT c.OWNER AS OWNER, c.CONSTRAINT_NAME AS CONSTRAINT_NAME, c.TABLE_NAME AS TABLE_NAME, "
     "c.COLUMN_NAME AS COLUMN_NAME, c.POSITION AS POSITION FROM {D}.CONS_COLUMNS c "
     "WHERE {SEE:c.OWNER,c.TABLE_NAME}"},
    // A DESC key makes an index function-based: Oracle keeps it as an expression on the column.
    {"INDEXES",
     "SELECT i.OWNER AS OWNER, i.INDEX_NAME AS INDEX_NAME, CASE WHEN i.INDEX_TYPE IN ('NORMAL', "
     "'BITMAP') AND EXISTS (SELECT 1 FROM {D}.IND_COLUMNS k WHERE k.INDEX_OWNER = i.OWNER AND "
     "k.INDEX_NAME = i.INDEX_NAME AND k.DESCEND = 'DESC') THEN 'FUNCTION-BASED ' || "
     "i.INDEX_TYPE ELSE i.INDEX_TYPE END AS INDEX_TYPE, "
     "i.TABLE_OWNER AS TABLE_OWNER, i.TABLE_NAME AS TABLE_NAME, i.UNIQUENESS AS UNIQUENESS, "
     "i.GENERATED AS GENERATED, 'VALID' AS STATUS FROM {D}.INDEXES i "
     "WHERE {SEE:i.TABLE_OWNER,i.TABLE_NAME}"},
    // A key that is an expression or DESC is a hidden column of the table to Oracle, named
    // SYS_NCnnnnn$ after the table's columns in the order the keys were made; its text is in
    // IND_EXPRESSIONS.
    {"IND_COLUMNS",
     "SELECT i.INDEX_OWNER AS INDEX_OWNER, i.INDEX_NAME AS INDEX_NAME, i.TABLE_OWNER AS "
     "TABLE_OWNER, i.TABLE_NAME AS TABLE_NAME, CASE WHEN i.DESCEND = 'DESC' OR NOT EXISTS "
     "(SELECT 1 FROM {D}.COLUMNS c WHERE c.OWNER = i.TABLE_OWNER AND c.TABLE_NAME = "
     "i.TABLE_NAME AND c.COLUMN_NAME = i.COLUMN_NAME) THEN 'SYS_NC' || printf('%05d', (SELECT "
     "COALESCE(MAX(c.COLUMN_ID), 0) FROM {D}.COLUMNS c WHERE c.OWNER = i.TABLE_OWNER AND "
     "c.TABLE_NAME = i.TABLE_NAME) + (SELECT COUNT(*) FROM {D}.IND_COLUMNS j WHERE "
     "j.TABLE_OWNER = i.TABLE_OWNER AND j.TABLE_NAME = i.TABLE_NAME AND j.rowid <= i.rowid AND "
     "(j.DESCEND = 'DESC' OR NOT EXISTS (SELECT 1 FROM {D}.COLUMNS c WHERE c.OWNER = "
     "j.TABLE_OWNER AND c.TABLE_NAME = j.TABLE_NAME AND c.COLUMN_NAME = j.COLUMN_NAME)))) || '$' "
     "ELSE i.COLUMN_NAME END AS COLUMN_NAME, i.COLUMN_POSITION AS COLUMN_POSITION, i.DESCEND AS "
     "DESCEND FROM {D}.IND_COLUMNS i WHERE {SEE:i.TABLE_OWNER,i.TABLE_NAME}"},
    {"IND_EXPRESSIONS",
     "SELECT i.INDEX_OWNER AS INDEX_OWNER, i.INDEX_NAME AS INDEX_NAME, i.TABLE_OWNER AS "
     "TABLE_OWNER, i.TABLE_NAME AS TABLE_NAME, CASE WHEN c.COLUMN_NAME IS NULL THEN "
     "i.COLUMN_NAME ELSE '\"' || i.COLUMN_NAME || '\"' END AS COLUMN_EXPRESSION, "
     "i.COLUMN_POSITION AS COLUMN_POSITION FROM {D}.IND_COLUMNS i LEFT JOIN {D}.COLUMNS c ON "
     "c.OWNER = i.TABLE_OWNER AND c.TABLE_NAME = i.TABLE_NAME AND c.COLUMN_NAME = i.COLUMN_NAME "
     "WHERE (i.DESCEND = 'DESC' OR c.COLUMN_NAME IS NULL) AND "
     "{SEE:i.TABLE_OWNER,i.TABLE_NAME}"},
    {"VIEWS",
     "SELECT v.OWNER AS OWNER, v.VIEW_NAME AS VIEW_NAME, v.TEXT_LENGTH AS TEXT_LENGTH, v.TEXT "
     "AS TEXT FROM {D}.VIEWS v WHERE {SEE:v.OWNER,v.VIEW_NAME}"},
    // The sequence is named in the column's default, "OWNER"."ISEQ$$_n".nextval. Columns made
    // identity before the generation was kept took any value given: BY DEFAULT.
    {"TAB_IDENTITY_COLS",
     "SELECT c.OWNER AS OWNER, c.TABLE_NAME AS TABLE_NAME, c.COLUMN_NAME AS COLUMN_NAME, CASE "
     "WHEN c.IDENTITY_GENERATION = 'ALWAYS' THEN 'ALWAYS' ELSE 'BY DEFAULT' END AS "
     "GENERATION_TYPE, substr(c.DATA_DEFAULT, length(c.OWNER) + 5, length(c.DATA_DEFAULT) - "
     "length(c.OWNER) - 13) AS SEQUENCE_NAME, c.IDENTITY_OPTIONS AS IDENTITY_OPTIONS FROM "
     "{D}.COLUMNS c WHERE c.IDENTITY_COLUMN = 'YES' AND {SEE:c.OWNER,c.TABLE_NAME}"},
    // Nothing refreshes a materialized view here: one built deferred stays UNUSABLE, the
    // others FRESH as long as nobody checks their masters.
    {"MVIEWS",
     "SELECT m.OWNER AS OWNER, m.MVIEW_NAME AS MVIEW_NAME, m.MVIEW_NAME AS CONTAINER_NAME, "
     "m.QUERY AS QUERY, m.QUERY_LEN AS QUERY_LEN, m.UPDATABLE AS UPDATABLE, m.REWRITE_ENABLED AS "
     "REWRITE_ENABLED, m.REFRESH_MODE AS REFRESH_MODE, m.REFRESH_METHOD AS REFRESH_METHOD, "
     "m.BUILD_MODE AS BUILD_MODE, CASE WHEN m.BUILD_MODE = 'DEFERRED' THEN 'NA' ELSE "
     "'COMPLETE' END AS LAST_REFRESH_TYPE, m.LAST_REFRESH_DATE AS LAST_REFRESH_DATE, CASE WHEN "
     "m.BUILD_MODE = 'DEFERRED' THEN 'UNUSABLE' ELSE 'FRESH' END AS STALENESS, 'VALID' AS "
     "COMPILE_STATE FROM {D}.MVIEWS m WHERE {SEE:m.OWNER,m.MVIEW_NAME}"},
    {"SEQUENCES",
     "SELECT s.SEQUENCE_OWNER AS SEQUENCE_OWNER, s.SEQUENCE_NAME AS SEQUENCE_NAME, s.MIN_VALUE "
     "AS MIN_VALUE, s.MAX_VALUE AS MAX_VALUE, s.INCREMENT_BY AS INCREMENT_BY, s.CYCLE_FLAG AS "
     "CYCLE_FLAG, s.ORDER_FLAG AS ORDER_FLAG, s.CACHE_SIZE AS CACHE_SIZE, s.LAST_NUMBER AS "
     "LAST_NUMBER FROM {D}.SEQUENCES s WHERE {SEE:s.SEQUENCE_OWNER,s.SEQUENCE_NAME}"},
    // An index is listed under its table's name: it is seen when its table is.
    {"OBJECTS",
     "SELECT OWNER, OBJECT_NAME, OBJECT_TYPE, STATUS FROM (SELECT OWNER, TABLE_NAME AS "
     "OBJECT_NAME, 'TABLE' AS OBJECT_TYPE, 'VALID' AS STATUS, TABLE_NAME AS SEEN_AS FROM "
     "{D}.TABLES UNION ALL SELECT OWNER, VIEW_NAME, 'VIEW', STATUS, VIEW_NAME FROM {D}.VIEWS "
     "UNION ALL SELECT OWNER, INDEX_NAME, 'INDEX', 'VALID', TABLE_NAME FROM {D}.INDEXES "
     "UNION ALL SELECT OWNER, MVIEW_NAME, 'MATERIALIZED VIEW', 'VALID', MVIEW_NAME FROM "
     "{D}.MVIEWS "
     "UNION ALL SELECT SEQUENCE_OWNER, SEQUENCE_NAME, 'SEQUENCE', 'VALID', SEQUENCE_NAME FROM "
     "{D}.SEQUENCES UNION ALL SELECT s.OWNER, s.NAME, s.TYPE, CASE WHEN EXISTS (SELECT 1 FROM "
     "{D}.TRIGGERS g WHERE g.OWNER = s.OWNER AND g.TRIGGER_NAME = s.NAME AND g.FIRES = 1 AND "
     "s.TYPE = 'TRIGGER') THEN 'VALID' ELSE 'INVALID' END, s.NAME FROM {D}.SOURCE s) o "
     "WHERE {SEE:o.OWNER,o.SEEN_AS} UNION ALL SELECT y.OWNER, y.SYNONYM_NAME, 'SYNONYM', "
     "'VALID' FROM {D}.SYNONYMS y WHERE y.OWNER IN ({U}, 'PUBLIC') OR "
     "{SEE:y.TABLE_OWNER,y.TABLE_NAME}"},
    {"TRIGGERS",
     "SELECT g.OWNER AS OWNER, g.TRIGGER_NAME AS TRIGGER_NAME, g.TRIGGER_TYPE AS TRIGGER_TYPE, "
     "g.TRIGGERING_EVENT AS TRIGGERING_EVENT, g.TABLE_OWNER AS TABLE_OWNER, 'TABLE' AS "
     "BASE_OBJECT_TYPE, g.TABLE_NAME AS TABLE_NAME, g.WHEN_CLAUSE AS WHEN_CLAUSE, g.STATUS AS "
     "STATUS, g.TRIGGER_BODY AS TRIGGER_BODY FROM {D}.TRIGGERS g "
     "WHERE {SEE:g.TABLE_OWNER,g.TABLE_NAME}"},
    // Public synonyms are everyone's; another schema's are seen with what they stand for.
    {"SYNONYMS",
     "SELECT y.OWNER AS OWNER, y.SYNONYM_NAME AS SYNONYM_NAME, y.TABLE_OWNER AS TABLE_OWNER, "
     "y.TABLE_NAME AS TABLE_NAME, y.DB_LINK AS DB_LINK, 0 AS ORIGIN_CON_ID FROM {D}.SYNONYMS y "
     "WHERE y.OWNER IN ({U}, 'PUBLIC') OR {SEE:y.TABLE_OWNER,y.TABLE_NAME}"},
    // A user is shown the grants it made, received or holds through PUBLIC, and those on its
    // own objects.
    {"TAB_PRIVS",
     "SELECT p.GRANTEE AS GRANTEE, p.OWNER AS OWNER, p.TABLE_NAME AS TABLE_NAME, p.GRANTOR AS "
     "GRANTOR, p.PRIVILEGE AS PRIVILEGE, p.GRANTABLE AS GRANTABLE, 'NO' AS HIERARCHY, CASE WHEN "
     "EXISTS (SELECT 1 FROM {D}.VIEWS v WHERE v.OWNER = p.OWNER AND v.VIEW_NAME = p.TABLE_NAME) "
     "THEN 'VIEW' WHEN EXISTS (SELECT 1 FROM {D}.SEQUENCES s WHERE s.SEQUENCE_OWNER = p.OWNER "
     "AND s.SEQUENCE_NAME = p.TABLE_NAME) THEN 'SEQUENCE' ELSE COALESCE((SELECT MIN(u.TYPE) FROM "
     "{D}.SOURCE u WHERE u.OWNER = p.OWNER AND u.NAME = p.TABLE_NAME), 'TABLE') END AS TYPE FROM "
     "{D}.TAB_PRIVS p WHERE {DBA} OR {U} IN (p.GRANTEE, p.OWNER, p.GRANTOR) OR p.GRANTEE = "
     "'PUBLIC'"},
};

// Views with no USER_/ALL_/DBA_ family of their own.
const view_def k_other_views[] = {
    {"ALL_USERS", "SELECT USERNAME, CREATED FROM {D}.USERS"},
    {"DBA_USERS",
     "SELECT USERNAME, CASE WHEN LOCKED = 1 THEN 'LOCKED' ELSE 'OPEN' END AS ACCOUNT_STATUS, "
     "'USERS' AS DEFAULT_TABLESPACE, CREATED, CASE WHEN PASSWORD IS NULL THEN 'EXTERNAL' ELSE "
     "'PASSWORD' END AS AUTHENTICATION_TYPE FROM {D}.USERS"},
    {"DBA_TS_QUOTAS", "SELECT TABLESPACE_NAME, USERNAME, MAX_BYTES FROM {D}.TS_QUOTAS"},
    {"V$VERSION", "SELECT VALUE AS BANNER FROM {D}.SETTINGS WHERE NAME = 'BANNER'"},
    {"USER_TAB_PRIVS",
     "SELECT GRANTEE, OWNER, TABLE_NAME, GRANTOR, PRIVILEGE, GRANTABLE, HIERARCHY, TYPE FROM "
     "ALL_TAB_PRIVS WHERE {U} IN (GRANTEE, OWNER, GRANTOR)"},
};

// How much of the database a view shows: its user's objects, those it was granted, everything
// (to a user who reads every schema), or everything as the DBA_ views show it.
enum class reach { own, granted, all, dba };

std::string substitute(std::string s, const std::string& user, reach r = reach::own) {
    const std::string u = lite_quote_text(user);
    const std::string d = lite_quote_name(k_lite_dict);
    // An object is seen by its owner and by those granted any privilege on it.
    for (size_t p; (p = s.find("{SEE:")) != std::string::npos;) {
        const size_t end = s.find('}', p), comma = s.find(',', p);
        const std::string owner = s.substr(p + 5, comma - p - 5);
        const std::string name = s.substr(comma + 1, end - comma - 1);
        s.replace(p, end + 1 - p,
                  r != reach::granted
                      ? std::string("1")
                      : "(" + owner +
                            " = {U} OR EXISTS (SELECT 1 FROM {D}.TAB_PRIVS p$ WHERE "
                            "p$.GRANTEE IN ({U}, 'PUBLIC') AND p$.OWNER = " +
                            owner + " AND p$.TABLE_NAME = " + name + "))");
    }
    for (size_t p; (p = s.find("{DBA}")) != std::string::npos;)
        s.replace(p, 5, r == reach::dba ? "1" : "0");
    for (size_t p; (p = s.find("{U}")) != std::string::npos;) s.replace(p, 3, u);
    for (size_t p; (p = s.find("{D}")) != std::string::npos;) s.replace(p, 3, d);
    return s;
}

void create_view(sqlite3* db, const std::string& name, const std::string& select) {
    lite_exec(db, "CREATE TEMP VIEW " + lite_quote_name(name) + " AS " + select);
}

}  // namespace

void lite_exec(sqlite3* db, const std::string& sql) {
    char* err = nullptr;
    lite_clear_function_error();
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        sqlite3_free(err);
        throw lite_sqlite_error(db);
    }
}

void lite_dictionary_create(sqlite3* db, const std::string& schema) {
    for (const char* t : k_dict_tables) {
        lite_exec(db, "CREATE TABLE " + lite_quote_name(schema) + "." + t);
    }
    for (const char* t : k_later_tables) {
        lite_exec(db, "CREATE TABLE " + lite_quote_name(schema) + "." + t);
    }
}

void lite_dictionary_session_views(sqlite3* db, const std::string& user) {
    for (const char* t : k_later_tables) {
        lite_exec(db, std::string("CREATE TABLE IF NOT EXISTS ") + lite_quote_name(k_lite_dict) +
                          "." + t);
    }
    for (const auto& [table, column, type] : k_later_columns) {
        const std::string t = lite_quote_name(k_lite_dict) + "." + table;
        const std::string c = lite_quote_name(column);
        lite_stmt probe;
        if (lite_stmt::try_prepare(db, "SELECT " + c + " FROM " + t, probe)) continue;
        // Another process logging on may add it first: its ALTER failing here is no fault.
        sqlite3_exec(db, ("ALTER TABLE " + t + " ADD COLUMN " + c + " " + type).c_str(), nullptr,
                     nullptr, nullptr);
    }
    // Without the privilege to read them the DBA_ views are not there at all: Oracle answers
    // ORA-00942 for them. The USER_ views read some ALL_ ones: those come first.
    const bool dba = lite_reads_dictionary(db, user);
    const reach all = lite_sees_all(db, user) ? reach::all : reach::granted;
    for (const view_def& v : k_wide_views) {
        if (dba)
            create_view(db, std::string("DBA_") + v.name, substitute(v.select, user, reach::dba));
        create_view(db, std::string("ALL_") + v.name, substitute(v.select, user, all));
    }
    for (const view_def& v : k_user_views) create_view(db, v.name, substitute(v.select, user));
    for (const view_def& v : k_other_views) {
        if (dba || std::string_view(v.name).substr(0, 4) != "DBA_")
            create_view(db, v.name, substitute(v.select, user));
    }
    lite_exec(db, "CREATE TEMP TABLE DUAL(DUMMY VARCHAR2(1))");
    lite_exec(db, "INSERT INTO temp.DUAL VALUES('X')");
}

void lite_dictionary_forget_view(sqlite3* db, const std::string& owner, const std::string& view) {
    lite_stmt d(db, "DELETE FROM " + lite_quote_name(k_lite_dict) +
                        ".VIEW_COLUMNS WHERE OWNER = ?1 AND VIEW_NAME = ?2");
    d.text(1, owner).text(2, view).run();
}

void lite_dictionary_record_view(lite_session& s, const std::string& view,
                                 const std::string& query) {
    sqlite3* db = s.db();
    lite_dictionary_forget_view(db, s.user(), view);
    // The describe must see the view just made, not what the session knew before it.
    s.schema_changed();
    std::unique_ptr<lite_statement> st, described;
    try {
        st = s.prepare("SELECT * FROM " + lite_quote_name(view));
        st->describe_only();
    } catch (const lite_error&) {
        return;  // a view that does not compile has no columns to list
    }
    // Through the view an expression has lost its type; its own query still tells it.
    try {
        described = s.prepare(query);
        described->describe_only();
    } catch (const lite_error&) {
        described.reset();
    }
    const bool typed = described && described->columns().size() == st->columns().size();
    lite_stmt q(db, "INSERT INTO " + lite_quote_name(k_lite_dict) +
                        ".VIEW_COLUMNS VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,NULL,?10,?11,'NO')");
    int64_t id = 0;
    for (size_t k = 0; k < st->columns().size(); ++k) {
        const lite_column& c = st->columns()[k];
        const lite_coltype t = lite_coltype_of(typed ? described->columns()[k] : c);
        q.text(1, s.user()).text(2, view).text(3, c.name).num(4, ++id).text(5, t.data_type);
        q.num(6, t.data_length).opt_num(7, t.precision).opt_num(8, t.scale);
        q.text(9, c.nullable ? "Y" : "N").num(10, t.char_length).opt_text(11, t.char_used).run();
    }
}

lite_coltype lite_coltype_of(const lite_column& c) {
    lite_coltype t;
    t.data_type = c.type_text;
    t.data_length = c.data_size;
    switch (c.type_code) {
        case LITE_NUMBER:
            // A describe's 0 and -127 stand for the precision and scale a NUMBER left out.
            if (c.precision != 0) t.precision = c.precision;
            if (c.scale != -127) t.scale = c.scale;
            break;
        case LITE_TIMESTAMP:
        case LITE_TIMESTAMP_TZ:
        case LITE_TIMESTAMP_LTZ:
            t.scale = c.scale;
            break;
        case LITE_INTERVAL_YM:
            t.precision = c.precision;
            t.scale = 0;
            break;
        case LITE_INTERVAL_DS:
            t.precision = c.precision;
            t.scale = c.scale;
            break;
        case LITE_VARCHAR2:
        case LITE_CHAR:
            // An expression's text describes its bytes only: as many characters as bytes.
            t.char_length = c.char_length != 0 ? c.char_length : c.data_size;
            t.char_used = c.char_semantics ? "C" : "B";
            break;
        default:
            break;
    }
    return t;
}

lite_coltype lite_coltype_from_decl(const std::string& decl_in) {
    lite_coltype t;
    std::string decl = lite_upper(decl_in);
    if (decl == "LONGTEXT") {
        t.data_type = "LONG";
        return t;
    }
    if (decl == "NUMTEXT") {
        t.data_type = "NUMBER";
        t.data_length = 22;
        return t;
    }
    size_t open = decl.find('(');
    t.data_type = decl.substr(0, open);
    if (open != std::string::npos) {
        int n = std::atoi(decl.c_str() + open + 1);
        if (t.data_type == "NUMBER") {
            t.precision = n;
            size_t comma = decl.find(',', open);
            t.scale = comma == std::string::npos ? 0 : std::atoi(decl.c_str() + comma + 1);
            t.data_length = 22;
        } else {
            t.data_length = n;
            t.char_length = n;
            t.char_used = "B";
        }
    } else if (t.data_type == "NUMBER") {
        t.data_length = 22;
    } else if (t.data_type == "DATE") {
        t.data_length = 7;
    }
    return t;
}

const char* lite_affinity_for(const lite_coltype& t) {
    const std::string& d = t.data_type;
    if (d == "NUMBER") {
        if (t.precision && *t.precision <= 15) return "NUMERIC";
        return "";
    }
    if (d == "FLOAT") return "";
    if (d == "BINARY_FLOAT" || d == "BINARY_DOUBLE") return "REAL";
    if (d == "RAW" || d == "LONG RAW" || d == "BLOB" || d == "BFILE") return "BLOB";
    return "TEXT";
}

lite_column lite_describe_coltype(const std::string& name, const lite_coltype& t, bool nullable) {
    lite_column c;
    c.name = name;
    c.type_text = t.data_type;
    c.nullable = nullable;
    c.charset_form = 0;
    const std::string& d = t.data_type;
    auto starts = [&](const char* p) { return d.rfind(p, 0) == 0; };
    if (d == "VARCHAR2" || d == "VARCHAR" || d == "NVARCHAR2") {
        c.type_code = LITE_VARCHAR2;
        c.data_size = static_cast<int>(t.data_length);
        c.charset_form = d == "NVARCHAR2" ? 2 : 1;
    } else if (d == "CHAR" || d == "NCHAR") {
        c.type_code = LITE_CHAR;
        c.data_size = static_cast<int>(t.data_length);
        c.charset_form = d == "NCHAR" ? 2 : 1;
    } else if (d == "NUMBER") {
        c.type_code = LITE_NUMBER;
        c.data_size = 22;
        // NUMBER(*,0) and INTEGER describe as 38 digits; a bare NUMBER as 0 with scale -127.
        c.precision = t.precision.value_or(t.scale && *t.scale == 0 ? 38 : 0);
        c.scale = t.scale.value_or(t.precision ? 0 : -127);
    } else if (d == "FLOAT") {
        c.type_code = LITE_NUMBER;
        c.data_size = 22;
        c.precision = t.precision.value_or(126);
        c.scale = -127;
    } else if (d == "LONG") {
        c.type_code = LITE_LONG;
        c.data_size = 0;
        c.charset_form = 1;
    } else if (d == "DATE") {
        c.type_code = LITE_DATE;
        c.data_size = 7;
    } else if (d == "RAW") {
        c.type_code = LITE_RAW;
        c.data_size = static_cast<int>(t.data_length);
    } else if (d == "LONG RAW") {
        c.type_code = LITE_LONG_RAW;
        c.data_size = 0;
    } else if (d == "BINARY_FLOAT") {
        c.type_code = LITE_BINARY_FLOAT;
        c.data_size = 4;
    } else if (d == "BINARY_DOUBLE") {
        c.type_code = LITE_BINARY_DOUBLE;
        c.data_size = 8;
    } else if (d == "ROWID" || d == "UROWID") {
        c.type_code = LITE_ROWID;
        c.data_size = d == "ROWID" ? 10 : static_cast<int>(t.data_length);
    } else if (d == "CLOB" || d == "NCLOB") {
        c.type_code = LITE_CLOB;
        c.data_size = 4000;
        c.charset_form = d == "NCLOB" ? 2 : 1;
    } else if (d == "BLOB") {
        c.type_code = LITE_BLOB;
        c.data_size = 4000;
    } else if (d == "BFILE") {
        c.type_code = LITE_BFILE;
        c.data_size = 530;
    } else if (starts("TIMESTAMP")) {
        c.scale = t.scale.value_or(6);
        if (d.find("LOCAL TIME ZONE") != std::string::npos) {
            c.type_code = LITE_TIMESTAMP_LTZ;
            c.data_size = 11;
        } else if (d.find("TIME ZONE") != std::string::npos) {
            c.type_code = LITE_TIMESTAMP_TZ;
            c.data_size = 13;
        } else {
            c.type_code = LITE_TIMESTAMP;
            c.data_size = 11;
        }
    } else if (starts("INTERVAL YEAR")) {
        c.type_code = LITE_INTERVAL_YM;
        c.data_size = 5;
        c.precision = t.precision.value_or(2);
    } else if (starts("INTERVAL DAY")) {
        c.type_code = LITE_INTERVAL_DS;
        c.data_size = 11;
        c.precision = t.precision.value_or(2);
        c.scale = t.scale.value_or(6);
    } else if (d == "XMLTYPE") {
        c.type_code = LITE_NAMED;
        c.data_size = 2000;
    } else {
        c.type_code = LITE_VARCHAR2;
        c.data_size = static_cast<int>(t.data_length > 0 ? t.data_length : 4000);
        c.charset_form = 1;
    }
    if (c.type_code == LITE_VARCHAR2 || c.type_code == LITE_CHAR) {
        c.char_length = static_cast<int>(t.char_length);
        c.char_semantics = t.char_used == "C";
    }
    return c;
}
