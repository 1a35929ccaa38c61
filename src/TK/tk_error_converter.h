// tk_error_converter: turns an error code into its user-facing text, from a table given once.
// Built at start-up and read-only afterwards, so reading it from several threads is safe.
#pragma once

#include <map>
#include <string>

// One (code, text) pair of a constant table.
struct tk_error_pair {
    int code;
    const char* text;
};

class tk_error_converter {
public:
    // Loads the count pairs of table; a null table raises tk_mail_assertion("tk_errco", 43).
    tk_error_converter(int count, const tk_error_pair* table);

    // Adds the pairs in order; of two pairs with one code the first stays.  A null table raises
    // tk_mail_assertion("tk_errco", 43).
    void load_map(int count, const tk_error_pair* table);
    // The text of the code, or an empty string when the code has none.  Never raises.
    std::string convert(int code) const;

private:
    std::map<int, std::string> m_texts;
};
