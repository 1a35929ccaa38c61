#include "GUI2/wizard_shell.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "GUI2/gui_ids.h"
#include "GUI2/wizard_art.h"
#include "TK/tk_data_path.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "converter/error_handler.h"

namespace {

// A message box of the program: owned by the sheet when there is one, caption by the rule of the
// shell.  Answers the button pressed.
QMessageBox::StandardButton show_box(QMessageBox::Icon icon, const char* kind,
                                     const std::wstring& text, QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton default_button) {
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    on_window_thread([&] {
        wizard_shell* shell = wizard_shell::find_instance();
        const QString caption =
            shell ? to_qt(shell->title()) + QLatin1Char(' ') + kind : QString::fromLatin1(kind);
        QWidget* owner = shell;
        if (QWidget* modal = QApplication::activeModalWidget()) owner = modal;
        QMessageBox box(icon, caption, to_qt(text), buttons, owner);
        box.setObjectName(QStringLiteral("message_box"));
        if (default_button != QMessageBox::NoButton) box.setDefaultButton(default_button);
        answer = static_cast<QMessageBox::StandardButton>(box.exec());
    });
    return answer;
}

}  // namespace

wizard_shell::wizard_shell(const std::wstring& title, int icon_id, int watermark_id, int header_id)
    : m_title(title), m_icon_id(icon_id) {
    tk_wlog(2, L"wizard_shell::ctor(%s)", title.c_str());
    setObjectName(QStringLiteral("wizard_shell"));
    m_watermark = wizard_pixmap(watermark_id);
    m_header = wizard_pixmap(header_id);
    help_dir = QString::fromStdString(tk_data_path("help"));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    m_header_box = new QWidget(this);
    m_header_box->setObjectName(QStringLiteral("header"));
    m_header_box->setAutoFillBackground(true);
    QPalette header_palette = m_header_box->palette();
    header_palette.setColor(QPalette::Window, Qt::white);
    m_header_box->setPalette(header_palette);
    auto* header_layout = new QHBoxLayout(m_header_box);
    header_layout->setContentsMargins(24, 10, 12, 10);
    auto* header_texts = new QVBoxLayout();
    m_header_title = new QLabel(m_header_box);
    m_header_title->setObjectName(QStringLiteral("header_title"));
    QFont bold = m_header_title->font();
    bold.setBold(true);
    m_header_title->setFont(bold);
    m_header_subtitle = new QLabel(m_header_box);
    m_header_subtitle->setObjectName(QStringLiteral("header_subtitle"));
    m_header_subtitle->setIndent(16);
    header_texts->addWidget(m_header_title);
    header_texts->addWidget(m_header_subtitle);
    header_layout->addLayout(header_texts, 1);
    auto* header_picture = new QLabel(m_header_box);
    header_picture->setPixmap(m_header);
    header_layout->addWidget(header_picture);
    outer->addWidget(m_header_box);
    auto* header_rule = new QFrame(this);
    header_rule->setFrameShape(QFrame::HLine);
    header_rule->setFrameShadow(QFrame::Sunken);
    header_rule->setObjectName(QStringLiteral("header_rule"));
    outer->addWidget(header_rule);

    auto* body = new QHBoxLayout();
    body->setSpacing(0);
    m_watermark_box = new QLabel(this);
    m_watermark_box->setObjectName(QStringLiteral("watermark"));
    m_watermark_box->setPixmap(m_watermark);
    m_watermark_box->setScaledContents(true);
    m_watermark_box->setFixedWidth(m_watermark.width());
    body->addWidget(m_watermark_box);
    m_stack = new QStackedWidget(this);
    m_stack->setContentsMargins(20, 12, 20, 8);
    body->addWidget(m_stack, 1);
    outer->addLayout(body, 1);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    outer->addWidget(rule);
    auto* buttons = new QHBoxLayout();
    buttons->setContentsMargins(10, 8, 10, 10);
    auto button = [this](int id, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(ctrl_name(id));
        b->setAutoDefault(false);
        return b;
    };
    m_help_button = button(k_id_help, QStringLiteral("Help"));
    m_back = button(k_id_back, QStringLiteral("< &Back"));
    m_next = button(k_id_next, QStringLiteral("&Next >"));
    m_finish = button(k_id_finish, QStringLiteral("Finish"));
    m_cancel = button(k_id_cancel, QStringLiteral("Cancel"));
    m_next->setDefault(true);
    buttons->addWidget(m_help_button);
    buttons->addStretch(1);
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    buttons->addWidget(m_finish);
    buttons->addSpacing(8);
    buttons->addWidget(m_cancel);
    outer->addLayout(buttons);
    m_finish->hide();

    connect(m_back, &QPushButton::clicked, this, [this] { press_back(); });
    connect(m_next, &QPushButton::clicked, this, [this] { press_next(); });
    connect(m_finish, &QPushButton::clicked, this, [this] { press_finish(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { press_cancel(); });
    connect(m_help_button, &QPushButton::clicked, this, [this] { press_help(); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, [this] { press_help(); });
    connect(&m_timer, &QTimer::timeout, this, [this] { on_tick(); });

    setFixedSize(600, 440);
}

wizard_shell::~wizard_shell() {
    tk_log(2, "wizard_shell::dtor");
    m_title_set = false;
    stop_timer();
    if (m_help) delete m_help.data();
    error_list.clear();
    m_pages.clear();
    // The pages belong to the main routine, which destroys them after the sheet.
    while (m_stack && m_stack->count() > 0) {
        QWidget* page = m_stack->widget(0);
        m_stack->removeWidget(page);
        page->setParent(nullptr);
    }
}

void wizard_shell::add_page(wizard_page_base* page) {
    m_pages.push_back(page);
    m_stack->addWidget(page);
}

int wizard_shell::run_modal() {
    return exec();
}

void wizard_shell::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_current < 0 && !m_pages.empty()) guarded([this] { activate(0, +1); });
}

void wizard_shell::reject() {
    press_cancel();
}

wizard_page_base* wizard_shell::current_page() const {
    return m_current >= 0 ? m_pages[static_cast<std::size_t>(m_current)] : nullptr;
}

int wizard_shell::index_of(int idd) const {
    for (std::size_t i = 0; i < m_pages.size(); ++i)
        if (m_pages[i]->dialog_id() == idd) return static_cast<int>(i);
    return -1;
}

void wizard_shell::activate(int index, int direction) {
    for (; index >= 0 && index < static_cast<int>(m_pages.size()); index += direction) {
        wizard_page_base* page = m_pages[static_cast<std::size_t>(index)];
        const int previous = m_current;
        m_current = index;
        update_frame(*page);
        m_stack->setCurrentWidget(page);
        if (page->on_set_active()) return;
        m_current = previous;
    }
    // Nothing left to show in that direction: the page before stays.
    if (wizard_page_base* page = current_page()) {
        update_frame(*page);
        m_stack->setCurrentWidget(page);
        page->on_set_active();
    }
}

void wizard_shell::update_frame(const wizard_page_base& page) {
    const bool plain = (page.page_flags() & k_page_hide_header) != 0;
    m_header_box->setVisible(!plain);
    if (QWidget* rule = findChild<QWidget*>(QStringLiteral("header_rule")))
        rule->setVisible(!plain);
    m_watermark_box->setVisible(plain);
    m_header_title->setText(page.header_title());
    m_header_subtitle->setText(page.header_subtitle());
    m_help_button->setVisible((page.page_flags() & k_page_has_help) != 0 || !plain);
}

void wizard_shell::set_wizard_buttons(int buttons) {
    m_back->setEnabled((buttons & k_wiz_back) != 0);
    const bool finish = (buttons & k_wiz_finish) != 0;
    m_next->setVisible(!finish);
    m_next->setEnabled((buttons & k_wiz_next) != 0);
    m_finish->setVisible(finish);
    m_finish->setEnabled(finish);
    (finish ? m_finish : m_next)->setDefault(true);
}

template <class F>
void wizard_shell::guarded(F work) {
    try {
        work();
    } catch (const tk_final_exception&) {
        done(0);
    } catch (const tk_exception& e) {
        end_with_error(&e, true);
    } catch (const std::exception& e) {
        end_with_error(&e, false);
    }
}

void wizard_shell::end_with_error(const std::exception* e, bool is_tk) {
    try {
        error_handler* handler = error_handler::find_instance();
        if (is_tk && handler) {
            handler->handle(*static_cast<const tk_exception*>(e), true);
        } else {
            error_ansi(e->what());
        }
    } catch (...) {
        // The sheet ends in any case.
    }
    done(0);
}

void wizard_shell::press_next() {
    wizard_page_base* page = current_page();
    if (!page || !m_next->isEnabled()) return;
    guarded([&] {
        const int target = page->on_next();
        if (target == -1) return;
        const int index = target == 0 ? m_current + 1 : index_of(target);
        if (index < 0 || index >= static_cast<int>(m_pages.size())) return;
        if (!page->on_kill_active()) return;
        activate(index, +1);
    });
}

void wizard_shell::press_back() {
    wizard_page_base* page = current_page();
    if (!page || !m_back->isEnabled()) return;
    guarded([&] {
        const int target = page->on_back();
        if (target == -1) return;
        const int index = target == 0 ? m_current - 1 : index_of(target);
        if (index < 0 || index >= static_cast<int>(m_pages.size())) return;
        if (!page->on_kill_active()) return;
        activate(index, -1);
    });
}

void wizard_shell::press_finish() {
    wizard_page_base* page = current_page();
    if (!page || !m_finish->isEnabled()) return;
    guarded([&] {
        if (page->on_finish()) done(1);
    });
}

void wizard_shell::press_cancel() {
    wizard_page_base* page = current_page();
    if (!m_cancel->isEnabled()) return;
    if (!page) {
        done(0);
        return;
    }
    guarded([&] {
        if (page->on_cancel()) done(0);
    });
}

void wizard_shell::press_help() {
    wizard_page_base* page = current_page();
    if (!page || !m_help_button->isEnabled()) return;
    guarded([&] { page->on_help(); });
}

void wizard_shell::set_cur_sel_id(int idd) {
    const int index = index_of(idd);
    if (index < 0) return;
    guarded([&] {
        if (wizard_page_base* page = current_page())
            if (!page->on_kill_active()) return;
        activate(index, +1);
    });
}

void wizard_shell::on_tick() {
    if (wizard_page_base* page = current_page()) guarded([&] { page->on_timer(k_sheet_timer_id); });
}

void wizard_shell::start_timer(int period_ms) {
    int failed_line = 0;
    on_window_thread([&] {
        if (m_timer_running) {
            failed_line = 260;
            return;
        }
        m_timer.start(period_ms);
        if (!m_timer.isActive()) {
            failed_line = 268;
            return;
        }
        m_timer_running = true;
    });
    if (failed_line != 0) throw tk_mail_assertion("g_wiz_sh", failed_line);
}

void wizard_shell::stop_timer() {
    on_window_thread([&] {
        if (!m_timer_running) return;
        m_timer.stop();
        m_timer_running = false;
    });
}

bool wizard_shell::is_initialized() {
    tk_log(1, "wizard_shell::is_initialized");
    if (!find_instance()) {
        tk_log(1, "Before return false");
        return false;
    }
    tk_log(1, "Singleton has been initialized");
    return true;
}

void wizard_shell::set_icon_and_title() {
    if (m_title_set) return;
    m_title_set = true;
    setWindowTitle(to_qt(m_title));
    if (m_icon_id == k_icon_program) setWindowIcon(wizard_icon());
    if (QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void wizard_shell::write_log(const std::wstring& line) {
    tk_wlog(1, L"wizard_shell::write_log(%s)", line.c_str());
    on_window_thread([&] {
        if (!current_page_window) return;
        auto* box = find_ctrl<QPlainTextEdit>(current_page_window, k_ctl_log_box);
        if (!box) {
            tk_log(1, "Editbox failed to be initialized");
            return;
        }
        QString text = to_qt(line);
        // A box limited to N characters takes no line that would pass the limit.
        const QVariant limit = box->property("text_limit");
        if (limit.isValid() && box->document()->characterCount() - 1 + text.size() > limit.toInt())
            return;
        QTextCursor cursor = box->textCursor();
        cursor.movePosition(QTextCursor::End);
        box->setTextCursor(cursor);
        box->insertPlainText(text);
        box->ensureCursorVisible();
    });
}

void wizard_shell::error(const std::string& text) {
    error_ansi(text);
}

void wizard_shell::error(const std::wstring& text) {
    tk_wlog(1, L"wizard_shell::error(%s)", text.c_str());
    tk_wlog(3, L"%s", text.c_str());
    show_box(QMessageBox::Critical, "Error", text, QMessageBox::Ok, QMessageBox::NoButton);
}

void wizard_shell::message(const std::wstring& text) {
    tk_wlog(1, L"wizard_shell::message(%s)", text.c_str());
    show_box(QMessageBox::Information, "Message", text, QMessageBox::Ok, QMessageBox::NoButton);
}

bool wizard_shell::question(const std::wstring& text, int flags) {
    const QMessageBox::StandardButton answer =
        show_box(QMessageBox::Question, "Question", text, QMessageBox::Yes | QMessageBox::No,
                 (flags & k_default_no) ? QMessageBox::No : QMessageBox::Yes);
    return answer == QMessageBox::Yes;
}

void wizard_shell::error_ansi(const std::string& text) {
    error(widen_ansi(text));
}

void wizard_shell::enable_button(int id, bool enable) {
    tk_log(1, "wizard_shell::enable_button(%08X)", id);
    on_window_thread([&] {
        if (auto* button = findChild<QPushButton*>(ctrl_name(id))) button->setEnabled(enable);
    });
}

void wizard_shell::display_help() {
    tk_log(2, "wizard_shell::display_help");
    display_help(0);
}

void wizard_shell::display_help(int topic) {
    if (topic != 0) tk_log(2, "wizard_shell::display_help(%d)", topic);
    on_window_thread([&] {
        const QString page = help_dir + QLatin1Char('/') +
                             (topic == 0 ? QStringLiteral("index") : QString::number(topic)) +
                             QStringLiteral(".html");
        if (!QFileInfo::exists(page)) {
            error(std::wstring(L"Help file does not exist. Reinstall the program."));
            return;
        }
        if (!m_help) {
            // A window of its own that stays usable beside the modal sheet and its dialogs.
            QWidget* owner = QApplication::activeModalWidget();
            auto* window = new QDialog(owner ? owner : this, Qt::Window);
            window->setObjectName(QStringLiteral("help_window"));
            window->setAttribute(Qt::WA_DeleteOnClose);
            window->resize(560, 460);
            auto* layout = new QVBoxLayout(window);
            m_help_view = new QTextBrowser(window);
            m_help_view->setObjectName(QStringLiteral("help_view"));
            m_help_view->setOpenLinks(true);
            layout->addWidget(m_help_view);
            m_help = window;
        }
        m_help->setWindowTitle(to_qt(m_title) + QStringLiteral(" Help"));
        m_help_view->setSearchPaths({help_dir});
        m_help_view->setSource(QUrl::fromLocalFile(page));
        m_help->show();
        m_help->raise();
    });
}
