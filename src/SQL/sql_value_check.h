// sql_value_check: what a MySQL server in the run's SQL mode does with one literal stored into one
// column under INSERT IGNORE, found without a server.  A dump is replayed long after it is
// written, and the IGNORE that keeps a replay going turns every refusal into a quiet change; the
// dump writer asks this check for every cell so that it reports, as a record error, each value
// the replay would change, with the number and the text the server would give (MariaDB's).
//
// Covered: text length in characters (CHAR, VARCHAR) or bytes (TEXT and BLOB families, BINARY,
// VARBINARY), characters the column's character set lacks, integer and DECIMAL ranges and
// DECIMAL scale, FLOAT range, infinity and NaN in FLOAT and DOUBLE, the DATE, DATETIME and
// TIMESTAMP ranges (TIMESTAMP read as UTC), NULL into NOT NULL.  Other types pass.
// Built once per column; check() keeps no state.  Thread-safety: none needed (const).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "SQL/sql_literal_facts.h"

class t_ftd;

class sql_value_check {
public:
    // The server's answer to one stored literal: number 0 when the value is stored as given.
    struct verdict {
        unsigned int number = 0;
        std::string message;
    };

    // column: the destination description (MySQL name, type text or variant type); charset:
    // the column's character set as created (empty: any character); not_null: the column
    // refuses NULL (an auto-increment column takes NULL as "next value").
    sql_value_check(const std::wstring& table, const t_ftd& column, const std::wstring& charset,
                    bool not_null);

    // The verdict on `literal`, a literal as get_fld_append_str writes it; `scratch` is the
    // caller's buffer for its decoded text, reused from cell to cell.
    verdict check(std::string_view literal, std::string& scratch) const;
    verdict check(std::string_view literal) const;
    // The same verdict, told from what the literal's rendering knew of it where that suffices.
    verdict check(std::string_view literal, const sql_literal_facts& facts,
                  std::string& scratch) const;
    // True when a hex literal is judged by the count of its bytes alone (check_hex gives the
    // verdict): a writer need not hold a large value's text to have it checked.
    bool checks_hex_by_length() const {
        return m_kind == kind::binary || (m_kind == kind::other && !m_not_null);
    }
    // The verdict check() gives a hex literal of `bytes` bytes, for such a column.
    verdict check_hex(std::size_t bytes) const;
    // The value as the column keeps it, so that keys compare as the server compares them
    // (numbers rounded to the column's scale, texts cut to its length); empty for NULL.
    std::string stored_form(std::string_view literal) const;
    // The stored form of `literal` appended to `out`, told from `facts` where they suffice;
    // false, with nothing appended, for NULL.
    bool append_stored_form(std::string_view literal, const sql_literal_facts& facts,
                            std::string& out) const;

private:
    enum class kind {
        other,
        integer,
        decimal,
        single,
        real,
        date,
        datetime,
        timestamp,
        chars,
        text_bytes,
        binary
    };

    verdict check_number(const std::string& text, bool quoted) const;
    // The verdict on a number of sign, digits and point, split at the point (leading zeros
    // dropped from `whole`); `decided` false when only the general reading can tell.
    verdict check_plain_number(bool negative, std::string_view whole, std::string_view fraction,
                               bool& decided) const;
    verdict check_decimal_digits(const char* number) const;
    // check_decimal_digits of a number already split into its digits.
    verdict check_plain_decimal(bool negative, std::string_view whole,
                                std::string_view fraction) const;
    verdict check_date(std::string_view text) const;
    // The verdict on a date read as its fields; `time` when a time of day was written.
    verdict check_date_fields(long long year, unsigned month, unsigned day, unsigned hour,
                              unsigned minute, unsigned second, bool time) const;
    verdict cannot_be_null() const;
    verdict check_text(const std::string& text) const;
    verdict truncated() const;
    // The text as the column's character set holds it.
    std::string in_charset(const std::string& text) const;
    verdict out_of_range() const;
    verdict incorrect(const char* what, const std::string& text) const;

    std::string m_table;
    std::string m_column;
    kind m_kind = kind::other;
    bool m_unsigned = false;
    bool m_not_null = false;
    // Integer bounds; DECIMAL precision and scale; the length limit of texts and binaries.
    long double m_min = 0;
    long double m_max = 0;
    int m_precision = 0;
    int m_scale = 0;
    unsigned long long m_limit = 0;
    // The code page of the column's character set; 0 when it holds every character.
    unsigned int m_code_page = 0;
};
