// ora_lob: a CLOB, NCLOB or BLOB column, fetched as a locator and read whole in chunks at every
// row.  Character LOBs arrive as UTF-16 and become VT_BSTR; binary LOBs become byte arrays.
// Thread-safety: none.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ORA/ora_type.h"

class ora_lob : public ora_type {
public:
    // Allocates the locator; an OCI error raises ora_exception.
    explicit ora_lob(OCIParam* param);
    ~ora_lob() override;
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int pos) override;

    // Reads from the 1-based `offset` into `buffer` of `amount` bytes as much as it holds: bytes
    // of a BLOB, characters (UTF-16 units) of a CLOB, which both count; returns that count (0 at
    // the end).  Raises ora_exception.
    ub4 read_lob(ub4 offset, std::uint8_t* buffer, ub4 amount);

private:
    // Reads the value whole into the storage `resize` gives (its bytes kept, resized to the size
    // asked), sized from the LOB's length in counts of `unit` bytes and grown should the value
    // run past it; returns the bytes read.  Raises ora_exception.
    std::size_t read_whole(const std::function<std::uint8_t*(std::size_t)>& resize,
                           std::size_t unit);

    OCILobLocator* m_locator = nullptr;
    // The units of a character LOB, sized from its length; a large one is not kept past its row.
    std::vector<std::uint8_t> m_value;
    std::wstring m_text;
};
