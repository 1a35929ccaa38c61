#include "variant/ole_guid_extractor.h"

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "variant/ole_codepage.h"

namespace {

constexpr std::size_t guid_digits_length = 36;  // 8-4-4-4-12 digits joined by dashes

bool is_hex(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// The callers paste the GUID into SQL text without quoting it further, so only the exact
// 8-4-4-4-12 shape of hexadecimal digits counts as one.
bool has_guid_shape(const std::wstring& text, std::size_t at) {
    for (std::size_t i = 0; i < guid_digits_length; ++i) {
        wchar_t c = text[at + i];
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != L'-' : !is_hex(c)) return false;
    }
    return true;
}

}  // namespace

ole_guid_extractor::ole_guid_extractor(const std::wstring& text) : m_text(tk_trim(text)) {
    tk_wlog(1, L"ole_guid_extractor::ctor(%s)", text.c_str());
    locate();
}

ole_guid_extractor::ole_guid_extractor(const std::string& text) {
    std::wstring wide;
    if (!ole_widen(text.data(), text.size(), CP_ACP, wide)) wide.clear();
    tk_wlog(1, L"ole_guid_extractor::ctor(%s)", wide.c_str());
    m_text = tk_trim(wide);
    locate();
}

void ole_guid_extractor::locate() {
    if (m_text.size() < 36) {
        tk_log(1, "Text is too short for GUID");
        return;
    }
    if (m_text.size() > 45) {
        tk_log(1, "Text is too long for GUID");
        return;
    }
    std::size_t lower = m_text.find(L"guid");
    std::size_t upper = m_text.find(L"GUID");
    tk_log(1, "Locating 'guid' (%d : %d)",
           lower == std::wstring::npos ? -1 : static_cast<int>(lower),
           upper == std::wstring::npos ? -1 : static_cast<int>(upper));
    std::size_t word = lower != std::wstring::npos ? lower : upper;
    if (word == std::wstring::npos) return;
    std::size_t start = word + 4;
    while (start < m_text.size() && m_text[start] == L'{') ++start;
    if (m_text.size() - start < guid_digits_length) return;
    if (!has_guid_shape(m_text, start)) return;
    m_start = static_cast<int>(start);
    m_found = true;
    tk_log(1, "GUID is valid");
}

std::wstring ole_guid_extractor::get_wstring() const {
    if (!m_found) return std::wstring();
    return L"{" + m_text.substr(static_cast<std::size_t>(m_start), guid_digits_length) + L"}";
}

std::string ole_guid_extractor::get_string() const {
    std::wstring wide = get_wstring();
    return std::string(wide.begin(), wide.end());  // hexadecimal digits, dashes and braces only
}

std::wstring ole_guid_extractor::get_hex() const {
    if (!m_found) return std::wstring();
    std::wstring out;
    out.reserve(32);
    for (std::size_t i = 0; i < guid_digits_length; ++i) {
        wchar_t c = m_text[static_cast<std::size_t>(m_start) + i];
        if (c != L'-') out.push_back(c);
    }
    return out;
}
