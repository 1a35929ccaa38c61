#include "TK/tk_reg_key.h"

#include <cwchar>
#include <cstring>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

tk_reg_key::~tk_reg_key() {
    close();
}

LONG tk_reg_key::create(HKEY parent, const char* sub_key, char* key_class, DWORD options,
                        REGSAM access, void* security, DWORD* disposition) {
    if (!parent) throw tk_mail_assertion("tk_regk", 64);
    HKEY opened = nullptr;
    LONG err = RegCreateKeyExA(parent, sub_key, 0, key_class, options, access, security, &opened,
                               disposition);
    if (err == ERROR_SUCCESS) {
        close();
        m_key = opened;
    }
    return err;
}

LONG tk_reg_key::close() {
    if (!m_key) return ERROR_SUCCESS;
    LONG err = RegCloseKey(m_key);
    m_key = nullptr;
    return err;
}

LONG tk_reg_key::get_value(DWORD& value, const char* name) {
    if (!name) throw tk_mail_assertion("tk_regk", 98);
    tk_log(2, "tk_reg_key::get_value(ulong, %s)", name);
    DWORD type = 0;
    DWORD size = sizeof(DWORD);
    DWORD read = 0;
    LONG err = RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size);
    tk_log(1, "type=%d, size=%d", static_cast<int>(type), static_cast<int>(size));
    if (err == ERROR_SUCCESS) {
        // A value that is not a 4-byte number is treated like a missing one, so garbage never
        // reaches a setting.
        if (type != REG_DWORD || size != sizeof(DWORD)) return static_cast<LONG>(ERROR_BADDB);
        value = read;
    }
    return err;
}

LONG tk_reg_key::get_value(char* buffer, const char* name, DWORD* size) {
    if (!name) throw tk_mail_assertion("tk_regk", 115);
    if (!size) throw tk_mail_assertion("tk_regk", 116);
    tk_log(2, "tk_reg_key::get_value(LPSTR, %s)", name);
    DWORD type = 0;
    LONG err = RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), size);
    tk_log(1, "type=%d, size=%d", static_cast<int>(type), static_cast<int>(*size));
    if (err == ERROR_SUCCESS && type != REG_SZ) return static_cast<LONG>(ERROR_BADDB);
    return err;
}

LONG tk_reg_key::get_value(wchar_t* buffer, const wchar_t* name, DWORD* size) {
    if (!name) throw tk_mail_assertion("tk_regk", 132);
    if (!size) throw tk_mail_assertion("tk_regk", 133);
    tk_wlog(2, L"tk_reg_key::get_value(LPWSTR, %s)", name);
    DWORD type = 0;
    LONG err = RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), size);
    tk_log(1, "type=%d, size=%d", static_cast<int>(type), static_cast<int>(*size));
    if (err == ERROR_SUCCESS && type != REG_SZ) return static_cast<LONG>(ERROR_BADDB);
    return err;
}

LONG tk_reg_key::set_value(DWORD value, const char* name) {
    if (!m_key) throw tk_mail_assertion("tk_regk", 149);
    return RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value));
}

LONG tk_reg_key::set_value(const char* text, const char* name) {
    if (!text) throw tk_mail_assertion("tk_regk", 156);
    if (!m_key) throw tk_mail_assertion("tk_regk", 157);
    return RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1));
}

LONG tk_reg_key::set_value(const wchar_t* text, const wchar_t* name) {
    if (!text) throw tk_mail_assertion("tk_regk", 164);
    if (!m_key) throw tk_mail_assertion("tk_regk", 165);
    return RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t)));
}

bool tk_reg_key::exchange(const char* name, unsigned long& value, bool store) {
    if (!m_key) return false;
    if (store) return set_value(static_cast<DWORD>(value), name) == ERROR_SUCCESS;
    DWORD read = 0;
    if (get_value(read, name) != ERROR_SUCCESS) return false;
    value = read;
    return true;
}

bool tk_reg_key::exchange(const char* name, bool& value, bool store) {
    if (!m_key) return false;
    if (store) return set_value(static_cast<DWORD>(value ? 1 : 0), name) == ERROR_SUCCESS;
    DWORD read = 0;
    if (get_value(read, name) != ERROR_SUCCESS) return false;
    value = read != 0;
    return true;
}

bool tk_reg_key::exchange(const char* name, std::string& value, bool store) {
    if (!m_key) return false;
    if (store) return set_value(value.c_str(), name) == ERROR_SUCCESS;
    DWORD size = 0;
    if (get_value(static_cast<char*>(nullptr), name, &size) != ERROR_SUCCESS || size == 0) {
        return false;
    }
    std::vector<char> buffer(size + 1, '\0');
    if (get_value(buffer.data(), name, &size) != ERROR_SUCCESS) return false;
    std::string text(buffer.data());
    // A value holding only its terminator is as empty as one holding no bytes.
    if (text.empty()) return false;
    value = std::move(text);
    return true;
}

bool tk_reg_key::exchange(const wchar_t* name, std::wstring& value, bool store) {
    if (!m_key) return false;
    if (store) return set_value(value.c_str(), name) == ERROR_SUCCESS;
    DWORD size = 0;
    if (get_value(static_cast<wchar_t*>(nullptr), name, &size) != ERROR_SUCCESS || size == 0) {
        return false;
    }
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    if (get_value(buffer.data(), name, &size) != ERROR_SUCCESS) return false;
    std::wstring text(buffer.data());
    if (text.empty()) return false;
    value = std::move(text);
    return true;
}
