// Rows of a dump table rendered on a thread of their own: every value arrives as the record held
// it, rows keep their order whichever thread renders them, and a failure is neither lost nor
// followed by rows rendered after it.
#include "SQL/dmp_row_queue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "SQL/dmp_database.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_test_env.h"
#include "TK/tk_exception.h"
#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"
#include "variant/ole_variant.h"

namespace {

// Values of every kind that travels, at their edges.
std::vector<udb_field> plain_values() {
    std::vector<udb_field> v;
    const auto add = [&v](ole_variant value) { v.emplace_back(L"C", 0, std::move(value)); };
    add(ole_variant());
    add(ole_variant(true));
    add(ole_variant(static_cast<signed char>(-128)));
    add(ole_variant(static_cast<unsigned char>(255)));
    add(ole_variant(static_cast<short>(-32768)));
    add(ole_variant(static_cast<unsigned short>(65535)));
    add(ole_variant(std::numeric_limits<int>::min()));
    add(ole_variant(std::numeric_limits<unsigned int>::max()));
    add(ole_variant(std::numeric_limits<long long>::min()));
    add(ole_variant(std::numeric_limits<unsigned long long>::max()));
    add(ole_variant(-0.0));
    add(ole_variant(1.0e308));
    add(ole_variant(1.5f));
    CY money{};
    money.int64 = -922337203685477580LL;
    add(ole_variant(money));
    DECIMAL dec{};
    dec.scale = 28;
    dec.sign = DECIMAL_NEG;
    dec.Hi32 = 0xFFFFFFFF;
    dec.Lo64 = 0xFFFFFFFFFFFFFFFFULL;
    add(ole_variant(dec));
    add(ole_variant(SYSTEMTIME{2024, 2, 4, 29, 23, 59, 58, 999}));
    add(ole_variant(SYSTEMTIME{1, 1, 0, 1, 0, 0, 0, 0}));
    add(ole_variant(std::wstring()));
    add(ole_variant(std::wstring(L"a\0b", 3)));
    add(ole_variant(std::wstring(L"Gr\u00FC\u00DFe \u65E5\u672C \U0001F600 'q' \\")));
    add(ole_variant(std::wstring(2048, L'x')));  // the longest text that travels
    add(ole_variant(std::vector<std::uint8_t>{}));
    add(ole_variant(std::vector<std::uint8_t>{0, 1, 0xFF}));
    add(ole_variant(std::vector<std::uint8_t>(8192, 0xA5)));
    return v;
}

void expect_same(const ole_variant& got, const ole_variant& want, const std::string& where) {
    ASSERT_EQ(got.vt(), want.vt()) << where;
    if (want.vt() == VT_BSTR) {
        EXPECT_EQ(got.whole_text(), want.whole_text()) << where;
    } else if (want.vt() == VT_BYTE_ARRAY) {
        const std::uint8_t* a = nullptr;
        const std::uint8_t* b = nullptr;
        const std::size_t n = got.get_bytes1(a);
        ASSERT_EQ(n, want.get_bytes1(b)) << where;
        EXPECT_TRUE(n == 0 || std::memcmp(a, b, n) == 0) << where;
    } else {
        EXPECT_EQ(std::memcmp(&got.variant(), &want.variant(), sizeof(VARIANT)), 0) << where;
        SYSTEMTIME ta{}, tb{};
        got.get_systemtime(ta);
        want.get_systemtime(tb);
        EXPECT_EQ(std::memcmp(&ta, &tb, sizeof ta), 0) << where;
    }
}

TEST(dmp_row_queue, every_value_arrives_as_pushed_in_order_of_its_rows) {
    const std::vector<udb_field> values = plain_values();
    // Rows of three values in turn, so that each value meets each column and every batch
    // boundary falls somewhere new.
    const std::size_t columns = 3;
    const int rows = 6000;
    const auto value_of = [&](int row, std::size_t col) -> const udb_field& {
        return values[(static_cast<std::size_t>(row) * columns + col) % values.size()];
    };
    int expected = 1;
    {
        dmp_row_queue queue(columns, [&](const ole_variant* const* got, int number) {
            ASSERT_EQ(number, expected);
            for (std::size_t c = 0; c < columns; ++c)
                expect_same(*got[c], value_of(number, c),
                            "row " + std::to_string(number) + " column " + std::to_string(c));
            ++expected;
        });
        for (int row = 1; row <= rows; ++row) {
            const udb_field* fields[columns] = {&value_of(row, 0), &value_of(row, 1),
                                                &value_of(row, 2)};
            ASSERT_TRUE(queue.push(fields, row));
            if (row == rows / 2) {
                queue.drain();
                EXPECT_EQ(expected, row + 1);
            }
        }
        queue.drain();
        EXPECT_EQ(expected, rows + 1);
    }
}

TEST(dmp_row_queue, rows_wider_than_a_batchs_first_room_arrive_whole) {
    // Forty of the longest values that travel: a row passes the room a batch is first given,
    // so the batch grows with rows already in it.
    const std::size_t columns = 40;
    const udb_field text(L"T", 0, ole_variant(std::wstring(2048, L'\u00E9')));
    const udb_field bytes(L"B", 0, ole_variant(std::vector<std::uint8_t>(8192, 0x5A)));
    std::vector<const udb_field*> fields(columns);
    for (std::size_t c = 0; c < columns; ++c) fields[c] = c % 2 ? &bytes : &text;
    const int rows = 12;
    int expected = 1;
    {
        dmp_row_queue queue(columns, [&](const ole_variant* const* got, int number) {
            ASSERT_EQ(number, expected);
            for (std::size_t c = 0; c < columns; ++c)
                expect_same(*got[c], *fields[c],
                            "row " + std::to_string(number) + " column " + std::to_string(c));
            ++expected;
        });
        for (int row = 1; row <= rows; ++row) ASSERT_TRUE(queue.push(fields.data(), row));
        queue.drain();
    }
    EXPECT_EQ(expected, rows + 1);
}

TEST(dmp_row_queue, long_values_stay_with_the_caller) {
    int rendered = 0;
    dmp_row_queue queue(1, [&](const ole_variant* const*, int) { ++rendered; });
    const udb_field text(L"C", 0, ole_variant(std::wstring(2049, L'x')));
    const udb_field bytes(L"C", 0, ole_variant(std::vector<std::uint8_t>(8193, 1)));
    const udb_field* row[1] = {&text};
    EXPECT_FALSE(queue.push(row, 1));
    row[0] = &bytes;
    EXPECT_FALSE(queue.push(row, 2));
    queue.drain();
    EXPECT_EQ(rendered, 0);
}

TEST(dmp_row_queue, a_failed_row_is_raised_by_a_later_call_and_nothing_after_it_is_rendered) {
    int last = 0;
    const udb_field value(L"C", 0, ole_variant(7));
    const udb_field* row[1] = {&value};
    {
        dmp_row_queue queue(1, [&](const ole_variant* const*, int number) {
            if (number == 700) throw tk_exception("Cannot write the dump file", 1);
            last = number;
        });
        bool raised = false;
        for (int number = 1; number <= 100000 && !raised; ++number) {
            try {
                queue.push(row, number);
            } catch (const tk_exception& e) {
                EXPECT_EQ(e.level(), 1);
                EXPECT_STREQ(e.what(), "Cannot write the dump file");
                raised = true;
            }
        }
        if (!raised) {
            EXPECT_THROW(queue.drain(), tk_exception);
        }
        EXPECT_THROW(queue.drain(), tk_exception) << "raised again by every later call";
    }  // and the thread ends
    EXPECT_EQ(last, 699);
}

// The ids of a dump's rows, in the order they were written.
std::vector<int> written_ids(const std::string& text) {
    std::vector<int> ids;
    const std::regex row(R"([(](\d+), ')");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), row);
         it != std::sregex_iterator(); ++it)
        ids.push_back(std::stoi((*it)[1]));
    return ids;
}

using dmp_rows_apart_test = sql_engine_test;

TEST_F(dmp_rows_apart_test, rows_rendered_apart_and_here_keep_their_order_and_their_errors) {
    udb_schema columns;
    columns.add_field(make_column(L"ID", VT_I4, 4));
    columns.add_field(make_column(L"TXT", VT_BSTR, 60000));
    columns.add_field(make_column(L"N", VT_I4, 4));
    udb_indexes keys;
    keys.push_back(udb_index(L"PK", false, true, {L"ID"}));
    const std::string path = test_file_path("apart.sql");
    auto db = engine->create_dump(std::wstring(path.begin(), path.end()), dump_options());
    auto table = db->create_table(L"MIXED_ROWS", columns, keys);
    std::vector<sql_record_error> told;
    const int n = 9000;
    // Two of the rows repeat an id, one rendered apart and one rendered here.
    const auto id_of = [](int i) { return i == 5000 ? 3 : i == 97 * 60 ? 5 : i; };
    for (int i = 1; i <= n; ++i) {
        // Every 97th row has a long text, which the run's thread renders itself.
        const std::wstring text =
            i % 97 == 0 ? std::wstring(5000, L'\u00E9') : L"row " + std::to_wstring(i);
        udb_record record;
        record.add_field(udb_field(L"ID", 4, ole_variant(id_of(i))));
        record.add_field(udb_field(L"TXT", 60000, ole_variant(text)));
        record.add_field(udb_field(L"N", 4, ole_variant(-i)));
        gather(told, [&] { table->append_record(record, i); });
    }
    gather(told, [&] { table->flush(); });
    table.reset();
    db->close();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].record(), 5000);
    EXPECT_EQ(told[1].record(), 97 * 60);
    const std::vector<int> ids = written_ids(read_file(path));
    ASSERT_EQ(ids.size(), static_cast<std::size_t>(n));
    for (int i = 1; i <= n; ++i)
        ASSERT_EQ(ids[static_cast<std::size_t>(i - 1)], id_of(i)) << "record " << i;
}

TEST_F(dmp_rows_apart_test, a_table_released_without_a_flush_still_writes_every_row_it_took) {
    udb_schema columns;
    columns.add_field(make_column(L"ID", VT_I4, 4));
    columns.add_field(make_column(L"TXT", VT_BSTR, 40));
    columns.add_field(make_column(L"N", VT_I4, 4));
    const std::string path = test_file_path("released.sql");
    auto db = engine->create_dump(std::wstring(path.begin(), path.end()), dump_options());
    auto table = db->create_table(L"RELEASED", columns, udb_indexes());
    const int n = 5000;
    for (int i = 1; i <= n; ++i) {
        udb_record record;
        record.add_field(udb_field(L"ID", 4, ole_variant(i)));
        record.add_field(udb_field(L"TXT", 40, ole_variant(L"t" + std::to_wstring(i))));
        record.add_field(udb_field(L"N", 4, ole_variant(-i)));
        table->append_record(record, i);
    }
    table.reset();
    db->close();
    EXPECT_EQ(written_ids(read_file(path)).size(), static_cast<std::size_t>(n));
}

}  // namespace
