#include "wizard/run_wizard.h"

#include <QApplication>
#include <QtGlobal>

#include "GUI2/window_thread.h"
#include "GUI2/wizard_art.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "common/gui_finish_page.h"
#include "common/mysql_dump_page.h"
#include "common/mysql_settings_page.h"
#include "common/ora_settings_page.h"
#include "common/progress_page.h"
#include "common/sel_file_page.h"
#include "converter/tabshift_convertor.h"
#include "wizard/kvt_sel_tables_page.h"
#include "wizard/kvt_sel_views_page.h"
#include "wizard/welcome_page.h"
#include "wizard/wizard_error_handler.h"

const wchar_t k_finish_success_text[] =
    L"Wizard has converted your Oracle database into\nMySQL data source successfully.\n\nClick "
    L"'Finish' to exit the wizard.";
const wchar_t k_finish_error_text[] =
    L"There were some errors while converting the database.\nClick 'Finish' to exit the wizard.";
const wchar_t k_profile_ext[] = L"kvt";

namespace {

// The oldest window library the wizard's widgets are written for (major * 65536 + minor).
constexpr unsigned k_min_window_library = 0x60002;

unsigned window_library_version() {
    const QStringList parts = QString::fromLatin1(qVersion()).split(QLatin1Char('.'));
    const unsigned major = parts.value(0).toUInt();
    const unsigned minor = parts.value(1).toUInt();
    return major * 65536 + minor;
}

}  // namespace

wizard_program::wizard_program(const std::string& command_line) {
    m_logger = std::make_unique<tk_logger>(nullptr, false, 3, false);
    m_handler = std::make_unique<wizard_error_handler>();

    const unsigned version = window_library_version();
    tk_log(2, "Qt version=%X", version);
    if (version < k_min_window_library) {
        wizard_shell::error(
            std::wstring(L"Incorrect version of the Qt library. Qt 6.2\nor later is required to "
                         L"proceed with the application."));
        m_status = -1;
        return;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        tk_log(3, "Failed to initialize GUI library");
        m_status = -1;
        return;
    }
    try {
        start(command_line);
        m_ready = true;
    } catch (const tk_exception& e) {
        m_handler->handle(e, true);
    } catch (const std::exception& e) {
        wizard_shell::error_ansi(e.what());
    }
}

void wizard_program::start(const std::string& command_line) {
    m_conv = std::make_unique<tabshift_convertor>();
    const bool from_profile = !command_line.empty();
    if (from_profile) {
        std::wstring path;
        try {
            path = tk_ansi_to_unicode(command_line);
        } catch (const tk_exception&) {
            throw tk_exception(
                std::string("The command line is not a profile file name: ") + command_line, 1);
        }
        // A conversion must never start with settings the user did not name: a profile that does
        // not load ends the wizard (in mode 0 the run would drop the destination database).
        if (!m_conv->load_profile_file(path))
            throw tk_exception(L"The profile '" + path + L"' could not be loaded.", 1);
    }
    m_shell = std::make_unique<wizard_shell>(get_caption(), k_icon_program, k_bitmap_watermark,
                                             k_bitmap_header);
    if (from_profile) {
        m_conv->connect_oracle_server(m_conv->m_source_name);
        m_conv->get_all_tables();
        if (m_conv->mysql_direct) m_conv->connect_mysql_server();
        m_conv->check_dest(m_conv->m_destination_name);
    }
    build_pages(from_profile);
}

void wizard_program::build_pages(bool from_profile) {
    if (!from_profile) {
        m_pages.push_back(std::make_unique<welcome_page_t>(k_profile_ext));
        m_pages.push_back(std::make_unique<oracle_settings_page>());
        m_pages.push_back(std::make_unique<mysql_dump_page>());
        m_pages.push_back(std::make_unique<mysql_settings_page>());
        m_pages.push_back(std::make_unique<sel_file_page>());
        m_pages.push_back(std::make_unique<kvt_sel_tables_page>());
        m_pages.push_back(std::make_unique<kvt_sel_views_page>());
    }
    m_pages.push_back(std::make_unique<progress_page>());
    m_pages.push_back(std::make_unique<gui_finish_page_t>(k_finish_success_text,
                                                          k_finish_error_text, k_profile_ext));
    for (const auto& page : m_pages) m_shell->add_page(page.get());
}

int wizard_program::run() {
    if (!m_ready) return m_status;
    try {
        return m_shell->run_modal();
    } catch (const tk_exception& e) {
        m_handler->handle(e, true);
    } catch (const std::exception& e) {
        wizard_shell::error_ansi(e.what());
    }
    return 0;
}

wizard_program::~wizard_program() {
    m_pages.clear();
    m_shell.reset();
    m_conv.reset();
    m_handler.reset();
    m_logger.reset();
}

int run_wizard(const std::string& command_line) {
    wizard_program program(command_line);
    return program.run();
}
