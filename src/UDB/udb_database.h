// udb_database: one open database, source or destination, as the conversion run sees it.
//
// The base holds what every implementation shares (name, open mode, case rule, views, the table
// names it knows of, the names map of what was written, the foreign keys) and gives the optional
// operations their default behaviour; implementations override what they support.  Recordsets
// returned by create_table, get_table, get_query and query are owned by the caller and keep a
// pointer to this database, which must outlive them.  Table names are compared by the table-name
// rule: exactly when case_sensitive is not 0, else ignoring case (udb_equal_nocase).
// Thread-safety: a database and its recordsets are used by one thread at a time.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "UDB/udb_indexes.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_relationships.h"
#include "UDB/udb_schema.h"

class udb_recordset;

// The open flags of a database (its mode), as engines' open_db take them.
// Creating or emptying a table in it is an internal error.
inline constexpr int k_open_read_only = 0x01;
// Opened just after the engine created it.
inline constexpr int k_open_created = 0x02;
// A destination dropped and created afresh for the run: no table of it predates the run.
inline constexpr int k_open_fresh = 0x04;
// A destination whose tables may exist already: rows are added to them.
inline constexpr int k_open_append = 0x08;
// Opened as a conversion's destination.
inline constexpr int k_open_destination = 0x20;
// The views are not read at construction.
inline constexpr int k_open_skip_views = 0x80;
// Rows replace the rows of equal keys.
inline constexpr int k_open_replace_rows = 0x100;

class udb_database {
public:
    using view_list = std::vector<std::pair<std::wstring, std::wstring>>;
    using name_list = std::vector<std::wstring>;

    udb_database(const std::wstring& name, int mode, int case_sensitive);
    udb_database(const udb_database&) = delete;
    udb_database& operator=(const udb_database&) = delete;
    virtual ~udb_database();

    // Creates every table of a schema; the base does nothing.
    virtual void create_schema(const udb_schema& schema);
    // Creates the table with its columns and indexes and returns it opened for appending (the
    // caller owns it); raises the implementation's exception on failure.
    virtual std::unique_ptr<udb_recordset> create_table(const std::wstring& table,
                                                        const udb_schema& fields,
                                                        const udb_indexes& indexes) = 0;
    // Creates one index on a table; the base does nothing.
    virtual void create_index(const std::wstring& table, int flags, const udb_index& index);
    // Calls create_index for every index in list order; raises what create_index raises.
    virtual void create_indexes(const std::wstring& table, int flags, const udb_indexes& indexes);
    // Creates views from (name, text) pairs; the base does nothing.
    virtual void create_views(const view_list& views);
    // Drops a foreign key; the base does nothing.
    virtual void delete_fk(const std::wstring& name);
    // Drops an index of a table; the base does nothing.
    virtual void delete_idx(const std::wstring& table, const udb_index& index);
    // Forgets the table: removes it from the table-name list; false when it is not listed.
    virtual bool delete_tab(const std::wstring& table);
    // Deletes every row through query("delete from " + table); the caller quotes the name as the
    // dialect needs.  Raises what query raises.
    virtual void empty_table(const std::wstring& table);
    // Opens a query result stored under `name` (the caller owns it); raises on failure.
    virtual std::unique_ptr<udb_recordset> get_query(const std::wstring& name,
                                                     const std::wstring& query_text, int mode) = 0;
    // Empties the given list; never raises.
    virtual void clear_list(name_list& list);
    // Opens a table by name (the caller owns it); raises on failure.
    virtual std::unique_ptr<udb_recordset> get_table(const std::wstring& table, int mode) = 0;
    // Runs a statement and returns its result, or null when it has none.  Every implementation
    // provides its own: the base raises tk_mail_assertion("udb_db", 97).
    virtual std::unique_ptr<udb_recordset> query(const std::wstring& statement);
    // True when the query text can be run; reports failure only by its result.
    virtual bool test_query(const std::wstring& query_text) = 0;
    // Creates foreign keys; the base does nothing.
    virtual void create_relationships(const udb_relationships& relationships);
    // The table names the database holds as far as this object knows.
    virtual name_list& get_tables();
    // True when the table-name list holds the name (table-name rule); never raises.
    virtual bool is_table_exist(const std::wstring& table);

    const std::wstring& get_name() const noexcept { return m_name; }
    int get_mode() const noexcept { return m_mode; }
    int get_case_sensitive() const noexcept { return m_case_sensitive; }
    void set_case_sensitive(int case_sensitive) noexcept { m_case_sensitive = case_sensitive; }
    view_list& get_views() noexcept { return m_views; }
    udb_names_map& get_names_map() noexcept { return m_names_map; }
    udb_relationships& get_relationships() noexcept { return m_relationships; }

    // Something the database did that the user did not ask for but must know of (a definition
    // made to fit the server, values rounded to what a column keeps): one line, shown once by the
    // run on the console and in the log.  Recordsets add theirs through their owner.
    void add_notice(std::wstring line);
    // The notices added since the last call, in the order they were added.
    std::vector<std::wstring> take_notices();
    // Something of the source that the destination could not keep (a key of a table): one line,
    // which the run reports as an error of the table's conversion.
    void add_table_error(std::wstring line);
    // The table errors added since the last call, in the order they were added.
    std::vector<std::wstring> take_table_errors();

protected:
    // The table-name rule of this database.
    bool same_table_name(const std::wstring& a, const std::wstring& b) const;

    int m_mode;
    std::wstring m_name;
    int m_case_sensitive;
    view_list m_views;
    name_list m_tables;
    udb_names_map m_names_map;
    udb_relationships m_relationships;
    std::vector<std::wstring> m_notices;
    std::vector<std::wstring> m_table_errors;
};
