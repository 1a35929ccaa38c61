#include <gtest/gtest.h>

#include "TK/tk_exception.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_validator.h"

namespace {

// A destination family as the MySQL side builds one: 64 characters, a few illegal characters.
class mysql_like_validator : public udb_validator {
public:
    mysql_like_validator() : udb_validator(64) {
        add_illegal_char(L';');
        add_illegal_char(L'/');
        add_restricted_name(L"select");
    }
};

// Refuses everything, to run the numbering to its end.
class refusing_validator : public udb_validator {
public:
    refusing_validator() : udb_validator(0) {}
    bool is_duplicated(const std::wstring&) override {
        ++asked;
        return true;
    }
    int asked = 0;
};

}  // namespace

TEST(udb_validator, is_acceptable) {
    mysql_like_validator v;
    EXPECT_TRUE(v.is_acceptable(std::wstring(64, L'a')));
    EXPECT_FALSE(v.is_acceptable(std::wstring(65, L'a')));
    EXPECT_FALSE(v.is_acceptable(L"SELECT"));
    EXPECT_TRUE(v.is_acceptable(L"SELECTED"));
    EXPECT_FALSE(v.is_acceptable(L"A;B"));
    EXPECT_FALSE(v.is_acceptable(L"A/B"));
    udb_validator unlimited(0);
    EXPECT_TRUE(unlimited.is_acceptable(std::wstring(1000, L'x')));
}

TEST(udb_validator, is_duplicated_ignores_case) {
    udb_validator v(0);
    EXPECT_FALSE(v.is_duplicated(L"EMP"));
    v.add_existing_name(L"Emp");
    EXPECT_TRUE(v.is_duplicated(L"EMP"));
    EXPECT_TRUE(v.is_duplicated(L"emp"));
    EXPECT_FALSE(v.is_duplicated(L"EMP2"));
}

TEST(udb_validator, safe_name_replaces_illegal_characters) {
    mysql_like_validator v;
    EXPECT_EQ(v.get_safe_name(L"A;B"), L"A_B");
    EXPECT_EQ(v.get_safe_name(L"a/b;c"), L"a_b_c");
    EXPECT_EQ(v.get_safe_name(L"EMP"), L"EMP");
    EXPECT_EQ(v.get_safe_name(std::wstring(64, L'x')), std::wstring(64, L'x'));
}

TEST(udb_validator, long_names_are_cut_below_the_limit) {
    mysql_like_validator v;
    const std::wstring name(70, L'N');
    const std::wstring first = v.get_safe_name(name);
    EXPECT_EQ(first, std::wstring(63, L'N'));

    v.add_existing_name(first);
    const std::wstring second = v.get_safe_name(name);
    EXPECT_EQ(second, std::wstring(58, L'N') + L"00000");
    EXPECT_EQ(second.size(), 63u);

    v.add_existing_name(second);
    EXPECT_EQ(v.get_safe_name(name), std::wstring(58, L'N') + L"00001");
}

TEST(udb_validator, taken_or_restricted_names_get_numbers) {
    mysql_like_validator v;
    v.add_existing_name(L"EMP");
    EXPECT_EQ(v.get_safe_name(L"emp"), L"emp00000");
    v.add_existing_name(L"EMP00000");
    v.add_existing_name(L"emp00001");
    EXPECT_EQ(v.get_safe_name(L"Emp"), L"Emp00002");
    EXPECT_EQ(v.get_safe_name(L"Select"), L"Select00000");
    // The result is not recorded by get_safe_name itself.
    EXPECT_FALSE(v.is_duplicated(L"Emp00002"));
}

TEST(udb_validator, exhausted_numbering_is_internal_error) {
    refusing_validator v;
    try {
        v.get_safe_name(L"T");
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.message(), make_err_meggase("udb_vali", 54));
    }
    EXPECT_EQ(v.asked, 1 + 100000);
}

TEST(udb_validator, tiny_limits_do_not_underflow) {
    // No numbered name fits three characters: the numbering runs out instead of cutting to a
    // negative length.
    udb_validator three(3);
    EXPECT_EQ(three.get_safe_name(L"abcd"), L"ab");
    three.add_existing_name(L"ab");
    EXPECT_THROW(three.get_safe_name(L"abcd"), tk_mail_assertion);

    udb_validator six(6);
    six.add_existing_name(L"abcde");
    EXPECT_EQ(six.get_safe_name(L"abcdefgh"), L"00000");
}

TEST(udb_validator, mapping_keeps_the_first_pair) {
    udb_validator v(64);
    v.add_mapped_pair(L"A;B", L"A_B");
    v.add_mapped_pair(L"A;B", L"A_B00000");
    EXPECT_EQ(v.get_mapping().get_mapped_name(L"a;b", false), L"A_B");
    EXPECT_EQ(v.get_mapping().size(), 1u);
}

TEST(t_names_map, lookups) {
    t_names_map m;
    m.add(L"Emp", L"EMP_T");
    m.add(L"Dept", L"DEPT_T");
    EXPECT_EQ(m.get_mapped_name(L"EMP", false), L"EMP_T");
    EXPECT_EQ(m.get_mapped_name(L"EMP", true), L"EMP");
    EXPECT_EQ(m.get_mapped_name(L"Emp", true), L"EMP_T");
    EXPECT_EQ(m.get_mapped_name(L"SALGRADE", false), L"SALGRADE");
    EXPECT_EQ(m.get_orig_name(L"dept_t", false), L"Dept");
    EXPECT_EQ(m.get_orig_name(L"dept_t", true), L"dept_t");
}

TEST(udb_names_map, table_and_field_lookups) {
    udb_names_map names;
    names.add_tn_mapping(L"EMP", L"emp_new");
    names.add_tn_mapping(L"EMP", L"emp_other");
    EXPECT_EQ(names.get_tn_mapped_name(L"emp", false), L"emp_new");
    EXPECT_EQ(names.get_tn_mapped_name(L"emp", true), L"emp");

    t_names_map cols;
    cols.add(L"ENAME", L"E_NAME");
    names.add_fn_map(L"EMP", cols);
    t_names_map other;
    other.add(L"ENAME", L"IGNORED");
    names.add_fn_map(L"EMP", other);
    EXPECT_EQ(names.get_fn_mapped_name(L"EMP", L"ename", false), L"E_NAME");
    EXPECT_EQ(names.get_fn_orig_name(L"EMP", L"e_name", false), L"ENAME");
    // Tables are found by exact key only.
    EXPECT_EQ(names.get_fn_mapped_name(L"emp", L"ENAME", false), L"ENAME");
    EXPECT_EQ(names.get_fn_mapped_name(L"DEPT", L"DNAME", false), L"DNAME");
    EXPECT_EQ(names.get_fn_orig_name(L"DEPT", L"DNAME", false), L"DNAME");
}

TEST(udb_names_map, global_replace_whole_words_ignoring_case) {
    t_names_map m;
    m.add(L"EMP", L"DEPT");
    EXPECT_EQ(udb_names_map::do_global_replace2(L"SELECT emp.ID FROM EMP, EMPLOYEE", m, L"", L""),
              L"SELECT DEPT.ID FROM DEPT, EMPLOYEE");
    EXPECT_EQ(udb_names_map::do_global_replace2(L"EMP", m, L"", L""), L"DEPT");
    EXPECT_EQ(udb_names_map::do_global_replace2(L"XEMP EMP1 ÄEMP", m, L"", L""), L"XEMP EMP1 ÄEMP");
    // Names that merely contain the table's name are other names.
    EXPECT_EQ(
        udb_names_map::do_global_replace2(L"SELECT EMP_ID, EMP$X, X#EMP FROM EMP", m, L"`", L"`"),
        L"SELECT EMP_ID, EMP$X, X#EMP FROM `DEPT`");
    EXPECT_EQ(udb_names_map::do_global_replace2(L"", m, L"", L""), L"");
}

TEST(udb_names_map, global_replace_quotes_once) {
    t_names_map plain;
    plain.add(L"EMP", L"DEPT");
    EXPECT_EQ(udb_names_map::do_global_replace2(L"from emp e", plain, L"`", L"`"),
              L"from `DEPT` e");
    t_names_map quoted;
    quoted.add(L"EMP", L"`DEPT`");
    EXPECT_EQ(udb_names_map::do_global_replace2(L"from emp e", quoted, L"`", L"`"),
              L"from `DEPT` e");
}

TEST(udb_names_map, global_replace_does_not_rescan_its_replacement) {
    t_names_map m;
    m.add(L"A", L"A A");
    EXPECT_EQ(udb_names_map::do_global_replace2(L"A+A", m, L"", L""), L"A A+A A");
}

TEST(udb_names_map, global_replace_with_tables_then_columns) {
    udb_names_map names;
    names.add_tn_mapping(L"EMP", L"EMPLOYEES");
    t_names_map cols;
    cols.add(L"SAL", L"SALARY");
    names.add_fn_map(L"EMP", cols);
    EXPECT_EQ(names.do_global_replace1(L"select sal from emp where sal > 0", L"`", L"`"),
              L"select `SALARY` from `EMPLOYEES` where `SALARY` > 0");
}

TEST(udb_names_map, pairs_are_walked_in_utf16_order) {
    // The first match in map order wins, so the order decides between two spellings.
    t_names_map m;
    m.add(L"\uE000", L"private");
    m.add(L"\U0001F600", L"emoji");
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m.begin()->second, L"emoji");
}

TEST(udb_validator, derived_validators_are_released_through_the_base) {
    // The run owns its table-name validator through the base; the family's own members must be
    // released too (the sanitizer build also checks the sizes of new and delete).
    struct counted_validator : udb_validator {
        explicit counted_validator(int& released) : udb_validator(64), released(released) {
            words.assign(100, L"reserved");
        }
        ~counted_validator() override { ++released; }
        int& released;
        std::vector<std::wstring> words;
    };
    int released = 0;
    {
        std::unique_ptr<udb_validator> v = std::make_unique<counted_validator>(released);
        v->add_existing_name(L"EMP");
    }
    EXPECT_EQ(released, 1);
}

TEST(udb_names_map, global_replace_ignores_empty_source_names) {
    t_names_map m;
    m.add(L"", L"X");
    m.add(L"EMP", L"DEPT");
    EXPECT_EQ(udb_names_map::do_global_replace2(L"select * from emp", m, L"", L""),
              L"select * from DEPT");
}
