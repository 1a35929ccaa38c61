#include "ORA/ora_record.h"

#include "TK/tk_logger.h"

ora_record::ora_record(const std::vector<std::unique_ptr<ora_type>>& columns) {
    for (const auto& column : columns)
        push_back(std::make_unique<udb_field>(column->get_name(),
                                              static_cast<int>(column->get_size()), ole_variant()));
    read(columns);
}

void ora_record::read(const std::vector<std::unique_ptr<ora_type>>& columns) {
    tk_log(1, "ora_record::ctor");
    int index = 0;
    for (const auto& column : columns) {
        tk_log(1, "Column #%d: null_ind=%d", index, column->is_null() ? -1 : 0);
        udb_field& field = (*this)[static_cast<std::size_t>(index)];
        if (column->is_null()) {
            tk_log(1, "Field #%d has NULL value", index);
            column->set_null(field);
        } else {
            tk_log(1, "ora_type::to_udb_field");
            // The value is written straight into the field: a LOB is not copied twice, and a
            // text reuses the storage the previous row's text (or the one before a NULL)
            // leaves behind.
            column->reuse_text(field);
            column->to_variant(field);
        }
        ++index;
    }
}
