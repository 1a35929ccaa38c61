#include "converter/dates_map.h"

#include "TK/tk_logger.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"
#include "variant/ole_date.h"

types_map::types_map(const std::wstring& table_name) : m_table_name(table_name) {
    tk_wlog(2, L"types_map::ctor(%s)", table_name.c_str());
}

void types_map::add_rec_stat(udb_record&) {}

dates_map::dates_map(const std::wstring& table_name, const udb_schema& fields, bool dates_only)
    : types_map(table_name) {
    tk_log(2, "dates_map::ctor(size=%d)", static_cast<int>(fields.size()));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const int index = static_cast<int>(i);
        const int type = fields[i].vartype;
        tk_log(1, "Field #%d has type %d", index, type);
        if (dates_only && type != VT_DATE) {
            tk_log(1, "Field #%d has not a date type", index);
            continue;
        }
        tk_log(1, "Add map entry for field #%d", index);
        date_entry entry;
        entry.field_index = index;
        entry.field_name = fields[i].name;
        entry.initial_verdict = type == VT_DATE ? 1 : 0;
        m_entries.push_back(std::move(entry));
    }
}

void dates_map::add_rec_stat(udb_record& record) {
    tk_log(1, "dates_map::add_rec_stat(map size=%d)", static_cast<int>(m_entries.size()));
    int number = 0;
    for (date_entry& entry : m_entries) {
        tk_log(1, "Process %d item, n_field=%d", number++, entry.field_index);
        if (entry.field_index < 0 || static_cast<std::size_t>(entry.field_index) >= record.size())
            continue;
        const std::wstring text = record[static_cast<std::size_t>(entry.field_index)].to_wstring();
        tk_wlog(1, L"Got string representation: '%s'", text.c_str());
        if (text.empty()) continue;
        const int kind = ole_date(text).kind();
        if (!entry.seen) {
            entry.seen = true;
            if (kind == 1) {
                tk_log(1, "got datetime");
                entry.verdict = 1;
            } else if (kind == 2) {
                tk_log(1, "got date");
                entry.verdict = 2;
            } else if (kind == 3) {
                tk_log(1, "got time");
                entry.verdict = 3;
            }
            continue;
        }
        if (entry.verdict == 0) {
            tk_log(1, "skip mapping CHAR(19)");
            continue;
        }
        if (((entry.verdict == 1 || entry.verdict == 2) && kind == 3) ||
            (entry.verdict == 3 && kind != 3)) {
            tk_log(1, "switch to char(19)");
            entry.verdict = 0;
        }
        if (entry.verdict == 2 && kind == 1) {
            tk_log(1, "switch to datetime");
            entry.verdict = 1;
        }
    }
    tk_log(1, "End of dates_map::add_rec_stat");
}
