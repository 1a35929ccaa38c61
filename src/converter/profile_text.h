// The texts a profile keeps on one line: the section and key names the converter writes and
// reads, the one-line form of SQL text, and the check that a filled profile reads back as it was
// written.  A profile line ends at its line break and is split at its first "=", and bare lines
// and "[...]" lines mean something of their own, so some values cannot be kept as they are.
// Thread-safety: the functions keep no state.
#pragma once

#include <string>

#include "TK/tk_exception.h"
#include "UDB/udb_profile.h"

inline constexpr const wchar_t k_available_queries[] = L"Available Queries";
inline constexpr const wchar_t k_selected_tables[] = L"Selected Tables";
inline constexpr const wchar_t k_selected_views[] = L"Selected Views";
inline constexpr const wchar_t k_generic_settings[] = L"Generic settings";
inline constexpr const wchar_t k_oracle_settings[] = L"Oracle settings";
inline constexpr const wchar_t k_mysql_settings[] = L"MySQL settings";
inline constexpr const wchar_t k_type_mappings[] = L"Type Mappings";

// The text on one line with the same meaning as Oracle SQL: line breaks become blanks, a "--"
// comment that a line break ended becomes a "/* */" comment, and a line break inside a quoted
// literal becomes a CHR() concatenation, so the literal keeps its value.  Trailing blanks go.
// Text that is already on one line is returned unchanged (but for trailing blanks), so the form
// is stable under repetition.  Never raises beyond allocation.
std::wstring sql_one_line(const std::wstring& text);

// A flag as a profile writes it: "1" or "0".
inline const wchar_t* profile_flag(bool value) {
    return value ? L"1" : L"0";
}

// True when every pair and list line of the profile reads back from its file exactly as it is
// held; otherwise false with the section and key (or line) of the first one that would not in
// `why`.  Never raises beyond allocation.
bool profile_reads_back(const udb_profile& profile, std::wstring& why);

// A profile line the reader cannot take (level 1): its line in the file (0 when the profile was
// not read from one), the line as it stands and what belongs there.  The message reads
// "line N ('text'): expected what".
class profile_fault : public tk_exception {
public:
    profile_fault(int line, const std::wstring& text, const std::wstring& expected);

    // The message as wide text, for a caller that names the file in front of it.
    const std::wstring& description() const noexcept { return m_description; }

private:
    std::wstring m_description;
};
