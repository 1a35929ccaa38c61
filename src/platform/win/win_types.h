// Scalar types of the base-service stand-ins, with the widths their callers expect.
//
// WCHAR is the platform's wchar_t (32 bits here): wide text never travels as UTF-16 inside the
// process, only at the boundaries of the Oracle interface.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using BOOL = int;
using WCHAR = wchar_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
