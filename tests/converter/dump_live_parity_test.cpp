// The same source rows through the live run and into a dump: every value the server changes or
// refuses is a record error on both roads, naming the same table, record and column, and the
// replayed dump holds what the live run wrote.
#include <gtest/gtest.h>

#include <limits>
#include <regex>
#include <set>

#include "TK/tk_utils.h"
#include "converter/converter_test_support.h"
#include "lite_engine.h"

namespace {

const std::vector<std::string> k_parity_schema = {
    "CREATE TABLE ODD (ID NUMBER(6) PRIMARY KEY, BD BINARY_DOUBLE, TZ TIMESTAMP(0) WITH TIME "
    "ZONE, V VARCHAR2(10), J VARCHAR2(20))",
    "INSERT INTO ODD VALUES (1, 1.5, TIMESTAMP '2024-01-01 10:00:00 +00:00', 'abc', 'plain')",
    "INSERT INTO ODD VALUES (3, 2, TIMESTAMP '9999-12-31 23:00:00 -05:00', 'a', 'y')",
    "INSERT INTO ODD VALUES (4, 3, NULL, 'abcdef', 'z')",
    "INSERT INTO ODD VALUES (5, 4, NULL, 'b', '\xE6\x97\xA5\xE6\x9C\xAC')",
    "CREATE TABLE KEYS2 (K NUMBER(5,2) PRIMARY KEY, NAME VARCHAR2(10))",
    "INSERT INTO KEYS2 VALUES (1.2, 'one')",
    "INSERT INTO KEYS2 VALUES (1.4, 'two')",
    "INSERT INTO KEYS2 VALUES (2, 'three')",
    "CREATE TABLE REFUSE (ID NUMBER(6) PRIMARY KEY, N VARCHAR2(10), W VARCHAR2(10))",
    "INSERT INTO REFUSE VALUES (1, 'x', 'ok')",
    "INSERT INTO REFUSE VALUES (2, 'y', 'ok')",
    "INSERT INTO REFUSE VALUES (3, '5', 'ok')",
    "INSERT INTO REFUSE VALUES (4, '6', 'too long')",
    "CREATE TABLE CHK (ID NUMBER(6) PRIMARY KEY, N NUMBER(6))",
    "INSERT INTO CHK VALUES (1, 1)",
    "INSERT INTO CHK VALUES (2, 2)",
    "INSERT INTO CHK VALUES (3, 30)",
    "INSERT INTO CHK VALUES (4, 4)",
    "INSERT INTO CHK VALUES (5, 50)",
    "CREATE TABLE MANY (ID NUMBER(9) PRIMARY KEY, NAME VARCHAR2(100), W VARCHAR2(10))",
};

// Rows of MANY: enough for several statements; these records hold a W too long for 3 characters.
constexpr int k_many_rows = 40000;
const std::set<int> k_many_long = {5000, 15000, 25001, 39000};

// (table, record, column or key) of every record error shown, e.g. "ODD#4:V".
std::set<std::string> error_cells(const std::vector<test_error_handler::shown>& errors) {
    static const std::regex head(R"(^(\w+), record #(\d+): ([^\n]*)[\s\S]*$)");
    static const std::regex column(R"(column '(\w+)'|`(\w+)`$|key '([^']+)')");
    std::set<std::string> cells;
    for (const auto& e : errors) {
        std::smatch parts;
        if (!std::regex_match(e.text, parts, head)) {
            cells.insert("?" + e.text);
            continue;
        }
        const std::string text = parts[3];
        std::smatch name;
        std::string found = "?";
        if (std::regex_search(text, name, column))
            for (int i = 1; i <= 3; ++i)
                if (name[i].matched) found = name[i];
        cells.insert(parts[1].str() + "#" + parts[2].str() + ":" + found);
    }
    return cells;
}

std::string joined(const std::set<std::string>& cells) {
    std::string out;
    for (const auto& c : cells) out += c + " ";
    return out;
}

class dump_live_parity_test : public conversion_test {
protected:
    static void SetUpTestSuite() {
        s_inst = std::make_unique<ora_test_instance>();
        s_inst->add_user("PAR", "par");
        s_inst->run("PAR", "par", k_parity_schema);
        s_inst->with_session("PAR", "par", [](lite_session& s) {
            auto add = s.prepare("INSERT INTO ODD (ID, BD, V, J) VALUES (:1, :2, :3, :4)");
            for (const auto& [id, value] :
                 {std::pair{2, std::numeric_limits<double>::infinity()},
                  std::pair{6, -std::numeric_limits<double>::infinity()}}) {
                add->bind_int64(1, id);
                add->bind_double(2, value);
                add->bind_text(3, "ab");
                add->bind_text(4, "x");
                add->execute();
            }
            auto many = s.prepare("INSERT INTO MANY VALUES (:1, :2, :3)");
            for (int id = 1; id <= k_many_rows; ++id) {
                many->bind_int64(1, id);
                const std::string name = "\xC3\xA9t\xC3\xA9 " + std::to_string(id * 7919 % 100003);
                many->bind_text(2, name + std::string(60, 'x'));
                many->bind_text(3, k_many_long.count(id) ? "too long" : "ok");
                many->execute();
            }
        });
    }
    static void TearDownTestSuite() { s_inst.reset(); }

    void SetUp() override {
        conversion_test::SetUp();
        REQUIRE_TEST_SERVER();
        connect_source(*s_inst, L"PAR", L"par");
    }

    std::string scalar(const std::string& sql) {
        std::string out;
        EXPECT_EQ(run_client_sql(sql, out), 0) << out;
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }

    // The live run's errors, then the dump run's: both as cells, the handler emptied between.
    std::pair<std::set<std::string>, std::set<std::string>> both_roads(const std::string& live,
                                                                       const std::string& dump) {
        to_server(live);
        (*conv)();
        const auto live_cells = error_cells(handler->errors);
        handler->errors.clear();
        const std::string path = run_to_dump(dump);
        const auto dump_cells = error_cells(handler->errors);
        replay(path, database((dump + "_replay").c_str()));
        return {live_cells, dump_cells};
    }

    static inline std::unique_ptr<ora_test_instance> s_inst;
};

TEST_F(dump_live_parity_test, values_the_server_would_change_are_told_on_both_roads) {
    conv->selected_tables = {L"ODD"};
    conv->get_table_mutator(L"ODD", L"ODD")
        .update_field(L"V", L"V", sql_native_type{L"VARCHAR", L"", L"", 3, 0, 0});
    conv->mysql_engine.set_character_set(L"latin1");
    const std::string live = database("par_live");
    const auto [live_cells, dump_cells] = both_roads(live, "par_odd");
    EXPECT_EQ(joined(live_cells), "ODD#2:TZ ODD#3:V ODD#4:J ODD#5:BD ODD#6:BD ");
    EXPECT_EQ(joined(dump_cells), joined(live_cells));
}

TEST_F(dump_live_parity_test, a_key_the_server_drops_is_told_unless_merging) {
    conv->selected_tables = {L"KEYS2"};
    // 1.2 and 1.4 both become 1.
    conv->get_table_mutator(L"KEYS2", L"KEYS2")
        .update_field(L"K", L"K", sql_native_type{L"INT", L"", L"", 0, 0, 0});
    const std::string live = database("par_keys");
    const auto [live_cells, dump_cells] = both_roads(live, "par_keys");
    EXPECT_EQ(joined(live_cells), "KEYS2#2:PRIMARY ");
    EXPECT_EQ(joined(dump_cells), joined(live_cells));
    EXPECT_EQ(scalar("select group_concat(name order by k) from `" + live + "`.KEYS2"),
              "one,three");

    // Into the table that now exists: every key is taken.
    handler->errors.clear();
    conv->mode = 1;
    to_server(live);
    (*conv)();
    EXPECT_EQ(joined(error_cells(handler->errors)), "KEYS2#2:PRIMARY ");
    handler->errors.clear();
    conv->mode = 4;
    (*conv)();
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    conv->mode = 3;
    (*conv)();
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    run_to_dump("par_keys_merge");
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
}

TEST_F(dump_live_parity_test, batched_errors_name_the_source_record) {
    front->console = true;
    conv->mysql_engine.fast_append_mode = true;
    conv->selected_tables = {L"REFUSE"};
    // 'x' and 'y' are no numbers: records 1 and 2 never reach the writer.
    conv->get_table_mutator(L"REFUSE", L"REFUSE")
        .update_field(L"N", L"N", sql_native_type{L"INT", L"", L"", 0, 0, 0});
    conv->get_table_mutator(L"REFUSE", L"REFUSE")
        .update_field(L"W", L"W", sql_native_type{L"VARCHAR", L"", L"", 3, 0, 0});
    const std::string live = database("par_refuse");
    const auto [live_cells, dump_cells] = both_roads(live, "par_refuse");
    EXPECT_EQ(joined(live_cells), "REFUSE#1:N REFUSE#2:N REFUSE#4:W ");
    EXPECT_EQ(joined(dump_cells), joined(live_cells));
}

TEST_F(dump_live_parity_test, a_check_refusal_in_a_batch_names_its_record) {
    front->console = true;
    conv->mysql_engine.fast_append_mode = true;
    conv->selected_tables = {L"CHK"};
    const std::string live = database("par_check");
    std::string out;
    ASSERT_EQ(run_client_sql("create database `" + live + "`; create table `" + live +
                                 "`.CHK (ID INT PRIMARY KEY, N INT CHECK (N < 10))",
                             out),
              0)
        << out;
    conv->mode = 3;
    to_server(live);
    (*conv)();
    EXPECT_EQ(joined(error_cells(handler->errors)), "CHK#3:CHK CHK#5:CHK ");
    for (const auto& e : handler->errors)
        EXPECT_NE(e.text.find("CONSTRAINT"), std::string::npos) << e.text;
    EXPECT_EQ(scalar("select group_concat(id order by id) from `" + live + "`.CHK"), "1,2,4");
}

TEST_F(dump_live_parity_test, a_table_of_many_statements_arrives_alike_on_both_roads) {
    front->console = true;
    conv->mysql_engine.fast_append_mode = true;
    // A new InnoDB table keyed by integers: its statements may be stored side by side.
    conv->mysql_engine.set_table_type(L"InnoDB");
    conv->selected_tables = {L"MANY"};
    conv->get_table_mutator(L"MANY", L"MANY")
        .update_field(L"W", L"W", sql_native_type{L"VARCHAR", L"", L"", 3, 0, 0});
    const std::string live = database("par_many");
    to_server(live);
    (*conv)();
    // Told in the order of the records, whichever session stored them.
    std::string order;
    for (const auto& e : handler->errors) order += e.text.substr(0, e.text.find(':')) + "; ";
    EXPECT_EQ(order,
              "MANY, record #5000; MANY, record #15000; MANY, record #25001; MANY, "
              "record #39000; ");
    const auto live_cells = error_cells(handler->errors);
    handler->errors.clear();
    const std::string replayed = database("par_many_replay");
    replay(run_to_dump("par_many"), replayed);
    EXPECT_EQ(joined(error_cells(handler->errors)), joined(live_cells));

    const auto digest = [this](const std::string& db) {
        return scalar("select concat(count(*), ':', sum(crc32(concat(ID, NAME, W)))) from `" + db +
                      "`.MANY");
    };
    EXPECT_EQ(digest(live), digest(replayed));
    EXPECT_EQ(digest(live).substr(0, 6), std::to_string(k_many_rows) + ":");
}

}  // namespace
