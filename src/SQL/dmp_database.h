// dmp_database: the dump-file destination.  Every operation of the database interface appends SQL
// text to one file, a script a MySQL client replays later: optional header comments, SET NAMES,
// optionally the database statements, then per table DROP TABLE, CREATE TABLE, LOCK TABLES and
// the INSERT statements its dmp_recordset writes, with UNLOCK TABLES between tables.  Creating it
// fixes the MySQL engine's version word to the generation the options choose, so every SQL
// generator writes for that server.
//
// The text goes to a temporary file (dmp_file) that close() renames over the destination after
// writing the line that marks the dump complete; a run that ends early calls abandon(), which
// leaves the previous file untouched.  A dump whose write failed is never put in place.
//
// Failure: a file that cannot be created, or a write that fails (disk full), raises tk_exception
// at level 1 naming the path; nothing is ever reported as written that was not.
// Needs the registered sql_engine for its whole life.  Thread-safety: none; one thread at a time,
// the run's, or the renderer of a table's rows while the table holds it (dmp_recordset).
#pragma once

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "SQL/dmp_file.h"
#include "SQL/dump_options.h"
#include "UDB/udb_database.h"

class sql_create_statement;

class dmp_database : public udb_database {
public:
    using created_map = std::map<std::wstring, std::pair<std::wstring, udb_indexes>>;

    // Creates the temporary file and writes its head; raises tk_exception (level 1) when the
    // file cannot be created or written, or another run is writing the same destination.
    dmp_database(const std::wstring& file_name, const dump_options& options);
    // Closes the file as close() does; failures are only logged.
    ~dmp_database() override;

    // Writes the table's structure and data heads and returns the recordset that writes its rows.
    // A table created twice raises tk_mail_assertion("sql_dump", 416).
    std::unique_ptr<udb_recordset> create_table(const std::wstring& table, const udb_schema& fields,
                                                const udb_indexes& indexes) override;
    void create_index(const std::wstring& table, int flags, const udb_index& index) override;
    void delete_fk(const std::wstring& name) override;
    void delete_idx(const std::wstring& table, const udb_index& index) override;
    // Writes CREATE OR REPLACE VIEW for every (name, text) pair whose text is a SELECT; a name the
    // server would refuse is repaired and recorded in the names map.
    void create_views(const view_list& views) override;
    // Writes DROP TABLE IF EXISTS; true when the table was created in this file.
    bool delete_tab(const std::wstring& table) override;
    // A dump has no results to read: none.
    std::unique_ptr<udb_recordset> get_query(const std::wstring& name,
                                             const std::wstring& query_text, int mode) override;
    // Internal error: a dump cannot be read ("sql_dump", 148).
    std::unique_ptr<udb_recordset> get_table(const std::wstring& table, int mode) override;
    // Writes the statement (after UNLOCK TABLES when a lock is pending); gives none.
    std::unique_ptr<udb_recordset> query(const std::wstring& statement) override;
    // False: nothing can be tested against a file.
    bool test_query(const std::wstring& query_text) override;
    // Writes an ADD INDEX for each child whose written indexes do not start with the foreign
    // key's columns, then the ADD CONSTRAINT; nothing for an old server.  Raises what writing
    // raises.
    void create_relationships(const udb_relationships& relationships) override;

    // A view's text in MySQL form: blanks collapsed outside quotes, repaired names substituted,
    // brackets turned into backticks, a few functions renamed; ends with ";".
    std::wstring refine_view_in(const std::wstring& text) const;

    // Writes the last UNLOCK TABLES and the completion line, then puts the file in place of the
    // destination; raises tk_exception (level 1) when that fails (the destination is then left
    // as it was).  Later writes raise as well.
    void close();
    // Removes the temporary file of a dump the run did not finish; the destination keeps what it
    // had.  Later writes raise.
    void abandon() noexcept;

    // Appends UTF-8 text to the file; raises tk_exception (level 1) with the path when this or
    // an earlier write failed.
    void write(std::string_view text);
    // Waits until everything appended is in the file; raises as write does.
    void flush();
    // A name as written in statements: backticks for new servers, bare (when plain) for old ones.
    std::wstring table_name_text(const std::wstring& name) const;

    const dump_options& options() const noexcept { return m_options; }
    const created_map& created_tables() const noexcept { return m_created; }
    const std::string& path() const noexcept { return m_path; }

private:
    void write_comment_block(const std::wstring& title, const std::wstring& table);
    void unlock_if_pending();
    // Writes the statement that gives the table's text keys a collation without padding on the
    // servers that have one; `converted`: the table was turned into utf8mb4 first.
    void write_unpadded_keys(const std::wstring& table, const sql_create_statement& create,
                             bool converted);
    // Raises tk_exception (level 1) naming the path and the system's reason for `error`.
    [[noreturn]] void fail(const char* what, int error);
    // Abandons the file after a failed write and raises for `error`.
    [[noreturn]] void break_file(int error);

    std::string m_path;
    std::unique_ptr<dmp_file> m_output;
    bool m_open = false;
    int m_write_error = 0;
    dump_options m_options;
    created_map m_created;
};
