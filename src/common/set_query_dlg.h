// set_query_dlg: the dialog "Add Query" (128) that adds or edits a query stored as a table: the
// table name and a SELECT statement, with a test of the statement against the source database.
// OK refuses an empty name, a statement that does not begin with SELECT, and an empty statement.
// Thread-safety: window thread only.
#pragma once

#include <QDialog>
#include <string>

class set_query_dlg : public QDialog {
public:
    set_query_dlg(const std::wstring& name, const std::wstring& query, QWidget* owner = nullptr);

    void on_init();
    // Reads the statement (up to 10000 characters) into `query` from its first non-blank
    // character; true when it is empty or at least 6 characters beginning with SELECT (any case).
    bool check_query();
    void on_test_query();
    void on_ok();
    void on_cancel();

    std::wstring name;
    std::wstring query;

    static constexpr int k_help_topic = 1017;

protected:
    void reject() override { on_cancel(); }
};

// The query test's failure text: the syntax hint and where to turn when it persists.
extern const wchar_t k_query_test_failed[];
