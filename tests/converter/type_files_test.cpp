// The two type files of the mapping editor: the shipped files cover every type the built-in
// mapping gives, and the caches read them from the working directory or beside the program.
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "TK/tk_exception.h"
#include "TK/tk_temp_chdir.h"
#include "TK/tk_utils.h"
#include "converter/converter_test_support.h"
#include "converter/type_files.h"

namespace {

const std::string k_data_dir = std::string(TW_SOURCE_DIR) + "/data";

void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every bare type name the built-in mapping gives a column, from every column kind it knows.
std::set<std::wstring> built_in_type_names() {
    std::set<std::wstring> names;
    const int vartypes[] = {VT_I1,   VT_UI1,  VT_I2,   VT_UI2,  VT_I4,        VT_INT,
                            VT_UI4,  VT_UINT, VT_I8,   VT_UI8,  VT_R4,        VT_R8,
                            VT_BOOL, VT_CY,   VT_BSTR, VT_BLOB, VT_BYTE_ARRAY};
    const unsigned sizes[] = {1, 255, 256, 65535, 65536, 16777215, 16777216};
    for (int vt : vartypes) {
        for (unsigned size : sizes)
            names.insert(get_sql_native_type(make_column(L"C", vt, size), true));
    }
    for (int reserved : {0, 0x0A02}) {
        names.insert(get_sql_native_type(make_column(L"C", VT_DECIMAL, 8, false, reserved), true));
    }
    for (int kind = 0; kind < 4; ++kind) {
        names.insert(get_sql_native_type(make_column(L"C", VT_DATE, 8, false, kind), true));
    }
    t_ftd now = make_column(L"C", VT_DATE, 8, false, 1);
    now.default_value = ole_variant(std::wstring(L"getdate()"));
    names.insert(get_sql_native_type(now, true));
    return names;
}

class type_files_test : public conversion_test {
protected:
    void SetUp() override {
        conversion_test::SetUp();
        clear_type_caches();
        scratch = config_dir + "/types";
        std::filesystem::create_directories(scratch);
    }
    void TearDown() override {
        clear_type_caches();
        conversion_test::TearDown();
    }

    std::string scratch;
};

TEST_F(type_files_test, shipped_files_cover_every_built_in_type) {
    tk_temp_chdir here(k_data_dir);
    ASSERT_TRUE(here.ok());
    const std::set<std::wstring> built_in = built_in_type_names();
    EXPECT_GE(built_in.size(), 20u);
    for (const std::wstring& type : built_in) {
        SCOPED_TRACE(tk_to_utf8(type));
        const std::vector<std::wstring>& targets = conv->get_mapped_types(type);
        EXPECT_FALSE(targets.empty());
        EXPECT_FALSE(conv->get_type_params(type).empty());
        for (const std::wstring& target : targets) {
            SCOPED_TRACE(tk_to_utf8(target));
            // A choice must give a column definition the server takes: a known name, and a size
            // wherever the type text carries one.
            EXPECT_TRUE(is_known_sql_type(target));
            EXPECT_FALSE(conv->get_type_params(target).empty());
            if (target == L"BINARY" || target == L"VARBINARY") {
                EXPECT_TRUE(type_takes(conv->get_type_params(target), L"LENGTH"));
            }
        }
    }
    EXPECT_TRUE(type_takes(conv->get_type_params(L"VARCHAR"), L"LENGTH"));
    EXPECT_TRUE(type_takes(conv->get_type_params(L"CHAR"), L"LENGTH"));
    EXPECT_TRUE(type_takes(conv->get_type_params(L"DECIMAL"), L"PRECISION"));
    EXPECT_TRUE(type_takes(conv->get_type_params(L"DECIMAL"), L"SCALE"));
    EXPECT_FALSE(type_takes(conv->get_type_params(L"INT"), L"LENGTH"));
    // Binary columns are offered binary types only.
    for (const std::wstring& target : conv->get_mapped_types(L"BLOB"))
        EXPECT_NE(target.find(L"BLOB"), std::wstring::npos) << tk_to_utf8(target);
}

TEST_F(type_files_test, binary_choices_keep_the_bytes) {
    tk_temp_chdir here(k_data_dir);
    ASSERT_TRUE(here.ok());
    for (const std::wstring& target : conv->get_mapped_types(L"BLOB")) {
        SCOPED_TRACE(tk_to_utf8(target));
        sql_db_mutator mapping;
        sql_native_type type;
        type.type = target;
        sql_table_mutator& table = mapping.get_table_mutator(L"T", L"T");
        table.update_field(L"B", L"PICTURE", type);
        udb_record record;
        const std::vector<std::uint8_t> bytes = {0x00, 0xFF, 0x41, 0x0A};
        record.push_back(std::make_unique<udb_field>(L"B", 4, ole_variant(bytes)));
        udb_record& out = mapping.modify2(L"T", record);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].get_name(), L"PICTURE");
        EXPECT_TRUE(ole_is_binary_type(out[0].vt()));
        const std::uint8_t* kept = nullptr;
        ASSERT_EQ(out[0].get_bytes1(kept), bytes.size());
        EXPECT_EQ(std::vector<std::uint8_t>(kept, kept + bytes.size()), bytes);
    }
}

TEST_F(type_files_test, files_are_copied_beside_the_programs) {
    for (const char* name : {"sql.map", "sql.typ"}) {
        const std::string copy = std::string(TW_BINARY_DIR) + "/bin/" + name;
        ASSERT_TRUE(std::filesystem::exists(copy)) << copy;
        EXPECT_EQ(file_bytes(copy), file_bytes(k_data_dir + "/" + name));
    }
}

TEST_F(type_files_test, missing_file_is_reported_and_tried_again) {
    tk_temp_chdir here(scratch);
    ASSERT_TRUE(here.ok());
    try {
        conv->get_mapped_types(L"VARCHAR");
        ADD_FAILURE();
    } catch (const tk_exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot find sql.map. Custom type mapping is not available.");
        EXPECT_EQ(e.level(), 1);
    }
    try {
        conv->get_type_params(L"VARCHAR");
        ADD_FAILURE();
    } catch (const tk_exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot find sql.typ. Custom type mapping is not available.");
    }
    write_bytes(scratch + "/sql.map", "VARCHAR:\n- TEXT\n");
    EXPECT_EQ(conv->get_mapped_types(L"VARCHAR"), (std::vector<std::wstring>{L"TEXT"}));
}

TEST_F(type_files_test, keys_match_exactly_and_words_in_any_case) {
    tk_temp_chdir here(scratch);
    ASSERT_TRUE(here.ok());
    write_bytes(scratch + "/sql.typ", "decimal:\n  - LENGTH\nDECIMAL:\n  - precision\n  - Scale\n");
    write_bytes(scratch + "/sql.map", "DECIMAL:\n  - DOUBLE\n");
    EXPECT_TRUE(type_takes(conv->get_type_params(L"DECIMAL"), L"PRECISION"));
    EXPECT_TRUE(type_takes(conv->get_type_params(L"DECIMAL"), L"SCALE"));
    EXPECT_FALSE(type_takes(conv->get_type_params(L"DECIMAL"), L"LENGTH"));
    EXPECT_TRUE(conv->get_mapped_types(L"decimal").empty());
    // Loaded once: a changed file is not read again.
    write_bytes(scratch + "/sql.map", "DECIMAL:\n  - FLOAT\n");
    EXPECT_EQ(conv->get_mapped_types(L"DECIMAL"), (std::vector<std::wstring>{L"DOUBLE"}));
}

TEST_F(type_files_test, working_directory_first_then_beside_the_program) {
    tk_temp_chdir here(scratch);
    ASSERT_TRUE(here.ok());
    const char probe[] = "type_files_probe.typ";
    const std::string beside = tk_get_module_dir() + probe;
    write_bytes(beside, "x");
    EXPECT_EQ(type_file_path(probe), beside);
    write_bytes(scratch + "/" + probe, "y");
    EXPECT_EQ(type_file_path(probe), probe);
    std::filesystem::remove(beside);
    EXPECT_EQ(type_file_path("no_such_file.map"), "no_such_file.map");
}

}  // namespace
