// ora_float: a BINARY_FLOAT or BINARY_DOUBLE column, fetched in its native binary form so that
// every value arrives exactly; read as VT_R4 or VT_R8.
// Thread-safety: none.
#pragma once

#include "ORA/ora_type.h"

class ora_float : public ora_type {
public:
    explicit ora_float(OCIParam* param);
    int get_vartype() const override;
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int pos) override;

private:
    bool m_double;
    float m_float = 0;
    double m_value = 0;
};
