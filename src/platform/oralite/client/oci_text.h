// UTF-16 <-> UTF-8 conversion at the OCI boundary.
//
// Text that crosses the interface is UTF-16 in native byte order with lengths in bytes; the
// engine works in UTF-8. Buffers handed in by callers may be unaligned, so every UTF-16 unit is
// read and written by memcpy. Invalid sequences (lone surrogates in UTF-16, bad UTF-8) become
// U+FFFD rather than failing: a fetch must never stop on text it cannot represent exactly.  A
// surrogate stored in the engine's UTF-8 as a character of its own reads as its UTF-16 unit.
// All functions are pure and thread-safe.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace oci_text {

// UTF-16 text of `bytes` bytes (an odd last byte is ignored) as UTF-8.
std::string utf16_to_utf8(const void* utf16, size_t bytes);
// The same, appended to `out` (no allocation when `out` has the capacity).
void append_utf16_as_utf8(const void* utf16, size_t bytes, std::string& out);
// Length in bytes of a zero-terminated UTF-16 text, looking at no more than `max_bytes`.
size_t utf16_strlen_bytes(const void* utf16, size_t max_bytes);
// UTF-8 text as UTF-16 units.
std::u16string utf8_to_utf16(std::string_view utf8);
// Writes `utf8` as UTF-16 into `out` (capacity `cap_units` units), never splitting a surrogate
// pair. Returns the number of units written; `*needed_units` receives the units of the whole text.
size_t utf8_to_utf16_into(std::string_view utf8, void* out, size_t cap_units, size_t* needed_units);
// Number of UTF-16 units of `utf8`.
size_t utf16_units_of(std::string_view utf8);

}  // namespace oci_text
