// tk_logger: the process-wide trace log, and the two calls every method reports through.
//
// Levels: 1 detail, 2 method entry, 3 progress, run start and end, errors.  A message below the
// threshold costs one load and one branch, and no formatting: the calls sit in every per-row loop.
// Each message is written by its own open, append and close, and the logger takes no lock.
// A record is [optional "hh:mm:ss "] + message + "\r\n", in binary: narrow messages byte for
// byte, wide ones as UTF-8 (cut to 10239 characters; a text whose UTF-8 form needs more than
// 10240 bytes is left out, the frame of the record is still written).
#pragma once

#include <atomic>
#include <climits>
#include <mutex>
#include <string>

#include "TK/tk_singleton.h"

class tk_logger : public tk_singleton<tk_logger> {
public:
    // A null file_name means tk_default_log_file_name(); when enabled the file is emptied at once.
    tk_logger(const char* file_name, bool enabled, int threshold, bool time_stamps);
    ~tk_logger() override;

    // Replaces the file name; null raises tk_mail_assertion("tk_logge", 82).
    void set_file_name(const char* file_name);
    // Empties the file once per process (after enabling), also when the open fails.
    void truncate_once();

    const std::string& file_name() const noexcept { return m_file_name; }
    int threshold() const noexcept { return m_threshold; }
    bool enabled() const noexcept { return m_enabled.load(std::memory_order_relaxed); }
    bool truncated() const noexcept { return m_truncated.load(std::memory_order_relaxed); }
    bool time_stamps() const noexcept { return m_time_stamps; }
    bool line_ends() const noexcept { return m_line_ends; }
    void enable() noexcept {
        m_enabled.store(true, std::memory_order_relaxed);
        refresh_floor();
    }

    // Every message below this level is left out without looking at the logger: INT_MAX while
    // no logger is registered or it is disabled, its threshold once it writes, and INT_MIN
    // while the first message of any level still has to empty the file.
    static int floor() noexcept { return s_floor.load(std::memory_order_relaxed); }

    // True when a message of this level must be formatted and written.  Performs the one-time
    // truncation first, so the first message of any level after enabling empties the file.
    bool wants(int level) {
        if (!m_enabled.load(std::memory_order_relaxed)) return false;
        if (!m_truncated.load(std::memory_order_relaxed)) truncate_once();
        return level >= m_threshold;
    }

private:
    // Sets the floor from this logger's state, when it is the registered one.
    void refresh_floor() noexcept;

    static inline std::atomic<int> s_floor{INT_MAX};
    std::string m_file_name;
    int m_threshold;
    bool m_line_ends = true;
    // Atomic because the window thread and a worker both log: the one-time truncation must
    // happen once, not once per thread that sees the flag still clear.  The flag is set only
    // after the file was emptied, and threads arriving meanwhile wait on the lock, so none
    // writes a line that the emptying then erases.
    std::atomic<bool> m_enabled;
    std::atomic<bool> m_truncated{false};
    std::mutex m_truncating;
    bool m_time_stamps;
};

// True when a message of this level reaches the log.  Inline so that the calls below the
// threshold cost a load and a branch: they sit in every per-row and per-cell path.
inline bool tk_log_wanted(int level) {
    if (level < tk_logger::floor()) return false;
    tk_logger* logger = tk_logger::find_instance();
    return logger && logger->wants(level);
}

// The writers behind tk_log and tk_wlog; call those instead.
void tk_log_write(int level, const char* format, ...);
void tk_wlog_write(int level, const wchar_t* format, ...);

// Narrow printf-style message: printf conversions, plus "%S" for a wide string and "%I64d" /
// "%I64u" / "%I64X" for 64-bit integers.
template <class... Args>
inline void tk_log(int level, const char* format, Args... args) {
    if (tk_log_wanted(level)) tk_log_write(level, format, args...);
}
// Wide printf-style message, written as UTF-8.  Conversions follow the system's wide convention:
// "%s" takes a wide string (const wchar_t*), "%S" a narrow one (const char*), "%c" a wide
// character, "%I64d" / "%I64u" / "%I64X" 64-bit integers.
template <class... Args>
inline void tk_wlog(int level, const wchar_t* format, Args... args) {
    if (tk_log_wanted(level)) tk_wlog_write(level, format, args...);
}

// The running program's path with its extension replaced by ".log".
std::string tk_default_log_file_name();
