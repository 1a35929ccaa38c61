#include "UDB/udb_relationship.h"

udb_relationship::udb_relationship(const std::wstring& name_, const std::wstring& ref_key_name_,
                                   const std::wstring& child_table_,
                                   const std::wstring& parent_table_,
                                   const std::vector<std::wstring>& child_columns_,
                                   const std::vector<std::wstring>& parent_columns_,
                                   const std::wstring& rule_)
    : name(name_),
      ref_key_name(ref_key_name_),
      child_table(child_table_),
      parent_table(parent_table_),
      rule(rule_),
      child_columns(child_columns_),
      parent_columns(parent_columns_) {}
