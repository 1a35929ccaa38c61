// udb_engine: the interface through which the run creates, opens, tests and deletes databases of
// one kind (the Oracle engine, the MySQL engine).  The base implements the file-based defaults:
// a database that is a file is deleted and tested as that file.  An engine lives for the process.
// Thread-safety: none; the engine is driven by one thread at a time.
#pragma once

#include <memory>
#include <string>

class udb_database;
class udb_properties;

class udb_engine {
public:
    udb_engine() = default;
    udb_engine(const udb_engine&) = delete;
    udb_engine& operator=(const udb_engine&) = delete;
    // Virtual so that an engine can be destroyed through this interface.
    virtual ~udb_engine();

    // Creates the database; raises the implementation's exception on failure.
    virtual void create_db(const std::wstring& name) = 0;
    // Opens the database with the given flags; the caller owns the result.  Raises on failure.
    virtual std::unique_ptr<udb_database> open_db(const std::wstring& name, int flags) = 0;
    // Deletes the file of that name; raises tk_exception_ex with the system's text on failure.
    virtual void db_delete(const std::wstring& name);
    // True when a file of that name exists and opens for reading; never raises.
    virtual bool is_db_exist(const std::wstring& name);
    // Keeps the settings (not owned; may be null).
    virtual void set_properties(udb_properties* properties);

    udb_properties* get_properties() const noexcept { return m_properties; }

protected:
    udb_properties* m_properties = nullptr;
};
