// The texts of number cells that the engine writes for every row it reads: Oracle's text of a
// NUMBER and of a BINARY_DOUBLE, into a caller's buffer where they fit, without the general
// conversions' allocations.
//
// Thread-safety: pure functions.
#ifndef TW_PLATFORM_ORALITE_LITE_CELL_NUMBERS_H
#define TW_PLATFORM_ORALITE_LITE_CELL_NUMBERS_H

#include <cstddef>
#include <cstdint>
#include <string>

// 10^k for the scales whose digits a NUMBER's text is made from: exact, as integers and doubles.
inline constexpr uint64_t lite_powers_of_ten[16] = {1,
                                                    10,
                                                    100,
                                                    1000,
                                                    10000,
                                                    100000,
                                                    1000000,
                                                    10000000,
                                                    100000000,
                                                    1000000000,
                                                    10000000000,
                                                    100000000000,
                                                    1000000000000,
                                                    10000000000000,
                                                    100000000000000,
                                                    1000000000000000};

// Oracle's text of a double, as "%.15g" prints it in the C locale but with ".5" for "0.5", into
// `out` (64 bytes): its length, or 0 when the number needs an exponent (or is no number).
size_t lite_short_number_text(double v, char* out);
// The text lite_short_number_text gives the value `digits` / 10^scale, when it holds at most 15
// digits and needs no exponent; 0 otherwise.
size_t lite_scaled_number_text(int64_t digits, int scale, char* out);
// A BINARY_DOUBLE's (or BINARY_FLOAT's) text: the fewest digits that read back as the same
// value, up to 17 (9), so that a text fetch loses nothing of what the column holds.
std::string lite_binary_real_text(double v, bool single);
// lite_binary_real_text's text into `out` (64 bytes) when the shortest digits need no exponent;
// 0 otherwise.
size_t lite_short_binary_real_text(double v, bool single, char* out);

#endif
