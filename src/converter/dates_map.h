// types_map and dates_map: statistics over the values of a table's date columns, from which the
// MySQL half can revise a column's type after its rows were copied (DATETIME, DATE, TIME, or text
// of 19 characters when the values mix).  A map belongs to one table job of one run.
// Thread-safety: none; the run's thread.
#pragma once

#include <string>
#include <vector>

class udb_record;
class udb_schema;

// One date column of the table and what its values showed so far.
struct date_entry {
    // Position in the table's field list.
    int field_index = 0;
    std::wstring field_name;
    // 0 CHAR(19), 1 DATETIME, 2 DATE, 3 TIME.
    int verdict = 0;
    // 1 when the column's values are dates, else 0.
    int initial_verdict = 0;
    bool seen = false;
};

class types_map {
public:
    explicit types_map(const std::wstring& table_name);
    virtual ~types_map() = default;

    // Classifies the values of one record; the base classifies nothing.
    virtual void add_rec_stat(udb_record& record);

    const std::wstring& table_name() const noexcept { return m_table_name; }
    std::vector<date_entry>& entries() noexcept { return m_entries; }
    const std::vector<date_entry>& entries() const noexcept { return m_entries; }

protected:
    std::wstring m_table_name;
    std::vector<date_entry> m_entries;
};

class dates_map : public types_map {
public:
    // One entry per field of `fields` (per date field only when `dates_only` is set).
    dates_map(const std::wstring& table_name, const udb_schema& fields, bool dates_only);

    // Moves each entry's verdict by the kind of the record's value (date and time, date, time).
    // A value that does not read as a date leaves a first verdict at CHAR(19).
    void add_rec_stat(udb_record& record) override;
};
