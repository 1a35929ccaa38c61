// Renders every page and dialog of the wizard offscreen into PNG files, for a reviewer to look
// at: wizard_screens OUT_DIR.  The pages are filled as a user would fill them, against an
// embedded Oracle instance with the demo schema; the server scenario's pages are shown without a
// server.  Exits 0 when every picture was written.
#include <QApplication>
#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QStackedWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>

#include "GUI2/animation_dlg.h"
#include "GUI2/dlg_error_continue.h"
#include "GUI2/dlg_error_ex.h"
#include "GUI2/wizard_art.h"
#include "GUI2/wizard_shell.h"
#include "ORA/ora_test_support.h"
#include "common/overwrite_dlg.h"
#include "common/progress_page.h"
#include "common/set_query_dlg.h"
#include "common/types_map_dlg.h"
#include "TK/tk_temp_chdir.h"
#include "TK/tk_utils.h"
#include "converter/error_handler.h"
#include "converter/tabshift_convertor.h"
#include "wizard/run_wizard.h"
#include "wizard/wizard_test_support.h"

namespace {

QString g_out;
int g_written = 0;
int g_failed = 0;

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

void save(QWidget& w, const char* name) {
    settle();
    const QString path = g_out + QLatin1Char('/') + QString::fromLatin1(name) + ".png";
    if (w.grab().save(path)) {
        ++g_written;
        std::printf("%s\n", path.toLocal8Bit().constData());
    } else {
        ++g_failed;
        std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
    }
}

// Shows a modal dialog, takes its picture once it is up, and closes it.
void save_modal(QDialog& dialog, const char* name) {
    QTimer::singleShot(50, [&] {
        save(dialog, name);
        dialog.done(0);
    });
    dialog.exec();
}

// Opens whatever `open` shows modally, takes its picture and closes it.
void save_next_modal(const std::function<void()>& open, const char* name) {
    QTimer::singleShot(50, [name] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) {
            ++g_failed;
            std::fprintf(stderr, "no window for %s\n", name);
            return;
        }
        save(*w, name);
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            box->done(QMessageBox::No);
        } else if (auto* dialog = qobject_cast<QDialog*>(w)) {
            dialog->done(0);
        }
    });
    open();
}

void set_text(wizard_shell& shell, int id, const QString& text) {
    if (auto* edit = find_ctrl<QLineEdit>(shell.current_page(), id)) edit->setText(text);
}

// Every picture, with the instances and settings kept under `dir`.
void take_pictures(const std::string& dir) {
    ora_test_instance demo;
    demo.add_user("DEMO", "demo");
    demo.run_script("DEMO", "demo", std::string(TW_SOURCE_DIR) + "/samples/demo/demo_schema.sql");
    demo.run("DEMO", "demo",
             {"CREATE VIEW product_list AS SELECT * FROM products",
              "CREATE VIEW customer_names AS SELECT * FROM customers"});
    std::filesystem::create_directories(dir + "/home");
    std::filesystem::create_symlink(demo.dir(), dir + "/home/DEMO");
    setenv("ORALITE_HOME", (dir + "/home").c_str(), 1);
    setenv("TIDEWELL_CONFIG_HOME", (dir + "/config").c_str(), 1);

    {
        wizard_program program("");
        wizard_shell& shell = *program.shell();
        tabshift_convertor& conv = *program.converter();
        shell.help_dir = QString::fromLatin1(TW_BINARY_DIR "/bin/help");
        shell.show();
        settle();
        save(shell, "103_welcome");

        // The dump scenario, connected to the embedded instance.
        find_ctrl<QAbstractButton>(shell.current_page(), 1330)->click();
        shell.press_next();
        set_text(shell, 1014, "DEMO");
        set_text(shell, 1012, "DEMO");
        set_text(shell, 1013, "demo");
        save(shell, "132_oracle_connection");
        shell.press_next();
        save(shell, "102_dump_options");
        shell.press_next();
        set_text(shell, 1004, QString::fromStdString(dir + "/demo.sql"));
        save(shell, "106_destination_dump");
        // A character set stored by an earlier run, which the list without a server lacks.
        shell.press_back();
        conv.mysql_engine.set_character_set(L"utf8mb4");
        shell.press_next();
        save(shell, "106_destination_dump_utf8mb4");
        shell.press_next();
        find_ctrl<QAbstractButton>(shell.current_page(), 1101)->click();
        find_ctrl<QAbstractButton>(shell.current_page(), 1101)->click();
        save(shell, "127_tables");
        shell.press_next();
        find_ctrl<QAbstractButton>(shell.current_page(), 1101)->click();
        save(shell, "127_views");

        // The server scenario's pages, shown without connecting.
        conv.mysql_direct = true;
        conv.mysql_host = "db.example.org";
        conv.mysql_user = "migrator";
        shell.set_cur_sel_id(123);
        save(shell, "123_mysql_connection");
        shell.set_cur_sel_id(106);
        set_text(shell, 1004, "sales");
        save(shell, "106_destination_server");

        // The progress page mid-run: a real run of half a million rows, stopped after the picture.
        conv.mysql_direct = false;
        conv.m_destination_name = tk_to_unicode(dir + "/big.sql");
        conv.selected_tables = {L"CATEGORIES"};
        conv.table_jobs = {{L"BIG",
                            L"SELECT a.customer_id, b.product_id, c.category_id "
                            L"FROM customers a, products b, categories c"}};
        shell.set_cur_sel_id(107);
        auto* progress = dynamic_cast<progress_page*>(program.pages()[7].get());
        QDeadlineTimer deadline(20000);
        while (conv.cur_record < 20000 && !conv.m_finished && !deadline.hasExpired()) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(20);
        }
        progress->on_timer(k_sheet_timer_id);
        save(shell, "107_progress_mid_run");
        progress->stop_run();
        shell.error_list.clear();

        shell.set_cur_sel_id(116);
        save(shell, "116_closing_success");
        shell.error_list = {"PRODUCTS, record #3: Duplicate entry '3' for key 'PRIMARY'",
                            "ORDERS: Table 'ORDERS' does not exist in the source database."};
        program.pages()[8]->page_init();
        save(shell, "116_closing_with_errors");
        // More errors than the list keeps: the page tells how many and where all of them are.
        shell.error_list.clear();
        shell.errors_total = 0;
        conv.set_logfile(dir + "/demo.log");
        error_handler& handler = error_handler::instance();
        handler.dont_show = true;
        for (int record = 1; record <= 27; ++record) {
            handler.format_record_error(L"ORDER_ITEMS", record);
            try {
                handler.handle(
                    tk_exception(
                        "Duplicate entry '" + std::to_string(record) + "' for key 'PRIMARY'", 0),
                    false);
            } catch (const tk_final_exception&) {
            }
        }
        handler.prefix.clear();
        handler.dont_show = false;
        program.pages()[8]->page_init();
        save(shell, "116_closing_error_count");
        conv.set_logfile(std::string());

        // The dialogs.
        animation_dlg wait(QStringLiteral("Connecting to Oracle data source.\nPlease wait..."),
                           k_icon_first_frame, k_animation_frames, 500);
        save_modal(wait, "101_wait");
        overwrite_dlg3 overwrite(k_topic_overwrite,
                                 L"The destination database already exists. Select one of the\n"
                                 L"options below. Click 'Help' button for more information.",
                                 &shell);
        save_modal(overwrite, "133_overwrite");
        set_query_dlg query(L"EXPENSIVE", L"SELECT * FROM products WHERE price > 100", &shell);
        save_modal(query, "128_add_query");
        {
            // The editor reads the type files from the program's folder.
            tk_temp_chdir here(TW_BINARY_DIR "/bin");
            types_map_dlg editor(L"PRODUCTS", &shell);
            auto* fields = editor.findChild<QTreeWidget*>("1316");
            fields->setCurrentItem(fields->topLevelItem(4));
            save_modal(editor, "135_edit_table");
        }
        dlg_error_continue cont(L"PRODUCTS, record #3: Duplicate entry '3' for key 'PRIMARY'",
                                &shell);
        save_modal(cont, "115_error_continue");
        dlg_error_ex internal(L"Internal error: \ncode=6B76745F636F6E765C3637", &shell);
        save_modal(internal, "114_internal_error");
        save_next_modal(
            [] { wizard_shell::question(L"Are you sure you want to exit the wizard?", 0x100); },
            "question_exit");
        save_next_modal(
            [] { wizard_shell::error(std::wstring(L"Invalid user name or password.")); },
            "error_box");
        shell.display_help(k_topic_oracle_page);
        if (shell.help_window()) save(*shell.help_window(), "help_1012");
        shell.hide();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: wizard_screens OUT_DIR\n");
        return 2;
    }
    QApplication& app = test_app();
    (void)app;
    g_out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(g_out);

    const std::string work = std::filesystem::temp_directory_path() / "wizard_screens_XXXXXX";
    std::string dir = work;
    if (!mkdtemp(dir.data())) return 1;
    // A failed step says what failed and leaves no temporary instance behind.
    bool failed = false;
    try {
        take_pictures(dir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "wizard_screens: %s\n", e.what());
        failed = true;
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::printf("%d pictures\n", g_written);
    return !failed && g_failed == 0 && g_written > 0 ? 0 : 1;
}
