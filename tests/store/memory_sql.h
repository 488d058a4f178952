#pragma once
// An in-memory SQLite connection with the register's like() and JETTEXT
// collation installed, for tests of the SQL pieces without a register file.
// Each test gets a fresh, empty connection; creating one costs microseconds.

#include "store/sqlite/sqlite_functions.h"
#include "store/text_match.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>
#include <vector>

using Rows = std::vector<std::string>;

class MemorySql : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
        store::installTextFunctions(db_);
    }
    void TearDown() override { sqlite3_close(db_); }

    void exec(const char* sql) {
        char* message = nullptr;
        const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
        EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "");
        sqlite3_free(message);
    }

    /// One column of every row, "NULL" for a Null; "error: ..." if the
    /// statement fails.
    Rows column(const std::string& sql, int index = 0) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            return {std::string("error: ") + sqlite3_errmsg(db_)};
        Rows rows;
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(stmt, index);
            rows.emplace_back(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        if (rc != SQLITE_DONE)
            rows = {std::string("error: ") + sqlite3_errmsg(db_)};
        sqlite3_finalize(stmt);
        return rows;
    }

    sqlite3* db_ = nullptr;
};
