#include "converter/udb_table_mutator.h"

#include <cstddef>
#include <utility>
#include <vector>

#include "SQL/sql_field.h"
#include "SQL/sql_util.h"
#include "TK/tk_logger.h"

udb_table_mutator::udb_table_mutator(const std::wstring& new_name) : new_name(new_name) {}

udb_table_mutator::~udb_table_mutator() = default;

udb_properties* udb_table_mutator::find_item(const std::wstring& name) {
    return find_field_mutator(name);
}

sql_field_mutator* udb_table_mutator::find_field_mutator(const std::wstring& name) const {
    const auto it = m_by_source.find(name);
    return it == m_by_source.end() ? nullptr : it->second.get();
}

sql_field_mutator* udb_table_mutator::find_by_new_name(const std::wstring& name) {
    const auto it = m_by_new_name.find(name);
    return it == m_by_new_name.end() ? nullptr : it->second;
}

udb_record& udb_table_mutator::modify2(udb_record& record) {
    tk_log(2, "udb_table_mutator::modify2()");
    if (m_by_source.empty()) return record;

    // Runs once per row: the output record's field objects are kept from the previous row and
    // assigned into, so a row costs the value copies and nothing else.
    udb_record::field_list& out = m_output.fields();
    std::size_t used = 0;
    for (const auto& in : record.fields()) {
        const sql_field_mutator* fm = find_field_mutator(in->get_name());
        if (fm && fm->status == udb_field_mutator::status_deleted) continue;
        if (used < out.size())
            *out[used] = *in;
        else
            out.push_back(std::make_unique<sql_field>(*in));
        udb_field& copy = *out[used++];
        if (fm) fm->modify2(copy);
    }
    out.erase(out.begin() + static_cast<std::ptrdiff_t>(used), out.end());
    return m_output;
}

std::wstring udb_table_mutator::modify1(udb_schema& schema) {
    tk_log(2, "udb_table_mutator::modify1()");
    if (m_by_source.empty()) return new_name;

    // Mapped and unmapped columns alike get a copy of their own: the old descriptions may be
    // shared with the source's schema, which must keep describing the source.
    udb_schema mapped(true);
    mapped.fields().reserve(schema.size());
    for (const auto& f : schema.fields()) {
        const sql_field_mutator* fm = find_field_mutator(f->name);
        if (!fm) {
            mapped.push_back(std::make_shared<t_ftd>(*f));
            continue;
        }
        if (fm->status == udb_field_mutator::status_deleted) continue;
        std::shared_ptr<t_ftd> copy = fm->clone(f.get());
        if (fm->status == udb_field_mutator::status_changed) fm->modify1(*copy);
        mapped.push_back(std::move(copy));
    }
    schema = mapped;
    return new_name;
}

void udb_table_mutator::modify3(udb_indexes& indexes) const {
    tk_log(2, "udb_table_mutator::modify3()");
    for (udb_index& index : indexes) {
        std::vector<std::wstring>& columns = index.columns;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const sql_field_mutator* fm = find_field_mutator(columns[i]);
            if (fm && fm->status == udb_field_mutator::status_deleted) continue;
            // An empty new name keeps the column's name, as it does in the definition.
            if (fm && !fm->new_name.empty())
                columns[kept] = fm->new_name;
            else if (kept != i)
                columns[kept] = std::move(columns[i]);
            ++kept;
        }
        columns.resize(kept);
    }
}

sql_field_mutator& udb_table_mutator::update_field(const std::wstring& source_name,
                                                   const std::wstring& new_name,
                                                   sql_native_type native_type) {
    tk_wlog(1, L"udb_table_mutator::update_field(old_name=%s,new_name=%s,native_type=%s,length=%d)",
            source_name.c_str(), new_name.c_str(), native_type.type.c_str(),
            static_cast<int>(native_type.length));
    auto it = m_by_source.find(source_name);
    if (it == m_by_source.end()) {
        it = m_by_source
                 .emplace(source_name, new_sql_field_mutator(new_name, native_type,
                                                             udb_field_mutator::status_changed))
                 .first;
    }
    sql_field_mutator& fm = *it->second;
    m_by_new_name.emplace(new_name, &fm);

    // Integer and real types have a fixed byte size, which replaces whatever length was given.
    unsigned int size = static_cast<unsigned int>(native_type.length);
    fm.new_ole_type = get_vartype_by_sql_type(native_type.type, size);
    native_type.length = static_cast<int32_t>(size);

    fm.new_name = new_name;
    fm.native_type = std::move(native_type);
    return fm;
}
