// ora_date: a DATE or TIMESTAMP column, fetched into a timestamp descriptor and read as VT_DATE
// to the millisecond.
// Thread-safety: none.
#pragma once

#include "ORA/ora_type.h"

class ora_date : public ora_type {
public:
    // Allocates the descriptor; an OCI error raises ora_exception.
    explicit ora_date(OCIParam* param);
    ~ora_date() override;
    void to_variant(ole_variant& out) override;
    void define(OCIStmt* stmt, int pos) override;

private:
    OCIDateTime* m_datetime = nullptr;
};
