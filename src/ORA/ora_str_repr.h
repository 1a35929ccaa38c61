// ora_str_repr: a column read through its text form: LONG, named types, row ids, intervals, and
// LONG RAW (as "0x" and hexadecimal digits, turned into a byte array).  The buffer holds a fixed
// number of characters; a longer value is a record error, never a silent cut.
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

    // Not zero-filled: a LONG column's buffer is megabytes, and filling it cost every query of
    // the data dictionary a page fault per page; the fetch writes the text and its terminator.
    std::unique_ptr<char16_t[]> m_buf;
    std::size_t m_units = 0;
    // The last value as text, kept to spare an allocation per cell.
    std::wstring m_text;
};
