// udb_custom_conversion: hooks that the SQL writers consult before their own rules, so that a
// column description or a value could be written in a custom way.  No rule is ever registered,
// so every hook answers "not handled" and the caller applies its built-in rule.
// Thread-safety: the hooks touch no state and are safe from any thread.
#pragma once

#include <string>

#include "TK/tk_singleton.h"

class ole_variant;
class t_ftd;

class udb_custom_conversion : public tk_singleton<udb_custom_conversion> {
public:
    // True when a rule handles this column description; always false.  Never raises.
    static bool is_acceptable1(const t_ftd& field);
    // True when a rule handles this value; always false.  Never raises.
    static bool is_acceptable2(const ole_variant& value);
    // The custom text of a column description; empty.  Never raises.
    static std::wstring handle1(const t_ftd& field);
    // The custom text of a value; empty.  Never raises.
    static std::wstring handle2(const ole_variant& value);
};
