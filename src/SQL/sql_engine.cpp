#include "SQL/sql_engine.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>

#include "SQL/dmp_database.h"
#include "SQL/dump_options.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_new_validator.h"
#include "SQL/sql_old_validator.h"
#include "SQL/sql_util.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "SQL/sql_database.h"
#include "UDB/udb_database.h"

namespace {

std::vector<std::wstring>& charset_list() {
    static std::vector<std::wstring> list;
    return list;
}

std::vector<std::wstring>& engine_list() {
    static std::vector<std::wstring> list;
    return list;
}

const wchar_t* const k_fallback_charsets[] = {L"big5 - Big5 Traditional Chinese",
                                              L"dec8 - DEC West European",
                                              L"cp850 - DOS West European",
                                              L"hp8 - HP West European",
                                              L"koi8r - KOI8-R Relcom Russian",
                                              L"latin1 - cp1252 West European",
                                              L"latin2 - ISO 8859-2 Central European",
                                              L"swe7 - 7bit Swedish",
                                              L"ascii - US ASCII",
                                              L"ujis - EUC-JP Japanese",
                                              L"sjis - Shift-JIS Japanese",
                                              L"hebrew - ISO 8859-8 Hebrew",
                                              L"tis620 - TIS620 Thai",
                                              L"euckr - EUC-KR Korean",
                                              L"koi8u - KOI8-U Ukrainian",
                                              L"gb2312 - GB2312 Simplified Chinese",
                                              L"greek - ISO 8859-7 Greek",
                                              L"cp1250 - Windows Central European",
                                              L"gbk - GBK Simplified Chinese",
                                              L"latin5 - ISO 8859-9 Turkish",
                                              L"armscii8 - ARMSCII-8 Armenian",
                                              L"utf8 - UTF-8 Unicode",
                                              L"ucs2 - UCS-2 Unicode",
                                              L"cp866 - DOS Russian",
                                              L"keybcs2 - DOS Kamenicky Czech-Slovak",
                                              L"macce - Mac Central European",
                                              L"macroman - Mac West European",
                                              L"cp852 - DOS Central European",
                                              L"latin7 - ISO 8859-13 Baltic",
                                              L"cp1251 - Windows Cyrillic",
                                              L"cp1256 - Windows Arabic",
                                              L"cp1257 - Windows Baltic",
                                              L"binary - Binary pseudo charset",
                                              L"geostd8 - GEOSTD8 Georgian",
                                              L"cp932 - SJIS for Windows Japanese",
                                              L"eucjpms - UJIS for Windows Japanese"};

// Seconds a connection attempt may take.
constexpr unsigned int k_connect_timeout = 10;
// Seconds the server may take to answer one statement (or to take one in): well above what any
// statement of a healthy run needs, a bulk insert or an ALTER TABLE of a large table included.
constexpr unsigned int k_answer_timeout = 300;
// Names the seconds that replace k_answer_timeout (and the connect time-out when shorter).
constexpr const char* k_timeout_variable = "TIDEWELL_MYSQL_TIMEOUT";

// Seconds a reconnected session waits for the destination lock of the session it replaces.
constexpr int k_relock_wait = 10;

// The first server version with the 4-byte UTF-8 set.
constexpr uint32_t k_utf8mb4_version = 0x50503;

const wchar_t* const k_fallback_engines[] = {
    L"MyISAM",  L"MEMORY", L"InnoDB",     L"BerkeleyDB", L"BLACKHOLE",  L"EXAMPLE",
    L"ARCHIVE", L"CSV",    L"ndbcluster", L"FEDERATED",  L"MRG_MYISAM", L"ISAM"};

std::wstring cell_text(const char* cell, unsigned long length) {
    if (!cell) return std::wstring();
    return tk_to_unicode(std::string(cell, length));
}

// Runs a catalogue statement and collects the first column, or the first two joined by " - ".
// A failed statement leaves the list empty.
void read_pick_list(MYSQL* handle, const char* statement, bool two_columns,
                    std::vector<std::wstring>& out) {
    if (mysql_real_query(handle, statement, std::strlen(statement)) != 0) return;
    MYSQL_RES* result = mysql_use_result(handle);
    if (!result) return;
    const unsigned int columns = mysql_num_fields(result);
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
        const unsigned long* lengths = mysql_fetch_lengths(result);
        if (columns < 1) continue;
        std::wstring text = cell_text(row[0], lengths[0]);
        if (two_columns && columns >= 2) text += L" - " + cell_text(row[1], lengths[1]);
        if (two_columns) tk_wlog(1, L"name=%s", text.c_str());
        out.push_back(text);
    }
    mysql_free_result(result);
}

bool is_identifier(const std::wstring& value) {
    if (value.empty()) return false;
    for (wchar_t c : value) {
        const bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                        (c >= L'0' && c <= L'9') || c == L'_';
        if (!ok) return false;
    }
    return true;
}

}  // namespace

void sql_check_identifier(const std::wstring& value, const char* what) {
    if (is_identifier(value)) return;
    throw tk_exception("Invalid " + std::string(what) + " name '" + tk_to_utf8(value) +
                           "': only letters, digits and '_' are allowed.",
                       1);
}

sql_engine::sql_engine() {
    std::memset(&m_mysql, 0, sizeof(m_mysql));
    initialize(&m_mysql);
}

sql_engine::~sql_engine() {
    if (connected) {
        const char* statement = "SET FOREIGN_KEY_CHECKS = 1";
        if (mysql_real_query(&m_mysql, statement, std::strlen(statement)) != 0)
            tk_log(2, "Cannot turn ON foreign key check: %s", mysql_error(&m_mysql));
        connected = false;
    }
    mysql_close(&m_mysql);
}

void sql_engine::initialize(MYSQL* handle) {
    tk_log(2, "sql_engine::initialize");
    mysql_init(handle);
    tk_log(1, "sql_engine::initialize - 1");
    mysql_options(handle, MYSQL_READ_DEFAULT_GROUP, "QX MySQL Lib");
    tk_log(1, "sql_engine::initialize - 2");
    // A server that stops answering must cost a run its connection, never the run itself: every
    // read and write waits a bounded time, and a time-out is a lost connection.
    const unsigned int io_timeout = answer_timeout();
    const unsigned int timeout = std::min(k_connect_timeout, io_timeout);
    mysql_options(handle, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
    mysql_options(handle, MYSQL_OPT_READ_TIMEOUT, &io_timeout);
    mysql_options(handle, MYSQL_OPT_WRITE_TIMEOUT, &io_timeout);
    tk_log(1, "sql_engine::initialize - END");
}

unsigned int sql_engine::answer_timeout() {
    const char* text = std::getenv(k_timeout_variable);
    if (!text || !*text) return k_answer_timeout;
    char* end = nullptr;
    const unsigned long seconds = std::strtoul(text, &end, 10);
    if (*end != '\0' || seconds == 0 || seconds > k_answer_timeout) {
        tk_log(2, "%s='%s' is not a number of seconds from 1 to %u; using %u", k_timeout_variable,
               text, k_answer_timeout, k_answer_timeout);
        return k_answer_timeout;
    }
    return static_cast<unsigned int>(seconds);
}

bool sql_engine::best_effort(MYSQL* handle, const char* statement, const char* log_format) {
    if (mysql_real_query(handle, statement, std::strlen(statement)) == 0) {
        // Statements that tune the session return no rows, but drain anything just in case.
        if (MYSQL_RES* result = mysql_use_result(handle)) mysql_free_result(result);
        return true;
    }
    tk_log(2, log_format, mysql_error(handle));
    return false;
}

void sql_engine::connect(const std::string& host, const std::string& user,
                         const std::string& password, int port) {
    // The password never reaches the trace log.
    tk_log(2, "sql_engine::connect(%s,%s,%s,%d)", host.c_str(), user.c_str(), "********", port);
    if (connected) {
        tk_log(2, "Connection was established already - disconnecting...");
        connected = false;
    }
    // Close whatever the handle holds (an open connection, a failed attempt or nothing) and start
    // from a fresh one with the option group and the time-out in place, so that a reconnect
    // behaves like the first connect.
    mysql_close(&m_mysql);
    std::memset(&m_mysql, 0, sizeof(m_mysql));
    initialize(&m_mysql);

    m_host = host;
    m_user = user;
    m_password = password;
    m_port = port;
    m_locked_database.clear();
    m_max_packet = 0;
    tk_log(3, "Connecting to MySQL server...");
    if (!mysql_real_connect(&m_mysql, host.c_str(), user.c_str(), password.c_str(), nullptr,
                            static_cast<unsigned int>(port), nullptr, 0)) {
        throw sql_exception(&m_mysql);
    }
    connected = true;

    versioned_dump = false;
    // The session's character set and SQL mode depend on what the server has: its version
    // comes first.
    bool known_version = false;
    if (const char* text = mysql_get_server_info(&m_mysql); text && *text) {
        unsigned major = 0, minor = 0, patch = 0;
        if (std::sscanf(text, "%u.%u.%u", &major, &minor, &patch) == 3) {
            version_word = major * 65536u + minor * 256u + patch;
            known_version = true;
        }
    }

    m_known_version = known_version;
    tune_session(&m_mysql, known_version);

    const char* version = mysql_get_server_info(&m_mysql);
    if (!version || !*version) return;
    tk_log(2, "Got MySQL server version: %s", version);
    version_word = parse_version(version);
    tk_log(2, "Hex version: %08X", version_word);

    if (version_word == 0x40100 && !password.empty()) throw sql_auth_not_supported_exception();
    best_effort("SET FOREIGN_KEY_CHECKS = 0", "Cannot turn off foreign key check: %s");
    read_max_packet();
}

bool sql_engine::tune_session(MYSQL* handle, bool known_version) {
    tk_log(2, "Setting UTF-8 collation...");
    bool tuned = true;
    // A utf8mb4 destination needs a utf8mb4 session, or every 4-byte character is lost in transit.
    const std::string names = std::string("SET NAMES ") + session_charset();
    if (mysql_real_query(handle, names.data(), names.size()) != 0) {
        tk_log(3, "Failed to set UTF-8 collation");
        tk_log(2, "Cannot set UTF-8 collation: %s", mysql_error(handle));
        tuned = false;
    }
    if (known_version && version_word >= 0x40101) {
        const std::string mode = std::string("SET SESSION sql_mode='") + run_sql_mode() + "'";
        tuned = best_effort(handle, mode.c_str(), "Cannot set the SQL mode: %s") && tuned;
    }

    tk_log(2, "Setting wait_timeout...");
    const char* timeout =
        "set session wait_timeout=cast(if(@@session.wait_timeout < "
        "28800,28800,@@session.wait_timeout) as unsigned);";
    if (mysql_real_query(handle, timeout, std::strlen(timeout)) != 0) {
        tk_log(3, "Failed to set wait_timeout");
        tk_log(2, "Cannot set wait_timeout: %s", mysql_error(handle));
    }
    return tuned;
}

sql_engine::lane_handle sql_engine::open_lane(const std::wstring& database,
                                              unsigned int connect_seconds) {
    if (!connected) return lane_handle(nullptr, [](MYSQL*) {});
    MYSQL* handle = static_cast<MYSQL*>(std::calloc(1, sizeof(MYSQL)));
    if (!handle) return lane_handle(nullptr, [](MYSQL*) {});
    initialize(handle);
    const unsigned int greeting =
        std::max(1u, std::min({connect_seconds, k_connect_timeout, answer_timeout()}));
    mysql_options(handle, MYSQL_OPT_CONNECT_TIMEOUT, &greeting);
    lane_handle lane(handle, [](MYSQL* opened) {
        mysql_close(opened);
        std::free(opened);
    });
    const std::string db = tk_to_utf8(database);
    if (!mysql_real_connect(lane.get(), m_host.c_str(), m_user.c_str(), m_password.c_str(),
                            db.c_str(), static_cast<unsigned int>(m_port), nullptr, 0)) {
        tk_log(2, "No further session: %s", mysql_error(lane.get()));
        return lane_handle(nullptr, [](MYSQL*) {});
    }
    // A session whose text or values could be stored otherwise than over the connection is none.
    if (!tune_session(lane.get(), m_known_version)) {
        tk_log(2, "No further session: its settings differ from the connection's");
        return lane_handle(nullptr, [](MYSQL*) {});
    }
    // The run's own connection works without foreign-key checks; so must this one, or a row
    // would be refused here that the connection stores.
    if (!best_effort(lane.get(), "SET FOREIGN_KEY_CHECKS = 0", "No further session: %s"))
        return lane_handle(nullptr, [](MYSQL*) {});
    return lane;
}

void sql_engine::read_max_packet() {
    const char* statement = "SELECT @@max_allowed_packet";
    if (mysql_real_query(&m_mysql, statement, std::strlen(statement)) != 0) {
        tk_log(2, "Cannot read max_allowed_packet: %s", mysql_error(&m_mysql));
        return;
    }
    if (MYSQL_RES* result = mysql_store_result(&m_mysql)) {
        if (MYSQL_ROW row = mysql_fetch_row(result); row && row[0])
            m_max_packet = std::strtoul(row[0], nullptr, 10);
        mysql_free_result(result);
    }
    tk_log(2, "max_allowed_packet=%lu", m_max_packet);
}

void sql_engine::reconnect() {
    tk_log(3, "Connecting to the MySQL server again...");
    const std::wstring locked = m_locked_database;
    const std::string host = m_host, user = m_user, password = m_password;
    connect(host, user, password, m_port);
    if (locked.empty()) return;
    // The server may not have noticed yet that the lost session (and its lock) is gone.
    if (!take_lock(locked, k_relock_wait)) refuse_destination(locked);
    m_locked_database = locked;
}

void sql_engine::refuse_destination(const std::wstring& database) {
    throw tk_exception(L"Another conversion is writing into the MySQL database '" + database +
                           L"' now; this one did not start.",
                       0);
}

bool sql_engine::take_lock(const std::wstring& database, int wait_seconds) {
    const std::string statement = tk_to_utf8(L"SELECT GET_LOCK('" + sql_escape_text(database) +
                                             L"', " + std::to_wstring(wait_seconds) + L")");
    if (mysql_real_query(&m_mysql, statement.data(), statement.size()) != 0)
        throw sql_exception(&m_mysql);
    MYSQL_RES* result = mysql_store_result(&m_mysql);
    if (!result) throw sql_exception(&m_mysql);
    MYSQL_ROW row = mysql_fetch_row(result);
    const bool null_answer = !row || !row[0];
    const bool taken = !null_answer && std::strcmp(row[0], "1") == 0;
    mysql_free_result(result);
    if (null_answer) throw sql_exception(&m_mysql);
    return taken;
}

void sql_engine::lock_destination(const std::wstring& database) {
    if (!m_locked_database.empty() && m_locked_database == database) return;
    release_destination();
    tk_wlog(2, L"sql_engine::lock_destination(%s)", database.c_str());
    if (!take_lock(database, 0)) refuse_destination(database);
    m_locked_database = database;
}

void sql_engine::release_destination() {
    if (m_locked_database.empty()) return;
    const std::string statement =
        tk_to_utf8(L"DO RELEASE_LOCK('" + sql_escape_text(m_locked_database) + L"')");
    m_locked_database.clear();
    best_effort(statement.c_str(), "Cannot release the destination lock: %s");
}

uint32_t sql_engine::parse_version(const char* text) {
    int major = 0, minor = 0, patch = 0;
    if (!text || std::sscanf(text, "%d.%d.%d", &major, &minor, &patch) < 3) {
        tk_log(3, "Invalid MySQL version: %s", text ? text : "");
        throw tk_mail_assertion("sql_engi", 290);
    }
    return static_cast<uint32_t>(major) * 65536u + static_cast<uint32_t>(minor) * 256u +
           static_cast<uint32_t>(patch);
}

bool sql_engine::is_old_version() const {
    tk_log(1, "is_old_version(%08X)", version_word);
    return version_word <= 0x400FF;
}

std::wstring sql_engine::quoted_db_name(const std::wstring& name) const {
    return is_old_version() ? mysql_name_for_old_server(name) : quote_mysql_name(name);
}

void sql_engine::create_db(const std::wstring& name) {
    tk_wlog(2, L"sql_engine::create_db (%s)", name.c_str());
    tk_wlog(3, L"Creating MySQL database '%s'", name.c_str());
    std::wstring statement = L"CREATE DATABASE " + quoted_db_name(name);
    if (!m_character_set.empty()) statement += L" character set " + effective_charset();
    const std::string text = tk_to_utf8(statement);
    if (mysql_real_query(&m_mysql, text.data(), text.size()) != 0) throw sql_exception(&m_mysql);
    if (mysql_select_db(&m_mysql, tk_to_utf8(name).c_str()) != 0) throw sql_exception(&m_mysql);
}

std::unique_ptr<udb_database> sql_engine::create_and_open_db(const std::wstring& name) {
    create_db(name);
    return open_db(name, k_open_created);
}

std::unique_ptr<udb_database> sql_engine::open_db(const std::wstring& name, int flags) {
    tk_wlog(2, L"sql_engine::open_db (%s)", name.c_str());
    tk_wlog(3, L"Opening MySQL database '%s'", name.c_str());
    if (mysql_select_db(&m_mysql, tk_to_utf8(name).c_str()) != 0) throw sql_exception(&m_mysql);
    return std::make_unique<sql_database>(name, &m_mysql, flags);
}

void sql_engine::set_properties(udb_properties* properties) {
    tk_log(2, "sql_engine::set_properties");
    m_properties = properties;
    if (!properties) return;
    const auto& map = properties->get_properties();
    const auto engine = map.find(L"engine");
    if (engine != map.end()) {
        set_table_type(engine->second);
        tk_wlog(1, L"Set tab.type='%s'", m_table_type.c_str());
    } else {
        m_table_type = L"InnoDB";
        tk_log(1, "Set InnoDB as default");
    }
    const auto charset = map.find(L"character set");
    if (charset != map.end()) set_character_set(charset->second);
}

const char* sql_engine::session_charset() const {
    std::wstring lower;
    for (wchar_t c : m_character_set) lower.push_back(static_cast<wchar_t>(std::towlower(c)));
    if (lower == L"utf8mb4") return "utf8mb4";
    if (is_plain_utf8() && !versioned_dump && version_word >= k_utf8mb4_version) return "utf8mb4";
    return "UTF8";
}

bool sql_engine::is_plain_utf8() const {
    std::wstring lower;
    for (wchar_t c : m_character_set) lower.push_back(static_cast<wchar_t>(std::towlower(c)));
    return lower == L"utf8" || lower == L"utf8mb3";
}

std::wstring sql_engine::effective_charset() const {
    if (is_plain_utf8() && !versioned_dump && version_word >= k_utf8mb4_version) return L"utf8mb4";
    return m_character_set;
}

bool sql_engine::holds_four_byte_chars() const {
    // Into any other set the server converts the UTF-8 text itself, and the strict SQL mode makes
    // a character that set lacks an error there; only plain utf8 is known to lack them all.
    if (!is_plain_utf8()) return true;
    return versioned_dump || std::strcmp(session_charset(), "utf8mb4") == 0;
}

const char* sql_engine::run_sql_mode() {
    return "NO_AUTO_VALUE_ON_ZERO,STRICT_ALL_TABLES";
}

bool sql_engine::is_db_exist(const std::wstring& name) {
    tk_wlog(2, L"sql_engine::is_db_exist(%s)", name.c_str());
    return mysql_select_db(&m_mysql, tk_to_utf8(name).c_str()) == 0;
}

void sql_engine::db_delete(const std::wstring& name) {
    tk_wlog(2, L"sql_engine::db_delete(%s)", name.c_str());
    tk_wlog(3, L"Deleting MySQL database '%s'", name.c_str());
    best_effort("SET FOREIGN_KEY_CHECKS = 0", "Cannot turn off foreign key check: %s");
    const std::string statement = tk_to_utf8(L"DROP DATABASE " + quoted_db_name(name));
    if (mysql_real_query(&m_mysql, statement.data(), statement.size()) != 0)
        throw sql_exception(&m_mysql);
    best_effort("SET FOREIGN_KEY_CHECKS = 1", "Cannot turn on foreign key check: %s");
}

void sql_engine::set_character_set(const std::wstring& name) {
    if (!name.empty()) sql_check_identifier(name, "character set");
    m_character_set = name;
    // The session follows the chosen set, also when it is chosen after connecting.
    if (connected) {
        const std::string names = std::string("SET NAMES ") + session_charset();
        best_effort(names.c_str(), "Cannot set UTF-8 collation: %s");
    }
}

void sql_engine::set_table_type(const std::wstring& name) {
    sql_check_identifier(name, "storage engine");
    m_table_type = name;
}

std::unique_ptr<dmp_database> sql_engine::create_dump(const std::wstring& file_name,
                                                      const dump_options& options) {
    tk_wlog(2, L"sql_engine::create_dump (%s)", file_name.c_str());
    tk_wlog(3, L"Creating MySQL dump file '%s'", file_name.c_str());
    return std::make_unique<dmp_database>(file_name, options);
}

std::vector<std::wstring> sql_engine::get_charsets() {
    tk_log(2, "sql_engine::get_charsets");
    std::vector<std::wstring>& list = charset_list();
    if (list.empty()) {
        if (connected) {
            tk_log(1, "MySQL is connected");
            read_pick_list(&m_mysql, "SHOW CHARACTER SET", true, list);
        } else {
            tk_log(1, "MySQL is NOT connected");
            list.assign(std::begin(k_fallback_charsets), std::end(k_fallback_charsets));
        }
    }
    return list;
}

std::vector<std::wstring> sql_engine::get_storage_engines() {
    tk_log(2, "sql_engine::get_storage_engines");
    std::vector<std::wstring>& list = engine_list();
    if (list.empty()) {
        if (connected) {
            read_pick_list(&m_mysql, "SHOW ENGINES", false, list);
        } else {
            list.assign(std::begin(k_fallback_engines), std::end(k_fallback_engines));
        }
    }
    return list;
}

void sql_engine::clear_pick_lists() {
    charset_list().clear();
    engine_list().clear();
}

std::unique_ptr<udb_validator> sql_engine::create_tn_validator(
    const std::vector<std::wstring>& selected, const std::vector<std::wstring>& existing) {
    tk_log(1, "sql_engine::create_tn_validator");
    if (is_old_version()) return std::make_unique<sql_old_tn_validator>(selected, existing);
    return std::make_unique<sql_new_tn_validator>(selected, existing);
}

std::unique_ptr<udb_validator> sql_engine::create_fn_validator(const udb_schema& schema) {
    tk_log(1, "sql_engine::create_fn_validator( const udb_schema& )");
    if (is_old_version()) return std::make_unique<sql_old_fn_validator>(schema);
    return std::make_unique<sql_new_fn_validator>(schema);
}

std::unique_ptr<udb_validator> sql_engine::create_fn_validator(const udb_record& record) {
    tk_log(1, "sql_engine::create_fn_validator( const udb_record& )");
    if (is_old_version()) return std::make_unique<sql_old_fn_validator>(record);
    return std::make_unique<sql_new_fn_validator>(record);
}

std::unique_ptr<udb_validator> sql_engine::create_in_validator(const udb_indexes& indexes) {
    tk_log(1, "sql_engine::create_in_validator");
    if (is_old_version()) return std::make_unique<sql_old_in_validator>(indexes);
    return std::make_unique<sql_new_in_validator>(indexes);
}

std::unique_ptr<udb_validator> sql_engine::create_dn_validator() {
    tk_log(1, "sql_engine::create_dn_validator");
    if (is_old_version()) return std::make_unique<sql_old_dn_validator>();
    return std::make_unique<sql_new_validator>(true);
}
