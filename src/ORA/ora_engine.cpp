#include "ORA/ora_engine.h"

#include <cstdio>
#include <cwchar>
#include <cstdint>
#include <set>
#include <vector>

#include "ORA/ora_database.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "platform/oci/oci_loader.h"

namespace {

// What the trace log shows in place of a password.
const wchar_t k_logged_password[] = L"********";

// Why the default locator found no client, for the message.
std::string s_no_client_reason;

const oci_function_table* default_locator() {
    s_no_client_reason.clear();
    return oci_default_client(s_no_client_reason);
}

const char* const k_no_client =
    "The Oracle client and networking components were not found.\n"
    "These components are supplied by the Oracle Corporation and\n"
    "are part of the Oracle Version 7.3.4 (or later) client\n"
    "software installation. You will be unable to use this program\n"
    "until these components have been installed.";

// The presence check's text, with the loader's reason on a line of its own when there is one.
[[noreturn]] void throw_no_client(const std::string& reason) {
    tk_log(1, "");
    std::string text(k_no_client);
    if (!reason.empty()) text += "\n" + reason;
    throw tk_exception(text, 1);
}

}  // namespace

ora_engine::client_locator ora_engine::s_locator = default_locator;

void ora_engine::set_client_locator(client_locator locator) {
    s_locator = locator ? locator : default_locator;
}

ora_engine::ora_engine() {
    tk_log(2, "ora_engine::ctor");
    // A failure here unwinds through tk_singleton's destructor, which clears the slot.
    initialize();
}

ora_engine::~ora_engine() {
    tk_log(2, "ora_engine::dtor");
    clean();
    m_connect.clear();
    m_user.clear();
    m_password.clear();
}

void ora_engine::initialize() {
    tk_log(2, "ora_engine::initialize");
    // The check only probes: the client stays with the layer that binds it.
    const oci_function_table* client = s_locator();
    if (!client || !client->EnvNlsCreate)
        throw_no_client(s_locator == default_locator ? s_no_client_reason : std::string());
    m_oci = client;
    create_environment();
}

void ora_engine::use_client_for(const std::wstring& connect) {
    // A locator set by a test decides alone; the default one routes by the connect string.
    if (s_locator != default_locator) return;
    std::string why;
    const oci_function_table* client = oci_client_for(ora_to_utf8(connect), why);
    if (!client) throw_no_client(why);
    if (client == m_oci) return;
    tk_log(2, "ora_engine: another client library serves this connection");
    clean();
    if (m_env) m_oci->HandleFree(m_env, OCI_HTYPE_ENV);
    m_env = nullptr;
    m_oci = client;
    create_environment();
}

void ora_engine::create_environment() {
    sword status = m_oci->EnvNlsCreate(&m_env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0,
                                       nullptr, OCI_UTF16ID, OCI_UTF16ID);
    if (status != OCI_SUCCESS || !m_env) {
        // Without an environment there is no error handle to read a text from.
        throw ora_exception(0, "Cannot create the Oracle environment");
    }
    check_err(
        m_oci->HandleAlloc(m_env, reinterpret_cast<void**>(&m_err), OCI_HTYPE_ERROR, 0, nullptr));
    check_err(
        m_oci->HandleAlloc(m_env, reinterpret_cast<void**>(&m_srv), OCI_HTYPE_SERVER, 0, nullptr));
    check_err(m_oci->HandleAlloc(m_env, reinterpret_cast<void**>(&m_session), OCI_HTYPE_SESSION, 0,
                                 nullptr));
    check_err(
        m_oci->HandleAlloc(m_env, reinterpret_cast<void**>(&m_svc), OCI_HTYPE_SVCCTX, 0, nullptr));
}

std::wstring ora_engine::make_connect_string(const std::wstring& host, const std::wstring& port,
                                             const std::wstring& service) {
    if (host.empty() && port.empty()) return service;
    return L"//" + (host.empty() ? std::wstring(L"localhost") : host) + L":" +
           (port.empty() ? std::wstring(L"1521") : port) + L"/" + service;
}

std::unique_ptr<ora_database> ora_engine::open_db(const std::wstring& host,
                                                  const std::wstring& user,
                                                  const std::wstring& password,
                                                  const std::wstring& port,
                                                  const std::wstring& service) {
    // The password never reaches the trace log.
    tk_wlog(2, L"ora_engine::open_db (%s,%s,%s,%s,%s)", host.c_str(), user.c_str(),
            k_logged_password, port.c_str(), service.c_str());
    return open_db(make_connect_string(host, port, service), user, password);
}

std::unique_ptr<ora_database> ora_engine::open_db(const std::wstring& connect,
                                                  const std::wstring& user,
                                                  const std::wstring& password) {
    tk_wlog(2, L"ora_engine::open_db( %s, %s, %s )", connect.c_str(), user.c_str(),
            k_logged_password);
    tk_wlog(3, L"Connecting to Oracle data source '%s'", connect.c_str());
    use_client_for(connect);
    if (b_attached) {
        m_oci->ServerDetach(m_srv, m_err, OCI_DEFAULT);
        b_attached = false;
        m_logged_on = false;
    }
    tk_log(1, "Just before OCIServerAttach: srvhp=%08X, errhp=%08X",
           static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(m_srv)),
           static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(m_err)));
    std::u16string connect16 = ora_to_utf16(connect);
    check_err(m_oci->ServerAttach(m_srv, m_err, reinterpret_cast<const OraText*>(connect16.c_str()),
                                  static_cast<sb4>(connect16.size() * 2), OCI_DEFAULT));
    b_attached = true;
    tk_log(1, "OCIServerAttach succeeded");
    check_err(m_oci->AttrSet(m_svc, OCI_HTYPE_SVCCTX, m_srv, 0, OCI_ATTR_SERVER, m_err));
    tk_log(1, "Server context was set into service context");
    std::u16string user16 = ora_to_utf16(user);
    std::u16string password16 = ora_to_utf16(password);
    check_err(m_oci->AttrSet(m_session, OCI_HTYPE_SESSION, user16.data(),
                             static_cast<ub4>(user16.size() * 2), OCI_ATTR_USERNAME, m_err));
    check_err(m_oci->AttrSet(m_session, OCI_HTYPE_SESSION, password16.data(),
                             static_cast<ub4>(password16.size() * 2), OCI_ATTR_PASSWORD, m_err));
    tk_log(1, "Just before OCISessionBegin");
    // Without a password the server is asked to trust the user's external identity.
    check_err(m_oci->SessionBegin(m_svc, m_err, m_session,
                                  password.empty() ? OCI_CRED_EXT : OCI_CRED_RDBMS, OCI_DEFAULT));
    m_logged_on = true;
    tk_log(2, "The connection has been established");
    check_err(m_oci->AttrSet(m_svc, OCI_HTYPE_SVCCTX, m_session, 0, OCI_ATTR_SESSION, m_err));
    m_connect = connect;
    m_user = user;
    m_password = password;
    return std::make_unique<ora_database>(connect, 1);
}

void ora_engine::clean() {
    tk_log(2, "ora_engine::clean");
    if (!m_oci) return;
    if (m_svc && m_session && m_logged_on) m_oci->SessionEnd(m_svc, m_err, m_session, OCI_DEFAULT);
    if (m_srv && b_attached) m_oci->ServerDetach(m_srv, m_err, OCI_DEFAULT);
    m_logged_on = false;
    b_attached = false;
    if (m_srv) m_oci->HandleFree(m_srv, OCI_HTYPE_SERVER);
    if (m_svc) m_oci->HandleFree(m_svc, OCI_HTYPE_SVCCTX);
    if (m_err) m_oci->HandleFree(m_err, OCI_HTYPE_ERROR);
    if (m_session) m_oci->HandleFree(m_session, OCI_HTYPE_SESSION);
    m_srv = nullptr;
    m_svc = nullptr;
    m_err = nullptr;
    m_session = nullptr;
}

void ora_engine::check_status(sword status) {
    tk_log(1, "ora_engine::check_err(status=%08X)", static_cast<unsigned>(status));
    if (status == OCI_ERROR) {
        tk_log(2, "status == OCI_ERROR");
        char16_t buf[256] = {};
        sb4 code = 0;
        if (m_err)
            m_oci->ErrorGet(m_err, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf,
                            OCI_HTYPE_ERROR);
        buf[255] = 0;
        throw ora_exception(code, ora_to_utf8(ora_from_utf16(buf, 256)));
    }
    if (status == OCI_INVALID_HANDLE) tk_log(2, "ERROR: Invalid handle");
}

unsigned ora_engine::parse_version(const std::wstring& banner) {
    std::wstring line = banner.substr(0, banner.find(L'\n'));
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t space = line.find(L' ', start);
        std::wstring word = line.substr(start, space == std::wstring::npos ? space : space - start);
        if (!word.empty() && word[0] >= L'0' && word[0] <= L'9') {
            int major = 0, minor = 0, patch = 0;
            if (std::swscanf(word.c_str(), L"%d.%d.%d", &major, &minor, &patch) == 3) {
                tk_log(1, "Got Oracle version: %d,%d,%d", major, minor, patch);
                return static_cast<unsigned>(major) * 65536u + static_cast<unsigned>(minor) * 256u +
                       static_cast<unsigned>(patch);
            }
        }
        if (space == std::wstring::npos) break;
        start = space + 1;
    }
    return 0;
}

unsigned ora_engine::get_version() {
    tk_log(2, "ora_engine::get_version");
    if (!m_svc) throw tk_mail_assertion("ora_engi", 231);
    ora_stmt stmt;
    check_err(stmt.prepare(L"select * from v$version"));
    std::vector<char16_t> buf(131072 / 2);
    OCIDefine* def = nullptr;
    sb2 ind = 0;
    check_err(m_oci->DefineByPos(stmt.get(), &def, m_err, 1, buf.data(),
                                 static_cast<sb4>(buf.size() * 2), SQLT_STR, &ind, nullptr, nullptr,
                                 OCI_DEFAULT));
    sword status = stmt.execute(1);
    check_err(status);
    if (status == OCI_NO_DATA) throw tk_mail_assertion("ora_engi", 248);
    std::wstring banner = ind == -1 ? std::wstring() : ora_from_utf16(buf.data(), buf.size());
    tk_wlog(1, L"Got versioned string:\n%s", banner.c_str());
    return parse_version(banner);
}

std::wstring ora_engine::get_safe_name(const std::wstring& name) const {
    tk_wlog(1, L"ora_engine::get_safe_name(%s)", name.c_str());
    if (name.size() >= 2 && name.front() == L'"' && name.back() == L'"') return name;
    std::wstring text = name;
    if (!b_owned_by_user) {
        std::size_t dot = text.find(L'.');
        if (dot != std::wstring::npos) text.replace(dot, 1, L"\".\"");
    }
    return L"\"" + text + L"\"";
}

int ora_engine::get_records_cnt(const std::wstring& text, bool is_query) {
    tk_wlog(2, L"ora_engine::get_records_cnt(%s)", text.c_str());
    if (!m_svc) throw tk_mail_assertion("ora_engi", 489);
    std::wstring sql = is_query ? L"SELECT COUNT(*) FROM (" + text + L")"
                                : L"SELECT COUNT(*) FROM " + get_safe_name(text);
    ora_stmt stmt;
    sb4 count = 0;
    sword status = stmt.select_int(sql, count);
    check_err(status);
    if (status == OCI_NO_DATA) throw tk_mail_assertion("ora_engi", 511);
    return count;
}

std::wstring ora_engine::get_tab_columns_view() const {
    return b_owned_by_user ? L"USER_TAB_COLUMNS" : L"ALL_TAB_COLUMNS";
}

std::wstring ora_engine::get_table_filter(const std::wstring& name) const {
    if (b_owned_by_user) return L"table_name = '" + ora_quote_literal(name) + L"'";
    return L"concat(owner,concat('.',table_name)) = '" + ora_quote_literal(name) + L"'";
}

bool ora_engine::is_supported_type_name(const std::wstring& type) {
    static const std::set<std::wstring> ora_supported_type_names = {
        L"VARCHAR",      L"VARCHAR2",     L"NVARCHAR2",    L"NUMBER",        L"FLOAT",
        L"LONG",         L"DATE",         L"BINARY_FLOAT", L"BINARY_DOUBLE", L"TIMESTAMP",
        L"TIMESTAMP(3)", L"TIMESTAMP(6)", L"RAW",          L"LONG RAW",      L"ROWID",
        L"UROWID",       L"CHAR",         L"BYTE",         L"NCHAR",         L"CLOB",
        L"NCLOB",        L"BLOB",         L"BFILE",        L"XMLTYPE"};
    if (ora_supported_type_names.count(type) != 0) return true;
    // Every precision and zone form of the time stamps and intervals is read: as a date-time
    // or as the interval's text.
    return type.rfind(L"TIMESTAMP(", 0) == 0 || type.rfind(L"TIMESTAMP WITH ", 0) == 0 ||
           type.rfind(L"INTERVAL YEAR", 0) == 0 || type.rfind(L"INTERVAL DAY", 0) == 0;
}

bool ora_engine::is_supported_type(const std::wstring& type) {
    tk_wlog(1, L"ora_engine::is_supported_type(%s)", type.c_str());
    std::wstring pure = type;
    std::size_t paren = pure.find(L'(');
    if (paren != std::wstring::npos) {
        pure.erase(paren);
        tk_wlog(1, L"Pure type='%s'", pure.c_str());
    }
    return is_supported_type_name(pure);
}
