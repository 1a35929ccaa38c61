// ora_str_repr: a column read through its text form: LONG, named types, row ids, intervals, and
// LONG RAW (as "0x" and hexadecimal digits, turned into a byte array).  The buffer holds a fixed
// number of characters; a longer value is a record error, never a silent cut.  Text arrives as
// UTF-8 behind its byte count, so that a zero character is part of a value, not its end.
// Thread-safety: none.
#pragma once

#include <cstddef>
#include <memory>

#include "ORA/ora_type.h"

class ora_str_repr : public ora_type {
public:
    // `capacity` is the number of characters (of hexadecimal digits for LONG RAW, twice that).
    ora_str_repr(OCIParam* param, unsigned capacity);
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int pos) override;

private:
    // The start of the buffer's text.
    std::wstring fetched_text() const override;

    bool is_long_raw() const noexcept { return m_data_type == SQLT_LBI; }

    // The fetched text's bytes, as its count says (never more than the buffer holds).
    std::size_t text_bytes() const noexcept;

    // Not zero-filled: a LONG column's buffer is megabytes, and filling it cost every query of
    // the data dictionary a page fault per page; the fetch writes what it fetched and its length.
    // LONG RAW digits as UTF-16 units, behind "0x" and before their terminator:
    std::unique_ptr<char16_t[]> m_buf;
    std::size_t m_units = 0;
    // Any other text: its byte count (an sb4), then its UTF-8 bytes.
    std::unique_ptr<char[]> m_bytes;
    std::size_t m_bytes_size = 0;
    // The last value as text, kept to spare an allocation per cell.
    std::wstring m_text;
};
