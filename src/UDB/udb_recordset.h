// udb_recordset: one table or query result, walked row by row (reset, is_eof, get_item, next)
// or appended to (append_record).  The base holds the name, the query text, the schema, the
// indexes with the position of the table's key, the record count and the owning database, and
// gives the optional operations their default behaviour.  The owner database (borrowed) must
// outlive the recordset.  A record returned by get_item belongs to the recordset and stays valid
// until the next get_item, next, reset or the recordset's destruction.
// Thread-safety: used by one thread at a time.
#pragma once

#include <memory>
#include <string>

#include "UDB/udb_indexes.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"

class udb_database;

class udb_recordset {
public:
    // A table opened by name; `setting` is handed to the schema.
    udb_recordset(udb_database* owner, const std::wstring& name, bool setting);
    // A query result stored under `name`.
    udb_recordset(udb_database* owner, const std::wstring& name, const std::wstring& query,
                  bool setting);
    // A recordset without owner.
    explicit udb_recordset(const std::wstring& name);
    udb_recordset(const udb_recordset&) = delete;
    udb_recordset& operator=(const udb_recordset&) = delete;
    virtual ~udb_recordset();

    // Appends one row; raises the implementation's exception on failure.
    virtual void append_record(udb_record& record) = 0;
    // Appends the row that is record `number` (from 1) of its source, so that an error reported
    // for it later names that record; the base forgets the number.
    virtual void append_record(udb_record& record, int number);
    // Writes the rows that append_record still holds back; raises the implementation's exception
    // on failure.  The base holds nothing back and does nothing.
    virtual void flush();
    // Updates the row identified by `key`; the base only logs.
    virtual void update2(udb_record& record, udb_record& key);
    // Updates the current row; the base only logs.
    virtual void update1(udb_record& record);
    // The current row, or null; the base has none.
    virtual udb_record* get_item();
    // True past the last row; the base is always at the end.
    virtual bool is_eof();
    // True when the recordset was opened from a query text.
    virtual bool is_query();
    // Moves to the next row; the base does nothing.
    virtual void next();
    // Moves to the previous row; the base does nothing.
    virtual void prev();
    // Moves to the first row; the base does nothing.
    virtual void reset();
    // Deletes the row identified by `key`; the base does nothing.
    virtual void delete_key(udb_record& key);
    // A new record of copies of `record`'s key fields in key order (the caller owns it); null
    // when `record` lacks a key field.  Raises tk_exception (level 1) when the table has no key.
    virtual std::unique_ptr<udb_record> get_key(udb_record& record);
    // Tells a reader the description the values of its column `column` are written into (the
    // destination column as the run's type mapping made it), so that a value the reader's own
    // type would refuse may arrive in a form that description holds exactly.  The base has no
    // use for it.
    virtual void set_destination_field(const std::wstring& column, const t_ftd& destination);

    // Adds an index, remembering the first primary or unique one as the table's key; an index
    // whose name is taken is logged and ignored.  Never raises.
    void add_index(const udb_index& index);

    const std::wstring& get_name() const noexcept { return m_name; }
    void set_name(const std::wstring& name) { m_name = name; }
    const std::wstring& get_query() const noexcept { return m_query; }
    udb_schema& get_schema() noexcept { return m_schema; }
    const udb_schema& get_schema() const noexcept { return m_schema; }
    udb_indexes& get_indexes() noexcept { return m_indexes; }
    const udb_indexes& get_indexes() const noexcept { return m_indexes; }
    udb_database* get_owner() const noexcept { return m_owner; }
    int get_record_count() const noexcept { return m_record_count; }
    void set_record_count(int count) noexcept { m_record_count = count; }
    int get_key_index() const noexcept { return m_key_index; }

protected:
    std::wstring m_query;
    std::wstring m_name;
    udb_schema m_schema;
    udb_indexes m_indexes;
    udb_database* m_owner;
    int m_record_count = 0;
    int m_key_index = -1;
};
