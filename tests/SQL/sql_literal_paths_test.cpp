// Every value is rendered into a statement one way, whatever the trace level: a fault must not
// vanish when the trace is switched on to find it.  The literals of every value in every column
// (errors included) are kept as a digest, taken when a second, general rendering still checked
// them one by one, so that any literal that changes by a byte shows.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "SQL/sql_test_env.h"
#include "SQL/sql_util.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "variant/ole_variant.h"

namespace {

class sql_literal_paths_test : public sql_engine_test {
protected:
    void SetUp() override {
        sql_engine_test::SetUp();
        m_log = ::testing::TempDir() + "sql_literal_paths_" + std::to_string(::getpid()) + ".log";
    }
    void TearDown() override {
        std::remove(m_log.c_str());
        sql_engine_test::TearDown();
    }

    // The literal, or the error's text prefixed with "error: ".
    static std::string render(const ole_variant& value, const t_ftd& column) {
        try {
            std::string out = "prefix ";
            append_fld_str(out, &value, &column);
            EXPECT_EQ(out.substr(7), get_fld_append_str(&value, &column));
            return out.substr(7);
        } catch (const tk_exception& e) {
            return std::string("error: ") + e.what();
        }
    }

    // Renders every value into every column with the trace off and on; both must agree, and
    // the literals must match the digest.
    void expect_rendered(const std::vector<ole_variant>& values, std::uint64_t digest) {
        std::vector<t_ftd> columns;
        for (int vt : {VT_BSTR, VT_I4, VT_I8, VT_DECIMAL, VT_R8, VT_DATE, VT_BLOB, VT_BOOL}) {
            for (bool not_null : {false, true}) {
                columns.push_back(
                    make_column(L"C", vt, 20, not_null, vt == VT_DECIMAL ? 0x0C02 : 0));
                if (not_null) columns.back().default_value = ole_variant(std::wstring(L"7"));
            }
        }
        std::vector<std::string> plain;
        for (const ole_variant& v : values)
            for (const t_ftd& c : columns) plain.push_back(render(v, c));
        std::vector<std::string> traced;
        {
            tk_logger logger(m_log.c_str(), true, 1, false);
            for (const ole_variant& v : values)
                for (const t_ftd& c : columns) traced.push_back(render(v, c));
        }
        ASSERT_EQ(plain.size(), traced.size());
        for (std::size_t i = 0; i < plain.size(); ++i)
            EXPECT_EQ(plain[i], traced[i])
                << "value #" << i / columns.size() << ", column #" << i % columns.size();
        // FNV-1a over every literal and a line end after each.
        std::uint64_t hash = 14695981039346656037ULL;
        for (const std::string& literal : plain) {
            for (unsigned char c : literal + "\n") hash = (hash ^ c) * 1099511628211ULL;
        }
        EXPECT_EQ(hash, digest);
    }

    std::string log_text() const {
        std::ifstream in(m_log, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string m_log;
};

ole_variant text(const std::wstring& s) {
    return ole_variant(s);
}

ole_variant decimal(const char* s) {
    return ole_variant::from_string(s, VT_DECIMAL);
}

}  // namespace

TEST_F(sql_literal_paths_test, TextsNumbersAndNulls) {
    std::vector<ole_variant> values;
    values.emplace_back();
    values.push_back(text(L""));
    values.push_back(text(L"plain"));
    values.push_back(text(L"O'Neil \\ path\r\nline\x1a end"));
    values.push_back(text(std::wstring(L"zero\0inside", 11)));
    values.push_back(text(L"caf\u00e9 \u20ac \u4e2d\u6587 \uffff"));
    values.push_back(text(L"astral \U0001F600"));
    values.push_back(text(std::wstring(1, static_cast<wchar_t>(0xD800))));
    values.push_back(text(L"12.5"));
    values.push_back(text(L"true"));
    values.push_back(text(L"0x1F"));
    values.push_back(text(L"2024-03-01 12:34:56"));
    values.push_back(ole_variant(0));
    values.push_back(ole_variant(-2147483647 - 1));
    values.push_back(ole_variant(static_cast<short>(-7)));
    values.push_back(ole_variant(static_cast<char>(-5)));
    values.push_back(ole_variant(static_cast<unsigned char>(250)));
    values.push_back(ole_variant(static_cast<unsigned short>(65535)));
    values.push_back(ole_variant(4294967295u));
    values.push_back(ole_variant(static_cast<long long>(-9223372036854775807LL - 1)));
    values.push_back(ole_variant(18446744073709551615ULL));
    values.push_back(ole_variant(true));
    values.push_back(ole_variant(2.5));
    for (const char* d : {"0", "0.00", "-0.05", "1.25", "-123456789012345678901234.5678",
                          "79228162514264337593543950335", "0.0000000000000000000000000001", "-7"})
        values.push_back(decimal(d));
    values.push_back(ole_variant(std::vector<std::uint8_t>{}));
    values.push_back(ole_variant(std::vector<std::uint8_t>{0x00, 0x7F, 0xAB, 0xFF}));
    expect_rendered(values, 16669048701093414476ULL);
}

TEST_F(sql_literal_paths_test, DatesOfEveryShape) {
    std::vector<ole_variant> values;
    auto date = [&](int y, int mo, int d, int h, int mi, int s, int ms) {
        SYSTEMTIME t{};
        t.wYear = static_cast<WORD>(y);
        t.wMonth = static_cast<WORD>(mo);
        t.wDay = static_cast<WORD>(d);
        t.wHour = static_cast<WORD>(h);
        t.wMinute = static_cast<WORD>(mi);
        t.wSecond = static_cast<WORD>(s);
        t.wMilliseconds = static_cast<WORD>(ms);
        values.emplace_back(t);
    };
    date(2024, 3, 1, 12, 34, 56, 0);
    date(2024, 3, 1, 0, 0, 0, 0);
    date(2024, 3, 1, 0, 0, 0, 500);
    date(2024, 3, 1, 0, 0, 1, 0);
    date(2024, 3, 1, 23, 59, 59, 999);
    date(2024, 2, 31, 10, 0, 0, 7);
    date(1000, 1, 1, 0, 0, 0, 0);
    date(9999, 12, 31, 23, 59, 59, 0);
    date(999, 1, 1, 1, 1, 1, 0);
    date(50, 6, 15, 8, 0, 0, 0);
    date(0, 0, 0, 10, 20, 30, 0);
    date(0, 0, 0, 0, 0, 0, 0);
    date(2024, 13, 1, 0, 0, 0, 0);
    date(2024, 1, 1, 24, 0, 0, 0);
    std::mt19937 random(20240301);
    for (int i = 0; i < 400; ++i) {
        date(static_cast<int>(random() % 12000), static_cast<int>(random() % 14),
             static_cast<int>(random() % 33), static_cast<int>(random() % 26),
             static_cast<int>(random() % 62), static_cast<int>(random() % 62),
             static_cast<int>(random() % 4 == 0 ? random() % 1001 : 0));
    }
    expect_rendered(values, 16108619777605681784ULL);
}

TEST_F(sql_literal_paths_test, TimeStampTextsAsTheReaderGivesThem) {
    // A TIMESTAMP with fractions arrives as its text, with as many digits as its column keeps.
    std::vector<ole_variant> values;
    for (const wchar_t* stamp :
         {L"2024-02-29 13:45:59.1", L"2024-02-29 13:45:59.12", L"2024-02-29 13:45:59.123",
          L"2024-02-29 13:45:59.1235", L"2024-02-29 13:45:59.12346", L"2024-02-29 13:45:59.123457",
          L"0001-01-01 00:00:00.000001", L"9999-12-31 23:59:59.999999", L"2024-02-29 00:00:00.0",
          L"1970-01-01 00:00:00.500000", L"2024-02-29 13:45:59", L"2024-02-29"})
        values.push_back(text(stamp));
    expect_rendered(values, 2759826233234040437ULL);
    const ole_variant stamp = text(L"2024-02-29 13:45:59.123457");
    for (bool not_null : {false, true}) {
        const t_ftd column = make_column(L"T", VT_DATE, 8, not_null, 1 + 6 * 256);
        EXPECT_EQ(get_fld_append_str(&stamp, &column), "'2024-02-29 13:45:59.123457'");
    }
}

TEST_F(sql_literal_paths_test, SpecialCharactersAtEveryPositionOfALongText) {
    // Texts are written a run of characters at a time (sixteen, then four): a character that
    // needs an escape or an encoding must be seen wherever it falls in or between the runs, in
    // long texts and short ones.
    const std::wstring specials[] = {L"'",
                                     L"\\",
                                     std::wstring(1, L'\0'),
                                     L"\r",
                                     L"\n",
                                     L"\x1a",
                                     L"\u00e9",
                                     L"\u20ac",
                                     L"\U0001F600",
                                     std::wstring(1, static_cast<wchar_t>(0xDC00)),
                                     std::wstring(1, static_cast<wchar_t>(-1))};
    std::vector<ole_variant> values;
    for (const std::wstring& special : specials) {
        for (std::size_t length : {1, 3, 4, 5, 7, 16, 21, 40}) {
            for (std::size_t at = 0; at < length; ++at) {
                std::wstring s(length, L'a');
                s.replace(at, 1, special);
                values.push_back(text(s));
            }
        }
    }
    expect_rendered(values, 14164327607531498189ULL);
    // The plain runs themselves arrive whole.
    const ole_variant long_text = text(std::wstring(37, L'x') + L"yz");
    const t_ftd column = make_column(L"C", VT_BSTR, 40, false, 0);
    EXPECT_EQ(get_fld_append_str(&long_text, &column), "'" + std::string(37, 'x') + "yz'");
    // After a character that stops a run the runs go on: two of them anywhere in a text, in
    // one run or in two, give the literal of the general rendering.
    const std::wstring pairs[] = {L"'", L"\n", L"\u00e9", L"\u20ac"};
    for (const std::wstring& first : pairs) {
        for (const std::wstring& second : pairs) {
            for (std::size_t at = 0; at < 40; at += 3) {
                for (std::size_t next = at + 1; next < 40; next += 5) {
                    std::wstring s(40, L'a');
                    s[at] = first[0];
                    s[next] = second[0];
                    const ole_variant value = text(s);
                    EXPECT_EQ(get_fld_append_str(&value, &column),
                              tk_to_utf8(to_mysql_wstr(s, VT_BSTR)));
                }
            }
        }
    }
}

TEST_F(sql_literal_paths_test, TheTraceRecordsTheLiteralWritten) {
    const ole_variant value = text(L"caf\u00e9 O'Neil");
    const t_ftd column = make_column(L"C", VT_BSTR, 40, false, 0);
    const ole_variant number(static_cast<long long>(-42));
    const t_ftd number_column = make_column(L"N", VT_I8, 20, false, 0);
    std::string literal, number_literal;
    {
        tk_logger logger(m_log.c_str(), true, 1, false);
        literal = get_fld_append_str(&value, &column);
        number_literal = get_fld_append_str(&number, &number_column);
    }
    EXPECT_EQ(literal, "'caf\xc3\xa9 O\\'Neil'");
    EXPECT_EQ(number_literal, "-42");
    const std::string log = log_text();
    EXPECT_NE(log.find("Got field: " + literal + ", type=00000008"), std::string::npos) << log;
    EXPECT_NE(log.find("Got field: -42, type=00000014"), std::string::npos) << log;
}
