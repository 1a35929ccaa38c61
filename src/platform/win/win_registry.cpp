#include "platform/win/win_registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <sstream>
#include <vector>

#include "platform/win/win_codepage.h"
#include "platform/win/win_compare.h"
#include "platform/win/win_error.h"

struct win_reg_key {
    std::string path;  // normalised, components joined by '\'
    REGSAM access;
};

namespace {

// One value as stored: REG_SZ data is UTF-8 text followed by a zero byte when it was written
// with its terminator; every other type keeps its bytes as given.
struct reg_value {
    std::string name;  // UTF-8
    DWORD type;
    std::string data;
};

struct reg_section {
    std::string path;
    std::vector<reg_value> values;
};

using reg_store = std::vector<reg_section>;

std::wstring widen_utf8(const std::string& s) {
    std::wstring out(s.size() + 1, L'\0');
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()) + 1, out.data(),
                                static_cast<int>(out.size()));
    if (n <= 0) return std::wstring(s.begin(), s.end());
    out.resize(static_cast<size_t>(n) - 1);
    return out;
}

bool same_name(const std::string& a, const std::string& b) {
    if (a.size() == b.size() && a == b) return true;
    return win_equal_ignore_case(widen_utf8(a), widen_utf8(b));
}

// Wide text (n characters) -> UTF-8; false when it is not valid Unicode.
bool wide_to_utf8(const wchar_t* s, size_t n, std::string& out) {
    out.clear();
    if (n == 0) return true;
    out.resize(4 * n);
    int got = WideCharToMultiByte(CP_UTF8, 0, s, static_cast<int>(n), out.data(),
                                  static_cast<int>(out.size()), nullptr, nullptr);
    if (got <= 0) return false;
    out.resize(static_cast<size_t>(got));
    return true;
}

// UTF-8 -> wide text.
bool utf8_to_wide(const std::string& s, std::wstring& out) {
    out.clear();
    if (s.empty()) return true;
    out.resize(s.size());
    int got = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(),
                                  static_cast<int>(out.size()));
    if (got <= 0) return false;
    out.resize(static_cast<size_t>(got));
    return true;
}

// ANSI bytes -> UTF-8 (the same bytes when the ANSI code page is UTF-8).
bool ansi_to_utf8(const std::string& s, std::string& out) {
    if (win_acp_is_utf8() || s.empty()) {
        std::wstring check;
        if (!utf8_to_wide(s, check)) return false;
        out = s;
        return true;
    }
    std::wstring wide(s.size(), L'\0');
    int got = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), wide.data(),
                                  static_cast<int>(wide.size()));
    if (got <= 0) return false;
    return wide_to_utf8(wide.data(), static_cast<size_t>(got), out);
}

// UTF-8 -> ANSI bytes.
std::string utf8_to_ansi(const std::string& s) {
    if (win_acp_is_utf8() || s.empty()) return s;
    std::wstring wide;
    if (!utf8_to_wide(s, wide)) return s;
    std::string out(4 * wide.size(), '\0');
    int got = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                                  static_cast<int>(out.size()), nullptr, nullptr);
    if (got <= 0) return s;
    out.resize(static_cast<size_t>(got));
    return out;
}

// "a\\b\c\" -> "a\b\c"; false on characters a key path cannot hold.
bool normalise_path(const std::string& raw, std::string& path) {
    path.clear();
    size_t i = 0;
    while (i <= raw.size()) {
        size_t j = raw.find('\\', i);
        if (j == std::string::npos) j = raw.size();
        if (j > i) {
            if (!path.empty()) path += '\\';
            path.append(raw, i, j - i);
        }
        i = j + 1;
    }
    for (unsigned char c : path) {
        if (c < 0x20 || c == ']' || c == '[') return false;
    }
    return true;
}

std::string store_dir() {
    const char* own = std::getenv("TIDEWELL_CONFIG_HOME");
    if (own && *own) return own;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return std::string(xdg) + "/tidewell";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/tidewell";
}

void escape(std::string& out, const std::string& text) {
    static constexpr char digits[] = "0123456789abcdef";
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    out += "\\x";
                    out += digits[c >> 4];
                    out += digits[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted, escaped text at line[pos]; advances pos past the closing quote.
bool unescape(const std::string& line, size_t& pos, std::string& text) {
    text.clear();
    if (pos >= line.size() || line[pos] != '"') return false;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            text += c;
            continue;
        }
        if (++pos >= line.size()) return false;
        switch (line[pos]) {
            case 'n':
                text += '\n';
                break;
            case 'r':
                text += '\r';
                break;
            case 't':
                text += '\t';
                break;
            case 'x': {
                if (pos + 2 >= line.size()) return false;
                int hi = hex_digit(line[pos + 1]), lo = hex_digit(line[pos + 2]);
                if (hi < 0 || lo < 0) return false;
                text += static_cast<char>(hi * 16 + lo);
                pos += 2;
                break;
            }
            default:
                text += line[pos];
                break;
        }
    }
    return false;
}

std::string format_store(const reg_store& store) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out = "; Settings of the current user; one [key] section, one \"value\" a line.\n";
    for (const auto& section : store) {
        out += "\n[" + section.path + "]\n";
        for (const auto& v : section.values) {
            escape(out, v.name);
            out += '=';
            if (v.type == REG_DWORD && v.data.size() == 4) {
                DWORD d;
                std::memcpy(&d, v.data.data(), 4);
                char buf[16];
                std::snprintf(buf, sizeof(buf), "dword:%08x", d);
                out += buf;
            } else if (v.type == REG_SZ && !v.data.empty() && v.data.back() == '\0') {
                escape(out, v.data.substr(0, v.data.size() - 1));
            } else if (v.type == REG_SZ) {
                out += "sz-unterminated:";
                escape(out, v.data);
            } else {
                out += "hex(" + std::to_string(v.type) + "):";
                for (size_t i = 0; i < v.data.size(); ++i) {
                    if (i) out += ',';
                    auto c = static_cast<unsigned char>(v.data[i]);
                    out += digits[c >> 4];
                    out += digits[c & 15];
                }
            }
            out += '\n';
        }
    }
    return out;
}

// Parses one value line; false when it is not one.
bool parse_value(const std::string& line, reg_value& v) {
    size_t pos = 0;
    if (!unescape(line, pos, v.name) || pos >= line.size() || line[pos] != '=') return false;
    std::string rest = line.substr(pos + 1);
    size_t p = 0;
    if (rest.starts_with("dword:")) {
        char* end = nullptr;
        unsigned long d = std::strtoul(rest.c_str() + 6, &end, 16);
        if (rest.size() != 14 || *end) return false;
        DWORD dw = static_cast<DWORD>(d);
        v.type = REG_DWORD;
        v.data.assign(reinterpret_cast<const char*>(&dw), 4);
        return true;
    }
    if (rest.starts_with("\"")) {
        v.type = REG_SZ;
        if (!unescape(rest, p, v.data) || p != rest.size()) return false;
        v.data += '\0';
        return true;
    }
    if (rest.starts_with("sz-unterminated:")) {
        v.type = REG_SZ;
        p = 16;
        return unescape(rest, p, v.data) && p == rest.size();
    }
    if (rest.starts_with("hex(")) {
        size_t close = rest.find("):");
        if (close == std::string::npos) return false;
        v.type = static_cast<DWORD>(std::strtoul(rest.c_str() + 4, nullptr, 10));
        v.data.clear();
        for (size_t i = close + 2; i < rest.size(); i += 3) {
            if (i + 1 >= rest.size()) return false;
            int hi = hex_digit(rest[i]), lo = hex_digit(rest[i + 1]);
            if (hi < 0 || lo < 0) return false;
            v.data += static_cast<char>(hi * 16 + lo);
        }
        return true;
    }
    return false;
}

// Loads the store; a missing file is an empty store.  Lines that cannot be read are skipped.
LONG load_store(reg_store& store) {
    store.clear();
    std::FILE* f = std::fopen(win_registry_file().c_str(), "rb");
    if (!f) return errno == ENOENT ? ERROR_SUCCESS : static_cast<LONG>(errno);
    std::string text;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), f)) > 0) text.append(chunk, n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return static_cast<LONG>(ERROR_BADDB);
    std::istringstream in(text);
    std::string line;
    reg_section* current = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            std::string path;
            if (close == std::string::npos || !normalise_path(line.substr(1, close - 1), path)) {
                current = nullptr;
                continue;
            }
            store.push_back({path, {}});
            current = &store.back();
            continue;
        }
        reg_value v;
        if (current && parse_value(line, v)) current->values.push_back(std::move(v));
    }
    return ERROR_SUCCESS;
}

LONG save_store(const reg_store& store) {
    std::string file = win_registry_file();
    std::string temp = file + ".tmp." + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return static_cast<LONG>(errno);
    std::string text = format_store(store);
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            LONG err = static_cast<LONG>(errno);
            close(fd);
            unlink(temp.c_str());
            return err;
        }
        done += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        LONG err = static_cast<LONG>(errno);
        unlink(temp.c_str());
        return err;
    }
    if (rename(temp.c_str(), file.c_str()) != 0) {
        LONG err = static_cast<LONG>(errno);
        unlink(temp.c_str());
        return err;
    }
    return ERROR_SUCCESS;
}

// Removes the temporary files a writer killed between writing and renaming left behind.  Every
// writer holds the store's lock while its own exists, so under the lock any other is stale.
void remove_stale_temps() {
    const std::string file = win_registry_file();
    const std::size_t slash = file.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : file.substr(0, slash);
    const std::string prefix =
        (slash == std::string::npos ? file : file.substr(slash + 1)) + ".tmp.";
    DIR* listing = opendir(dir.c_str());
    if (!listing) return;
    while (const dirent* entry = readdir(listing)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            unlink((dir + "/" + entry->d_name).c_str());
    }
    closedir(listing);
}

// Creates the store's directory and its parents (private to the user).
LONG make_dirs(const std::string& dir) {
    for (size_t i = 1; i <= dir.size(); ++i) {
        if (i == dir.size() || dir[i] == '/') {
            std::string part = dir.substr(0, i);
            if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return static_cast<LONG>(errno);
        }
    }
    return ERROR_SUCCESS;
}

// Runs change(store) between a load and a save, under the store's exclusive lock.
template <class F>
LONG modify_store(F change) {
    std::string dir = store_dir();
    if (LONG err = make_dirs(dir)) return err;
    int lock = open((win_registry_file() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) return static_cast<LONG>(errno);
    while (flock(lock, LOCK_EX) != 0) {
        if (errno != EINTR) {
            LONG err = static_cast<LONG>(errno);
            close(lock);
            return err;
        }
    }
    reg_store store;
    bool changed = false;
    LONG err = load_store(store);
    if (err == ERROR_SUCCESS) err = change(store, changed);
    if (err == ERROR_SUCCESS && changed) {
        remove_stale_temps();
        err = save_store(store);
    }
    flock(lock, LOCK_UN);
    close(lock);
    return err;
}

reg_section* find_section(reg_store& store, const std::string& path) {
    for (auto& s : store) {
        if (same_name(s.path, path)) return &s;
    }
    return nullptr;
}

bool key_exists(reg_store& store, const std::string& path) {
    if (path.empty() || find_section(store, path)) return true;
    std::wstring wide = widen_utf8(path + "\\");
    for (auto& s : store) {
        std::wstring ws = widen_utf8(s.path);
        if (ws.size() > wide.size() && win_equal_ignore_case(ws.substr(0, wide.size()), wide)) {
            return true;
        }
    }
    return false;
}

// The full path of sub_key under parent; false for a handle that is not a key.
LONG child_path(HKEY parent, const char* sub_key, std::string& path) {
    if (!parent) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (!sub_key) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    std::string base;
    if (parent != HKEY_CURRENT_USER) {
        if (reinterpret_cast<std::uintptr_t>(parent) >= 0x80000000u &&
            reinterpret_cast<std::uintptr_t>(parent) <= 0x800000FFu) {
            return static_cast<LONG>(ERROR_INVALID_HANDLE);
        }
        base = parent->path;
    }
    std::string utf8;
    if (!ansi_to_utf8(sub_key, utf8)) return static_cast<LONG>(ERROR_NO_UNICODE_TRANSLATION);
    if (!normalise_path(base + "\\" + utf8, path))
        return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    return ERROR_SUCCESS;
}

bool is_root(HKEY key) {
    return key == HKEY_CURRENT_USER;
}

LONG check_handle(HKEY key, REGSAM needed) {
    if (!key) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (is_root(key)) return ERROR_SUCCESS;
    if ((key->access & needed) != needed) return static_cast<LONG>(ERROR_ACCESS_DENIED);
    return ERROR_SUCCESS;
}

std::string key_path(HKEY key) {
    return is_root(key) ? std::string() : key->path;
}

// Reads the value name (UTF-8) of a key; fills v with a copy of the stored value.
LONG find_value(HKEY key, const std::string& name, reg_value& found) {
    if (LONG err = check_handle(key, KEY_QUERY_VALUE)) return err;
    reg_store store;
    if (LONG err = load_store(store)) return err;
    reg_section* section = find_section(store, key_path(key));
    if (!section) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    for (auto& v : section->values) {
        if (same_name(v.name, name)) {
            found = v;
            return ERROR_SUCCESS;
        }
    }
    return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
}

// Hands out bytes as the query contract says.
LONG deliver(const std::string& bytes, DWORD value_type, DWORD* type, BYTE* data, DWORD* size) {
    if (type) *type = value_type;
    if (!data) {
        if (size) *size = static_cast<DWORD>(bytes.size());
        return ERROR_SUCCESS;
    }
    if (!size) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    DWORD room = *size;
    *size = static_cast<DWORD>(bytes.size());
    if (room < bytes.size()) return static_cast<LONG>(ERROR_MORE_DATA);
    // The bytes as stored, as the query contract hands them out: a text value ends in a zero
    // only when it was written with one.
    std::memcpy(data, bytes.data(), bytes.size());  // NOLINT(bugprone-not-null-terminated-result)
    return ERROR_SUCCESS;
}

LONG store_value(HKEY key, const std::string& name, DWORD type, std::string data) {
    if (LONG err = check_handle(key, KEY_SET_VALUE)) return err;
    std::string path = key_path(key);
    return modify_store([&](reg_store& store, bool& changed) -> LONG {
        reg_section* section = find_section(store, path);
        if (!section) {
            store.push_back({path, {}});
            section = &store.back();
        }
        for (auto& v : section->values) {
            if (same_name(v.name, name)) {
                // A program saves all its settings at every run, most of them as they were: a
                // value that stays as it is costs no rewrite of the file and no wait on the disk.
                if (v.type == type && v.data == data) return ERROR_SUCCESS;
                v.type = type;
                v.data = std::move(data);
                changed = true;
                return ERROR_SUCCESS;
            }
        }
        section->values.push_back({name, type, std::move(data)});
        changed = true;
        return ERROR_SUCCESS;
    });
}

}  // namespace

std::string win_registry_file() {
    return store_dir() + "/registry.txt";
}

LONG RegCreateKeyExA(HKEY parent, const char* sub_key, DWORD /*reserved*/, char* /*key_class*/,
                     DWORD /*options*/, REGSAM access, void* /*security*/, HKEY* result,
                     DWORD* disposition) {
    if (!result) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    std::string path;
    if (LONG err = child_path(parent, sub_key, path)) return err;
    bool created = false;
    LONG err = modify_store([&](reg_store& store, bool& changed) -> LONG {
        if (!find_section(store, path)) {
            created = !key_exists(store, path);
            store.push_back({path, {}});
            changed = true;
        }
        return ERROR_SUCCESS;
    });
    if (err) return err;
    *result = new win_reg_key{path, access};
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegOpenKeyExA(HKEY parent, const char* sub_key, DWORD /*options*/, REGSAM access,
                   HKEY* result) {
    if (!result) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    std::string path;
    if (LONG err = child_path(parent, sub_key, path)) return err;
    reg_store store;
    if (LONG err = load_store(store)) return err;
    if (!key_exists(store, path)) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    *result = new win_reg_key{path, access};
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    if (!key) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    if (!is_root(key)) delete key;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, const char* name, DWORD* /*reserved*/, DWORD* type, BYTE* data,
                      DWORD* size) {
    std::string utf8;
    if (!ansi_to_utf8(name ? name : "", utf8)) {
        return static_cast<LONG>(ERROR_NO_UNICODE_TRANSLATION);
    }
    reg_value v;
    if (LONG err = find_value(key, utf8, v)) return err;
    if (v.type == REG_SZ) {
        bool terminated = !v.data.empty() && v.data.back() == '\0';
        std::string text = utf8_to_ansi(terminated ? v.data.substr(0, v.data.size() - 1) : v.data);
        if (terminated) text += '\0';
        return deliver(text, v.type, type, data, size);
    }
    return deliver(v.data, v.type, type, data, size);
}

LONG RegQueryValueExW(HKEY key, const wchar_t* name, DWORD* /*reserved*/, DWORD* type, BYTE* data,
                      DWORD* size) {
    std::string utf8;
    if (name && !wide_to_utf8(name, std::wcslen(name), utf8)) {
        return static_cast<LONG>(ERROR_NO_UNICODE_TRANSLATION);
    }
    reg_value v;
    if (LONG err = find_value(key, utf8, v)) return err;
    if (v.type == REG_SZ) {
        bool terminated = !v.data.empty() && v.data.back() == '\0';
        std::wstring text;
        if (!utf8_to_wide(terminated ? v.data.substr(0, v.data.size() - 1) : v.data, text)) {
            return static_cast<LONG>(ERROR_BADDB);
        }
        if (terminated) text += L'\0';
        std::string bytes(reinterpret_cast<const char*>(text.data()),
                          text.size() * sizeof(wchar_t));
        return deliver(bytes, v.type, type, data, size);
    }
    return deliver(v.data, v.type, type, data, size);
}

LONG RegSetValueExA(HKEY key, const char* name, DWORD /*reserved*/, DWORD type, const BYTE* data,
                    DWORD size) {
    if (!data && size) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    std::string utf8_name;
    if (!ansi_to_utf8(name ? name : "", utf8_name)) {
        return static_cast<LONG>(ERROR_NO_UNICODE_TRANSLATION);
    }
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (type == REG_SZ) {
        size_t zero = bytes.find('\0');
        bool terminated = zero != std::string::npos;
        std::string text;
        if (!ansi_to_utf8(bytes.substr(0, zero), text)) {
            return static_cast<LONG>(ERROR_NO_UNICODE_TRANSLATION);
        }
        if (terminated) text += '\0';
        bytes = std::move(text);
    }
    return store_value(key, utf8_name, type, std::move(bytes));
}

LONG RegSetValueExW(HKEY key, const wchar_t* name, DWORD /*reserved*/, DWORD type, const BYTE* data,
                    DWORD size) {
    if (!data && size) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    std::string utf8_name;
    if (name && !wide_to_utf8(name, std::wcslen(name), utf8_name)) {
        return static_cast<LONG>(ERROR_NO_UNICODE_TRANSLATION);
    }
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (type == REG_SZ) {
        if (size % sizeof(wchar_t)) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
        std::wstring chars(size / sizeof(wchar_t), L'\0');
        if (size) std::memcpy(chars.data(), data, size);
        size_t zero = chars.find(L'\0');
        bool terminated = zero != std::wstring::npos;
        if (terminated) chars.resize(zero);
        std::string text;
        if (!wide_to_utf8(chars.data(), chars.size(), text)) {
            return static_cast<LONG>(ERROR_NO_UNICODE_TRANSLATION);
        }
        if (terminated) text += '\0';
        bytes = std::move(text);
    }
    return store_value(key, utf8_name, type, std::move(bytes));
}

LONG RegDeleteValueA(HKEY key, const char* name) {
    if (LONG err = check_handle(key, KEY_SET_VALUE)) return err;
    std::string utf8;
    if (!ansi_to_utf8(name ? name : "", utf8)) {
        return static_cast<LONG>(ERROR_NO_UNICODE_TRANSLATION);
    }
    std::string path = key_path(key);
    return modify_store([&](reg_store& store, bool& changed) -> LONG {
        reg_section* section = find_section(store, path);
        if (!section) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
        for (auto it = section->values.begin(); it != section->values.end(); ++it) {
            if (same_name(it->name, utf8)) {
                section->values.erase(it);
                changed = true;
                return ERROR_SUCCESS;
            }
        }
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    });
}
