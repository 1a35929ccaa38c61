// A profile is taken whole or not at all: a line the reader cannot place refuses the profile with
// the file, the line and what belongs there, and the converter keeps every setting it held.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TK/tk_exception.h"
#include "TK/tk_utils.h"
#include "UDB/udb_profile.h"
#include "converter/converter_test_support.h"
#include "converter/profile_text.h"

namespace {

// Settings that differ from every value the profiles below hold.
const char k_sections[] =
    "[Selected Tables]\r\n"
    "EMP\r\n"
    "\r\n"
    "[Generic settings]\r\n"
    "src=FROM_PROFILE\r\n"
    "mode=3\r\n"
    "view owned=1\r\n"
    "character set=latin1\r\n"
    "storage engine=Aria\r\n"
    "\r\n"
    "[MySQL settings]\r\n"
    "direct mode=0\r\n"
    "host=profile.host\r\n"
    "\r\n"
    "[Type Mappings]\r\n";

class profile_strict_test : public conversion_test {
protected:
    void SetUp() override {
        conversion_test::SetUp();
        conv->m_source_name = L"HELD";
        conv->mode = 1;
        conv->mysql_direct = true;
        conv->mysql_host = "held.host";
        conv->oracle_engine.b_owned_by_user = false;
        conv->mysql_engine.set_character_set(L"utf8mb4");
        conv->mysql_engine.set_table_type(L"InnoDB");
        conv->get_table_mutator(L"OLD", L"OLD_COPY");
        conv->get_properties()[L"held"] = L"yes";
    }

    std::wstring write(const std::string& text) {
        const std::string file = config_dir + "/strict.kvt";
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        return tk_to_unicode(file);
    }

    // Loads the text and answers the refusal's message; fails the test when it loads.
    std::string refusal(const std::string& text) {
        const std::wstring file = write(text);
        try {
            conv->load_profile_file(file);
            ADD_FAILURE() << "loaded: " << text;
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.level(), 1);
            const std::string head = "The profile '" + tk_to_utf8(file) + "' could not be loaded: ";
            EXPECT_EQ(std::string(e.what()).rfind(head, 0), 0u) << e.what();
            return e.what();
        }
        return std::string();
    }

    void expect_settings_held() {
        EXPECT_EQ(conv->m_source_name, L"HELD");
        EXPECT_EQ(conv->mode, 1);
        EXPECT_TRUE(conv->mysql_direct);
        EXPECT_EQ(conv->mysql_host, "held.host");
        EXPECT_FALSE(conv->oracle_engine.b_owned_by_user);
        EXPECT_EQ(conv->mysql_engine.character_set(), L"utf8mb4");
        EXPECT_EQ(conv->mysql_engine.table_type(), L"InnoDB");
        EXPECT_TRUE(conv->selected_tables.empty());
        ASSERT_EQ(conv->table_mutators().size(), 1u);
        EXPECT_NE(conv->find_table_mutator(L"OLD"), nullptr);
        EXPECT_EQ(conv->get_properties(), (udb_properties::property_map{{L"held", L"yes"}}));
    }
};

TEST_F(profile_strict_test, a_mapping_line_out_of_place_refuses_the_whole_profile) {
    struct bad_mapping {
        std::string lines;
        int line;  // in the file, counted from 1
        std::string text;
        std::string expected;
    };
    // k_sections ends on its 15th line.
    const bad_mapping cases[] = {
        {"database:\r\ntables:\r\n  - name: EMP\r\n    fields:\r\n      - name:ID\r\n"
         "    new_name: EMPLOYEES\r\n",
         21, "    new_name: EMPLOYEES", "\"    new_name:\" only right after \"  - name:\""},
        {"database:\r\ntables:\r\n  - name: EMP\r\n    new_name: E\r\n        type: INT\r\n", 20,
         "        type: INT", "a field attribute only after \"      - name:\""},
        {"database:\r\ntables:\r\n  - name: EMP\r\n    fields:\r\n      - name:ID\r\n"
         "        colour: red\r\n",
         21, "        colour: red", "a field attribute (new_name"},
        {"database:\r\ntables:\r\n  - name: EMP\r\n    properties:\r\n        a: b\r\n"
         "    fields:\r\n",
         21, "    fields:", "a table property"},
        {"database:\r\ntables:\r\n    fields:\r\n", 18, "    fields:", "a table \"  - name:\""},
        {"database:\r\n  k: v\r\nnot tables:\r\n  - name: EMP\r\n", 18,
         "not tables:", "\"tables:\""},
        {"  - name: EMP\r\n", 16, "  - name: EMP", "\"tables:\""},
        {"database:\r\n  plain\r\ntables:\r\n", 17, "  plain", "a database property"},
        {"database:\r\ntables:\r\n  - name: EMP\r\n    properties:\r\n        plain\r\n", 20,
         "        plain", "a table property"},
        // A line with "=" never reaches the mapping's lines: it is refused, not lost.
        {"database:\r\ntables:\r\n  - name: EMP\r\n    fields:\r\n      - name:ID\r\n"
         "        default_value: a=b\r\n",
         21, "        default_value: a=b", "a mapping line without \"=\""},
    };
    for (const bad_mapping& c : cases) {
        SCOPED_TRACE(c.lines);
        const std::string message = refusal(k_sections + c.lines);
        EXPECT_NE(message.find("line " + std::to_string(c.line) + " ("), std::string::npos)
            << message;
        EXPECT_NE(message.find(tk_trim(c.text) + "'): expected " + c.expected), std::string::npos)
            << message;
        expect_settings_held();
    }
}

TEST_F(profile_strict_test, a_line_before_any_section_is_named) {
    const std::string message = refusal("\r\nsrc=before any section\r\n[Generic settings]\r\n");
    EXPECT_NE(message.find(": line 2 ('src=before any section'): expected a section line"),
              std::string::npos)
        << message;
    expect_settings_held();
}

TEST_F(profile_strict_test, a_line_that_is_not_utf8_is_named) {
    const std::string message =
        refusal("[Generic settings]\r\nsrc=X\r\nlogfile=\xff\xfe.log\r\nmode=2\r\n");
    EXPECT_NE(message.find(": line 3 ('logfile=??.log'): expected text in UTF-8."),
              std::string::npos)
        << message;
    expect_settings_held();
}

TEST_F(profile_strict_test, a_mode_out_of_range_takes_nothing_of_the_profile) {
    const std::string text = std::string(k_sections) + "database:\r\ntables:\r\n";
    std::string with_bad_mode = text;
    with_bad_mode.replace(with_bad_mode.find("mode=3"), 6, "mode=9");
    EXPECT_NE(refusal(with_bad_mode)
                  .find(": line 6 ('mode=9'): expected a conversion mode digit "
                        "from 0 to 4."),
              std::string::npos);
    expect_settings_held();

    // The same profile with a sound mode is taken whole.
    ASSERT_TRUE(conv->load_profile_file(write(text)));
    EXPECT_EQ(conv->m_source_name, L"FROM_PROFILE");
    EXPECT_EQ(conv->mode, 3);
    EXPECT_FALSE(conv->mysql_direct);
    EXPECT_TRUE(conv->oracle_engine.b_owned_by_user);
    EXPECT_EQ(conv->mysql_engine.character_set(), L"latin1");
    EXPECT_EQ(conv->mysql_engine.table_type(), L"Aria");
    EXPECT_EQ(conv->selected_tables, (udb_converter::name_list{L"EMP"}));
    EXPECT_TRUE(conv->table_mutators().empty());
    EXPECT_TRUE(conv->get_properties().empty());
}

TEST(profile_lines, what_a_load_read_keeps_its_file_line) {
    const std::string file =
        (std::filesystem::temp_directory_path() / ("lines_" + std::to_string(getpid()) + ".kvt"))
            .string();
    std::ofstream(file, std::ios::binary) << "[S]\r\n\r\nbare\r\nk=v\r\n  indented\r\n";
    udb_profile profile;
    profile.add_list_item(L"S", L"added");
    ASSERT_TRUE(profile.load(tk_to_unicode(file)));
    std::filesystem::remove(file);
    EXPECT_EQ(profile.get_list(L"S"), (udb_profile::line_list{L"added", L"bare", L"  indented"}));
    EXPECT_EQ(profile.list_line_number(L"S", 0), 0);
    EXPECT_EQ(profile.list_line_number(L"S", 1), 3);
    EXPECT_EQ(profile.list_line_number(L"S", 2), 5);
    EXPECT_EQ(profile.list_line_number(L"S", 3), 0);
    EXPECT_EQ(profile.pair_line_number(L"S", 0), 3);
    EXPECT_EQ(profile.pair_line_number(L"S", 1), 4);
    EXPECT_EQ(profile.pair_line_number(L"S", 2), 5);
    EXPECT_EQ(profile.value_line_number(L"S", L"k"), 4);
    EXPECT_EQ(profile.value_line_number(L"S", L"none"), 0);
    EXPECT_EQ(profile.failed_line(), 0);
}

}  // namespace
