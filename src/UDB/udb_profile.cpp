#include "UDB/udb_profile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

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
bool narrow_path(const std::wstring& path, std::string& out) {
    try {
        out = tk_to_ansi(path, -1);
    } catch (const tk_exception&) {
        return false;
    }
    return true;
}

// Writes lines to a file in UTF-8 with CR LF ends and remembers whether every write and the
// final close succeeded, so that a profile cut short (full disk, lost share) is not reported as
// saved.
class line_writer {
public:
    explicit line_writer(const std::string& path) : m_file(std::fopen(path.c_str(), "wb")) {}
    ~line_writer() {
        if (m_file) std::fclose(m_file);
    }
    line_writer(const line_writer&) = delete;
    line_writer& operator=(const line_writer&) = delete;

    bool is_open() const noexcept { return m_file != nullptr; }

    void write_line(const std::wstring& line) {
        const std::string bytes = tk_to_utf8(line) + "\r\n";
        if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) m_ok = false;
    }

    // Flushes and closes the file; true when nothing failed.
    bool close() {
        if (std::fclose(m_file) != 0) m_ok = false;
        m_file = nullptr;
        return m_ok;
    }

private:
    std::FILE* m_file;
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
    // Written beside the file and put in its place only whole: a store that fails half way (a
    // full disk, a character the encoding cannot hold) leaves the previous profile as it was.
    // What is not a plain file (a device, a pipe) is written in place, never replaced.
    struct stat target {};
    const bool special = ::stat(narrow.c_str(), &target) == 0 && !S_ISREG(target.st_mode);
    const std::string temp =
        special ? narrow : narrow + ".tmp" + std::to_string(static_cast<long>(getpid()));
    bool written = false;
    {
        line_writer out(temp);
        if (!out.is_open()) return false;
        try {
            write_sections(out);
        } catch (...) {
            out.close();
            if (!special) std::remove(temp.c_str());
            throw;
        }
        written = out.close();
    }
    if (special) return written;
    if (written && std::rename(temp.c_str(), narrow.c_str()) == 0) return true;
    std::remove(temp.c_str());
    return false;
}

template <class Writer>
void udb_profile::write_sections(Writer& out) const {
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
    while (std::getline(in, bytes)) {
        if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
        const std::wstring raw = tk_to_unicode(bytes);
        const std::wstring line = tk_trim(raw);
        if (line.empty()) continue;
        if (line.front() == L'[' && line.back() == L']' && line.size() >= 2) {
            auto it = m_sections.try_emplace(line.substr(1, line.size() - 2)).first;
            section = &it->first;
            continue;
        }
        if (!section) return false;
        const std::size_t eq = line.find(L'=');
        if (eq != std::wstring::npos) {
            // Spaces right after the "=" belong to the value; only the key is trimmed.
            m_sections[*section].emplace_back(tk_trim(line.substr(0, eq)), line.substr(eq + 1));
        } else {
            m_lists[*section].push_back(raw);
            m_sections[*section].emplace_back(line, std::wstring());
        }
    }
    if (in.bad()) throw tk_mail_assertion("udb_prof", 114);
    return true;
}
