// udb_converter: the settings every conversion run reads (the overwrite mode, what to convert,
// the flags) and the progress block that the run writes and a front end displays.
//
// The counters and the current table's name are written by the run's thread while the window
// thread reads them for display: the counters are atomic, and the name is published as a copy
// under a small lock.  Everything else is set before a run starts and only read during it.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "TK/tk_converter.h"
#include "converter/overwrite_mode.h"

class udb_profile;

class udb_converter : public tk_converter {
public:
    using name_list = std::vector<std::wstring>;
    // (name, text) pairs: a query stored as a table, or a view.
    using text_pairs = std::vector<std::pair<std::wstring, std::wstring>>;

    udb_converter();
    ~udb_converter() override;

    // True when the query text runs on the source; false on any error.
    virtual bool test_query(const std::wstring& query_text) = 0;

    // Writes the available queries, the selected tables (queries are written by the converter),
    // the selected views and the generic settings; the converter is left as it is.  Always true.
    bool store_profile(udb_profile& profile) const;
    // Appends the profile's queries, tables and views to the lists and takes its generic settings.
    // A mode that is one character but not a digit from 0 to 4 raises tk_exception (level 1); a
    // bad log file raises what set_logfile raises.  Settings read before either stay.
    bool load_profile(udb_profile& profile);

    // The name of the job in progress (a copy: safe from any thread).
    std::wstring get_cur_table() const;
    void set_cur_table(const std::wstring& name);

    // An overwrite_mode, kept as the number that profiles store.
    int mode = k_mode_overwrite_database;
    // The user chose the mode (a command-line option, a profile that names it, the wizard's
    // dialog): only a chosen mode 0 may drop an existing destination database.
    bool mode_chosen = false;
    std::atomic<int> table_records{0};
    // Written by the run's thread alone, once a record, and read by the progress display: a
    // plain store is enough, where a locked increment would wait on every write of the record
    // before it.
    std::atomic<int> cur_record{0};
    std::atomic<int> tables_total{0};
    std::atomic<int> tables_done{0};
    name_list selected_tables;
    // The queries chosen for conversion, each under the table name it is stored as.
    text_pairs table_jobs;
    text_pairs selected_views;
    // Every query the user defined, chosen or not.
    text_pairs available_queries;
    bool tab_def = false;
    bool skip_idx = false;
    bool convert_views = false;

private:
    mutable std::mutex m_cur_table_lock;
    std::wstring m_cur_table;
};
