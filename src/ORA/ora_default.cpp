#include "ORA/ora_default.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cwchar>
#include <cwctype>

#include "ORA/ora_date_processor.h"
#include "ORA/ora_utils.h"

namespace {

bool ieq_prefix(const std::wstring& text, std::size_t pos, const wchar_t* word) {
    for (; *word; ++word, ++pos)
        if (pos >= text.size() || std::towupper(text[pos]) != static_cast<wint_t>(*word))
            return false;
    return true;
}

void skip_blanks(const std::wstring& text, std::size_t& pos) {
    while (pos < text.size() && std::iswspace(text[pos])) ++pos;
}

// Reads the single-quoted literal at `pos` (doubled quotes inside); moves `pos` past it.
std::optional<std::wstring> read_literal(const std::wstring& text, std::size_t& pos) {
    if (pos >= text.size() || text[pos] != L'\'') return std::nullopt;
    std::wstring body;
    for (std::size_t i = pos + 1; i < text.size(); ++i) {
        if (text[i] != L'\'') {
            body += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == L'\'') {
            body += L'\'';
            ++i;
            continue;
        }
        pos = i + 1;
        return body;
    }
    return std::nullopt;
}

// A recursive-descent reading of sums, products, signs, parentheses and numbers.
class constant_parser {
public:
    explicit constant_parser(const std::string& text) : m_text(text) {}

    std::optional<double> whole() {
        std::optional<double> value = sum();
        blanks();
        if (!value || m_pos != m_text.size()) return std::nullopt;
        return value;
    }

private:
    void blanks() {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
    }
    bool take(char c) {
        blanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    // One level of left-associative operators over the operands `operand` reads.
    std::optional<double> level(std::optional<double> (constant_parser::*operand)(), char first,
                                char second) {
        std::optional<double> left = (this->*operand)();
        while (left) {
            const bool is_first = take(first);
            if (!is_first && !take(second)) break;
            const std::optional<double> right = (this->*operand)();
            if (!right) return std::nullopt;
            left = apply(is_first ? first : second, *left, *right);
        }
        return left;
    }
    static std::optional<double> apply(char op, double left, double right) {
        switch (op) {
            case '+':
                return left + right;
            case '-':
                return left - right;
            case '*':
                return left * right;
            default:
                if (right == 0.0) return std::nullopt;
                return left / right;
        }
    }
    std::optional<double> sum() { return level(&constant_parser::product, '+', '-'); }
    std::optional<double> product() { return level(&constant_parser::factor, '*', '/'); }
    std::optional<double> factor() {
        if (take('-')) {
            std::optional<double> value = factor();
            if (value) *value = -*value;
            return value;
        }
        if (take('+')) return factor();
        if (take('(')) {
            std::optional<double> value = sum();
            if (!value || !take(')')) return std::nullopt;
            return value;
        }
        return number();
    }
    std::optional<double> number() {
        blanks();
        // Only plain decimal forms: from_chars alone would also read "inf" and "nan".
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() &&
               (std::isdigit(static_cast<unsigned char>(m_text[m_pos])) || m_text[m_pos] == '.'))
            ++m_pos;
        if (m_pos == start) return std::nullopt;
        if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
            ++m_pos;
            if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-')) ++m_pos;
            while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos])))
                ++m_pos;
        }
        double value = 0;
        const char* first = m_text.data() + start;
        const char* last = m_text.data() + m_pos;
        auto [end, error] = std::from_chars(first, last, value);
        if (error != std::errc() || end != last || !std::isfinite(value)) return std::nullopt;
        return value;
    }

    const std::string& m_text;
    std::size_t m_pos = 0;
};

bool is_iso_date(const std::wstring& text) {
    // YYYY-MM-DD, then nothing or a time after a blank or a T.
    std::size_t i = 0;
    const auto digits = [&](std::size_t least, std::size_t most) {
        std::size_t n = 0;
        while (i < text.size() && n < most && std::iswdigit(text[i])) ++i, ++n;
        return n >= least;
    };
    if (!digits(4, 4) || i >= text.size() || text[i++] != L'-') return false;
    if (!digits(1, 2) || i >= text.size() || text[i++] != L'-') return false;
    if (!digits(1, 2)) return false;
    if (i == text.size()) return true;
    if (text[i] != L' ' && text[i] != L'T') return false;
    ++i;
    return digits(1, 2) && i < text.size() && text[i] == L':';
}

std::wstring without_blanks_upper(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text)
        if (!std::iswspace(c)) out += static_cast<wchar_t>(std::towupper(c));
    return out;
}

bool is_iso_format(const std::wstring& format) {
    const std::wstring f = without_blanks_upper(format);
    const std::wstring head = L"YYYY-MM-DD";
    if (f.compare(0, head.size(), head) != 0) return false;
    std::wstring rest = f.substr(head.size());
    if (rest.rfind(L"\"T\"", 0) == 0) rest.erase(0, 3);
    for (const wchar_t* time : {L"", L"HH24:MI", L"HH24:MI:SS"})
        if (rest == time) return true;
    return rest.rfind(L"HH24:MI:SS.FF", 0) == 0;
}

bool is_dd_mon_format(const std::wstring& format) {
    const std::wstring f = without_blanks_upper(format);
    return f == L"DD-MON-YYYY" || f == L"DD-MON-RRRR";
}

// A literal's date in ISO text; `format` is empty when the text gave none.
std::wstring literal_date(const std::wstring& body, const std::wstring& format) {
    std::wstring text = ora_trim(body);
    const bool any = format.empty();
    if ((any || is_iso_format(format)) && is_iso_date(text)) return text;
    if (any || is_dd_mon_format(format)) {
        const ora_date_processor* dates = ora_date_processor::find_instance();
        if (dates) return dates->get_canonized_str(text);
    }
    return std::wstring();
}

}  // namespace

std::optional<double> ora_eval_constant(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) {
        if (c > 0x7F) return std::nullopt;
        narrow += static_cast<char>(c);
    }
    return constant_parser(narrow).whole();
}

bool ora_is_sequence_default(const std::wstring& text) {
    const std::wstring t = ora_trim(text);
    const std::wstring tail = L".NEXTVAL";
    return t.size() > tail.size() && ieq_prefix(t, t.size() - tail.size(), tail.c_str());
}

bool ora_is_current_time(const std::wstring& text) {
    const std::wstring t = without_blanks_upper(text);
    for (const wchar_t* name :
         {L"SYSDATE", L"SYSTIMESTAMP", L"CURRENT_DATE", L"CURRENT_TIMESTAMP", L"LOCALTIMESTAMP"}) {
        const std::wstring n = name;
        if (t == n) return true;
        // With a precision: CURRENT_TIMESTAMP(3).
        if (t.size() > n.size() + 2 && t.compare(0, n.size(), n) == 0 && t[n.size()] == L'(' &&
            t.back() == L')' && t.find_first_not_of(L"0123456789", n.size() + 1) == t.size() - 1)
            return true;
    }
    return false;
}

std::wstring ora_date_constant(const std::wstring& src) {
    const std::wstring text = ora_trim(src);
    if (std::optional<std::wstring> body = ora_unquote_literal(text))
        return literal_date(*body, std::wstring());
    for (const wchar_t* keyword : {L"DATE", L"TIMESTAMP"}) {
        std::size_t pos = std::wcslen(keyword);
        if (!ieq_prefix(text, 0, keyword) || pos >= text.size() || !std::iswspace(text[pos]))
            continue;
        skip_blanks(text, pos);
        std::optional<std::wstring> body = read_literal(text, pos);
        if (body && pos == text.size() && is_iso_date(ora_trim(*body))) return ora_trim(*body);
        return std::wstring();
    }
    for (const wchar_t* function : {L"TO_DATE", L"TO_TIMESTAMP"}) {
        std::size_t pos = std::wcslen(function);
        if (!ieq_prefix(text, 0, function)) continue;
        skip_blanks(text, pos);
        if (pos >= text.size() || text[pos++] != L'(') return std::wstring();
        skip_blanks(text, pos);
        std::optional<std::wstring> body = read_literal(text, pos);
        if (!body) return std::wstring();
        skip_blanks(text, pos);
        std::wstring format;
        if (pos < text.size() && text[pos] == L',') {
            ++pos;
            skip_blanks(text, pos);
            std::optional<std::wstring> given = read_literal(text, pos);
            if (!given || given->empty()) return std::wstring();
            format = *given;
            skip_blanks(text, pos);
        }
        if (pos + 1 != text.size() || text[pos] != L')') return std::wstring();
        return literal_date(*body, format);
    }
    return std::wstring();
}

std::optional<std::wstring> ora_unquote_literal(const std::wstring& text) {
    std::size_t pos = 0;
    std::optional<std::wstring> body = read_literal(text, pos);
    if (!body || pos != text.size()) return std::nullopt;
    return body;
}
