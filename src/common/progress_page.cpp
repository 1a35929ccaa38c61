#include "common/progress_page.h"

#include <QCoreApplication>
#include <QLabel>
#include <QThread>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QVBoxLayout>

#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "converter/tabshift_convertor.h"

progress_page::progress_page() : m_thread(nullptr) {
    tk_log(2, "progress_page::ctor");
    set_header(QStringLiteral("Step 6 of 6"), QStringLiteral("Database conversion is in progress"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(make_label(
        this, 0,
        QStringLiteral("Database conversion is in progress. Please wait until wizard completes\n"
                       "migrating your Oracle database to MySQL server.")));
    QPlainTextEdit* box = make_text_box(this, k_ctl_log_box);
    box->setReadOnly(true);
    layout->addWidget(box, 1);
    layout->addWidget(make_label(this, k_ctl_progress_table, QString()));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(ctrl_name(k_ctl_progress_bar));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    layout->addWidget(m_bar);
}

progress_page::~progress_page() {
    stop_run();
}

bool progress_page::page_init() {
    tk_log(2, "progress_page::page_init");
    wizard_shell& shell = wizard_shell::instance();
    shell.set_wizard_buttons(0);
    m_bar->setValue(0);
    auto* box = ctrl<QPlainTextEdit>(k_ctl_log_box);
    box->clear();
    box->setProperty("text_limit", k_text_limit);
    box->setReadOnly(true);
    m_thread.set_functor(&tabshift_convertor::instance());
    m_thread.start();
    return true;
}

unsigned progress_page::progress(std::uint32_t tables, std::uint32_t done, std::uint32_t records,
                                 std::uint32_t current) {
    if (tables == 0) return 0;
    // Wide enough for any record count: C x 100 never wraps.
    std::uint64_t value = std::uint64_t{done} * 100 / tables;
    if (records != 0) value += (std::uint64_t{current} * 100 / records) / tables;
    return value > 100 ? 100u : static_cast<unsigned>(value);
}

void progress_page::on_timer(int timer_id) {
    if (timer_id != k_sheet_timer_id) return;
    tk_log(1, "progress_page::on_timer");
    tabshift_convertor& conv = tabshift_convertor::instance();
    const auto as_unsigned = [](int v) { return static_cast<std::uint32_t>(v); };
    const unsigned value = progress(as_unsigned(conv.tables_total), as_unsigned(conv.tables_done),
                                    as_unsigned(conv.table_records), as_unsigned(conv.cur_record));
    tk_log(1, "Got progress: %d", static_cast<int>(value));
    m_bar->setValue(static_cast<int>(value));
    const std::wstring table = conv.get_cur_table();
    set_ctrl_text(
        k_ctl_progress_table,
        table.empty() ? QString() : QStringLiteral("Processing table '%1'").arg(to_qt(table)));
    if (conv.m_finished) {
        wizard_shell& shell = wizard_shell::instance();
        shell.stop_timer();
        shell.set_cur_sel_id(116);
    }
}

bool progress_page::on_cancel() {
    if (!wizard_page_base::on_cancel()) return false;
    stop_run();
    return true;
}

void progress_page::stop_run() {
    if (!m_thread.is_running()) return;
    tk_thread_functor* run = m_thread.functor();
    // Asked again while waiting: a run that was only starting clears a request made before it
    // began.
    while (m_thread.is_running()) {
        if (run) run->request_stop();
        if (is_window_thread()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    m_thread.release();
    if (wizard_shell* shell = wizard_shell::find_instance()) shell->stop_timer();
}

void progress_page::on_help() {
    wizard_shell::instance().display_help();
}
