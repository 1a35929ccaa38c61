// The frame the two error dialogs share: the system error icon, the message (control 1320) and
// a row for the buttons; the caption is the shell's title and " Error", or "Error" without a shell.
// Thread-safety: window thread only.
#pragma once

#include <string>

class QDialog;
class QHBoxLayout;

// Lays out icon and message in `dialog`; answers the empty button row.
QHBoxLayout* build_error_frame(QDialog& dialog);
// Sets the caption and the message.
void init_error_frame(QDialog& dialog, const std::wstring& message);
