#include "UDB/udb_relationships.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "UDB/udb_compare.h"

#include <utility>

const udb_relationship* udb_relationships::find(const std::wstring& name) const {
    for (const auto& rel : m_list) {
        if (udb_equal_nocase(rel.name, name)) return &rel;
    }
    return nullptr;
}

udb_relationship& udb_relationships::get_index(const std::wstring& name) {
    return const_cast<udb_relationship&>(std::as_const(*this).get_index(name));
}

const udb_relationship& udb_relationships::get_index(const std::wstring& name) const {
    tk_wlog(2, L"udb_relationships::get_index(%s)", name.c_str());
    if (const udb_relationship* rel = find(name)) return *rel;
    throw tk_mail_assertion("udb_rel", 129);
}

bool udb_relationships::is_acceptable_name(const std::wstring& name) const {
    tk_wlog(2, L"udb_relationships::is_acceptable_name(%s)", name.c_str());
    return find(name) == nullptr;
}
