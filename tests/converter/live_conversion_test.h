// The conversion run into the private live server from the embedded DEMO instance: a converter
// connected to both, and the checks the live tests share.
#pragma once

#include <memory>
#include <string>

#include "TK/tk_utils.h"
#include "converter/converter_test_support.h"

class live_conversion_test : public conversion_test {
protected:
    static void SetUpTestSuite() { s_inst = make_demo_instance(); }
    static void TearDownTestSuite() { s_inst.reset(); }

    void SetUp() override {
        conversion_test::SetUp();
        REQUIRE_TEST_SERVER();
        connect_source(*s_inst, L"DEMO", L"demo");
        connect_server(get_test_server().host, get_test_server().port);
    }

    void connect_server(const std::string& host, int port) {
        const test_server& s = get_test_server();
        conv->store_mysql_settings(host, s.user, s.password, std::to_string(port));
        conv->connect_mysql_server();
    }

    void run_into(const std::string& db) {
        conv->mysql_direct = true;
        conv->m_destination_name = tk_to_unicode(db);
        (*conv)();
    }

    void expect_all_tables(const std::string& db) {
        for (const std::wstring& table : conv->selected_tables) {
            const std::string name = tk_to_utf8(table);
            SCOPED_TRACE(name);
            for (const std::string& column :
                 expect_same_table(*s_inst, "DEMO", "demo", name, db, name))
                EXPECT_TRUE(column == "CREATED_AT" || column == "UPDATED") << column;
        }
    }

    static inline std::unique_ptr<ora_test_instance> s_inst;
};
