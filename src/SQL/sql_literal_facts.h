// sql_literal_facts: what the rendering of one cell knows of the literal it wrote (its digits, a
// date's fields, a text's length), so that the dump's check of the cell need not read the
// literal back.  Filled by append_fld_str, read by sql_value_check; `unknown` says nothing and
// leaves the check to the literal itself.
#pragma once

#include <cstddef>
#include <cstdint>

struct sql_literal_facts {
    enum class form : std::uint8_t {
        unknown,
        null,      // "NULL"
        number,    // an optional '-', `whole` digits, then a point and `fraction` digits if any
        exponent,  // a finite number in exponent form ("-3.5000000000000000e+05")
        date,      // 'YYYY-MM-DD', with " HH:MM:SS" when `time` (and any fraction after it)
        text       // a quoted text of `chars` characters, `bytes` bytes of UTF-8 once unescaped
                   // (as many as its characters when all of them are ASCII)
    };
    form what = form::unknown;
    bool negative = false;
    bool time = false;
    std::uint8_t whole = 0;
    std::uint8_t fraction = 0;
    std::uint8_t month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::uint16_t year = 0;
    std::size_t chars = 0;
    std::size_t bytes = 0;
};
