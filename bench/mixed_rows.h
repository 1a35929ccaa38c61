// The mixed rows the writing benchmarks share: nine columns of every family the writers render
// (integers, texts with quotes and backslashes, decimals, reals, 64-bit integers, booleans,
// dates, bytes), and a pool of records to cycle through so that building rows costs nothing.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "UDB/udb_indexes.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"
#include "variant/ole_date.h"

namespace bench {

inline t_ftd column(const wchar_t* name, int vt, unsigned size, int dw = 0) {
    return t_ftd(size, name, vt, false, false, ole_variant(), dw, L"");
}

inline udb_schema mixed_schema() {
    udb_schema schema;
    schema.add_field(column(L"ID", VT_I4, 4));
    schema.add_field(column(L"NAME", VT_BSTR, 40));
    schema.add_field(column(L"NOTE", VT_BSTR, 2000));
    schema.add_field(column(L"AMOUNT", VT_DECIMAL, 16, 18 * 256 + 2));
    schema.add_field(column(L"RATIO", VT_R8, 8));
    schema.add_field(column(L"BIG", VT_I8, 8));
    schema.add_field(column(L"FLAG", VT_BOOL, 1));
    schema.add_field(column(L"CREATED", VT_DATE, 8, 1));
    schema.add_field(column(L"PAYLOAD", VT_BLOB, 64));
    return schema;
}

inline udb_indexes mixed_keys() {
    udb_indexes keys;
    keys.push_back(udb_index(L"PK", false, true, {L"ID"}));
    return keys;
}

inline std::vector<std::unique_ptr<udb_record>> mixed_pool(int size) {
    std::vector<std::unique_ptr<udb_record>> pool;
    for (int i = 0; i < size; ++i) {
        auto r = std::make_unique<udb_record>();
        r->add_field(udb_field(L"ID", 4, ole_variant(i)));
        r->add_field(
            udb_field(L"NAME", 40, ole_variant(L"Name " + std::to_wstring(i) + L" O'Neil")));
        r->add_field(udb_field(
            L"NOTE", 2000,
            ole_variant(i % 3 ? std::wstring(L"caf\u00e9 \\ note ") + std::to_wstring(i * 7)
                              : std::wstring())));
        r->add_field(udb_field(L"AMOUNT", 16,
                               ole_variant::from_string(std::to_string(i) + ".25", VT_DECIMAL)));
        r->add_field(udb_field(L"RATIO", 8, ole_variant(i / 7.0)));
        r->add_field(udb_field(L"BIG", 8, ole_variant(static_cast<long long>(i) * 1000000007LL)));
        r->add_field(udb_field(L"FLAG", 1, ole_variant(i % 2 == 0)));
        r->add_field(
            udb_field(L"CREATED", 8, ole_date(std::wstring(L"2024-03-15 12:34:56")).to_variant()));
        std::vector<std::uint8_t> bytes(32);
        for (std::size_t b = 0; b < bytes.size(); ++b)
            bytes[b] = static_cast<std::uint8_t>(b * 13 + static_cast<std::size_t>(i));
        r->add_field(udb_field(L"PAYLOAD", 64, ole_variant(bytes)));
        pool.push_back(std::move(r));
    }
    return pool;
}

// The record of row i, its ID set to i.
inline udb_record& mixed_row(std::vector<std::unique_ptr<udb_record>>& pool, int i) {
    udb_record& r = *pool[static_cast<std::size_t>(i) % pool.size()];
    static_cast<ole_variant&>(r[0]) = ole_variant(i);
    return r;
}

}  // namespace bench
