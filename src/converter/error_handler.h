// error_handler: the process-wide object through which the run, the pages and the agent report
// errors to the user.  The core kept here is shared by both programs: the advice texts that replace
// the raw message of well-known Oracle and MySQL errors, the prefix that names the table (and
// record) an error belongs to, and the flag that silences further dialogs.  How an error is shown
// (`handle`) belongs to the front end: the wizard and the console agent each derive their own.
//
// One instance per process (tk_singleton).  No lock: the prefix is written by the run only, and the
// texts are read-only after start-up.
#pragma once

#include <map>
#include <string>

#include "TK/tk_error_converter.h"
#include "TK/tk_exception.h"
#include "TK/tk_singleton.h"

class error_handler : public tk_singleton<error_handler> {
public:
    // Registers the instance (when the slot is empty) with the given advice texts.
    error_handler(int count, const tk_error_pair* table);
    ~error_handler() override;

    // Adds advice texts; a null table raises tk_mail_assertion("tk_errco", 43).
    void load_err_map(int count, const tk_error_pair* table);
    // The prefix becomes the text in the ANSI code page (empty when it cannot be converted).
    void set_error_text(const std::wstring& text);
    // The prefix becomes "<table>, record #<n>", the table name shortened with "..." when the
    // whole would pass 255 characters.
    void format_record_error(const std::wstring& table, int record);

    // Shows the error as the front end does; `stop` is set when the run ends with it anyway.
    // Raises tk_final_exception when the user chose to stop the run.
    virtual void handle(const tk_exception& e, bool stop) = 0;

    // The text a front end shows: the prefix and ": " when there is one, then the advice text of
    // the code, or the exception's own message when the code has none.
    std::string compose_text(const tk_exception& e) const;

    std::string prefix;
    bool dont_show = false;
    std::multimap<int, int> help_topics;
    tk_error_converter texts;
};

// The advice texts of the Oracle errors (12) and of the MySQL errors, in load order.
constexpr int k_mysql_error_text_count = 14;
extern const tk_error_pair oracle_error_texts[12];
extern const tk_error_pair mysql_error_texts[k_mysql_error_text_count];

// `format` with one wide %s (the name) and one %d, kept within 255 characters by shortening the
// name with "..." (a line never grows past the report buffers of the front ends).
std::wstring format_name_line(const wchar_t* format, const std::wstring& name, int number);
