// file_dialog, open_file_dialog, save_file_dialog: the file choosers of the wizard (dump file, log
// file, profiles).  A dialog starts in the folder of its initial path with the path's bare name
// (no folder, no extension) typed in; while it runs, the process's working directory is that
// folder.  run() answers true when the user chose a file; path() is the choice.  A save dialog
// appends its default extension when the chosen name holds it nowhere.
// Thread-safety: window thread only (the working directory is the process's).
#pragma once

#include <QFileDialog>
#include <string>
#include <utility>
#include <vector>

class QWidget;

class file_dialog {
public:
    // (text, pattern) pairs, e.g. {"MySQL Dump Files (.sql)", "*.sql"}.
    using filter_list = std::vector<std::pair<std::wstring, std::wstring>>;

    file_dialog(QWidget* owner, filter_list filter, std::wstring title,
                const std::wstring& initial_path);
    virtual ~file_dialog() = default;

    // Shows the dialog modally; true when a file was chosen.
    virtual bool run() = 0;
    const std::wstring& path() const noexcept { return m_path; }
    const std::wstring& initial_name() const noexcept { return m_file; }
    const std::wstring& initial_dir() const noexcept { return m_dir; }

    // A filter text of "text|pattern|text|pattern|" form as a pair list.
    static filter_list split_filter(const std::wstring& bars);

protected:
    bool run_dialog(QFileDialog::AcceptMode accept, QFileDialog::FileMode mode,
                    const std::wstring& default_ext);

    QWidget* m_owner;
    filter_list m_filter;
    std::wstring m_title;
    std::wstring m_file;
    std::wstring m_dir;
    std::wstring m_path;
};

class open_file_dialog : public file_dialog {
public:
    using file_dialog::file_dialog;
    bool run() override;
};

class save_file_dialog : public file_dialog {
public:
    // A default extension without a leading "." gets one.
    save_file_dialog(QWidget* owner, filter_list filter, std::wstring title,
                     const std::wstring& initial_path, const std::wstring& default_ext);
    bool run() override;
    const std::wstring& default_ext() const noexcept { return m_ext; }

private:
    std::wstring m_ext;
};

// The profile filter "Profile Files (.kvt)|*.kvt|All Files (*.*)|*.*|" for an extension.
std::wstring profile_filter_text(const std::wstring& ext);
