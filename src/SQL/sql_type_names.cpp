// The MySQL type of a column: its name, its size suffix, and back from a type name to the
// variant type a value of it travels as.
#include "SQL/sql_util.h"

#include <map>
#include <string>

#include "SQL/sql_engine.h"
#include "TK/tk_logger.h"
#include "UDB/t_ftd.h"
#include "platform/win/win_compare.h"
#include "variant/ole_variant.h"

namespace {

bool iequal(const std::wstring& a, const wchar_t* b) {
    return win_equal_ignore_case(a, b);
}

}  // namespace

std::wstring get_sql_type_name(int number) {
    static const std::map<int, std::wstring> sql_type_names = {
        {0, L"BINARY"},      {1, L"BIT"},
        {2, L"TINYINT"},     {3, L"TINYINT UNSIGNED"},
        {4, L"SMALLINT"},    {5, L"SMALLINT UNSIGNED"},
        {6, L"INT"},         {7, L"INT UNSIGNED"},
        {8, L"BIGINT"},      {9, L"BIGINT UNSIGNED"},
        {10, L"FLOAT"},      {11, L"DECIMAL"},
        {12, L"DOUBLE"},     {13, L"CHAR"},
        {14, L"VARBINARY"},  {15, L"VARCHAR"},
        {16, L"DATETIME"},   {17, L"DATE"},
        {18, L"TIME"},       {19, L"TIMESTAMP"},
        {20, L"LONGBLOB"},   {21, L"TINYBLOB"},
        {22, L"BLOB"},       {23, L"MEDIUMBLOB"},
        {24, L"TEXT"},       {25, L"LONGTEXT"},
        {26, L"MEDIUMTEXT"}, {27, L"TINYTEXT"}};
    const auto it = sql_type_names.find(number);
    if (it == sql_type_names.end()) {
        tk_log(1, "Type %d wasn't found", number);
        return L"<Unknown type>";
    }
    return it->second;
}

std::wstring get_sql_native_type(const t_ftd& column, bool bare) {
    const int vt = column.vartype;
    const unsigned int size = column.size;
    tk_log(1, "get_sql_native_type(%d,%d,%d)", vt, static_cast<int>(size), column.dw_reserved);
    wchar_t buf[64];
    switch (vt) {
        case VT_I1:
            return L"TINYINT";
        case VT_UI1:
            return L"TINYINT UNSIGNED";
        case VT_I2:
            return L"SMALLINT";
        case VT_UI2:
            return L"SMALLINT UNSIGNED";
        case VT_I4:
        case VT_INT:
            return L"INT";
        case VT_UI4:
        case VT_UINT:
            return L"INT UNSIGNED";
        case VT_I8:
            return L"BIGINT";
        case VT_UI8:
            return L"BIGINT UNSIGNED";
        case VT_R4:
            return L"FLOAT";
        case VT_R8:
            return L"DOUBLE";
        case VT_BOOL:
            return L"BIT";
        case VT_CY:
            return bare ? L"DECIMAL" : L"DECIMAL(19,4)";
        case VT_DECIMAL: {
            const int precision = column.get_precision();
            if (precision == 0) return L"DOUBLE";
            if (bare) return L"DECIMAL";
            const int scale = column.dw_reserved & 0xFF;
            tk_log(1, "Scale/precision for decimal column: (%d, %d)", scale, precision);
            std::swprintf(buf, 64, L"DECIMAL(%d,%d)", precision, scale);
            return buf;
        }
        case VT_BSTR: {
            tk_log(1, "process as text");
            if (size >= 1 && size <= 255) {
                if (bare) return L"VARCHAR";
                std::swprintf(buf, 64, L"VARCHAR(%u)", size);
                std::wstring type = buf;
                if (sql_engine::get_instance().case_sensitive) {
                    type += L" BINARY";
                    tk_log(3, "settings BINARY");
                }
                return type;
            }
            if (size >= 256 && size <= 65535) return L"TEXT";
            if (size >= 65536 && size <= 16777215) return L"MEDIUMTEXT";
            return L"LONGTEXT";
        }
        case VT_BLOB:
        case VT_BYTE_ARRAY: {
            tk_log(1, "process as blob");
            if (size >= 1 && size <= 255) {
                if (bare) return L"VARBINARY";
                std::swprintf(buf, 64, L"VARBINARY(%u)", size);
                return buf;
            }
            if (size >= 256 && size <= 65535) return L"BLOB";
            if (size >= 65536 && size <= 16777215) return L"MEDIUMBLOB";
            return L"LONGBLOB";
        }
        case VT_DATE: {
            const std::wstring def = column.default_value.to_wstring();
            if (iequal(def, L"getdate()") || iequal(def, L"getutcdate()")) {
                tk_log(1, "Customize date type due to NOW() def.value");
                return L"TIMESTAMP";
            }
            const int fraction_digits = (column.dw_reserved >> 8) & 0xF;
            switch (column.dw_reserved & 3) {
                case 0:
                    return bare ? L"CHAR" : L"CHAR(19)";
                case 1:
                    if (fraction_digits == 0 || (column.dw_reserved & 0xFF) != 1)
                        return L"DATETIME";
                    if (bare) return L"DATETIME";
                    // Fractions of a second need 5.6.4; before it the value keeps them as text.
                    if (sql_engine::get_instance().version_word > 0x50603)
                        std::swprintf(buf, 64, L"DATETIME(%d)", fraction_digits);
                    else if (sql_engine::get_instance().versioned_dump)
                        std::swprintf(buf, 64, L"DATETIME/*!50604 (%d)*/", fraction_digits);
                    else
                        std::swprintf(buf, 64, L"CHAR(%d)", 20 + fraction_digits);
                    return buf;
                case 2:
                    return L"DATE";
                default:
                    if (sql_engine::get_instance().version_word > 0x50603) {
                        tk_log(1, "MySQL ver >= 5.6.4, modern time can be used");
                        return bare ? L"TIME" : L"TIME(3)";
                    }
                    return L"TIME";
            }
        }
        default:
            throw tk_mail_assertion("sql_util", 495);
    }
}

std::wstring make_type_size_suffix(const std::wstring& type, int size, int precision, int scale) {
    wchar_t buf[64];
    // The binary strings take their length as the text ones do; without it the server refuses
    // VARBINARY and makes BINARY a single byte.
    const bool sized = type.rfind(L"VARCHAR", 0) == 0 || type.rfind(L"CHAR", 0) == 0 ||
                       type.rfind(L"VARBINARY", 0) == 0 || type.rfind(L"BINARY", 0) == 0;
    if (sized) {
        std::swprintf(buf, 64, L"(%d)", size);
        return type + buf;
    }
    if (type.rfind(L"DECIMAL", 0) == 0) {
        std::swprintf(buf, 64, L"(%d,%d)", precision, scale);
        return type + buf;
    }
    return type;
}

std::wstring quote_mysql_name(const std::wstring& name) {
    const std::wstring cut = name.size() > 64 ? name.substr(0, 63) : name;
    std::wstring out;
    out.reserve(cut.size() + 2);
    out.push_back(L'`');
    for (wchar_t c : cut) {
        if (c == L'`') out.push_back(L'`');
        out.push_back(c);
    }
    out.push_back(L'`');
    return out;
}

std::wstring mysql_name_for_old_server(const std::wstring& name) {
    bool plain = !name.empty();
    for (wchar_t c : name) {
        const bool ok = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                        (c >= L'0' && c <= L'9') || c == L'_' || c == L'$';
        if (!ok) plain = false;
    }
    return plain ? name : quote_mysql_name(name);
}

VARTYPE get_vartype_by_sql_type(const std::wstring& type, unsigned int& size) {
    const bool binary = type.rfind(L"VARBINARY", 0) == 0 || type.rfind(L"BINARY", 0) == 0;
    if (binary || type.rfind(L"VARCHAR", 0) == 0 || type.rfind(L"CHAR", 0) == 0) {
        if (type.find(L')') != std::wstring::npos) {
            const auto open = type.find(L'(');
            if (open != std::wstring::npos)
                size =
                    static_cast<unsigned int>(std::wcstoul(type.c_str() + open + 1, nullptr, 10));
        }
        // A binary string holds bytes: as text, a value would end at its first zero byte.
        return binary ? VT_BLOB : VT_BSTR;
    }
    struct entry {
        const wchar_t* name;
        VARTYPE vt;
        unsigned int size;
    };
    static const entry k_exact[] = {{L"BIT", VT_I1, 1},
                                    {L"TINYINT", VT_I1, 1},
                                    {L"TINYINT UNSIGNED", VT_UI1, 1},
                                    {L"SMALLINT", VT_I2, 2},
                                    {L"SMALLINT UNSIGNED", VT_UI2, 2},
                                    {L"INT", VT_I4, 4},
                                    {L"INT UNSIGNED", VT_UI4, 4},
                                    {L"BIGINT", VT_I8, 8},
                                    {L"BIGINT UNSIGNED", VT_UI8, 8},
                                    {L"DATE", VT_DATE, 8},
                                    {L"TIME", VT_DATE, 8},
                                    {L"DOUBLE", VT_R8, 8}};
    for (const entry& e : k_exact) {
        if (type == e.name) {
            size = e.size;
            return e.vt;
        }
    }
    // Binary columns keep binary values: read as text they would arrive empty.
    for (const wchar_t* binary :
         {L"BINARY", L"VARBINARY", L"TINYBLOB", L"BLOB", L"MEDIUMBLOB", L"LONGBLOB"}) {
        if (type == binary) return VT_BLOB;
    }
    if (type.rfind(L"DECIMAL", 0) == 0) return VT_DECIMAL;
    if (type == L"FLOAT") {
        size = 4;
        return VT_R4;
    }
    return VT_BSTR;
}
