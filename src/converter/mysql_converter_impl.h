// mysql_converter_impl: the converter's half that faces MySQL.  It owns the process's MySQL
// engine and the dump options, keeps the connection settings the user typed, connects, checks and
// drops destination databases, and holds the queue of column revisions that the date statistics
// produce and that run against the destination after each table.
// Thread-safety: none; the window thread before a run, the run's thread during it.
#pragma once

#include <string>
#include <vector>

#include "SQL/dump_options.h"
#include "SQL/sql_engine.h"

class dates_map;
class udb_database;
class udb_schema;
class udb_profile;

class mysql_converter_impl {
public:
    mysql_converter_impl();
    virtual ~mysql_converter_impl();

    // Keeps the four settings trimmed of blanks; an empty port becomes "3306".
    void store_mysql_settings(const std::string& host, const std::string& user,
                              const std::string& password, const std::string& port);
    // Connects with the kept settings.  A port that does not read as a number other than 0 raises
    // tk_exception "Invalid port number" (level 1); the engine's failures pass on.
    void connect_mysql_server();
    // Returns when the server would accept the database name; raises tk_exception (level 1) with
    // the text for the server's generation otherwise.
    void check_mysql_db_name(const std::wstring& name);
    // Refuses, before anything is created, a database name the server cannot take as it is
    // (empty, over 64 characters, or with a character a database name may not hold):
    // tk_exception (level 0) naming it.
    void check_server_db_name(const std::wstring& name);
    // Drops the database; raises what the engine raises.
    void del_mysql_base(const std::wstring& name);

    // Writes the connection settings and the dump options to "MySQL settings"; true.
    bool store_profile(udb_profile& profile) const;
    // Takes the profile's host and password (also empty ones), its user and port when not empty
    // and each dump option it holds; true.
    bool load_profile(udb_profile& profile);

    // Queues an ALTER TABLE for every date column whose values call for another type than the
    // one it was created with.  Building failures are logged and skipped.
    void date_post_process(const udb_schema& fields, const dates_map& dates);
    // Runs the queued statements on the destination, in order, and empties the queue; a failing
    // statement is logged and the next one follows.
    void mysql_refine_types(udb_database& destination);
    // The columns of `fields` (a source definition as the mapping names it) that the existing
    // destination table `existing` has none for, in source order.  A table that is written into
    // takes the columns it has by name and drops the others.
    static std::vector<std::wstring> columns_missing_from(const udb_schema& fields,
                                                          const udb_schema& existing);
    // Reports each column of `fields` that the existing table `target` lacks as an error of the
    // source table `table` (level 0), through the error handler.
    static void report_missing_columns(const std::wstring& table, const std::wstring& target,
                                       const udb_schema& fields, const udb_schema& existing);

    sql_engine mysql_engine;
    dump_options dump;
    std::vector<std::wstring> refine_queue;
    std::string mysql_host;
    std::string mysql_user;
    std::string mysql_password;
    std::string mysql_port = "3306";
};

// What stands in the trace log in place of a password.
inline constexpr const char k_password_mask[] = "********";
