// dump_options: how a dump file is written (line ends, server generation, locks, comments,
// database and table statements, the caption of its header and the database it names).  A plain
// record copied into the writer.  Thread-safety: none needed; a value.
#pragma once

#include <string>

struct dump_options {
    // The defaults: CRLF, new servers, locks, comments, structure, no database statements.
    dump_options();

    // The line end: "\r\n" when unix_eol is 0, else "\n".
    std::string get_eol() const;
    std::wstring get_weol() const;

    int unix_eol = 0;
    bool new_version = true;
    bool lock_tables = true;
    bool comments = true;
    bool create_db = false;
    bool structure = true;
    // The program caption for the header, written as given.
    std::string caption;
    // The database for the database statements; empty means the dump file's name without its
    // directory and extension.
    std::string database;
};
