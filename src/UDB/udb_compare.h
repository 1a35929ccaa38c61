// Name comparison of the database model.  Table, column, index and key names are compared
// ignoring case wherever the model does not say "exact"; every such comparison goes through
// this one function so that all of them agree on what "ignoring case" means.
// Thread-safety: pure function, safe from any thread.
#pragma once

#include <string>

// True when a and b are the same name ignoring case (locale aware); never raises.
bool udb_equal_nocase(const std::wstring& a, const std::wstring& b);

// Orders names by their UTF-16 code units, as the profile and the names maps are ordered on
// every platform: characters above U+FFFF sort between U+D7FF and U+E000.  Never raises.
struct udb_utf16_less {
    bool operator()(const std::wstring& a, const std::wstring& b) const noexcept;
};
