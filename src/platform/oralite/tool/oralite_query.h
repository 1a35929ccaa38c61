// `oralite query DIR USER PASSWORD "SQL"`: runs one statement through the OCI interface, exactly
// as the migration program reads Oracle, and prints a query's rows on standard output, one line
// per row, values separated by tabs. NULL prints as nothing; a backslash, tab, line feed or
// carriage return inside a value prints as \\, \t, \n or \r. Dates print as
// "YYYY-MM-DD HH:MM:SS", timestamps with their fraction when it is not zero, RAW, LONG RAW and
// BLOB values as upper-case hexadecimal. A value longer than its buffer (a LONG of more than
// 1,000,000 characters) prints cut, with a warning and the ORA-24345 record on standard error.
// Other statements are run and committed.
//
// Thread-safety: one call at a time (it writes to the process's standard streams).
#pragma once

// argv[0] is the sub-command ("query"), then DIR (instance directory or connect string), USER,
// PASSWORD and the statement. Returns 0, 1 after an Oracle error (printed as "ORA-nnnnn: text"
// on standard error) or 2 after a usage error.
int oralite_query(int argc, char** argv);
