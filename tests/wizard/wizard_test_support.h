// Shared pieces of the wizard's tests: the offscreen application, a script of answers for the
// modal windows the wizard opens (message boxes, dialogs, file choosers), and a fixture that
// builds the whole wizard over a private settings folder, with the embedded Oracle instance DEMO
// reachable by its service name and the private MariaDB for the server scenario.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "GUI2/wizard_page.h"
#include "GUI2/wizard_shell.h"
#include "ORA/ora_test_support.h"
#include "SQL/sql_test_env.h"
#include "converter/tabshift_convertor.h"
#include "wizard/run_wizard.h"

// The one application object of the test program, on the offscreen platform.
QApplication& test_app();

// Answers modal windows as they appear, in order.  A window that appears with no answer left is
// recorded in `unexpected` and closed, so that a test fails instead of hanging.  The wait dialog
// of the Oracle connection (101) animates by itself and is never answered.
class modal_script {
public:
    using handler = std::function<void(QWidget*)>;

    modal_script();
    ~modal_script();

    // Queues the answer for the next modal window.
    modal_script& then(handler h);
    // Presses a message box button (the box's caption and text are recorded).
    modal_script& answer(QMessageBox::StandardButton button);
    // Clicks the control with this id in the next modal window.
    modal_script& click(int id);
    // Chooses a file in the next file chooser (or cancels it for an empty path).
    modal_script& choose_file(const std::string& path);
    std::size_t pending() const noexcept { return m_queue.size(); }

    // "caption|text" of every message box answered.
    std::vector<std::string> boxes;
    std::vector<std::string> unexpected;

private:
    void poll();

    QTimer m_timer;
    std::deque<handler> m_queue;
    QPointer<QWidget> m_last;
};

// The wizard as the program builds it without a command line, shown (not modal) on the offscreen
// screen; each test has its own settings folder and an empty trace of what it did.
class wizard_test : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Builds (or rebuilds) the program with a command line; shows the sheet when it is ready.
    void start_program(const std::string& command_line = std::string());

    wizard_shell& shell() { return *program->shell(); }
    tabshift_convertor& conv() { return *program->converter(); }
    wizard_page_base& page() { return *shell().current_page(); }
    int page_id() { return page().dialog_id(); }

    template <class T = QWidget>
    T* ctrl(int id) {
        T* found = find_ctrl<T>(&page(), id);
        EXPECT_NE(found, nullptr) << "no control " << id << " on page " << page_id();
        return found;
    }
    void type(int id, const QString& text);
    void click(int id);
    void next() { shell().press_next(); }
    void back() { shell().press_back(); }

    // Welcome page -> Oracle page with the scenario chosen.
    void to_oracle_page(bool direct);
    // Fills the Oracle page for DEMO (or the given user) and presses Next.
    void connect_oracle(const QString& user = "DEMO", const QString& password = "demo");
    // Fills the MySQL page for the private server and presses Next.
    void connect_mysql();
    // Dump scenario from the welcome page to the table page, writing into this file.
    void to_dump_tables(const std::string& dump_file);
    // From the table page (selection made) through the view page, none chosen, to the closing
    // page, which must tell success.
    void run_to_closing_page();
    // A database name for this test, dropped at tear-down.
    std::string new_database(const char* stem);
    // A file path in the test's folder.
    std::string file(const std::string& name) const { return work + "/" + name; }

    static inline std::unique_ptr<ora_test_instance> s_demo;
    std::string work;
    std::unique_ptr<modal_script> script;
    std::unique_ptr<wizard_program> program;
    std::vector<std::string> databases;
};
