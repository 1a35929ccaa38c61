// sql_engine: the one MySQL engine of the process.  It owns the run's client connection (and
// opens further sessions like it, see open_lane), the server's version word that every SQL
// generator consults, the character set and table type for new databases and tables, and the
// flags that switch the writers' behaviour.  It creates, opens, tests and drops databases,
// creates the dump-file destination, lists the server's character sets and storage engines, and
// builds the MySQL name validators for the server generation.
//
// Registered as a one-instance object; every other MySQL-side object reaches it there.  Server
// errors become sql_exception.  Not thread-safe: it belongs to the thread that runs the conversion
// (the wizard's pages use it only while no conversion runs).
#pragma once

#include <mysql.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_singleton.h"
#include "UDB/udb_engine.h"
#include "SQL/sql_table_fit.h"
#include "UDB/udb_properties.h"

class udb_database;
class udb_validator;
class udb_schema;
class udb_record;
class udb_indexes;
class dmp_database;
struct dump_options;

class sql_engine : public udb_engine, public tk_singleton<sql_engine> {
public:
    // Sets the defaults, registers the one instance and initialises the client handle.
    sql_engine();
    // Turns the server's foreign-key checks back on when connected, then closes the connection.
    ~sql_engine() override;

    // Connects (closing an open connection first), tunes the session and reads the version word.
    // Failure to connect raises sql_exception; an unreadable version text raises
    // tk_mail_assertion; a 4.1.0 server with a password raises sql_auth_not_supported_exception.
    void connect(const std::string& host, const std::string& user, const std::string& password,
                 int port);

    // Connects again with the parameters of the last connect and takes the destination lock
    // again when one was held.  Raises as connect does, and tk_exception (level 0) when another
    // run took the lock meanwhile.
    void reconnect();

    // Takes the server-wide lock named after the destination database for this connection (a
    // second run into the same database at the same time would duplicate rows): nothing when it
    // is held already, tk_exception (level 0) naming the database when another session holds
    // it, sql_exception when the server cannot say.  Held until release_destination or the end
    // of the connection.
    void lock_destination(const std::wstring& database);
    void release_destination();
    // The database whose lock this connection holds (empty when none).
    const std::wstring& locked_database() const noexcept { return m_locked_database; }

    // The server's max_allowed_packet as read after connecting (0 when not known): no statement
    // may be longer.
    unsigned long max_packet() const noexcept { return m_max_packet; }

    // Creates the database with the engine's character set and makes it the connection's current
    // database; raises sql_exception.
    void create_db(const std::wstring& name) override;
    // create_db, then open_db(name, 2): the new database's object, owned by the caller.
    std::unique_ptr<udb_database> create_and_open_db(const std::wstring& name);
    // Selects the database and returns a new database object the caller owns; raises sql_exception.
    std::unique_ptr<udb_database> open_db(const std::wstring& name, int flags) override;
    // Drops the database; raises sql_exception when DROP DATABASE fails.
    void db_delete(const std::wstring& name) override;
    // True when the database can be selected (it then is the connection's current database).
    bool is_db_exist(const std::wstring& name) override;
    // Keeps the property set and takes its "engine" and "character set" values; a value that is not
    // a plain identifier raises tk_exception at level 1.
    void set_properties(udb_properties* properties) override;

    // Creates the dump destination (writes the file's head); the caller owns it.  A file that
    // cannot be created raises tk_exception at level 1.
    std::unique_ptr<dmp_database> create_dump(const std::wstring& file_name,
                                              const dump_options& options);

    // Pick lists for the wizard, built once per process (fixed lists when not connected).
    std::vector<std::wstring> get_charsets();
    std::vector<std::wstring> get_storage_engines();
    // Forgets the kept pick lists so that the next call builds them again.
    static void clear_pick_lists();

    // Validators for the server generation of the version word; the caller owns them.
    std::unique_ptr<udb_validator> create_tn_validator(const std::vector<std::wstring>& selected,
                                                       const std::vector<std::wstring>& existing);
    std::unique_ptr<udb_validator> create_fn_validator(const udb_schema& schema);
    std::unique_ptr<udb_validator> create_fn_validator(const udb_record& record);
    std::unique_ptr<udb_validator> create_in_validator(const udb_indexes& indexes);
    std::unique_ptr<udb_validator> create_dn_validator();

    // The version word of a server's version text ("5.7.30-log" gives 0x5071E); a text without
    // three numbers raises tk_mail_assertion("sql_engi", 290).
    static uint32_t parse_version(const char* text);

    // Seconds a statement may wait for the server: 300, or TIDEWELL_MYSQL_TIMEOUT when that holds
    // a number from 1 to 300.
    static unsigned int answer_timeout();

    // True for servers before 4.1.0 (logs the version word).
    bool is_old_version() const;

    // Character set for new databases and text columns; "utf8" at construction.  Empty means the
    // server's default (no character set clause is written).  A name that is not a plain
    // identifier ([A-Za-z0-9_]) raises tk_exception at level 1 and changes nothing.
    const std::wstring& character_set() const noexcept { return m_character_set; }
    void set_character_set(const std::wstring& name);
    // Storage engine for new tables; "MyISAM" at construction.  Same rule as the character set.
    const std::wstring& table_type() const noexcept { return m_table_type; }
    void set_table_type(const std::wstring& name);
    // The property set last given to set_properties, or null.
    udb_properties* properties() const noexcept { return m_properties; }
    // The name of the character set the live session must use: utf8mb4 when that is the chosen
    // set, or when the chosen set is utf8 and the server has utf8mb4 (5.5.3); else UTF8.
    const char* session_charset() const;
    // The set new databases and tables get: the chosen one, but utf8mb4 in place of utf8 on a
    // server that has it, so that the default writes 4-byte characters intact.
    std::wstring effective_charset() const;
    // True when the chosen set is utf8 (the 3-byte set where utf8mb4 is the full one).
    bool is_plain_utf8() const;
    // True when a text with a character outside the Basic Multilingual Plane reaches the
    // destination whole: a utf8mb4 session, or a dump whose versioned statements switch to
    // utf8mb4 on servers that have it.  Otherwise such a value is a record error.
    bool holds_four_byte_chars() const;

    // What a new table of the given type can hold on the destination: the live server as it
    // reports itself, else the server generation of the version word (a dump's own limits).
    sql_table_limits table_limits(const std::wstring& table_type);
    // The collation under which a text key of the given set compares as Oracle compares: binary
    // and, where the destination has one, without padding trailing blanks.  Empty when the
    // destination names no collations (servers before 4.1).
    std::wstring key_collation(const std::wstring& charset);

    // The SQL mode every session of a run works in: none of ANSI_QUOTES and NO_BACKSLASH_ESCAPES
    // (under which a quoted value would read differently), strict, so that a value the server
    // cannot hold whole is an error and never a silent cut.
    static const char* run_sql_mode();

    // The client handle of the connection (borrowed by the live database objects).
    MYSQL* handle() noexcept { return &m_mysql; }

    // A connection closed when its holder goes.
    using lane_handle = std::unique_ptr<MYSQL, void (*)(MYSQL*)>;
    // A further session beside the connection, tuned as it is (character set, SQL mode, time-outs,
    // foreign-key checks) with `database` selected, for rows sent while the connection's own
    // statement runs; null when it cannot be opened (the reason is logged).  Holds no lock.
    // Waits for the server's greeting no longer than `connect_seconds` (at least one).
    lane_handle open_lane(const std::wstring& database, unsigned int connect_seconds);

    // Flags read and written across the MySQL side and by the conversion run.
    bool lock_pending = false;
    bool connected = false;
    bool fast_append_mode = true;
    bool blob_as_text = false;
    bool case_sensitive = false;
    uint32_t version_word = 0;
    // Set by a dump for servers 4.1 and later: what newer servers add (utf8mb4, fractions of a
    // second) is written inside versioned comments that only those servers run.
    bool versioned_dump = false;

private:
    // Gives a fresh handle the option group and the time-outs.
    static void initialize(MYSQL* handle);
    // The session settings every connection of a run works under; false when one did not take.
    bool tune_session(MYSQL* handle, bool known_version);
    // Sends a statement whose failure is only logged with the given format (one %s for the text).
    static bool best_effort(MYSQL* handle, const char* statement, const char* log_format);
    bool best_effort(const char* statement, const char* log_format) {
        return best_effort(&m_mysql, statement, log_format);
    }
    void read_max_packet();
    std::wstring quoted_db_name(const std::wstring& name) const;
    // The first cell of a statement's first row; false when the statement fails or gives none.
    bool first_cell(const std::string& statement, std::string& cell);

    // Takes the lock named after `database`, waiting at most the seconds given; false when
    // another session holds it.
    bool take_lock(const std::wstring& database, int wait_seconds);
    [[noreturn]] static void refuse_destination(const std::wstring& database);

    std::string m_host, m_user, m_password;
    int m_port = 0;
    std::wstring m_locked_database;
    unsigned long m_max_packet = 0;
    // Whether the server's version text was read on connecting (the SQL mode is set only then).
    bool m_known_version = false;
    std::wstring m_character_set = L"utf8";
    std::wstring m_table_type = L"MyISAM";
    MYSQL m_mysql;
};

// Accepts a character-set or storage-engine name only when it is a plain identifier; anything
// else (the empty name included) raises tk_exception at level 1 naming what was refused
// ("character set" or "storage engine").
void sql_check_identifier(const std::wstring& value, const char* what);
