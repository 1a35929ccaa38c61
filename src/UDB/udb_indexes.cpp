#include "UDB/udb_indexes.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

udb_index* udb_indexes::find(const std::wstring& name) {
    for (auto& idx : m_indexes) {
        // Exact: the sources' catalogues spell a name the same way on each of its rows, and two
        // indexes named "ix" and "IX" are two indexes (the destination repairs one of them).
        if (idx.name == name) return &idx;
    }
    return nullptr;
}

const udb_index* udb_indexes::find(const std::wstring& name) const {
    return const_cast<udb_indexes*>(this)->find(name);
}

void udb_indexes::push_back(const udb_index& index) {
    tk_wlog(2, L"udb_indexes::push_back(%s)", index.name.c_str());
    udb_index* existing = find(index.name);
    if (!existing) {
        tk_log(2, "Index does not exist, add it");
        m_indexes.push_back(index);
        return;
    }
    if (existing->primary) {
        tk_log(2, "Primary key with the same name exists, skip it.");
    } else if (index.primary) {
        tk_log(2, "Upgrade existing index to primary key.");
        *existing = index;
    } else if (existing->unique) {
        tk_log(2, "Unique index with the same name exists, skip it.");
    } else if (index.unique) {
        tk_log(2, "Set unique attribute for existing index.");
        *existing = index;
    }
}

bool udb_indexes::find2(const std::wstring& name) const {
    tk_log(2, "udb_indexes::find2");
    return find(name) != nullptr;
}

udb_index& udb_indexes::get_index(const std::wstring& name) {
    tk_wlog(2, L"udb_indexes::get_index(%s)", name.c_str());
    if (udb_index* idx = find(name)) return *idx;
    throw tk_mail_assertion("udb_idx", 189);
}

const udb_index& udb_indexes::get_index(const std::wstring& name) const {
    return const_cast<udb_indexes*>(this)->get_index(name);
}

bool udb_indexes::is_idx_field(const std::wstring& column, bool primary_only) const {
    tk_wlog(2, L"udb_indexes::is_idx_field(%s)", column.c_str());
    for (const auto& idx : m_indexes) {
        if (primary_only && !idx.primary) continue;
        for (const auto& c : idx.columns) {
            if (c == column) {
                tk_log(1, "index field");
                return true;
            }
        }
    }
    tk_log(1, "non-index field");
    return false;
}

bool udb_indexes::is_acceptable_name(const std::wstring& name) const {
    tk_wlog(2, L"udb_indexes::is_acceptable_name(%s)", name.c_str());
    return find(name) == nullptr;
}
