// wizard_shell: the wizard's sheet and the services every page and the conversion run use:
// message boxes with the program's caption, help by topic, the run's poll timer, the progress
// page's log box and the list of errors shown on the closing page.
//
// The sheet shows one page at a time (header with title and subtitle, or the watermark for the
// welcome and closing pages) with the buttons Help, Back, Next/Finish and Cancel, and turns them
// into the pages' operations (wizard_page.h): Next and Back follow the page's answer (neighbour,
// stay, or a jump by dialog id), a page that refuses activation is skipped in the direction of
// travel, Cancel and the close box ask the page, F1 asks the page for its help.  The modal run
// ends with 1 after Finish and 0 after Cancel.  An error a page lets escape ends the sheet after
// the error handler has shown it, as the main routine would.
//
// One instance per process (tk_singleton), and the run's front end (run_front_end).  Widgets are
// touched on the window thread only: start_timer, write_log, error and the message boxes may be
// called from a worker and then wait until the window thread has done the work.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <string>
#include <vector>

#include "GUI2/wizard_page.h"
#include "TK/tk_singleton.h"
#include "converter/run_front_end.h"

class QLabel;
class QPushButton;
class QStackedWidget;
class QTextBrowser;

class wizard_shell : public QDialog, public tk_singleton<wizard_shell>, public run_front_end {
public:
    using tk_singleton<wizard_shell>::instance;
    using tk_singleton<wizard_shell>::get_instance;
    using tk_singleton<wizard_shell>::find_instance;

    // Registers the one instance; the ids name the pictures of wizard_art.h.
    wizard_shell(const std::wstring& title, int icon_id, int watermark_id, int header_id);
    ~wizard_shell() override;

    // Appends a page (not owned; it must outlive the sheet's use of it).
    void add_page(wizard_page_base* page);
    // Shows the sheet modally from its first page; 1 after Finish, 0 after Cancel.
    int run_modal();

    // run_front_end: the run's poll timer (id 0x10000); raises tk_mail_assertion("g_wiz_sh", 260)
    // when it already runs, 268 when it cannot start.
    void start_timer(int period_ms) override;
    // Appends a line to the log box (control 1016) of the current page; nothing before any page
    // was activated or when the page has no such box.
    void write_log(const std::wstring& line) override;
    // A standard-library failure that ended the run: an error box.
    void error(const std::string& text) override;

    void stop_timer();
    bool timer_running() const noexcept { return m_timer_running; }
    // True when the shell exists.
    static bool is_initialized();
    // The caption and icon, set once (at the first page activation).
    void set_icon_and_title();

    // Message boxes titled with the caption and " Error" / " Message" / " Question" (without a
    // shell: "Error", "Message", "Question").  question() answers true for Yes; flags may hold
    // k_default_no.
    static void error(const std::wstring& text);
    static void message(const std::wstring& text);
    static bool question(const std::wstring& text, int flags = 0);
    // error() for narrow text in the ANSI code page.
    static void error_ansi(const std::string& text);

    // Enables a button of the sheet (k_id_back, k_id_next, k_id_finish, k_id_cancel, k_id_help).
    void enable_button(int id, bool enable);
    // The sheet's buttons for a page's button set (back, next, finish added together).
    void set_wizard_buttons(int buttons);

    // Help: the index page of the help folder, or the page of a topic; a missing folder or page
    // shows "Help file does not exist. Reinstall the program.".
    void display_help();
    void display_help(int topic);
    // The window of the last help page opened (null when closed).
    QDialog* help_window() const { return m_help.data(); }

    // The buttons of the sheet, as a user presses them.
    void press_next();
    void press_back();
    void press_finish();
    void press_cancel();
    void press_help();
    // Makes the page of dialog `idd` current (the first of that id).
    void set_cur_sel_id(int idd);

    wizard_page_base* current_page() const;
    int current_index() const noexcept { return m_current; }
    const std::vector<wizard_page_base*>& pages() const noexcept { return m_pages; }
    const std::wstring& title() const noexcept { return m_title; }

    // Errors for the closing page, at most k_max_errors kept (window thread).
    std::vector<std::string> error_list;
    static constexpr std::size_t k_max_errors = 20;
    // Every error of the run, the ones beyond the list included.
    std::size_t errors_total = 0;

    // The page whose log box write_log fills; set by each page on activation.
    QWidget* current_page_window = nullptr;
    // Where the help pages live; beside the program by default.
    QString help_dir;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void activate(int index, int direction);
    int index_of(int idd) const;
    void update_frame(const wizard_page_base& page);
    void on_tick();
    // Runs a page operation; an error it lets escape is shown and ends the sheet.
    template <class F>
    void guarded(F work);
    void end_with_error(const std::exception* e, bool is_tk);

    std::wstring m_title;
    int m_icon_id;
    bool m_timer_running = false;
    bool m_title_set = false;
    QPixmap m_watermark;
    QPixmap m_header;
    QTimer m_timer;
    std::vector<wizard_page_base*> m_pages;
    int m_current = -1;
    QStackedWidget* m_stack = nullptr;
    QWidget* m_header_box = nullptr;
    QLabel* m_header_title = nullptr;
    QLabel* m_header_subtitle = nullptr;
    QLabel* m_watermark_box = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_finish = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_help_button = nullptr;
    QPointer<QDialog> m_help;
    QTextBrowser* m_help_view = nullptr;
};
