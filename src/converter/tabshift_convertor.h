// tabshift_convertor: the converter, the one home of every setting of a conversion.  It owns the
// Oracle half (source connection), the MySQL half (engine, dump options, connection settings),
// the user's type mapping, and the settings key of the product; it carries the conversion run
// (operator(), in tabshift_convertor_run.cpp).  Pages, dialogs, the agent's command line and the
// profile code read and write its members directly.
//
// One instance per process (tk_singleton).  The settings are loaded from the per-user store at
// construction and stored back at destruction.  The run executes on one thread (the wizard's
// worker or the agent's main thread) while other threads only read the progress block.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TK/tk_serializer.h"
#include "TK/tk_singleton.h"
#include "UDB/udb_database.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_schema.h"
#include "converter/mysql_converter_impl.h"
#include "converter/oracle_converter_impl.h"
#include "converter/udb_converter.h"
#include "converter/udb_db_mutator.h"

// The wizard keeps every setting in the per-user store; the console agent reads only the MySQL
// format settings from there and writes nothing back.
enum class converter_form { wizard, agent };

class tabshift_convertor : public udb_converter,
                           public oracle_converter_impl,
                           public mysql_converter_impl,
                           public sql_db_mutator,
                           public tk_singleton<tabshift_convertor>,
                           public tk_serializer {
public:
    // Builds both halves and loads the settings (a failed load keeps the constructor values).
    // The agent form loads its eight settings only, then starts as a server run with
    // case-sensitivity off and the catalogue of every schema.
    explicit tabshift_convertor(converter_form form = converter_form::wizard);
    // Stores the settings (the wizard form; failures ignored) and releases everything.
    ~tabshift_convertor() override;

    // The conversion run: every job from the source into the destination.  Returns normally in
    // every case once it started; without a front end it raises the internal error.
    void operator()() override;
    // True when the query runs on the source (opening it first when needed); false on any error.
    bool test_query(const std::wstring& query_text) override;

    // Loads (store false) or stores the 26 settings; false when the key cannot be opened or any
    // value could not be exchanged (that value keeps its default).
    bool serialize(bool store);
    // The agent's load: the character set, the table type and the six dump settings.
    bool serialize_agent();

    // Saves every setting, the selections, the queries, the views and the type mapping as a
    // profile file (private to the user, replaced whole or not at all); false when the file cannot
    // be written or a name or value could not be read back from it (then nothing is written).
    bool store_profile_file(const std::wstring& path) const;
    // Loads a profile file into the converter; false when the file is malformed or its type
    // mapping has a line out of place.  A missing file raises tk_exception (level 1), and so do
    // a bad mode, log file, character set or storage engine.
    bool load_profile_file(const std::wstring& path);
    // Fills a profile with the settings (not the type mapping); the converter is left as it is.
    bool store_profile(udb_profile& profile) const;
    // Applies a profile: lists are appended to, settings replaced, the type mapping replaced
    // whole; false at the first part that fails (the later ones are then not read).
    bool load_profile(udb_profile& profile);

    // The destination of a run: the server database opened or created, or a new dump file with
    // its head written.  The caller owns it; the MySQL side's errors pass on.
    std::unique_ptr<udb_database> get_dest_base();
    // Prepares the destination before a run that bypasses the wizard's destination page: a dump
    // path is checked and an existing file deleted; a server database is dropped in mode 0.
    void check_dest(const std::wstring& name);

    // The columns of a source table; an unknown table is an internal error ("kvt_conv", 67).
    udb_schema get_schema(const std::wstring& table);
    // The source's tables; without a source an internal error ("kvt_conv", 112).
    udb_database::name_list get_all_tables();
    // The source's views as (name, text) pairs; none without a source.
    udb_database::view_list get_all_views();
    // True for a dump, or for a server above version 5.0.0.
    bool can_create_views();

    // The destination is a live server (false: a dump file).
    bool mysql_direct = true;
    // Text columns are created with the BINARY attribute.
    bool case_sensitive = false;
    // The user chose the storage engine (the wizard's list, a profile, the command line): the
    // run creates its tables in it; otherwise InnoDB, or MyISAM when indexes are skipped.
    bool engine_chosen = false;

    converter_form form() const noexcept { return m_form; }
    // True when the last run stopped because its server database could not be opened, created
    // or locked.
    bool destination_refused() const noexcept { return m_destination_refused; }

private:
    struct run_state;
    bool exchange_format_settings(bool store);
    void run_jobs(run_state& state);
    // One job; false when it was skipped (a table the source lacks, one without fields, one that
    // exists in mode 2).
    bool run_job(run_state& state, const std::wstring& name, const std::wstring& query);
    void copy_rows(run_state& state);
    void release_job(run_state& state) noexcept;
    void release_run(run_state& state) noexcept;
    void report(const std::wstring& line);
    // Reports every notice the destination gathered since the last call.
    void report_notices(udb_database& destination);
    // Hands one record's error to the error handler (a duplicate key is expected when merging).
    // `number` 0: the error names its own table and record.
    void report_record_error(const std::wstring& table, int number, const tk_exception& e);
    // Sends the rows the destination still holds; rows it refused are record errors.
    void flush_rows(udb_recordset& target, const std::wstring& table);
    // True for an error that no later record of the table can escape (the connection is gone,
    // the server refuses the table).
    static bool ends_the_table(const tk_exception& e);
    // Creates the selected views after the tables (tabshift_convertor_views.cpp); a view that
    // fails is reported under its name and the next one follows.  Answers how many were created.
    int create_selected_views(udb_database& destination, const text_pairs& tables_written);
    // The destination name of a table or view a view's text names (Oracle's spelling), or
    // empty; of a column the run renamed, or empty.
    std::wstring view_table_name(udb_database& destination, const text_pairs& tables_written,
                                 const std::wstring& name) const;
    std::wstring view_column_name(udb_database& destination, const text_pairs& tables_written,
                                  const std::wstring& name) const;

    converter_form m_form;
    bool m_destination_refused = false;
    // Record errors the last run reported.
    int m_record_errors = 0;
};

// The product's settings key under the current user's root.
inline constexpr const char k_settings_key[] = "Software\\Corvalin\\Tidewell";

// The program's caption: "Tidewell 6.3".
std::wstring get_caption();
// Checks a dump file name: not a folder, not a read-only file, in an existing folder; each
// failure raises tk_exception (level 1) with its text.
void common_check_dest(const std::wstring& name);

// Names compared as the user's locale compares them ignoring case: -1, 0 or 1.
int name_compare_nocase(const std::wstring& a, const std::wstring& b);
// The same over the length of `prefix` only.
int name_compare_prefix(const std::wstring& text, const std::wstring& prefix);
