// ora_string: a character column (VARCHAR2, CHAR, NVARCHAR2, NCHAR) fetched as text into a buffer
// of as many characters as its data size plus a terminator: UTF-8, or UTF-16 for the widest
// columns; read as VT_BSTR by the fetched length, so a zero character inside the value stays part
// of it.
// Thread-safety: none.
#pragma once

#include <vector>

#include "ORA/ora_type.h"

class ora_string : public ora_type {
public:
    // Reads the data size; an OCI error raises ora_exception.
    explicit ora_string(OCIParam* param);
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int pos) override;

private:
    // The start of the buffer's text.
    std::wstring fetched_text() const override;

    // The longest value a fetch can say the length of.
    static constexpr std::size_t k_most_fetched_bytes = 65535;

    // The buffer's bytes, when it holds UTF-8.
    const char* utf8_text() const { return reinterpret_cast<const char*>(m_buf.data()); }

    bool m_utf16 = false;
    std::vector<char16_t> m_buf;  // UTF-16 units, or the bytes of UTF-8 text
    // The last value as text, kept to spare an allocation per cell.
    std::wstring m_text;
};
