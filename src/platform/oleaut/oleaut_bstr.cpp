// BSTR: a DWORD byte count, the characters, a terminating NUL; the pointer handed out addresses
// the first character, so the text reads as an ordinary NUL-terminated wide string.
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include <malloc.h>

#include "platform/oleaut/oleaut.h"

namespace {

constexpr std::size_t prefix = sizeof(DWORD);
constexpr UINT max_len = (0xFFFFFFFFu - 16) / sizeof(OLECHAR);
// Unused bytes a reallocated text may keep in its block.
constexpr std::size_t keep_slack = 4096;

DWORD* header(BSTR text) {
    return reinterpret_cast<DWORD*>(reinterpret_cast<char*>(text) - prefix);
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT len) {
    if (len > max_len) return nullptr;
    std::size_t bytes = static_cast<std::size_t>(len) * sizeof(OLECHAR);
    char* base = static_cast<char*>(std::malloc(prefix + bytes + sizeof(OLECHAR)));
    if (!base) return nullptr;
    DWORD count = static_cast<DWORD>(bytes);
    std::memcpy(base, &count, prefix);
    BSTR out = reinterpret_cast<BSTR>(base + prefix);
    if (text && len)
        std::memcpy(out, text, bytes);
    else
        std::memset(out, 0, bytes);
    out[len] = L'\0';
    return out;
}

BOOL SysReAllocStringLen(BSTR* text, const OLECHAR* chars, UINT len) {
    if (!text || len > max_len) return FALSE;
    BSTR old = *text;
    const std::size_t bytes = static_cast<std::size_t>(len) * sizeof(OLECHAR);
    // Characters inside the old text would move with a reallocation: those get a new copy.
    const bool inside = old && chars && chars >= old && chars <= old + SysStringLen(old);
    if (!old || inside) {
        BSTR fresh = SysAllocStringLen(chars, len);
        if (!fresh) return FALSE;
        SysFreeString(old);
        *text = fresh;
        return TRUE;
    }
    // A value read row after row is given a text of another length each time: the block it has
    // is kept while the text fits, unless that would hold much more than the text needs.
    const std::size_t need = prefix + bytes + sizeof(OLECHAR);
    const std::size_t have = malloc_usable_size(header(old));
    char* base = need <= have && (have - need <= keep_slack || have / 2 <= need)
                     ? reinterpret_cast<char*>(header(old))
                     : static_cast<char*>(std::realloc(header(old), need));
    if (!base) return FALSE;
    DWORD count = static_cast<DWORD>(bytes);
    std::memcpy(base, &count, prefix);
    BSTR out = reinterpret_cast<BSTR>(base + prefix);
    if (chars && len)
        std::memcpy(out, chars, bytes);
    else
        std::memset(out, 0, bytes);
    out[len] = L'\0';
    *text = out;
    return TRUE;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(std::wcslen(text)));
}

void SysFreeString(BSTR text) {
    if (text) std::free(header(text));
}

UINT SysStringByteLen(BSTR text) {
    return text ? *header(text) : 0;
}

UINT SysStringLen(BSTR text) {
    return SysStringByteLen(text) / sizeof(OLECHAR);
}
