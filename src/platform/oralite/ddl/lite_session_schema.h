// The session's answer to what the translator asks about stored tables: their columns and
// Oracle types, read from the dictionary and kept until the schema changes.
//
// Thread-safety: belongs to its session's thread.
#ifndef TW_PLATFORM_ORALITE_LITE_SESSION_SCHEMA_H
#define TW_PLATFORM_ORALITE_LITE_SESSION_SCHEMA_H

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ddl/lite_schema.h"

class lite_session_schema : public lite_schema {
public:
    explicit lite_session_schema(lite_session& session) : session_(session) {}
    const std::vector<lite_table_column>* table_columns(const std::string& owner,
                                                        const std::string& table) override;
    const std::vector<lite_table_column>* view_columns(const std::string& owner,
                                                       const std::string& view) override;
    const std::vector<lite_row_trigger>* insert_triggers(const std::string& owner,
                                                         const std::string& table) override;
    std::pair<std::string, std::string> resolve(const std::string& owner, const std::string& name,
                                                const char* privilege) override;
    // Forgets every answer (after DDL).
    void clear() noexcept {
        tables_.clear();
        views_.clear();
        triggers_.clear();
    }

private:
    lite_session& session_;
    // null entries remember that a name is no table
    std::map<std::pair<std::string, std::string>, std::unique_ptr<std::vector<lite_table_column>>>
        tables_;
    std::map<std::pair<std::string, std::string>, std::unique_ptr<std::vector<lite_table_column>>>
        views_;
    std::map<std::pair<std::string, std::string>, std::vector<lite_row_trigger>> triggers_;
    const std::vector<lite_table_column>* columns_of(const char* sql, const std::string& owner,
                                                     const std::string& name, bool view);
};

#endif
