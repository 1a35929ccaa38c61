// tk_signal_cleanup: the one file a process must not leave behind when a termination signal ends
// it (SIGTERM, SIGINT, SIGHUP).  A dump is written to a temporary file beside its destination and
// renamed over it only when complete; a run killed half-way removes that temporary file on its way
// out, so nothing but the previous, whole file is left at the destination.
//
// One slot: a process writes one such file at a time.  Registering and forgetting are meant for
// the run's thread; the handler itself only reads the slot (async-signal-safe).
#pragma once

#include <string>

// Makes `path` the file removed when a termination signal arrives (replacing an earlier one).
void tk_remove_on_signal(const std::string& path);
// Empties the slot: the file was renamed or removed by its owner.
void tk_forget_on_signal() noexcept;
// Installs the handlers: each removes the registered file, then ends the process by the same
// signal with its default action, so that the parent sees the real cause.
void tk_install_signal_cleanup();
