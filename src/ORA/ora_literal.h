// The Oracle SQL text of values and defaults for statements that write into Oracle: literals
// of every variant type and the DEFAULT clause value of a column description.  Numbers are
// written exactly (64-bit integers digit for digit, doubles in their shortest round-trip form).
// Thread-safety: pure functions (apart from trace lines); any thread.
#pragma once

#include <cstdint>
#include <string>

#include "TK/tk_exception.h"

class ole_variant;
class t_ftd;

// Oracle's NUMBER holds magnitudes below 1e126; a floating value beyond is not storable.
inline constexpr double k_ora_number_limit = 1e126;

// The value as Oracle SQL: with `quoted` 1 a literal ("NULL", 42, 'O''Hara', to_date(...),
// 'CAFE' for bytes); with 0 the bare text a bound buffer takes (empty for NULL, hex for bytes,
// "YYYY-MM-DD HH24:MI:SS" for dates).  Never raises beyond allocation.
std::wstring to_oracle_str(const ole_variant& value, int quoted);
// The DEFAULT text of a column ("" when it has none or it cannot stand in Oracle: a number out
// of range, a date that is no date).  Never raises beyond allocation.
std::wstring make_ora_def_val(const t_ftd& field);
// The mask TO_TIMESTAMP reads ora_timestamp_text with.
inline constexpr const wchar_t* k_ora_timestamp_mask = L"YYYY-MM-DD HH24:MI:SS.FF";
// A date value (VT_DATE, or ISO text "YYYY-MM-DD[ HH:MI:SS[.f...]]" with up to nine fraction
// digits) as "YYYY-MM-DD HH24:MI:SS.f..." with every fraction digit it carries; false, with
// `out` untouched, when the value holds no date.  Never raises beyond allocation.
bool ora_timestamp_text(const ole_variant& value, std::wstring& out);
// Why `value` cannot be written exactly into a 32-bit integer column ("" when it can, with the
// integer in `out`): text that is no number, a fraction, a magnitude beyond 32 bits.  Never
// raises beyond allocation.
std::string ora_integer_misfit(const ole_variant& value, std::int32_t& out);
// The record error (level 0) of a value column `column` of `table` cannot take, for `why`.
tk_exception ora_value_error(const std::wstring& table, const std::wstring& column,
                             const std::string& why);
// True for a finite or infinite real that Oracle's NUMBER cannot hold.
bool ora_out_of_range(double value);
