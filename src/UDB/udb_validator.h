// udb_validator: decides whether a name is acceptable to a destination and turns any name into an
// acceptable one that is not taken, by one fixed rule: cut to the length limit, replace illegal
// characters by '_', then append a five-digit number when the name is still refused or taken.
// Families for each database derive from it and add illegal characters and reserved words.
// Restricted and existing names are compared ignoring case (udb_equal_nocase).
// Thread-safety: none; a validator serves one run or one table on one thread.
#pragma once

#include <string>
#include <vector>

#include "UDB/t_names_map.h"

// A C0 or C1 control character, or DEL: never part of a name a user can read or a server takes
// everywhere.  Fixed, not the locale's, so that a repair gives the same name on every machine.
constexpr bool udb_is_control(wchar_t c) noexcept {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

class udb_validator {
public:
    // `max_length` is the longest acceptable name in characters; 0 means unlimited.
    explicit udb_validator(int max_length);
    udb_validator(const udb_validator&) = default;
    udb_validator& operator=(const udb_validator&) = default;
    // Virtual: validators are owned and released through this base.
    virtual ~udb_validator();

    // True when the name fits the length limit, is not restricted and has no illegal character.
    virtual bool is_acceptable(const std::wstring& name);
    // True when the name equals an existing name (ignoring case).
    virtual bool is_duplicated(const std::wstring& name);
    // An acceptable name that is not taken, derived from `name`; records nothing.  Raises
    // tk_mail_assertion("udb_vali", 54) when all 100,000 numbered candidates are refused.
    virtual std::wstring get_safe_name(const std::wstring& name);

    // The name `name` is given among the names taken before it: itself when acceptable, else its
    // safe name (recorded in the mapping).  Either way it is taken from then on, in any letter
    // case, so that names differing only by case never reach the destination side by side.
    std::wstring take_name(const std::wstring& name);

    // Marks a name as taken.
    void add_existing_name(const std::wstring& name);
    // Records that `source` was repaired into `repaired` (the first record of a source stays).
    void add_mapped_pair(const std::wstring& source, const std::wstring& repaired);
    // Adds a name that no acceptable name may equal.
    void add_restricted_name(const std::wstring& name);
    // Adds a character that no acceptable name may contain.
    void add_illegal_char(wchar_t c);

    int get_max_length() const noexcept { return m_max_length; }
    const t_names_map& get_mapping() const noexcept { return m_mapping; }

    // The line that tells the user a name was repaired: "<kind> 'SOURCE' -> 'REPAIRED' (name
    // repaired)", with "of table 'TABLE'" after the source when `table` is given.  Control
    // characters are shown escaped, so that the line stays one line.
    static std::wstring repair_notice(const std::wstring& kind, const std::wstring& source,
                                      const std::wstring& repaired,
                                      const std::wstring& table = std::wstring());

protected:
    int m_max_length;
    t_names_map m_mapping;
    std::vector<wchar_t> m_illegal;
    std::vector<std::wstring> m_restricted;
    std::vector<std::wstring> m_existing;
};
