// ora_binary: a RAW column fetched into a buffer of its data size; each value is read with the
// length the fetch reports, so a short value carries only its own bytes.
// Thread-safety: none.
#pragma once

#include <cstdint>
#include <vector>

#include "ORA/ora_type.h"

class ora_binary : public ora_type {
public:
    // Reads the data size; an OCI error raises ora_exception.
    explicit ora_binary(OCIParam* param);
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int pos) override;

private:
    // The first bytes of the buffer as hexadecimal digits.
    std::wstring fetched_text() const override;

    std::vector<std::uint8_t> m_buf;
};
