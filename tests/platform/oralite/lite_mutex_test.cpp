// The mutexes the engine gives SQLite: re-entered by their holder without waiting, and exclusive
// against every other thread until the holder has left as often as it entered.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <future>
#include <thread>
#include <vector>

#include "lite_mutex.h"

namespace {

bool others_may_enter(sqlite3_mutex* m) {
    return std::async(std::launch::async,
                      [m] {
                          if (sqlite3_mutex_try(m) != SQLITE_OK) return false;
                          sqlite3_mutex_leave(m);
                          return true;
                      })
        .get();
}

class LiteMutex : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        lite_use_own_mutexes();
        ASSERT_EQ(sqlite3_initialize(), SQLITE_OK);
    }
};

TEST_F(LiteMutex, TheHolderReentersAndOthersWaitUntilItHasLeftAsOftenAsItEntered) {
    sqlite3_mutex* m = sqlite3_mutex_alloc(SQLITE_MUTEX_RECURSIVE);
    ASSERT_NE(m, nullptr);
    sqlite3_mutex_enter(m);
    sqlite3_mutex_enter(m);
    ASSERT_EQ(sqlite3_mutex_try(m), SQLITE_OK);
    sqlite3_mutex_leave(m);
    sqlite3_mutex_leave(m);
    EXPECT_FALSE(others_may_enter(m));
    sqlite3_mutex_leave(m);
    EXPECT_TRUE(others_may_enter(m));
    sqlite3_mutex_free(m);
}

TEST_F(LiteMutex, EveryKindKeepsThreadsApart) {
    for (const int id : {SQLITE_MUTEX_FAST, SQLITE_MUTEX_RECURSIVE, SQLITE_MUTEX_STATIC_MAIN,
                         SQLITE_MUTEX_STATIC_VFS3}) {
        SCOPED_TRACE(id);
        sqlite3_mutex* m = sqlite3_mutex_alloc(id);
        ASSERT_NE(m, nullptr);
        long counter = 0;
        std::vector<std::thread> threads;
        threads.reserve(4);
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&] {
                for (int i = 0; i < 20000; ++i) {
                    sqlite3_mutex_enter(m);
                    counter = counter + 1;
                    sqlite3_mutex_leave(m);
                }
            });
        }
        for (auto& t : threads) t.join();
        EXPECT_EQ(counter, 80000);
        sqlite3_mutex_enter(m);
        EXPECT_FALSE(others_may_enter(m));
        sqlite3_mutex_leave(m);
        sqlite3_mutex_free(m);
    }
}

}  // namespace
