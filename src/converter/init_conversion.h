// init_conversion: the scope of one conversion run.  Opening it clears the finish flag that the
// front end watches, logs the start stamp and starts the front end's poll timer; closing it logs
// the end stamp and sets the flag, always as the very last thing of the run.
// Thread-safety: the run's thread; the flag is atomic for the window thread that polls it.
#pragma once

#include <atomic>

class init_conversion {
public:
    // no_com: 1 leaves the thread's component runtime alone (there is none to start here).
    // Raises the internal error of a missing front end (the flag is then set again).
    init_conversion(std::atomic<bool>& finish_flag, int no_com);
    ~init_conversion();
    init_conversion(const init_conversion&) = delete;
    init_conversion& operator=(const init_conversion&) = delete;

private:
    std::atomic<bool>& m_finish_flag;
};

// The poll period of the front end during a run, in milliseconds.
inline constexpr int k_poll_period_ms = 200;
