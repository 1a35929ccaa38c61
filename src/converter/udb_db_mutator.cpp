#include "converter/udb_db_mutator.h"

#include "SQL/sql_util.h"
#include "UDB/udb_recordset.h"
#include "TK/tk_logger.h"

udb_db_mutator::udb_db_mutator() = default;

udb_db_mutator::~udb_db_mutator() {
    clear();
}

udb_properties* udb_db_mutator::find_item(const std::wstring& name) {
    return find_table_mutator(name);
}

sql_table_mutator* udb_db_mutator::find_table_mutator(const std::wstring& name) const {
    const auto it = m_by_source.find(name);
    return it == m_by_source.end() ? nullptr : it->second.get();
}

sql_table_mutator* udb_db_mutator::find_by_new_name(const std::wstring& name) {
    const auto it = m_by_new_name.find(name);
    return it == m_by_new_name.end() ? nullptr : it->second;
}

sql_table_mutator& udb_db_mutator::get_table_mutator(const std::wstring& source_name,
                                                     const std::wstring& new_name) {
    if (sql_table_mutator* tm = find_table_mutator(source_name)) {
        tm->new_name = new_name;
        return *tm;
    }
    auto& tm = *m_by_source.emplace(source_name, std::make_unique<sql_table_mutator>(new_name))
                    .first->second;
    m_by_new_name.emplace(new_name, &tm);
    return tm;
}

void udb_db_mutator::clear() noexcept {
    m_by_new_name.clear();
    m_by_source.clear();
}

void udb_db_mutator::swap_mapping(udb_db_mutator& other) noexcept {
    m_by_source.swap(other.m_by_source);
    m_by_new_name.swap(other.m_by_new_name);
    properties.swap(other.properties);
}

std::wstring udb_db_mutator::modify1(const std::wstring& table, udb_schema& schema,
                                     udb_indexes& indexes) {
    tk_wlog(2, L"udb_db_mutator::modify1(%s)", table.c_str());
    sql_table_mutator* tm = find_table_mutator(table);
    if (!tm) return table;
    tm->modify3(indexes);
    return tm->modify1(schema);
}

udb_record& udb_db_mutator::modify2(const std::wstring& table, udb_record& record) {
    tk_wlog(2, L"udb_db_mutator::modify2(%s)", table.c_str());
    sql_table_mutator* tm = find_table_mutator(table);
    if (!tm || tm->field_mutators().empty()) {
        tk_log(2, "Not found");
        return record;
    }
    return tm->modify2(record);
}

void udb_db_mutator::tell_mapped_fields(const std::wstring& table, udb_recordset& source) {
    const sql_table_mutator* tm = find_table_mutator(table);
    if (!tm) return;
    for (const auto& [column, fm] : tm->field_mutators()) {
        if (fm->status != udb_field_mutator::status_changed) continue;
        const std::wstring& mapped = fm->new_name.empty() ? column : fm->new_name;
        if (source.get_schema().find_field(mapped))
            source.set_destination_field(column, source.get_schema().get_field2(mapped));
    }
}

void udb_db_mutator::get_native_type(const t_ftd& field, sql_native_type& out) const {
    out.type = get_sql_native_type(field, true);
    out.length = static_cast<int32_t>(field.size);
    // The model keeps defaults as plain values (modify1 stores them as text and the DEFAULT
    // clause quotes them when the table is created), so the SQL literal is not what goes back in:
    // "'abc'" would come out of a round trip through the editor as the default "'abc'".  The
    // literal only decides whether the column has a usable default at all.
    out.default_value =
        make_mysql_def_val(&field).empty() ? std::wstring() : field.default_value.to_wstring();
    if (field.vartype == VT_DECIMAL) {
        out.scale = field.dw_reserved & 0xFF;
        out.precision = (field.dw_reserved >> 8) & 0xFF;
    }
}

const std::set<std::wstring>& udb_db_mutator::get_type_filter() const {
    static const std::set<std::wstring> filter;
    return filter;
}
