#include "converter/init_conversion.h"

#include "TK/tk_logger.h"
#include "converter/run_front_end.h"
#include "platform/win/win_time.h"

namespace {

void log_stamp(const char* format) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    tk_log(3, format, now.wDay, now.wMonth, now.wYear, now.wHour, now.wMinute, now.wSecond);
}

}  // namespace

init_conversion::init_conversion(std::atomic<bool>& finish_flag, int /*no_com*/)
    : m_finish_flag(finish_flag) {
    tk_log(2, "init_conversion::ctor");
    m_finish_flag = false;
    log_stamp("Conversion started on %02d/%02d/%04d at %02d:%02d:%02d\n");
    try {
        run_front_end::instance().start_timer(k_poll_period_ms);
    } catch (...) {
        // A front end that watches the flag must never wait for a run that did not start.
        log_stamp("Conversion ended on %02d/%02d/%04d at %02d:%02d:%02d\n");
        m_finish_flag = true;
        throw;
    }
    tk_log(2, "finish_flag=%d", m_finish_flag ? 1 : 0);
}

init_conversion::~init_conversion() {
    tk_log(2, "init_conversion::dtor");
    log_stamp("Conversion ended on %02d/%02d/%04d at %02d:%02d:%02d\n");
    m_finish_flag = true;
}
