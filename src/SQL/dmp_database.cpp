#include "SQL/dmp_database.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <cwctype>
#include <vector>

#include "SQL/dmp_recordset.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_indexes_initializer.h"
#include "SQL/sql_schema_initializer.h"
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

}  // namespace

dmp_database::dmp_database(const std::wstring& file_name, const dump_options& options)
    : udb_database(file_name, 1, 0), m_path(tk_to_utf8(file_name)), m_options(options) {
    sql_engine& engine = sql_engine::instance();
    m_file = std::fopen(m_path.c_str(), "wb");
    // The reason is taken before logging, which may open files of its own.
    const int open_error = m_file ? 0 : errno;
    tk_wlog(2, L"dmp_database::ctor(%s)", file_name.c_str());
    engine.version_word = m_options.new_version ? 0x40100 : 0x31401;
    tk_log(1, "b_new_ver=%d", m_options.new_version ? 1 : 0);
    if (!m_file) {
        tk_log(2, "Failed to open file");
        fail("Cannot create the dump file", open_error);
    }

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

void dmp_database::fail(const char* what, int error) {
    const std::string reason = error ? std::strerror(error) : "unknown error";
    throw tk_exception(std::string(what) + " '" + m_path + "': " + reason, 1);
}

void dmp_database::write(const std::string& text) {
    if (!m_file) {
        fail("Cannot write the dump file", EBADF);
    }
    if (text.empty()) return;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size()) {
        fail("Cannot write the dump file", errno);
    }
}

void dmp_database::close() {
    if (!m_file) return;
    sql_engine* engine = sql_engine::find_instance();
    if (!engine) {
        std::fclose(m_file);
        m_file = nullptr;
        throw tk_mail_assertion("tk_singl", 64);
    }
    if (engine->lock_pending) {
        engine->lock_pending = false;
        write("UNLOCK TABLES;" + m_options.get_eol());
    }
    std::FILE* file = m_file;
    m_file = nullptr;
    errno = 0;
    const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
    const bool closed = std::fclose(file) == 0;
    if (!flushed || !closed) fail("Cannot write the dump file", errno);
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

    udb_properties* table_properties = nullptr;
    if (udb_properties* all = engine.properties()) {
        table_properties = all->find_by_new_name(table);
        if (!table_properties) table_properties = all->find_item(table);
    }

    std::wstring auto_increment;
    sql_schema_initializer schema(table, fields, indexes, auto_increment, 0);
    std::vector<std::wstring> chunks;
    schema.get_init_chunks(chunks, table_properties);
    std::wstring statement = L"CREATE TABLE " + table_name_text(table) + L" (" + weol;
    for (std::size_t i = 0; i < chunks.size(); ++i)
        statement += (i == 0 ? L"  " : L"," + weol + L"  ") + chunks[i];
    if (!schema.columns().empty()) {
        sql_indexes_initializer index_init(schema.columns(), indexes, auto_increment,
                                           schema.name_map(), 0);
        std::vector<std::wstring> index_chunks;
        index_init.get_init_chunks(index_chunks);
        for (const auto& chunk : index_chunks) statement += L"," + weol + L"  " + chunk;
    }

    if (m_options.structure) {
        tk_log(1, "Right before inserting CREATE TABLE statement");
        std::wstring type = sql_property(table_properties, L"engine");
        if (type.empty()) type = m_options.new_version ? engine.table_type() : L"MyISAM";
        sql_check_identifier(type, "storage engine");
        statement += weol + L")" + (m_options.new_version ? L" ENGINE=" : L" TYPE=") + type;
        const std::wstring charset = sql_property(table_properties, L"character set");
        if (!charset.empty()) {
            sql_check_identifier(charset, "character set");
            statement += L" character set " + charset;
        }
        write(tk_to_utf8(statement) + ";" + eol);
    }

    if (m_options.comments) write_comment_block(L"Dumping data for table", table);
    if (m_options.lock_tables) {
        write(tk_to_utf8(L"LOCK TABLES " + table_name_text(table)) + " WRITE;" + eol);
        engine.lock_pending = true;
    }

    m_tables.push_back(table);
    m_names_map.add_fn_map(table, schema.name_map());
    m_created[table] = std::make_pair(table, indexes);
    return std::make_unique<dmp_recordset>(this, table, schema.columns(), m_options);
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
    if (m_file && std::fflush(m_file) != 0) fail("Cannot write the dump file", errno);
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
    for (const auto& view : views) {
        tk_wlog(1, L"Processing '%s'", view.first.c_str());
        tk_wlog(1, L"\t'%s'", view.second.c_str());
        if (sql_view_converter::find_nocase(view.second, L"select", 0) != 0) {
            tk_log(2, "Skip non-select query");
            continue;
        }
        std::wstring name = view.first;
        if (!validator.is_acceptable(name)) {
            name = validator.get_safe_name(view.first);
            m_names_map.add_tn_mapping(view.first, name);
            tk_wlog(2, L"Store generated column name '%s'", name.c_str());
            validator.add_existing_name(name);
        }
        write(tk_to_utf8(L"CREATE OR REPLACE VIEW " + quote_mysql_name(name) + L" AS " +
                         refine_view_in(view.second)) +
              m_options.get_eol());
    }
}

std::wstring dmp_database::refine_view_in(const std::wstring& text) const {
    tk_wlog(1, L"dmp_database::refine_view_in(%s)", text.c_str());
    // Runs of blanks, tabs and line breaks outside quoted text become one blank.
    std::wstring out;
    wchar_t quote = 0;
    bool in_blank = false;
    for (wchar_t c : text) {
        if (quote) {
            out.push_back(c);
            if (c == quote) quote = 0;
            continue;
        }
        if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
            if (!in_blank) out.push_back(L' ');
            in_blank = true;
            continue;
        }
        in_blank = false;
        if (c == L'\'' || c == L'"') quote = c;
        out.push_back(c);
    }
    out = m_names_map.do_global_replace1(out, L"`", L"`");
    for (wchar_t& c : out)
        if (c == L'[' || c == L']') c = L'`';

    auto rename = [&out](const std::wstring& from, const std::wstring& to, bool checked) {
        std::size_t pos = 0;
        while ((pos = sql_view_converter::find_nocase(out, from, pos)) != std::wstring::npos) {
            if (!checked || sql_view_converter::check_isnull_for_replace(out, pos)) {
                out.replace(pos, from.size(), to);
                pos += to.size();
            } else {
                pos += from.size();
            }
        }
    };
    rename(L"isnull", L"ifnull", true);
    rename(L"getdate", L"curdate", false);
    std::size_t pos = 0;
    while ((pos = sql_view_converter::find_nocase(out, L"datediff(", pos)) != std::wstring::npos) {
        pos += 9;
        const std::size_t comma = out.find(L',', pos);
        if (comma == std::wstring::npos) break;
        tk_log(1, "Erase at pos=%d, len=%d", static_cast<int>(pos),
               static_cast<int>(comma - pos + 1));
        out.erase(pos, comma - pos + 1);
    }
    rename(L"dateadd", L"date_add", true);
    return out + L";";
}
