// udb_table_mutator: the user's mapping of one source table: its destination name and the field
// mutators of its columns, found by source name and by destination name (exact, case-sensitive
// lookups; maps ordered by UTF-16 code units).  It rewrites the table's definition and indexes
// once before the destination table is created, and every record before it is written.
//
// The mutator owns its field mutators; they live until the mutator dies.  A table mutator
// without field mutators changes nothing but the table's name.  Thread-safety: none; the run
// reads the model and converts records one at a time through the mutator's own output record,
// so one table's records are converted on one thread.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "TK/tk_yaml_config.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"
#include "converter/udb_field_mutator.h"

class udb_table_mutator : public udb_properties {
public:
    using field_mutator_map =
        std::map<std::wstring, std::unique_ptr<sql_field_mutator>, tk_utf16_less>;

    explicit udb_table_mutator(const std::wstring& new_name);
    udb_table_mutator(const udb_table_mutator&) = delete;
    udb_table_mutator& operator=(const udb_table_mutator&) = delete;
    ~udb_table_mutator() override;

    // Same as find_field_mutator.
    udb_properties* find_item(const std::wstring& name) override;
    // The field mutator of a source column, or null.
    sql_field_mutator* find_field_mutator(const std::wstring& name) const;
    // The field mutator registered under a destination column name, or null.
    sql_field_mutator* find_by_new_name(const std::wstring& name) override;

    // The record to write: `record` itself when there are no field mutators, else this mutator's
    // output record (overwritten by the next call), with deleted fields left out and mapped
    // fields renamed and converted.  `record` is never changed.  A value the mapped type cannot
    // hold raises tk_exception("Data conversion is not supported for given type mapping", 0).
    virtual udb_record& modify2(udb_record& record);
    // Rewrites the column descriptions (deleted columns dropped, mapped ones replaced by mapped
    // copies, so other schemas sharing the old descriptions are not touched) and returns the
    // destination table name.  Without field mutators the schema stays as it is.
    virtual std::wstring modify1(udb_schema& schema);
    // Drops deleted columns from every index and renames the mapped ones; an index may be left
    // without columns.
    void modify3(udb_indexes& indexes) const;

    // Creates or updates the mapping of one source column and returns it; the status of an
    // existing mapping is kept (a new one gets status_changed).  For types of a fixed byte size
    // the length becomes that size.  Raises only std::bad_alloc.
    sql_field_mutator& update_field(const std::wstring& source_name, const std::wstring& new_name,
                                    sql_native_type native_type);

    // The field mutators by source column name, for the editor and the profile code.
    const field_mutator_map& field_mutators() const noexcept { return m_by_source; }

    // Destination table name.
    std::wstring new_name;

private:
    field_mutator_map m_by_source;
    std::map<std::wstring, sql_field_mutator*, tk_utf16_less> m_by_new_name;
    udb_record m_output;
};

class sql_table_mutator : public udb_table_mutator {
public:
    using udb_table_mutator::udb_table_mutator;
};
