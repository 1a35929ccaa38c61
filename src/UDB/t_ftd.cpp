#include "UDB/t_ftd.h"

#include "TK/tk_logger.h"

t_ftd::t_ftd() = default;

t_ftd::t_ftd(unsigned int size_, const std::wstring& name_, int vartype_, bool b_not_null_,
             bool b_auto_increment_, const ole_variant& default_value_, int dw_reserved_,
             const std::wstring& native_type_)
    : size(size_),
      name(name_),
      vartype(vartype_),
      native_type(native_type_),
      b_auto_increment(b_auto_increment_),
      b_not_null(b_not_null_),
      default_value(default_value_),
      dw_reserved(dw_reserved_) {
    tk_log(2, "t_ftd::ctor2");
    tk_wlog(2, L"\tfield name='%s', vartype=%d, size=%d, b_not_null=%d, reserved=%d", name.c_str(),
            vartype, static_cast<int>(size), b_not_null ? 1 : 0, dw_reserved);
}

t_ftd::t_ftd(const t_ftd& other) = default;
t_ftd& t_ftd::operator=(const t_ftd& other) = default;
t_ftd::~t_ftd() = default;

int t_ftd::get_precision() const noexcept {
    if (dw_reserved == 0) return 0;
    return (dw_reserved >> 8) & 0xFF;
}
