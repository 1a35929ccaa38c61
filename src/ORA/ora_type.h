// ora_type: one column of an Oracle select list, and the base of the column classes that fetch
// it (ora_string, ora_number, ora_float, ora_binary, ora_lob, ora_date, ora_str_repr, ora_dummy).
//
// A column object reads its name, type and nullability from the describe parameter, owns the
// output buffer that OCI writes at every fetch (created by the subclass), defines that buffer on
// a statement, and turns the fetched value into a variant.  A value that the column cannot carry
// whole (an integer out of range, any value the fetch cut to fit the buffer) raises tk_exception
// at level 0 naming the table, the column and the value: a record error, never a silent cut.
// Thread-safety: none; owned by one result set.
#pragma once

#include <memory>
#include <string>

#include "UDB/t_ftd.h"
#include "platform/oci/oci.h"
#include "variant/ole_variant.h"

class ora_type {
public:
    // Reads data type, name and nullability of `param` (a describe parameter); an OCI error
    // raises ora_exception.
    explicit ora_type(OCIParam* param);
    virtual ~ora_type();
    ora_type(const ora_type&) = delete;
    ora_type& operator=(const ora_type&) = delete;

    // Variant type of the column's values, by its OCI data type.
    virtual int get_vartype() const;
    // A new description of the column for the schema.
    virtual std::shared_ptr<t_ftd> get_ftd() const;
    // Stores the fetched value in `out`; raises ora_exception on an OCI error and tk_exception
    // (level 0) for a value the column cannot carry.
    virtual void to_variant(ole_variant& out) = 0;
    // Defines the column's output at a 1-based position; raises ora_exception.
    virtual void define(OCIStmt* stmt, int pos) = 0;
    // The destination column this column's values are written into, as the run's mapping made
    // it; a column whose own type refuses some values may then carry them as that column holds
    // them.  The base has no use for it.
    virtual void set_destination(const t_ftd& /*destination*/) {}
    // What reading changed in the values so far, as one line for the user naming the column
    // ("column 'C': ..."); empty when the values arrived as they are.
    virtual std::wstring value_notice() const { return std::wstring(); }

    const std::wstring& get_name() const noexcept { return m_name; }
    unsigned get_size() const noexcept { return m_size; }
    void set_size(unsigned size) noexcept { m_size = size; }
    int get_data_type() const noexcept { return m_data_type; }
    bool is_nullable() const noexcept { return m_nullable != 0; }
    // True when the last fetch left NULL in the column.
    bool is_null() const noexcept { return m_null_ind == -1; }
    // A NULL into `field` (left empty). The text it held is kept aside and given back to the
    // next value by reuse_text, so that a column of texts and NULLs allocates no text a row.
    void set_null(ole_variant& field) {
        if (field.vt() == VT_BSTR && m_kept_text.is_empty()) m_kept_text = std::move(field);
        field = ole_variant();
    }
    // Gives an empty `field` the text storage set_null kept, for the value about to be stored.
    void reuse_text(ole_variant& field) noexcept {
        if (field.is_empty() && !m_kept_text.is_empty()) field = std::move(m_kept_text);
    }
    // The table named in record errors (empty for catalogue reads).
    void set_table(const std::wstring& table) { m_table = table; }
    // Raises the level-0 record error (table, column, the start of the value) when the last fetch
    // cut this column's value to fit its buffer; otherwise does nothing.  Inline: every cell of
    // every row passes it.
    void check_fetched() const {
        // OCI reports a cut value only as a warning on the whole fetch; the column's own return
        // code and indicator (the full length, or -2 beyond 32767) say which value it was.
        if (m_ret_code == k_truncated || m_null_ind == -2 || m_null_ind > 0) raise_cut_value();
    }

protected:
    // The return code OCI leaves in a define whose value was cut to fit its buffer.
    static constexpr ub2 k_truncated = 1406;
    // AL32UTF8: text fetched in it needs no conversion on either side of the fetch, where the
    // session's UTF-16 would be converted into and then out of.
    static constexpr ub2 k_utf8_charset = 873;

    // The record error of check_fetched.
    [[noreturn]] void raise_cut_value() const;
    // OCI_ATTR_DATA_SIZE of a describe parameter (bytes); an OCI error raises ora_exception.
    static unsigned read_data_size(OCIParam* param);
    // Raises the level-0 record error for this column and value.
    [[noreturn]] void raise_value_error(const std::wstring& value, const char* why) const;
    // UTF-8 text, zero bytes included, as the VT_BSTR of `out`: true when it was stored there
    // straight, false with the text in `text` for the caller to trace and store.  A lone
    // surrogate, which no MySQL text can hold, raises the level-0 record error.
    bool decode_utf8(const char* bytes, std::size_t count, std::wstring& text,
                     ole_variant& out) const;
    // The record error of a text (as decoded, U+FFFD in the surrogate's place) that held a lone
    // surrogate.
    [[noreturn]] void raise_lone_surrogate(const std::wstring& text) const;
    // The start of the fetched value as text, shown in a record error; empty by default.
    virtual std::wstring fetched_text() const;
    // Sets the character set the defined column's text arrives in; raises ora_exception.
    void set_define_charset(ub2 charset);

    OCIDefine* m_define = nullptr;
    std::wstring m_name;
    ub1 m_nullable = 1;
    unsigned m_size = 0;
    int m_data_type = 0;
    sb2 m_null_ind = 0;
    // Length and return code of the last fetch; every define passes them, so that a cut value
    // is seen whatever the column class.
    ub2 m_ret_len = 0;
    ub2 m_ret_code = 0;
    std::wstring m_table;

private:
    ole_variant m_kept_text;
};
