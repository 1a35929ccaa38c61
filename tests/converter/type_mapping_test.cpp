#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "ORA/ora_test_support.h"
#include "SQL/sql_test_env.h"
#include "TK/tk_exception.h"
#include "converter/converter_test_support.h"
#include "converter/udb_db_mutator.h"

namespace {

const char k_conversion_error[] = "Data conversion is not supported for given type mapping";

std::shared_ptr<t_ftd> column(const std::wstring& name, int vartype, unsigned size,
                              int dw_reserved = 0) {
    return std::make_shared<t_ftd>(make_column(name, vartype, size, false, dw_reserved));
}

udb_schema emp_schema(bool setting = true) {
    udb_schema s(setting);
    s.push_back(column(L"ID", VT_I4, 4));
    s.push_back(column(L"NAME", VT_BSTR, 40));
    s.push_back(column(L"SALARY", VT_DECIMAL, 12, 0x0A02));
    s.push_back(column(L"NOTE", VT_BSTR, 100));
    return s;
}

udb_indexes emp_indexes() {
    udb_indexes ix;
    ix.push_back(udb_index(L"PK_EMP", true, true, {L"ID"}));
    ix.push_back(udb_index(L"IX_NAME_NOTE", false, false, {L"NOTE", L"NAME", L"ID"}));
    ix.push_back(udb_index(L"IX_NOTE", false, false, {L"NOTE"}));
    return ix;
}

void fill_emp(udb_record& r, int id, const std::wstring& name, const std::wstring& salary,
              const std::wstring& note) {
    r.reset();
    r.push_back(std::make_unique<udb_field>(L"ID", 4, ole_variant(id)));
    r.push_back(std::make_unique<udb_field>(L"NAME", 40, ole_variant(name)));
    r.push_back(std::make_unique<udb_field>(L"SALARY", 12, ole_variant(salary)));
    r.push_back(std::make_unique<udb_field>(L"NOTE", 100, ole_variant(note)));
}

std::vector<std::wstring> names_of(const udb_schema& s) {
    std::vector<std::wstring> out;
    for (const auto& f : s) out.push_back(f->name);
    return out;
}

std::vector<std::wstring> names_of(const udb_record& r) {
    std::vector<std::wstring> out;
    for (const auto& f : r) out.push_back(f->get_name());
    return out;
}

using names = std::vector<std::wstring>;

// The mapping code calls the MySQL text functions, which need the one engine to exist.
class type_map_test : public sql_engine_test {
protected:
    sql_db_mutator db;
};

using type_map_table = type_map_test;
using type_map_field = type_map_test;
using type_map_db = type_map_test;
using type_map_log = type_map_test;

}  // namespace

TEST_F(type_map_table, mutator_without_fields_changes_only_the_table_name) {
    db.get_table_mutator(L"EMP", L"STAFF");
    udb_schema schema = emp_schema(false);
    const udb_schema before = schema;
    udb_indexes indexes = emp_indexes();

    EXPECT_EQ(db.modify1(L"EMP", schema, indexes), L"STAFF");
    ASSERT_EQ(schema.size(), before.size());
    for (std::size_t i = 0; i < schema.size(); ++i)
        EXPECT_EQ(schema.fields()[i], before.fields()[i]) << i;
    EXPECT_FALSE(schema.get_setting());
    EXPECT_EQ(indexes[1].columns, (names{L"NOTE", L"NAME", L"ID"}));
    EXPECT_EQ(schema[1].native_type, L"");

    udb_record record;
    fill_emp(record, 1, L"Smith", L"10.5", L"n");
    EXPECT_EQ(&db.modify2(L"EMP", record), &record);
    EXPECT_EQ(&db.find_table_mutator(L"EMP")->modify2(record), &record);
    EXPECT_EQ(names_of(record), (names{L"ID", L"NAME", L"SALARY", L"NOTE"}));
}

TEST_F(type_map_table, table_without_mutator_passes_unchanged) {
    udb_schema schema = emp_schema();
    udb_indexes indexes = emp_indexes();
    EXPECT_EQ(db.modify1(L"DEPT", schema, indexes), L"DEPT");
    EXPECT_EQ(names_of(schema), (names{L"ID", L"NAME", L"SALARY", L"NOTE"}));
    udb_record record;
    fill_emp(record, 1, L"Smith", L"10.5", L"n");
    EXPECT_EQ(&db.modify2(L"DEPT", record), &record);
}

TEST_F(type_map_table, deleted_field_leaves_definition_indexes_and_records) {
    sql_table_mutator& tm = db.get_table_mutator(L"EMP", L"EMP");
    tm.update_field(L"NOTE", L"REMARK", native(L"VARCHAR", 100)).status =
        udb_field_mutator::status_deleted;
    tm.update_field(L"NAME", L"FULL_NAME", native(L"VARCHAR", 60));

    udb_schema schema = emp_schema();
    udb_indexes indexes = emp_indexes();
    EXPECT_EQ(db.modify1(L"EMP", schema, indexes), L"EMP");
    EXPECT_EQ(names_of(schema), (names{L"ID", L"FULL_NAME", L"SALARY"}));
    ASSERT_EQ(indexes.size(), 3u);
    EXPECT_EQ(indexes[0].columns, (names{L"ID"}));
    // Order of the remaining columns kept, the mapped one renamed.
    EXPECT_EQ(indexes[1].columns, (names{L"FULL_NAME", L"ID"}));
    // An index whose every column is gone stays, with no columns.
    EXPECT_EQ(indexes[2].name, L"IX_NOTE");
    EXPECT_TRUE(indexes[2].columns.empty());

    udb_record record;
    fill_emp(record, 3, L"Jones", L"1", L"gone");
    udb_record& out = db.modify2(L"EMP", record);
    EXPECT_NE(&out, &record);
    EXPECT_EQ(names_of(out), (names{L"ID", L"FULL_NAME", L"SALARY"}));
    EXPECT_EQ(out[1].to_wstring(), L"Jones");
    EXPECT_EQ(out[1].get_size(), 60);
    EXPECT_EQ(names_of(record), (names{L"ID", L"NAME", L"SALARY", L"NOTE"}));
}

TEST_F(type_map_table, mapped_definition_gets_fresh_descriptions_and_flags) {
    sql_table_mutator& tm = db.get_table_mutator(L"EMP", L"STAFF");
    tm.update_field(L"NAME", L"FULL_NAME", native(L"VARCHAR", 60, 0, 0, L"none"));

    const udb_schema source = emp_schema(false);
    udb_schema schema = source;  // shares the descriptions, as the source's copies do
    udb_indexes indexes;
    EXPECT_EQ(db.modify1(L"EMP", schema, indexes), L"STAFF");
    EXPECT_TRUE(schema.get_setting());

    // The source's descriptions are untouched, mapped or not.
    EXPECT_EQ(source[1].name, L"NAME");
    EXPECT_EQ(source[1].size, 40u);
    EXPECT_EQ(source[1].native_type, L"");
    for (std::size_t i = 0; i < schema.size(); ++i)
        EXPECT_NE(schema.fields()[i], source.fields()[i]) << i;

    const t_ftd& name = schema[1];
    EXPECT_EQ(name.name, L"FULL_NAME");
    EXPECT_EQ(name.vartype, VT_BSTR);
    EXPECT_EQ(name.native_type, L"VARCHAR(60)");
    EXPECT_EQ(name.size, 60u);
    EXPECT_EQ(name.default_value.vt(), VT_BSTR);
    EXPECT_EQ(name.default_value.to_wstring(), L"none");
    // Unmapped columns are plain copies.
    EXPECT_EQ(schema[2].name, L"SALARY");
    EXPECT_EQ(schema[2].dw_reserved, 0x0A02);
    EXPECT_EQ(schema[2].native_type, L"");
}

TEST_F(type_map_table, empty_new_name_keeps_the_source_name_everywhere) {
    sql_table_mutator& tm = db.get_table_mutator(L"EMP", L"EMP");
    tm.update_field(L"NAME", L"", native(L"VARCHAR", 20));

    udb_schema schema = emp_schema();
    udb_indexes indexes = emp_indexes();
    db.modify1(L"EMP", schema, indexes);
    EXPECT_EQ(names_of(schema), (names{L"ID", L"NAME", L"SALARY", L"NOTE"}));
    EXPECT_EQ(schema[1].size, 20u);
    EXPECT_EQ(indexes[1].columns, (names{L"NOTE", L"NAME", L"ID"}));

    udb_record record;
    fill_emp(record, 1, L"Smith", L"1", L"n");
    udb_record& out = db.modify2(L"EMP", record);
    EXPECT_EQ(names_of(out), (names{L"ID", L"NAME", L"SALARY", L"NOTE"}));
    EXPECT_EQ(out[1].get_size(), 20);
}

TEST_F(type_map_db, lookups_are_case_sensitive) {
    sql_table_mutator& tm = db.get_table_mutator(L"EMP", L"STAFF");
    tm.update_field(L"NAME", L"FULL_NAME", native(L"VARCHAR", 60));

    EXPECT_EQ(db.find_table_mutator(L"EMP"), &tm);
    EXPECT_EQ(db.find_table_mutator(L"emp"), nullptr);
    EXPECT_EQ(db.find_by_new_name(L"staff"), nullptr);
    EXPECT_EQ(db.find_item(L"EMP"), &tm);

    udb_schema schema = emp_schema();
    udb_indexes indexes = emp_indexes();
    EXPECT_EQ(db.modify1(L"emp", schema, indexes), L"emp");
    EXPECT_EQ(names_of(schema), (names{L"ID", L"NAME", L"SALARY", L"NOTE"}));

    udb_record record;
    fill_emp(record, 1, L"Smith", L"1", L"n");
    EXPECT_EQ(&db.modify2(L"emp", record), &record);

    // Column names too: "name" is not "NAME".
    EXPECT_EQ(tm.find_field_mutator(L"name"), nullptr);
    udb_record lower;
    lower.push_back(std::make_unique<udb_field>(L"name", 40, ole_variant(L"x")));
    udb_record& out = db.modify2(L"EMP", lower);
    EXPECT_EQ(names_of(out), (names{L"name"}));
}

TEST_F(type_map_db, get_table_mutator_again_renames_without_new_registration) {
    sql_table_mutator& first = db.get_table_mutator(L"EMP", L"STAFF");
    EXPECT_EQ(db.find_by_new_name(L"STAFF"), &first);
    sql_table_mutator& again = db.get_table_mutator(L"EMP", L"PEOPLE");
    EXPECT_EQ(&again, &first);
    EXPECT_EQ(first.new_name, L"PEOPLE");
    EXPECT_EQ(db.find_by_new_name(L"STAFF"), &first);
    EXPECT_EQ(db.find_by_new_name(L"PEOPLE"), nullptr);
    EXPECT_EQ(db.table_mutators().size(), 1u);

    udb_schema schema = emp_schema();
    udb_indexes indexes;
    EXPECT_EQ(db.modify1(L"EMP", schema, indexes), L"PEOPLE");

    db.clear();
    EXPECT_EQ(db.find_table_mutator(L"EMP"), nullptr);
    EXPECT_EQ(db.find_by_new_name(L"STAFF"), nullptr);
    EXPECT_TRUE(db.table_mutators().empty());
}

TEST_F(type_map_field, decimal_mapping_packs_precision_and_scale) {
    sql_table_mutator& tm = db.get_table_mutator(L"EMP", L"EMP");
    sql_field_mutator& fm = tm.update_field(L"ID", L"ID", native(L"DECIMAL", 12, 10, 2));
    EXPECT_EQ(fm.new_ole_type, VT_DECIMAL);
    fm.new_ole_flags = 77;  // decimals take precision and scale instead

    udb_schema schema = emp_schema();
    udb_indexes indexes;
    db.modify1(L"EMP", schema, indexes);
    EXPECT_EQ(schema[0].vartype, VT_DECIMAL);
    EXPECT_EQ(schema[0].dw_reserved, 0x0A02);
    EXPECT_EQ(schema[0].native_type, L"DECIMAL(10,2)");
}

TEST_F(type_map_field, other_mapped_types_reset_the_reserved_word) {
    sql_table_mutator& tm = db.get_table_mutator(L"EMP", L"EMP");
    tm.update_field(L"SALARY", L"SALARY", native(L"DOUBLE", 0, 10, 2));
    sql_field_mutator& note = tm.update_field(L"NOTE", L"NOTE", native(L"TEXT", 1000));
    note.new_ole_flags = 5;

    udb_schema schema = emp_schema();
    schema[3].dw_reserved = 9;
    udb_indexes indexes;
    db.modify1(L"EMP", schema, indexes);
    EXPECT_EQ(schema[2].vartype, VT_R8);
    EXPECT_EQ(schema[2].dw_reserved, 0);
    EXPECT_EQ(schema[2].native_type, L"DOUBLE");
    EXPECT_EQ(schema[2].size, 8u);
    EXPECT_EQ(schema[3].dw_reserved, 5);
}

TEST_F(type_map_field, unknown_type_name_makes_a_text_column_and_text_values) {
    sql_table_mutator& tm = db.get_table_mutator(L"EMP", L"EMP");
    sql_field_mutator& fm = tm.update_field(L"ID", L"ID_TEXT", native(L"GEOMETRY", 30));
    EXPECT_EQ(fm.new_ole_type, VT_BSTR);
    EXPECT_EQ(fm.native_type.length, 30);

    udb_schema schema = emp_schema();
    udb_indexes indexes;
    db.modify1(L"EMP", schema, indexes);
    EXPECT_EQ(schema[0].vartype, VT_BSTR);
    EXPECT_EQ(schema[0].native_type, L"");  // the writer then picks a text type

    udb_record record;
    fill_emp(record, 42, L"Smith", L"1", L"n");
    udb_record& out = db.modify2(L"EMP", record);
    EXPECT_EQ(out[0].get_name(), L"ID_TEXT");
    EXPECT_EQ(out[0].vt(), VT_BSTR);
    EXPECT_EQ(out[0].to_wstring(), L"42");
    EXPECT_EQ(out[0].get_size(), 30);
    EXPECT_EQ(record[0].vt(), VT_I4);
}

TEST_F(type_map_field, text_that_is_no_number_fails_only_its_record) {
    sql_table_mutator& tm = db.get_table_mutator(L"EMP", L"EMP");
    tm.update_field(L"NAME", L"NAME", native(L"DOUBLE"));
    tm.update_field(L"NOTE", L"NOTE", native(L"DECIMAL", 0, 10, 2));

    udb_record good;
    fill_emp(good, 1, L"12.5", L"1", L"-7");
    udb_record& out = db.modify2(L"EMP", good);
    EXPECT_EQ(out[1].vt(), VT_R8);
    EXPECT_DOUBLE_EQ(out[1].to_double(), 12.5);
    EXPECT_EQ(out[3].vt(), VT_DECIMAL);
    EXPECT_DOUBLE_EQ(out[3].to_double(), -7.0);

    udb_record bad;
    fill_emp(bad, 2, L"Smith", L"1", L"-7");
    try {
        db.modify2(L"EMP", bad);
        FAIL() << "no error for a text that is no number";
    } catch (const tk_exception& e) {
        EXPECT_EQ(typeid(e), typeid(tk_exception));
        EXPECT_EQ(e.message(), std::string(k_conversion_error) + " (column 'NAME')");
        EXPECT_EQ(e.level(), 0);
        EXPECT_EQ(e.code(), 0);
    }
    EXPECT_EQ(bad[1].vt(), VT_BSTR);
    EXPECT_EQ(bad[1].to_wstring(), L"Smith");

    udb_record bad_int;
    fill_emp(bad_int, 3, L"1", L"1", L"seven");
    try {
        db.modify2(L"EMP", bad_int);
        FAIL() << "no error for a text that is no decimal";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.message(), std::string(k_conversion_error) + " (column 'NOTE')");
        EXPECT_EQ(e.level(), 0);
    }

    // The next record converts as if nothing had happened.
    fill_emp(good, 4, L"3", L"1", L"8");
    udb_record& next = db.modify2(L"EMP", good);
    ASSERT_EQ(next.size(), 4u);
    EXPECT_DOUBLE_EQ(next[1].to_double(), 3.0);
    EXPECT_DOUBLE_EQ(next[3].to_double(), 8.0);
}

TEST_F(type_map_field, null_type_keeps_the_source_type_and_value) {
    sql_table_mutator& tm = db.get_table_mutator(L"EMP", L"EMP");
    sql_field_mutator& fm = tm.update_field(L"ID", L"ID2", native(L"DOUBLE"));
    fm.new_ole_type = VT_NULL;

    udb_schema schema = emp_schema();
    udb_indexes indexes;
    db.modify1(L"EMP", schema, indexes);
    EXPECT_EQ(schema[0].vartype, VT_I4);

    udb_record record;
    fill_emp(record, 42, L"x", L"1", L"n");
    udb_record& out = db.modify2(L"EMP", record);
    EXPECT_EQ(out[0].get_name(), L"ID2");
    EXPECT_EQ(out[0].vt(), VT_I4);
    EXPECT_EQ(out[0].to_long(), 42);
}

TEST_F(type_map_table, update_field_sizes_names_and_status) {
    sql_table_mutator& tm = db.get_table_mutator(L"T", L"T");
    struct fixed {
        const wchar_t* type;
        VARTYPE vt;
        int32_t length;
    };
    const fixed cases[] = {
        {L"INT", VT_I4, 4},        {L"BIGINT", VT_I8, 8},        {L"SMALLINT", VT_I2, 2},
        {L"TINYINT", VT_I1, 1},    {L"DOUBLE", VT_R8, 8},        {L"FLOAT", VT_R4, 4},
        {L"VARCHAR", VT_BSTR, 99}, {L"DECIMAL", VT_DECIMAL, 99}, {L"TEXT", VT_BSTR, 99}};
    for (const fixed& c : cases) {
        sql_field_mutator& fm = tm.update_field(L"C", L"C", native(c.type, 99, 10, 2));
        EXPECT_EQ(fm.new_ole_type, c.vt) << std::string(c.type, c.type + wcslen(c.type));
        EXPECT_EQ(fm.native_type.length, c.length) << std::string(c.type, c.type + wcslen(c.type));
        EXPECT_EQ(fm.native_type.type, c.type);
        EXPECT_EQ(fm.native_type.precision, 10);
        EXPECT_EQ(fm.native_type.scale, 2);
    }
    // An empty length stays -1 unless the type has a byte size of its own.
    EXPECT_EQ(tm.update_field(L"C", L"C", native(L"VARCHAR", -1)).native_type.length, -1);
    EXPECT_EQ(tm.update_field(L"C", L"C", native(L"INT", -1)).native_type.length, 4);

    sql_field_mutator& a = tm.update_field(L"A", L"X", native(L"INT"));
    EXPECT_EQ(a.status, udb_field_mutator::status_changed);
    a.status = udb_field_mutator::status_deleted;
    sql_field_mutator& a2 = tm.update_field(L"A", L"Y", native(L"BIGINT"));
    EXPECT_EQ(&a2, &a);
    EXPECT_EQ(a.status, udb_field_mutator::status_deleted);
    EXPECT_EQ(a.new_name, L"Y");
    EXPECT_EQ(tm.find_by_new_name(L"X"), &a);
    EXPECT_EQ(tm.find_by_new_name(L"Y"), &a);

    // The first holder of a new name keeps it.
    sql_field_mutator& b = tm.update_field(L"B", L"X", native(L"INT"));
    EXPECT_NE(&b, &a);
    EXPECT_EQ(tm.find_by_new_name(L"X"), &a);
    EXPECT_EQ(tm.find_field_mutator(L"B"), &b);
    EXPECT_EQ(tm.find_item(L"B"), &b);
    EXPECT_EQ(tm.field_mutators().size(), 3u);
    EXPECT_EQ(tm.field_mutators().begin()->first, L"A");
}

TEST_F(type_map_table, output_record_is_reused_and_input_untouched) {
    sql_table_mutator& tm = db.get_table_mutator(L"EMP", L"EMP");
    tm.update_field(L"ID", L"EMP_ID", native(L"BIGINT"));
    tm.update_field(L"NOTE", L"NOTE", native(L"TEXT")).status = udb_field_mutator::status_deleted;

    udb_record first;
    fill_emp(first, 1, L"Smith", L"10", L"a");
    udb_record& out1 = tm.modify2(first);
    ASSERT_EQ(out1.size(), 3u);
    const udb_field* kept = &out1[1];
    EXPECT_EQ(out1[0].get_name(), L"EMP_ID");
    EXPECT_EQ(out1[0].vt(), VT_I8);
    EXPECT_EQ(out1[0].i8(), 1);
    EXPECT_EQ(out1[0].get_size(), 8);

    udb_record second;
    fill_emp(second, 2, L"Jones", L"20", L"b");
    udb_record& out2 = tm.modify2(second);
    EXPECT_EQ(&out2, &out1);
    EXPECT_EQ(&out2[1], kept);
    EXPECT_EQ(names_of(out2), (names{L"EMP_ID", L"NAME", L"SALARY"}));
    EXPECT_EQ(out2[0].i8(), 2);
    EXPECT_EQ(out2[1].to_wstring(), L"Jones");
    EXPECT_EQ(out2[2].to_wstring(), L"20");

    // Inputs keep their names, types and values.
    EXPECT_EQ(names_of(first), (names{L"ID", L"NAME", L"SALARY", L"NOTE"}));
    EXPECT_EQ(first[0].vt(), VT_I4);
    EXPECT_EQ(first[0].get_size(), 4);
    EXPECT_EQ(first[1].to_wstring(), L"Smith");
    EXPECT_EQ(second[3].to_wstring(), L"b");

    // A shorter record leaves no field of the longer one behind.
    udb_record short_one;
    short_one.push_back(std::make_unique<udb_field>(L"NAME", 40, ole_variant(L"Brown")));
    udb_record& out3 = tm.modify2(short_one);
    EXPECT_EQ(names_of(out3), (names{L"NAME"}));
    EXPECT_EQ(out3[0].to_wstring(), L"Brown");

    // A longer one grows it again.
    udb_record& out4 = tm.modify2(second);
    EXPECT_EQ(names_of(out4), (names{L"EMP_ID", L"NAME", L"SALARY"}));
    EXPECT_EQ(out4[2].to_wstring(), L"20");
}

TEST_F(type_map_db, get_native_type_describes_varchar_and_decimal_columns) {
    t_ftd name = make_column(L"NAME", VT_BSTR, 40);
    name.default_value = ole_variant(L"abc");
    sql_native_type t;
    t.character_set = L"utf8";
    db.get_native_type(name, t);
    EXPECT_EQ(t.type, L"VARCHAR");
    EXPECT_EQ(t.length, 40);
    EXPECT_EQ(t.default_value, L"abc");  // the value, not its SQL literal
    EXPECT_EQ(t.character_set, L"utf8");
    EXPECT_EQ(native_type_text(t), L"VARCHAR(40)");
    EXPECT_EQ(name.native_type, L"");

    const t_ftd salary = make_column(L"SALARY", VT_DECIMAL, 12, false, 0x0A02);
    sql_native_type d;
    db.get_native_type(salary, d);
    EXPECT_EQ(d.type, L"DECIMAL");
    EXPECT_EQ(d.length, 12);
    EXPECT_EQ(d.precision, 10);
    EXPECT_EQ(d.scale, 2);
    EXPECT_EQ(d.default_value, L"");
    EXPECT_EQ(native_type_text(d), L"DECIMAL(10,2)");

    // A default the column cannot take is no default at all.
    t_ftd id = make_column(L"ID", VT_I4, 4);
    id.default_value = ole_variant(L"abc");
    sql_native_type i;
    db.get_native_type(id, i);
    EXPECT_EQ(i.type, L"INT");
    EXPECT_EQ(i.default_value, L"");

    EXPECT_TRUE(db.get_type_filter().empty());
    EXPECT_EQ(&db.get_type_filter(), &sql_db_mutator().get_type_filter());
    EXPECT_STREQ(sql_map, "sql.map");
    EXPECT_STREQ(sql_typ, "sql.typ");
}

TEST_F(type_map_db, described_default_survives_a_mapping_round_trip) {
    udb_schema schema = emp_schema();
    schema[1].default_value = ole_variant(L"it's");
    const std::wstring literal = make_mysql_def_val(&schema[1]);
    ASSERT_FALSE(literal.empty());
    sql_native_type t;
    db.get_native_type(schema[1], t);
    t.length = 80;
    db.get_table_mutator(L"EMP", L"EMP").update_field(L"NAME", L"NAME", t);

    udb_indexes indexes;
    db.modify1(L"EMP", schema, indexes);
    EXPECT_EQ(schema[1].size, 80u);
    EXPECT_EQ(make_mysql_def_val(&schema[1]), literal);
}

TEST_F(type_map_field, properties_clone_and_factory) {
    std::unique_ptr<sql_field_mutator> fm = new_sql_field_mutator(
        L"PAY", native(L"DECIMAL", 12, 10, 2, L"0"), udb_field_mutator::status_deleted);
    EXPECT_EQ(fm->status, udb_field_mutator::status_deleted);
    EXPECT_EQ(fm->new_ole_type, VT_NULL);
    EXPECT_EQ(fm->new_ole_flags, 0);
    fm->native_type.character_set = L"latin1";
    fm->get_properties()[L"stale"] = L"x";
    const udb_properties::property_map& p = fm->store_properties();
    EXPECT_EQ(p, (udb_properties::property_map{{L"new_name", L"PAY"},
                                               {L"type", L"DECIMAL"},
                                               {L"default_value", L"0"},
                                               {L"character_set", L"latin1"},
                                               {L"length", L"12"},
                                               {L"scale", L"2"},
                                               {L"precision", L"10"}}));
    EXPECT_EQ(fm->find_item(L"PAY"), nullptr);
    EXPECT_EQ(fm->find_by_new_name(L"PAY"), nullptr);

    EXPECT_EQ(fm->clone(nullptr), nullptr);
    const t_ftd salary = make_column(L"SALARY", VT_DECIMAL, 12, true, 0x0A02);
    std::shared_ptr<t_ftd> copy = fm->clone(&salary);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->native_type, L"DECIMAL(10,2)");
    EXPECT_EQ(copy->name, L"SALARY");
    EXPECT_TRUE(copy->b_not_null);
    EXPECT_EQ(salary.native_type, L"");
}

TEST_F(type_map_log, lines_and_levels) {
    std::string text;
    {
        ora_log_capture log("type_map_log_1", 1);
        sql_table_mutator& tm = db.get_table_mutator(L"EMP", L"STAFF");
        tm.update_field(L"SALARY", L"PAY", native(L"DECIMAL", 0, 10, 2));
        udb_schema schema = emp_schema();
        udb_indexes indexes;
        db.modify1(L"EMP", schema, indexes);
        udb_record record;
        fill_emp(record, 1, L"x", L"5", L"n");
        db.modify2(L"EMP", record);
        db.modify2(L"DEPT", record);
        text = log.finish();
    }
    for (const char* line :
         {"udb_table_mutator::update_field(old_name=SALARY,new_name=PAY,native_type=DECIMAL,"
          "length=0)\r\n",
          "udb_db_mutator::modify1(EMP)\r\n", "udb_table_mutator::modify3()\r\n",
          "udb_table_mutator::modify1()\r\n", "udb_field_mutator::modify1\r\n",
          "\tf.native_type=DECIMAL(10,2)\r\n", "\tf.size=0\r\n",
          "\told dw_reserved=2562, new dw_reserved=0\r\n",
          "Setting new prec/scale for VT_DECIMAL\r\n", "udb_db_mutator::modify2(EMP)\r\n",
          "udb_table_mutator::modify2()\r\n", "udb_field_mutator::modify2\r\n",
          "udb_db_mutator::modify2(DEPT)\r\nNot found\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }

    {
        ora_log_capture log("type_map_log_2", 2);
        sql_table_mutator& tm = db.get_table_mutator(L"EMP", L"STAFF");
        tm.update_field(L"NAME", L"N", native(L"VARCHAR", 5));
        udb_schema schema = emp_schema();
        udb_indexes indexes;
        db.modify1(L"EMP", schema, indexes);
        text = log.finish();
    }
    EXPECT_EQ(text.find("update_field"), std::string::npos);
    EXPECT_EQ(text.find("udb_field_mutator::modify1"), std::string::npos);
    EXPECT_EQ(text.find("f.native_type"), std::string::npos);
    EXPECT_NE(text.find("udb_table_mutator::modify1()"), std::string::npos);
    EXPECT_NE(text.find("\told dw_reserved=0, new dw_reserved=0\r\n"), std::string::npos);
}
