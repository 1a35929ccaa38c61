// libFuzzer target: any bytes as a profile file are read, and their "Type Mappings" lines applied
// to a type mapping, without a crash or a hang; whatever mapping results writes out and reads
// back to itself.  The same bytes as SQL text must come out on one line, stable when repeated.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "TK/tk_exception.h"
#include "UDB/udb_profile.h"
#include "converter/profile_text.h"
#include "converter/udb_db_mutator.h"

namespace {

const std::string& scratch_path() {
    static const std::string path = "/tmp/profile_fuzz_" + std::to_string(getpid()) + ".kvt";
    return path;
}

void check_one_line(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i < size; ++i) text.push_back(static_cast<wchar_t>(data[i]));
    const std::wstring once = sql_one_line(text);
    if (once.find_first_of(L"\r\n") != std::wstring::npos) __builtin_trap();
    if (sql_one_line(once) != once) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    check_one_line(data, size);

    std::FILE* f = std::fopen(scratch_path().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    udb_profile profile;
    try {
        profile.load(std::wstring(scratch_path().begin(), scratch_path().end()));
    } catch (const tk_exception&) {
        // A file that is not a profile stops the load; what was read still counts.
    }
    sql_db_mutator mapping;
    try {
        mapping.load_from_profile(profile);
    } catch (const profile_fault&) {
        // A refused mapping takes nothing of the profile.
        if (!mapping.table_mutators().empty()) __builtin_trap();
        return 0;
    }

    udb_profile first;
    mapping.store_to_profile(first);
    sql_db_mutator again;
    try {
        again.load_from_profile(first);
    } catch (const profile_fault&) {
        __builtin_trap();
    }
    udb_profile second;
    again.store_to_profile(second);
    if (first.get_list(k_type_mappings) != second.get_list(k_type_mappings)) __builtin_trap();
    return 0;
}
