// Handing an e-mail to the desktop's mail composer (xdg-email), which shows it to the user for
// sending.  The composer is looked up on PATH; without one, mail cannot be offered.  The message
// travels as program arguments, never through a shell.  Thread-safe.
#pragma once

#include <string>

struct win_mail_message {
    std::string subject;
    std::string body;
    std::string recipient;      // an address or a display name
    std::string date_received;  // kept with the message, not shown by the composer
};

constexpr int WIN_MAIL_SUCCESS = 0;
constexpr int WIN_MAIL_FAILURE = 2;

// The path of the mail composer on PATH; empty when there is none.
std::string win_find_mail_client();
// Runs the composer at client_path with the message and waits for it to hand over; answers
// WIN_MAIL_SUCCESS, or WIN_MAIL_FAILURE when it cannot be started or reports a failure.
int win_send_mail(const std::string& client_path, const win_mail_message& message);
