// t_ftd: the description of one table column as the model carries it from a source to a
// destination.  A plain record: producers fill it, the type mapping rewrites native_type and
// dw_reserved, the SQL writers read it.  Descriptors are shared between a udb_schema and its
// copies through std::shared_ptr, so a change made through one schema is seen by all of them.
// Thread-safety: none.
#pragma once

#include <string>

#include "variant/ole_variant.h"

class t_ftd {
public:
    // The empty description: size 0, empty name, vartype 0, flags false, no default,
    // dw_reserved 0; never raises.
    t_ftd();
    // A full description; the comment starts empty.  Raises what the default's copy raises.
    t_ftd(unsigned int size, const std::wstring& name, int vartype, bool b_not_null,
          bool b_auto_increment, const ole_variant& default_value, int dw_reserved,
          const std::wstring& native_type);
    t_ftd(const t_ftd& other);
    t_ftd& operator=(const t_ftd& other);
    ~t_ftd();

    // The decimal precision packed in dw_reserved (bits 8 to 15), 0 when dw_reserved is 0.
    int get_precision() const noexcept;

    // Length in characters for text, in bytes for binary columns.
    unsigned int size = 0;
    std::wstring name;
    // Variant type of the column's values; 65 (VT_BLOB) marks a binary column.
    int vartype = 0;
    // Destination type text once the type mapping chose one; empty from the producers.
    std::wstring native_type;
    bool b_auto_increment = false;
    bool b_not_null = false;
    // VT_EMPTY when the column has no default.
    ole_variant default_value;
    // The default is the source's expression text (a sequence, a function), not a value: a
    // destination writes it only where it knows its meaning.
    bool b_default_expression = false;
    // Decimals: precision * 256 + scale.  Dates: the date kind (0 text of 19 characters,
    // 1 date-time, 2 date, 3 time).  0 otherwise.
    int dw_reserved = 0;
    std::wstring comment;
};
