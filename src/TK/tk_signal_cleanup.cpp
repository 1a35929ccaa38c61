#include "TK/tk_signal_cleanup.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>

namespace {

// Longer paths are not registered: a handler cannot allocate.  PATH_MAX on Linux.
constexpr std::size_t k_slot_size = 4096;

char g_slot[k_slot_size];
std::atomic<bool> g_armed{false};

void remove_and_reraise(int signal_number) {
    if (g_armed.exchange(false)) ::unlink(g_slot);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

}  // namespace

void tk_remove_on_signal(const std::string& path) {
    g_armed.store(false);
    if (path.size() >= k_slot_size) return;
    std::memcpy(g_slot, path.c_str(), path.size() + 1);
    g_armed.store(true);
}

void tk_forget_on_signal() noexcept {
    g_armed.store(false);
}

void tk_install_signal_cleanup() {
    struct sigaction action {};
    action.sa_handler = remove_and_reraise;
    sigemptyset(&action.sa_mask);
    for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal_number, &action, nullptr);
}
