#include "UDB/t_names_map.h"

#include "TK/tk_logger.h"
#include "UDB/udb_compare.h"

namespace {
bool names_match(const std::wstring& a, const std::wstring& b, bool exact) {
    return exact ? a == b : udb_equal_nocase(a, b);
}
}  // namespace

void t_names_map::add(const std::wstring& source, const std::wstring& destination) {
    tk_wlog(1, L"t_names_map::add(%s,%s)", source.c_str(), destination.c_str());
    m_map.emplace(source, destination);
}

std::wstring t_names_map::get_mapped_name(const std::wstring& name, bool exact) const {
    tk_wlog(2, L"t_names_map::get_mapped_name(%s)", name.c_str());
    for (const auto& [source, destination] : m_map) {
        if (names_match(source, name, exact)) {
            tk_wlog(1, L"Got mapped name: %s", destination.c_str());
            return destination;
        }
    }
    return name;
}

std::wstring t_names_map::get_orig_name(const std::wstring& name, bool exact) const {
    for (const auto& [source, destination] : m_map) {
        if (names_match(destination, name, exact)) {
            tk_wlog(1, L"Got orignal name: %s", source.c_str());
            return source;
        }
    }
    return name;
}
