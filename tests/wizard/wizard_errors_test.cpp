// The wizard's error presentation by level, the error list of the closing page, the internal
// error that ends the process, and the shell's services (help by topic, timer, log box).
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <thread>

#include "GUI2/dlg_error_ex.h"
#include "ORA/ora_exception.h"
#include "SQL/sql_exception.h"
#include "wizard/wizard_error_handler.h"
#include "wizard/wizard_test_support.h"

namespace {

// Runs handle() and tells whether it asked the caller to stop.
bool stopped_by(const tk_exception& e, bool stop) {
    try {
        error_handler::instance().handle(e, stop);
    } catch (const tk_final_exception&) {
        return true;
    }
    return false;
}

// Answers a continue dialog: records its text, ticks the box when asked, presses a button.
modal_script::handler continue_dialog(std::string& text, int button, bool silence = false) {
    return [&text, button, silence](QWidget* w) {
        EXPECT_EQ(w->objectName(), "115");
        EXPECT_EQ(w->windowTitle(), "Tidewell 6.3 Error");
        text = w->findChild<QLabel*>("1320")->text().toStdString();
        if (silence) w->findChild<QCheckBox*>("1222")->click();
        w->findChild<QPushButton*>(QString::number(button))->click();
    };
}

// The help articles a text sends the reader to: "see 'Name' article" or "see Name article".
QStringList articles_named(const std::string& text) {
    static const QRegularExpression named(
        QStringLiteral("(?:'([^']+)'|(\\w+))\\s+article of the product documentation"));
    QStringList names;
    QString flat = QString::fromStdString(text);
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    for (auto match = named.globalMatch(flat); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        names << (m.captured(1).isEmpty() ? m.captured(2) : m.captured(1));
    }
    return names;
}

// Follows the link of the open help page whose text is `name`; false when there is none.
bool follow_link(QTextBrowser& view, const QString& name) {
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment part = it.fragment();
            if (!part.charFormat().isAnchor() || part.text().trimmed() != name) continue;
            view.setSource(view.source().resolved(QUrl(part.charFormat().anchorHref())));
            return true;
        }
    }
    return false;
}

// The section of the open help page under the level-2 heading that names `error` (as a whole
// word), heading included; empty when no heading names it.
QString section_of(const QTextBrowser& view, const QString& error) {
    const QRegularExpression word(QStringLiteral("\\b") + QRegularExpression::escape(error) +
                                  QStringLiteral("\\b"));
    QString section;
    bool inside = false;
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 2) {
            if (inside) break;
            inside = block.text().contains(word);
        }
        if (inside) section += block.text() + QLatin1Char('\n');
    }
    return section;
}

}  // namespace

TEST_F(wizard_test, level_0_error_continue_goes_on_abort_stops) {
    std::string shown;
    script->then(continue_dialog(shown, 2));
    EXPECT_FALSE(stopped_by(tk_exception(std::string("first\nsecond line"), 0), false));
    EXPECT_EQ(shown, "first\nsecond line");
    script->then(continue_dialog(shown, 1));
    EXPECT_TRUE(stopped_by(tk_exception(std::string("abort me"), 0), false));
    // Abort with the stop argument set only shows.
    script->then(continue_dialog(shown, 1));
    EXPECT_FALSE(stopped_by(tk_exception(std::string("outer"), 0), true));
    EXPECT_EQ(shell().error_list,
              (std::vector<std::string>{"first second line", "abort me", "outer"}));
}

TEST_F(wizard_test, record_error_is_listed_with_table_record_and_advice_text) {
    std::string shown;
    script->then(continue_dialog(shown, 2));
    error_handler::instance().format_record_error(L"EMP", 7);
    EXPECT_FALSE(stopped_by(tk_exception(std::string("raw"), 0), false));
    EXPECT_EQ(shell().error_list.at(0), "EMP, record #7: raw");
    EXPECT_EQ(shown, "EMP, record #7: raw");
    error_handler::instance().prefix.clear();
}

TEST_F(wizard_test, do_not_show_again_silences_later_dialogs_and_boxes_but_keeps_listing) {
    std::string shown;
    script->then(continue_dialog(shown, 2, true));
    EXPECT_FALSE(stopped_by(tk_exception(std::string("one"), 0), false));
    EXPECT_TRUE(error_handler::instance().dont_show);
    // No dialog, no box from now on; a level-1 error still stops the work.
    EXPECT_FALSE(stopped_by(tk_exception(std::string("two"), 0), false));
    EXPECT_TRUE(stopped_by(tk_exception(std::string("three"), 1), false));
    EXPECT_EQ(shell().error_list, (std::vector<std::string>{"one", "two", "three"}));
}

TEST_F(wizard_test, level_1_error_shows_a_box_then_stops_unless_stop_is_set) {
    script->answer(QMessageBox::Ok);
    EXPECT_TRUE(stopped_by(tk_exception(std::string("cannot go on"), 1), false));
    script->answer(QMessageBox::Ok);
    EXPECT_FALSE(stopped_by(tk_exception(std::string("told only"), 1), true));
    ASSERT_EQ(script->boxes.size(), 2u);
    EXPECT_EQ(script->boxes[0], "Tidewell 6.3 Error|cannot go on");
}

TEST_F(wizard_test, advice_text_replaces_the_message_of_known_codes) {
    std::string shown;
    script->then(continue_dialog(shown, 2));
    EXPECT_FALSE(stopped_by(ora_exception(1017, "ORA-01017: invalid username/password"), false));
    EXPECT_EQ(shown, "Invalid user name or password.");
}

TEST_F(wizard_test, error_list_keeps_the_first_twenty) {
    error_handler::instance().dont_show = true;
    for (int i = 1; i <= 21; ++i) stopped_by(tk_exception("error " + std::to_string(i), 0), false);
    ASSERT_EQ(shell().error_list.size(), 20u);
    EXPECT_EQ(shell().error_list.front(), "error 1");
    EXPECT_EQ(shell().error_list.back(), "error 20");
    error_handler::instance().dont_show = false;
}

TEST_F(wizard_test, errors_from_a_worker_thread_wait_for_the_answer_on_the_window_thread) {
    std::string shown;
    script->then(continue_dialog(shown, 1));
    bool stopped = false;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        stopped = stopped_by(tk_exception(std::string("from the run"), 0), false);
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 5000));
    worker.join();
    EXPECT_TRUE(stopped);
    EXPECT_EQ(shown, "from the run");
    EXPECT_EQ(shell().error_list, (std::vector<std::string>{"from the run"}));
}

TEST(wizard_internal_error, shows_the_internal_error_dialog_and_ends_the_process_with_minus_1) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            test_app();
            wizard_error_handler handler;
            QTimer::singleShot(20, [] {
                QWidget* w = QApplication::activeModalWidget();
                if (!w || w->objectName() != "114" ||
                    w->findChild<QLabel*>("1320")->text().isEmpty() || w->windowTitle() != "Error")
                    std::_Exit(3);
                w->findChild<QPushButton*>("1")->click();
            });
            handler.handle(tk_mail_assertion("kvt_conv", 67), true);
            std::_Exit(4);
        },
        ::testing::ExitedWithCode(255), "");
}

TEST_F(wizard_test, internal_error_dialog_copies_its_message) {
    dlg_error_ex dialog(L"Internal error: \ncode=1234");
    EXPECT_EQ(dialog.windowTitle(), "Tidewell 6.3 Error");
    QTimer::singleShot(0, [&] { dialog.findChild<QPushButton*>("1108")->click(); });
    EXPECT_EQ(dialog.exec(), 1108);
    EXPECT_EQ(QApplication::clipboard()->text(), "Internal error: \ncode=1234");
}

TEST_F(wizard_test, help_opens_the_page_of_the_topic_and_a_missing_folder_is_told) {
    // Help is the sheet's button; the welcome page's topic is shown.
    QTest::mouseClick(shell().findChild<QPushButton*>("9"), Qt::LeftButton);
    ASSERT_NE(shell().help_window(), nullptr);
    auto* view = shell().help_window()->findChild<QTextBrowser*>("help_view");
    EXPECT_TRUE(view->source().toLocalFile().endsWith("/help/1014.html"));
    EXPECT_TRUE(view->toPlainText().contains("Store into dump file"));
    shell().display_help();
    EXPECT_TRUE(view->source().toLocalFile().endsWith("/help/index.html"));
    for (int topic : {1011, 1012, 1013, 1014, 1016, 1017, 1018, 1022, 1024, 1025}) {
        shell().display_help(topic);
        EXPECT_FALSE(view->toPlainText().isEmpty()) << topic;
    }
    shell().help_dir = QString::fromStdString(file("nowhere"));
    script->answer(QMessageBox::Ok);
    shell().display_help(1012);
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_EQ(script->boxes[0],
              "Tidewell 6.3 Error|Help file does not exist. Reinstall the program.");
}

TEST_F(wizard_test, shell_timer_refuses_a_second_start_and_write_log_needs_a_log_box) {
    shell().start_timer(200);
    EXPECT_TRUE(shell().timer_running());
    EXPECT_THROW(shell().start_timer(200), tk_mail_assertion);
    shell().stop_timer();
    EXPECT_FALSE(shell().timer_running());
    // The welcome page has no log box: nothing happens.
    shell().write_log(L"a line\n");
    shell().current_page_window = nullptr;
    shell().write_log(L"before any page\n");
}

TEST_F(wizard_test, cancel_asks_and_no_keeps_the_wizard_where_it_was) {
    to_oracle_page(true);
    script->answer(QMessageBox::No);
    shell().press_cancel();
    EXPECT_TRUE(shell().isVisible());
    EXPECT_EQ(page_id(), 132);
    script->answer(QMessageBox::Yes);
    shell().press_cancel();
    EXPECT_FALSE(shell().isVisible());
    EXPECT_EQ(shell().result(), 0);
    ASSERT_EQ(script->boxes.size(), 2u);
    EXPECT_EQ(script->boxes[0], "Tidewell 6.3 Question|Are you sure you want to exit the wizard?");
}

TEST_F(wizard_test, every_article_an_advice_text_names_is_in_the_help_and_explains_that_error) {
    struct advice {
        std::string text;
        QString error;  // how the article names the error
    };
    std::vector<advice> advices;
    for (const tk_error_pair& pair : oracle_error_texts)
        advices.push_back({pair.text, QString::asprintf("ORA-%05d", pair.code & 0xFFFF)});
    for (const tk_error_pair& pair : mysql_error_texts)
        advices.push_back({pair.text, QString::number(pair.code & 0xFFFF)});
    advices.push_back({sql_auth_not_supported_exception().message(), QStringLiteral("1250")});

    shell().display_help();
    ASSERT_NE(shell().help_window(), nullptr);
    auto* view = shell().help_window()->findChild<QTextBrowser*>("help_view");
    int named = 0;
    for (const advice& a : advices) {
        for (const QString& article : articles_named(a.text)) {
            ++named;
            SCOPED_TRACE(a.text);
            shell().display_help();
            ASSERT_TRUE(follow_link(*view, article))
                << "the contents have no article " << article.toStdString();
            EXPECT_EQ(view->documentTitle(), article);
            const QString section = section_of(*view, a.error);
            ASSERT_FALSE(section.isEmpty()) << "no heading names " << a.error.toStdString();
            EXPECT_TRUE(section.contains("What it means.")) << section.toStdString();
            EXPECT_TRUE(section.contains("What to do.")) << section.toStdString();
        }
    }
    // Both tables send the reader to the documentation: the check saw them.
    EXPECT_GE(named, 8);
}
