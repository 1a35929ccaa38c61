#include "ORA/ora_date.h"

#include "ORA/ora_engine.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

ora_date::ora_date(OCIParam* param) : ora_type(param) {
    ora_engine& eng = ora_engine::instance();
    eng.check_err(eng.oci().DescriptorAlloc(eng.env(), reinterpret_cast<void**>(&m_datetime),
                                            OCI_DTYPE_TIMESTAMP, 0, nullptr));
}

ora_date::~ora_date() {
    if (m_datetime) {
        if (ora_engine* eng = ora_engine::find_instance())
            eng->oci().DescriptorFree(m_datetime, OCI_DTYPE_TIMESTAMP);
    }
}

void ora_date::define(OCIStmt* stmt, int pos) {
    tk_log(1, "ora_date::define(%d)", pos);
    ora_engine& eng = ora_engine::instance();
    eng.check_err(eng.oci().DefineByPos(stmt, &m_define, eng.err(), static_cast<ub4>(pos),
                                        &m_datetime, sizeof m_datetime, SQLT_TIMESTAMP, &m_null_ind,
                                        &m_ret_len, &m_ret_code, OCI_DEFAULT));
}

void ora_date::to_variant(ole_variant& out) {
    tk_log(1, "ora_date::to_variant");
    if (!m_datetime) throw tk_mail_assertion("ora_type", 572);
    ora_engine& eng = ora_engine::instance();
    sb2 year = 0;
    ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
    ub4 fraction = 0;
    eng.check_err(eng.oci().DateTimeGetDate(eng.env(), eng.err(), m_datetime, &year, &month, &day));
    eng.check_err(eng.oci().DateTimeGetTime(eng.env(), eng.err(), m_datetime, &hour, &minute,
                                            &second, &fraction));
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = static_cast<WORD>(fraction / 1000000);
    tk_log(1, "Got time: %02d:%02d:%02d.%d", hour, minute, second, time.wMilliseconds);
    out = ole_variant(time);
}
