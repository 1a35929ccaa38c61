// The texts of the user's views as the reader hands them on: the query alone, without Oracle's
// closing restrictions, however they are spelt.
#include <gtest/gtest.h>

#include "ORA/ora_database.h"
#include "ora_test_support.h"

namespace {

class OraViewText : public ora_suite_test<OraViewText> {
protected:
    static void SetUpTestSuite() {
        s_inst = std::make_unique<ora_test_instance>();
        s_inst->add_user("T", "t");
        s_inst->run("T", "t",
                    {"CREATE TABLE t1 (id NUMBER(3), name VARCHAR2(9))",
                     "CREATE VIEW v_read AS SELECT id FROM t1 with Read\n  Only CONSTRAINT v_ro",
                     "CREATE VIEW v_check AS SELECT id, name FROM t1 WHERE id > 0 "
                     "With Check Option"});
    }
    void SetUp() override { connect(*s_inst, L"T", L"t"); }

    std::wstring text_of(const std::wstring& view) {
        for (const auto& [name, text] : m_db->get_views())
            if (name == view) return text;
        ADD_FAILURE() << "no view " << std::string(view.begin(), view.end());
        return {};
    }
};

TEST_F(OraViewText, closing_restrictions_go_in_any_spelling_with_their_constraint) {
    EXPECT_EQ(text_of(L"V_READ").find_first_not_of(L" "), 0u);
    EXPECT_EQ(text_of(L"V_READ").substr(0, 19), L"SELECT id FROM t1 ");
    EXPECT_EQ(text_of(L"V_READ").find(L"Only"), std::wstring::npos);
    EXPECT_EQ(text_of(L"V_READ").find(L"v_ro"), std::wstring::npos);
    EXPECT_EQ(text_of(L"V_CHECK").find(L"Check"), std::wstring::npos);
    EXPECT_NE(text_of(L"V_CHECK").find(L"WHERE id > 0"), std::wstring::npos);
}

}  // namespace
