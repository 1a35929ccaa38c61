// wizard_page: the base of every page of the wizard's sheet.  The sheet (wizard_shell) turns its
// page notifications into the virtual operations below (initialise on every activation, next,
// back, cancel, help, leave, finish, timer), so that a page only fills in what is particular to
// it; the page also carries the helpers all pages share.
//
// Results of on_next / on_back: 0 the neighbouring page in sheet order, -1 stay, or the dialog id
// of the page to jump to.  page_init() false makes the sheet skip the page in the direction of
// travel.  Every page's controls carry their ids as objectName.
//
// Thread-safety: window thread only.  A missing shell or converter where a page needs one is an
// internal error.
#pragma once

#include <QFont>
#include <QListWidget>
#include <QString>
#include <QWidget>
#include <memory>
#include <string>

#include "GUI2/gui_ids.h"
#include "GUI2/window_thread.h"

class wizard_page_base : public QWidget {
public:
    wizard_page_base(int idd, int buttons, int flags);
    ~wizard_page_base() override;

    int dialog_id() const noexcept { return m_idd; }
    int wizard_buttons() const noexcept { return m_buttons; }
    int page_flags() const noexcept { return m_flags; }
    const QString& header_title() const noexcept { return m_header_title; }
    const QString& header_subtitle() const noexcept { return m_header_subtitle; }

    // The page becomes the current one: buttons, caption, current page, then page_init.
    // Answers page_init's verdict.
    bool on_set_active();

    // Called on every activation; false skips the page.
    virtual bool page_init() { return true; }
    // False keeps the page current.
    virtual bool on_kill_active() { return true; }
    // False refuses Finish.
    virtual bool on_finish() { return true; }
    virtual void on_help() {}
    virtual int on_next() { return 0; }
    virtual int on_back() { return 0; }
    // Asks "Are you sure you want to exit the wizard?"; true lets the sheet end.
    virtual bool on_cancel();
    // A tick of a timer forwarded by the sheet.
    virtual void on_timer(int timer_id) { (void)timer_id; }

    // Flips a check box; a missing box is an internal error ("g_wiz_pg", 123).
    void invert_chbox(int id);
    void enable_ctrl(int id, bool enable);
    void show_ctrl(int id, bool show);
    // Sets the big title font on a control.
    void set_title_font(int id);
    // True when the box holds the control id (as objectName) below the page.
    bool is_checked(int id) const;
    void set_checked(int id, bool checked);
    QString ctrl_text(int id) const;
    void set_ctrl_text(int id, const QString& text);

    template <class T = QWidget>
    T* ctrl(int id) const {
        return find_ctrl<T>(this, id);
    }

protected:
    void set_header(const QString& title, const QString& subtitle);

private:
    int m_idd;
    int m_buttons;
    int m_flags;
    QString m_header_title;
    QString m_header_subtitle;
    std::unique_ptr<QFont> m_title_font;
};

// A page on dialog IDD with its button set and page flags.
template <int IDD, int Buttons, int Flags>
class wizard_page : public wizard_page_base {
public:
    static constexpr int k_idd = IDD;
    wizard_page() : wizard_page_base(IDD, Buttons, Flags) {}
};

// True when `text` is NOT among the list's items (compared ignoring case): the item is new.
bool list_box_find_text(const QString& text, const QListWidget& list);
