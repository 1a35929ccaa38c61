// dmp_recordset: one table of a dump file.  append_record grows one multi-row
// INSERT IGNORE statement and writes it once it passes 1,000,000 bytes (so a statement exceeds
// that by at most one row); the rest is written when the recordset is flushed or released.
// There are no rows to read.  The owner dump database (borrowed) must outlive it.
// Thread-safety: none; the run's thread.
#pragma once

#include <string>
#include <vector>

#include "SQL/dump_options.h"
#include "UDB/udb_recordset.h"

class dmp_database;

class dmp_recordset : public udb_recordset {
public:
    // columns: the descriptions under their MySQL names, as the schema initialiser made them.
    dmp_recordset(dmp_database* owner, const std::wstring& table, const udb_schema& columns,
                  const dump_options& options);
    // Writes the pending statement; a failure is only logged (flush() reports it).
    ~dmp_recordset() override;

    // Adds one row.  A record without a field for one of the columns raises tk_exception at
    // level 0; a failed write raises tk_exception at level 1.
    void append_record(udb_record& record) override;
    // Writes the pending statement now; raises tk_exception (level 1) when the write fails.
    void flush() override;

    // Statements larger than this are written before the next row is added.
    static constexpr std::size_t k_max_statement = 1000000;

private:
    dmp_database* m_database;
    dump_options m_options;
    std::string m_pending;
    std::string m_head;
    // The source name of each column, looked up on the first row.
    std::vector<std::wstring> m_originals;
};
