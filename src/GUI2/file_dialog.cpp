#include "GUI2/file_dialog.h"

#include <QApplication>

#include "GUI2/window_thread.h"
#include "TK/tk_exception.h"
#include "TK/tk_file_wname.h"
#include "TK/tk_logger.h"
#include "TK/tk_temp_chdir.h"
#include "TK/tk_utils.h"

file_dialog::file_dialog(QWidget* owner, filter_list filter, std::wstring title,
                         const std::wstring& initial_path)
    : m_owner(owner), m_filter(std::move(filter)), m_title(std::move(title)) {
    try {
        tk_file_wname parts(initial_path.c_str());
        m_file = parts.name();
        m_dir = parts.drive() + parts.dir();
    } catch (const tk_exception&) {
        // A path that cannot be split starts the dialog in the working directory.
    }
}

file_dialog::filter_list file_dialog::split_filter(const std::wstring& bars) {
    filter_list pairs;
    const std::vector<std::wstring> parts = tk_split(bars, L'|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty()) break;
        pairs.emplace_back(parts[i], parts[i + 1]);
    }
    return pairs;
}

bool file_dialog::run_dialog(QFileDialog::AcceptMode accept, QFileDialog::FileMode mode,
                             const std::wstring& default_ext) {
    std::string dir;
    try {
        dir = tk_to_ansi(m_dir);
    } catch (const tk_exception&) {
        return false;
    }
    tk_temp_chdir keep(dir);
    QFileDialog dialog(m_owner ? m_owner : QApplication::activeModalWidget(), to_qt(m_title),
                       to_qt(m_dir));
    dialog.setObjectName(QStringLiteral("file_dialog"));
    // One look on every desktop, and a dialog that tests and screenshots can drive.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The pages ask their own question about an existing file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(accept);
    dialog.setFileMode(mode);
    QStringList filters;
    for (const auto& [text, pattern] : m_filter) {
        // "*.*" means every file here, also those without an extension.
        const QString qt_pattern = pattern == L"*.*" ? QStringLiteral("*") : to_qt(pattern);
        filters << to_qt(text) + QStringLiteral(" (") + qt_pattern + QLatin1Char(')');
    }
    dialog.setNameFilters(filters);
    if (!default_ext.empty()) dialog.setDefaultSuffix(to_qt(default_ext.substr(1)));
    if (!m_file.empty()) dialog.selectFile(to_qt(m_file));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    m_path = from_qt(dialog.selectedFiles().front());
    return true;
}

bool open_file_dialog::run() {
    return run_dialog(QFileDialog::AcceptOpen, QFileDialog::ExistingFile, std::wstring());
}

save_file_dialog::save_file_dialog(QWidget* owner, filter_list filter, std::wstring title,
                                   const std::wstring& initial_path,
                                   const std::wstring& default_ext)
    : file_dialog(owner, std::move(filter), std::move(title), initial_path), m_ext(default_ext) {
    if (!m_ext.empty() && m_ext[0] != L'.') m_ext.insert(0, 1, L'.');
}

bool save_file_dialog::run() {
    if (!run_dialog(QFileDialog::AcceptSave, QFileDialog::AnyFile, m_ext)) return false;
    if (!m_ext.empty() && m_path.find(m_ext) == std::wstring::npos) m_path += m_ext;
    return true;
}

std::wstring profile_filter_text(const std::wstring& ext) {
    return L"Profile Files (." + ext + L")|*." + ext + L"|All Files (*.*)|*.*|";
}
