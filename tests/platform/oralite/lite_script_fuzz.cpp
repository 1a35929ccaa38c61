// libFuzzer target: any byte string split as a script, and each unit's tokens, must not crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sql/lite_lexer.h"
#include "script/lite_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const lite_script_unit& u : lite_split_script(text)) {
        if (u.text.empty() || u.line < 1) __builtin_trap();
        lite_tokenize(u.text);
    }
    return 0;
}
