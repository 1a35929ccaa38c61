// The progress page (107): starts the conversion run on a worker thread as soon as it becomes
// active, shows the run's lines in its log box (1016, through the shell's write_log), the
// current table (1323) and a percentage (1321), and moves the sheet to the closing page (116) on
// the shell's timer once the run has set its finish flag.  All wizard buttons are off while it is
// shown; Cancel asks the run to stop between records and waits for it to end.
// Thread-safety: window thread; the run reaches the page only through the shell.
#pragma once

#include <cstdint>

#include "GUI2/functor_thread.h"
#include "GUI2/wizard_page.h"

class QProgressBar;

class progress_page : public wizard_page<107, k_wiz_back | k_wiz_next, k_page_has_help> {
public:
    progress_page();
    // Stops a run that still goes (cooperatively) before the page goes.
    ~progress_page() override;

    bool page_init() override;
    void on_timer(int timer_id) override;
    bool on_cancel() override;
    void on_help() override;

    // The bar's value for T tables, D done, R records of the current table, C the current one.
    static unsigned progress(std::uint32_t tables, std::uint32_t done, std::uint32_t records,
                             std::uint32_t current);
    // Asks the run to stop and waits (the window thread's events keep flowing meanwhile).
    void stop_run();
    bool is_running() const { return m_thread.is_running(); }

    static constexpr int k_text_limit = 1000000;

private:
    functor_thread m_thread;
    QProgressBar* m_bar = nullptr;
};
