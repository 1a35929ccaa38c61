// The toolkit's free helpers: code-page conversions at every text boundary (wide inside; UTF-8 for
// SQL, files, profiles and the log; the ANSI code page for the console and the Oracle client),
// trimming and splitting, hex text, the program's own path, existence tests, the version of a
// library, the clipboard and the error report by mail.
//
// The string conversions raise tk_exception_ex at level 0 (their text followed by the system's
// text); the zero-terminated forms answer false or null instead.  All helpers are thread-safe
// except where noted.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_string.h"
#include "TK/tk_wstring.h"
#include "platform/win/win_types.h"

// Wide -> UTF-8; raises tk_exception_ex "Cannot convert to UTF8 string: " on failure.
std::string tk_to_utf8(const std::wstring& text);
// Wide -> the code page (-1 = the ANSI code page); raises "Cannot convert to ANSI string: ".
std::string tk_to_ansi(const std::wstring& text, int code_page = -1);
// UTF-8 -> wide; raises tk_exception_ex "Cannot convert to UNICODE string: " on failure.
std::wstring tk_to_unicode(const std::string& utf8);
// ANSI code page -> wide; raises tk_exception_ex "Cannot convert to UNICODE string: ".
std::wstring tk_ansi_to_unicode(const std::string& ansi);
// Zero-terminated wide -> new zero-terminated ANSI text in out; false on null input or failure.
bool tk_to_narrow(const wchar_t* text, std::unique_ptr<char[]>& out);
// Zero-terminated ANSI -> new zero-terminated wide text in out; false on null input or failure.
bool tk_to_wide(const char* text, std::unique_ptr<wchar_t[]>& out);
// Zero-terminated narrow text in the code page -> the caller's buffer of capacity wide characters
// (terminator included); answers buffer, or null on null arguments or failure.
wchar_t* widen_to_buffer(const char* text, UINT code_page, wchar_t* buffer, int capacity);

// Two upper-case hex digits a byte and a terminator into out (2 * count + 1 characters); a null
// out raises tk_mail_assertion("tk_utils", 811).
void tk_bytes_to_hex(size_t count, const unsigned char* bytes, char* out);
// Upper-case hex digits of the bytes.  Never fails.
std::string tk_bytes_to_hex(const unsigned char* bytes, size_t count);

// Copies without leading blanks (code 32 only).  Never fails.
std::string tk_ltrim(const std::string& text);
std::wstring tk_ltrim(const std::wstring& text);
// Copies without trailing blanks.  Never fails.
std::string tk_rtrim(const std::string& text);
std::wstring tk_rtrim(const std::wstring& text);
// Copies without leading and trailing blanks.  Never fails.
std::string tk_trim(const std::string& text);
std::wstring tk_trim(const std::wstring& text);

// The tokens between separators, empty ones included; "" gives none, a trailing separator a
// last empty token.  Never fails.
std::vector<std::string> tk_split(const std::string& text, char separator);
std::vector<std::wstring> tk_split(const std::wstring& text, wchar_t separator);

// Replaces every occurrence of what in text, left to right, resuming after each inserted
// replacement so that it is never searched again; an empty what changes nothing.  Never fails.
void tk_replace_all(std::string& text, const std::string& what, const std::string& with);
void tk_replace_all(std::wstring& text, const std::wstring& what, const std::wstring& with);

// The full path of the running program; raises tk_mail_assertion("tk_utils", 116) on failure.
std::string tk_get_module_file_name();
// The same, wide; raises tk_mail_assertion("tk_utils", 129) on failure.
std::wstring tk_get_module_file_wname();
// Directory of the running program with its trailing '/'; raises like tk_get_module_file_name.
std::string tk_get_module_dir();
// The path with its extension replaced by ext (a missing leading dot is added).  Never fails.
std::string tk_replace_extension(const std::string& path, const std::string& ext);

// True when the path names a directory the process can enter ("" = the program's directory).
// The working directory is left as it is.  Never raises.
bool tk_is_path_exist(const std::string& path);
bool tk_is_path_exist(const std::wstring& path);
// True when the path names a file that opens for reading (mode 1: reading and writing); other
// modes (0x4000 by convention) only test existence for reading.  Never raises.
bool tk_is_file_exist(const std::string& path, int mode);
bool tk_is_file_exist(const std::wstring& path, int mode);

// (major << 16) | minor from the library's DllGetVersion; 0 when it cannot be asked.
DWORD get_dll_version(const char* library);

// Places the text on the clipboard.  No clipboard exists without the wizard's window system: the
// call only logs.  Never raises.
void tk_copy_to_clipboard2(const std::wstring& text);

// Offers an error report by mail to the product's support mailbox through the desktop's mail
// composer; logs and does nothing when there is none.  Never raises.
void tk_send_bug(const std::string& title, const std::string& report);

// The support mailbox that error reports are addressed to.
inline constexpr const char tk_support_mailbox[] = "support@corvalin.example";
