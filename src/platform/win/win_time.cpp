#include "platform/win/win_time.h"

#include <time.h>

#include <cstring>

void GetLocalTime(SYSTEMTIME* st) noexcept {
    if (!st) return;
    std::memset(st, 0, sizeof(*st));
    timespec now{};
    if (clock_gettime(CLOCK_REALTIME, &now) != 0) return;
    tm parts{};
    if (!localtime_r(&now.tv_sec, &parts)) return;
    st->wYear = static_cast<WORD>(parts.tm_year + 1900);
    st->wMonth = static_cast<WORD>(parts.tm_mon + 1);
    st->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    st->wDay = static_cast<WORD>(parts.tm_mday);
    st->wHour = static_cast<WORD>(parts.tm_hour);
    st->wMinute = static_cast<WORD>(parts.tm_min);
    st->wSecond = static_cast<WORD>(parts.tm_sec);
    st->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}
