// The local wall-clock time in the shape the system's callers read it.  Thread-safe.
#pragma once

#include "platform/win/win_types.h"

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

// Fills st with the local time; all fields zero when the clock cannot be read.
void GetLocalTime(SYSTEMTIME* st) noexcept;
