#include "ORA/ora_lob_insert.h"

#include "ORA/ora_engine.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_utils.h"
#include "TK/tk_logger.h"
#include "UDB/udb_schema.h"
#include "variant/ole_variant.h"

namespace {

std::wstring quoted(const std::wstring& name) {
    return L"\"" + name + L"\"";
}

bool is_null(const ole_variant* value) {
    return value == nullptr || value->is_null();
}

}  // namespace

t_lob_desc::t_lob_desc(int idx_, int idx_in_, int vt_, const std::wstring& name_, bool is_long_)
    : idx(idx_), idx_in(idx_in_), vt(vt_), name(name_), is_long(is_long_) {
    tk_wlog(1, L"t_lob_desc::ctor1(%d,%d,%s)", idx, idx_in, name.c_str());
}

bool ora_is_lob_column(int vartype, unsigned size) {
    const bool kind = vartype == VT_BSTR || vartype == VT_BLOB || vartype == VT_BYTE_ARRAY;
    return kind && (size == 0 || size > 2000);
}

ora_lob_insert::ora_lob_insert(const std::wstring& table,
                               const std::vector<t_lob_desc>& descriptors)
    : m_table(table), m_desc(descriptors) {
    tk_log(1, "ora_lob_insert::ctor(1)");
    init();
}

ora_lob_insert::ora_lob_insert(const std::wstring& table, const udb_schema& schema)
    : m_table(table) {
    tk_log(1, "ora_lob_insert::ctor(2)");
    int eye = 0;
    for (const auto& column : schema) {
        tk_wlog(1, L"Processing '%s': vt=%d, size=%d", column->name.c_str(), column->vartype,
                static_cast<int>(column->size));
        if (ora_is_lob_column(column->vartype, column->size)) {
            tk_wlog(1, L"GOT LOB FIELD '%s'", column->name.c_str());
            m_desc.emplace_back(eye, static_cast<int>(m_desc.size()),
                                column->vartype == VT_BSTR ? VT_BSTR : VT_BLOB, column->name,
                                column->native_type == L"LONG");
        }
        ++eye;
    }
    init();
}

ora_lob_insert::~ora_lob_insert() {
    ora_engine* eng = ora_engine::find_instance();
    if (!eng) return;
    for (OCILobLocator* locator : m_locators)
        if (locator) eng->oci().DescriptorFree(locator, OCI_DTYPE_LOB);
}

void ora_lob_insert::init() {
    tk_log(2, "ora_lob_insert::init(ld.size()=%d)", static_cast<int>(m_desc.size()));
    ora_engine& eng = ora_engine::instance();
    m_locators.assign(m_desc.size(), nullptr);
    m_defines.assign(m_desc.size(), nullptr);
    for (std::size_t i = 0; i < m_desc.size(); ++i) {
        tk_log(1, "ld[%d].idx=%d, ld[%d].idx_in=%d, ld[%d].vt=%d", static_cast<int>(i),
               m_desc[i].idx, static_cast<int>(i), m_desc[i].idx_in, static_cast<int>(i),
               m_desc[i].vt);
        if (m_desc[i].is_long) continue;
        eng.check_err(eng.oci().DescriptorAlloc(eng.env(), reinterpret_cast<void**>(&m_locators[i]),
                                                OCI_DTYPE_LOB, 0, nullptr));
    }
}

void ora_lob_insert::insert(const std::wstring& rowid,
                            const std::vector<const ole_variant*>& values) {
    tk_wlog(1, L"ora_lob_insert::insert(%s)", rowid.c_str());
    tk_log(1, "ld.size()=%d", static_cast<int>(m_desc.size()));
    if (m_desc.empty()) {
        tk_log(2, "Record has no LOBs - skip it");
        return;
    }
    ora_engine& eng = ora_engine::instance();
    const std::wstring table = eng.get_safe_name(m_table);
    const std::wstring where = L" WHERE ROWID='" + ora_quote_literal(rowid) + L"'";

    // LONG values and NULLs go by one UPDATE: a LONG has no locator, and a NULL must not stay
    // the empty LOB of the placeholder.
    std::wstring sets;
    std::vector<std::u16string> long_texts;
    std::vector<std::size_t> long_at;
    for (std::size_t i = 0; i < m_desc.size(); ++i) {
        const ole_variant* value = i < values.size() ? values[i] : nullptr;
        if (!m_desc[i].is_long && !is_null(value)) continue;
        if (!sets.empty()) sets += L", ";
        sets += quoted(m_desc[i].name) + L" = ";
        if (is_null(value)) {
            sets += L"NULL";
        } else {
            long_texts.push_back(ora_to_utf16(value->to_wstring()));
            long_at.push_back(i);
            sets += L":" + std::to_wstring(long_texts.size());
        }
    }
    if (!sets.empty()) {
        const std::wstring sql = L"UPDATE " + table + L" SET " + sets + where;
        tk_wlog(2, L"Run SQL query: %s\n", sql.c_str());
        ora_stmt stmt;
        eng.check_err(stmt.prepare(sql));
        std::vector<OCIBind*> binds(long_texts.size(), nullptr);
        for (std::size_t k = 0; k < long_texts.size(); ++k) {
            eng.check_err(eng.oci().BindByPos(stmt.get(), &binds[k], eng.err(),
                                              static_cast<ub4>(k + 1), long_texts[k].data(),
                                              static_cast<sb4>(long_texts[k].size() * 2), SQLT_LNG,
                                              nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT));
        }
        eng.check_err(stmt.execute(1));
    }

    std::wstring columns;
    std::vector<std::size_t> selected;
    for (std::size_t i = 0; i < m_desc.size(); ++i) {
        const ole_variant* value = i < values.size() ? values[i] : nullptr;
        if (m_desc[i].is_long || is_null(value)) continue;
        if (!columns.empty()) columns += L", ";
        columns += quoted(m_desc[i].name);
        selected.push_back(i);
    }
    if (selected.empty()) return;
    const std::wstring sql = L"SELECT " + columns + L" FROM " + table + where + L" FOR UPDATE";
    tk_wlog(2, L"Run SQL query: %s\n", sql.c_str());
    ora_stmt stmt;
    eng.check_err(stmt.prepare(sql));
    for (std::size_t k = 0; k < selected.size(); ++k) {
        const std::size_t i = selected[k];
        eng.check_err(eng.oci().DefineByPos(stmt.get(), &m_defines[i], eng.err(),
                                            static_cast<ub4>(k + 1), &m_locators[i], -1,
                                            m_desc[i].vt == VT_BSTR ? SQLT_CLOB : SQLT_BLOB,
                                            nullptr, nullptr, nullptr, OCI_DEFAULT));
    }
    eng.check_err(stmt.execute(1));
    for (std::size_t i : selected) {
        if (m_desc[i].vt == VT_BSTR)
            write_clob(m_locators[i], *values[i]);
        else
            write_blob(m_locators[i], *values[i], static_cast<int>(i));
    }
    tk_log(1, "ora_insert::insert - at the END");
}

void ora_lob_insert::write_clob(OCILobLocator* locator, const ole_variant& value) {
    tk_log(1, "ora_lob_insert::write_clob");
    const std::u16string text = ora_to_utf16(value.to_wstring());
    if (text.empty()) {
        tk_log(1, "Got empty CLOB - skip it");
        return;
    }
    tk_log(1, "CLOB size=%d", static_cast<int>(text.size()));
    ora_engine& eng = ora_engine::instance();
    ub4 amount = static_cast<ub4>(text.size());
    eng.check_err(eng.oci().LobWrite(
        eng.svc(), eng.err(), locator, &amount, 1, const_cast<char16_t*>(text.data()),
        static_cast<ub4>(text.size() * 2), OCI_ONE_PIECE, nullptr, nullptr, 0, SQLCS_IMPLICIT));
}

void ora_lob_insert::write_blob(OCILobLocator* locator, const ole_variant& value, int i) {
    tk_log(1, "ora_lob_insert::write_blob(i=%d)", i);
    const std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
    std::vector<std::uint8_t> converted;
    if (value.vt() == VT_BYTE_ARRAY || value.vt() == VT_BLOB) {
        size = value.get_bytes1(bytes);
    } else {
        // A text stands for its own bytes (UTF-8).
        std::string utf8 = ora_to_utf8(value.to_wstring());
        converted.assign(utf8.begin(), utf8.end());
        bytes = converted.data();
        size = converted.size();
    }
    if (size == 0) {
        tk_log(1, "Got empty BLOB - skip it");
        return;
    }
    tk_log(1, "BLOB size=%d", static_cast<int>(size));
    if (size >= 4)
        tk_log(1, "BLOB: %02X %02X %02X %02X...", bytes[0], bytes[1], bytes[2], bytes[3]);
    ora_engine& eng = ora_engine::instance();
    ub4 amount = static_cast<ub4>(size);
    eng.check_err(eng.oci().LobWrite(eng.svc(), eng.err(), locator, &amount, 1,
                                     const_cast<std::uint8_t*>(bytes), static_cast<ub4>(size),
                                     OCI_ONE_PIECE, nullptr, nullptr, 0, 0));
}
