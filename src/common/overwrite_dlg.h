// overwrite_dlg2 / overwrite_dlg3: what to do with a destination database that already exists.
// The radio buttons give the converter's mode: 0 overwrite the entire database, 1 overwrite
// existing tables only, 2 skip existing tables, 3 merge, and (overwrite_dlg3 only, which shows
// the fifth choice) 4 synchronize.  exec() answers 1 for OK (then `mode` holds the choice) or 0
// for Cancel; Help opens the dialog's topic.
// Thread-safety: window thread only.
#pragma once

#include <QDialog>
#include <string>

#include "converter/overwrite_mode.h"

class overwrite_dlg2 : public QDialog {
public:
    overwrite_dlg2(int help_topic, const std::wstring& text, QWidget* owner = nullptr);

    // Caption, text, first choice, placement.
    void on_init();
    // Reads the mode from the radio buttons and closes with OK; none checked is an internal
    // error ("over_dlg", 223).
    void on_ok();

    std::wstring message;
    int help_topic;
    int mode = k_mode_overwrite_database;

protected:
    void showEvent(QShowEvent* event) override;
    bool m_with_sync = false;
};

class overwrite_dlg3 : public overwrite_dlg2 {
public:
    overwrite_dlg3(int help_topic, const std::wstring& text, QWidget* owner = nullptr);
};
