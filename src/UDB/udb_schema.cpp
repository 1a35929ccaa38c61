#include "UDB/udb_schema.h"

#include "TK/tk_logger.h"
#include "UDB/udb_compare.h"

#include <cstdint>

udb_schema::udb_schema(bool setting) : m_setting(setting) {
    tk_log(2, "udb_schema::ctor");
}

// The stand-in for a missing name is per object and never shared, so it is not copied.
udb_schema::udb_schema(const udb_schema& other)
    : m_fields(other.m_fields), m_setting(other.m_setting) {}

udb_schema& udb_schema::operator=(const udb_schema& other) {
    if (this != &other) {
        m_fields = other.m_fields;
        m_setting = other.m_setting;
    }
    return *this;
}

udb_schema::~udb_schema() {
    tk_log(2, "udb_schema::dtor");
    m_fields.clear();
    tk_log(2, "udb_schema::dtor - at the end");
}

const t_ftd* udb_schema::find(const std::wstring& name) const {
    for (const auto& f : m_fields) {
        if (udb_equal_nocase(f->name, name)) return f.get();
    }
    return nullptr;
}

bool udb_schema::find_field(const std::wstring& name) const {
    tk_wlog(2, L"udb_schema::find_field(%s)", name.c_str());
    tk_log(1, "Schema size=%d", static_cast<int>(m_fields.size()));
    int i = 0;
    for (const auto& f : m_fields) {
        tk_log(1, "Processing field #%d, ptr=%08X", i++,
               static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(f.get())));
        tk_wlog(1, L"Field name: '%s'", f->name.c_str());
        if (udb_equal_nocase(f->name, name)) return true;
    }
    return false;
}

int udb_schema::get_field_idx(const std::wstring& name) const {
    tk_wlog(2, L"udb_schema::get_field_idx(%s)", name.c_str());
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (udb_equal_nocase(m_fields[i]->name, name)) return static_cast<int>(i);
    }
    return -1;
}

int udb_schema::get_field_size(const std::wstring& name) const {
    tk_wlog(2, L"udb_schema::get_field_size(%s)", name.c_str());
    if (const t_ftd* f = find(name)) return static_cast<int>(f->size);
    tk_wlog(3, L"Field '%s' not found", name.c_str());
    return -1;
}

int udb_schema::get_field_type(const std::wstring& name) const {
    tk_wlog(2, L"udb_schema::get_field_type(%s)", name.c_str());
    if (const t_ftd* f = find(name)) return f->vartype;
    tk_wlog(2, L"Field '%s' not found", name.c_str());
    return 1;  // VT_NULL
}

t_ftd& udb_schema::get_field1(const std::wstring& name) {
    tk_wlog(2, L"udb_schema::get_field1(%s)", name.c_str());
    if (const t_ftd* f = find(name)) return const_cast<t_ftd&>(*f);
    tk_wlog(3, L"Field '%s' not found", name.c_str());
    // A caller may have changed the stand-in after the previous miss.
    m_missing = t_ftd();
    return m_missing;
}

const t_ftd& udb_schema::get_field2(const std::wstring& name) const {
    tk_wlog(2, L"udb_schema::get_field2(%s)", name.c_str());
    if (const t_ftd* f = find(name)) return *f;
    tk_wlog(3, L"Field '%s' not found", name.c_str());
    static const t_ftd empty;
    return empty;
}

void udb_schema::set_field_comment(const std::wstring& name, const std::wstring& comment) {
    tk_wlog(2, L"udb_schema::set_field_comment(%s,%s)", name.c_str(), comment.c_str());
    if (comment.empty()) return;
    if (const t_ftd* f = find(name)) {
        const_cast<t_ftd*>(f)->comment = comment;
        return;
    }
    tk_wlog(2, L"Field '%s' not found", name.c_str());
}

void udb_schema::push_back(std::shared_ptr<t_ftd> field) {
    if (field) m_fields.push_back(std::move(field));
}

t_ftd& udb_schema::add_field(const t_ftd& field) {
    m_fields.push_back(std::make_shared<t_ftd>(field));
    return *m_fields.back();
}
