#include "UDB/udb_recordset.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

udb_recordset::udb_recordset(udb_database* owner, const std::wstring& name, bool setting)
    : m_name(name), m_schema(setting), m_owner(owner) {
    tk_wlog(2, L"udb_recordset::ctor(%s)", name.c_str());
}

udb_recordset::udb_recordset(udb_database* owner, const std::wstring& name,
                             const std::wstring& query, bool setting)
    : m_query(query), m_name(name), m_schema(setting), m_owner(owner) {
    tk_wlog(2, L"udb_recordset::ctor(%s)", name.c_str());
}

udb_recordset::udb_recordset(const std::wstring& name)
    : m_name(name), m_schema(true), m_owner(nullptr) {
    tk_log(2, "udb_recordset::ctor(default)");
}

udb_recordset::~udb_recordset() {
    tk_log(2, "udb_recordset::dtor");
}

void udb_recordset::append_record(udb_record& record, int /*number*/) {
    append_record(record);
}

void udb_recordset::flush() {}

void udb_recordset::update2(udb_record& /*record*/, udb_record& /*key*/) {
    tk_log(2, "udb_recordset::update2");
}

void udb_recordset::update1(udb_record& /*record*/) {
    tk_log(2, "udb_recordset::update1");
}

udb_record* udb_recordset::get_item() {
    return nullptr;
}

bool udb_recordset::is_eof() {
    return true;
}

bool udb_recordset::is_query() {
    return !m_query.empty();
}

void udb_recordset::next() {}

void udb_recordset::set_destination_field(const std::wstring&, const t_ftd&) {}

void udb_recordset::prev() {}

void udb_recordset::reset() {}

void udb_recordset::delete_key(udb_record& /*key*/) {}

std::unique_ptr<udb_record> udb_recordset::get_key(udb_record& record) {
    tk_log(2, "udb_recordset::get_key(that.size=%d)", static_cast<int>(record.size()));
    if (m_key_index < 0 || static_cast<std::size_t>(m_key_index) >= m_indexes.size()) {
        throw tk_exception(std::string("There's no primary/unique key"), 1);
    }
    const udb_index& key = m_indexes[static_cast<std::size_t>(m_key_index)];
    tk_log(1, "u_k_flds.size=%d", static_cast<int>(key.columns.size()));
    auto result = std::make_unique<udb_record>();
    int step = 0;
    for (const auto& column : key.columns) {
        ++step;
        tk_log(1, "Step %d.1", step);
        if (!record.find_field(column)) {
            tk_wlog(3, L"Key field '%s' is not found in record", column.c_str());
            return nullptr;
        }
        tk_log(1, "Step %d.2", step);
        result->add_field(record.get_field(column));
    }
    tk_log(1, "Just before exit");
    return result;
}

void udb_recordset::add_index(const udb_index& index) {
    tk_wlog(2, L"udb_recordset::add_index(%s, %d)", index.name.c_str(), m_key_index);
    if (!m_indexes.is_acceptable_name(index.name)) {
        tk_wlog(3, L"Index '%s' cannot be processed", index.name.c_str());
        return;
    }
    if (m_key_index == -1 && (index.unique || index.primary)) {
        tk_log(2, "Store primary/unique key");
        m_key_index = static_cast<int>(m_indexes.size());
    }
    m_indexes.push_back(index);
}
