#include "SQL/dmp_database.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <cwctype>
#include <vector>

#include "SQL/dmp_recordset.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_create_statement.h"
#include "SQL/sql_fk_builder.h"
#include "SQL/sql_new_validator.h"
#include "SQL/sql_util.h"
#include "SQL/sql_view_converter.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_properties.h"

namespace {

// The file's name without directory and extension (either slash counts as a separator).
std::wstring base_name(const std::wstring& path) {
    const auto slash = path.find_last_of(L"/\\");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) name.erase(dot);
    return name;
}

// A name inside a "#" comment line: a line break would end the comment and start a statement.
std::wstring comment_safe(const std::wstring& text) {
    std::wstring out = text;
    for (wchar_t& c : out)
        if (c == L'\r' || c == L'\n') c = L' ';
    return out;
}

// The encoding the file is written in, as SET NAMES must name it: the chosen set when it is a
// UTF-8 one, else utf8 (texts are always written as UTF-8; naming latin1 here would make the
// server read every accented letter as two).
std::wstring names_charset(const std::wstring& charset) {
    if (charset.empty()) return L"UTF8";
    std::wstring lower;
    for (wchar_t c : charset) lower.push_back(static_cast<wchar_t>(std::towlower(c)));
    if (lower == L"utf8mb4") return L"utf8mb4";
    if (lower == L"utf8" || lower == L"utf8mb3") return charset;
    return L"utf8";
}

// The last line of every dump: a file that lacks it was cut short.
std::string completion_line() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::strftime(text, sizeof text, "-- Dump completed on %Y-%m-%d %H:%M:%S", &local);
    return text;
}

const wchar_t* const k_full_utf8 = L"utf8mb4";
const wchar_t* const k_full_utf8_bin = L"utf8mb4_bin";

std::wstring key_column_clause(const sql_key_text_column& column, const std::wstring& charset,
                               const std::wstring& collation) {
    return column.head + L" CHARACTER SET " + charset + L" COLLATE " + collation + column.tail;
}

// The sets for which MariaDB 10.2.2 has a binary collation without padding.
bool has_unpadded_binary(const std::wstring& charset) {
    static const wchar_t* const k_sets[] = {
        L"armscii8", L"ascii", L"big5",    L"cp1250",  L"cp1251", L"cp1256",  L"cp1257",
        L"cp850",    L"cp852", L"cp866",   L"cp932",   L"dec8",   L"eucjpms", L"euckr",
        L"gb2312",   L"gbk",   L"geostd8", L"greek",   L"hebrew", L"hp8",     L"keybcs2",
        L"koi8r",    L"koi8u", L"latin1",  L"latin2",  L"latin5", L"latin7",  L"macce",
        L"macroman", L"sjis",  L"swe7",    L"tis620",  L"ucs2",   L"ujis",    L"utf16",
        L"utf16le",  L"utf32", L"utf8",    L"utf8mb3", L"utf8mb4"};
    std::wstring lower;
    for (wchar_t c : charset) lower.push_back(static_cast<wchar_t>(std::towlower(c)));
    for (const wchar_t* set : k_sets)
        if (lower == set) return true;
    return false;
}

}  // namespace

dmp_database::dmp_database(const std::wstring& file_name, const dump_options& options)
    : udb_database(file_name, 1, 0), m_path(tk_to_utf8(file_name)), m_options(options) {
    sql_engine& engine = sql_engine::instance();
    tk_wlog(2, L"dmp_database::ctor(%s)", file_name.c_str());
    engine.version_word = m_options.new_version ? 0x40100 : 0x31401;
    engine.versioned_dump = m_options.new_version;
    tk_log(1, "b_new_ver=%d", m_options.new_version ? 1 : 0);
    m_output = std::make_unique<dmp_file>(m_path);
    m_open = true;

    const std::string eol = m_options.get_eol();
    if (m_options.comments) {
        std::wstring shown = file_name;
        for (wchar_t& c : shown)
            if (c == L'\\') c = L'/';
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char date[32];
        std::snprintf(date, sizeof date, "%02d/%02d/%04d", local.tm_mon + 1, local.tm_mday,
                      local.tm_year + 1900);
        write("# File name: " + tk_to_utf8(comment_safe(shown)) + eol);
        write(std::string("# Creation date: ") + date + eol);
        write("# Created by " + m_options.caption + eol);
        write("# " + std::string(50, '-') + eol);
    }
    write(eol);
    write("SET NAMES " + tk_to_utf8(names_charset(engine.character_set())) + ";" + eol);
    const bool full_utf8 = m_options.new_version && engine.is_plain_utf8();
    if (full_utf8) write("/*!50503 SET NAMES utf8mb4 */;" + eol);
    // The replaying session's own SQL mode could read every quoted value differently
    // (NO_BACKSLASH_ESCAPES, ANSI_QUOTES): the file sets a known one and gives the old one back
    // at its end.
    write("/*!40101 SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='NO_AUTO_VALUE_ON_ZERO' */;" + eol);
    write(std::string("/*!50002 SET SQL_MODE='") + sql_engine::run_sql_mode() + "' */;" + eol);

    if (m_options.create_db && m_options.structure) {
        std::wstring database = tk_to_unicode(m_options.database);
        if (database.empty()) database = base_name(file_name);
        const std::wstring name = m_options.new_version ? quote_mysql_name(database)
                                                        : mysql_name_for_old_server(database);
        std::wstring create = L"CREATE DATABASE " + name;
        if (!engine.character_set().empty()) create += L" character set " + engine.character_set();
        write(eol);
        write(tk_to_utf8(L"DROP DATABASE IF EXISTS " + name) + ";" + eol);
        write(tk_to_utf8(create) + ";" + eol);
        if (full_utf8)
            write(tk_to_utf8(L"/*!50503 ALTER DATABASE " + name + L" CHARACTER SET utf8mb4 */") +
                  ";" + eol);
        write(tk_to_utf8(L"USE " + name) + ";" + eol);
    }
}

dmp_database::~dmp_database() {
    try {
        close();
    } catch (const tk_exception& e) {
        tk_log(3, "%s", e.what());
    }
}

void dmp_database::abandon() noexcept {
    m_open = false;
    if (m_output) m_output->abandon();
}

void dmp_database::fail(const char* what, int error) {
    const std::string reason = error ? std::strerror(error) : "unknown error";
    throw tk_exception(std::string(what) + " '" + m_path + "': " + reason, 1);
}

void dmp_database::break_file(int error) {
    // A dump missing a piece must never be put in place: it is abandoned, and every later write
    // and the close report the first failure.
    m_write_error = error ? error : EIO;
    m_open = false;
    m_output->abandon();
    fail("Cannot write the dump file", m_write_error);
}

void dmp_database::write(std::string_view text) {
    if (!m_open) fail("Cannot write the dump file", m_write_error ? m_write_error : EBADF);
    if (text.empty()) return;
    try {
        m_output->write(text);
    } catch (const tk_exception&) {
        break_file(m_output->failure());
    }
}

void dmp_database::flush() {
    if (!m_open) fail("Cannot write the dump file", m_write_error ? m_write_error : EBADF);
    try {
        m_output->flush();
    } catch (const tk_exception&) {
        break_file(m_output->failure());
    }
}

void dmp_database::close() {
    if (m_write_error) fail("Cannot write the dump file", m_write_error);
    if (!m_open) return;
    sql_engine* engine = sql_engine::find_instance();
    if (!engine) {
        m_open = false;
        m_output->abandon();
        throw tk_mail_assertion("tk_singl", 64);
    }
    if (engine->lock_pending) {
        engine->lock_pending = false;
        write("UNLOCK TABLES;" + m_options.get_eol());
    }
    write("/*!40101 SET SQL_MODE=@OLD_SQL_MODE */;" + m_options.get_eol());
    write(completion_line() + m_options.get_eol());
    m_open = false;
    try {
        m_output->commit();
    } catch (const tk_exception&) {
        // Every later close reports the same failure.
        m_write_error = m_output->failure() ? m_output->failure() : EIO;
        throw;
    }
}

std::wstring dmp_database::table_name_text(const std::wstring& name) const {
    return m_options.new_version ? quote_mysql_name(name) : mysql_name_for_old_server(name);
}

void dmp_database::unlock_if_pending() {
    sql_engine& engine = sql_engine::instance();
    if (engine.lock_pending) {
        engine.lock_pending = false;
        write("UNLOCK TABLES;" + m_options.get_eol());
    }
}

void dmp_database::write_comment_block(const std::wstring& title, const std::wstring& table) {
    const std::string eol = m_options.get_eol();
    write(eol);
    write("#" + eol);
    write("# " + tk_to_utf8(title) + " '" + tk_to_utf8(comment_safe(table)) + "'" + eol);
    write("#" + eol);
    write(eol);
}

std::unique_ptr<udb_recordset> dmp_database::create_table(const std::wstring& table,
                                                          const udb_schema& fields,
                                                          const udb_indexes& indexes) {
    tk_wlog(2, L"dmp_database::create_table(%s)", table.c_str());
    if (is_table_exist(table)) throw tk_mail_assertion("sql_dump", 416);
    sql_engine& engine = sql_engine::instance();
    const std::string eol = m_options.get_eol();
    const std::wstring weol = m_options.get_weol();

    unlock_if_pending();
    if (m_options.structure) {
        if (m_options.comments) write_comment_block(L"Table structure for table", table);
        delete_tab(table);
    }

    const sql_create_statement create(table, fields, indexes);
    // Plain utf8 texts are converted to utf8mb4 right after CREATE TABLE on a server that has it.
    const bool converted =
        m_options.new_version && engine.is_plain_utf8() && !create.has_own_charsets(fields);
    std::vector<std::wstring> charsets = create.column_charsets();
    if (converted)
        for (std::wstring& charset : charsets)
            if (!charset.empty()) charset = L"utf8mb4";
    if (m_options.structure) {
        tk_log(1, "Right before inserting CREATE TABLE statement");
        const std::wstring statement =
            create.text(table_name_text(table), weol + L"  ", L"," + weol + L"  ", weol) +
            create.engine_clause() + create.charset_clause();
        write(tk_to_utf8(statement) + ";" + eol);
        // The default utf8 holds no 4-byte character: a server that has utf8mb4 turns the
        // table's texts into it; older ones skip the comment and keep utf8.  The conversion
        // gives every column the set's default collation, so text keys get their binary one
        // back in the same statement.
        if (converted) {
            std::wstring alter =
                L"ALTER TABLE " + table_name_text(table) + L" CONVERT TO CHARACTER SET utf8mb4";
            for (const sql_key_text_column& column : create.key_text_columns())
                alter += L", MODIFY " + key_column_clause(column, k_full_utf8, k_full_utf8_bin);
            write(tk_to_utf8(L"/*!50503 " + alter + L" */") + ";" + eol);
        }
        write_unpadded_keys(table, create, converted);
    }
    create.report_to(*this);

    if (m_options.comments) write_comment_block(L"Dumping data for table", table);
    if (m_options.lock_tables) {
        write(tk_to_utf8(L"LOCK TABLES " + table_name_text(table)) + " WRITE;" + eol);
        engine.lock_pending = true;
    }

    m_tables.push_back(table);
    m_names_map.add_fn_map(table, create.name_map());
    m_created[table] = std::make_pair(table, indexes);
    return std::make_unique<dmp_recordset>(this, table, create.columns(), m_options, charsets,
                                           indexes);
}

void dmp_database::write_unpadded_keys(const std::wstring& table,
                                       const sql_create_statement& create, bool converted) {
    // MariaDB 10.2.2 and later also compare without padding trailing blanks, as Oracle does;
    // the comment is MariaDB's own, so other servers keep the binary collation.
    std::wstring alter;
    for (const sql_key_text_column& column : create.key_text_columns()) {
        const std::wstring charset = converted ? std::wstring(k_full_utf8) : column.charset;
        if (!has_unpadded_binary(charset)) continue;
        alter += (alter.empty() ? L"ALTER TABLE " + table_name_text(table) + L" MODIFY "
                                : std::wstring(L", MODIFY ")) +
                 key_column_clause(column, charset, charset + L"_nopad_bin");
    }
    if (!alter.empty())
        write(tk_to_utf8(L"/*M!100202 " + alter + L" */") + ";" + m_options.get_eol());
}

void dmp_database::create_index(const std::wstring& table, int /*flags*/, const udb_index& index) {
    tk_log(2, "dmp_database::create_index");
    sql_engine& engine = sql_engine::instance();
    if (m_options.lock_tables) {
        write(tk_to_utf8(L"LOCK TABLES " + quote_mysql_name(table)) + " WRITE;" +
              m_options.get_eol());
        engine.lock_pending = true;
    }
    std::wstring statement;
    if (index.primary) {
        statement = L"ALTER TABLE " + quote_mysql_name(table) + L" ADD PRIMARY KEY " +
                    quote_mysql_name(index.name) + L" (";
    } else {
        statement = std::wstring(L"CREATE ") + (index.unique ? L"UNIQUE " : L"") + L"INDEX " +
                    quote_mysql_name(index.name) + L" ON " + quote_mysql_name(table) + L"(";
    }
    for (std::size_t i = 0; i < index.columns.size(); ++i)
        statement += (i ? L", " : L"") + quote_mysql_name(index.columns[i]);
    write(tk_to_utf8(statement) + ");\n");
    flush();
}

void dmp_database::delete_idx(const std::wstring& table, const udb_index& index) {
    tk_wlog(2, L"dmp_database::delete_idx(%s.%s)", table.c_str(), index.name.c_str());
    query(
        L"ALTER TABLE " + quote_mysql_name(table) + L" DROP " +
        (index.primary ? std::wstring(L"PRIMARY KEY") : L"INDEX " + quote_mysql_name(index.name)));
}

void dmp_database::delete_fk(const std::wstring& name) {
    tk_wlog(2, L"dmp_database::delete_fk(%s)", name.c_str());
    if (!m_relationships.is_acceptable_name(name)) {
        const udb_relationship& rel = m_relationships.get_index(name);
        query(L"ALTER TABLE " + quote_mysql_name(rel.child_table) + L" DROP FOREIGN KEY " +
              quote_mysql_name(rel.name));
    }
}

bool dmp_database::delete_tab(const std::wstring& table) {
    tk_wlog(2, L"dmp_database::delete_tab(%s)", table.c_str());
    write(tk_to_utf8(L"DROP TABLE IF EXISTS " + table_name_text(table)) + " CASCADE;" +
          m_options.get_eol());
    return udb_database::delete_tab(table);
}

std::unique_ptr<udb_recordset> dmp_database::get_query(const std::wstring&, const std::wstring&,
                                                       int) {
    return nullptr;
}

std::unique_ptr<udb_recordset> dmp_database::get_table(const std::wstring&, int) {
    throw tk_mail_assertion("sql_dump", 148);
}

std::unique_ptr<udb_recordset> dmp_database::query(const std::wstring& statement) {
    unlock_if_pending();
    write(tk_to_utf8(statement) + ";" + m_options.get_eol());
    return nullptr;
}

bool dmp_database::test_query(const std::wstring&) {
    return false;
}

void dmp_database::create_views(const view_list& views) {
    tk_log(2, "dmp_database::create_views");
    std::vector<std::wstring> names;
    for (const auto& view : views) names.push_back(view.first);
    sql_new_tn_validator validator(names, {});
    // A view cannot be created while the last table is locked for its rows.
    unlock_if_pending();
    for (const auto& [name, text] : sql_view_converter::select_views(
             views, validator, m_names_map, L"Store generated column name '%s'")) {
        write(tk_to_utf8(L"CREATE OR REPLACE VIEW " + quote_mysql_name(name) + L" AS " +
                         refine_view_in(text)) +
              m_options.get_eol());
    }
}

std::wstring dmp_database::refine_view_in(const std::wstring& text) const {
    tk_wlog(1, L"dmp_database::refine_view_in(%s)", text.c_str());
    return sql_view_converter::refine_common(text, m_names_map) + L";";
}

void dmp_database::create_relationships(const udb_relationships& relationships) {
    tk_log(2, "dmp_database::create_relationships(rels.size=%d)",
           static_cast<int>(relationships.size()));
    sql_engine& engine = sql_engine::instance();
    if (!m_options.new_version) {
        tk_log(2, "This version of MySQL (%08X) doesn't support Foreign Keys",
               static_cast<unsigned>(engine.version_word));
        return;
    }
    const std::string eol = m_options.get_eol();
    unlock_if_pending();
    write(eol);
    write("SET FOREIGN_KEY_CHECKS = 0;" + eol);
    sql_fk_builder builder(m_names_map);
    const auto lock = [&](const std::wstring& table) {
        if (!m_options.lock_tables) return;
        engine.lock_pending = true;
        write(tk_to_utf8(L"LOCK TABLE " + quote_mysql_name(table)) + " WRITE;" + eol);
    };
    for (const auto& relationship : relationships) {
        const std::wstring child = m_names_map.get_tn_mapped_name(relationship.child_table, false);
        const std::wstring parent =
            m_names_map.get_tn_mapped_name(relationship.parent_table, false);
        tk_wlog(2, L"Processing FK '%s'", relationship.name.c_str());
        bool indexed = false;
        const auto created = m_created.find(child);
        if (created != m_created.end()) {
            tk_log(1, "udb_indexes::has_index_on_fields");
            // The written indexes carry source column names, as the relationship does.
            for (const auto& index : created->second.second)
                if (index.starts_with_fields(relationship.child_columns)) indexed = true;
            if (indexed) tk_wlog(2, L"Child index for table '%s' exists", child.c_str());
        }
        if (!indexed) {
            lock(child);
            write(tk_to_utf8(builder.add_index(child, relationship.child_columns)) + ";" + eol);
        }
        lock(child);
        write(tk_to_utf8(builder.add_constraint(relationship, child, parent)) + ";" + eol);
    }
    write("SET FOREIGN_KEY_CHECKS = 1;" + eol);
}
