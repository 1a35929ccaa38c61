// ora_string: a character column (VARCHAR2, CHAR, NVARCHAR2, NCHAR) fetched as UTF-8 text into a
// buffer of as many characters as its data size plus a terminator; read as VT_BSTR by the fetched
// length, so a zero character inside the value stays part of it.
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

    std::vector<char> m_buf;
    // The last value as text, kept to spare an allocation per cell.
    std::wstring m_text;
};
