// ole_variant: the value that carries every cell, column default and key value between the
// Oracle side and the MySQL side.
//
// It wraps a VARIANT and keeps three kinds of value beside it: signed and unsigned 64-bit
// integers (VT_I8, VT_UI8 live only in the side values) and the broken-down date-time of a
// VT_DATE (every date operation reads the SYSTEMTIME; the VARIANT's DATE is set too when the
// platform accepts the date).  The value owns its BSTR or byte array and copies are deep.
// Binary values are one-dimensional byte arrays from 0 (type VT_ARRAY | VT_UI1).
//
// Failure: calls the held type does not allow and failed allocations raise tk_mail_assertion
// ("ole_var", line); parsing that the generic conversion refuses raises ole_type_exception;
// impossible type changes raise ole_cast_exception.  Numeric readers never raise for a failed
// conversion: they give 0 or the empty text.
//
// Thread-safety: a value belongs to one thread at a time; nothing is locked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/oleaut/oleaut.h"

// True for the types whose value is a number (2 to 6, 11, 14, 16 to 23).
bool ole_is_numeric_type(VARTYPE vt);
// True for the types whose whole value is the VARIANT and, for a date, its broken-down time:
// nothing, numbers of every width, truths and dates.  Their copy is a copy of those bits.
bool ole_is_self_contained_type(VARTYPE vt);
// True for the types of whole numbers: VT_I2, VT_I4 and 16 to 23 (VT_I1 to VT_UINT).
bool ole_is_integer_type(VARTYPE vt);
// True for the integer types of 32 bits and less, VT_BOOL included: the values a C int holds.
bool ole_is_int_type(VARTYPE vt);
// True for the binary types: VT_BLOB, VT_BLOB_OBJECT and VT_ARRAY | VT_UI1.
bool ole_is_binary_type(VARTYPE vt);
// True for the types whose SQL literal is quoted: VT_BSTR and VT_DATE.
bool ole_is_quoted_type(VARTYPE vt);

inline constexpr VARTYPE VT_BYTE_ARRAY = VT_ARRAY | VT_UI1;

class ole_variant {
public:
    // VT_EMPTY.
    ole_variant();
    // VT_DATE keeping the broken-down time; a date the platform rejects is logged and kept.
    explicit ole_variant(const SYSTEMTIME& time);
    explicit ole_variant(const CY& value);
    explicit ole_variant(const DECIMAL& value);
    // VT_BSTR holding a copy of a NUL-terminated wide text (null gives an empty text).
    explicit ole_variant(const wchar_t* text);
    explicit ole_variant(bool value);
    explicit ole_variant(char value);
    explicit ole_variant(signed char value);
    explicit ole_variant(unsigned char value);
    explicit ole_variant(short value);
    explicit ole_variant(unsigned short value);
    explicit ole_variant(int value);
    explicit ole_variant(unsigned int value);
    explicit ole_variant(long value);
    explicit ole_variant(unsigned long value);
    explicit ole_variant(long long value);
    explicit ole_variant(unsigned long long value);
    explicit ole_variant(float value);
    explicit ole_variant(double value);
    // VT_BSTR from text in the ANSI code page (attach_string).
    explicit ole_variant(const char* text);
    explicit ole_variant(const std::string& text);
    // VT_BSTR holding all the characters, embedded NULs included (attach_wstring).
    explicit ole_variant(const std::wstring& text);
    // VT_ARRAY | VT_UI1 holding a copy of the bytes.
    explicit ole_variant(const std::vector<std::uint8_t>& bytes);
    // The same from a pointer; a null pointer raises tk_mail_assertion("ole_var", 937).
    ole_variant(std::size_t count, const std::uint8_t* bytes);
    // Deep copy.
    ole_variant(const ole_variant& other);
    // Takes over the other's value, leaving it VT_EMPTY.
    ole_variant(ole_variant&& other) noexcept;
    virtual ~ole_variant();

    // Deep copy of another value (nothing when it is this one).
    ole_variant& operator=(const ole_variant& other);
    ole_variant& operator=(ole_variant&& other) noexcept;
    void assign(const ole_variant& other);
    // VT_BSTR holding a copy of a NUL-terminated text (null gives an empty text).
    ole_variant& operator=(const wchar_t* text);

    // Text in the ANSI code page becomes VT_BSTR; failed allocation: tk_mail_assertion 1018.
    void attach_string(const std::string& text);
    // VT_BSTR holding the whole string; failed allocation: tk_mail_assertion 1037.
    void attach_wstring(const std::wstring& text);
    // VT_BSTR holding the text up to its first NUL.
    void set_wstring(const std::wstring& text);
    // Makes the value a VT_BSTR of `length` characters, keeping the storage of a text it holds,
    // and returns them for the caller to write: a reader decodes a cell straight into its field.
    // The characters are unspecified until written.  Failed allocation: tk_mail_assertion 1037.
    wchar_t* text_buffer(std::size_t length);

    // The value `*this = ole_variant(value)` gives, made in place and traced with the
    // constructor's line: a reader refills one field per column row after row.  vt is VT_I1, VT_I2,
    // VT_I4 or VT_I8, and the value must fit it.
    void assign_integer(VARTYPE vt, long long value);
    void assign_decimal(const DECIMAL& value);
    // A value that already holds the same broken-down time, with a DATE the platform accepted,
    // keeps that DATE: dates often repeat row after row, and the conversion is not free.
    void assign_date(const SYSTEMTIME& time);
    // A value of a self-contained type (ole_is_self_contained_type) made again from the parts
    // another gave: its variant() and, for a date, its get_systemtime().  Any other type raises
    // tk_mail_assertion("ole_var", 1090).  A row is carried between threads as bytes.
    void assign_parts(const VARIANT& value, const SYSTEMTIME& time);
    // VT_ARRAY | VT_UI1 holding a copy of count bytes; null bytes: tk_mail_assertion 937.
    void attach_binary(std::size_t count, const std::uint8_t* bytes);
    void attach_binary(const std::vector<std::uint8_t>& bytes);
    // The same, returning this value for chaining.
    ole_variant& attach_binary_ex(const std::vector<std::uint8_t>& bytes);
    // Makes the value a byte array of count zero bytes, resizing an existing one in place;
    // failed creation: tk_mail_assertion 970.
    void allocate_safe_array(std::size_t count);
    // The same, giving the array's bytes for the caller to fill: a large value is read straight
    // into the storage it is kept in.
    std::uint8_t* allocate_bytes(std::size_t count);
    // The element count of dimension 1, 0 when the upper bound is below the lower.
    static std::size_t get_safe_array_size(const SAFEARRAY* array);

    // Byte access: VT_EMPTY/VT_NULL give 0 (bytes untouched); binary values set bytes to the
    // array's data and give its size; any other type raises tk_mail_assertion("ole_var", 869).
    std::size_t get_bytes1(const std::uint8_t*& bytes) const;
    // For VT_DATE copies the broken-down time into time and returns &time; else zeroes time and
    // returns null.
    SYSTEMTIME* get_systemtime(SYSTEMTIME& time) const;

    // Signed 32-bit reading (low bits of 64-bit values, reals truncated); 0 when not numeric.
    std::int32_t to_long() const;
    // Real reading; VT_EMPTY/VT_NULL give 0, a non-numeric type raises tk_mail_assertion 714.
    double to_double() const;
    // Truth of a numeric value; VT_BOOL is true only for VARIANT_TRUE; other types false.
    bool to_bool() const;
    // Narrow text in the ANSI code page, in the forms the SQL writers print.
    virtual std::string to_string() const;
    // Wide text: a BSTR up to its first NUL, anything else to_string() widened.
    virtual std::wstring to_wstring() const;
    // A BSTR's whole stored text, zero characters included (empty for any other type); valid
    // until the value changes.
    std::wstring_view whole_text() const noexcept;

    // Parses text into a value of the type vt; raises ole_type_exception when the generic
    // conversion refuses the text.  Unparseable numbers give 0 or VT_EMPTY instead.  Binary
    // targets read hexadecimal digits of either case, with or without a "0x" or "\x" prefix;
    // an odd length or a character that is not a digit gives VT_EMPTY.
    static ole_variant from_string(const std::string& text, VARTYPE vt);
    // For VT_BSTR the text itself (up to its first NUL); otherwise narrowed, then from_string.
    static ole_variant from_wstring(const std::wstring& text, VARTYPE vt);
    // Converts the value in place; raises ole_cast_exception when the change is impossible,
    // leaving the value as it was.  Currency and decimal values reach integers rounded half to
    // even; a value outside the target's range (a real past 64 bits, a 64-bit integer past the
    // currency range) and text the ANSI code page cannot carry into bytes are refused.
    //
    // Each (from, to) pair has one conversion, the first that matches of:
    //   any            -> its own type, or from VT_EMPTY / VT_NULL, or binary -> binary: kept
    //   VT_I8, VT_UI8  -> any: the number, where the target holds it (VT_UI8 only to VT_I2 ...
    //                     VT_UINT)
    //   VT_I2, VT_I4, VT_UI2, VT_UI4 -> VT_BSTR: its decimal digits
    //   VT_DATE        -> VT_BSTR: its text; to anything else refused
    //   any            -> VT_I8, VT_UI8: from integers, booleans, reals (truncated), currency
    //                     and decimals; others refused
    //   reals          -> VT_I2, VT_I4, VT_UI2, VT_UI4: rounded half away from zero
    //   VT_DECIMAL     -> VT_I2, VT_I4, VT_UI2, VT_UI4: rounded half to even
    //   any other      -> VT_I2, VT_I4, VT_UI2, VT_UI4: KEEPS ITS TYPE; an integer or currency
    //                     value must fit the target, anything else is left as it is
    //   VT_BSTR        -> VT_DATE: the date the whole text names; other sources refused
    //   binary         -> VT_BSTR: the bytes up to the first zero as ANSI text; binary to
    //                     any other type KEEPS ITS TYPE
    //   any            -> binary: the value's memory image (a text: its ANSI bytes)
    //   any            -> any: the automation layer's conversion
    void change_type(VARTYPE vt);
    // Replaces bytes with count bytes copied from data.
    static void convert_to_byte_array(const void* data, std::size_t count,
                                      std::vector<std::uint8_t>& bytes);

    // The held type.
    VARTYPE vt() const noexcept { return m_var.vt; }
    bool is_empty() const noexcept { return m_var.vt == VT_EMPTY; }
    bool is_null() const noexcept { return m_var.vt == VT_NULL || m_var.vt == VT_EMPTY; }
    // The VARIANT; a 64-bit integer is held in its llVal / ullVal and nowhere else.
    const VARIANT& variant() const noexcept { return m_var; }
    // The number while the type is VT_I8 / VT_UI8, else 0.
    std::int64_t i8() const noexcept { return m_var.vt == VT_I8 ? m_var.llVal : 0; }
    std::uint64_t ui8() const noexcept { return m_var.vt == VT_UI8 ? m_var.ullVal : 0; }
    // The broken-down time of a VT_DATE value (zeros otherwise).
    const SYSTEMTIME& systemtime() const noexcept { return m_time; }

protected:
    // The conversions change_type chooses among.
    struct conversions;

    // Releases what the value owns and leaves it VT_EMPTY.
    void clear();
    // clear(), and every byte of the VARIANT zero, as in a value just constructed.
    void clear_whole();
    // VariantInit; logs "ole_variant::initialize".
    void initialize();

    SYSTEMTIME m_time{};
    VARIANT m_var{};
};
