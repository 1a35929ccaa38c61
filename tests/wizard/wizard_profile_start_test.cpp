// The wizard started with a profile on its command line: it connects, prepares the destination
// and shows only the progress and closing pages; a profile that does not load, or a connection
// that fails, ends the wizard without a conversion.
#include <QLabel>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "wizard/wizard_test_support.h"

class profile_start_test : public wizard_test {
protected:
    // A profile of a dump conversion of two DEMO tables into `dump`.
    std::string write_profile(const std::string& dump, const std::wstring& password = L"demo") {
        tabshift_convertor& c = conv();
        c.m_source_name = L"DEMO";
        c.store_oracle_settings(L"", L"DEMO", password, L"");
        c.mysql_direct = false;
        c.m_destination_name = std::wstring(dump.begin(), dump.end());
        c.selected_tables = {L"CATEGORIES", L"PRODUCTS"};
        std::string path = file("run.kvt");
        EXPECT_TRUE(c.store_profile_file(std::wstring(path.begin(), path.end())));
        return path;
    }
};

TEST_F(profile_start_test, command_line_profile_shows_only_progress_and_closing_pages) {
    const std::string dump = file("from_profile.sql");
    std::ofstream(dump) << "an old file the start removes";
    const std::string profile = write_profile(dump);
    start_program(profile);
    ASSERT_TRUE(program->ready());
    ASSERT_EQ(shell().pages().size(), 2u);
    EXPECT_EQ(shell().pages()[0]->dialog_id(), 107);
    EXPECT_EQ(shell().pages()[1]->dialog_id(), 116);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page_id() == 116; }, 20000));
    EXPECT_EQ(ctrl<QLabel>(1314)->text().toStdWString(), std::wstring(k_finish_success_text));
    std::ifstream in(dump);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("CREATE TABLE `CATEGORIES`"), std::string::npos);
    EXPECT_NE(text.find("CREATE TABLE `PRODUCTS`"), std::string::npos);
    EXPECT_EQ(text.find("CUSTOMERS"), std::string::npos);
    EXPECT_EQ(text.find("an old file"), std::string::npos);
}

TEST_F(profile_start_test, missing_profile_is_told_and_nothing_runs) {
    const std::string dump = file("never.sql");
    write_profile(dump);
    script->answer(QMessageBox::Ok);
    start_program(file("no-such.kvt"));
    EXPECT_FALSE(program->ready());
    EXPECT_EQ(program->run(), 0);
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dump));
}

TEST_F(profile_start_test, malformed_profile_ends_the_wizard_instead_of_running_other_settings) {
    const std::string dump = file("never.sql");
    // The registry holds a complete dump set-up; the profile named is broken.
    write_profile(dump);
    program.reset();
    const std::string broken = file("broken.kvt");
    std::ofstream(broken) << "a line before any section\r\n[Oracle settings]\r\n";
    script->answer(QMessageBox::Ok);
    start_program(broken);
    EXPECT_FALSE(program->ready());
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_NE(script->boxes[0].find("could not be loaded"), std::string::npos) << script->boxes[0];
    EXPECT_FALSE(std::filesystem::exists(dump));
}

TEST_F(profile_start_test, profile_whose_oracle_logon_fails_is_told_and_nothing_runs) {
    const std::string dump = file("never.sql");
    const std::string profile = write_profile(dump, L"wrong");
    std::string shown;
    // An Oracle error is level 0: the continue dialog tells it, and the wizard still ends.
    script->then([&](QWidget* w) {
        shown = w->objectName().toStdString();
        static_cast<QDialog*>(w)->reject();
    });
    start_program(profile);
    EXPECT_FALSE(program->ready());
    EXPECT_EQ(shown, "115");
    EXPECT_FALSE(std::filesystem::exists(dump));
}
