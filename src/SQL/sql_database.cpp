#include "SQL/sql_database.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "SQL/sql_create_statement.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_fk_builder.h"
#include "SQL/sql_recordset.h"
#include "SQL/sql_table.h"
#include "SQL/sql_tmp_recordset.h"
#include "SQL/sql_util.h"
#include "SQL/sql_view_converter.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_validator.h"

// ---- one page of rows ------------------------------------------------------------------------

sql_database::sql_limited_query::sql_limited_query(sql_database& database,
                                                   const std::wstring& source,
                                                   const std::wstring& order_by, long offset,
                                                   long count)
    : m_database(database) {
    wchar_t limit[64];
    std::swprintf(limit, sizeof limit / sizeof limit[0], L" LIMIT %ld,%ld", offset, count);
    const std::wstring statement = L"SELECT * FROM " + source + order_by + limit;
    tk_wlog(2, L"sql_database::sql_limited_query::sql_limited_query(%s)", statement.c_str());
    m_result = m_database.do_query2(statement);
    // A SELECT always has a result; none means the statement could not run.
    if (!m_result) throw sql_exception(m_database.handle());
    tk_log(1, "sql_limited_query - at the end");
}

sql_database::sql_limited_query::~sql_limited_query() {
    tk_log(1, "sql_database::sql_limited_query::~sql_limited_query");
    if (m_result) mysql_free_result(m_result);
}

const MYSQL_FIELD* sql_database::sql_limited_query::fields() const {
    return mysql_fetch_fields(m_result);
}

unsigned int sql_database::sql_limited_query::field_count() const {
    return mysql_num_fields(m_result);
}

void sql_database::sql_limited_query::store_to(std::vector<std::unique_ptr<sql_record>>* page,
                                               std::size_t capacity) {
    tk_log(1, "sql_database::sql_limited_query::store_to");
    if (!page) throw tk_mail_assertion("sql_db", 65);
    page->clear();
    const unsigned int n_fields = mysql_num_fields(m_result);
    const MYSQL_FIELD* fields = mysql_fetch_fields(m_result);
    // Names are converted once per page, not once per row.
    std::vector<std::wstring> names;
    names.reserve(n_fields);
    for (unsigned int i = 0; i < n_fields; ++i)
        names.push_back(tk_to_unicode(
            std::string(fields[i].name ? fields[i].name : "", fields[i].name_length)));
    while (page->size() < capacity) {
        MYSQL_ROW row = mysql_fetch_row(m_result);
        if (!row) break;
        page->push_back(std::make_unique<sql_record>(n_fields, fields,
                                                     mysql_fetch_lengths(m_result), row, &names));
    }
    if (mysql_errno(m_database.handle()) != 0) throw sql_exception(m_database.handle());
}

// ---- the database ----------------------------------------------------------------------------

sql_database::sql_database(const std::wstring& name, MYSQL* handle, int flags)
    : udb_database(name, flags, sql_engine::instance().case_sensitive ? 1 : 0), m_handle(handle) {
    tk_wlog(2, L"sql_database::sql_database(%s, mode=%d)", name.c_str(), flags);
    init_tables();
    if (!(flags & k_open_skip_views)) {
        try {
            init_views();
        } catch (const sql_exception& e) {
            tk_log(2, "ERROR1:\n%s", e.what());
        }
    }
    tune_session(m_handle);
}

sql_database::~sql_database() {
    tk_log(2, "sql_database::dtor");
    // The lock goes with the session anyway; a release that cannot be sent is logged, since an
    // exception out of a destructor would end the program.
    try {
        sql_engine& engine = sql_engine::instance();
        if (engine.locked_database() == m_name) engine.release_destination();
    } catch (const tk_exception& e) {
        tk_log(3, "Cannot release the destination lock: %s", e.what());
    }
}

bool sql_database::tune_session(MYSQL* handle) {
    // A multi-row statement reports each changed value as a warning; the server keeps only 64 of
    // them unless told otherwise, and the rest would go unreported.
    const char* keep_warnings = "SET SESSION max_error_count = 65535";
    if (mysql_query(handle, keep_warnings) == 0) return true;
    tk_log(2, "Cannot keep warnings: %s", mysql_error(handle));
    return false;
}

MYSQL* sql_database::lane(std::size_t index, unsigned int connect_seconds) {
    lane_slot& lane = m_lanes.at(index);
    if (!lane.tried) {
        lane.tried = true;
        lane.handle = sql_engine::instance().open_lane(m_name, connect_seconds);
        if (lane.handle && !tune_session(lane.handle.get())) lane.handle.reset();
        // The next would fail alike, each after its own connect time-out when the server
        // stopped answering.
        if (!lane.handle)
            for (lane_slot& other : m_lanes) other.tried = true;
    }
    return lane.handle.get();
}

void sql_database::close_lanes() noexcept {
    for (lane_slot& lane : m_lanes) {
        // Cut first: a session that owes an answer, or whose server stopped reading, would make
        // the farewell wait out the write time-out.
        if (lane.handle) mariadb_cancel(lane.handle.get());
        lane.handle.reset();
        lane.tried = false;
    }
}

void sql_database::resume_session() {
    settle();
    if (mysql_ping(m_handle) == 0) {
        // Asked only of a server that answers: a further session that was lost is opened again
        // when next wanted.
        for (lane_slot& lane : m_lanes) {
            if (lane.handle && mysql_ping(lane.handle.get()) != 0) {
                lane.handle.reset();
                lane.tried = false;
            }
        }
        return;
    }
    tk_log(3, "The connection to the MySQL server was lost: %s", mysql_error(m_handle));
    close_lanes();
    sql_engine::instance().reconnect();
    if (mysql_select_db(m_handle, tk_to_utf8(m_name).c_str()) != 0) throw sql_exception(m_handle);
    tune_session(m_handle);
}

std::wstring sql_database::name_text(const std::wstring& name) const {
    return sql_engine::instance().version_word > 0x400FF ? quote_mysql_name(name)
                                                         : mysql_name_for_old_server(name);
}

std::wstring sql_database::listed_name(const std::wstring& table) const {
    for (const auto& name : m_tables)
        if (same_table_name(name, table)) return name;
    return table;
}

void sql_database::settle() {
    if (!m_in_flight) return;
    sql_table* table = m_in_flight;
    m_in_flight = nullptr;
    table->finish_flight();
}

MYSQL_RES* sql_database::do_query2(const std::wstring& statement) {
    tk_wlog(1, L"sql_database::do_query2(%s)", statement.c_str());
    settle();
    return run_query(m_handle, tk_to_utf8(statement));
}

MYSQL_RES* sql_database::run_query(MYSQL* handle, const std::string& statement) {
    if (mysql_real_query(handle, statement.data(), statement.size()) != 0)
        throw sql_exception(handle);
    MYSQL_RES* result = mysql_use_result(handle);
    if (!result && mysql_errno(handle) != 0) throw sql_exception(handle);
    return result;
}

std::unique_ptr<udb_recordset> sql_database::query(const std::wstring& statement) {
    tk_wlog(2, L"sql_database::query(%s)", statement.c_str());
    MYSQL_RES* result = do_query2(statement);
    if (!result) return nullptr;
    return std::make_unique<sql_tmp_recordset>(result);
}

long long sql_database::query_scalar(const std::wstring& statement) {
    auto result = query(statement);
    udb_record* row = result ? result->get_item() : nullptr;
    if (!row || row->empty()) return 0;
    const std::string text = tk_to_utf8(sql_record::text_of((*row)[0]));
    return std::strtoll(text.c_str(), nullptr, 10);
}

unsigned int sql_database::query_append(const std::string& statement) {
    tk_log(1, "sql_database::query_append( q_len=%d)", static_cast<int>(statement.size()));
    tk_log(1, "(%s)", statement.c_str());
    tk_log(1, "sql_database::do_query1(%s)", statement.c_str());
    settle();
    return run_append(m_handle, statement);
}

unsigned int sql_database::run_append(MYSQL* handle, const std::string& statement) {
    if (mysql_real_query(handle, statement.data(), statement.size()) != 0)
        throw sql_exception(handle);
    if (MYSQL_RES* result = mysql_use_result(handle)) mysql_free_result(result);
    if (mysql_errno(handle) != 0) throw sql_exception(handle);
    return mysql_warning_count(handle);
}

void sql_database::query_with_long_values(const std::string& statement,
                                          const std::vector<std::string_view>& values,
                                          const std::function<void(unsigned int)>& on_warnings) {
    tk_log(1, "sql_database::query_with_long_values(%s)", statement.c_str());
    settle();
    // A piece of a long value: one packet, far below any server's max_allowed_packet.
    constexpr std::size_t k_piece = std::size_t{1} << 20;
    const std::unique_ptr<MYSQL_STMT, my_bool (*)(MYSQL_STMT*)> stmt(mysql_stmt_init(m_handle),
                                                                     mysql_stmt_close);
    if (!stmt) throw sql_exception(m_handle);
    const auto fail = [&stmt] {
        throw sql_exception(mysql_stmt_error(stmt.get()), mysql_stmt_errno(stmt.get()));
    };
    if (mysql_stmt_prepare(stmt.get(), statement.data(), statement.size()) != 0) fail();
    if (mysql_stmt_param_count(stmt.get()) != values.size()) throw tk_mail_assertion("sql_db", 176);
    std::vector<MYSQL_BIND> binds(values.size());
    for (MYSQL_BIND& bind : binds) {
        bind = MYSQL_BIND{};
        bind.buffer_type = MYSQL_TYPE_LONG_BLOB;
    }
    if (!binds.empty() && mysql_stmt_bind_param(stmt.get(), binds.data()) != 0) fail();
    for (std::size_t i = 0; i < values.size(); ++i) {
        for (std::size_t done = 0; done < values[i].size(); done += k_piece) {
            const std::size_t n = std::min(k_piece, values[i].size() - done);
            if (mysql_stmt_send_long_data(stmt.get(), static_cast<unsigned int>(i),
                                          values[i].data() + done, n) != 0)
                fail();
        }
    }
    if (mysql_stmt_execute(stmt.get()) != 0) fail();
    // Closing the statement clears its warnings: they are read first.
    if (const unsigned int warnings = mysql_stmt_warning_count(stmt.get())) on_warnings(warnings);
}

bool sql_database::test_query(const std::wstring& query_text) {
    tk_wlog(2, L"sql_database::query(%s)", query_text.c_str());
    settle();
    const std::string text = tk_to_utf8(query_text);
    const bool ok = mysql_real_query(m_handle, text.data(), text.size()) == 0;
    if (MYSQL_RES* result = mysql_use_result(m_handle)) mysql_free_result(result);
    return ok;
}

void sql_database::init_tables() {
    tk_log(2, "sql_database::init_tables");
    const auto add = [this](const std::wstring& table) {
        tk_wlog(1, L"Got table name: '%s'", table.c_str());
        m_tables.push_back(table);
    };
    if (sql_engine::instance().version_word < 0x50001) {
        tk_log(2, "Extracting tables in old way");
        settle();
        MYSQL_RES* result = mysql_list_tables(m_handle, nullptr);
        if (!result) throw sql_exception(m_handle);
        sql_tmp_recordset tables(result);
        for (; !tables.is_eof(); tables.next()) add(sql_record::text_of((*tables.get_item())[0]));
        return;
    }
    tk_log(2, "Extracting tables in new way");
    auto tables = query(L"show full tables where Table_type='BASE TABLE'");
    if (!tables) return;
    for (; !tables->is_eof(); tables->next()) add(sql_record::text_of((*tables->get_item())[0]));
}

void sql_database::init_views() {
    tk_log(2, "sql_database::init_views");
    auto views = query(
        L"SELECT table_name, view_definition FROM information_schema.views WHERE table_schema='" +
        sql_escape_text(m_name) + L"'");
    if (!views) return;
    for (; !views->is_eof(); views->next()) {
        udb_record& row = *views->get_item();
        if (row.size() < 2) continue;
        const std::wstring name = sql_record::text_of(row[0]);
        tk_wlog(1, L"Got query name: '%s'", name.c_str());
        const std::wstring text = sql_record::text_of(row[1]);
        tk_wlog(1, L"Got query SQL: '%s'", text.c_str());
        m_views.emplace_back(name, refine_view_out(text));
    }
}

std::unique_ptr<udb_recordset> sql_database::create_table(const std::wstring& table,
                                                          const udb_schema& fields,
                                                          const udb_indexes& indexes) {
    tk_wlog(2, L"sql_database::create_table(%s)", table.c_str());
    if (m_mode & k_open_read_only) throw tk_mail_assertion("sql_db", 378);
    if (is_table_exist(table)) return get_table(table, 8);

    const sql_create_statement create(table, fields, indexes);
    const std::wstring statement = create.text(quote_mysql_name(table), L"", L", ", L"") +
                                   create.charset_clause() + create.engine_clause();
    tk_wlog(2, L"Run SQL query: %s\n", statement.c_str());
    query(statement);
    create.report_to(*this);

    m_tables.push_back(table);
    m_names_map.add_fn_map(table, create.name_map());
    auto created = std::make_unique<sql_table>(this, listed_name(table), &m_names_map, 2);
    created->m_created_empty = true;
    return created;
}

bool sql_database::delete_tab(const std::wstring& table) {
    tk_wlog(2, L"sql_database::delete_tab (%s)", table.c_str());
    if (m_mode & k_open_read_only) throw tk_mail_assertion("sql_db", 484);
    if (!is_table_exist(table)) throw tk_mail_assertion("sql_db", 485);
    // The list matches names as the case rule says; the server may not, so use its own spelling.
    query(L"DELETE FROM " + quote_mysql_name(listed_name(table)));
    return true;
}

void sql_database::empty_table(const std::wstring& table) {
    udb_database::empty_table(quote_mysql_name(table));
}

std::unique_ptr<udb_recordset> sql_database::get_query(const std::wstring& name,
                                                       const std::wstring& query_text, int) {
    tk_wlog(2, L"sql_database::get_query(%s,%s)", name.c_str(), query_text.c_str());
    return std::make_unique<sql_recordset>(this, name, query_text, &m_names_map);
}

std::unique_ptr<udb_recordset> sql_database::get_table(const std::wstring& table, int mode) {
    tk_wlog(2, L"sql_database::get_table(%s)", table.c_str());
    if (!is_table_exist(table)) throw tk_mail_assertion("sql_db", 121);
    return std::make_unique<sql_table>(this, listed_name(table), &m_names_map, mode);
}

// ---- views -----------------------------------------------------------------------------------

std::wstring sql_database::refine_view_out(const std::wstring& text) const {
    tk_wlog(1, L"sql_database::refine_view_out(%s)", text.c_str());
    std::wstring out = text;
    const std::size_t open = out.find(L"/*");
    if (open != std::wstring::npos) {
        const std::size_t close = out.find(L"*/", open + 2);
        if (close != std::wstring::npos) out.erase(open, close + 2 - open);
    }
    const std::wstring prefix = quote_mysql_name(m_name) + L".";
    for (std::size_t pos = out.find(prefix); pos != std::wstring::npos;
         pos = out.find(prefix, pos)) {
        tk_log(1, "Remove template found at pos=%d", static_cast<int>(pos));
        out.erase(pos, prefix.size());
    }
    return out;
}

std::wstring sql_database::refine_view_in(const std::wstring& text) const {
    tk_wlog(1, L"sql_database::refine_view_in(%s)", text.c_str());
    std::wstring out = sql_view_converter::refine_common(text, m_names_map);
    sql_view_converter::replace_word(out, L"time", L"curtime", false);
    sql_view_converter::replace_word(out, L"len(", L"length(", false);
    return out + L";";
}

void sql_database::create_views(const view_list& views) {
    tk_log(2, "sql_database::create_views");
    std::vector<std::wstring> names;
    for (const auto& view : views) names.push_back(view.first);
    auto validator = sql_engine::instance().create_tn_validator(names, {});
    for (const auto& [name, text] : sql_view_converter::select_views(
             views, *validator, m_names_map, L"Store generated view name '%s'")) {
        try {
            query(L"CREATE OR REPLACE VIEW " + quote_mysql_name(name) + L" AS " +
                  refine_view_in(text));
        } catch (const tk_exception& e) {
            tk_log(3, "Error while creating view:\n%s\n", e.what());
            report("View '" + tk_to_utf8(name) + "'", e);
        }
    }
    raise_kept_errors();
}

// ---- foreign keys ----------------------------------------------------------------------------

void sql_database::report(const std::string& object_text, const tk_exception& error) {
    if (m_reporter) {
        m_reporter(object_text, error);
        return;
    }
    m_kept_errors.push_back(object_text + ": " + error.message());
}

void sql_database::raise_kept_errors() {
    if (m_kept_errors.empty()) return;
    std::string text;
    for (const auto& line : m_kept_errors) text += (text.empty() ? "" : "\n") + line;
    m_kept_errors.clear();
    throw tk_exception(text, 0);
}

void sql_database::create_fk_index_if(const std::wstring& table,
                                      const std::vector<std::wstring>& columns) {
    tk_wlog(2, L"sql_database::create_fk_index_if(%s)", table.c_str());
    auto opened = get_table(table, 97);
    if (!opened) throw tk_mail_assertion("sql_db", 334);
    tk_log(1, "udb_indexes::has_index_on_fields");
    for (const auto& index : opened->get_indexes()) {
        if (index.starts_with_fields(columns)) {
            tk_wlog(2, L"Child index for table '%s' exists", table.c_str());
            return;
        }
    }
    try {
        query(sql_fk_builder(m_names_map).add_index(table, columns));
    } catch (const sql_exception& e) {
        tk_log(2, "Error while creating index for FK:\n%s\n", e.what());
    }
}

void sql_database::create_relationships(const udb_relationships& relationships) {
    tk_log(2, "sql_database::create_relationships");
    tk_log(3, "Converting foreign keys");
    if (sql_engine::instance().version_word < 0x3172C) {
        tk_log(3, "This version of MySQL doesn't support Foreign Keys");
        return;
    }
    if (m_mode == k_open_append) {
        tk_log(3, "Foreign keys are not converted in append mode");
        return;
    }
    try {
        query(L"SET FOREIGN_KEY_CHECKS = 0");
    } catch (const tk_exception& e) {
        tk_log(2, "Cannot turn OFF foreign key check: %s", e.what());
    }
    sql_fk_builder builder(m_names_map);
    for (const auto& relationship : relationships) {
        tk_wlog(3, L"Processing '%s'", relationship.name.c_str());
        try {
            const std::wstring child =
                m_names_map.get_tn_mapped_name(relationship.child_table, false);
            tk_wlog(1, L"fk_table_name=%s", child.c_str());
            if (!is_table_exist(child)) throw tk_exception(L"Table '" + child + L"' not exists", 0);
            const std::wstring parent =
                m_names_map.get_tn_mapped_name(relationship.parent_table, false);
            tk_wlog(1, L"pk_table_name=%s", parent.c_str());
            if (!is_table_exist(parent))
                throw tk_exception(L"Table '" + parent + L"' not exists", 0);
            create_fk_index_if(child, relationship.child_columns);
            create_fk_index_if(parent, relationship.parent_columns);
            const std::wstring statement =
                builder.add_constraint(relationship, listed_name(child), listed_name(parent));
            tk_wlog(3, L"Foreign key query: '%s'", statement.c_str());
            query(statement);
        } catch (const tk_exception& e) {
            tk_log(3, "Error while creating FK:\n%s\n", e.what());
            const std::string object = relationship.name.empty()
                                           ? tk_to_utf8(relationship.child_table)
                                           : "Foreign key '" + tk_to_utf8(relationship.name) + "'";
            report(object, tk_exception("Can't create foreign key. " + e.message() +
                                            "\nIf the cause is unclear, send the trace log to "
                                            "the product's support contact.",
                                        0));
        }
    }
    try {
        query(L"SET FOREIGN_KEY_CHECKS = 1");
    } catch (const tk_exception& e) {
        tk_log(2, "Cannot turn ON foreign key check: %s", e.what());
    }
    raise_kept_errors();
}
