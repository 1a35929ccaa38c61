#include "ORA/ora_database.h"

#include "ORA/ora_catalog.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_in_validator.h"
#include "ORA/ora_query_results.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_table.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_wstring.h"

ora_database::ora_database(const std::wstring& connect, int mode) : udb_database(connect, mode, 1) {
    tk_wlog(2, L"ora_database::ctor(%s)", connect.c_str());
    if (mode & 0x80) return;
    try {
        init_views();
    } catch (const tk_exception& e) {
        // A view text too long for its buffer is a level-0 error like the server's own: neither
        // may keep the tables from being read.
        if (e.level() != 0) throw;
        tk_log(3, "Error while extracting views:\n%s\n", e.what());
        m_views.clear();
    }
}

ora_database::~ora_database() {
    tk_log(2, "ora_database::dtor");
}

std::unique_ptr<udb_recordset> ora_database::get_query(const std::wstring& name,
                                                       const std::wstring& query_text, int mode) {
    tk_wlog(2, L"ora_database::get_table(%s)", name.c_str());
    return std::make_unique<ora_table>(this, name, query_text, m_relationships, mode);
}

std::unique_ptr<udb_recordset> ora_database::get_table(const std::wstring& table, int mode) {
    tk_wlog(2, L"ora_database::get_table(%s)", table.c_str());
    const std::wstring listed = listed_name(table);
    if (listed.empty()) throw tk_mail_assertion("ora_db", 302);
    // The table is read under the name the dictionary lists it by: a bare name of a table that
    // is listed as OWNER.TABLE would find no columns.
    return std::make_unique<ora_table>(this, listed, m_relationships, mode);
}

std::unique_ptr<udb_recordset> ora_database::query(const std::wstring& statement) {
    tk_wlog(2, L"ora_database::query(%s)", statement.c_str());
    ora_engine& eng = ora_engine::instance();
    ora_stmt stmt;
    eng.check_err(stmt.prepare(statement));
    eng.check_err(stmt.execute(1));
    return nullptr;
}

bool ora_database::test_query(const std::wstring& query_text) {
    tk_wlog(2, L"ora_database::test_query(%s)", query_text.c_str());
    ora_engine& eng = ora_engine::instance();
    ora_stmt stmt;
    stmt.prepare(query_text);
    eng.check_err(stmt.execute(1, OCI_PARSE_ONLY));
    return true;
}

udb_database::name_list& ora_database::get_tables() {
    tk_log(1, "ora_database::get_tables");
    m_tables.clear();
    m_tables_read = true;
    init_tables(ora_engine::instance().b_owned_by_user);
    return m_tables;
}

bool ora_database::is_table_exist(const std::wstring& table) {
    tk_wlog(2, L"ora_database::is_table_exist(%s)", table.c_str());
    return !listed_name(table).empty();
}

std::wstring ora_database::listed_name(const std::wstring& table) {
    std::wstring simple = ora_simplify_name(table);
    if (udb_database::is_table_exist(simple)) return simple;
    std::pair<std::wstring, std::wstring> tname = ora_split_name(table);
    if (!tname.first.empty()) return std::wstring();
    // As the server resolves an unqualified name: in the connected user's schema, which is the
    // user name in capitals unless it was given in quotes.
    const std::wstring user = ora_engine::instance().get_name();
    tname.first = user.size() >= 2 && user.front() == L'"' && user.back() == L'"'
                      ? user.substr(1, user.size() - 2)
                      : tk_wstring(user).to_upper();
    tk_wlog(1, L"tname.first=%s, tname.second=%s", tname.first.c_str(), tname.second.c_str());
    const std::wstring qualified = tname.first + L"." + tname.second;
    return udb_database::is_table_exist(qualified) ? qualified : std::wstring();
}

void ora_database::init_tables(bool owned_by_user) {
    tk_log(2, "ora_database::init_tables(b_owned_by_user=%d)", owned_by_user ? 1 : 0);
    ora_engine& eng = ora_engine::instance();
    ora_stmt stmt;
    const bool v8 = eng.get_version() >= 0x80000;
    const std::wstring sql = ora_catalog(owned_by_user).tables(v8);
    eng.check_err(stmt.prepare(sql));
    char16_t owner[256] = {};
    char16_t name[256] = {};
    sb2 owner_ind = 0, name_ind = 0;
    OCIDefine* def1 = nullptr;
    OCIDefine* def2 = nullptr;
    if (owned_by_user) {
        eng.check_err(eng.oci().DefineByPos(stmt.get(), &def1, eng.err(), 1, name, sizeof name,
                                            SQLT_STR, &name_ind, nullptr, nullptr, OCI_DEFAULT));
    } else {
        eng.check_err(eng.oci().DefineByPos(stmt.get(), &def1, eng.err(), 1, owner, sizeof owner,
                                            SQLT_STR, &owner_ind, nullptr, nullptr, OCI_DEFAULT));
        eng.check_err(eng.oci().DefineByPos(stmt.get(), &def2, eng.err(), 2, name, sizeof name,
                                            SQLT_STR, &name_ind, nullptr, nullptr, OCI_DEFAULT));
    }
    auto add_row = [&]() {
        std::wstring table = ora_from_utf16(name, 256);
        if (owned_by_user) {
            tk_wlog(2, L"Find table '%s'", table.c_str());
            m_tables.push_back(table);
        } else {
            std::wstring schema = ora_from_utf16(owner, 256);
            tk_wlog(2, L"Find table '%s/%s'", schema.c_str(), table.c_str());
            m_tables.push_back(schema + L"." + table);
        }
    };
    sword status = stmt.execute(1);
    eng.check_err(status);
    if (status != OCI_NO_DATA) {
        add_row();
        for (;;) {
            status = stmt.fetch();
            if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) break;
            add_row();
        }
    }
    tk_log(2, "Tables count: %d", static_cast<int>(m_tables.size()));
}

void ora_database::init_views() {
    tk_log(2, "ora_database::init_views");
    ora_query_results rs(2, L"select VIEW_NAME, TEXT from SYS.USER_VIEWS");
    while (!rs.is_eof()) {
        udb_record* rec = rs.get_item();
        if (!rec) break;
        std::wstring name = (*rec)[0].to_wstring();
        std::wstring text = (*rec)[1].to_wstring();
        tk_wlog(1, L"GOT VIEW: %s|%s", name.c_str(), text.c_str());
        m_views.emplace_back(name, refine_view_out(text));
        rs.next();
    }
}

std::wstring ora_database::refine_view_out(const std::wstring& text) {
    tk_wlog(1, L"ora_database::refine_view_out(%s)", text.c_str());
    std::wstring out = remove_comments(text);
    static const wchar_t* const clauses[] = {L"WITH CHECK OPTION",      L"with check option",
                                             L"WITH OBJECT IDENTIFIER", L"with object identifier",
                                             L"WITH READ ONLY",         L"with read only"};
    for (const wchar_t* clause : clauses) {
        std::wstring needle = clause;
        for (std::size_t pos = out.find(needle); pos != std::wstring::npos; pos = out.find(needle))
            out.erase(pos, needle.size());
    }
    return out;
}
