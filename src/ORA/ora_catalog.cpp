#include "ORA/ora_catalog.h"

ora_catalog::ora_catalog(bool owned_by_user)
    : m_owned(owned_by_user),
      m_views(owned_by_user ? L"user_" : L"all_"),
      m_views_upper(owned_by_user ? L"USER_" : L"ALL_") {}

std::wstring ora_catalog::table_is(const std::wstring& alias, const std::wstring& table) const {
    if (m_owned) return alias + L"table_name='" + table + L"'";
    return L"concat(concat(" + alias + L"owner,'.')," + alias + L"table_name)='" + table + L"'";
}

std::wstring ora_catalog::tables(bool v8) const {
    return std::wstring(L"select ") + (m_owned ? L"" : L"OWNER, ") + L"TABLE_NAME" +
           (v8 ? L", IOT_TYPE" : L"") + L" from " + m_views + L"tables" +
           (v8 ? L" where TEMPORARY='N' and NESTED='NO' and IOT_TYPE IS NULL OR IOT_TYPE='IOT'"
               : L"");
}

std::wstring ora_catalog::primary_key_count(const std::wstring& table) const {
    return L"SELECT count(*) FROM " + m_views + L"constraints WHERE " + table_is(L"", table) +
           L" AND constraint_type='P'";
}

std::wstring ora_catalog::primary_key_columns(const std::wstring& table) const {
    return L"SELECT DISTINCT a.constraint_name, a.column_name FROM " + m_views +
           L"cons_columns a, " + m_views + L"constraints b WHERE " + table_is(L"a.", table) +
           L" AND a.constraint_name=b.constraint_name AND b.constraint_type='P' ORDER BY "
           L"a.constraint_name";
}

std::wstring ora_catalog::indexes(const std::wstring& table, bool v8) const {
    const std::wstring indexes = m_views + L"indexes";
    const std::wstring columns = m_views + L"ind_columns";
    std::wstring sql = L"SELECT DISTINCT " + indexes + L".index_name, " + indexes +
                       L".uniqueness, " + columns + L".column_name FROM " + columns + L", " +
                       indexes + L" where ";
    // The index columns name their table's owner in a column of its own.
    sql += m_owned ? columns + L".table_name = '" + table + L"'"
                   : L"concat(" + columns + L".table_owner,concat('.'," + columns +
                         L".table_name)) = '" + table + L"'";
    if (v8) {
        sql += L" AND (" + indexes + L".generated='N' OR EXISTS (SELECT 1 FROM " + m_views +
               L"constraints c WHERE " +
               (m_owned ? L"" : L"c.owner = " + indexes + L".owner AND ") + L"c.index_name = " +
               indexes + L".index_name AND c.constraint_type = 'U'))";
    }
    return sql + L" AND " + columns + L".index_name = " + indexes + L".index_name AND " + columns +
           L".table_name = " + indexes + L".table_name ORDER BY " + indexes + L".index_name";
}

std::wstring ora_catalog::foreign_key_count(const std::wstring& key) const {
    return L"select count(*) from " + m_views_upper + L"CONSTRAINTS where R_CONSTRAINT_NAME='" +
           key + L"' and CONSTRAINT_TYPE='R'";
}

std::wstring ora_catalog::foreign_keys(const std::wstring& key) const {
    return std::wstring(L"select ") +
           (m_owned ? L"a.TABLE_NAME" : L"concat(concat(a.OWNER,'.'),a.TABLE_NAME)") +
           L",a.CONSTRAINT_NAME,a.DELETE_RULE,b.COLUMN_NAME FROM " + m_views_upper +
           L"CONSTRAINTS a, " + m_views_upper +
           L"CONS_COLUMNS b WHERE a.CONSTRAINT_NAME=b.CONSTRAINT_NAME and a.CONSTRAINT_TYPE='R' "
           L"and a.R_CONSTRAINT_NAME='" +
           key + L"'";
}
