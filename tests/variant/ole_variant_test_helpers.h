// Small builders shared by the value-type tests.
#pragma once

#include <cstdint>
#include <vector>

#include "variant/ole_variant.h"

// A broken-down date-time of the given fields (day of week left 0).
inline SYSTEMTIME st(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(y);
    t.wMonth = static_cast<WORD>(mo);
    t.wDay = static_cast<WORD>(d);
    t.wHour = static_cast<WORD>(h);
    t.wMinute = static_cast<WORD>(mi);
    t.wSecond = static_cast<WORD>(s);
    t.wMilliseconds = static_cast<WORD>(ms);
    return t;
}

// The bytes of a binary value (none for an empty or null one).
inline std::vector<std::uint8_t> bytes_of(const ole_variant& v) {
    const std::uint8_t* p = nullptr;
    std::size_t n = v.get_bytes1(p);
    return n ? std::vector<std::uint8_t>(p, p + n) : std::vector<std::uint8_t>();
}
