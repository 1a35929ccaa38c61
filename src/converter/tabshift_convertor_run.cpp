// The conversion run: every job (the chosen queries, then the chosen tables) read from the Oracle
// source, mapped, and written into the destination, one record in flight at a time; then the
// chosen views (tabshift_convertor_views.cpp).
//
// Three guards nest: a record's error costs that record only, a table's error that table only,
// and anything else ends the run; each reaches the front end's error handler, which may stop the
// run by raising tk_final_exception.  Whatever happens, the destination is released (a dump file
// is flushed and closed) and the run scope sets the finish flag last.
#include <chrono>
#include <memory>

#include "ORA/ora_date_processor.h"
#include "ORA/ora_query_results.h"
#include "SQL/dmp_database.h"
#include "SQL/sql_database.h"
#include "SQL/sql_errors.h"
#include "SQL/sql_exception.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_validator.h"
#include "converter/dates_map.h"
#include "converter/error_handler.h"
#include "converter/init_conversion.h"
#include "converter/run_front_end.h"
#include "converter/tabshift_convertor.h"

namespace {

// The server closed the connection: the table cannot go on, so its guard handles it.
constexpr int k_connection_lost = mysql_error_code(k_mysql_server_gone);
// A duplicate key, which merging expects.
constexpr int k_duplicate_key = mysql_error_code(k_mysql_duplicate_entry);

// What a run did, told once at its end.
struct run_tally {
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    int converted = 0;
    int failed = 0;
    int skipped = 0;
    long long rows = 0;
    int views = 0;
};

std::wstring summary_line(const run_tally& tally, int record_errors) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::steady_clock::now() - tally.started)
                             .count();
    return L"Conversion ended after " + std::to_wstring(seconds) + L" s: " +
           std::to_wstring(tally.converted) + L" tables converted, " +
           std::to_wstring(tally.failed) + L" failed, " + std::to_wstring(tally.skipped) +
           L" skipped; " + std::to_wstring(tally.rows) + L" rows written, " +
           std::to_wstring(record_errors) + L" record errors, " + std::to_wstring(tally.views) +
           L" views.\n";
}

// The rows of a table whose connection was lost: what the server confirmed, and what it did not
// (a statement it had received may still store rows after the connection was lost).
std::wstring lost_rows_line(const std::wstring& table, long long written, long long records) {
    const long long missing = records > written ? records - written : 0;
    return L"Table '" + table + L"': " + std::to_wstring(written) + L" of its " +
           std::to_wstring(records) + L" rows reached the server; the other " +
           std::to_wstring(missing) + L" were not confirmed written.\n";
}

}  // namespace

struct tabshift_convertor::run_state {
    run_tally tally;
    // Rows the job in progress handed to the destination without an error.
    long long job_rows = 0;
    std::unique_ptr<udb_database> destination;
    std::unique_ptr<udb_validator> validator;
    std::unique_ptr<ora_date_processor> date_processor;
    bool batching = true;
    // The job in progress.
    std::unique_ptr<udb_recordset> source;
    std::unique_ptr<udb_recordset> target;
    std::unique_ptr<dates_map> dates;
    // (source, destination) name of every table job, for the views that name them.
    text_pairs tables_written;
};

void tabshift_convertor::report(const std::wstring& line) {
    tk_wlog(3, L"%s", line.c_str());
    run_front_end::get_instance().write_log(line);
}

void tabshift_convertor::report_notices(udb_database& destination) {
    for (const std::wstring& line : destination.take_notices()) report(line + L"\n");
}

void tabshift_convertor::operator()() {
    tk_log(2, "tabshift_convertor::operator()");
    clear_stop();
    m_record_errors = 0;
    init_conversion scope(m_finished, 1);
    run_state state;
    try {
        run_jobs(state);
    } catch (const tk_final_exception&) {
        release_run(state);
    } catch (const tk_exception& e) {
        release_run(state);
        try {
            error_handler::instance().handle(e, true);
        } catch (const tk_final_exception&) {
        }
    } catch (const std::exception& e) {
        release_run(state);
        run_front_end::get_instance().error(e.what());
    }
}

void tabshift_convertor::run_jobs(run_state& state) {
    run_front_end& front = run_front_end::get_instance();
    mysql_engine.case_sensitive = case_sensitive;
    if (!mysql_direct) mysql_engine.version_word = dump.new_version ? 0x040100 : 0x031401;
    oracle_engine.b_indexes_off = skip_idx;
    if (!source_db) throw tk_exception(std::string("No source database is open."), 1);
    state.date_processor = std::make_unique<ora_date_processor>();
    state.destination = get_dest_base();
    tk_log(2, "After initializing DBs");
    if (!engine_chosen) mysql_engine.set_table_type(skip_idx ? L"MyISAM" : L"InnoDB");
    state.batching = mysql_engine.fast_append_mode;

    // The chosen queries run first, then the chosen tables.  The list is the run's own, so that
    // a second run (or a profile saved afterwards) sees the selection as the user left it.
    text_pairs jobs = table_jobs;
    // Read afresh for every run: the source's tables are what the jobs are checked against.
    const udb_database::name_list& source_tables = source_db->get_tables();
    if (front.selects_all_when_empty() && selected_tables.empty() && jobs.empty())
        selected_tables = source_tables;

    tables_total = static_cast<int>(selected_tables.size());
    report(
        format_name_line(L"Converting database '%s' (%d tables)\n", m_source_name, tables_total));
    // Repairs avoid the source's own names, never the destination's: what a first run created
    // must not push the same table to a new name on the next run into the same database.
    udb_database::name_list source_names = source_tables;
    for (const auto& job : jobs) source_names.push_back(job.first);
    state.validator = mysql_engine.create_tn_validator(selected_tables, source_names);
    for (const std::wstring& table : selected_tables) jobs.emplace_back(table, std::wstring());

    for (const auto& [name, query] : jobs) {
        if (stop_requested()) throw tk_final_exception();
        try {
            ++(run_job(state, name, query) ? state.tally.converted : state.tally.skipped);
        } catch (const tk_exception& e) {
            ++state.tally.failed;
            release_job(state);
            error_handler& handler = error_handler::instance();
            handler.set_error_text(get_cur_table());
            handler.handle(e, false);
            if (const auto* lost = dynamic_cast<const sql_rows_lost*>(&e)) {
                state.tally.rows += lost->written() - state.job_rows;
                report(lost_rows_line(get_cur_table(), lost->written(), table_records));
            }
            report_notices(*state.destination);
            mysql_refine_types(*state.destination);
        }
        ++tables_done;
    }

    state.tally.views = create_selected_views(*state.destination, state.tables_written);
    error_handler::instance().set_error_text(std::wstring());
    tables_done = 0;
    tables_total = 0;
    state.validator.reset();
    // A dump file is closed here, where a failed last write can still be reported.
    if (auto* dump_file = dynamic_cast<dmp_database*>(state.destination.get())) dump_file->close();
    state.destination.reset();
    state.date_processor.reset();
    report(summary_line(state.tally, m_record_errors));
}

bool tabshift_convertor::run_job(run_state& state, const std::wstring& name,
                                 const std::wstring& query) {
    run_front_end& front = run_front_end::get_instance();
    set_cur_table(name);
    table_records = 0;
    cur_record = 0;
    state.job_rows = 0;
    // A connection that an earlier job lost is opened again, once, for this one.
    if (auto* live = dynamic_cast<sql_database*>(state.destination.get())) live->resume_session();
    if (query.empty() && !source_db->is_table_exist(name)) {
        if (front.skips_missing_tables()) {
            front.missing_table(name);
            return false;
        }
        // A profile may name a table dropped since it was saved: that costs this job, never the
        // process (opening an unknown table is otherwise an internal error).
        throw tk_exception(L"Table '" + name + L"' does not exist in the source database.", 0);
    }
    state.source =
        query.empty() ? source_db->get_table(name, 1) : source_db->get_query(name, query, 1);
    report(format_name_line(L"Converting table '%s' (%d records)\n", name,
                            state.source->get_record_count()));
    // A column the reader cannot carry is the user's to know about, not only the trace's.
    if (const auto* oracle = dynamic_cast<const ora_query_results*>(state.source.get())) {
        for (const std::wstring& line : oracle->get_unsupported_columns()) {
            error_handler& handler = error_handler::instance();
            handler.set_error_text(name);
            handler.handle(tk_exception(L"Table '" + name + L"': " + line, 0), false);
        }
    }
    udb_schema& fields = state.source->get_schema();
    // Nothing of the table could be written: the user asked for it and must hear it was not.
    if (fields.empty())
        throw tk_exception(
            L"Table '" + name + L"' has no column that can be read; it is not converted.", 0);

    const bool source_refused = !state.validator->is_acceptable(name);
    const std::wstring mapped_name = modify1(name, fields, state.source->get_indexes());
    tell_mapped_fields(name, *state.source);
    const std::wstring target_name = state.validator->is_acceptable(mapped_name)
                                         ? mapped_name
                                         : state.validator->get_safe_name(mapped_name);
    // Taken even when an existing table is skipped, so that the later jobs of a rerun get the
    // names they got on the run that created it.
    state.validator->add_restricted_name(target_name);
    if (target_name != mapped_name)
        report(udb_validator::repair_notice(L"Table", mapped_name, target_name) + L"\n");
    state.tables_written.emplace_back(name, target_name);
    if (!front.keeps_batching()) mysql_engine.fast_append_mode = state.batching;
    const bool existed = state.destination->is_table_exist(target_name);
    if (existed) {
        if (mode == k_mode_skip_tables) {
            state.source.reset();
            return false;
        }
        if (mode == k_mode_replace_tables) state.destination->delete_tab(target_name);
    }
    if (!front.keeps_batching()) mysql_engine.fast_append_mode = false;
    const udb_indexes no_indexes;
    state.target = state.destination->create_table(
        target_name, fields, skip_idx ? no_indexes : state.source->get_indexes());
    report_notices(*state.destination);
    if (existed) report_missing_columns(name, target_name, fields, state.target->get_schema());
    // A key the destination could not create costs the table its guarantee, not its rows.
    for (const std::wstring& line : state.destination->take_table_errors()) {
        error_handler& handler = error_handler::instance();
        handler.set_error_text(name);
        handler.handle(tk_exception(line, 0), false);
    }
    if (source_refused) {
        tk_wlog(2, L"Store generated table name '%s'", target_name.c_str());
        state.validator->add_existing_name(target_name);
        tk_wlog(2, L"udb_database::add_tn_mapping(%s->%s)", name.c_str(), target_name.c_str());
        state.destination->get_names_map().add_tn_mapping(name, target_name);
    }

    table_records = state.source->get_record_count();
    if (table_records == 0 || tab_def) {
        tk_log(1, "No records to convert");
        flush_rows(*state.target, name);
        state.target.reset();
        state.source.reset();
        report_notices(*state.destination);
        return true;
    }
    state.dates = std::make_unique<dates_map>(name, fields, true);
    copy_rows(state);
    if (mode != k_mode_merge && mode != k_mode_synchronize)
        date_post_process(state.target->get_schema(), *state.dates);
    state.dates.reset();
    // Pending rows are sent here, inside the table's guard, so that a lost connection is
    // reported under this table's name and rows the server refused each as their record.
    flush_rows(*state.target, name);
    // What the reader changed in the values is told once per column, with the table's notices.
    if (const auto* oracle = dynamic_cast<const ora_query_results*>(state.source.get())) {
        for (const std::wstring& line : oracle->get_value_notices())
            state.destination->add_notice(L"Table '" + name + L"', " + line);
    }
    state.target.reset();
    state.source.reset();
    report_notices(*state.destination);
    mysql_refine_types(*state.destination);
    return true;
}

void tabshift_convertor::copy_rows(run_state& state) {
    udb_recordset& source = *state.source;
    udb_recordset& target = *state.target;
    const std::wstring table = get_cur_table();
    source.reset();
    while (!source.is_eof()) {
        if (stop_requested()) throw tk_final_exception();
        const int number = cur_record + 1;
        tk_log(1, "Converting record #%d", number);
        try {
            udb_record* record = source.get_item();
            if (!record) throw tk_mail_assertion("kvt_conv", 332);
            target.append_record(modify2(table, *record), number);
            ++state.tally.rows;
            ++state.job_rows;
        } catch (const sql_row_errors& rows) {
            // Rows of earlier records that a batch or the server's warnings reported together:
            // each is told as its own record, under the number it was appended with.
            if (rows.is_connection_lost()) throw;
            for (const sql_record_error& row : rows.errors()) report_record_error(table, 0, row);
        } catch (const tk_exception& e) {
            // A record's own failure (a value the reader or the mapping refuses, a row the
            // server rejects) costs that record only; everything else belongs to the table.
            if (e.level() != 0 || ends_the_table(e)) throw;
            report_record_error(table, number, e);
        }
        tk_log(1, "Record %d processed", number);
        source.next();
        cur_record.store(cur_record.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }
}

bool tabshift_convertor::ends_the_table(const tk_exception& e) {
    if (e.code() == k_connection_lost) return true;
    // A refusal of the whole table (no right to insert, the table gone or read-only) would be
    // the same for every later record: it ends the table with one error.
    const auto* server = dynamic_cast<const sql_exception*>(&e);
    return server && (server->is_connection_lost() || server->is_table_refused());
}

void tabshift_convertor::report_record_error(const std::wstring& table, int number,
                                             const tk_exception& e) {
    if (mode == k_mode_merge && e.code() == k_duplicate_key) return;
    ++m_record_errors;
    tk_log(1, "** MODE=%d", mode);
    error_handler& handler = error_handler::instance();
    if (number > 0) {
        handler.format_record_error(table, number);
        handler.handle(e, false);
        return;
    }
    // A row error of the destination names its own table and record, which become the prefix,
    // as for any record error; a row it could not place is told under the job's table.
    const auto* row = dynamic_cast<const sql_record_error*>(&e);
    if (!row || row->record() <= 0) {
        handler.set_error_text(table);
        handler.handle(e, false);
        return;
    }
    handler.prefix = tk_to_utf8(row->table()) + ", record #" + std::to_string(row->record());
    handler.handle(sql_exception(row->text(), static_cast<unsigned int>(row->mysql_errno_value())),
                   false);
}

void tabshift_convertor::flush_rows(udb_recordset& target, const std::wstring& table) {
    try {
        target.flush();
    } catch (const sql_row_errors& rows) {
        if (rows.is_connection_lost()) throw;
        for (const sql_record_error& row : rows.errors()) report_record_error(table, 0, row);
    }
}

void tabshift_convertor::release_job(run_state& state) noexcept {
    state.dates.reset();
    state.target.reset();
    state.source.reset();
}

void tabshift_convertor::release_run(run_state& state) noexcept {
    release_job(state);
    // A run that ends here did not write everything: its dump must not replace the previous one.
    if (auto* dump_file = dynamic_cast<dmp_database*>(state.destination.get()))
        dump_file->abandon();
    state.validator.reset();
    state.destination.reset();
    state.date_processor.reset();
}
