// printf-style formatting with the system's conventions, for narrow and wide formats.
//
// In a wide format "%s" takes a wide string and "%S" a narrow one; in a narrow format it is the
// other way round.  "%hs"/"%ls"/"%ws" and "%hc"/"%lc"/"%C" name the width explicitly.  Integer
// lengths: h, hh, ll, j, z, t as in C; "I64", "I32" and "I" (pointer-sized) of the system; and
// "l" reads 32 bits, as the system's LONG is (a long argument of a 32-bit value prints right too,
// an int argument never reads stray bits).
// Floating conversions e, E, f, F, g, G, a, A (with L for long double), and c, d, i, o, p, u, x,
// X, %%.  A null string argument prints "(null)"; "%n" is never honoured (its argument is
// consumed and nothing is stored).  Narrow text placed into wide output is decoded from the ANSI
// code page (bytes that do not decode are widened one by one); wide text placed into narrow output
// is encoded into it ('?' for what it cannot hold).
//
// The functions append to the caller's string, so a reused string allocates nothing once it is
// large enough.  Thread-safe.
#pragma once

#include <cstdarg>
#include <string>

// Appends the formatted text to out.  Never fails.
void win_vformat(std::string& out, const char* format, va_list args);
// Appends the formatted text to out.  Never fails.
void win_vformat(std::wstring& out, const wchar_t* format, va_list args);
// The formatted text.  Never fails.
std::string win_format(const char* format, ...);
// The formatted text.  Never fails.
std::wstring win_format(const wchar_t* format, ...);
