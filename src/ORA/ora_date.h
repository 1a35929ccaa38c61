// ora_date: a DATE or TIMESTAMP column, fetched into a timestamp descriptor.  A DATE (or a
// TIMESTAMP without fractions) reads as VT_DATE; a TIMESTAMP with fractions of a second reads as
// its ISO text with as many fraction digits as the column declares (up to six, what a MySQL
// DATETIME holds), since a VT_DATE keeps milliseconds only.  A TIMESTAMP WITH TIME ZONE value is
// read in UTC, rounded to the digits its column declares.  A TIMESTAMP(7) to (9) value with
// digits beyond the sixth, which no DATETIME holds, is rounded to microseconds and counted.
// Thread-safety: none.
#pragma once

#include "ORA/ora_type.h"

class ora_date : public ora_type {
public:
    // Allocates the descriptor and reads the fractional-second precision; an OCI error raises
    // ora_exception.
    explicit ora_date(OCIParam* param);
    ~ora_date() override;
    std::shared_ptr<t_ftd> get_ftd() const override;
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int pos) override;

    // Fraction digits the column's values carry (0 to 6).
    int get_fraction_digits() const noexcept { return m_digits; }
    // How many values were rounded to microseconds, as a line for the user; empty for none.
    std::wstring value_notice() const override;

private:
    std::wstring fetched_text() const override;
    // The value as ISO text with `digits` fraction digits, into m_text.  Every field fits its
    // width unless the value is refused, and the widest fields (a 6-digit year, 3-digit time
    // fields, a 10-digit fraction) still fit m_text.
    void format_text(int year, int month, int day, int hour, int minute, int second,
                     unsigned fraction, int digits);

    // The descriptor's kind and the external type it is defined as: a zoned one for a
    // TIMESTAMP WITH TIME ZONE, whose zone a plain timestamp does not hold.
    ub4 descriptor_kind() const noexcept;
    ub2 define_type() const noexcept;

    OCIDateTime* m_datetime = nullptr;
    // Fraction digits the column declares (0 to 9), and those its values carry (up to 6).
    int m_scale = 0;
    int m_digits = 0;
    // Values read so far whose digits beyond the sixth were rounded away.
    unsigned m_rounded = 0;
    // The last value as text, kept to spare an allocation per cell.
    wchar_t m_text[48] = {};
    std::size_t m_text_size = 0;
};
