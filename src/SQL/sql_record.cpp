#include "SQL/sql_record.h"

#include <memory>

#include "SQL/sql_engine.h"
#include "SQL/sql_field.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

constexpr unsigned int k_flag_binary = 0x80;

bool is_text_family(int type) {
    return type >= MYSQL_TYPE_TINY_BLOB && type <= MYSQL_TYPE_STRING;
}

}  // namespace

sql_record::sql_record(unsigned int n_fields, const MYSQL_FIELD* fields,
                       const unsigned long* lengths, MYSQL_ROW row,
                       const std::vector<std::wstring>* names) {
    tk_log(1, "sql_record::ctor (n_fields=%d)", static_cast<int>(n_fields));
    if (!fields) throw tk_mail_assertion("sql_rec", 17);
    const bool blob_as_text = sql_engine::instance().blob_as_text;
    for (unsigned int i = 0; i < n_fields; ++i) {
        const MYSQL_FIELD& field = fields[i];
        const int type = static_cast<int>(field.type);
        const bool binary = (field.flags & k_flag_binary) != 0;
        tk_log(1, "field #%d has type %d", static_cast<int>(i), type);
        tk_log(1, "BINARY FLAG=%d", binary ? 1 : 0);
        const std::wstring name =
            names && i < names->size()
                ? (*names)[i]
                : tk_to_unicode(std::string(field.name ? field.name : "", field.name_length));
        const char* cell = row ? row[i] : nullptr;
        const unsigned long length = lengths ? lengths[i] : 0;
        if (cell && is_text_family(type) && (!binary || blob_as_text)) {
            tk_log(1, "Extract as Unicode");
            const std::wstring text = tk_to_unicode(std::string(cell, length));
            // The wide cell is read up to the length given, so it is counted in characters.
            push_back(
                std::make_unique<sql_field>(name, type, text.size(), field.flags, text.c_str()));
        } else {
            tk_log(1, "Extract as ANSI");
            push_back(std::make_unique<sql_field>(name, type, length, field.flags, cell));
        }
    }
}

std::wstring sql_record::text_of(const udb_field& field) {
    if (field.is_null()) return std::wstring();
    if (field.vt() == VT_BYTE_ARRAY) {
        const std::uint8_t* bytes = nullptr;
        const std::size_t count = field.get_bytes1(bytes);
        if (!bytes || count == 0) return std::wstring();
        return tk_to_unicode(std::string(reinterpret_cast<const char*>(bytes), count));
    }
    return field.to_wstring();
}
