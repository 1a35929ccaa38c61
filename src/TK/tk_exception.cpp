#include "TK/tk_exception.h"

#include <cstdio>
#include <vector>

#include "TK/tk_logger.h"
#include "TK/tk_texts.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_error.h"

tk_exception::tk_exception(const std::string& msg, int level)
    : m_message(msg.empty() ? std::string(tk_text_unknown_exception) : msg), m_level(level) {}

tk_exception::tk_exception(const std::wstring& msg, int level) : m_level(level) {
    if (msg.empty()) return;
    // Sized for the widest ANSI form (four bytes a character when the code page is UTF-8), so a
    // long message in a non-Latin script is not lost to a short buffer.
    int size = static_cast<int>(4 * msg.size() + 4);
    std::vector<char> buf(static_cast<size_t>(size));
    int n = WideCharToMultiByte(CP_ACP, 0, msg.c_str(), static_cast<int>(msg.size()) + 1,
                                buf.data(), size, nullptr, nullptr);
    if (n > 0) m_message.assign(buf.data());
}

tk_exception_ex::tk_exception_ex() : tk_exception_ex(std::string(), 1) {}

tk_exception_ex::tk_exception_ex(const std::string& prefix, int level) {
    m_message = tk_text_unknown_exception;
    m_level = level;
    m_code = static_cast<int>(GetLastError());
    std::string text;
    if (win_error_text(static_cast<DWORD>(m_code), text)) {
        m_message = prefix + text;
        tk_log(2, "GetLastError: %s", text.c_str());
    }
}

tk_mail_assertion::tk_mail_assertion(const char* source, int line) {
    if (!source) source = "";
    m_message = make_err_meggase(source, line);
    m_level = 2;
    m_code = 0;
    tk_log(2, "tk_mail_assertion::ctor(%s)", source);
}

tk_final_exception::tk_final_exception() {
    tk_log(2, "tk_final_exception::ctor");
}

std::string make_err_meggase(const char* source, int line) {
    if (!source) source = "";
    tk_log(2, "make_err_meggase(%s, %d)", source, line);
    char text[276];
    std::snprintf(text, sizeof(text), "%s\\%d", source, line);
    tk_log(2, "result=%s", text);
    static constexpr char digits[] = "0123456789abcdef";
    std::string result = tk_text_internal_error;
    for (const char* p = text; *p; ++p) {
        auto c = static_cast<unsigned char>(*p);
        result += digits[c >> 4];
        result += digits[c & 15];
    }
    return result;
}
