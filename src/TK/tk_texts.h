// The toolkit's fixed message texts, shared by the exceptions and the converter base.
#pragma once

inline constexpr const char tk_text_unknown_exception[] = "Unknown exception";
inline constexpr const char tk_text_internal_error[] = "Internal error: \ncode=";
inline constexpr const char tk_text_logfile_read_only[] =
    "Logfile name specifies an existing read-only file.";
inline constexpr const char tk_text_logfile_no_path[] =
    "Logfile path does not exist.\nPlease verify the correct path was given.";
inline constexpr const char tk_text_logfile_is_path[] = "Logfile name specifies an existing path.";
