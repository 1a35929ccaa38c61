// udb_db_mutator: the type mapping of the whole database: the table mutators by source table
// name and by destination name (exact, case-sensitive lookups; maps ordered by UTF-16 code
// units).  The run asks it for each table's destination name and definition (modify1) and for
// each record to write (modify2); a table without a mapping passes unchanged.  The editor fills
// it table by table, a profile load clears and rebuilds it.
//
// The mutator owns its table mutators; they live until clear() or its destruction.
// Thread-safety: none; it is changed on the window thread only before a run starts and is read
// by the run.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "TK/tk_yaml_config.h"
#include "UDB/t_ftd.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"
#include "converter/sql_native_type.h"
#include "converter/udb_table_mutator.h"

class udb_profile;
class udb_recordset;

// The file of the MySQL types the user may pick instead of each built-in type.
inline constexpr const char sql_map[] = "sql.map";
// The file of the parameters (LENGTH, SCALE, PRECISION) each MySQL type takes.
inline constexpr const char sql_typ[] = "sql.typ";

class udb_db_mutator : public udb_properties {
public:
    using table_mutator_map =
        std::map<std::wstring, std::unique_ptr<sql_table_mutator>, tk_utf16_less>;

    udb_db_mutator();
    udb_db_mutator(const udb_db_mutator&) = delete;
    udb_db_mutator& operator=(const udb_db_mutator&) = delete;
    ~udb_db_mutator() override;

    // Same as find_table_mutator.
    udb_properties* find_item(const std::wstring& name) override;
    // The table mutator of a source table, or null.
    sql_table_mutator* find_table_mutator(const std::wstring& name) const;
    // The table mutator registered under a destination table name, or null.
    sql_table_mutator* find_by_new_name(const std::wstring& name) override;

    // The source table's mutator with its destination name set to new_name (its old destination
    // name still finds it), or a new one registered under both names.  Raises only
    // std::bad_alloc.
    sql_table_mutator& get_table_mutator(const std::wstring& source_name,
                                         const std::wstring& new_name);
    // Deletes every table mutator; never raises.
    void clear() noexcept;

    // Maps one source table's definition and indexes in place and returns the destination table
    // name; a table without a mapping keeps its name, definition and indexes.
    std::wstring modify1(const std::wstring& table, udb_schema& schema, udb_indexes& indexes);
    // The record to write for one source record: `record` itself when the table has no field
    // mappings, else the table mutator's output record (see udb_table_mutator::modify2).
    udb_record& modify2(const std::wstring& table, udb_record& record);
    // Tells `source`, after modify1 mapped its definition, the mapped description of each column
    // the mapping of `table` changes (udb_recordset::set_destination_field).
    void tell_mapped_fields(const std::wstring& table, udb_recordset& source);

    // Describes a source column in destination terms: the bare MySQL type name, the size as
    // length, the default as plain text (empty when the column gets no DEFAULT) and, for
    // decimals only, precision and scale (the other members of `out` are left alone).  The
    // description is not changed; native_type_text(out) gives its type text.  A column type
    // without a MySQL type raises tk_mail_assertion("sql_util", 495).
    virtual void get_native_type(const t_ftd& field, sql_native_type& out) const;
    // The deny set handed to the type-file reader: process-wide and always empty.
    virtual const std::set<std::wstring>& get_type_filter() const;

    // Appends the whole mapping to the profile's list section "Type Mappings"; always true.
    bool store_to_profile(udb_profile& profile) const;
    // Replaces the mapping (database properties included) by the one in the profile's "Type
    // Mappings" lines and returns true.  A line out of place raises profile_fault (level 1) with
    // the mapping left as it was.
    bool load_from_profile(udb_profile& profile);
    // Takes the mapping of `other` (database properties included) in place of this one's, which
    // `other` receives; never raises.
    void swap_mapping(udb_db_mutator& other) noexcept;

    // The allowed replacements of a MySQL type name from "sql.map" (loaded on first demand, from
    // the working directory, else beside the program); a name the file does not list gets an
    // empty list.  The list lives as long as the process.  An unreadable file raises tk_exception
    // (level 1) "Cannot find sql.map. Custom type mapping is not available."
    const std::vector<std::wstring>& get_mapped_types(const std::wstring& type);
    // The parameter words (LENGTH, SCALE, PRECISION) of a MySQL type name from "sql.typ", loaded
    // and failing the same way.
    const std::vector<std::wstring>& get_type_params(const std::wstring& type);

    // The table mutators by source table name, for the profile code.
    const table_mutator_map& table_mutators() const noexcept { return m_by_source; }

private:
    table_mutator_map m_by_source;
    std::map<std::wstring, sql_table_mutator*, tk_utf16_less> m_by_new_name;
};

class sql_db_mutator : public udb_db_mutator {
public:
    using udb_db_mutator::udb_db_mutator;
};
