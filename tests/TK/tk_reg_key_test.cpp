#include "TK/tk_reg_key.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "TK/tk_exception.h"
#include "TK/tk_serializer.h"
#include "TK/tk_test_helpers.h"

namespace {

constexpr char product_key[] = "Software\\Corvalin\\Tidewell";

class tk_reg_key_test : public ::testing::Test {
protected:
    void SetUp() override { setenv("TIDEWELL_CONFIG_HOME", m_dir.path().c_str(), 1); }
    void TearDown() override { unsetenv("TIDEWELL_CONFIG_HOME"); }

    scratch_dir m_dir;
};

std::string internal(int line) {
    return make_err_meggase("tk_regk", line);
}

TEST_F(tk_reg_key_test, value_set_round_trip_through_exchange) {
    tk_serializer out(product_key);
    ASSERT_EQ(out.open_key(), ERROR_SUCCESS);
    unsigned long port = 3307;
    bool skip = true;
    std::string host = "db.example";
    std::wstring user = L"J\u00fcrgen";
    EXPECT_TRUE(out.key().exchange("Port", port, true));
    EXPECT_TRUE(out.key().exchange("SkipIdx", skip, true));
    EXPECT_TRUE(out.key().exchange("Host", host, true));
    EXPECT_TRUE(out.key().exchange(L"User", user, true));
    out.close_key();

    tk_serializer in(product_key);
    ASSERT_EQ(in.open_key(), ERROR_SUCCESS);
    unsigned long port2 = 0;
    bool skip2 = false;
    std::string host2;
    std::wstring user2;
    EXPECT_TRUE(in.key().exchange("Port", port2, false));
    EXPECT_TRUE(in.key().exchange("SkipIdx", skip2, false));
    EXPECT_TRUE(in.key().exchange("Host", host2, false));
    EXPECT_TRUE(in.key().exchange(L"User", user2, false));
    EXPECT_EQ(port2, 3307u);
    EXPECT_TRUE(skip2);
    EXPECT_EQ(host2, "db.example");
    EXPECT_EQ(user2, L"J\u00fcrgen");
    EXPECT_EQ(in.key_path(), product_key);
}

TEST_F(tk_reg_key_test, missing_or_empty_values_leave_the_variable_alone) {
    tk_reg_key key;
    ASSERT_EQ(key.create(HKEY_CURRENT_USER, product_key), ERROR_SUCCESS);
    RegSetValueExA(key.handle(), "Empty", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    RegSetValueExA(key.handle(), "NoBytes", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 0);
    RegSetValueExW(key.handle(), L"WEmpty", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""),
                   sizeof(wchar_t));
    std::string text = "default";
    EXPECT_FALSE(key.exchange("Empty", text, false));
    EXPECT_FALSE(key.exchange("NoBytes", text, false));
    EXPECT_FALSE(key.exchange("Missing", text, false));
    EXPECT_EQ(text, "default");
    std::wstring wide = L"default";
    EXPECT_FALSE(key.exchange(L"WEmpty", wide, false));
    EXPECT_FALSE(key.exchange(L"Missing", wide, false));
    EXPECT_EQ(wide, L"default");
    unsigned long number = 7;
    bool flag = true;
    EXPECT_FALSE(key.exchange("Missing", number, false));
    EXPECT_FALSE(key.exchange("Missing", flag, false));
    EXPECT_EQ(number, 7u);
    EXPECT_TRUE(flag);
}

TEST_F(tk_reg_key_test, boolean_written_as_two_by_another_program_loads_true) {
    tk_reg_key key;
    ASSERT_EQ(key.create(HKEY_CURRENT_USER, product_key), ERROR_SUCCESS);
    DWORD two = 2, zero = 0;
    RegSetValueExA(key.handle(), "Two", 0, REG_DWORD, reinterpret_cast<BYTE*>(&two), 4);
    RegSetValueExA(key.handle(), "Zero", 0, REG_DWORD, reinterpret_cast<BYTE*>(&zero), 4);
    bool flag = false;
    EXPECT_TRUE(key.exchange("Two", flag, false));
    EXPECT_TRUE(flag);
    EXPECT_TRUE(key.exchange("Zero", flag, false));
    EXPECT_FALSE(flag);
    // A number of the wrong size or type is not taken.
    const BYTE three[] = {1, 2, 3};
    RegSetValueExA(key.handle(), "Short", 0, REG_DWORD, three, 3);
    RegSetValueExA(key.handle(), "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
    unsigned long number = 9;
    EXPECT_FALSE(key.exchange("Short", number, false));
    EXPECT_FALSE(key.exchange("Text", number, false));
    EXPECT_EQ(number, 9u);
}

TEST_F(tk_reg_key_test, closed_key_touches_neither_variable_nor_store) {
    tk_reg_key key;
    unsigned long number = 5;
    std::string text = "t";
    EXPECT_FALSE(key.exchange("N", number, true));
    EXPECT_FALSE(key.exchange("N", number, false));
    EXPECT_FALSE(key.exchange("T", text, false));
    EXPECT_EQ(number, 5u);
    EXPECT_EQ(text, "t");
    EXPECT_TRUE(read_file(m_dir.file("registry.txt")).empty());
    EXPECT_EQ(key.close(), ERROR_SUCCESS);
}

TEST_F(tk_reg_key_test, text_values_are_stored_with_their_terminator) {
    tk_reg_key key;
    ASSERT_EQ(key.create(HKEY_CURRENT_USER, product_key), ERROR_SUCCESS);
    ASSERT_EQ(key.set_value("abc", "Narrow"), ERROR_SUCCESS);
    ASSERT_EQ(key.set_value(L"\u00e9", L"Wide"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(key.get_value(static_cast<char*>(nullptr), "Narrow", &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(key.get_value(static_cast<wchar_t*>(nullptr), L"Wide", &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 2 * sizeof(wchar_t));
    wchar_t buf[2];
    EXPECT_EQ(key.get_value(buf, L"Wide", &size), ERROR_SUCCESS);
    EXPECT_STREQ(buf, L"\u00e9");
}

TEST_F(tk_reg_key_test, failed_create_keeps_the_key_held_before) {
    tk_reg_key key;
    ASSERT_EQ(key.create(HKEY_CURRENT_USER, product_key), ERROR_SUCCESS);
    HKEY before = key.handle();
    EXPECT_NE(key.create(HKEY_CURRENT_USER, "Bad\\[Name]"), ERROR_SUCCESS);
    EXPECT_EQ(key.handle(), before);
}

TEST_F(tk_reg_key_test, misuse_raises_the_internal_errors) {
    tk_reg_key key;
    DWORD d = 0;
    DWORD size = 0;
    char buf[4];
    wchar_t wbuf[4];
    EXPECT_EQ(internal_error_of([&] { key.create(nullptr, product_key); }), internal(64));
    EXPECT_EQ(internal_error_of([&] { key.get_value(d, nullptr); }), internal(98));
    EXPECT_EQ(internal_error_of([&] { key.get_value(buf, nullptr, &size); }), internal(115));
    EXPECT_EQ(internal_error_of([&] { key.get_value(buf, "x", nullptr); }), internal(116));
    EXPECT_EQ(internal_error_of([&] { key.get_value(wbuf, nullptr, &size); }), internal(132));
    EXPECT_EQ(internal_error_of([&] { key.get_value(wbuf, L"x", nullptr); }), internal(133));
    EXPECT_EQ(internal_error_of([&] { key.set_value(DWORD{1}, "x"); }), internal(149));
    EXPECT_EQ(internal_error_of([&] { key.set_value(static_cast<const char*>(nullptr), "x"); }),
              internal(156));
    EXPECT_EQ(internal_error_of([&] { key.set_value("t", "x"); }), internal(157));
    EXPECT_EQ(internal_error_of([&] { key.set_value(static_cast<const wchar_t*>(nullptr), L"x"); }),
              internal(164));
    EXPECT_EQ(internal_error_of([&] { key.set_value(L"t", L"x"); }), internal(165));
}

}  // namespace
