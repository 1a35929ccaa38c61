// oracle_converter_impl: the converter's half that faces Oracle.  It owns the process's Oracle
// engine, keeps the connection settings the user typed, connects, and holds the open source
// database that the run, the selection pages and the type-mapping editor read from.
// Thread-safety: none; the wizard connects on a worker thread while the window thread waits.
#pragma once

#include <memory>
#include <string>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"

class udb_profile;

class oracle_converter_impl {
public:
    // Creates the Oracle engine; a missing client or environment failure passes on.
    oracle_converter_impl();
    virtual ~oracle_converter_impl();

    // Keeps the four connection settings.
    void store_oracle_settings(const std::wstring& host, const std::wstring& user,
                               const std::wstring& password, const std::wstring& port);
    // Releases the previous source, then opens `service` with the kept settings and returns the
    // service name.  The engine's ora_exception passes on; no source is then held.
    std::wstring connect_oracle_server(const std::wstring& service);

    // Writes host, password, port and user to "Oracle settings", each only when not empty; true.
    bool store_profile(udb_profile& profile) const;
    // Takes each of the four that the profile holds not empty; true.
    bool load_profile(udb_profile& profile);

    // The open source database, or null before the first successful connection.
    ora_database* source() const noexcept { return source_db.get(); }

    int reserved = 1;
    std::unique_ptr<ora_database> source_db;
    ora_engine oracle_engine;
    std::wstring service_name;
    std::wstring oracle_user;
    std::wstring oracle_password;
    std::wstring oracle_host;
    std::wstring oracle_port;
};
