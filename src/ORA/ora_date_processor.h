// ora_date_processor: rewrites the date defaults of the Oracle dictionary (day-month-year with
// English month abbreviations, such as 01-JAN-2000) into year-month-day text.
//
// One instance per conversion run, reached through tk_singleton; the run creates it at its start
// and destroys it at its end. Without it, date defaults of source tables are dropped. Used by the
// run's thread only; no lock.
#pragma once

#include <string>
#include <vector>

#include "TK/tk_singleton.h"

class ora_date_processor : public tk_singleton<ora_date_processor> {
public:
    // Registers the instance and fills the month list; never fails.
    ora_date_processor();
    ~ora_date_processor() override;

    // Fills the month list with the twelve English abbreviations.
    void initialize();
    // "%d-%02d-%02d" of year, month and day, or the empty text when `text` is no DD-MON-YYYY date.
    std::wstring get_canonized_str(const std::wstring& text) const;
    // 1 to 12 for a month abbreviation (any case), or 0.
    int get_month(const std::wstring& text) const;

private:
    std::vector<std::wstring> m_months;
};
