#include "lite_engine.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "ddl/lite_dictionary.h"
#include "functions/lite_function_table.h"
#include "lite_value_text.h"
#include "lite_internal.h"
#include "lite_errors.h"
#include "lite_mutex.h"
#include "lite_names.h"
#include "lite_sqlite_stmt.h"
#include "sql/lite_lexer.h"
#include "ddl/lite_session_schema.h"

namespace fs = std::filesystem;

namespace {

std::string format_code(int code, const std::string& text) {
    char b[16];
    std::snprintf(b, sizeof b, "ORA-%05d: ", code);
    return b + text;
}

// Small helpers over prepared statements for the engine's own dictionary work.
void bind_texts(sqlite3_stmt* s, std::initializer_list<std::string> values) {
    int i = 1;
    for (const std::string& v : values) {
        sqlite3_bind_text(s, i++, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
}

std::string col_text(sqlite3_stmt* s, int c) {
    const unsigned char* t = sqlite3_column_text(s, c);
    return t ? reinterpret_cast<const char*>(t) : "";
}

// Runs a prepared statement that returns no rows; throws the mapped error when it fails.
void step_done(sqlite3* db, sqlite3_stmt* s) {
    if (sqlite3_step(s) != SQLITE_DONE) throw lite_sqlite_error(db);
}

// A file path as an SQLite URI path: '%', '?' and '#' (a user name may hold '#') and anything
// outside printable ASCII are percent-encoded so the name cannot end early or gain parameters.
std::string uri_path(const std::string& path) {
    static const char* hx = "0123456789ABCDEF";
    std::string r;
    for (char ch : path) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '%' || c == '?' || c == '#' || c <= 0x20 || c >= 0x7f) {
            r += '%';
            r += hx[c >> 4];
            r += hx[c & 15];
        } else {
            r += ch;
        }
    }
    return r;
}

// How long a session waits for another process's lock (DDL of a concurrent load, a commit)
// before it gives up with ORA-00054.
constexpr int k_lock_wait_ms = 60000;

// Write-ahead logging lets readers and one writer of a file go on side by side: a load in one
// process does not stop another process's DDL at its first read of the dictionary. The mode
// stays with the file; changing it fails harmlessly while others have the file open.
void use_wal(sqlite3* db, const char* schema) {
    std::string sql = std::string("PRAGMA ") + schema + ".journal_mode = WAL";
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

struct db_guard {
    sqlite3* db = nullptr;
    ~db_guard() { sqlite3_close(db); }
};

// User names become file names: only what an unquoted Oracle name may hold gets through.
std::string checked_user_name(const std::string& given) {
    std::string n;
    if (given.size() >= 2 && given.front() == '"' && given.back() == '"') {
        n = given.substr(1, given.size() - 2);
    } else {
        n = lite_upper(given);
    }
    if (n.empty() || n.size() > 128)
        throw lite_error(ora_err::missing_user_name, "missing user or role name");
    for (char c : n) {
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                  c == '_' || c == '$' || c == '#';
        if (!ok) throw lite_error(ora_err::invalid_character, "invalid character");
    }
    return n;
}

// The instance's files hold its users' passwords and every row: they are made readable by their
// owner alone before SQLite opens them (its journal files take the same permissions).
void create_private_file(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
}

void open_dictionary(const std::string& dir, db_guard& g, bool must_exist) {
    std::string path = (fs::path(dir) / "dictionary.db").string();
    if (must_exist && !fs::exists(path))
        throw lite_error(ora_err::oracle_not_available, "ORACLE not available");
    if (!must_exist) create_private_file(path);
    int flags = SQLITE_OPEN_READWRITE | (must_exist ? 0 : SQLITE_OPEN_CREATE);
    lite_use_own_mutexes();
    if (sqlite3_open_v2(path.c_str(), &g.db, flags, nullptr) != SQLITE_OK) {
        throw lite_error(ora_err::oracle_not_available, "ORACLE not available");
    }
    sqlite3_busy_timeout(g.db, k_lock_wait_ms);
}

}  // namespace

lite_error::lite_error(int ora_code, const std::string& text)
    : std::runtime_error(format_code(ora_code, text)), code_(ora_code), text_(text) {}

namespace {

// The Oracle error for a SQLite failure: the extended result code decides; the message only
// supplies the names Oracle's text quotes (the table, column or constraint).
lite_error map_failure(int code, const std::string& msg, lite_session* s) {
    auto after = [&](const char* prefix) -> std::string {
        size_t p = msg.find(prefix);
        return p == std::string::npos ? std::string() : msg.substr(p + std::strlen(prefix));
    };
    std::string owner = s ? s->user() : "";
    switch (code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return lite_error(ora_err::resource_busy,
                              "resource busy and acquire with NOWAIT specified or timeout expired");
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return lite_error(ora_err::insufficient_privileges, "insufficient privileges");
        case SQLITE_INTERRUPT:
            return lite_error(ora_err::user_requested_cancel,
                              "user requested cancel of current operation");
        case SQLITE_NOMEM:
            return lite_error(ora_err::out_of_process_memory, "out of process memory");
        case SQLITE_FULL:
            return lite_error(ora_err::cannot_extend_table, "unable to extend table");
        case SQLITE_TOOBIG:
            return lite_error(ora_err::concatenation_too_long,
                              "result of string concatenation is too long");
        case SQLITE_MISMATCH:
            return lite_error(ora_err::inconsistent_datatypes, "inconsistent datatypes");
        case SQLITE_CANTOPEN:
        case SQLITE_IOERR:
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return lite_error(ora_err::io_error_reading_block,
                              "IO error reading block from file: " + msg);
        default:
            break;
    }
    switch (code) {
        case SQLITE_CONSTRAINT_FOREIGNKEY:
            return lite_error(ora_err::parent_key_not_found,
                              "integrity constraint violated - parent key not found");
        case SQLITE_CONSTRAINT_TRIGGER:
            // Triggers made before their errors were raised as numbers carry the text.
            if (msg.rfind("ORA-", 0) == 0 && msg.size() > 11) {
                return lite_error(std::atoi(msg.c_str() + 4), msg.substr(11));
            }
            break;
        default:
            break;
    }
    if (msg.find("no such table") != std::string::npos ||
        msg.find("no such view") != std::string::npos) {
        return lite_error(ora_err::table_not_found, "table or view does not exist");
    }
    if (msg.find("no such column: ") != std::string::npos ||
        msg.find("no such function: ") != std::string::npos) {
        std::string name = lite_oracle_name(msg.find("no such column: ") != std::string::npos
                                                ? after("no such column: ")
                                                : after("no such function: "));
        std::string quoted;
        size_t start = 0;
        while (true) {
            size_t dot = name.find('.', start);
            if (!quoted.empty()) quoted += '.';
            quoted +=
                "\"" + name.substr(start, dot == std::string::npos ? dot : dot - start) + "\"";
            if (dot == std::string::npos) break;
            start = dot + 1;
        }
        return lite_error(ora_err::invalid_identifier, quoted + ": invalid identifier");
    }
    if (msg.find("ambiguous column name: ") != std::string::npos) {
        return lite_error(ora_err::column_ambiguous, "column ambiguously defined");
    }
    if (msg.find("wrong number of arguments") != std::string::npos) {
        return lite_error(ora_err::invalid_argument_count, "invalid number of arguments");
    }
    if (msg.find("UNIQUE constraint failed: ") != std::string::npos) {
        std::string cols = lite_oracle_name(after("UNIQUE constraint failed: "));
        // An expression index is named by SQLite itself: index 'NAME'.
        if (cols.rfind("index '", 0) == 0 && cols.size() > 8 && cols.back() == '\'') {
            return lite_error(ora_err::unique_violated, "unique constraint (" + owner + "." +
                                                            cols.substr(7, cols.size() - 8) +
                                                            ") violated");
        }
        std::string table = cols.substr(0, cols.find('.'));
        std::string name = table;
        if (s && s->db()) {
            // The violated index carries the Oracle index name; its constraint, if any, wins.
            std::string list;
            size_t p = 0;
            while (p < cols.size()) {
                size_t c = cols.find(", ", p);
                std::string one = cols.substr(p, c == std::string::npos ? c : c - p);
                if (!list.empty()) list += ',';
                list += one.substr(one.find('.') + 1);
                if (c == std::string::npos) break;
                p = c + 2;
            }
            lite_stmt g;
            std::string sql =
                "SELECT i.INDEX_NAME, (SELECT c.CONSTRAINT_NAME FROM \"LITE$DICT\".CONSTRAINTS c "
                "WHERE c.OWNER = i.INDEX_OWNER AND c.INDEX_NAME = i.INDEX_NAME AND "
                "c.CONSTRAINT_TYPE IN ('P','U')) FROM (SELECT INDEX_OWNER, INDEX_NAME, "
                "group_concat(COLUMN_NAME, ',') AS COLS FROM (SELECT * FROM "
                "\"LITE$DICT\".IND_COLUMNS WHERE TABLE_OWNER = ?1 AND TABLE_NAME = ?2 ORDER BY "
                "COLUMN_POSITION) GROUP BY INDEX_OWNER, INDEX_NAME) i WHERE i.COLS = ?3";
            if (lite_stmt::try_prepare(s->db(), sql, g)) {
                bind_texts(g.get(), {owner, table, list});
                if (sqlite3_step(g.get()) == SQLITE_ROW) {
                    name = sqlite3_column_type(g.get(), 1) != SQLITE_NULL ? col_text(g.get(), 1)
                                                                          : col_text(g.get(), 0);
                }
            }
        }
        return lite_error(ora_err::unique_violated,
                          "unique constraint (" + owner + "." + name + ") violated");
    }
    if (msg.find("NOT NULL constraint failed: ") != std::string::npos) {
        std::string tc = lite_oracle_name(after("NOT NULL constraint failed: "));
        size_t dot = tc.find('.');
        return lite_error(ora_err::cannot_insert_null, "cannot insert NULL into (\"" + owner +
                                                           "\".\"" + tc.substr(0, dot) + "\".\"" +
                                                           tc.substr(dot + 1) + "\")");
    }
    if (msg.find("CHECK constraint failed: ") != std::string::npos) {
        return lite_error(ora_err::check_violated,
                          "check constraint (" + owner + "." +
                              lite_oracle_name(after("CHECK constraint failed: ")) + ") violated");
    }
    if (msg.find("already exists") != std::string::npos) {
        return lite_error(ora_err::name_in_use, "name is already used by an existing object");
    }
    if (msg.find("readonly database") != std::string::npos) {
        return lite_error(ora_err::insufficient_privileges, "insufficient privileges");
    }
    if (msg.find("incomplete input") != std::string::npos) {
        return lite_error(ora_err::unexpected_end_of_command, "unexpected end of SQL command");
    }
    if (msg.find("syntax error") != std::string::npos) {
        std::string near = after("near \"");
        near = near.substr(0, near.find('"'));
        if (near == "FROM" || near == "WHERE" || near == ")" || near == "," || near == "ORDER" ||
            near == "GROUP") {
            return lite_error(ora_err::missing_expression, "missing expression");
        }
        return lite_error(ora_err::command_not_properly_ended, "SQL command not properly ended");
    }
    if (msg.find("database is locked") != std::string::npos ||
        msg.find("table is locked") != std::string::npos) {
        return lite_error(ora_err::resource_busy,
                          "resource busy and acquire with NOWAIT specified or timeout expired");
    }
    if (msg.find("datatype mismatch") != std::string::npos) {
        return lite_error(ora_err::inconsistent_datatypes, "inconsistent datatypes");
    }
    if (msg.find("FOREIGN KEY constraint failed") != std::string::npos) {
        return lite_error(ora_err::parent_key_not_found,
                          "integrity constraint violated - parent key not found");
    }
    if (msg.find("no such savepoint") != std::string::npos) {
        return lite_error(ora_err::savepoint_not_established,
                          "savepoint never established in this session or is invalid");
    }
    return lite_error(ora_err::internal_error,
                      "internal error code, arguments: [lite], [" + msg + "]");
}

}  // namespace

lite_error lite_sqlite_error(sqlite3* db, lite_session* s) {
    if (std::optional<lite_error> e = lite_take_function_error()) return *e;
    int code = db ? sqlite3_extended_errcode(db) : SQLITE_ERROR;
    std::string msg = db ? sqlite3_errmsg(db) : "unknown error";
    return map_failure(code, msg, s);
}

// ---------------------------------------------------------------------------- lite_instance

const char* lite_instance::default_banner() {
    return "Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - Production";
}

std::string lite_instance::default_home() {
#ifdef ORALITE_DEFAULT_HOME
    return ORALITE_DEFAULT_HOME;
#else
    return "/usr/local/share/oralite";
#endif
}

void lite_instance::create(const std::string& dir, const std::string& banner) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec)
        throw lite_error(ora_err::create_database_failed,
                         "CREATE DATABASE failed: " + ec.message());
    if (fs::exists(fs::path(dir) / "dictionary.db")) {
        throw lite_error(ora_err::create_database_failed,
                         "CREATE DATABASE failed: an instance exists in " + dir);
    }
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::replace, ec);
    if (ec)
        throw lite_error(ora_err::create_database_failed,
                         "CREATE DATABASE failed: " + ec.message());
    {
        db_guard g;
        open_dictionary(dir, g, false);
        use_wal(g.db, "main");
        lite_exec(g.db, "BEGIN");
        lite_dictionary_create(g.db, "main");
        lite_stmt s(g.db, "INSERT INTO SETTINGS VALUES ('BANNER', ?1), ('NEXT_SYS_C', '8000')");
        bind_texts(s.get(), {banner.empty() ? std::string(default_banner()) : banner});
        step_done(g.db, s.get());
        lite_exec(g.db, "COMMIT");
    }
    add_user(dir, "SYS", "manager");
    add_user(dir, "SYSTEM", "manager");
}

void lite_instance::add_user(const std::string& dir, const std::string& name,
                             const std::string& password) {
    std::string user = checked_user_name(name);
    db_guard g;
    open_dictionary(dir, g, true);
    lite_stmt s(g.db,
                "INSERT OR REPLACE INTO USERS VALUES (?1, ?2, 0, "
                "strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'))");
    bind_texts(s.get(), {user, password});
    step_done(g.db, s.get());
    create_schema_file(dir, user);
}

void lite_instance::create_schema_file(const std::string& dir, const std::string& user) {
    db_guard u;
    std::string path = (fs::path(dir) / (user + ".db")).string();
    lite_use_own_mutexes();
    create_private_file(path);
    if (sqlite3_open_v2(path.c_str(), &u.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        throw lite_error(ora_err::cannot_create_database_file,
                         "error in creating database file '" + path + "'");
    }
    // A schema is mostly read whole, a table at a time: pages of 16 KB (the destination's own
    // size) take a quarter of the reads a table scan takes with SQLite's 4 KB, and a LOB value a
    // quarter of the overflow pages. The size must be set before the file has its first page.
    lite_exec(u.db, "PRAGMA page_size = 16384");
    // An empty SQLite file is created lazily; give it a header now.
    lite_exec(u.db, "PRAGMA user_version = 1");
    use_wal(u.db, "main");
}

void lite_instance::set_locked(const std::string& dir, const std::string& name, bool locked) {
    std::string user = checked_user_name(name);
    db_guard g;
    open_dictionary(dir, g, true);
    lite_stmt s(g.db, "UPDATE USERS SET LOCKED = ?2 WHERE USERNAME = ?1");
    bind_texts(s.get(), {user, locked ? "1" : "0"});
    step_done(g.db, s.get());
    if (sqlite3_changes(g.db) == 0)
        throw lite_error(ora_err::user_not_found, "user '" + user + "' does not exist");
}

void lite_instance::set_banner(const std::string& dir, const std::string& banner) {
    db_guard g;
    open_dictionary(dir, g, true);
    lite_stmt s(g.db, "UPDATE SETTINGS SET VALUE = ?1 WHERE NAME = 'BANNER'");
    bind_texts(s.get(), {banner});
    step_done(g.db, s.get());
}

std::string lite_instance::resolve(const std::string& connect) {
    auto is_instance = [](const fs::path& p) {
        std::error_code ec;
        return fs::is_regular_file(p / "dictionary.db", ec);
    };
    // An instance directory, relative or absolute, is used as it is, as `oralite run` does.
    if (!connect.empty() && connect.rfind("//", 0) != 0 && is_instance(connect)) return connect;
    if (!connect.empty() && (connect[0] == '/' || connect.rfind("./", 0) == 0) &&
        connect.rfind("//", 0) != 0) {
        if (is_instance(connect)) return connect;
        throw lite_error(ora_err::cannot_resolve_connect_identifier,
                         "TNS:could not resolve the connect identifier specified");
    }
    std::string service = connect;
    bool descriptor = false;
    if (service.rfind("//", 0) == 0) {
        service = service.substr(2);
        descriptor = true;
    }
    size_t slash = service.find('/');
    if (slash != std::string::npos) {
        descriptor = true;
        service = service.substr(slash + 1);
    }
    auto fail = [&]() -> lite_error {
        if (descriptor) {
            return lite_error(ora_err::service_not_known,
                              "TNS:listener does not currently know of service requested in "
                              "connect descriptor");
        }
        return lite_error(ora_err::cannot_resolve_connect_identifier,
                          "TNS:could not resolve the connect identifier specified");
    };
    bool plain = !service.empty() && service.find_first_of("/\\") == std::string::npos &&
                 service != "." && service != "..";
    if (!plain) throw fail();
    const char* env = std::getenv("ORALITE_HOME");
    fs::path home = env && *env ? fs::path(env) : fs::path(default_home());
    for (const std::string& cand : {service, lite_upper(service)}) {
        if (is_instance(home / cand)) return (home / cand).string();
    }
    std::string lower = service;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (is_instance(home / lower)) return (home / lower).string();
    throw fail();
}

// ----------------------------------------------------------------------------- lite_session

lite_session::lite_session() : schema_(std::make_unique<lite_session_schema>(*this)) {}

void lite_session::schema_changed() noexcept {
    column_cache_.clear();
    schema_->clear();
}

lite_session::~lite_session() {
    logoff();
}

void lite_session::logon(const std::string& connect, const std::string& user,
                         const std::string& password, bool external) {
    std::string dir = lite_instance::resolve(connect);
    open(dir, user, password, external);
}

void lite_session::logon_dir(const std::string& dir, const std::string& user,
                             const std::string& password, bool external) {
    open(dir, user, password, external);
}

void lite_session::open(const std::string& dir, const std::string& user_in,
                        const std::string& password, bool external) {
    logoff();
    std::string user;
    try {
        user = checked_user_name(user_in);
    } catch (const lite_error&) {
        throw lite_error(ora_err::invalid_logon, "invalid username/password; logon denied");
    }
    {
        db_guard g;
        open_dictionary(dir, g, true);
        lite_stmt s(g.db, "SELECT PASSWORD, LOCKED FROM USERS WHERE USERNAME = ?1");
        bind_texts(s.get(), {user});
        // A user identified externally has no password.
        if (sqlite3_step(s.get()) != SQLITE_ROW ||
            (sqlite3_column_type(s.get(), 0) == SQLITE_NULL) != external ||
            (!external && col_text(s.get(), 0) != password)) {
            throw lite_error(ora_err::invalid_logon, "invalid username/password; logon denied");
        }
        if (sqlite3_column_int(s.get(), 1) != 0)
            throw lite_error(ora_err::account_locked, "the account is locked");
    }
    fs::path base(dir);
    std::string main_path = (base / (user + ".db")).string();
    sqlite3* db = nullptr;
    lite_use_own_mutexes();
    if (sqlite3_open_v2(main_path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        throw lite_error(ora_err::oracle_not_available, "ORACLE not available");
    }
    db_ = db;
    dir_ = dir;
    user_ = user;
    try {
        sqlite3_busy_timeout(db_, k_lock_wait_ms);
        sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
        lite_exec(db_, "ATTACH DATABASE " + lite_quote_text((base / "dictionary.db").string()) +
                           " AS " + lite_quote_name(k_lite_dict));
        // Instances are scratch copies for trials and tests: an application crash cannot harm
        // them, only an operating-system crash could, and loads run many times faster.
        lite_exec(db_, "PRAGMA main.synchronous = OFF");
        lite_exec(db_, "PRAGMA \"LITE$DICT\".synchronous = OFF");
        // Other schemas are readable from this session.
        lite_stmt s(db_, "SELECT USERNAME FROM \"LITE$DICT\".USERS ORDER BY USERNAME");
        std::vector<std::string> others;
        while (sqlite3_step(s.get()) == SQLITE_ROW) {
            std::string u = col_text(s.get(), 0);
            if (u != user_ && fs::exists(base / (u + ".db"))) others.push_back(u);
        }
        // Another schema is writable only where its owner granted this user a change to its
        // rows, as the grants stood at logon: every DDL locks each writable file too.
        std::set<std::string> writable;
        lite_stmt w;
        if (lite_stmt::try_prepare(db_,
                                   "SELECT DISTINCT OWNER FROM \"LITE$DICT\".TAB_PRIVS WHERE "
                                   "GRANTEE IN (?1, 'PUBLIC') AND PRIVILEGE IN ('INSERT', "
                                   "'UPDATE', 'DELETE')",
                                   w)) {
            w.text(1, user_);
            while (w.row()) writable.insert(w.col(0));
        }
        w.reset_to_empty();
        for (const std::string& u : others) {
            std::string uri = "file:" + uri_path((base / (u + ".db")).string()) +
                              (writable.count(u) ? "?mode=rw" : "?mode=ro");
            if (sqlite3_exec(
                    db_,
                    ("ATTACH DATABASE " + lite_quote_text(uri) + " AS " + lite_quote_name(u))
                        .c_str(),
                    nullptr, nullptr, nullptr) != SQLITE_OK) {
                break;  // beyond SQLite's attach limit other schemas stay out of sight
            }
        }
        lite_register_functions(db_, this);
        // Oracle's LIKE tells upper from lower case.
        lite_exec(db_, "PRAGMA case_sensitive_like = ON");
        lite_dictionary_session_views(db_, user_);
    } catch (...) {
        logoff();
        throw;
    }
}

void lite_session::logoff() noexcept {
    if (!db_) return;
    // No reader may be left stepping on the connection about to close.
    const std::vector<lite_statement*> readers = reading_ahead_;
    for (lite_statement* s : readers) s->stop_read_ahead();
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    sqlite3_close_v2(seq_db_);
    seq_db_ = nullptr;
    currval_.clear();
    schema_changed();
    user_.clear();
    dir_.clear();
}

void lite_session::begin_if_needed() {
    if (db_ && sqlite3_get_autocommit(db_)) lite_exec(db_, "BEGIN");
}

void lite_session::commit() {
    if (!db_) throw lite_error(ora_err::not_logged_on, "not logged on");
    if (!sqlite3_get_autocommit(db_)) {
        char* err = nullptr;
        if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, &err) != SQLITE_OK) {
            std::string m = err ? err : "commit failed";
            sqlite3_free(err);
            throw lite_sqlite_error(db_, this);
        }
    }
}

void lite_session::rollback() {
    if (!db_) throw lite_error(ora_err::not_logged_on, "not logged on");
    if (!sqlite3_get_autocommit(db_)) lite_exec(db_, "ROLLBACK");
}

std::vector<std::string> lite_session::take_warnings() {
    std::vector<std::string> w;
    w.swap(warnings_);
    return w;
}

std::unique_ptr<lite_statement> lite_session::prepare(const std::string& oracle_sql) {
    if (!db_) throw lite_error(ora_err::not_logged_on, "not logged on");
    std::unique_ptr<lite_statement> st(new lite_statement(*this, oracle_sql));
    st->compile();
    return st;
}

int64_t lite_session::execute(const std::string& oracle_sql) {
    auto st = prepare(oracle_sql);
    st->execute();
    return st->rows_affected();
}

std::string lite_session::owner_of(const char* sqlite_db_name) const {
    if (!sqlite_db_name || std::strcmp(sqlite_db_name, "main") == 0) return user_;
    return sqlite_db_name;
}

bool lite_session::make_writable(const std::string& owner) {
    if (!db_ || owner == user_) return true;
    const int read_only = sqlite3_db_readonly(db_, owner.c_str());
    if (read_only != 1) return read_only == 0;
    // A file is swapped only between transactions, while no reader of the session runs on it;
    // SQLite refuses the detach while a statement of the session is reading from the schema.
    if (!sqlite3_get_autocommit(db_) || !reading_ahead_.empty()) return false;
    const std::string name = lite_quote_name(owner);
    if (sqlite3_exec(db_, ("DETACH DATABASE " + name).c_str(), nullptr, nullptr, nullptr) !=
        SQLITE_OK)
        return false;
    const std::string path = uri_path((fs::path(dir_) / (owner + ".db")).string());
    for (const char* mode : {"rw", "ro"}) {
        const std::string uri = "file:" + path + "?mode=" + mode;
        if (sqlite3_exec(db_, ("ATTACH DATABASE " + lite_quote_text(uri) + " AS " + name).c_str(),
                         nullptr, nullptr, nullptr) == SQLITE_OK)
            return std::strcmp(mode, "rw") == 0;
    }
    return false;
}

int64_t lite_session::sequence_value(const std::string& owner, const std::string& name, bool next) {
    std::string key = owner + "." + name;
    if (!next) {
        auto it = currval_.find(key);
        if (it == currval_.end()) {
            throw lite_error(ora_err::currval_not_yet_defined,
                             "sequence " + name + ".CURRVAL is not yet defined in this session");
        }
        return it->second;
    }
    // Oracle's sequences stand outside transactions: a number is taken for good, even when the
    // statement that took it rolls back. It is taken on a connection of its own, so a load's
    // open transaction never holds the dictionary against another process's DDL; DDL itself
    // (a default filled in while a table is rebuilt) takes it inside its own transaction.
    sqlite3* db = in_ddl_ ? db_ : sequence_connection();
    const std::string dict = in_ddl_ ? "\"LITE$DICT\"." : "main.";
    struct txn {
        sqlite3* db;
        bool open = false;
        ~txn() {
            if (open) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    } t{db};
    if (!in_ddl_) {
        lite_exec(db, "BEGIN IMMEDIATE");
        t.open = true;
    }
    lite_stmt s(db, "SELECT MIN_VALUE, MAX_VALUE, INCREMENT_BY, CYCLE_FLAG, LAST_NUMBER FROM " +
                        dict + "SEQUENCES WHERE SEQUENCE_OWNER = ?1 AND SEQUENCE_NAME = ?2");
    bind_texts(s.get(), {owner, name});
    if (sqlite3_step(s.get()) != SQLITE_ROW)
        throw lite_error(ora_err::sequence_not_found, "sequence does not exist");
    double minv = sqlite3_column_double(s.get(), 0), maxv = sqlite3_column_double(s.get(), 1);
    int64_t inc = sqlite3_column_int64(s.get(), 2);
    bool cycle = col_text(s.get(), 3) == "Y";
    int64_t v = sqlite3_column_int64(s.get(), 4);
    // A next number past the 64-bit range is kept as a real: the sequence is then exhausted.
    double last = sqlite3_column_double(s.get(), 4);
    bool beyond = sqlite3_column_type(s.get(), 4) == SQLITE_FLOAT &&
                  (last >= 9223372036854775807.0 || last < -9223372036854775807.0);
    if (beyond || (inc > 0 && static_cast<double>(v) > maxv) ||
        (inc < 0 && static_cast<double>(v) < minv)) {
        if (!cycle) {
            throw lite_error(ora_err::sequence_limit_exceeded,
                             "sequence " + name + ".NEXTVAL exceeds " +
                                 (inc > 0 ? "MAXVALUE" : "MINVALUE") +
                                 " and cannot be instantiated");
        }
        v = static_cast<int64_t>(inc > 0 ? minv : maxv);
    }
    lite_stmt u(db, "UPDATE " + dict +
                        "SEQUENCES SET LAST_NUMBER = ?3 WHERE SEQUENCE_OWNER = ?1 "
                        "AND SEQUENCE_NAME = ?2");
    bind_texts(u.get(), {owner, name});
    int64_t following = 0;
    if (__builtin_add_overflow(v, inc, &following)) {
        sqlite3_bind_double(u.get(), 3, static_cast<double>(v) + static_cast<double>(inc));
    } else {
        sqlite3_bind_int64(u.get(), 3, following);
    }
    if (sqlite3_step(u.get()) != SQLITE_DONE) throw lite_sqlite_error(db, this);
    if (t.open) {
        sqlite3_reset(u.get());
        sqlite3_reset(s.get());
        lite_exec(db, "COMMIT");
        t.open = false;
    }
    currval_[key] = v;
    return v;
}

sqlite3* lite_session::sequence_connection() {
    if (seq_db_) return seq_db_;
    std::string path = (fs::path(dir_) / "dictionary.db").string();
    lite_use_own_mutexes();
    if (sqlite3_open_v2(path.c_str(), &seq_db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(seq_db_);
        seq_db_ = nullptr;
        throw lite_error(ora_err::oracle_not_available, "ORACLE not available");
    }
    sqlite3_busy_timeout(seq_db_, k_lock_wait_ms);
    sqlite3_exec(seq_db_, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    return seq_db_;
}

const lite_column* lite_session::dictionary_column(const std::string& owner,
                                                   const std::string& table,
                                                   const std::string& column) {
    std::string key = owner + '\x1f' + table + '\x1f' + column;
    auto it = column_cache_.find(key);
    if (it != column_cache_.end()) return it->second.get();
    lite_stmt s(db_,
                "SELECT DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, NULLABLE, "
                "CHAR_LENGTH, CHAR_USED FROM \"LITE$DICT\".COLUMNS WHERE OWNER = ?1 AND "
                "TABLE_NAME = ?2 AND COLUMN_NAME = ?3");
    bind_texts(s.get(), {owner, table, column});
    if (sqlite3_step(s.get()) != SQLITE_ROW) return nullptr;
    lite_coltype t;
    t.data_type = col_text(s.get(), 0);
    t.data_length = sqlite3_column_int64(s.get(), 1);
    if (sqlite3_column_type(s.get(), 2) != SQLITE_NULL)
        t.precision = sqlite3_column_int(s.get(), 2);
    if (sqlite3_column_type(s.get(), 3) != SQLITE_NULL) t.scale = sqlite3_column_int(s.get(), 3);
    t.char_length = sqlite3_column_int64(s.get(), 5);
    t.char_used = col_text(s.get(), 6);
    auto c = std::make_unique<lite_column>(
        lite_describe_coltype(column, t, col_text(s.get(), 4) != "N"));
    const lite_column* r = c.get();
    column_cache_.emplace(std::move(key), std::move(c));
    return r;
}
