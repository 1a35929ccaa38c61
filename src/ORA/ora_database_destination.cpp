// The destination operations of ora_database: users, tables, keys, foreign keys and views.
#include <algorithm>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_indexes_initializer.h"
#include "ORA/ora_schema_initializer.h"
#include "ORA/ora_table.h"
#include "ORA/ora_tn_validator.h"
#include "ORA/ora_utils.h"
#include "ORA/ora_validator.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "TK/tk_wstring.h"
#include "UDB/udb_compare.h"
#include "UDB/udb_recordset.h"

namespace {

const char* const k_contact =
    "\nIf the cause is unclear, send the trace log to the product's support contact.";

std::wstring upper(const std::wstring& text) {
    tk_wstring copy(text);
    return copy.to_upper();
}

std::wstring quoted(const std::wstring& name) {
    return L"\"" + name + L"\"";
}

std::wstring trimmed(const std::wstring& text) {
    const std::size_t b = text.find_first_not_of(L' ');
    if (b == std::wstring::npos) return std::wstring();
    return text.substr(b, text.find_last_not_of(L' ') - b + 1);
}

}  // namespace

void ora_database::create_schema(const udb_schema&) {
    tk_log(2, "ora_database::create_schema(schema): no user name, nothing to create");
}

int ora_database::create_schema(const std::wstring& user_in) {
    const std::wstring user = b_uppercase ? upper(user_in) : user_in;
    tk_wlog(2, L"ora_database::create_schema(%s)", user.c_str());
    try {
        query(L"CREATE USER " + quoted(user) + L" identified externally");
    } catch (const ora_exception& e) {
        tk_log(2, "Error while creating user:\n%s\n", e.what());
    }
    try {
        query(L"ALTER USER " + quoted(user) + L" quota unlimited on " + quoted(L"USERS"));
    } catch (const ora_exception& e) {
        tk_log(2, "Error while granting user:\n%s\n", e.what());
    }
    return 0;
}

ora_in_validator& ora_database::index_names() {
    if (ora_in_validator* names = ora_in_validator::find_instance()) return *names;
    // The old one (if any) was unregistered by another's end: release it before the new one
    // registers, since a destructor empties the registry slot.
    m_index_names.reset();
    m_index_names = std::make_unique<ora_in_validator>();
    return *m_index_names;
}

std::unique_ptr<udb_recordset> ora_database::create_table(const std::wstring& table_in,
                                                          const udb_schema& fields,
                                                          const udb_indexes& indexes) {
    const std::wstring table = b_uppercase ? upper(table_in) : table_in;
    tk_wlog(2, L"ora_database::create_table(%s)", table.c_str());
    if (!m_tables_read) get_tables();
    std::wstring auto_increment;
    if (!is_table_exist(table)) {
        ora_schema_initializer schema(table, b_uppercase, fields, indexes);
        // The table is listed as soon as it exists, so a failing key below leaves it known.
        auto listed = [&]() {
            m_tables.push_back(ora_simplify_name(table));
            m_names_map.add_fn_map(table, schema.get_mapping());
        };
        try {
            schema.build_schema(*this);
        } catch (const ora_exception&) {
            throw;
        } catch (const tk_exception&) {
            listed();
            throw;
        }
        listed();
        auto_increment = schema.get_auto_increment();
        if (!indexes.empty()) {
            index_names();
            ora_indexes_initializer keys(table, schema);
            keys.build_indexes();
        }
    }
    std::unique_ptr<udb_recordset> opened = get_table(table, 2);
    // The dictionary does not tell which column its trigger fills: a NULL there is no reason to
    // drop the column's NOT NULL.
    for (auto& column : opened->get_schema())
        if (!auto_increment.empty() && column->name == auto_increment)
            column->b_auto_increment = true;
    return opened;
}

std::wstring ora_database::get_tn_mapped_name_ex(const std::wstring& table) {
    tk_wlog(1, L"ora_database::get_tn_mapped_name_ex(%s)", table.c_str());
    if (b_uppercase) return m_names_map.get_tn_mapped_name(upper(table), false);
    std::wstring name = m_names_map.get_tn_mapped_name(table, true);
    if (is_table_exist(name)) return name;
    tk_wlog(1, L"Cannot find table %s", name.c_str());
    tk_log(1, "Try to search case insensitive...");
    return m_names_map.get_tn_mapped_name(table, false);
}

std::wstring ora_database::get_fn_mapped_name_ex(const std::wstring& table,
                                                 const std::wstring& column) {
    tk_wlog(1, L"ora_database::get_fn_mapped_name_ex(%s)", column.c_str());
    if (b_uppercase) return m_names_map.get_fn_mapped_name(upper(table), upper(column), false);
    std::wstring name = m_names_map.get_fn_mapped_name(table, column, true);
    if (name != column || is_table_exist(table)) return name;
    tk_wlog(1, L"Cannot find table %s", table.c_str());
    tk_log(1, "Try to search case insensitive...");
    return m_names_map.get_fn_mapped_name(table, column, false);
}

std::wstring ora_gen_idx_name(const std::wstring& table) {
    tk_wlog(2, L"ora_gen_idx_name(%s)", table.c_str());
    ora_validator tables;
    std::wstring name = tables.get_safe_name(table) + L"_UI";
    ora_in_validator& names = ora_in_validator::get_instance();
    if (!names.is_acceptable(name) || names.is_duplicated(name)) name = names.get_safe_name(name);
    names.add_existing_name(name);
    return name;
}

void ora_database::create_fk_index_if(const std::wstring& table,
                                      const std::vector<std::wstring>& columns) {
    tk_wlog(2, L"ora_database::create_fk_index_if(%s)", table.c_str());
    if (!is_table_exist(table)) return;
    std::unique_ptr<udb_recordset> opened = get_table(table, 1);
    if (!opened) return;
    // The key is looked for under the names the columns have here.
    std::vector<std::wstring> mapped;
    mapped.reserve(columns.size());
    for (const std::wstring& column : columns)
        mapped.push_back(m_names_map.get_fn_mapped_name(table, column, true));
    tk_log(1, "udb_indexes::has_index_on_fields");
    for (const udb_index& index : opened->get_indexes()) {
        if (!index.starts_with_fields(mapped)) continue;
        if (index.unique) {
            tk_wlog(2, L"FK index for table '%s' exists", table.c_str());
            return;
        }
        break;
    }
    opened.reset();
    index_names();
    const std::wstring name = ora_gen_idx_name(table);
    std::wstring list;
    for (const std::wstring& column : mapped) {
        if (!list.empty()) list += L", ";
        list += quoted(column);
    }
    try {
        query(L"ALTER TABLE " + ora_engine::instance().get_safe_name(table) + L" ADD CONSTRAINT " +
              quoted(name) + L" UNIQUE(" + list + L")");
    } catch (const ora_exception& e) {
        tk_log(2, "Error while creating index for FK:\n%s\n", e.what());
    }
}

void ora_database::create_relationships(const udb_relationships& relationships) {
    tk_log(2, "ora_database::create_relationships(b_uppercase=%d)", b_uppercase ? 1 : 0);
    tk_log(3, "Converting foreign keys");
    if (!m_tables_read) get_tables();
    ora_engine& eng = ora_engine::instance();
    for (const udb_relationship& rel : relationships) {
        tk_wlog(3, L"Processing '%s'", rel.name.c_str());
        const std::wstring parent = get_tn_mapped_name_ex(rel.parent_table);
        if (!is_table_exist(parent)) {
            tk_wlog(3, L"Table '%s' does not exist", parent.c_str());
            continue;
        }
        const std::wstring child = get_tn_mapped_name_ex(rel.child_table);
        if (!is_table_exist(child)) {
            tk_wlog(3, L"Table '%s' does not exist", child.c_str());
            continue;
        }
        create_fk_index_if(parent, rel.parent_columns);
        auto columns = [&](const std::wstring& table, const std::vector<std::wstring>& names) {
            std::wstring list;
            for (const std::wstring& column : names) {
                if (!list.empty()) list += L", ";
                std::wstring name = get_fn_mapped_name_ex(table, column);
                list += quoted(b_uppercase ? upper(name) : name);
            }
            return list;
        };
        std::wstring sql = L"ALTER TABLE " + eng.get_safe_name(child) + L" ADD FOREIGN KEY (" +
                           columns(child, rel.child_columns) + L") REFERENCES " +
                           eng.get_safe_name(parent) + L" (" + columns(parent, rel.parent_columns) +
                           L")";
        const std::wstring rule = trimmed(rel.rule);
        if (!rule.empty() && (udb_equal_nocase(rule, L"ON DELETE CASCADE") ||
                              udb_equal_nocase(rule, L"ON DELETE SET NULL")))
            sql += L" " + rel.rule;
        tk_wlog(3, L"Foreign key query: '%s'", sql.c_str());
        try {
            query(sql);
        } catch (const ora_exception& e) {
            tk_log(3, "Error while creating foreign key:\n%s\n", e.what());
            const std::string object =
                rel.name.empty() ? tk_to_utf8(child) : "Foreign key '" + tk_to_utf8(rel.name) + "'";
            report(object, tk_exception("Can't create foreign key. " + e.message() + k_contact, 0));
        }
    }
    raise_kept_errors();
}

std::wstring ora_database::refine_view_in(const std::wstring& text) const {
    tk_wlog(1, L"sql_database::refine_view_in(%s)", text.c_str());
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'[' || c == L']') {
            if (!b_uppercase) out += L'"';
        } else {
            out += c;
        }
    }
    const std::wstring distinctrow = L"DISTINCTROW";
    for (std::size_t p = out.find(distinctrow); p != std::wstring::npos; p = out.find(distinctrow))
        out.erase(p, distinctrow.size());
    const std::size_t n = out.size();
    static const char* const replaced[] = {"REPLACED!", "REPLACED #2!", "REPLACED #3!"};
    for (std::size_t k = 0; k < 3 && k < n; ++k) {
        wchar_t& c = out[n - 1 - k];
        tk_log(1,
               k == 0   ? "Last symbol: '%c'"
               : k == 1 ? "Pre-last symbol: '%c'"
                        : "Pre-pre-last symbol: '%c'",
               static_cast<int>(c));
        if (c == L';') {
            c = L' ';
            tk_log(1, "%s", replaced[k]);
        }
    }
    return m_names_map.do_global_replace1(out, L"", L"");
}

void ora_database::create_views(const view_list& views) {
    tk_log(2, "ora_database::create_views");
    std::vector<std::wstring> names;
    for (const auto& view : views) names.push_back(view.first);
    ora_tn_validator validator(names, {});
    ora_engine& eng = ora_engine::instance();
    for (const auto& [source, text] : views) {
        tk_wlog(1, L"Processing '%s'", source.c_str());
        tk_wlog(1, L"\t'%s'", text.c_str());
        const std::wstring head = trimmed(text).substr(0, 6);
        if (!udb_equal_nocase(head, L"select")) {
            tk_log(2, "Skip non-select query");
            continue;
        }
        std::wstring name = source;
        try {
            if (!validator.is_acceptable(name)) {
                name = validator.get_safe_name(source);
                m_names_map.add_tn_mapping(source, name);
                tk_wlog(2, L"Store generated column name '%s'", name.c_str());
                tk_wlog(1, L"udb_validator::add_existing_name(%s)", name.c_str());
                validator.add_existing_name(name);
            }
            query(L"CREATE OR REPLACE VIEW " + eng.get_safe_name(name) + L" AS " +
                  refine_view_in(text));
        } catch (const tk_exception& e) {
            tk_log(2, "Error while creating view:\n%s\n", e.what());
            report("View '" + tk_to_utf8(name) + "'",
                   tk_exception("Can't create view. " + e.message() + k_contact, 0));
        }
    }
    raise_kept_errors();
}

void ora_database::report(const std::string& object_text, const tk_exception& error) {
    if (m_reporter) {
        m_reporter(object_text, error);
        return;
    }
    m_kept_errors.push_back(object_text + ": " + error.message());
}

void ora_database::raise_kept_errors() {
    if (m_kept_errors.empty()) return;
    std::string text;
    for (const std::string& line : m_kept_errors) text += (text.empty() ? "" : "\n") + line;
    m_kept_errors.clear();
    throw tk_exception(text, 0);
}
