#include "ORA/ora_date_processor.h"

#include <cwctype>

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_compare.h"

namespace {

// Leading decimal digits (after optional blanks and sign) as an integer, 0 when there are none.
long leading_int(const std::wstring& text) {
    std::size_t i = 0;
    while (i < text.size() && std::iswspace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > 1000000) break;  // far beyond any valid day or year
    }
    return negative ? -value : value;
}

}  // namespace

ora_date_processor::ora_date_processor() {
    tk_log(2, "ora_date_processor::ctor");
    initialize();
}

ora_date_processor::~ora_date_processor() {
    tk_log(2, "ora_date_processor::dtor");
    m_months.clear();
}

void ora_date_processor::initialize() {
    tk_log(2, "ora_date_processor::initialize");
    m_months = {L"JAN", L"FEB", L"MAR", L"APR", L"MAY", L"JUN",
                L"JUL", L"AUG", L"SEP", L"OCT", L"NOV", L"DEC"};
}

int ora_date_processor::get_month(const std::wstring& text) const {
    for (std::size_t i = 0; i < m_months.size(); ++i)
        if (udb_equal_nocase(text, m_months[i])) return static_cast<int>(i) + 1;
    return 0;
}

std::wstring ora_date_processor::get_canonized_str(const std::wstring& text) const {
    tk_wlog(1, L"ora_date_processor::get_canonized_str(%s)", text.c_str());
    std::vector<std::wstring> parts = tk_split(text, L'-');
    if (parts.size() != 3) {
        tk_log(1, "Invalid date format");
        return std::wstring();
    }
    long day = leading_int(parts[0]);
    long year = leading_int(parts[2]);
    int month = get_month(parts[1]);
    if (day < 1 || day > 31 || year < 1 || year > 9999 || month == 0) return std::wstring();
    wchar_t buf[32];
    swprintf(buf, sizeof buf / sizeof buf[0], L"%d-%02d-%02d", static_cast<int>(year), month,
             static_cast<int>(day));
    return buf;
}
