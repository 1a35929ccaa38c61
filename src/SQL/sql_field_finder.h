// sql_field_finder: the destination column names of a record's fields, made safe for the server
// generation by the field-name validator (a refused name becomes its safe name, different from
// every other field's), and a field's position by column name.  Needs the registered sql_engine.
// Thread-safety: none.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_record.h"
#include "UDB/udb_validator.h"

class sql_field_finder {
public:
    // Names every field of the record; without the engine raises tk_mail_assertion("tk_singl",
    // 64).
    explicit sql_field_finder(const udb_record& record);

    // Position of the first name of the same length equal to `name` ignoring case, or -1.
    int get_field_idx(const std::wstring& name) const;
    // The safe name of the field at a position (below the record's size).
    const std::wstring& name(std::size_t i) const { return m_names[i]; }
    std::size_t size() const noexcept { return m_names.size(); }

private:
    void initialize(const udb_record& record);

    std::unique_ptr<udb_validator> m_validator;
    std::vector<std::wstring> m_names;
};
