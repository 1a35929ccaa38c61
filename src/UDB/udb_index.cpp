#include "UDB/udb_index.h"

#include "TK/tk_logger.h"
#include "UDB/udb_compare.h"

udb_index::udb_index() = default;

udb_index::udb_index(const std::wstring& name_, bool unique_, bool primary_,
                     const std::vector<std::wstring>& columns_)
    : name(name_), unique(unique_), primary(primary_), columns(columns_) {
    tk_wlog(2, L"udb_index::ctor('%s',%d,%d)", name.c_str(), unique ? 1 : 0, primary ? 1 : 0);
}

bool udb_index::starts_with_fields(const std::vector<std::wstring>& fields) const {
    tk_wlog(2, L"udb_index(%s)::starts_with_fields", name.c_str());
    if (columns.size() < fields.size()) return false;
    if (fields.empty()) {
        tk_log(1, "starts_with_fields returns true");
        return true;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!udb_equal_nocase(columns[i], fields[i])) {
            tk_wlog(1, L"Field '%s' not found", fields[i].c_str());
            return false;
        }
    }
    return true;
}

bool udb_index::consists_of_fields(const std::vector<std::wstring>& fields) const {
    tk_wlog(1, L"udb_index(%s)::consists_of_fields", name.c_str());
    if (columns.size() != fields.size()) return false;
    for (const std::wstring& field : fields) {
        bool found = false;
        for (const std::wstring& column : columns) found = found || column == field;
        if (!found) {
            tk_wlog(1, L"Field '%s' not found", field.c_str());
            return false;
        }
    }
    tk_log(1, "consists_of_fields returns true");
    return true;
}
