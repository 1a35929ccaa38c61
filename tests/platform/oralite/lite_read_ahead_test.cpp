// A query read ahead on the engine's own thread gives the client exactly what reading row by row
// gives: the same cells, the same end, the same error after the same rows, and a session that
// stays usable while a cursor is open or abandoned half-way.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <new>
#include <string>
#include <vector>

#include "lite_test_helpers.h"
#include "lite_internal.h"
#include "lite_read_ahead.h"

namespace {

using rows_t = std::vector<std::vector<std::string>>;

// Every cell of every row as text() and bytes() show it, with what the other accessors say of it.
struct reading {
    rows_t rows;
    int error = 0;  // ORA number the walk ended with
};

reading walk(lite_session& s, const std::string& sql, int read_ahead) {
    reading r;
    auto st = s.prepare(sql);
    st->set_read_ahead(read_ahead);
    try {
        st->execute();
        const int n = static_cast<int>(st->columns().size());
        while (st->next()) {
            std::vector<std::string> row;
            for (int c = 0; c < n; ++c) {
                if (st->is_null(c)) {
                    row.emplace_back("<null>");
                    continue;
                }
                const auto b = st->bytes(c);
                std::string cell = std::string(st->text(c)) + "|" + std::to_string(b.size()) + "|" +
                                   std::to_string(st->storage_class(c)) + "|" +
                                   std::to_string(st->as_int64(c)) + "|";
                // Last: reading a cell as a date may change how SQLite holds it.
                try {
                    const lite_datetime d = st->as_datetime(c);
                    cell += std::to_string(d.year) + "-" + std::to_string(d.month) + "-" +
                            std::to_string(d.day) + " " + std::to_string(d.hour) + ":" +
                            std::to_string(d.minute) + ":" + std::to_string(d.second) + "." +
                            std::to_string(d.nanosecond);
                } catch (const lite_error&) {
                    cell += "no date";
                }
                row.push_back(std::move(cell));
            }
            r.rows.push_back(std::move(row));
        }
    } catch (const lite_error& e) {
        r.error = e.code();
    }
    return r;
}

class LiteReadAhead : public ::testing::Test {
protected:
    void SetUp() override {
        s_ = inst_.logon();
        s_->execute(
            "CREATE TABLE T (ID NUMBER(10) PRIMARY KEY, QTY NUMBER(9), PRICE NUMBER(12,2), "
            "BIG NUMBER, NAME VARCHAR2(40 CHAR), FIXED CHAR(5), CREATED DATE, STAMP TIMESTAMP, "
            "PIC RAW(16), DOC CLOB, BLOBBY BLOB)");
        s_->execute("CREATE TABLE LOG_T (N NUMBER)");
        s_->execute("CREATE SEQUENCE S");
        // 1,000 rows: many chunks of every size tried below, NULLs in every third row, and two
        // rows whose LOBs are larger than a chunk's bytes.
        auto ins = s_->prepare(
            "INSERT INTO T VALUES (:1, :2, :3, :4, :5, 'ab', TO_DATE(:6, 'YYYY-MM-DD'), "
            "TIMESTAMP '2024-03-01 12:34:56.5', HEXTORAW('00FF10'), :7, :8)");
        const std::string big_doc(1500000, 'y');
        const std::vector<unsigned char> pic{1, 2, 0, 255};
        for (int i = 1; i <= 1000; ++i) {
            const bool holes = i % 3 == 0;
            ins->bind_int64(1, i);
            ins->bind_int64(2, i % 7 - 3);
            ins->bind_double(3, i + 0.255);
            if (holes) {
                ins->bind_null(4);
                ins->bind_null(5);
            } else {
                ins->bind_text(4, "123456789012345678901234567890");
                ins->bind_text(5, "n\u00e9 " + std::to_string(i) + " \U0001F600");
            }
            ins->bind_text(6, std::to_string(1850 + i % 200) + "-01-02");
            ins->bind_text(7, i == 10 || i == 900 ? big_doc : "doc");
            if (i % 5 == 0) {
                ins->bind_null(8);
            } else {
                ins->bind_bytes(8, pic);
            }
            ins->execute();
        }
        s_->commit();
    }

    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
};

TEST_F(LiteReadAhead, GivesTheCellsOfAPlainRead) {
    const std::string sql = "SELECT T.*, ROWID FROM T ORDER BY ID";
    const reading plain = walk(*s_, sql, 1);
    ASSERT_EQ(plain.error, 0);
    ASSERT_EQ(plain.rows.size(), 1000u);
    for (int chunk : {2, 7, 256, 5000}) {
        const reading ahead = walk(*s_, sql, chunk);
        EXPECT_EQ(ahead.error, 0) << chunk;
        EXPECT_EQ(ahead.rows, plain.rows) << chunk;
    }
    // No rows at all, and one row.
    EXPECT_TRUE(walk(*s_, "SELECT * FROM T WHERE ID < 0", 64).rows.empty());
    EXPECT_EQ(walk(*s_, "SELECT ID FROM T WHERE ID = 5", 64).rows,
              walk(*s_, "SELECT ID FROM T WHERE ID = 5", 1).rows);
}

TEST_F(LiteReadAhead, CompoundQueriesAndConstantsGiveTheCellsOfAPlainRead) {
    // The arms of a compound query hand their rows over from places of their own, and a
    // constant's text is the statement's: every row's cells must still be that row's.
    for (const std::string sql : {
             "SELECT ID, NAME, PRICE, CREATED FROM T WHERE ID < 300 UNION ALL "
             "SELECT QTY, 'x' || NAME, ID * 2, NULL FROM T WHERE ID >= 700 UNION ALL "
             "SELECT 1, 'one', 2.5, CREATED FROM T WHERE ID = 500",
             "SELECT ID, 'constant text', NAME, 42, PIC FROM T ORDER BY ID DESC",
         }) {
        const reading plain = walk(*s_, sql, 1);
        ASSERT_EQ(plain.error, 0) << sql;
        ASSERT_GT(plain.rows.size(), 500u) << sql;
        for (int chunk : {3, 256}) {
            const reading ahead = walk(*s_, sql, chunk);
            EXPECT_EQ(ahead.error, 0) << sql;
            EXPECT_EQ(ahead.rows, plain.rows) << sql << " " << chunk;
        }
    }
}

TEST_F(LiteReadAhead, DatesAndRowidsReadFromTheCopiedRow) {
    auto st = s_->prepare("SELECT CREATED, STAMP FROM T WHERE ID <= 3 ORDER BY ID FOR UPDATE");
    st->set_read_ahead(16);
    st->execute();
    ASSERT_TRUE(st->next());
    EXPECT_EQ(st->as_datetime(0).year, 1851);
    EXPECT_EQ(st->as_datetime(0).month, 1);
    EXPECT_EQ(st->as_datetime(1).nanosecond, 500000000u);
    EXPECT_FALSE(st->update_rowid().empty());
    const std::string first = st->update_rowid();
    ASSERT_TRUE(st->next());
    EXPECT_NE(st->update_rowid(), first);
}

TEST_F(LiteReadAhead, AnErrorComesAfterTheRowsBeforeIt) {
    // Row 400 divides by zero: the 399 rows before it arrive, then ORA-01476.
    const std::string sql = "SELECT ID, 1 / (ID - 400) FROM T ORDER BY ID";
    const reading plain = walk(*s_, sql, 1);
    const reading ahead = walk(*s_, sql, 32);
    EXPECT_EQ(plain.error, 1476);
    EXPECT_EQ(ahead.error, 1476);
    EXPECT_EQ(ahead.rows.size(), 399u);
    EXPECT_EQ(ahead.rows, plain.rows);
}

TEST_F(LiteReadAhead, TheSessionGoesOnWhileACursorIsOpen) {
    auto st = s_->prepare("SELECT ID FROM T ORDER BY ID");
    st->set_read_ahead(8);
    st->execute();
    int seen = 0;
    while (st->next()) {
        ++seen;
        if (seen % 100 == 0) {
            s_->execute("INSERT INTO LOG_T VALUES (" + std::to_string(seen) + ")");
            s_->commit();
        }
    }
    EXPECT_EQ(seen, 1000);
    EXPECT_EQ(lite_cell(*s_, "SELECT COUNT(*) FROM LOG_T"), "10");
}

TEST_F(LiteReadAhead, ACursorLeftHalfWayIsStoppedCleanly) {
    auto st = s_->prepare("SELECT ID FROM T WHERE ID > :1 ORDER BY ID");
    st->set_read_ahead(4);
    st->bind_int64(1, 0);
    st->execute();
    ASSERT_TRUE(st->next());
    ASSERT_TRUE(st->next());
    EXPECT_EQ(st->text(0), "2");
    // A new bind and execute start over from the new position.
    st->bind_int64(1, 995);
    st->execute();
    std::vector<std::string> ids;
    while (st->next()) ids.emplace_back(st->text(0));
    EXPECT_EQ(ids, (std::vector<std::string>{"996", "997", "998", "999", "1000"}));
    // Left open: destroying the statement, and logging off under an open one, both stop it.
    auto other = s_->prepare("SELECT * FROM T");
    other->set_read_ahead(4);
    other->execute();
    ASSERT_TRUE(other->next());
    st->execute();
    ASSERT_TRUE(st->next());
    st.reset();
    s_->logoff();
    EXPECT_THROW(other->next(), lite_error);
}

TEST_F(LiteReadAhead, RowsOfLargeLobsArriveWholeWhileTheReaderWaitsForRoom) {
    // Rows of several megabytes each: more than the reader may hold ahead, and more than a
    // chunk keeps between uses, so it both waits for the client and gives memory back.
    s_->execute("CREATE TABLE DOCS (ID NUMBER(10) PRIMARY KEY, DOC CLOB, PIC BLOB)");
    auto ins = s_->prepare("INSERT INTO DOCS VALUES (:1, :2, :3)");
    for (int i = 1; i <= 24; ++i) {
        ins->bind_int64(1, i);
        const auto doc = static_cast<size_t>(i % 4) * 1500000 + 3;
        const auto pic = static_cast<size_t>(i % 3) * 2000000;
        ins->bind_text(2, std::string(doc, static_cast<char>('a' + i)));
        ins->bind_bytes(3, std::vector<unsigned char>(pic, static_cast<unsigned char>(i)));
        ins->execute();
    }
    s_->commit();
    const std::string sql = "SELECT ID, DOC, PIC, ID * 2 FROM DOCS ORDER BY ID";
    const reading plain = walk(*s_, sql, 1);
    ASSERT_EQ(plain.error, 0);
    ASSERT_EQ(plain.rows.size(), 24u);
    for (int chunk : {1000, 3}) {
        const reading ahead = walk(*s_, sql, chunk);
        EXPECT_EQ(ahead.error, 0) << chunk;
        EXPECT_TRUE(ahead.rows == plain.rows) << chunk;
    }
}

TEST_F(LiteReadAhead, SequencesAreDrawnOnlyForRowsFetched) {
    auto st = s_->prepare("SELECT S.NEXTVAL FROM T");
    st->set_read_ahead(256);
    st->execute();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(st->next());
    EXPECT_EQ(st->text(0), "3");
    st.reset();
    EXPECT_EQ(lite_cell(*s_, "SELECT S.CURRVAL FROM DUAL"), "3");
}

}  // namespace

namespace {

// Whatever fails on the reader's thread reaches the client in its fetch, after the rows read
// before it, instead of ending the process.
TEST(LiteReadAheadFailure, AnExceptionOnTheReaderReachesTheFetch) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE t(n INTEGER);"
                           "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c "
                           "WHERE n < 500) INSERT INTO t SELECT n FROM c;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT n FROM t ORDER BY n", -1, &stmt, nullptr), SQLITE_OK);
    constexpr int k_failing_row = 300;
    int fetched = 0;
    try {
        lite_read_ahead reader(db, stmt, nullptr, 16, false, {lite_read_ahead::shown_text},
                               [](int, const lite_cell_view& cell, char* out) -> size_t {
                                   if (cell.integer == k_failing_row) throw std::bad_alloc();
                                   out[0] = 'x';
                                   return 1;
                               });
        while (reader.next()) {
            ASSERT_EQ(reader.cell(0).integer, fetched + 1);
            ++fetched;
        }
        ADD_FAILURE() << "the reader's failure was lost";
    } catch (const std::bad_alloc&) {
        EXPECT_EQ(fetched, k_failing_row - 1);
    }
    // The connection is free again: the reader let go of it when it failed.
    EXPECT_EQ(sqlite3_exec(db, "SELECT count(*) FROM t", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

// A sequence's numbers are drawn as rows are fetched: the translation tells which statements
// call a session-bound function, whatever their text holds besides.
TEST(LiteReadAheadFailure, OnlyStatementsCallingSessionFunctionsStayOffTheReader) {
    EXPECT_TRUE(lite_translate("SELECT S.NEXTVAL FROM T", "U").uses_session_state);
    EXPECT_TRUE(lite_translate("INSERT INTO T VALUES (S.NEXTVAL)", "U").uses_session_state);
    EXPECT_FALSE(lite_translate("SELECT 'LITE_SEQ' AS LITE_SEQ FROM DUAL", "U").uses_session_state);
    EXPECT_FALSE(lite_translate("SELECT UPPER(X) FROM T", "U").uses_session_state);
}

}  // namespace
