// sql_record: one row fetched from a MySQL server, a udb_record of sql_field values in column
// order.  Text cells (the string and BLOB families without the BINARY flag, or with it while the
// engine reads binary cells as text) are decoded from UTF-8; every other cell keeps its bytes and
// is read by the dialect's cell rules.  Needs the registered sql_engine.
// Thread-safety: none; a record belongs to the recordset that fetched it.
#pragma once

#include <mysql.h>

#include <string>
#include <vector>

#include "UDB/udb_record.h"

class sql_record : public udb_record {
public:
    // One row of a result: field count, field descriptions, cell lengths and cells.  `names` are
    // the wide field names when the caller converted them once for the whole result, else null.
    // No field descriptions raise tk_mail_assertion("sql_rec", 17); a cell that does not parse as
    // its column's type raises the conversion errors of ole_variant.
    sql_record(unsigned int n_fields, const MYSQL_FIELD* fields, const unsigned long* lengths,
               MYSQL_ROW row, const std::vector<std::wstring>* names = nullptr);

    // The text of a cell whatever form it was read in (byte arrays as UTF-8); empty for null.
    static std::wstring text_of(const udb_field& field);
};
