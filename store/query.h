#pragma once
// A query of one table described rather than written: which fields, which
// rows (conditions joined by AND), in which order, how many. The program's
// own statements are built this way, so that each backend writes them in
// its own SQL (Connection::render) and every value reaches the database as
// a bound parameter; only SQL text from outside the program is translated.
//
// Conditions compare a field with a value (texts letter case ignored, as
// the register sorts them), test it for Null, or match it against a desktop
// pattern ('*', '?', '#', '[a-z]', '[!a-z]'), letter case ignored. Order
// terms place Null first when ascending and last when descending.
//
// Use: Select q{QStringLiteral("Types")};
//      q.where({QStringLiteral("Type"), Op::Like, pattern}).orderBy("Type");
// then Database::openRecordset(q, ...).

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

namespace store::query {

enum class Op {
    Equal,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    Like,
    NotLike,
    IsNull,
    /// The text read from any file the document holds matches the desktop
    /// pattern (document_files.h); for Documents only, `field` unused.
    FilesTextLike,
};

struct Condition {
    QString field; ///< a field of the table, letter case ignored
    Op op = Op::Equal;
    QVariant value; ///< bound; a desktop pattern for (Not)Like, unused for IsNull
};

struct OrderTerm {
    QString field;
    bool descending = false;
};

struct Select {
    explicit Select(QString from, QStringList columns = {})
        : table(std::move(from)), fields(std::move(columns)) {}

    QString table;
    QStringList fields; ///< empty for all of them
    std::vector<Condition> conditions;
    std::vector<OrderTerm> order;
    std::optional<int> limit;
    /// Lets the backend narrow pattern conditions through a text index of
    /// the register where it keeps one; the exact pattern decides either
    /// way, so only the speed differs. Off to walk the order's index and
    /// stop at the limit, which is faster for patterns many rows match.
    bool textIndex = true;

    Select& where(Condition c) {
        conditions.push_back(std::move(c));
        return *this;
    }
    Select& orderBy(const QString& field, bool descending = false) {
        order.push_back({field, descending});
        return *this;
    }
    /// Reads an ORDER BY list as the windows write it ("ID DESC, Date");
    /// false, and nothing added, when a term is more than a field and a
    /// direction.
    bool orderByText(const QString& list);
};

} // namespace store::query
