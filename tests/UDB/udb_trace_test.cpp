#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "TK/tk_logger.h"
#include "TK/tk_yaml_config.h"
#include "UDB/udb_database.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_profile.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_schema.h"
#include "UDB/udb_validator.h"
#include "udb_test_helpers.h"

// With the trace on at its most detailed level every message of the model is formatted, so a
// conversion that does not fit its argument shows here (and under the sanitizers) rather than in
// a user's trace file.

namespace {

class names_database : public udb_database {
public:
    names_database() : udb_database(L"scott", 0, 0) {}
    std::unique_ptr<udb_recordset> create_table(const std::wstring&, const udb_schema&,
                                                const udb_indexes&) override {
        return nullptr;
    }
    std::unique_ptr<udb_recordset> get_query(const std::wstring&, const std::wstring&,
                                             int) override {
        return nullptr;
    }
    std::unique_ptr<udb_recordset> get_table(const std::wstring&, int) override { return nullptr; }
    bool test_query(const std::wstring&) override { return true; }
};

class plain_recordset : public udb_recordset {
public:
    using udb_recordset::udb_recordset;
    void append_record(udb_record&) override {}
};

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

}  // namespace

TEST(udb_trace, every_message_is_formatted_with_its_arguments) {
    scratch_dir dir;
    const std::string log_path = dir.path("trace.log").string();
    {
        tk_logger logger(log_path.c_str(), true, 1, false);

        udb_schema schema;
        schema.push_back(
            std::make_shared<t_ftd>(4, L"ID", VT_I4, false, false, ole_variant(), 0, L""));
        schema.find_field(L"ID");
        schema.get_field_size(L"SAL");

        plain_recordset rs(L"EMP");
        rs.add_index(udb_index(L"UQ", true, false, {L"ID"}));
        rs.add_index(udb_index(L"UQ", false, false, {L"ID"}));
        udb_record row;
        row.add_field(udb_field(L"NAME", 10, ole_variant(std::wstring(L"KING"))));
        EXPECT_EQ(rs.get_key(row), nullptr);

        names_database db;
        db.get_tables().push_back(L"DEPT");
        db.is_table_exist(L"EMP");
        db.delete_tab(L"EMP");

        udb_validator v(64);
        v.add_illegal_char(L';');
        v.add_existing_name(L"Größe");
        EXPECT_FALSE(v.is_acceptable(L"A;B"));
        v.is_duplicated(L"GRÖSSE");

        t_names_map map;
        map.add(L"EMP", L"DEPT");
        udb_names_map::do_global_replace2(L"SELECT * FROM EMP", map, L"`", L"`");

        write_file_bytes(dir.path("sql.map"), "VARCHAR:\n- TEXT\n\n");
        tk_yaml_config cfg;
        cfg.load(dir.path("sql.map").string(), {});

        udb_profile profile;
        profile.set_value(L"Generic settings", L"k", L"v");
        profile.store(dir.path("p.kvt").wstring());
    }
    const std::vector<std::string> lines = lines_of(read_file_bytes(log_path));
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("t_ftd::ctor2"));
    EXPECT_TRUE(has("\tfield name='ID', vartype=3, size=4, b_not_null=0, reserved=0"));
    EXPECT_TRUE(has("udb_schema::find_field(ID)"));
    EXPECT_TRUE(has("Schema size=1"));
    EXPECT_TRUE(has("Field name: 'ID'"));
    EXPECT_TRUE(has("Field 'SAL' not found"));
    EXPECT_TRUE(has("udb_index::ctor('UQ',1,0)"));
    EXPECT_TRUE(has("udb_recordset::add_index(UQ, -1)"));
    EXPECT_TRUE(has("Store primary/unique key"));
    EXPECT_TRUE(has("udb_recordset::add_index(UQ, 0)"));
    EXPECT_TRUE(has("Index 'UQ' cannot be processed"));
    EXPECT_TRUE(has("udb_recordset::get_key(that.size=1)"));
    EXPECT_TRUE(has("u_k_flds.size=1"));
    EXPECT_TRUE(has("Key field 'ID' is not found in record"));
    EXPECT_TRUE(has("udb_field::ctor #2"));
    EXPECT_TRUE(has("name=NAME, size=10"));
    EXPECT_TRUE(has("udb_database::ctor(scott)"));
    EXPECT_TRUE(has("udb_database::is_table_exist(EMP,case_sensitive=0)"));
    EXPECT_TRUE(has("Compare with DEPT"));
    EXPECT_TRUE(has("table not found"));
    EXPECT_TRUE(has("udb_database::delete_tab(EMP)"));
    EXPECT_TRUE(has("Table not found!"));
    EXPECT_TRUE(has("udb_validator::add_existing_name(Größe)"));
    EXPECT_TRUE(has("The name contains illegal: ;"));
    EXPECT_TRUE(has("udb_validator::is_duplicated(GRÖSSE)"));
    EXPECT_TRUE(has("Processing Größe"));
    EXPECT_TRUE(has("Testing pair ('EMP','`DEPT`')"));
    EXPECT_TRUE(has("'EMP' was found at pos=14"));
    EXPECT_TRUE(has("tk_yaml_config::load(" + dir.path("sql.map").string() + ")"));
    EXPECT_TRUE(has("Got text line: - TEXT"));
    EXPECT_TRUE(has("Skip empty line"));
    EXPECT_TRUE(has("String 'TEXT' has been stored under key='VARCHAR'"));
    EXPECT_TRUE(has("udb_profile::store)"));
    EXPECT_TRUE(has("udb_database::dtor"));
    EXPECT_TRUE(has("udb_recordset::dtor"));
}
