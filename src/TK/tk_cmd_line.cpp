#include "TK/tk_cmd_line.h"

#include <cstring>

#include "TK/tk_exception.h"

ansi_cmd_line::ansi_cmd_line(int argc, char** argv, const tk_cmd_option* options)
    : m_options(options), m_cursor(argv + 1), m_remaining(argc - 1) {
    if (m_remaining > 0) match();
}

void ansi_cmd_line::next() {
    if (m_remaining <= 0) throw tk_mail_assertion("tk_cmdli", 60);
    ++m_cursor;
    --m_remaining;
    if (m_remaining > 0) match();
}

int ansi_cmd_line::id() const {
    if (m_remaining <= 0) throw tk_mail_assertion("tk_cmdli", 140);
    return m_id;
}

const char* ansi_cmd_line::value() const {
    if (m_remaining <= 0) throw tk_mail_assertion("tk_cmdli", 140);
    return m_value;
}

void ansi_cmd_line::match() {
    if (m_remaining <= 0) throw tk_mail_assertion("tk_cmdli", 19);
    const char* argument = *m_cursor;
    for (const tk_cmd_option* option = m_options;; ++option) {
        const std::size_t length = std::strlen(option->prefix);
        if (std::strncmp(argument, option->prefix, length) != 0) continue;
        m_value = argument + length;
        if (length > 0) {
            m_id = option->id;
            return;
        }
        m_id = -1;
        if (m_unmatched_count >= k_max_unmatched) throw tk_mail_assertion("tk_cmdli", 52);
        m_unmatched[m_unmatched_count++] = argument;
        return;
    }
}
