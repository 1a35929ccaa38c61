#include "UDB/udb_field.h"

#include <utility>

#include "TK/tk_logger.h"

udb_field::udb_field() {
    tk_log(1, "udb_field::empty ctor");
}

udb_field::udb_field(const std::wstring& name, int size, const ole_variant& value, bool flag1,
                     bool flag2)
    : ole_variant(value), m_size(size), m_name(name), m_flag1(flag1), m_flag2(flag2) {
    tk_log(1, "udb_field::ctor #2");
    tk_wlog(1, L"name=%s, size=%d", m_name.c_str(), m_size);
}

udb_field::udb_field(const std::wstring& name, int size, ole_variant&& value, bool flag1,
                     bool flag2)
    : ole_variant(std::move(value)), m_size(size), m_name(name), m_flag1(flag1), m_flag2(flag2) {
    tk_log(1, "udb_field::ctor #2");
    tk_wlog(1, L"name=%s, size=%d", m_name.c_str(), m_size);
}

udb_field::udb_field(const udb_field& other)
    : ole_variant(other),
      m_size(other.m_size),
      m_name(other.m_name),
      m_flag1(other.m_flag1),
      m_flag2(other.m_flag2) {
    tk_log(1, "udb_field::copy ctor");
}

udb_field& udb_field::operator=(const udb_field& other) {
    if (this != &other) {
        ole_variant::operator=(other);
        m_size = other.m_size;
        m_name = other.m_name;
        m_flag1 = other.m_flag1;
        m_flag2 = other.m_flag2;
    }
    return *this;
}

udb_field::~udb_field() = default;

VARTYPE udb_field::get_type() const {
    tk_log(1, "ole_variant::get_type");
    return vt();
}
