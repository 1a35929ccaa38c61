// ora_engine: the process-wide gateway to the Oracle client.  It checks that the client can be
// found, creates the OCI environment in UTF-16 mode, owns the handles of the one Oracle connection
// of the process, opens that connection, turns failed OCI calls into ora_exception, and offers the
// catalogue services shared by the database and table objects (server version, name quoting, row
// counts, the column types that can be read).
//
// One instance per process, reached through tk_singleton<ora_engine>.  No lock is taken: the
// wizard opens the connection on a worker thread and runs conversions on another, never at once.
#pragma once

#include <memory>
#include <string>

#include "TK/tk_logger.h"
#include "TK/tk_singleton.h"
#include "platform/oci/oci.h"

class ora_database;

class ora_engine : public tk_singleton<ora_engine> {
public:
    // Where the client's functions come from; null means the client is not installed.
    using client_locator = const oci_function_table* (*)();

    // Registers the instance and creates the environment; a missing client raises tk_exception
    // (level 1) and an OCI failure ora_exception, and the instance is then unregistered.
    ora_engine();
    // Ends the session and frees the handles; never raises.
    ~ora_engine() override;

    // The presence check, the environment and the four connection handles.
    void initialize();
    // Connects to `service` on host:port (see make_connect_string); raises ora_exception when the
    // server refuses.  The database belongs to the caller.
    std::unique_ptr<ora_database> open_db(const std::wstring& host, const std::wstring& user,
                                          const std::wstring& password, const std::wstring& port,
                                          const std::wstring& service);
    // Attaches to `connect` and logs on (an empty password logs on with external credentials);
    // raises ora_exception with the client's or server's text.
    std::unique_ptr<ora_database> open_db(const std::wstring& connect, const std::wstring& user,
                                          const std::wstring& password);
    // Ends the session, detaches and frees the connection handles; statuses are ignored.
    void clean();

    // Raises ora_exception for OCI_ERROR (with the error handle's first record); every other
    // status returns normally. Inline: every fetched row and many of its cells check a status.
    void check_err(sword status) {
        if (status != OCI_SUCCESS)
            check_status(status);
        else
            tk_log(1, "ora_engine::check_err(status=%08X)", 0u);
    }
    // The server version as major*65536 + minor*256 + patch, 0 when the banner has none; raises
    // ora_exception when the query fails and tk_mail_assertion without a connection.
    unsigned get_version();
    // The user name of the open connection.
    std::wstring get_name() const { return m_user; }
    // The name quoted for SQL (OWNER.TABLE as two quoted parts in all-schemas mode).
    std::wstring get_safe_name(const std::wstring& name) const;
    // Rows of a table (by name) or of a query; raises ora_exception when the count fails.
    int get_records_cnt(const std::wstring& text, bool is_query);
    // The dictionary view of columns for the catalogue mode.
    std::wstring get_tab_columns_view() const;
    // The condition selecting one table of the column and comment views (quotes in the name are
    // doubled).
    std::wstring get_table_filter(const std::wstring& name) const;
    // True for the column types the reader can fetch; the part from "(" on is ignored.
    static bool is_supported_type(const std::wstring& type);
    // True when `type` is, exactly and case-sensitively, one of the readable type names.
    static bool is_supported_type_name(const std::wstring& type);

    // "//host:port/service", or the service alone when host and port are both empty.
    static std::wstring make_connect_string(const std::wstring& host, const std::wstring& port,
                                            const std::wstring& service);
    // The version word of the first banner line, 0 when no word reads as "%d.%d.%d".
    static unsigned parse_version(const std::wstring& banner);
    // Replaces how the client is located (tests simulate a machine without it); null restores
    // the default.
    static void set_client_locator(client_locator locator);

    // The client's functions; valid once the instance exists.
    const oci_function_table& oci() const noexcept { return *m_oci; }
    OCIEnv* env() const noexcept { return m_env; }
    OCIError* err() const noexcept { return m_err; }
    OCISvcCtx* svc() const noexcept { return m_svc; }
    const std::wstring& connect_string() const noexcept { return m_connect; }

    // NUMBER columns without a usable precision (or 21 to 38 digits) read as 64-bit integers.
    bool b_int64_numbers = false;
    // True: USER_ views and bare names; false: ALL_ views and OWNER.TABLE names.
    bool b_owned_by_user = true;
    // Stored with the settings; nothing here reads it.
    bool use_schema = false;
    bool b_attached = false;
    // Tables opened while set get no keys, indexes or foreign keys.
    bool b_indexes_off = false;

private:
    // The traces and the error of a status other than plain success.
    void check_status(sword status);
    // Switches to the client that serves `connect` (platform/oci/oci_loader.h), making the
    // environment and handles anew when it differs; raises the missing-client error when none
    // can be loaded.
    void use_client_for(const std::wstring& connect);
    // The environment and the four connection handles on the current client.
    void create_environment();

    const oci_function_table* m_oci = nullptr;
    OCIServer* m_srv = nullptr;
    OCISvcCtx* m_svc = nullptr;
    OCIEnv* m_env = nullptr;
    OCIError* m_err = nullptr;
    OCISession* m_session = nullptr;
    bool m_logged_on = false;
    std::wstring m_connect;
    std::wstring m_user;
    std::wstring m_password;

    static client_locator s_locator;
};
