// Taking names one after another: a name keeps itself unless refused or already taken in any
// letter case, the repair depends only on the names given to the validator, and the line that
// tells the user of a repair stays one readable line.
#include <gtest/gtest.h>

#include "UDB/udb_validator.h"

namespace {

class semicolon_validator : public udb_validator {
public:
    semicolon_validator() : udb_validator(64) { add_illegal_char(L';'); }
};

std::vector<std::wstring> take_all(const std::vector<std::wstring>& names) {
    semicolon_validator validator;
    for (const auto& name : names) validator.add_existing_name(name);
    std::vector<std::wstring> taken;
    taken.reserve(names.size());
    for (const auto& name : names) taken.push_back(validator.take_name(name));
    return taken;
}

}  // namespace

TEST(udb_name_collision, names_differing_by_case_are_taken_once) {
    semicolon_validator validator;
    EXPECT_EQ(validator.take_name(L"Emp"), L"Emp");
    EXPECT_EQ(validator.take_name(L"EMP"), L"EMP00000");
    EXPECT_EQ(validator.take_name(L"emp"), L"emp00001");
    EXPECT_EQ(validator.get_mapping().size(), 2u);
    EXPECT_EQ(validator.get_mapping().get_mapped_name(L"EMP", true), L"EMP00000");
    EXPECT_EQ(validator.get_mapping().get_mapped_name(L"Emp", true), L"Emp");
}

TEST(udb_name_collision, a_repair_avoids_every_name_given_and_is_the_same_each_time) {
    const std::vector<std::wstring> names = {L"A;B", L"A_B", L"C;D"};
    const std::vector<std::wstring> expected = {L"A_B00000", L"A_B", L"C_D"};
    EXPECT_EQ(take_all(names), expected);
    EXPECT_EQ(take_all(names), expected);
}

TEST(udb_name_collision, control_characters_are_controls_whatever_the_locale) {
    EXPECT_TRUE(udb_is_control(L'\0'));
    EXPECT_TRUE(udb_is_control(L'\n'));
    EXPECT_TRUE(udb_is_control(L'\x1F'));
    EXPECT_TRUE(udb_is_control(L'\x7F'));
    EXPECT_TRUE(udb_is_control(L'\x9F'));
    EXPECT_FALSE(udb_is_control(L' '));
    EXPECT_FALSE(udb_is_control(L'\xA0'));
    EXPECT_FALSE(udb_is_control(L'\u00e9'));
}

TEST(udb_name_collision, a_repair_is_told_on_one_line) {
    EXPECT_EQ(udb_validator::repair_notice(L"Table", L"A;B", L"A_B"),
              L"Table 'A;B' -> 'A_B' (name repaired)");
    EXPECT_EQ(udb_validator::repair_notice(L"Column", L"X\r\n\tY\x01", L"X___Y_", L"T\nU"),
              L"Column 'X\\r\\n\\tY\\x01' of table 'T\\nU' -> 'X___Y_' (name repaired)");
}
