// ora_number: a NUMBER (or FLOAT) column fetched as text and converted into the variant type its
// precision and scale refine it to: small integers, 64-bit integers, decimals or doubles.  A
// decimal with more digits than a variant decimal holds travels as its text.  An integer value
// outside its refined type, or a double that would not hold the value's every digit, is a record
// error, never a wrapped, rounded or emptied value.
// Thread-safety: none.
#pragma once

#include "ORA/ora_type.h"

class ora_number : public ora_type {
public:
    // Reads precision and scale (a negative scale widens the integer digits and then counts as
    // 0) and refines the type with the engine's b_int64_numbers; an OCI error raises
    // ora_exception.
    explicit ora_number(OCIParam* param);
    int get_vartype() const override;
    std::shared_ptr<t_ftd> get_ftd() const override;
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int pos) override;
    // A decimal, 64-bit integer or text destination lets a value the refined real type would not
    // hold exactly arrive as that decimal or integer, or as its own text.
    void set_destination(const t_ftd& destination) override;

    int get_precision() const noexcept { return m_precision; }
    int get_scale() const noexcept { return m_scale; }

private:
    // The start of the buffer's text.
    std::wstring fetched_text() const override;
    // Stores an integer or decimal column's value straight from the buffer when its text is
    // plain (see plain_number); false, with `out` untouched, for anything else.
    bool store_plain(ole_variant& out);
    // Stores the fetched decimal text as a variant decimal; false when it does not read as one.
    bool store_decimal(ole_variant& out);
    // Stores a value the real type would not hold exactly in the form the destination holds it
    // (see set_destination); false when it has none or the value does not fit it.
    bool store_for_destination(ole_variant& out);
    // A real column's refusal of `text`, naming a mapped type that holds the value.
    [[noreturn]] void refuse_for_real(const std::wstring& text) const;

    int m_precision = 0;
    int m_scale = 0;
    int m_vartype = VT_R8;
    // The destination that holds exactly what the real type would not: VT_DECIMAL with its
    // precision and scale, VT_I8, VT_BSTR, or VT_EMPTY for none.
    int m_destination = VT_EMPTY;
    int m_destination_precision = 0;
    int m_destination_scale = 0;
    char m_buf[255] = {};  // UTF-8
    // The last value as text, kept to spare an allocation per cell.
    std::wstring m_text;
    // The text with a point for its comma, when it has one.
    std::wstring m_dotted;
};
