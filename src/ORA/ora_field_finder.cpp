#include "ORA/ora_field_finder.h"

#include <algorithm>

#include "TK/tk_logger.h"
#include "TK/tk_wstring.h"

ora_field_finder::ora_field_finder(const udb_record& fields, bool upper_case)
    : m_validator(fields) {
    tk_log(2, "ora_field_finder::ctor");
    initialize(fields, upper_case);
}

void ora_field_finder::initialize(const udb_record& fields, bool upper_case) {
    tk_log(2, "ora_field_finder::intialize");
    m_names.reserve(fields.size());
    for (const auto& field : fields) {
        tk_wstring name(field->get_name());
        if (upper_case) name.to_upper();
        if (m_validator.is_acceptable(name)) {
            tk_wlog(1, L"Name '%s' is safe", name.c_str());
        } else {
            std::wstring safe = m_validator.get_safe_name(name);
            tk_wlog(1, L"Generate safe name: %s->%s", name.c_str(), safe.c_str());
            name = safe;
            m_validator.add_existing_name(name);
        }
        m_names.push_back(name);
        m_validator.add_existing_name(name);
    }
}

int ora_field_finder::get_field_idx(const std::wstring& name) const {
    tk_log(1, "ora_field_finder::get_field_idx");
    auto it = std::find(m_names.begin(), m_names.end(), name);
    return it == m_names.end() ? -1 : static_cast<int>(it - m_names.begin());
}
