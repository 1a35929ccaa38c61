#include "converter/mysql_converter_impl.h"

#include <cstdlib>

#include "SQL/sql_field_finder.h"
#include "SQL/sql_util.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_database.h"
#include "UDB/udb_field.h"
#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_schema.h"
#include "UDB/udb_validator.h"
#include "converter/dates_map.h"
#include "converter/error_handler.h"

namespace {

// The longest database name a server takes.
constexpr std::size_t k_max_db_name = 64;

const wchar_t* const k_verdict_types[] = {L"CHAR(19)", L"DATETIME", L"DATE", L"TIME"};

// The port as the client library reads it: blanks, a sign, then digits; 0 when none.
int read_port(const std::string& text) {
    return std::atoi(text.c_str());
}

}  // namespace

mysql_converter_impl::mysql_converter_impl() {
    tk_log(2, "mysql_converter_impl::ctor");
}

mysql_converter_impl::~mysql_converter_impl() {
    tk_log(2, "mysql_converter_impl::dtor");
    refine_queue.clear();
}

void mysql_converter_impl::store_mysql_settings(const std::string& host, const std::string& user,
                                                const std::string& password,
                                                const std::string& port) {
    // The password never reaches the trace log.
    tk_log(1, "mysql_converter_impl::store_mysql_settings(%s,%s,%s,%s)", host.c_str(), user.c_str(),
           k_password_mask, port.c_str());
    mysql_host = tk_trim(host);
    mysql_user = tk_trim(user);
    // A password may begin or end with blanks: it is the server's to judge, as given.
    mysql_password = password;
    mysql_port = tk_trim(port);
    if (mysql_port.empty()) mysql_port = "3306";
}

void mysql_converter_impl::connect_mysql_server() {
    tk_log(2, "mysql_converter_impl::connect_mysql_server");
    const int port = read_port(mysql_port);
    if (port == 0) throw tk_exception(std::string("Invalid port number"), 1);
    mysql_engine.connect(mysql_host, mysql_user, mysql_password, port);
}

void mysql_converter_impl::check_mysql_db_name(const std::wstring& name) {
    tk_wlog(2, L"mysql_converter_impl::check_mysql_db_name(%s)", name.c_str());
    std::unique_ptr<udb_validator> validator = mysql_engine.create_dn_validator();
    if (validator->is_acceptable(name)) return;
    tk_log(1, "is_old_version(%08X)", mysql_engine.version_word);
    if (mysql_engine.version_word > 0x400FF) {
        throw tk_exception(
            std::string("Not a valid MySQL database name. Use alphanumeric characters\r\n(A-Z, "
                        "a-z, 0-9), '_', '$' and spaces to compose new database name."),
            1);
    }
    throw tk_exception(
        std::string("Not a valid MySQL database name. It cannot consist only of numbers\nor "
                    "start with a digit and must differ from any MySQL keyword. Use\nalphanumeric "
                    "symbols (A-Z, a-z, 0-9), '_' and '$' to compose\nnew database name."),
        1);
}

void mysql_converter_impl::check_server_db_name(const std::wstring& name) {
    std::unique_ptr<udb_validator> validator = mysql_engine.create_dn_validator();
    if (validator->is_acceptable(name)) return;
    const std::wstring reason = name.size() > k_max_db_name
                                    ? L"it is longer than 64 characters"
                                    : L"MySQL does not accept it as a database name";
    throw tk_exception(L"The MySQL database name '" + name + L"' cannot be used: " + reason + L".",
                       0);
}

void mysql_converter_impl::del_mysql_base(const std::wstring& name) {
    tk_wlog(2, L"mysql_converter_impl::del_mysql_base (%s)", name.c_str());
    mysql_engine.db_delete(name);
}

void mysql_converter_impl::date_post_process(const udb_schema& fields, const dates_map& dates) {
    tk_log(2, "mysql_converter_impl::date_post_process(map size=%d)",
           static_cast<int>(dates.entries().size()));
    for (const date_entry& original : dates.entries()) {
        date_entry entry = original;
        if (!entry.seen && entry.verdict == 0) entry.verdict = 1;
        if (entry.verdict == entry.initial_verdict) continue;
        try {
            if (entry.field_index < 0 ||
                static_cast<std::size_t>(entry.field_index) >= fields.size())
                throw tk_mail_assertion("type_map", 190);
            const t_ftd& field = fields[static_cast<std::size_t>(entry.field_index)];
            std::wstring statement = L"ALTER TABLE " + quote_mysql_name(dates.table_name()) +
                                     L" MODIFY " + quote_mysql_name(field.name) + L" " +
                                     k_verdict_types[entry.verdict & 3];
            if (field.b_not_null) statement += L" NOT NULL";
            const std::wstring def = make_mysql_def_val(&field);
            if (!def.empty()) statement += L" DEFAULT " + def;
            tk_wlog(3, L"Store SQL query: %s\n", statement.c_str());
            refine_queue.push_back(std::move(statement));
        } catch (const tk_mail_assertion&) {
            throw;
        } catch (const std::exception& e) {
            tk_log(3, "Got exception: %s", e.what());
        }
    }
}

void mysql_converter_impl::mysql_refine_types(udb_database& destination) {
    tk_log(2, "mysql_converter_impl::mysql_refine_types");
    // Emptied on every path: one table's revisions must never be sent again for the next table.
    std::vector<std::wstring> queue;
    queue.swap(refine_queue);
    for (const std::wstring& statement : queue) {
        try {
            destination.query(statement);
        } catch (const std::exception& e) {
            tk_log(3, "Got exception: %s", e.what());
        }
    }
}

std::vector<std::wstring> mysql_converter_impl::columns_missing_from(const udb_schema& fields,
                                                                     const udb_schema& existing) {
    // Matched as the live table matches a record's fields: by the safe name each would be
    // written under, letter case aside.
    udb_record names;
    for (const auto& field : fields) names.add_field(udb_field(field->name, 0, ole_variant()));
    const sql_field_finder finder(names);
    std::vector<bool> taken(finder.size(), false);
    for (const auto& column : existing) {
        const int at = finder.get_field_idx(column->name);
        if (at >= 0) taken[static_cast<std::size_t>(at)] = true;
    }
    std::vector<std::wstring> missing;
    for (std::size_t i = 0; i < taken.size(); ++i)
        if (!taken[i]) missing.push_back(fields[i].name);
    return missing;
}

void mysql_converter_impl::report_missing_columns(const std::wstring& table,
                                                  const std::wstring& target,
                                                  const udb_schema& fields,
                                                  const udb_schema& existing) {
    for (const std::wstring& column : columns_missing_from(fields, existing)) {
        tk_wlog(2, L"Column '%s' has no place in table '%s'", column.c_str(), target.c_str());
        error_handler& handler = error_handler::instance();
        handler.set_error_text(table);
        handler.handle(tk_exception(L"The existing table '" + target + L"' has no column '" +
                                        column + L"': the values of that column are not converted.",
                                    0),
                       false);
    }
}
