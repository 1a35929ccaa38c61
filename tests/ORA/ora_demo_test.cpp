// The repository's demo shop schema, loaded from its script, read back table by table.
#include <gtest/gtest.h>

#include <filesystem>

#include "ORA/ora_database.h"
#include "ORA/ora_date_processor.h"
#include "ORA/ora_engine.h"
#include "UDB/udb_recordset.h"
#include "ora_test_support.h"

namespace {

const std::string k_demo = std::string(TW_SOURCE_DIR) + "/samples/demo/demo_schema.sql";

TEST(OraDemo, EveryTableReadsBackExactly) {
    if (!std::filesystem::exists(k_demo)) GTEST_SKIP() << "no demo schema at " << k_demo;
    ora_test_instance inst;
    inst.add_user("SHOP", "shop");
    inst.run_script("SHOP", "shop", k_demo);
    ora_date_processor dates;
    ora_engine engine;
    auto db = engine.open_db(inst.wdir(), L"SHOP", L"shop");
    auto tables = db->get_tables();
    EXPECT_EQ(tables.size(), 6u);  // the helper table of digits is dropped at the end
    EXPECT_FALSE(db->get_views().empty());
    for (const std::wstring& name : tables) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        auto t = db->get_table(name, 1);
        EXPECT_FALSE(t->get_schema().empty());
        ora_expect_same_rows(inst, "SHOP", "shop",
                             "SELECT * FROM " + std::string(name.begin(), name.end()), *t);
    }
    EXPECT_FALSE(db->get_relationships().empty());
}

}  // namespace
