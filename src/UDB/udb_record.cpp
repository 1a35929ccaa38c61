#include "UDB/udb_record.h"

#include "TK/tk_logger.h"
#include "UDB/udb_compare.h"

udb_record::udb_record() = default;

udb_record::~udb_record() {
    tk_log(2, "udb_record::dtor");
    reset();
}

bool udb_record::find_field(const std::wstring& name) const {
    tk_wlog(2, L"udb_record::find_field(%s)", name.c_str());
    for (const auto& f : m_fields) {
        tk_wlog(1, L"Processing %s", f->get_name().c_str());
        if (udb_equal_nocase(f->get_name(), name)) return true;
    }
    return false;
}

udb_field& udb_record::get_field(const std::wstring& name) {
    tk_wlog(2, L"udb_record::get_field(%s)", name.c_str());
    for (auto& f : m_fields) {
        if (udb_equal_nocase(f->get_name(), name)) return *f;
    }
    // A caller may have changed the stand-in after the previous miss.
    m_missing = udb_field();
    return m_missing;
}

void udb_record::reset() {
    tk_log(2, "udb_record::reset");
    m_fields.clear();
}

void udb_record::push_back(std::unique_ptr<udb_field> field) {
    if (field) m_fields.push_back(std::move(field));
}

udb_field& udb_record::add_field(const udb_field& field) {
    m_fields.push_back(std::make_unique<udb_field>(field));
    return *m_fields.back();
}
