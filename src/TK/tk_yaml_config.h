// tk_yaml_config: a small line-based file of "key:" lines and "- item" lines read into a map from
// key to items (in the order read, duplicates kept).  Keys are ordered and compared by code unit.
// load only adds; items before the first key line belong to the empty key, and a key enters the
// map with its first item.
// Thread-safety: none.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

// Orders keys by their UTF-16 code units on every platform: characters above U+FFFF sort between
// U+D7FF and U+E000.
struct tk_utf16_less {
    bool operator()(const std::wstring& a, const std::wstring& b) const noexcept;
};

class tk_yaml_config : public std::map<std::wstring, std::vector<std::wstring>, tk_utf16_less> {
public:
    // Adds the items of a UTF-8 file, leaving out items equal to a member of `deny`; false when
    // the file cannot be opened (the map unchanged) or stops reading before its end (what was
    // read stays).  Lines of any length are read.  Raises tk_exception_ex (level 0) on bytes that
    // are not UTF-8.
    bool load(const std::string& path, const std::set<std::wstring>& deny);
};
