// Conversions between wide text and the byte code pages.
//
// CP_UTF8 is strict both ways: an invalid byte sequence or a code point that UTF-8 cannot carry
// (a surrogate, a value above U+10FFFF) fails with ERROR_NO_UNICODE_TRANSLATION instead of being
// replaced, so text is never altered silently.  CP_ACP and CP_THREAD_ACP stand for the character
// set of the current C locale (converted through iconv); the plain "C"/POSIX locale, which names
// no character set, counts as UTF-8.  Converting wide text to a non-UTF-8 ANSI set replaces a
// character the set cannot hold with the default character ('?'), as the system does; the reverse
// direction fails on bytes that are not valid in the set.  Other numeric code pages are looked up
// by their iconv names ("CP1252", ISO-8859-n for 2859n).
//
// Both calls follow the system's contract: a source length of -1 means "zero-terminated, the
// terminator included"; a destination size of 0 asks for the size needed; a destination too small
// fails with ERROR_INSUFFICIENT_BUFFER; failure answers 0 and sets the last error.  Thread-safe.
#pragma once

#include "platform/win/win_types.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_THREAD_ACP = 3;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_PRECOMPOSED = 0x1;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;

// Wide -> bytes; answers the number of bytes written (or needed), 0 on failure.
int WideCharToMultiByte(UINT code_page, DWORD flags, const wchar_t* src, int src_len, char* dst,
                        int dst_size, const char* default_char, BOOL* used_default_char);
// Bytes -> wide; answers the number of wide characters written (or needed), 0 on failure.
int MultiByteToWideChar(UINT code_page, DWORD flags, const char* src, int src_len, wchar_t* dst,
                        int dst_size);

// True when the ANSI code page of the calling thread is UTF-8.
bool win_acp_is_utf8();
