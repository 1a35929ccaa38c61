// The Oracle connection page (132): host, database (service) name, port, user and password.  On
// Next the settings go to the converter's Oracle half and the connection is tried on a worker
// thread while the modal wait dialog animates; the page is left only when it succeeded (for the
// MySQL page in the server scenario, the dump options otherwise).  Errors are shown here: Oracle
// errors with their advice text (and the connection help for the errors that mean "cannot reach
// the listener"), other errors through the error handler.
//
// ora_settings_page2 is the same page without the database box.
// Thread-safety: window thread, except animation::operator(), which runs on the page's worker
// and reaches windows only through the shell's services.
#pragma once

#include <atomic>

#include "GUI2/animation_dlg.h"
#include "GUI2/functor_thread.h"
#include "GUI2/wizard_art.h"
#include "GUI2/wizard_page.h"
#include "TK/tk_thread_functor.h"

class ora_settings_page2 : public wizard_page<132, k_wiz_back | k_wiz_next, k_page_has_help> {
public:
    // The page without the database box unless `with_database`.
    explicit ora_settings_page2(bool with_database = false);

    bool page_init() override;
    void on_help() override;
    virtual void store_settings();

protected:
    // Hands host, user, password and port to the Oracle half.
    void store_connection();
};

class oracle_settings_page : public ora_settings_page2 {
public:
    // The wait dialog of the connection attempt, and the attempt itself.
    class animation : public animation_dlg, public tk_thread_functor {
    public:
        animation(oracle_settings_page& page);
        // On the worker: connects with the source name; closes the dialog in every case.
        void operator()() override;

    private:
        oracle_settings_page& m_page;
    };

    oracle_settings_page();
    ~oracle_settings_page() override;

    bool page_init() override;
    void store_settings() override;
    int on_next() override;
    int on_back() override;

    // Set by the worker when the connection succeeded.
    std::atomic<bool> connected{false};

private:
    animation m_animation;
    functor_thread m_thread;
};
