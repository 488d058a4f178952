// like() and the old collation as SQLite functions (see sqlite_functions.h).
// The SQL function is called like(PATTERN, TEXT) for "TEXT LIKE PATTERN".

#include "sqlite_functions.h"

#include "../engine_error.h"
#include "../text_match.h"

#include <QString>
#include <optional>
#include <sqlite3.h>
#include <string_view>

namespace store {
namespace {

using textmatch::compare;
using textmatch::like;

/// The text of a non-NULL argument; nullopt when SQLite ran out of memory
/// converting it (a zero-length value may come back as a null pointer).
std::optional<std::string_view> textArgument(sqlite3_value* value) {
    const unsigned char* text = sqlite3_value_text(value);
    const int bytes = sqlite3_value_bytes(value);
    if (bytes <= 0)
        return std::string_view();
    if (text == nullptr)
        return std::nullopt;
    return std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes));
}

void likeFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (argc != 2) {
        // The desktop patterns have their own way to quote '*', '?' and
        // '#' ("[*]"), so no statement of the program uses ESCAPE. Refusing
        // it whatever the values keeps the failure independent of the data.
        sqlite3_result_error(context, "ESCAPE is not supported", -1);
        return;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const std::optional<std::string_view> pattern = textArgument(argv[0]);
    const std::optional<std::string_view> text = textArgument(argv[1]);
    if (!pattern || !text) {
        sqlite3_result_error_nomem(context);
        return;
    }
    sqlite3_result_int(context, like(*pattern, *text) ? 1 : 0);
}

int collate(void*, int leftBytes, const void* left, int rightBytes, const void* right) {
    return compare({static_cast<const char*>(left), static_cast<std::size_t>(leftBytes)},
                   {static_cast<const char*>(right), static_cast<std::size_t>(rightBytes)});
}

void check(sqlite3* db, int rc, const char* what) {
    if (rc != SQLITE_OK)
        throw EngineError(err::IoError,
                          QStringLiteral("Cannot install %1 on the connection: %2")
                              .arg(QLatin1String(what), QString::fromUtf8(sqlite3_errmsg(db))));
}

} // namespace

void installTextFunctions(sqlite3* db) {
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    for (const int args : {2, 3})
        check(db,
              sqlite3_create_function_v2(db, "like", args, flags, nullptr, likeFunction, nullptr,
                                         nullptr, nullptr),
              "like()");
    check(db, sqlite3_create_collation_v2(db, "JETTEXT", SQLITE_UTF8, nullptr, collate, nullptr),
          "the JETTEXT collation");
}

} // namespace store
