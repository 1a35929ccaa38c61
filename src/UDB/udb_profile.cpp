#include "UDB/udb_profile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

const wchar_t kAvailableQueries[] = L"Available Queries";
const wchar_t kSelectedTables[] = L"Selected Tables";
const wchar_t kSelectedViews[] = L"Selected Views";
const wchar_t kGenericSettings[] = L"Generic settings";

// The path in the ANSI code page, as the file functions take it; false when it cannot be
// converted.
// Bytes that are not UTF-8, for a message: ASCII stays, every other byte shows as "?".
std::wstring printable(const std::string& bytes) {
    std::wstring text;
    for (unsigned char c : bytes) text.push_back(c < 0x80 ? static_cast<wchar_t>(c) : L'?');
    return text;
}

bool narrow_path(const std::wstring& path, std::string& out) {
    try {
        out = tk_to_ansi(path, -1);
    } catch (const tk_exception&) {
        return false;
    }
    return true;
}

// Writes lines in UTF-8 with CR LF ends to a private temporary file beside the target and puts it
// in the target's place only when every write, the flush and the close succeeded.  A profile holds
// passwords, so it is readable by its owner only; and a save that fails half-way (full disk, lost
// share) leaves the previous profile whole instead of a cut one reported as saved.
class line_writer {
public:
    explicit line_writer(const std::string& path) {
        // A symbolic link keeps naming the profile: the file it points at is the one replaced.
        std::string target = path;
        if (char* real = realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
        // Only a regular file is replaced; a device or a pipe is written into, as asked.
        struct stat st {};
        if (stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            m_file = std::fopen(target.c_str(), "wb");
            return;
        }
        m_path = target;
        m_temp = target + ".XXXXXX";
        const int fd = mkstemp(m_temp.data());
        if (fd < 0) return;
        if (fchmod(fd, S_IRUSR | S_IWUSR) != 0 || !(m_file = fdopen(fd, "wb"))) {
            close(fd);
            unlink(m_temp.c_str());
        }
    }
    ~line_writer() {
        if (!m_file) return;
        std::fclose(m_file);
        if (!m_temp.empty()) unlink(m_temp.c_str());
    }
    line_writer(const line_writer&) = delete;
    line_writer& operator=(const line_writer&) = delete;

    bool is_open() const noexcept { return m_file != nullptr; }

    void write_line(const std::wstring& line) {
        const std::string bytes = tk_to_utf8(line) + "\r\n";
        if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) m_ok = false;
    }

    // Flushes the file to the disk and puts it in the target's place; true when nothing failed.
    bool commit() {
        if (std::fflush(m_file) != 0) m_ok = false;
        // On the disk before the rename, so a crash leaves the old profile or the new, not none.
        if (!m_temp.empty() && fsync(fileno(m_file)) != 0) m_ok = false;
        if (std::fclose(m_file) != 0) m_ok = false;
        m_file = nullptr;
        if (m_temp.empty()) return m_ok;
        if (m_ok && std::rename(m_temp.c_str(), m_path.c_str()) != 0) m_ok = false;
        if (!m_ok) unlink(m_temp.c_str());
        return m_ok;
    }

private:
    std::string m_path;
    std::string m_temp;
    std::FILE* m_file = nullptr;
    bool m_ok = true;
};

}  // namespace

udb_profile::udb_profile() {
    add_section(kAvailableQueries);
    add_section(kSelectedTables);
    add_section(kSelectedViews);
    add_section(kGenericSettings);
}

void udb_profile::add_section(const std::wstring& section) {
    m_sections.try_emplace(section);
}

void udb_profile::set_value(const std::wstring& section, const std::wstring& key,
                            const std::wstring& value) {
    m_sections[section].emplace_back(key, value);
}

std::wstring udb_profile::get_value(const std::wstring& section, const std::wstring& key) const {
    auto it = m_sections.find(section);
    if (it == m_sections.end()) return std::wstring();
    for (const auto& [k, v] : it->second) {
        if (k == key) return v;
    }
    return std::wstring();
}

udb_profile::pair_list& udb_profile::required_section(const wchar_t* name) {
    auto it = m_sections.find(name);
    if (it == m_sections.end()) throw tk_exception_ex();
    return it->second;
}

udb_profile::pair_list& udb_profile::get_available_queries() {
    return required_section(kAvailableQueries);
}

udb_profile::pair_list& udb_profile::get_selected_tables() {
    return required_section(kSelectedTables);
}

udb_profile::pair_list& udb_profile::get_selected_views() {
    return required_section(kSelectedViews);
}

void udb_profile::add_list_item(const std::wstring& section, const std::wstring& line) {
    m_lists[section].push_back(line);
}

udb_profile::line_list& udb_profile::get_list(const std::wstring& section) {
    return m_lists[section];
}

bool udb_profile::store(const std::wstring& path) const {
    tk_wlog(2, L"udb_profile::store)", path.c_str());
    std::string narrow;
    if (!narrow_path(path, narrow)) return false;
    line_writer out(narrow);
    if (!out.is_open()) return false;

    for (const auto& [name, pairs] : m_sections) {
        out.write_line(L"[" + name + L"]");
        const bool bare_keys = name == kSelectedTables;
        for (const auto& [key, value] : pairs) {
            if (bare_keys && value.empty()) {
                out.write_line(key);
            } else {
                out.write_line(key + L"=" + value);
            }
        }
        out.write_line(std::wstring());
    }
    for (const auto& [name, lines] : m_lists) {
        out.write_line(L"[" + name + L"]");
        for (const auto& line : lines) out.write_line(line);
    }
    return out.commit();
}

bool udb_profile::load(const std::wstring& path) {
    tk_wlog(2, L"udb_profile::load(%s)", path.c_str());
    std::string narrow;
    if (!narrow_path(path, narrow) || !tk_is_file_exist(narrow.c_str(), 0x4000)) {
        throw tk_exception(
            std::string("Profile does not exist. Please verify the correct path/name was given."),
            1);
    }
    std::ifstream in(narrow, std::ios::binary);
    if (!in) return false;

    // Lines are read whole, whatever their length: the wizard writes each query on one line.
    const std::wstring* section = nullptr;
    std::string bytes;
    bool first_line = true;
    int number = 0;
    m_failed_line = 0;
    m_failed_text.clear();
    m_failed_expectation.clear();
    // Numbers the last of `count` entries; those added before this load have no file line.
    auto number_last = [&](line_numbers& lines, const std::wstring& name, std::size_t count) {
        std::vector<int>& numbers = lines[name];
        numbers.resize(count - 1, 0);
        numbers.push_back(number);
    };
    while (std::getline(in, bytes)) {
        ++number;
        if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
        // Editors on the desktop put a signature in front of UTF-8 text; left in place it would
        // make the first section line a line before any section and fail the whole profile.
        if (first_line && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
        first_line = false;
        std::wstring raw;
        try {
            raw = tk_to_unicode(bytes);
        } catch (const tk_exception&) {
            return stop_at(number, printable(bytes), L"text in UTF-8");
        }
        const std::wstring line = tk_trim(raw);
        if (line.empty()) continue;
        if (line.front() == L'[' && line.back() == L']' && line.size() >= 2) {
            auto it = m_sections.try_emplace(line.substr(1, line.size() - 2)).first;
            section = &it->first;
            continue;
        }
        if (!section) return stop_at(number, raw, L"a section line such as \"[Generic settings]\"");
        const std::size_t eq = line.find(L'=');
        if (eq != std::wstring::npos) {
            // Spaces right after the "=" belong to the value; only the key is trimmed.
            m_sections[*section].emplace_back(tk_trim(line.substr(0, eq)), line.substr(eq + 1));
        } else {
            m_lists[*section].push_back(raw);
            number_last(m_list_lines, *section, m_lists[*section].size());
            m_sections[*section].emplace_back(line, std::wstring());
        }
        number_last(m_pair_lines, *section, m_sections[*section].size());
    }
    if (in.bad()) throw tk_mail_assertion("udb_prof", 114);
    return true;
}

namespace {

int line_number_at(const std::map<std::wstring, std::vector<int>, udb_utf16_less>& numbers,
                   const std::wstring& section, std::size_t index) {
    auto it = numbers.find(section);
    if (it == numbers.end() || index >= it->second.size()) return 0;
    return it->second[index];
}

}  // namespace

int udb_profile::list_line_number(const std::wstring& section, std::size_t index) const {
    return line_number_at(m_list_lines, section, index);
}

int udb_profile::pair_line_number(const std::wstring& section, std::size_t index) const {
    return line_number_at(m_pair_lines, section, index);
}

int udb_profile::value_line_number(const std::wstring& section, const std::wstring& key) const {
    auto it = m_sections.find(section);
    if (it == m_sections.end()) return 0;
    for (std::size_t i = 0; i < it->second.size(); ++i) {
        if (it->second[i].first == key) return pair_line_number(section, i);
    }
    return 0;
}

bool udb_profile::stop_at(int line, const std::wstring& text, const std::wstring& expected) {
    m_failed_line = line;
    m_failed_text = text;
    m_failed_expectation = expected;
    return false;
}
