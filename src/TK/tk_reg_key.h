// tk_reg_key: one open key of the current user's settings store, and the exchange of single
// values between the key and program variables in either direction, so that one list of
// (name, variable) pairs serves for loading and for storing.
//
// Numbers and booleans are REG_DWORD values of 4 bytes; texts are REG_SZ written with their
// terminator.  Operations answer the store's error code (0 = success) unless said otherwise; the
// exchange forms answer true on success and leave the variable unchanged on any failure.  A key
// object is used by one thread at a time.
#pragma once

#include <string>

#include "platform/win/win_registry.h"

class tk_reg_key {
public:
    tk_reg_key() = default;
    // Closes the key when one is held.
    ~tk_reg_key();
    tk_reg_key(const tk_reg_key&) = delete;
    tk_reg_key& operator=(const tk_reg_key&) = delete;

    // Opens sub_key under parent, creating it when missing; on success the key held before is
    // closed, on failure it stays.  A null parent raises tk_mail_assertion("tk_regk", 64).
    LONG create(HKEY parent, const char* sub_key, char* key_class = nullptr,
                DWORD options = REG_OPTION_NON_VOLATILE, REGSAM access = KEY_ALL_ACCESS,
                void* security = nullptr, DWORD* disposition = nullptr);
    // Closes the key held (0 when none is held).
    LONG close();
    // The key held, or null.
    HKEY handle() const noexcept { return m_key; }

    // Reads at most 4 bytes of the value into value; a null name raises line 98.
    LONG get_value(DWORD& value, const char* name);
    // Reads a text value into buffer (null: only the size); size in bytes, in and out.  A null
    // name raises line 115, a null size line 116.
    LONG get_value(char* buffer, const char* name, DWORD* size);
    // The same with wide names and text; lines 132 (name) and 133 (size).
    LONG get_value(wchar_t* buffer, const wchar_t* name, DWORD* size);

    // Writes a REG_DWORD; no key held raises line 149.
    LONG set_value(DWORD value, const char* name);
    // Writes a REG_SZ with its terminator; a null text raises line 156, no key line 157.
    LONG set_value(const char* text, const char* name);
    // The same with wide text and name; lines 164 (text) and 165 (no key).
    LONG set_value(const wchar_t* text, const wchar_t* name);

    // Stores the number, or loads it (assigned only when a 4-byte number was read).
    bool exchange(const char* name, unsigned long& value, bool store);
    // Stores 0 or 1, or loads a number (true whenever it is not 0).
    bool exchange(const char* name, bool& value, bool store);
    // Stores the text, or loads it; a missing or empty text fails.
    bool exchange(const char* name, std::string& value, bool store);
    // The same with a wide name and text.
    bool exchange(const wchar_t* name, std::wstring& value, bool store);

private:
    HKEY m_key = nullptr;
};
