// ora_dummy: a column of a type the reader cannot fetch.  It is not defined on the statement and
// reads as the text "<unsupported type>" in every row.
// Thread-safety: none.
#pragma once

#include "ORA/ora_type.h"

class ora_dummy : public ora_type {
public:
    explicit ora_dummy(OCIParam* param);
    int get_vartype() const override;
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int pos) override;

private:
    int m_described_type;
};
