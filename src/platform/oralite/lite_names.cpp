#include "lite_names.h"

#include <algorithm>

#include "sql/lite_lexer.h"

namespace {

bool lower_ascii(char c) {
    return c >= 'a' && c <= 'z';
}

}  // namespace

std::string lite_sqlite_ident(std::string_view oracle_name) {
    if (std::none_of(oracle_name.begin(), oracle_name.end(), lower_ascii)) {
        return std::string(oracle_name);
    }
    std::string out;
    out.reserve(oracle_name.size() * 2);
    for (char c : oracle_name) {
        if (lower_ascii(c)) out += '"';
        out += c;
    }
    return out;
}

std::string lite_sqlite_name(std::string_view oracle_name) {
    return lite_quote_name(lite_sqlite_ident(oracle_name));
}

std::string lite_oracle_name(std::string_view sqlite_ident) {
    std::string out;
    out.reserve(sqlite_ident.size());
    for (size_t i = 0; i < sqlite_ident.size(); ++i) {
        if (sqlite_ident[i] == '"' && i + 1 < sqlite_ident.size() &&
            lower_ascii(sqlite_ident[i + 1])) {
            continue;
        }
        out += sqlite_ident[i];
    }
    return out;
}
