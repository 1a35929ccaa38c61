#include "ORA/ora_indexes_initializer.h"

#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_schema_initializer.h"
#include "ORA/ora_stmt.h"
#include "TK/tk_logger.h"

namespace {

std::wstring quoted(const std::wstring& name) {
    return L"\"" + name + L"\"";
}

std::wstring column_list(const std::vector<std::wstring>& columns, const wchar_t* separator) {
    std::wstring out;
    for (const std::wstring& column : columns) {
        tk_wlog(1, L"Process idx.field %s", column.c_str());
        if (!out.empty()) out += separator;
        out += quoted(column);
    }
    return out;
}

}  // namespace

ora_indexes_initializer::ora_indexes_initializer(const std::wstring& table,
                                                 const ora_schema_initializer& schema)
    : m_table(table), m_schema(schema) {
    tk_log(2, "ora_indexes_initializer::ctor");
    ora_in_validator& names = ora_in_validator::get_instance();
    // Index names are unique per schema, not per table: a name an earlier table took is
    // repaired like an unacceptable one.
    std::vector<bool> taken;
    for (const udb_index& source : schema.get_source_indexes())
        taken.push_back(names.is_duplicated(source.name));
    names.load(schema.get_source_indexes());
    std::size_t k = 0;
    for (const udb_index& source : schema.get_source_indexes()) {
        const bool acceptable = names.is_acceptable(source.name) && !taken[k++];
        std::wstring name = acceptable ? source.name : names.get_safe_name(source.name);
        std::vector<std::wstring> columns;
        bool indexable = true;
        for (const std::wstring& column : source.columns) {
            const std::wstring mapped = schema.get_mapping().get_mapped_name(column, true);
            const t_ftd* found = nullptr;
            for (const auto& c : schema.get_columns())
                if (c->name == mapped) found = c.get();
            tk_log(1, "ora_indexes_initializer::can_be_part_of_index");
            if (found) {
                tk_log(1, "GOT FIELD: vt=%d, size=%d", found->vartype,
                       static_cast<int>(found->size));
                const int vt = found->vartype;
                const bool long_kind =
                    vt == VT_BSTR || vt == 70 || vt == VT_BYTE_ARRAY || vt == VT_BLOB;
                if (long_kind && (found->size == 0 || found->size > 2000)) {
                    tk_wlog(2, L"Field '%s' cannot be part of index", mapped.c_str());
                    indexable = false;
                    break;
                }
            }
            columns.push_back(mapped);
        }
        if (!indexable) continue;
        m_indexes.emplace_back(name, source.unique, source.primary, columns);
        if (source.primary) m_primary = static_cast<int>(m_indexes.size()) - 1;
        if (!acceptable) {
            tk_wlog(2, L"Store generated index name '%s'", name.c_str());
            tk_wlog(1, L"udb_validator::add_existing_name(%s)", name.c_str());
            names.add_mapped_pair(source.name, name);
        }
        names.add_existing_name(name);
    }
}

std::wstring ora_indexes_initializer::index_statement(const udb_index& index) const {
    ora_engine& eng = ora_engine::instance();
    const std::wstring table = eng.get_safe_name(m_table);
    if (index.columns.empty()) {
        tk_wlog(1, L"Skip index '%s' as it is built on empty fields list", index.name.c_str());
        return std::wstring();
    }
    if (index.primary)
        return L"ALTER TABLE " + table + L" ADD CONSTRAINT " + quoted(index.name) +
               L" PRIMARY KEY (" + column_list(index.columns, L",") + L")";
    if (m_primary >= 0 &&
        index.consists_of_fields(m_indexes[static_cast<std::size_t>(m_primary)].columns)) {
        tk_wlog(2, L"Skip index '%s', it is equal to PK", index.name.c_str());
        return std::wstring();
    }
    if (index.unique) {
        std::wstring all_set;
        for (const std::wstring& column : index.columns) {
            tk_wlog(1, L"Process idx.field %s", column.c_str());
            if (!all_set.empty()) all_set += L" AND ";
            all_set += quoted(column) + L" IS NOT NULL";
        }
        // One expression a column: joined into one text, ('a,b', 'c') would meet ('a', 'b,c').
        // A row with any NULL indexes as all NULL, which Oracle leaves out of the index.
        std::wstring expressions;
        for (const std::wstring& column : index.columns) {
            if (!expressions.empty()) expressions += L", ";
            expressions += L"CASE WHEN " + all_set + L" THEN " + quoted(column) + L" END";
        }
        return L"CREATE UNIQUE INDEX " + quoted(index.name) + L" ON " + table + L" (" +
               expressions + L")";
    }
    return L"CREATE INDEX " + quoted(index.name) + L" ON " + table + L" (" +
           column_list(index.columns, L",") + L")";
}

void ora_indexes_initializer::build_indexes() {
    tk_log(2, "ora_indexes_initializer::build_indexes(n_indexes=%d)",
           static_cast<int>(m_indexes.size()));
    ora_engine& eng = ora_engine::instance();
    for (const udb_index& index : m_indexes) {
        const std::wstring sql = index_statement(index);
        if (sql.empty()) continue;
        tk_wlog(2, L"Run SQL query: %s\n", sql.c_str());
        try {
            ora_stmt stmt;
            eng.check_err(stmt.prepare(sql));
            eng.check_err(stmt.execute(1));
        } catch (const ora_exception& e) {
            const int number = e.code() & 0xFFFF;
            tk_log(2, "Got error: %08X", number);
            if (number != k_ora_column_already_indexed && number != k_ora_key_already_exists) throw;
        }
    }
}
