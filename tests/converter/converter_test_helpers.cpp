#include "converter/converter_test_support.h"

#include <mysql.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "TK/tk_utils.h"
#include "lite_engine.h"

test_error_handler::test_error_handler() : error_handler(12, oracle_error_texts) {
    load_err_map(k_mysql_error_text_count, mysql_error_texts);
}

void test_error_handler::handle(const tk_exception& e, bool stop) {
    errors.push_back({compose_text(e), e.level(), e.code(), stop});
    if (stop) return;
    if (e.level() >= 1 || (abort_at != 0 && errors.size() >= abort_at)) throw tk_final_exception();
}

void conversion_test::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "conv_cfg_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    config_dir = pattern;
    setenv("TIDEWELL_CONFIG_HOME", config_dir.c_str(), 1);
    sql_engine::clear_pick_lists();
    handler = std::make_unique<test_error_handler>();
    front = std::make_unique<test_front_end>();
    conv = std::make_unique<tabshift_convertor>();
}

void conversion_test::TearDown() {
    conv.reset();
    front.reset();
    handler.reset();
    if (get_test_server().available) {
        std::string out;
        for (const std::string& db : databases)
            run_client_sql("drop database if exists `" + db + "`", out);
    }
    std::error_code ec;
    std::filesystem::remove_all(config_dir, ec);
}

void conversion_test::connect_source(ora_test_instance& inst, const std::wstring& user,
                                     const std::wstring& password) {
    conv->store_oracle_settings(L"", user, password, L"");
    conv->connect_oracle_server(inst.wdir());
}

void conversion_test::to_server(const std::string& database) {
    const test_server& server = get_test_server();
    conv->store_mysql_settings(server.host, server.user, server.password,
                               std::to_string(server.port));
    conv->connect_mysql_server();
    conv->mysql_direct = true;
    conv->m_destination_name = tk_to_unicode(database);
}

std::string conversion_test::run_to_dump(const std::string& stem) {
    std::string path = test_file_path(stem + ".sql");
    conv->mysql_direct = false;
    conv->m_destination_name = tk_to_unicode(path);
    (*conv)();
    return path;
}

void conversion_test::run_to_server(const std::string& database) {
    to_server(database);
    (*conv)();
}

std::string conversion_test::database(const char* stem) {
    std::string name = unique_db_name(stem);
    databases.push_back(name);
    return name;
}

void conversion_test::replay(const std::string& dump, const std::string& database) {
    std::string out;
    ASSERT_EQ(run_client_sql("drop database if exists `" + database + "`; create database `" +
                                 database + "` character set utf8mb4",
                             out),
              0)
        << out;
    ASSERT_EQ(run_client_file(dump, database, out), 0) << out.substr(0, 2000);
    EXPECT_EQ(out, "");
}

std::vector<std::string> conversion_test::server_tables(const std::string& database) {
    std::string out;
    EXPECT_EQ(run_client_sql("select table_name from information_schema.tables where "
                             "table_schema = '" +
                                 database + "' order by table_name",
                             out),
              0)
        << out;
    std::vector<std::string> tables;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) tables.push_back(line);
    return tables;
}

long long conversion_test::server_count(const std::string& database, const std::string& table) {
    std::string out;
    EXPECT_EQ(run_client_sql("select count(*) from `" + database + "`.`" + table + "`", out), 0)
        << out;
    return std::atoll(out.c_str());
}

namespace {

// A number's digits without leading and trailing zeros: "00012.500" and "12.5" agree.
std::string canonical_number(std::string text) {
    bool negative = !text.empty() && text[0] == '-';
    if (negative || (!text.empty() && text[0] == '+')) text.erase(0, 1);
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0') text.pop_back();
        if (!text.empty() && text.back() == '.') text.pop_back();
    }
    std::size_t lead = 0;
    while (lead + 1 < text.size() && text[lead] == '0' && text[lead + 1] != '.') ++lead;
    text.erase(0, lead);
    if (!text.empty() && text[0] == '.') text.insert(0, "0");
    if (text.empty() || text == "0") return "0";
    return (negative ? "-" : "") + text;
}

std::string rtrim_blanks(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

enum class cell_kind { text, fixed_text, number, real, single, binary, date };

// An ISO time stamp "YYYY-MM-DD HH:MM:SS[.fraction][ +HH:MM]" as the instant in UTC with
// `digits` fraction digits, rounded as a store into such a column rounds; "" when it is none.
std::string utc_stamp(const std::string& text, int digits) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%n", &year, &month, &day, &hour, &minute,
                    &second, &used) != 6)
        return {};
    std::size_t p = static_cast<std::size_t>(used);
    long long nanos = 0;
    if (p < text.size() && text[p] == '.') {
        std::string fraction;
        for (++p; p < text.size() && std::isdigit(static_cast<unsigned char>(text[p])); ++p)
            fraction.push_back(text[p]);
        fraction.resize(9, '0');
        nanos = std::stoll(fraction.substr(0, 9));
    }
    while (p < text.size() && text[p] == ' ') ++p;
    long long zone = 0;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
        int zh = 0, zm = 0;
        std::sscanf(text.c_str() + p + 1, "%d:%d", &zh, &zm);
        zone = (text[p] == '-' ? -1 : 1) * (zh * 3600LL + zm * 60LL);
    }
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    long long seconds = static_cast<long long>(timegm(&parts)) - zone;
    long long unit = 1;
    for (int i = digits; i < 9; ++i) unit *= 10;
    nanos = (nanos + unit / 2) / unit;
    if (nanos * unit >= 1000000000LL) {
        nanos = 0;
        ++seconds;
    }
    const std::time_t instant = static_cast<std::time_t>(seconds);
    std::tm out{};
    gmtime_r(&instant, &out);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", out.tm_year + 1900,
                  out.tm_mon + 1, out.tm_mday, out.tm_hour, out.tm_min, out.tm_sec);
    std::string result = buffer;
    if (digits > 0) {
        std::snprintf(buffer, sizeof buffer, ".%0*lld", digits, nanos);
        result += buffer;
    }
    return result;
}

cell_kind kind_of(const MYSQL_FIELD& f) {
    switch (f.type) {
        case MYSQL_TYPE_TINY:
        case MYSQL_TYPE_SHORT:
        case MYSQL_TYPE_LONG:
        case MYSQL_TYPE_INT24:
        case MYSQL_TYPE_LONGLONG:
        case MYSQL_TYPE_DECIMAL:
        case MYSQL_TYPE_NEWDECIMAL:
            return cell_kind::number;
        case MYSQL_TYPE_FLOAT:
            return cell_kind::single;
        case MYSQL_TYPE_DOUBLE:
            return cell_kind::real;
        case MYSQL_TYPE_DATE:
        case MYSQL_TYPE_DATETIME:
        case MYSQL_TYPE_TIMESTAMP:
        case MYSQL_TYPE_TIME:
            return cell_kind::date;
        default:
            break;
    }
    if (f.charsetnr == 63) return cell_kind::binary;
    return f.type == MYSQL_TYPE_STRING ? cell_kind::fixed_text : cell_kind::text;
}

// One cell in a form both sides agree on; NULL is "\x01NULL".
std::string normal_cell(cell_kind kind, const std::string& cell, bool null) {
    if (null) return "\x01NULL";
    switch (kind) {
        case cell_kind::number:
            return canonical_number(cell);
        case cell_kind::real: {
            // Both sides hold the same double; printed with 17 digits they agree exactly.
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%.17g", std::strtod(cell.c_str(), nullptr));
            return buffer;
        }
        case cell_kind::single: {
            // The server hands a FLOAT widened to a double; the source's text is read as the
            // single it is, then widened the same way.
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%.17g",
                          static_cast<double>(std::strtof(cell.c_str(), nullptr)));
            return buffer;
        }
        case cell_kind::fixed_text:
            return rtrim_blanks(cell);
        default:
            return cell;
    }
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string show(const std::string& cell) {
    if (cell.size() > 80) return cell.substr(0, 80) + "...(" + std::to_string(cell.size()) + ")";
    return cell;
}

}  // namespace

std::vector<std::string> expect_same_table(ora_test_instance& inst, const std::string& user,
                                           const std::string& password,
                                           const std::string& source_table,
                                           const std::string& database,
                                           const std::string& destination_table) {
    const test_server& server = get_test_server();
    MYSQL* mysql = mysql_init(nullptr);
    if (!mysql_real_connect(mysql, server.host.c_str(), server.user.c_str(),
                            server.password.c_str(), database.c_str(), server.port, nullptr, 0)) {
        ADD_FAILURE() << mysql_error(mysql);
        mysql_close(mysql);
        return {};
    }
    mysql_set_character_set(mysql, "utf8mb4");
    // FLOAT columns print with six digits in the text protocol: they are read widened to a
    // double, which holds every bit of them.
    std::string list = "*";
    const std::string probe = "select * from `" + destination_table + "` limit 0";
    if (mysql_query(mysql, probe.c_str()) == 0) {
        MYSQL_RES* shape = mysql_store_result(mysql);
        list.clear();
        const unsigned n = mysql_num_fields(shape);
        MYSQL_FIELD* f = mysql_fetch_fields(shape);
        for (unsigned i = 0; i < n; ++i) {
            std::string quoted = "`";
            for (const char* c = f[i].name; *c; ++c) {
                if (*c == '`') quoted.push_back('`');
                quoted.push_back(*c);
            }
            quoted.push_back('`');
            if (i) list += ", ";
            list += f[i].type == MYSQL_TYPE_FLOAT ? "(" + quoted + " + 0e0) AS " + quoted : quoted;
        }
        mysql_free_result(shape);
    }
    const std::string select = "select " + list + " from `" + destination_table + "`";
    if (mysql_query(mysql, select.c_str()) != 0) {
        ADD_FAILURE() << select << ": " << mysql_error(mysql);
        mysql_close(mysql);
        return {};
    }
    MYSQL_RES* result = mysql_store_result(mysql);
    const unsigned columns = mysql_num_fields(result);
    MYSQL_FIELD* fields = mysql_fetch_fields(result);
    std::vector<std::string> names;
    std::vector<cell_kind> kinds;
    std::vector<int> decimals;
    for (unsigned i = 0; i < columns; ++i) {
        names.push_back(upper(fields[i].name));
        kinds.push_back(kind_of(fields[i]));
        decimals.push_back(static_cast<int>(fields[i].decimals));
        if (list.find("(`" + std::string(fields[i].name) + "` + 0e0)") != std::string::npos)
            kinds.back() = cell_kind::single;
    }
    std::vector<std::vector<std::string>> target_rows;
    while (MYSQL_ROW row = mysql_fetch_row(result)) {
        unsigned long* lengths = mysql_fetch_lengths(result);
        std::vector<std::string> cells;
        for (unsigned i = 0; i < columns; ++i)
            cells.push_back(normal_cell(kinds[i], row[i] ? std::string(row[i], lengths[i]) : "",
                                        row[i] == nullptr));
        target_rows.push_back(std::move(cells));
    }
    mysql_free_result(result);
    mysql_close(mysql);

    // The source, through the embedded engine's own session.
    std::vector<std::vector<std::string>> source_rows;
    std::vector<std::string> dropped;
    inst.with_session(user, password, [&](lite_session& session) {
        auto stmt = session.prepare("SELECT * FROM \"" + source_table + "\"");
        stmt->execute();
        std::vector<int> position(columns, -1);
        const auto& described = stmt->columns();
        for (std::size_t c = 0; c < described.size(); ++c) {
            const std::string name = upper(described[c].name);
            auto found = std::find(names.begin(), names.end(), name);
            if (found == names.end())
                dropped.push_back(described[c].name);
            else
                position[static_cast<std::size_t>(found - names.begin())] = static_cast<int>(c);
        }
        for (unsigned i = 0; i < columns; ++i)
            EXPECT_GE(position[i], 0) << "destination column " << names[i] << " has no source";
        while (stmt->next()) {
            std::vector<std::string> cells;
            for (unsigned i = 0; i < columns; ++i) {
                const int c = position[i];
                if (c < 0) {
                    cells.push_back("?");
                    continue;
                }
                std::string cell;
                if (kinds[i] == cell_kind::binary) {
                    auto bytes = stmt->bytes(c);
                    cell.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
                } else {
                    cell = std::string(stmt->text(c));
                }
                if (kinds[i] == cell_kind::date && !stmt->is_null(c)) {
                    // Time stamps with zones are kept in UTC, with the column's digits.
                    const std::string stamp =
                        utc_stamp(cell, std::min(decimals[i] > 6 ? 0 : decimals[i], 6));
                    cell = stamp.empty() ? cell.substr(0, std::min<std::size_t>(cell.size(), 19))
                                         : stamp;
                }
                cells.push_back(normal_cell(kinds[i], cell, stmt->is_null(c)));
            }
            source_rows.push_back(std::move(cells));
        }
    });

    EXPECT_EQ(target_rows.size(), source_rows.size()) << source_table << ": row count";
    std::sort(target_rows.begin(), target_rows.end());
    std::sort(source_rows.begin(), source_rows.end());
    int reported = 0;
    for (std::size_t r = 0; r < std::min(target_rows.size(), source_rows.size()); ++r) {
        for (unsigned i = 0; i < columns; ++i) {
            if (target_rows[r][i] == source_rows[r][i] || reported > 5) continue;
            ++reported;
            ADD_FAILURE() << source_table << "." << names[i] << " (sorted row " << r
                          << "): source '" << show(source_rows[r][i]) << "', destination '"
                          << show(target_rows[r][i]) << "'";
        }
    }
    return dropped;
}

std::string sample_dir(const std::string& sub, std::string& why) {
    std::string dir = std::string(TW_SHARED_DIR) + "/oracle-samples/" + sub;
    if (std::filesystem::exists(dir)) return dir;
    why = "sample schema not found in " + dir + " (the shared samples are not beside this clone)";
    return {};
}
