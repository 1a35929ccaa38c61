#include "ORA/ora_schema_initializer.h"

#include "ORA/ora_database.h"
#include "UDB/udb_recordset.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_literal.h"
#include "ORA/ora_utils.h"
#include "ORA/ora_validator.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_wstring.h"
#include "UDB/udb_custom_conversion.h"

namespace {

std::wstring upper(const std::wstring& text) {
    tk_wstring copy(text);
    return copy.to_upper();
}

// A text or binary column that Oracle keeps out of line: no DEFAULT, no NOT NULL.
bool is_lob_sized(const t_ftd& column, bool with_byte_array) {
    const bool kind = column.vartype == VT_BSTR || column.vartype == VT_BLOB ||
                      (with_byte_array && column.vartype == VT_BYTE_ARRAY);
    return kind && (column.size == 0 || column.size > 2000);
}

std::wstring quoted(const std::wstring& name) {
    return L"\"" + name + L"\"";
}

}  // namespace

ora_schema_initializer::ora_schema_initializer(const std::wstring& table, bool uppercase,
                                               const udb_schema& fields, const udb_indexes& indexes)
    : m_table(table), m_uppercase(uppercase), m_validator(fields), m_indexes(indexes) {
    tk_log(2, "ora_schema_initializer::ctor");
    int eye = 0;
    for (const auto& source : fields) {
        std::wstring name = m_uppercase ? upper(source->name) : source->name;
        if (!m_validator.is_acceptable(name)) name = m_validator.get_safe_name(name);
        tk_wlog(1, L"\tschema[%d]: dw_reserved=%d, native_type=%s", eye++, source->dw_reserved,
                source->native_type.c_str());
        auto column = std::make_unique<t_ftd>(*source);
        column->name = name;
        if (column->b_auto_increment) {
            column->default_value = ole_variant();
            column->b_not_null = false;
        }
        if (name != source->name) {
            tk_wlog(2, L"Store generated column name '%s'", name.c_str());
            tk_wlog(1, L"udb_validator::add_existing_name(%s)", name.c_str());
            tk_wlog(1, L"udb_validator::add_mapped_pair(%s,%s)", source->name.c_str(),
                    name.c_str());
            m_validator.add_mapped_pair(source->name, name);
        }
        m_validator.add_existing_name(name);
        if (source->b_auto_increment) m_auto_increment = name;
        m_columns.push_back(std::move(column));
    }
}

std::wstring ora_schema_initializer::create_statement() const {
    ora_engine& eng = ora_engine::instance();
    std::wstring sql = L"CREATE TABLE " + eng.get_safe_name(m_table) + L" (";
    int eye = 0;
    for (const auto& column : m_columns) {
        tk_wlog(1, L"\tschema[%d]->native_type=%s", eye++, column->native_type.c_str());
        std::wstring type;
        if (udb_custom_conversion::is_acceptable1(*column))
            type = udb_custom_conversion::handle1(*column);
        else if (!column->native_type.empty())
            type = column->native_type;
        else
            type = get_ora_native_type(*column, true);
        if (!ora_engine::is_supported_type(type))
            tk_wlog(3, L"Table '%s': column '%s' has unsupported type '%s', skip it",
                    m_table.c_str(), column->name.c_str(), type.c_str());
        if (sql.back() != L'(') sql += L", ";
        sql += quoted(column->name) + L" " + type;
        std::wstring def = make_ora_def_val(*column);
        tk_wlog(1, L"got def value: %s", def.c_str());
        if (!def.empty() && !is_lob_sized(*column, false)) sql += L" DEFAULT " + def;
        tk_wlog(1, L"OraField name='%s', type=%d, size=%d", column->name.c_str(), column->vartype,
                static_cast<int>(column->size));
        if (column->b_not_null && !is_lob_sized(*column, true)) sql += L" NOT NULL";
    }
    return sql + L")";
}

void ora_schema_initializer::build_schema(ora_database& db) {
    tk_log(2, "ora_schema_initializer::build_schema( n_columns=%d )",
           static_cast<int>(m_columns.size()));
    const std::wstring sql = create_statement();
    tk_wlog(2, L"Run SQL query: %s\n", sql.c_str());
    db.query(sql);
    if (m_auto_increment.empty()) return;
    const std::wstring sequence = create_sequence(db);
    if (sequence.empty()) {
        tk_log(2, "Failed to create a sequence");
        return;
    }
    tk_wlog(2, L"sequence_name=%s", sequence.c_str());
    ora_engine& eng = ora_engine::instance();
    ora_validator names;
    const std::wstring trigger = names.get_safe_name(m_table) + L"__TRIGGER";
    tk_wlog(2, L"Trigger name: %s", trigger.c_str());
    const std::wstring column = quoted(m_auto_increment);
    const std::wstring sql2 = L"CREATE OR REPLACE TRIGGER " + quoted(trigger) +
                              L" BEFORE INSERT ON " + eng.get_safe_name(m_table) +
                              L" FOR EACH ROW " + L"WHEN (new." + column + L" IS NULL) " +
                              L"BEGIN " + L"select " + quoted(sequence) + L".nextval into :new." +
                              column + L" from dual; " + L"END;";
    try {
        db.query(sql2);
    } catch (const ora_exception& e) {
        tk_log(2, "Error while creating index for trigger:\n%s\n", e.what());
    }
}

std::wstring ora_schema_initializer::create_sequence(ora_database& db) const {
    tk_log(1, "ora_schema_initializer::create_sequence");
    std::wstring base = m_table;
    if (base.size() > 28) base.resize(base.size() - 2);
    for (int n = 0; n <= 99; ++n) {
        ora_validator names;
        std::wstring candidate = names.get_safe_name(base + L"_" + std::to_wstring(n));
        try {
            db.query(L"CREATE SEQUENCE " + quoted(candidate) +
                     L" INCREMENT BY 1 START WITH 1 MAXVALUE 1.0E28 MINVALUE 1 NOCYCLE NOCACHE "
                     L"ORDER");
            return candidate;
        } catch (const ora_exception& e) {
            const int number = e.code() & 0xFFFF;
            if (number == k_ora_name_in_use) continue;
            if (number == k_ora_insufficient_privileges)
                throw tk_exception(
                    "Insufficient privileges to create sequence.\nAuto increment will not be "
                    "converted.",
                    0);
            throw;
        }
    }
    return std::wstring();
}
