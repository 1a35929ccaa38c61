#include "TK/tk_logger.h"

#include <cstdarg>
#include <cstdio>

#include "TK/tk_utils.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_error.h"
#include "platform/win/win_format.h"
#include "platform/win/win_time.h"

namespace {

constexpr int wide_buffer_chars = 10240;
constexpr int utf8_buffer_bytes = 10240;

// Formatting buffers reused by every message of a thread, so a message allocates only while a
// thread's longest message grows.
thread_local std::string t_narrow;
thread_local std::wstring t_wide;

class last_error_keeper {
public:
    last_error_keeper() : m_saved(GetLastError()) {}
    ~last_error_keeper() { SetLastError(m_saved); }

private:
    DWORD m_saved;
};

std::FILE* open_record(const tk_logger& logger) {
    std::FILE* f = std::fopen(logger.file_name().c_str(), "ab");
    if (!f) return nullptr;
    if (logger.time_stamps()) {
        SYSTEMTIME st;
        GetLocalTime(&st);
        std::fprintf(f, "%02d:%02d:%02d ", st.wHour, st.wMinute, st.wSecond);
    }
    return f;
}

void close_record(const tk_logger& logger, std::FILE* f) {
    if (logger.line_ends()) std::fputs("\r\n", f);
    std::fclose(f);
}

}  // namespace

tk_logger::tk_logger(const char* file_name, bool enabled, int threshold, bool time_stamps)
    : m_threshold(threshold), m_enabled(enabled), m_time_stamps(time_stamps) {
    refresh_floor();
    // Named here rather than in the member list: this object is registered already, and a module
    // path that cannot be read raises an internal error that logs through it, so every member a
    // log call reads must be initialised first.
    m_file_name = file_name ? std::string(file_name) : tk_default_log_file_name();
    if (enabled) truncate_once();
}

tk_logger::~tk_logger() {
    // The registration goes with any logger's end, so no message is wanted after it.
    s_floor.store(INT_MAX, std::memory_order_relaxed);
}

void tk_logger::refresh_floor() noexcept {
    if (find_instance() != this) return;
    int floor = INT_MAX;
    if (enabled()) floor = truncated() ? m_threshold : INT_MIN;
    s_floor.store(floor, std::memory_order_relaxed);
}

void tk_logger::set_file_name(const char* file_name) {
    if (!file_name) throw tk_mail_assertion("tk_logge", 82);
    m_file_name = file_name;
}

void tk_logger::truncate_once() {
    if (!enabled() || truncated()) return;
    const std::lock_guard<std::mutex> hold(m_truncating);
    if (truncated()) return;
    if (std::FILE* f = std::fopen(m_file_name.c_str(), "wb")) std::fclose(f);
    m_truncated.store(true, std::memory_order_release);
    refresh_floor();
}

void tk_log_write(int level, const char* format, ...) {
    tk_logger* logger = tk_logger::find_instance();
    if (!logger || !logger->wants(level)) return;
    // Logging between a failed call and the tk_exception_ex that reports it must not change
    // the last error the exception reads.
    last_error_keeper keep;
    std::FILE* f = open_record(*logger);
    if (!f) return;
    t_narrow.clear();
    va_list args;
    va_start(args, format);
    win_vformat(t_narrow, format, args);
    va_end(args);
    std::fwrite(t_narrow.data(), 1, t_narrow.size(), f);
    close_record(*logger, f);
}

void tk_wlog_write(int level, const wchar_t* format, ...) {
    tk_logger* logger = tk_logger::find_instance();
    if (!logger || !logger->wants(level)) return;
    last_error_keeper keep;
    std::FILE* f = open_record(*logger);
    if (!f) return;
    t_wide.clear();
    va_list args;
    va_start(args, format);
    win_vformat(t_wide, format, args);
    va_end(args);
    if (t_wide.size() >= static_cast<size_t>(wide_buffer_chars)) {
        t_wide.resize(wide_buffer_chars - 1);
    }
    char utf8[utf8_buffer_bytes];
    int n = WideCharToMultiByte(CP_UTF8, 0, t_wide.c_str(), static_cast<int>(t_wide.size()) + 1,
                                utf8, utf8_buffer_bytes, nullptr, nullptr);
    if (n > 1) std::fwrite(utf8, 1, static_cast<size_t>(n - 1), f);
    close_record(*logger, f);
}

std::string tk_default_log_file_name() {
    return tk_replace_extension(tk_get_module_file_name(), "log");
}
