// The human-resources sample schema read from one embedded Oracle user into model objects and
// written through the destination side into a second user, then read back equal.
#include <gtest/gtest.h>

#include <filesystem>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_query_results.h"
#include "UDB/udb_recordset.h"
#include "ora_test_support.h"

namespace {

const std::string k_hr_dir = std::string(TW_SHARED_DIR) + "/oracle-samples/human_resources";

struct table_copy {
    std::wstring name;
    udb_schema schema;
    udb_indexes indexes;
    std::vector<std::unique_ptr<udb_record>> rows;
    std::vector<std::vector<std::wstring>> text;
};

std::unique_ptr<table_copy> read_table(ora_database& db, const std::wstring& name) {
    auto result = std::make_unique<table_copy>();
    table_copy& copy = *result;
    copy.name = name;
    auto t = db.get_table(name, 0);
    for (const auto& field : t->get_schema()) copy.schema.add_field(*field);
    for (const udb_index& index : t->get_indexes()) copy.indexes.push_back(index);
    t->reset();
    while (!t->is_eof()) {
        udb_record* rec = t->get_item();
        if (!rec) break;
        auto row = std::make_unique<udb_record>();
        std::vector<std::wstring> text;
        for (const auto& field : *rec) {
            row->add_field(*field);
            text.push_back(field->is_empty() ? std::wstring(L"<null>") : field->to_wstring());
        }
        copy.rows.push_back(std::move(row));
        copy.text.push_back(std::move(text));
        t->next();
    }
    return result;
}

std::vector<std::vector<std::wstring>> constraint_kinds(const std::string& sql) {
    ora_query_results rs(0, std::wstring(sql.begin(), sql.end()));
    return ora_read_all(rs);
}

TEST(OraHrDestination, WrittenIntoASecondUserReadsBackEqual) {
    if (!std::filesystem::exists(k_hr_dir + "/hr_create.sql"))
        GTEST_SKIP() << "sample schema not found in " << k_hr_dir
                     << " (the shared folder beside the checkout)";
    ora_test_instance inst;
    inst.add_user("HR", "hr");
    inst.run_script("HR", "hr", k_hr_dir + "/hr_create.sql");
    inst.run_script("HR", "hr", k_hr_dir + "/hr_populate.sql");

    ora_engine engine;
    auto src = engine.open_db(inst.wdir(), L"HR", L"hr");
    std::vector<std::unique_ptr<table_copy>> tables;
    for (const std::wstring& name : src->get_tables()) tables.push_back(read_table(*src, name));
    ASSERT_EQ(tables.size(), 7u);
    udb_relationships relationships = src->get_relationships();
    const udb_database::view_list views = src->get_views();
    const auto source_keys = constraint_kinds(
        "select constraint_type, count(*) from user_constraints where constraint_type in "
        "('P','R') group by constraint_type order by 1");
    src->create_schema(L"HR2");
    src.reset();

    auto dst = engine.open_db(inst.wdir(), L"HR2", L"");
    for (auto& copy : tables) {
        table_copy& t = *copy;
        auto out = dst->create_table(t.name, t.schema, t.indexes);
        for (auto& row : t.rows) out->append_record(*row);
        out->flush();
    }
    dst->create_relationships(relationships);
    dst->create_views(views);

    std::size_t rows = 0;
    for (auto& copy : tables) {
        table_copy& t = *copy;
        auto back = dst->get_table(t.name, 1);
        EXPECT_EQ(ora_read_all(*back), t.text) << std::string(t.name.begin(), t.name.end());
        rows += t.text.size();
    }
    EXPECT_GT(rows, 200u);
    EXPECT_EQ(constraint_kinds("select constraint_type, count(*) from user_constraints where "
                               "constraint_type in ('P','R') group by constraint_type order by 1"),
              source_keys);
    ASSERT_EQ(dst->get_views().size(), 0u);  // read at open, before they were made
    auto again = engine.open_db(inst.wdir(), L"HR2", L"");
    ASSERT_EQ(again->get_views().size(), 1u);
    ora_query_results view(0, L"select to_char(count(*)) from emp_details_view");
    auto count = ora_read_all(view);
    ASSERT_EQ(count.size(), 1u);
    EXPECT_EQ(count[0][0], L"106");
}

}  // namespace
