#include "TK/tk_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <cwchar>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_error.h"
#include "platform/win/win_path.h"

namespace {

// Buffers below are sized for the widest form of a character: wchar_t holds whole code points
// here, so one character may need four UTF-8 bytes (the system's own UTF-16 needed at most three
// per unit).
std::string wide_to_bytes(const std::wstring& text, UINT code_page, const char* failure) {
    if (text.empty()) return {};
    size_t size = 4 * text.size() + 4;
    std::string buf(size, '\0');
    int n = WideCharToMultiByte(code_page, 0, text.c_str(), static_cast<int>(text.size()) + 1,
                                buf.data(), static_cast<int>(size), nullptr, nullptr);
    if (n <= 0) throw tk_exception_ex(failure, 0);
    buf.resize(std::strlen(buf.c_str()));
    return buf;
}

std::wstring bytes_to_wide(const std::string& text, UINT code_page, DWORD flags) {
    if (text.empty()) return {};
    size_t size = text.size() + 1;
    std::wstring buf(size, L'\0');
    int n = MultiByteToWideChar(code_page, flags, text.c_str(), static_cast<int>(text.size()) + 1,
                                buf.data(), static_cast<int>(size));
    if (n <= 0) throw tk_exception_ex("Cannot convert to UNICODE string: ", 0);
    buf.resize(std::wcslen(buf.c_str()));
    return buf;
}

template <class S>
S ltrim(const S& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    return text.substr(i);
}

template <class S>
S rtrim_plain(const S& text) {
    size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ') --n;
    return text.substr(0, n);
}

template <class S>
S rtrim(const S& text) {
    S result = rtrim_plain(text);
    if (result.empty() && !text.empty()) tk_log(1, "Special processing for all-spaces-string");
    return result;
}

template <class S, class C>
std::vector<S> split(const S& text, C separator) {
    std::vector<S> tokens;
    if (text.empty()) return tokens;
    size_t start = 0;
    for (;;) {
        size_t at = text.find(separator, start);
        if (at == S::npos) {
            tokens.push_back(text.substr(start));
            return tokens;
        }
        tokens.push_back(text.substr(start, at - start));
        start = at + 1;
    }
}

template <class S>
void replace_all(S& text, const S& what, const S& with) {
    if (what.empty()) return;
    size_t pos = 0;
    while ((pos = text.find(what, pos)) != S::npos) {
        text.replace(pos, what.size(), with);
        pos += with.size();
    }
}

}  // namespace

std::string tk_to_utf8(const std::wstring& text) {
    return wide_to_bytes(text, CP_UTF8, "Cannot convert to UTF8 string: ");
}

std::string tk_to_ansi(const std::wstring& text, int code_page) {
    UINT cp = code_page == -1 ? CP_ACP : static_cast<UINT>(code_page);
    return wide_to_bytes(text, cp, "Cannot convert to ANSI string: ");
}

std::wstring tk_to_unicode(const std::string& utf8) {
    return bytes_to_wide(utf8, CP_UTF8, 0);
}

std::wstring tk_ansi_to_unicode(const std::string& ansi) {
    return bytes_to_wide(ansi, CP_ACP, MB_PRECOMPOSED);
}

bool tk_to_narrow(const wchar_t* text, std::unique_ptr<char[]>& out) {
    if (!text) return false;
    size_t n = std::wcslen(text);
    size_t size = 4 * n + 4;
    auto buf = std::make_unique<char[]>(size);
    if (WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(n) + 1, buf.get(),
                            static_cast<int>(size), nullptr, nullptr) <= 0) {
        return false;
    }
    out = std::move(buf);
    return true;
}

bool tk_to_wide(const char* text, std::unique_ptr<wchar_t[]>& out) {
    if (!text) return false;
    size_t n = std::strlen(text);
    auto buf = std::make_unique<wchar_t[]>(n + 1);
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, static_cast<int>(n) + 1, buf.get(),
                            static_cast<int>(n) + 1) <= 0) {
        return false;
    }
    out = std::move(buf);
    return true;
}

wchar_t* widen_to_buffer(const char* text, UINT code_page, wchar_t* buffer, int capacity) {
    if (!text || !buffer || capacity <= 0) return nullptr;
    if (MultiByteToWideChar(code_page, 0, text, -1, buffer, capacity) <= 0) return nullptr;
    return buffer;
}

void tk_bytes_to_hex(size_t count, const unsigned char* bytes, char* out) {
    if (!out) throw tk_mail_assertion("tk_utils", 811);
    static constexpr char digits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < count; ++i) {
        out[2 * i] = digits[bytes[i] >> 4];
        out[2 * i + 1] = digits[bytes[i] & 15];
    }
    out[2 * count] = 0;
}

std::string tk_bytes_to_hex(const unsigned char* bytes, size_t count) {
    std::string out(2 * count + 1, '\0');
    tk_bytes_to_hex(count, bytes, out.data());
    out.resize(2 * count);
    return out;
}

std::string tk_ltrim(const std::string& text) {
    return ltrim(text);
}
std::wstring tk_ltrim(const std::wstring& text) {
    return ltrim(text);
}
std::string tk_rtrim(const std::string& text) {
    return rtrim(text);
}
std::wstring tk_rtrim(const std::wstring& text) {
    return rtrim(text);
}
std::string tk_trim(const std::string& text) {
    return ltrim(rtrim(text));
}
std::wstring tk_trim(const std::wstring& text) {
    return ltrim(rtrim(text));
}

std::vector<std::string> tk_split(const std::string& text, char separator) {
    return split(text, separator);
}

std::vector<std::wstring> tk_split(const std::wstring& text, wchar_t separator) {
    return split(text, separator);
}

void tk_replace_all(std::string& text, const std::string& what, const std::string& with) {
    replace_all(text, what, with);
}

void tk_replace_all(std::wstring& text, const std::wstring& what, const std::wstring& with) {
    replace_all(text, what, with);
}

std::string tk_get_module_file_name() {
    std::string path;
    if (!win_module_file_name(path)) throw tk_mail_assertion("tk_utils", 116);
    return path;
}

std::wstring tk_get_module_file_wname() {
    std::string path;
    if (!win_module_file_name(path)) throw tk_mail_assertion("tk_utils", 129);
    std::unique_ptr<wchar_t[]> wide;
    if (!tk_to_wide(path.c_str(), wide)) throw tk_mail_assertion("tk_utils", 129);
    return wide.get();
}

std::string tk_get_module_dir() {
    win_path_parts parts = win_split_path(tk_get_module_file_name());
    return parts.drive + parts.dir;
}

std::string tk_replace_extension(const std::string& path, const std::string& ext) {
    win_path_parts parts = win_split_path(path);
    std::string dotted = ext.empty() || ext[0] == '.' ? ext : "." + ext;
    return parts.drive + parts.dir + parts.name + dotted;
}

bool tk_is_path_exist(const std::string& path) {
    tk_log(1, "tk_is_path_exist(%s)", path.c_str());
    // Equivalent to entering the directory and coming back, without touching the process-wide
    // working directory that another thread may be relying on.
    std::string target = path.empty() ? tk_get_module_dir() : path;
    struct stat st {};
    if (stat(target.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return access(target.c_str(), X_OK) == 0;
}

bool tk_is_path_exist(const std::wstring& path) {
    std::unique_ptr<char[]> narrow;
    if (!tk_to_narrow(path.c_str(), narrow)) return false;
    return tk_is_path_exist(std::string(narrow.get()));
}

bool tk_is_file_exist(const std::string& path, int mode) {
    tk_log(1, "tk_is_file_exist(%s)", path.c_str());
    int fd = open(path.c_str(), (mode == 1 ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
    bool ok = fd >= 0;
    if (ok) {
        // A directory opens for reading here; it is not a file.
        struct stat st {};
        ok = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
        close(fd);
    }
    if (!ok) tk_log(1, "File not exists!");
    return ok;
}

bool tk_is_file_exist(const std::wstring& path, int mode) {
    std::unique_ptr<char[]> narrow;
    if (!tk_to_narrow(path.c_str(), narrow)) {
        tk_log(1, "File not exists!");
        return false;
    }
    return tk_is_file_exist(std::string(narrow.get()), mode);
}
