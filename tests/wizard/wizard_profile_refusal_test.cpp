// The wizard started with a profile whose type mapping has a line out of place: it tells the
// file, the line and what belongs there, and converts nothing with the rest of the profile.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "wizard/wizard_test_support.h"

namespace {

TEST_F(wizard_test, a_profile_with_a_mapping_line_out_of_place_ends_the_wizard) {
    const std::string dump = file("never.sql");
    tabshift_convertor& c = conv();
    c.m_source_name = L"DEMO";
    c.store_oracle_settings(L"", L"DEMO", L"demo", L"");
    c.mysql_direct = false;
    c.m_destination_name = std::wstring(dump.begin(), dump.end());
    c.selected_tables = {L"CATEGORIES"};
    const std::string profile = file("run.kvt");
    ASSERT_TRUE(c.store_profile_file(std::wstring(profile.begin(), profile.end())));
    program.reset();
    std::string text;
    {
        std::ifstream in(profile, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    // The profile ends with its mapping's "tables:" line; a field line follows with no table.
    text += "      - name:ID\r\n";
    const int line = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    std::ofstream(profile, std::ios::binary | std::ios::trunc) << text;

    script->answer(QMessageBox::Ok);
    start_program(profile);
    EXPECT_FALSE(program->ready());
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_NE(script->boxes[0].find("line " + std::to_string(line) + " ('      - name:ID')"),
              std::string::npos)
        << script->boxes[0];
    EXPECT_FALSE(std::filesystem::exists(dump));
}

}  // namespace
