// The tables a user names, and the profile a user hands over, as QUILLRUN takes them: a bare name
// is the connected user's table, every table asked for and not converted is told (in the log even
// when silent) and makes the status 1, and a profile that cannot be read whole is refused.
#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>

#include "agent/agent_test_support.h"
#include "converter/tabshift_convertor.h"
#include "TK/tk_utils.h"

namespace {

class agent_table_list_test : public agent_test {
protected:
    std::string list_file(const std::string& text) {
        std::string path = work + "/list.txt";
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // DEMO into a dump file, without --view_owned unless `extra` gives it.
    std::vector<std::string> dump_args(const std::string& dump,
                                       const std::vector<std::string>& extra) {
        std::vector<std::string> args = {"--src=DEMO", "--oraclu=DEMO", "--oraclp=demo", "--dump",
                                         "--dest=" + dump};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
};

TEST_F(agent_table_list_test, a_bare_name_is_the_connected_users_table) {
    const std::string dump = work + "/bare.sql";
    agent_result r = run(dump_args(dump, {"--tab_file=" + list_file("CATEGORIES\n")}));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("Converting table 'CATEGORIES' (5 records)\n"), std::string::npos)
        << r.out;
    const std::string text = read_file(dump);
    EXPECT_NE(text.find("CREATE TABLE `CATEGORIES`"), std::string::npos) << text;
    EXPECT_NE(text.find("VALUES(1, 'Books'"), std::string::npos) << text;

    // The user's schema is the user name as the server keeps it, whatever case it was typed in.
    std::filesystem::remove(dump);
    r = run(dump_args(dump, {"--oraclu=demo", "--tab_file=" + list_file("CATEGORIES\n")}));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(read_file(dump).find("VALUES(1, 'Books'"), std::string::npos);
}

TEST_F(agent_table_list_test, a_table_the_source_lacks_is_an_error_also_when_silent) {
    const std::string dump = work + "/missing.sql";
    const std::string list = list_file("NOPE\r\nCATEGORIES\r\n");
    agent_result r = run(dump_args(dump, {"--view_owned", "--tab_file=" + list}));
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.err, "Table NOPE not exists\n");
    EXPECT_NE(read_file(dump).find("CREATE TABLE `CATEGORIES`"), std::string::npos);

    const std::string log = work + "/run.log";
    r = run(
        dump_args(dump, {"--silent", "--logfile=" + log, "--view_owned", "--tab_file=" + list}));
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_NE(read_file(log).find("Table NOPE not exists"), std::string::npos) << read_file(log);
}

TEST_F(agent_table_list_test, a_profile_with_a_mapping_line_out_of_place_is_refused) {
    const std::string profile = work + "/run.kvt";
    const std::string dump = work + "/from-profile.sql";
    ASSERT_TRUE(store_categories_profile(profile, dump, L"DEMO", [](tabshift_convertor& conv) {
        conv.get_table_mutator(L"CATEGORIES", L"KINDS");
    }));
    const std::string stored = read_file(profile);
    ASSERT_EQ(stored.substr(stored.size() - 2), "\r\n");
    // A field attribute in front of the table it would belong to.
    const std::size_t at = stored.find("  - name: CATEGORIES\r\n");
    ASSERT_NE(at, std::string::npos) << stored;
    std::string broken = stored;
    broken.insert(at, "        type: INT\r\n");
    std::ofstream(profile, std::ios::binary | std::ios::trunc) << broken;
    const int line =
        1 + static_cast<int>(
                std::count(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(at), '\n'));

    agent_result r = run({"--profile=" + profile});
    EXPECT_EQ(r.status, 255) << r.out << r.err;
    EXPECT_EQ(r.out, "Error:\nThe profile '" + profile + "' could not be loaded: line " +
                         std::to_string(line) +
                         " ('        type: INT'): expected a field attribute only after \"      "
                         "- name:\".\n");
    EXPECT_FALSE(std::filesystem::exists(dump));

    // Bytes that are not text are refused the same way.
    std::ofstream(profile, std::ios::binary | std::ios::trunc) << "[Generic settings]\r\n\xff\r\n";
    r = run({"--profile=" + profile});
    EXPECT_EQ(r.status, 255) << r.out << r.err;
    EXPECT_EQ(r.out, "Error:\nThe profile '" + profile +
                         "' could not be loaded: line 2 ('?'): expected text in UTF-8.\n");

    // The same profile whole is taken with its mapping.
    std::ofstream(profile, std::ios::binary | std::ios::trunc) << stored;
    r = run({"--profile=" + profile});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(read_file(dump).find("CREATE TABLE `KINDS`"), std::string::npos);
}

}  // namespace
