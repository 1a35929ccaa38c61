#include "UDB/udb_database.h"

#include <algorithm>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "UDB/udb_compare.h"
#include "UDB/udb_recordset.h"

udb_database::udb_database(const std::wstring& name, int mode, int case_sensitive)
    : m_mode(mode), m_name(name), m_case_sensitive(case_sensitive) {
    tk_wlog(2, L"udb_database::ctor(%s)", name.c_str());
}

udb_database::~udb_database() {
    tk_log(2, "udb_database::dtor");
}

void udb_database::add_notice(std::wstring line) {
    m_notices.push_back(std::move(line));
}

std::vector<std::wstring> udb_database::take_notices() {
    std::vector<std::wstring> taken;
    taken.swap(m_notices);
    return taken;
}

void udb_database::add_table_error(std::wstring line) {
    m_table_errors.push_back(std::move(line));
}

std::vector<std::wstring> udb_database::take_table_errors() {
    std::vector<std::wstring> taken;
    taken.swap(m_table_errors);
    return taken;
}

bool udb_database::same_table_name(const std::wstring& a, const std::wstring& b) const {
    return m_case_sensitive != 0 ? a == b : udb_equal_nocase(a, b);
}

void udb_database::create_schema(const udb_schema& /*schema*/) {}

void udb_database::create_index(const std::wstring& /*table*/, int /*flags*/,
                                const udb_index& /*index*/) {}

void udb_database::create_indexes(const std::wstring& table, int flags,
                                  const udb_indexes& indexes) {
    tk_wlog(2, L"udb_database::create_indexes(%s)", table.c_str());
    tk_log(2, "idxs.size=%d", static_cast<int>(indexes.size()));
    for (const auto& idx : indexes) create_index(table, flags, idx);
    tk_log(2, "udb_database::create_indexes - at the END");
}

void udb_database::create_views(const view_list& /*views*/) {}

void udb_database::delete_fk(const std::wstring& /*name*/) {}

void udb_database::delete_idx(const std::wstring& /*table*/, const udb_index& /*index*/) {}

bool udb_database::delete_tab(const std::wstring& table) {
    tk_wlog(2, L"udb_database::delete_tab(%s)", table.c_str());
    auto it = std::find_if(m_tables.begin(), m_tables.end(),
                           [&](const std::wstring& t) { return same_table_name(t, table); });
    if (it == m_tables.end()) {
        tk_log(2, "Table not found!");
        return false;
    }
    m_tables.erase(it);
    return true;
}

void udb_database::empty_table(const std::wstring& table) {
    tk_wlog(2, L"udb_database::empty_table(%s)", table.c_str());
    query(L"delete from " + table);
}

void udb_database::clear_list(name_list& list) {
    list.clear();
}

std::unique_ptr<udb_recordset> udb_database::query(const std::wstring& /*statement*/) {
    throw tk_mail_assertion("udb_db", 97);
}

void udb_database::create_relationships(const udb_relationships& /*relationships*/) {}

udb_database::name_list& udb_database::get_tables() {
    return m_tables;
}

bool udb_database::is_table_exist(const std::wstring& table) {
    tk_wlog(2, L"udb_database::is_table_exist(%s,case_sensitive=%d)", table.c_str(),
            m_case_sensitive);
    for (const auto& t : m_tables) {
        tk_wlog(1, L"Compare with %s", t.c_str());
        if (same_table_name(t, table)) {
            tk_log(2, "table exists");
            return true;
        }
    }
    tk_log(2, "table not found");
    return false;
}
