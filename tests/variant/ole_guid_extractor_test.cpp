#include <gtest/gtest.h>

#include "variant/ole_guid_extractor.h"

TEST(OleGuidExtractor, FindsTheBracedGuidAfterTheWord) {
    ole_guid_extractor g(L"  guid{6F9619FF-8B86-D011-B42D-00C04FC964FF}  ");
    ASSERT_TRUE(g.found());
    EXPECT_EQ(g.start(), 5);
    EXPECT_EQ(g.get_wstring(), L"{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
    EXPECT_EQ(g.get_string(), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
    EXPECT_EQ(g.get_hex(), L"6F9619FF8B86D011B42D00C04FC964FF");
}

TEST(OleGuidExtractor, UpperCaseWordBareDigitsAndPreference) {
    ole_guid_extractor upper(std::string("GUID6f9619ff-8b86-d011-b42d-00c04fc964ff"));
    ASSERT_TRUE(upper.found());
    EXPECT_EQ(upper.get_hex(), L"6f9619ff8b86d011b42d00c04fc964ff");
    EXPECT_EQ(upper.get_wstring(), L"{6f9619ff-8b86-d011-b42d-00c04fc964ff}");
    // "guid" wins over an earlier "GUID".
    ole_guid_extractor both(L"GUIDguid00000000-0000-0000-0000-000000000001");
    ASSERT_TRUE(both.found());
    EXPECT_EQ(both.start(), 8);
}

TEST(OleGuidExtractor, NothingFound) {
    EXPECT_FALSE(ole_guid_extractor(L"guid{6F9619FF-8B86}").found());  // too short
    EXPECT_FALSE(
        ole_guid_extractor(L"guid{6F9619FF-8B86-D011-B42D-00C04FC964FF} and more").found());
    EXPECT_FALSE(ole_guid_extractor(L"{6F9619FF-8B86-D011-B42D-00C04FC964FF}").found());
    EXPECT_FALSE(ole_guid_extractor(L"xx guid{{6F9619FF-8B86-D011-B42D-00C04FC9}").found());
    ole_guid_extractor none(L"no identifier here, just text of length");
    EXPECT_FALSE(none.found());
    EXPECT_EQ(none.start(), -1);
    EXPECT_EQ(none.get_wstring(), L"");
    EXPECT_EQ(none.get_hex(), L"");
}

TEST(OleGuidExtractor, OnlyHexDigitsInGuidShapeCount) {
    // The text would be pasted into SQL as it stands: quotes and such must never pass.
    EXPECT_FALSE(ole_guid_extractor(L"guid{x'); drop table t; -- aaaaaaaaaaa}").found());
    EXPECT_FALSE(ole_guid_extractor(L"guid{6F9619FF-8B86-D011-B42D-00C04FC964FG}").found());
    EXPECT_FALSE(ole_guid_extractor(L"guid{6F9619FF08B86-D011-B42D-00C04FC964FF}").found());
}
