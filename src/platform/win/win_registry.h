// The current user's settings store, standing for the HKEY_CURRENT_USER registry.
//
// Keys ("Software\Corvalin\Tidewell") and their values live in one human-readable text file,
// <dir>/registry.txt, where <dir> is $TIDEWELL_CONFIG_HOME when set (tests point it at a scratch
// directory), else $XDG_CONFIG_HOME/tidewell, else ~/.config/tidewell.  Each key is a section
// "[Software\Corvalin\Tidewell]" followed by its values, one a line:
//     "Name"=dword:0000002a          a REG_DWORD
//     "Name"="text"                  a REG_SZ stored with its terminator (UTF-8, \" \\ \n \r \t
//                                    and \xHH escapes)
//     "Name"=sz-unterminated:"text"  a REG_SZ stored without its terminator
//     "Name"=hex(3):0a,ff            any other type or size, as its bytes
// Key paths and value names compare ignoring case.
//
// Every change is a read-modify-write of the whole file under an exclusive flock on
// registry.txt.lock, written to a temporary file and renamed over the old one, so concurrent
// processes never lose each other's values and a crash never leaves half a file.  Reads take the
// file as it is (a rename replaces it whole).  Handles are plain heap objects; each is used by one
// thread at a time.  Functions answer ERROR_SUCCESS (0) or an error code, as the system does.
#pragma once

#include <string>

#include "platform/win/win_error.h"
#include "platform/win/win_types.h"

struct win_reg_key;
using HKEY = win_reg_key*;
using REGSAM = DWORD;

// The current user's root; never closed.
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// Opens the key sub_key under parent, creating it (and writing it to the store) when missing.
LONG RegCreateKeyExA(HKEY parent, const char* sub_key, DWORD reserved, char* key_class,
                     DWORD options, REGSAM access, void* security, HKEY* result,
                     DWORD* disposition);
// Opens an existing key; ERROR_FILE_NOT_FOUND when it is missing.
LONG RegOpenKeyExA(HKEY parent, const char* sub_key, DWORD options, REGSAM access, HKEY* result);
// Releases a handle; the roots are never released.
LONG RegCloseKey(HKEY key);
// Reads a value: type and size (in bytes) always when asked; data when a buffer is given and
// large enough (else ERROR_MORE_DATA with the size needed); ERROR_FILE_NOT_FOUND when missing.
// Text comes in the ANSI code page with the terminator it was stored with.
LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size);
// The same with a wide name; text comes as wide characters (size counts bytes).
LONG RegQueryValueExW(HKEY key, const wchar_t* name, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* size);
// Writes a value of size bytes; text is given in the ANSI code page, terminator included.
LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);
// The same with a wide name; text is given as wide characters (size counts bytes).
LONG RegSetValueExW(HKEY key, const wchar_t* name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);
// Removes a value; ERROR_FILE_NOT_FOUND when it is missing.
LONG RegDeleteValueA(HKEY key, const char* name);

// The path of the file that holds the store.
std::string win_registry_file();
