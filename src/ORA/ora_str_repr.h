// ora_str_repr: a column read through its text form: LONG, named types, row ids, intervals, and
// LONG RAW.  A LONG, LONG RAW or named type has no length the reader could size a buffer by (a
// LONG holds up to 2 GB): it is fetched in pieces into a buffer that grows with the value, so
// that any length arrives whole and a short value costs no more than itself; LONG RAW arrives as
// its bytes.  The others hold a fixed number of characters (LONG RAW given a capacity, as "0x"
// and hexadecimal digits); a longer value is a record error, never a silent cut.  Text arrives as
// UTF-8 (behind its byte count when fixed), so that a zero character is part of a value, not its
// end.
// Thread-safety: none.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "ORA/ora_type.h"

class ora_str_repr : public ora_type {
public:
    // `capacity` is the number of characters (of hexadecimal digits for LONG RAW, twice that);
    // 0 reads the value in pieces, whatever its length.
    ora_str_repr(OCIParam* param, unsigned capacity);
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int pos) override;

private:
    // The start of the buffer's text.
    std::wstring fetched_text() const override;

    bool is_long_raw() const noexcept { return m_data_type == SQLT_LBI; }
    bool is_pieced() const noexcept { return m_pieced; }

    // The fetched text's bytes, as its count says (never more than the buffer holds).
    std::size_t text_bytes() const noexcept;

    // OCI's request for room for the next piece of a pieced value.
    static sb4 next_piece(void* self, OCIDefine* define, ub4 iter, void** buf, ub4** length,
                          ub1* piece, void** indicator, ub2** code);

    // Not zero-filled: a LONG RAW column's buffer is megabytes, and filling it cost every query
    // a page fault per page; the fetch writes what it fetched and its length.
    // LONG RAW digits as UTF-16 units, behind "0x" and before their terminator:
    std::unique_ptr<char16_t[]> m_buf;
    std::size_t m_units = 0;
    // Any other fixed text: its byte count (an sb4), then its UTF-8 bytes.
    std::unique_ptr<char[]> m_bytes;
    std::size_t m_bytes_size = 0;
    // A pieced value: its bytes (UTF-8 for text) so far (the string's size is the room handed out),
    // the bytes of the pieces before the last one, and the last piece's room, then its length.
    bool m_pieced = false;
    std::string m_value;
    std::size_t m_value_bytes = 0;
    ub4 m_piece_bytes = 0;
    // The last value as text, kept to spare an allocation per cell.
    std::wstring m_text;
};
