// tk_string: a narrow std::string with in-place replacement.  Not thread-safe (like the string).
#pragma once

#include <string>

class tk_string : public std::string {
public:
    using std::string::string;
    tk_string() = default;
    tk_string(const std::string& s) : std::string(s) {}        // NOLINT: converts like the base
    tk_string(std::string&& s) : std::string(std::move(s)) {}  // NOLINT

    // Replaces every occurrence of what, left to right, never searching an inserted replacement
    // again; an empty what changes nothing.  Answers a copy of the result.  Never fails.
    tk_string replace_all(const std::string& what, const std::string& with);
};
