#include "wizard/wizard_test_support.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "SQL/sql_engine.h"

namespace {

// The offscreen platform tells about every window operation it does not have; nothing to see.
void quiet_messages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (text.startsWith(QLatin1String("This plugin does not support"))) return;
    if (text.startsWith(QLatin1String("QStandardPaths:"))) return;
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    if (type == QtFatalMsg) std::abort();
}

}  // namespace

QApplication& test_app() {
    // Never destroyed: Qt's own globals may already be gone when the program's statics end.
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        qInstallMessageHandler(quiet_messages);
        static int argc = 1;
        static char name[] = "wizard_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

modal_script::modal_script() {
    m_timer.setInterval(5);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start();
}

modal_script::~modal_script() {
    m_timer.stop();
}

modal_script& modal_script::then(handler h) {
    m_queue.push_back(std::move(h));
    return *this;
}

modal_script& modal_script::answer(QMessageBox::StandardButton button) {
    return then([this, button](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) {
            unexpected.push_back("not a message box: " + w->objectName().toStdString());
            static_cast<QDialog*>(w)->reject();
            return;
        }
        boxes.push_back(box->windowTitle().toStdString() + "|" + box->text().toStdString());
        box->button(button)->click();
    });
}

modal_script& modal_script::click(int id) {
    return then([this, id](QWidget* w) {
        auto* button = w->findChild<QAbstractButton*>(QString::number(id));
        if (!button) {
            unexpected.push_back("no button " + std::to_string(id) + " in " +
                                 w->objectName().toStdString());
            static_cast<QDialog*>(w)->reject();
            return;
        }
        button->click();
    });
}

modal_script& modal_script::choose_file(const std::string& path) {
    return then([this, path](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog) {
            unexpected.push_back("not a file chooser: " + w->objectName().toStdString());
            static_cast<QDialog*>(w)->reject();
            return;
        }
        if (path.empty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(QString::fromStdString(path));
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

void modal_script::poll() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible() || w == m_last.data()) return;
    if (w->objectName() == QLatin1String("101")) return;
    m_last = w;
    if (m_queue.empty()) {
        std::string what = w->objectName().toStdString() + " " + w->windowTitle().toStdString();
        if (auto* box = qobject_cast<QMessageBox*>(w)) what += ": " + box->text().toStdString();
        unexpected.push_back(what);
        if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->reject();
        return;
    }
    handler h = std::move(m_queue.front());
    m_queue.pop_front();
    h(w);
}

void wizard_test::SetUpTestSuite() {
    test_app();
    s_demo = std::make_unique<ora_test_instance>();
    s_demo->add_user("DEMO", "demo");
    s_demo->run_script("DEMO", "demo",
                       std::string(TW_SOURCE_DIR) + "/samples/demo/demo_schema.sql");
}

void wizard_test::TearDownTestSuite() {
    s_demo.reset();
}

void wizard_test::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "wizard_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    work = pattern;
    std::filesystem::create_directories(work + "/home");
    std::filesystem::create_symlink(s_demo->dir(), work + "/home/DEMO");
    setenv("ORALITE_HOME", (work + "/home").c_str(), 1);
    setenv("TIDEWELL_CONFIG_HOME", (work + "/config").c_str(), 1);
    sql_engine::clear_pick_lists();
    script = std::make_unique<modal_script>();
    start_program();
}

void wizard_test::start_program(const std::string& command_line) {
    program.reset();
    program = std::make_unique<wizard_program>(command_line);
    if (!program->ready()) return;
    shell().help_dir = QString::fromLatin1(TW_BINARY_DIR "/bin/help");
    shell().show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shell().current_page() != nullptr; }, 2000));
}

void wizard_test::TearDown() {
    if (program && program->shell()) {
        // Ends a run that may still go, as Cancel would.
        program->shell()->hide();
    }
    program.reset();
    EXPECT_EQ(script->pending(), 0u) << "answers left unused";
    EXPECT_TRUE(script->unexpected.empty())
        << "unexpected window: " << (script->unexpected.empty() ? "" : script->unexpected[0]);
    script.reset();
    if (get_test_server().available) {
        std::string out;
        for (const std::string& db : databases)
            run_client_sql("drop database if exists `" + db + "`", out);
    }
    std::error_code ec;
    std::filesystem::remove_all(work, ec);
}

void wizard_test::type(int id, const QString& text) {
    auto* edit = ctrl<QLineEdit>(id);
    if (!edit) return;
    edit->clear();
    QTest::keyClicks(edit, text);
}

void wizard_test::click(int id) {
    auto* button = ctrl<QAbstractButton>(id);
    if (!button) return;
    // Push buttons take a real mouse click; check boxes and radio buttons are clicked as a whole
    // (the middle of a wide one may lie beyond its text, where a click is not taken).
    if (qobject_cast<QPushButton*>(button))
        QTest::mouseClick(button, Qt::LeftButton);
    else
        button->click();
}

void wizard_test::to_oracle_page(bool direct) {
    ASSERT_EQ(page_id(), 103);
    click(direct ? 1329 : 1330);
    next();
    ASSERT_EQ(page_id(), 132);
}

void wizard_test::connect_oracle(const QString& user, const QString& password) {
    ASSERT_EQ(page_id(), 132);
    type(1003, "");
    type(1014, "DEMO");
    type(1004, "");
    type(1012, user);
    type(1013, password);
    next();
}

void wizard_test::connect_mysql() {
    ASSERT_EQ(page_id(), 123);
    const test_server& s = get_test_server();
    click(1330);
    type(1014, QString::fromStdString(s.host));
    type(1015, QString::number(s.port));
    type(1012, QString::fromStdString(s.user));
    type(1013, QString::fromStdString(s.password));
    next();
}

void wizard_test::to_dump_tables(const std::string& dump_file) {
    to_oracle_page(false);
    connect_oracle();
    next();
    type(1004, QString::fromStdString(dump_file));
    next();
    ASSERT_EQ(page_id(), 127);
}

void wizard_test::run_to_closing_page() {
    next();
    if (shell().current_index() == 6) next();  // the view page: no view chosen
    ASSERT_EQ(page_id(), 107);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page_id() == 116; }, 60000));
    EXPECT_EQ(find_ctrl<QLabel>(&page(), 1314)->text().toStdWString(),
              std::wstring(k_finish_success_text))
        << (shell().error_list.empty() ? "" : shell().error_list[0]);
}

std::string wizard_test::new_database(const char* stem) {
    databases.push_back(unique_db_name(stem));
    return databases.back();
}
