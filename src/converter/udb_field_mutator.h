// udb_field_mutator: the user's mapping of one source column: its destination name, MySQL type
// (with length, scale, precision), default and character set, or its removal (status 2).  It
// rewrites the column's description before the destination table is created (modify1) and the
// column's value in every record (modify2).  The character set lives only in the model and the
// profile; it never reaches the description.
//
// A mutator is owned by its udb_table_mutator; the public members are read and written directly
// by the editor and the profile code.  Thread-safety: none; the run only reads a mutator, the
// window thread changes it before a run starts.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "UDB/t_ftd.h"
#include "UDB/udb_field.h"
#include "UDB/udb_properties.h"
#include "converter/sql_native_type.h"
#include "platform/oleaut/oleaut.h"

class udb_field_mutator : public udb_properties {
public:
    static constexpr int status_changed = 1;
    static constexpr int status_deleted = 2;

    // A mutator that keeps the source value type (new_ole_type VT_NULL) and flags 0.
    udb_field_mutator(const std::wstring& new_name, const sql_native_type& native_type, int status);
    ~udb_field_mutator() override;

    // Refills the property map from the members ("new_name", "type", "default_value",
    // "character_set", "length", "scale", "precision"; numbers in decimal) and returns it.
    virtual property_map& store_properties();
    // A column has no nested settings: always null.
    udb_properties* find_item(const std::wstring& name) override;
    udb_properties* find_by_new_name(const std::wstring& name) override;

    // A new copy of the description carrying this mapping's type text; null for null.
    virtual std::shared_ptr<t_ftd> clone(const t_ftd* field) const;
    // Applies the mapping to a column description (name, type, size, reserved word, default).
    virtual void modify1(t_ftd& field) const;
    // Applies the mapping to one value (name, type, size).  A value the mapped type cannot hold
    // raises tk_exception("Data conversion is not supported for given type mapping", 0) and
    // leaves the value as it was.
    virtual void modify2(udb_field& field) const;

    // Destination name; empty keeps the source name.
    std::wstring new_name;
    // Variant type of the destination values; VT_NULL keeps the source type.
    VARTYPE new_ole_type = VT_NULL;
    // Replaces the description's dw_reserved (decimals get their precision and scale instead).
    int32_t new_ole_flags = 0;
    sql_native_type native_type;
    // status_changed or status_deleted.
    int status = status_changed;
};

class sql_field_mutator : public udb_field_mutator {
public:
    using udb_field_mutator::udb_field_mutator;
};

// A new field mutator; raises only std::bad_alloc.
std::unique_ptr<sql_field_mutator> new_sql_field_mutator(const std::wstring& new_name,
                                                         const sql_native_type& native_type,
                                                         int status);
