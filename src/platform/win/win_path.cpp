#include "platform/win/win_path.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/win/win_error.h"

bool win_module_file_name(std::string& path) {
    std::string buf(256, '\0');
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) {
            SetLastError(static_cast<DWORD>(errno));
            return false;
        }
        if (static_cast<size_t>(n) < buf.size()) {
            buf.resize(static_cast<size_t>(n));
            path = std::move(buf);
            return true;
        }
        buf.resize(buf.size() * 2);
    }
}

bool win_current_directory(std::string& path) {
    std::string buf(256, '\0');
    for (;;) {
        if (getcwd(buf.data(), buf.size())) {
            buf.resize(buf.find('\0'));
            path = std::move(buf);
            return true;
        }
        if (errno != ERANGE) {
            SetLastError(static_cast<DWORD>(errno));
            return false;
        }
        buf.resize(buf.size() * 2);
    }
}

bool win_set_current_directory(const std::string& path) {
    if (chdir(path.c_str()) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        return false;
    }
    return true;
}

bool win_full_path(const std::string& path, std::string& full) {
    std::string joined;
    if (!path.empty() && path[0] == '/') {
        joined = path;
    } else {
        if (!win_current_directory(joined)) return false;
        joined += '/';
        joined += path;
    }
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < joined.size()) {
        size_t j = joined.find('/', i);
        if (j == std::string::npos) j = joined.size();
        std::string part = joined.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        i = j + 1;
    }
    full.clear();
    for (const auto& p : parts) {
        full += '/';
        full += p;
    }
    // A trailing separator (or a final "." or "..") names a directory: keep it visible.
    bool dir_form = !path.empty() && (path.back() == '/' || path.ends_with("/.") ||
                                      path.ends_with("/..") || path == "." || path == "..");
    if (full.empty() || dir_form) full += '/';
    return true;
}

win_path_parts win_split_path(const std::string& path) {
    win_path_parts parts;
    size_t slash = path.rfind('/');
    size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    parts.dir = path.substr(0, name_start);
    std::string file = path.substr(name_start);
    size_t dot = file.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        parts.name = file.substr(0, dot);
        parts.ext = file.substr(dot);
    } else {
        parts.name = std::move(file);
    }
    return parts;
}
