#include <gtest/gtest.h>

#include "TK/tk_exception.h"
#include "UDB/udb_index.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"

namespace {

std::shared_ptr<t_ftd> column(const std::wstring& name, int vartype, unsigned size = 10) {
    return std::make_shared<t_ftd>(size, name, vartype, false, false, ole_variant(), 0, L"");
}

udb_schema emp_schema() {
    udb_schema s;
    s.push_back(column(L"ID", VT_I4, 4));
    s.push_back(column(L"Name", VT_BSTR, 40));
    s.push_back(column(L"HIRED", VT_DATE, 19));
    return s;
}

}  // namespace

TEST(udb_schema, lookups_ignore_case) {
    udb_schema s = emp_schema();
    EXPECT_EQ(s.get_field_idx(L"id"), 0);
    EXPECT_EQ(s.get_field_idx(L"NAME"), 1);
    EXPECT_EQ(s.get_field_idx(L"hired"), 2);
    EXPECT_TRUE(s.find_field(L"name"));
    EXPECT_EQ(s.get_field_size(L"nAmE"), 40);
    EXPECT_EQ(s.get_field_type(L"Hired"), VT_DATE);
    EXPECT_EQ(s.get_field1(L"name").name, L"Name");
    EXPECT_EQ(s.get_field2(L"ID").size, 4u);
}

TEST(udb_schema, lookups_of_missing_names_give_neutral_values) {
    udb_schema s = emp_schema();
    EXPECT_FALSE(s.find_field(L"SALARY"));
    EXPECT_EQ(s.get_field_idx(L"SALARY"), -1);
    EXPECT_EQ(s.get_field_size(L"SALARY"), -1);
    EXPECT_EQ(s.get_field_type(L"SALARY"), VT_NULL);

    t_ftd& missing = s.get_field1(L"SALARY");
    EXPECT_TRUE(missing.name.empty());
    EXPECT_EQ(missing.size, 0u);
    EXPECT_EQ(missing.vartype, 0);
    EXPECT_EQ(missing.default_value.vt(), VT_EMPTY);
    // A caller that scribbles on the stand-in must not change the next miss.
    missing.name = L"scribbled";
    EXPECT_TRUE(s.get_field1(L"OTHER").name.empty());
    EXPECT_TRUE(s.get_field2(L"OTHER").name.empty());
    EXPECT_EQ(s.size(), 3u);
}

TEST(udb_schema, copies_share_descriptions) {
    auto copy = std::make_unique<udb_schema>(emp_schema());
    udb_schema original = *copy;
    copy->get_field1(L"NAME").native_type = L"VARCHAR(40)";
    EXPECT_EQ(original.get_field2(L"Name").native_type, L"VARCHAR(40)");

    // Destroying a copy leaves the descriptions alive for the others.
    const t_ftd* shared = &original[1];
    copy.reset();
    EXPECT_EQ(&original[1], shared);
    EXPECT_EQ(original[1].name, L"Name");
}

TEST(udb_schema, set_field_comment) {
    udb_schema s = emp_schema();
    s.set_field_comment(L"name", L"full name");
    EXPECT_EQ(s[1].comment, L"full name");
    s.set_field_comment(L"NAME", L"");
    EXPECT_EQ(s[1].comment, L"full name");
    s.set_field_comment(L"NOPE", L"x");
    for (const auto& f : s) EXPECT_NE(f->comment, L"x");
}

TEST(t_ftd, precision_word) {
    t_ftd dec(10, L"AMOUNT", VT_DECIMAL, true, false, ole_variant(), 12 * 256 + 2, L"");
    EXPECT_EQ(dec.get_precision(), 12);
    EXPECT_EQ(dec.dw_reserved & 0xFF, 2);
    t_ftd plain(10, L"N", VT_I4, false, false, ole_variant(), 0, L"");
    EXPECT_EQ(plain.get_precision(), 0);
    EXPECT_TRUE(dec.b_not_null);
    EXPECT_TRUE(dec.comment.empty());
}

TEST(t_ftd, copy_keeps_default_value) {
    t_ftd a(8, L"S", VT_BSTR, false, false, ole_variant(std::wstring(L"dflt")), 0, L"TEXT");
    t_ftd b = a;
    a.default_value = ole_variant(5);
    EXPECT_EQ(b.default_value.to_wstring(), L"dflt");
    EXPECT_EQ(b.native_type, L"TEXT");
}

TEST(udb_record, finds_fields_ignoring_case_and_owns_them) {
    udb_record r;
    r.push_back(std::make_unique<udb_field>(L"ID", 4, ole_variant(7)));
    r.add_field(udb_field(L"Name", 40, ole_variant(std::wstring(L"KING"))));
    r.push_back(nullptr);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_TRUE(r.find_field(L"name"));
    EXPECT_FALSE(r.find_field(L"SAL"));
    EXPECT_EQ(r.get_field(L"NAME").to_wstring(), L"KING");
    EXPECT_EQ(r.get_field(L"id").to_long(), 7);
    EXPECT_EQ(r.get_field(L"ID").get_type(), VT_I4);

    udb_field& missing = r.get_field(L"SAL");
    EXPECT_TRUE(missing.get_name().empty());
    EXPECT_EQ(missing.get_type(), VT_EMPTY);
    missing = udb_field(L"X", 1, ole_variant(1));
    EXPECT_TRUE(r.get_field(L"SAL").get_name().empty());

    r.reset();
    EXPECT_TRUE(r.empty());
    EXPECT_FALSE(r.find_field(L"ID"));
}

TEST(udb_field, copy_is_deep_and_keeps_name_size_flags) {
    std::vector<std::uint8_t> bytes{1, 2, 3};
    udb_field a(L"BLOB", 3, ole_variant(bytes), true, false);
    udb_field b(a);
    a.attach_binary(std::vector<std::uint8_t>{9});
    const std::uint8_t* p = nullptr;
    ASSERT_EQ(b.get_bytes1(p), 3u);
    EXPECT_EQ(p[2], 3);
    EXPECT_EQ(b.get_name(), L"BLOB");
    EXPECT_EQ(b.get_size(), 3);
    EXPECT_TRUE(b.get_flag1());
    EXPECT_FALSE(b.get_flag2());

    // Taken over, not copied: the field holds the very text the value held.
    ole_variant moved(std::wstring(L"text"));
    const BSTR text = moved.variant().bstrVal;
    udb_field c(L"T", 4, std::move(moved));
    EXPECT_EQ(c.variant().bstrVal, text);
    EXPECT_EQ(c.to_wstring(), L"text");
}

TEST(udb_index, starts_with_fields) {
    udb_index idx(L"IX", false, false, {L"ID", L"NAME"});
    EXPECT_TRUE(idx.starts_with_fields({}));
    EXPECT_TRUE(idx.starts_with_fields({L"id"}));
    EXPECT_TRUE(idx.starts_with_fields({L"Id", L"name"}));
    EXPECT_FALSE(idx.starts_with_fields({L"NAME"}));
    EXPECT_FALSE(idx.starts_with_fields({L"ID", L"NAME", L"X"}));
    udb_index none(L"E", false, false, {});
    EXPECT_TRUE(none.starts_with_fields({}));
    EXPECT_FALSE(none.starts_with_fields({L"ID"}));
}

TEST(udb_indexes, same_name_merges_and_names_differing_by_case_stay_apart) {
    udb_indexes idx;
    idx.push_back(udb_index(L"PK_T", true, true, {L"ID"}));
    idx.push_back(udb_index(L"PK_T", true, false, {L"OTHER"}));
    ASSERT_EQ(idx.size(), 1u);
    EXPECT_EQ(idx[0].name, L"PK_T");
    EXPECT_TRUE(idx[0].primary);
    EXPECT_EQ(idx[0].columns, std::vector<std::wstring>{L"ID"});
    idx.push_back(udb_index(L"pk_t", true, false, {L"OTHER"}));
    ASSERT_EQ(idx.size(), 2u);
    EXPECT_EQ(idx[1].columns, std::vector<std::wstring>{L"OTHER"});
}

TEST(udb_indexes, merge_rules_by_rank) {
    udb_indexes idx;
    idx.push_back(udb_index(L"A", false, false, {L"X"}));
    idx.push_back(udb_index(L"A", true, false, {L"Y"}));  // unique replaces plain
    ASSERT_EQ(idx.size(), 1u);
    EXPECT_EQ(idx[0].name, L"A");
    EXPECT_TRUE(idx[0].unique);
    EXPECT_EQ(idx[0].columns, std::vector<std::wstring>{L"Y"});

    idx.push_back(udb_index(L"A", false, false, {L"Z"}));  // plain after unique is dropped
    EXPECT_EQ(idx[0].columns, std::vector<std::wstring>{L"Y"});
    idx.push_back(udb_index(L"A", true, false, {L"Z"}));  // unique after unique is dropped
    EXPECT_EQ(idx[0].columns, std::vector<std::wstring>{L"Y"});

    idx.push_back(udb_index(L"A", true, true, {L"K"}));  // primary upgrades
    EXPECT_TRUE(idx[0].primary);
    EXPECT_EQ(idx[0].name, L"A");
    EXPECT_EQ(idx[0].columns, std::vector<std::wstring>{L"K"});

    idx.push_back(udb_index(L"B", false, false, {L"X"}));
    idx.push_back(udb_index(L"C", false, false, {L"X"}));
    ASSERT_EQ(idx.size(), 3u);
    EXPECT_EQ(idx[1].name, L"B");
    EXPECT_EQ(idx[2].name, L"C");

    // Two plain indexes of one name: the first stays as it was.
    idx.push_back(udb_index(L"C", false, false, {L"Q"}));
    EXPECT_EQ(idx[2].name, L"C");
    EXPECT_EQ(idx[2].columns, std::vector<std::wstring>{L"X"});
}

TEST(udb_indexes, lookups) {
    udb_indexes idx;
    idx.push_back(udb_index(L"PK_EMP", true, true, {L"id"}));
    idx.push_back(udb_index(L"IX_NAME", false, false, {L"NAME", L"DEPT"}));

    // Names are exact, as the catalogues spell them.
    EXPECT_TRUE(idx.find2(L"IX_NAME"));
    EXPECT_FALSE(idx.find2(L"ix_name"));
    EXPECT_FALSE(idx.find2(L"IX_OTHER"));
    EXPECT_EQ(idx.get_index(L"PK_EMP").columns[0], L"id");
    EXPECT_FALSE(idx.is_acceptable_name(L"IX_NAME"));
    EXPECT_TRUE(idx.is_acceptable_name(L"Ix_Name"));
    EXPECT_TRUE(idx.is_acceptable_name(L"IX_NEW"));

    // Column membership is exact.
    EXPECT_FALSE(idx.is_idx_field(L"ID", false));
    EXPECT_TRUE(idx.is_idx_field(L"id", true));
    EXPECT_TRUE(idx.is_idx_field(L"DEPT", false));
    EXPECT_FALSE(idx.is_idx_field(L"DEPT", true));
    EXPECT_FALSE(idx.is_idx_field(L"dept", false));
}

TEST(udb_indexes, get_index_of_missing_name_is_internal_error) {
    udb_indexes idx;
    idx.push_back(udb_index(L"PK", true, true, {L"ID"}));
    try {
        idx.get_index(L"NOPE");
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.level(), 2);
        EXPECT_EQ(e.message(), make_err_meggase("udb_idx", 189));
    }
}
