// TCmdLine and ansi_cmd_line: a reader of command-line arguments against a fixed table of option
// prefixes.  Each argument is matched, when it becomes current, to the first table entry whose
// prefix begins it; the table ends with an entry whose empty prefix matches anything, and such
// arguments are kept as unmatched (at most 20).  A prefix ending in "=" takes a value: the rest of
// the argument.
//
// The reader borrows the argument vector and the table; both must outlive it.  Misuse (reading
// past the last argument, a 21st unmatched argument) is an internal error.  One thread.
#pragma once

// One option of a table: its id and its prefix ("" ends the table).
struct tk_cmd_option {
    int id;
    const char* prefix;
};

class TCmdLine {
public:
    virtual ~TCmdLine() = default;
    // Moves to the next argument; none left raises tk_mail_assertion("tk_cmdli", 60).
    virtual void next() = 0;
    // True while an argument remains.
    virtual bool has_more() const = 0;
};

class ansi_cmd_line : public TCmdLine {
public:
    static constexpr int k_max_unmatched = 20;

    // Over argv[1] .. argv[argc - 1]; the first argument is matched at once.
    ansi_cmd_line(int argc, char** argv, const tk_cmd_option* options);

    void next() override;
    bool has_more() const override { return m_remaining > 0; }

    // The current argument's option id (-1: unmatched); none left raises line 140.
    int id() const;
    // The current argument behind the matched prefix; none left raises line 140.
    const char* value() const;
    int unmatched_count() const noexcept { return m_unmatched_count; }
    const char* unmatched(int i) const noexcept { return m_unmatched[i]; }

private:
    void match();

    const tk_cmd_option* m_options;
    const char* m_value = nullptr;
    int m_id = -1;
    int m_unmatched_count = 0;
    const char* m_unmatched[k_max_unmatched] = {};
    char** m_cursor;
    int m_remaining;
};
