// udb_profile: the settings of one conversion as a profile file (UTF-8, CR LF lines) in memory:
// sections of key=value pairs and sections of list lines, both ordered by name (exact code-unit
// order).  store writes the pair sections then the list sections; load reads them back, taking
// every bare line of a section both as a list line and as a key without value.  Lines of any
// length are read.
// Thread-safety: none; a profile lives for one store or one load.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "UDB/udb_compare.h"

class udb_profile {
public:
    using pair_list = std::vector<std::pair<std::wstring, std::wstring>>;
    using line_list = std::vector<std::wstring>;
    using section_map = std::map<std::wstring, pair_list, udb_utf16_less>;
    using list_section_map = std::map<std::wstring, line_list, udb_utf16_less>;

    // A profile with the empty sections "Available Queries", "Selected Tables",
    // "Selected Views" and "Generic settings".
    udb_profile();

    // Adds an empty section unless one of that name exists.
    void add_section(const std::wstring& section);
    // Appends the pair to the section (created when absent); never replaces.
    void set_value(const std::wstring& section, const std::wstring& key, const std::wstring& value);
    // The value of the first pair with that key; empty when the section or the key is absent.
    std::wstring get_value(const std::wstring& section, const std::wstring& key) const;
    // The pairs of "Available Queries"; raises tk_exception_ex when the section is absent.
    pair_list& get_available_queries();
    // The pairs of "Selected Tables"; raises tk_exception_ex when the section is absent.
    pair_list& get_selected_tables();
    // The pairs of "Selected Views"; raises tk_exception_ex when the section is absent.
    pair_list& get_selected_views();
    // Appends a line to the list section (created when absent).
    void add_list_item(const std::wstring& section, const std::wstring& line);
    // The list section, created empty when absent.
    line_list& get_list(const std::wstring& section);

    // Writes the profile as a new file readable by its owner only, which replaces the old one
    // whole; false when it cannot be created or a write fails (the old file then stays as it was).
    bool store(const std::wstring& path) const;
    // Adds the file's sections to this profile (a leading UTF-8 signature is skipped); false when
    // the file cannot be opened, or a line is not UTF-8 or is a pair or bare line before the
    // first section (what was read stays, and failed_line tells where it stopped).  Raises
    // tk_exception (level 1) when the file does not exist.
    bool load(const std::wstring& path);

    // The number (from 1) and text of the line a load stopped at (0 when none did), and what
    // belonged there.
    int failed_line() const noexcept { return m_failed_line; }
    const std::wstring& failed_text() const noexcept { return m_failed_text; }
    const std::wstring& failed_expectation() const noexcept { return m_failed_expectation; }
    // The file line (from 1) that the section's list line or pair at `index` was read from; 0
    // when it was added otherwise.
    int list_line_number(const std::wstring& section, std::size_t index) const;
    int pair_line_number(const std::wstring& section, std::size_t index) const;
    // The file line of the pair that get_value reads for the key; 0 when there is none or it
    // was added otherwise.
    int value_line_number(const std::wstring& section, const std::wstring& key) const;

    const section_map& sections() const noexcept { return m_sections; }
    const list_section_map& list_sections() const noexcept { return m_lists; }

private:
    pair_list& required_section(const wchar_t* name);
    // Records where and why a load stops; false.
    bool stop_at(int line, const std::wstring& text, const std::wstring& expected);

    using line_numbers = std::map<std::wstring, std::vector<int>, udb_utf16_less>;

    section_map m_sections;
    list_section_map m_lists;
    // File lines of what load read, by section, in the order of the lists and the pairs.
    line_numbers m_list_lines;
    line_numbers m_pair_lines;
    int m_failed_line = 0;
    std::wstring m_failed_text;
    std::wstring m_failed_expectation;
};
