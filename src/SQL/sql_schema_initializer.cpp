#include "SQL/sql_schema_initializer.h"

#include "SQL/sql_engine.h"
#include "SQL/sql_table_fit.h"
#include "SQL/sql_util.h"
#include "TK/tk_logger.h"
#include "UDB/udb_properties.h"
#include "variant/ole_variant.h"

namespace {

// What the case-sensitive setting and servers before 4.1 put after a binary-compared text.
const std::wstring k_binary = L" BINARY";

bool ends_with_binary(const std::wstring& type) {
    return type.size() > k_binary.size() &&
           type.compare(type.size() - k_binary.size(), k_binary.size(), k_binary) == 0;
}

// VARCHAR(n) and CHAR(n): the text types a key can hold whole.
bool is_char_type(const std::wstring& type) {
    return type.rfind(L"VARCHAR", 0) == 0 || type.rfind(L"CHAR", 0) == 0;
}

}  // namespace

sql_schema_initializer::sql_schema_initializer(const std::wstring& table, const udb_schema& columns,
                                               const udb_indexes& indexes,
                                               std::wstring& auto_increment_name, int /*unused*/)
    : m_table(table),
      m_auto_increment_name(auto_increment_name),
      m_indexes(indexes),
      m_validator(sql_engine::get_instance().create_fn_validator(columns)),
      m_source(columns) {
    tk_log(2, "sql_schema_initializer::ctor");
    for (const auto& source : m_source) {
        const std::wstring name = m_validator->take_name(source->name);
        t_ftd& column = m_columns.add_field(*source);
        column.name = name;
        tk_wlog(1, L"GOT FIELD: name=%s, type=%d, flags=%d, description=%s", name.c_str(),
                column.vartype, column.dw_reserved, column.comment.c_str());
        if (name != source->name) tk_wlog(1, L"Store generated column name '%s'", name.c_str());
    }
}

bool sql_schema_initializer::can_have_auto_num(const t_ftd* column) {
    if (!column) throw tk_mail_assertion("sql_init", 64);
    const VARTYPE vt = static_cast<VARTYPE>(column->vartype);
    return ole_is_integer_type(vt) || ole_is_int_type(vt);
}

bool sql_schema_initializer::can_have_def_value(const t_ftd* column) {
    if (!column) throw tk_mail_assertion("sql_init", 78);
    if (column->b_auto_increment) {
        tk_log(2, "WARNING: auto_increment columns cannot have default value!");
        return false;
    }
    if (column->vartype == VT_BSTR && (column->size == 0 || column->size > 255)) return false;
    if (column->vartype == VT_BLOB || column->vartype == VT_BLOB_OBJECT) return false;
    return true;
}

void sql_schema_initializer::get_init_chunks(std::vector<std::wstring>& out,
                                             udb_properties* table_properties) {
    tk_log(2, "sql_schema_initializer::get_init_chunks(n_columns=%d)",
           static_cast<int>(m_columns.size()));
    m_auto_increment_name.clear();
    m_key_texts.clear();
    m_charsets.clear();
    m_notices.clear();
    sql_engine& engine = sql_engine::get_instance();
    const uint32_t version = engine.version_word;
    const bool new_server = version > 0x400FF;

    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const t_ftd& column = m_columns[i];
        const std::wstring& source_name = m_source[i].name;
        tk_wlog(1, L"Processing field '%s'", column.name.c_str());

        std::wstring clause = new_server ? quote_mysql_name(column.name) + L" "
                                         : mysql_name_for_old_server(column.name) + L" ";
        std::wstring type = sql_column_type_text(column);
        // A text key compares as Oracle's does, binary: otherwise keys that differ only in case,
        // accents or trailing blanks collide and rows are lost.
        const bool text_key = in_unique_key(source_name) && is_char_type(type);
        if (text_key && ends_with_binary(type)) type.erase(type.size() - k_binary.size());
        clause += type;

        std::wstring charset;
        if (new_server) {
            const bool text_column = (column.native_type.empty() && column.vartype == VT_BSTR) ||
                                     column.native_type.find(L"CHAR") != std::wstring::npos ||
                                     column.native_type.find(L"TEXT") != std::wstring::npos;
            if (text_column) {
                udb_properties* column_properties =
                    table_properties ? table_properties->find_item(source_name) : nullptr;
                charset = sql_property(column_properties, L"character_set");
                // The default utf8 becomes utf8mb4 on a server that has it.
                if (charset.empty()) charset = engine.effective_charset();
                if (!charset.empty()) sql_check_identifier(charset, "character set");
            }
        }
        const std::wstring collation = text_key ? engine.key_collation(charset) : std::wstring();
        if (text_key && collation.empty()) clause += k_binary;
        const std::wstring head = clause;
        if (!charset.empty()) clause += L" CHARACTER SET " + charset;
        if (!collation.empty()) clause += L" COLLATE " + collation;
        const std::size_t tail_start = clause.size();

        const bool in_primary = m_indexes.is_idx_field(source_name, true);
        const bool in_any_index = version < 0x31702 && m_indexes.is_idx_field(source_name, false);
        if (column.b_not_null || column.b_auto_increment || in_primary || in_any_index)
            clause += L" NOT NULL";

        if (can_have_def_value(&column)) {
            const std::wstring def = make_mysql_def_val(&column);
            if (!def.empty()) {
                tk_wlog(1, L"got def value: %s", def.c_str());
                clause += L" DEFAULT " + def;
            }
        }

        const bool numbered = column.b_auto_increment && can_have_auto_num(&column);
        if (numbered) {
            if (!m_auto_increment_name.empty()) throw tk_mail_assertion("sql_init", 138);
            m_auto_increment_name = column.name;
            clause += L" AUTO_INCREMENT";
        } else if (column.b_default_expression) {
            m_notices.push_back(L"Table '" + m_table + L"', column '" + column.name +
                                L"': the default " + column.default_value.to_wstring() +
                                L" is an expression of the source and is left out");
        }

        if (!column.comment.empty()) {
            tk_wlog(1, L"Setting column's comment: '%s'", column.comment.c_str());
            clause += L" COMMENT '" + sql_escape_text(column.comment) + L"'";
        }
        if (!collation.empty()) m_key_texts.push_back({head, charset, clause.substr(tail_start)});
        out.push_back(clause);
        m_charsets.push_back(charset);
    }
}

bool sql_schema_initializer::in_unique_key(const std::wstring& source_name) const {
    for (const udb_index& index : m_indexes) {
        if (!index.unique && !index.primary) continue;
        for (const std::wstring& column : index.columns)
            if (column == source_name) return true;
    }
    return false;
}
