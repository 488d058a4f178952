// Copying a register into another (see register_copy.h).

#include "register_copy.h"

#include "connection.h"
#include "dialect.h"
#include "engine_error.h"
#include "register.h"
#include "transaction.h"
#include "value.h"

#include <QStringList>
#include <functional>
#include <limits>

namespace store {
namespace {

constexpr int PageRows = 500;  ///< rows read by one statement
constexpr int BatchRows = 100; ///< rows written by one statement

/// The count of a column's non-Null values and a sum over them: numbers as
/// they are, texts and dates through a 64-bit hash of their stored text.
struct ColumnSum {
    qint64 count = 0;
    quint64 sum = 0;
    bool operator==(const ColumnSum&) const = default;
};

quint64 hashOf(const QString& text) {
    quint64 h = 1469598103934665603ull; // FNV-1a
    for (const char byte : text.toUtf8()) {
        h ^= static_cast<unsigned char>(byte);
        h *= 1099511628211ull;
    }
    return h;
}

void accumulate(ColumnSum& s, const FieldInfo& f, const QVariant& v) {
    if (isNull(v))
        return;
    ++s.count;
    using K = schema::FieldKind;
    switch (f.kind) {
    case K::Counter:
    case K::Long:
    case K::Integer:
        s.sum += static_cast<quint64>(v.toLongLong());
        break;
    case K::Date:
        s.sum += hashOf(v.typeId() == QMetaType::QDateTime ? dialect::storedDate(v.toDateTime())
                                                           : v.toString());
        break;
    case K::Text:
    case K::Memo:
        s.sum += hashOf(v.toString());
        break;
    }
}

/// One table to copy: the fields both registers have, the source's key.
struct TablePlan {
    QString table;
    std::vector<FieldInfo> fields;
    int keyIndex = -1;
};

std::vector<TablePlan> planTables(Connection& from, Connection& to) {
    std::vector<TablePlan> plans;
    for (const schema::Table& t : schema::tables()) {
        TablePlan plan{QString::fromLatin1(t.name), {}, -1};
        const auto& targetFields = to.tableFields(plan.table);
        for (const FieldInfo& f : from.tableFields(plan.table)) {
            bool inTarget = false;
            for (const FieldInfo& g : targetFields)
                inTarget = inTarget || g.name.compare(f.name, Qt::CaseInsensitive) == 0;
            if (!inTarget)
                throw EngineError(err::NotSupported,
                                  QStringLiteral("The register '%1' has no field '%2' in '%3' to "
                                                 "copy into; nothing was copied.")
                                      .arg(to.location(), f.name, plan.table));
            if (f.kind == schema::FieldKind::Counter)
                plan.keyIndex = static_cast<int>(plan.fields.size());
            plan.fields.push_back(f);
        }
        if (plan.keyIndex < 0)
            throw EngineError(err::NotSupported,
                              QStringLiteral("The table '%1' of '%2' has no counter field.")
                                  .arg(plan.table, from.location()));
        plans.push_back(std::move(plan));
    }
    return plans;
}

QString columnList(const TablePlan& plan) {
    QStringList names;
    for (const FieldInfo& f : plan.fields)
        names << quoteIdentifier(f.name);
    return names.join(QStringLiteral(", "));
}

/// Calls `row` with each row of the table, in key order, a page at a time.
void eachRow(Connection& c, const TablePlan& plan,
             const std::function<void(const std::vector<QVariant>&)>& row) {
    const QString key = quoteIdentifier(plan.fields[static_cast<size_t>(plan.keyIndex)].name);
    const auto page = c.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 > ?1 ORDER BY %3 LIMIT %4")
                                    .arg(columnList(plan), quoteIdentifier(plan.table), key)
                                    .arg(PageRows));
    qint64 last = std::numeric_limits<qint32>::min(); // below every counter value
    for (;;) {
        page->bind(1, QVariant(last));
        int rows = 0;
        std::vector<QVariant> values(plan.fields.size());
        while (page->step()) {
            for (size_t i = 0; i < plan.fields.size(); ++i)
                values[i] = page->column(static_cast<int>(i), plan.fields[i].kind, true);
            row(values);
            last = values[static_cast<size_t>(plan.keyIndex)].toLongLong();
            ++rows;
        }
        page->reset();
        if (rows < PageRows)
            return;
    }
}

std::vector<ColumnSum> sumsOf(Connection& c, const TablePlan& plan) {
    std::vector<ColumnSum> sums(plan.fields.size());
    eachRow(c, plan, [&](const std::vector<QVariant>& values) {
        for (size_t i = 0; i < values.size(); ++i)
            accumulate(sums[i], plan.fields[i], values[i]);
    });
    return sums;
}

/// Writes rows in statements of up to BatchRows rows each.
class BatchWriter {
public:
    BatchWriter(Connection& to, const TablePlan& plan) : to_(to), plan_(plan) {
        full_ = to_.prepare(statement(BatchRows));
    }
    void add(const std::vector<QVariant>& values) {
        pending_.push_back(values);
        if (static_cast<int>(pending_.size()) == BatchRows)
            flush();
    }
    void flush() {
        if (pending_.empty())
            return;
        std::unique_ptr<Statement> partial;
        Statement& st = static_cast<int>(pending_.size()) == BatchRows
                            ? *full_
                            : *(partial = to_.prepare(statement(static_cast<int>(pending_.size()))));
        int n = 0;
        for (const auto& row : pending_)
            for (const QVariant& v : row)
                st.bind(++n, v);
        st.step();
        st.reset();
        pending_.clear();
    }

private:
    QString statement(int rows) const {
        const int columns = static_cast<int>(plan_.fields.size());
        QStringList tuples;
        for (int r = 0; r < rows; ++r) {
            QStringList marks;
            for (int c = 1; c <= columns; ++c)
                marks << QStringLiteral("?%1").arg(r * columns + c);
            tuples << QLatin1Char('(') + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
        }
        return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
            .arg(quoteIdentifier(plan_.table), columnList(plan_), tuples.join(QStringLiteral(", ")));
    }

    Connection& to_;
    const TablePlan& plan_;
    std::unique_ptr<Statement> full_;
    std::vector<std::vector<QVariant>> pending_;
};

qint64 rowCount(Connection& c, const QString& table) {
    const auto st = c.prepare(QStringLiteral("SELECT count(*) FROM %1").arg(quoteIdentifier(table)));
    st->step();
    const qint64 n = st->columnInt(0);
    st->reset();
    return n;
}

/// Ends the source's snapshot however the copy ends.
struct SnapshotGuard {
    Connection& c;
    ~SnapshotGuard() { c.rollback(); }
};

void copyInto(const Database& source, const Database& target, CopyOutcome& out) {
    Connection& from = *source.connection();
    Connection& to = *target.connection();
    for (const schema::Table& t : schema::tables())
        if (const qint64 n = rowCount(to, QString::fromLatin1(t.name)); n > 0)
            throw EngineError(err::IoError,
                              QStringLiteral("The register '%1' already holds %2 rows in '%3'; a "
                                             "register is copied only into an empty one. Nothing "
                                             "was copied.")
                                  .arg(to.location())
                                  .arg(n)
                                  .arg(QLatin1String(t.name)));
    const std::vector<TablePlan> plans = planTables(from, to);

    Transaction write(target);
    from.beginSnapshot();
    SnapshotGuard snapshot{from};
    std::vector<std::pair<QString, qint64>> counters;
    for (const TablePlan& plan : plans) {
        std::vector<ColumnSum> seen(plan.fields.size());
        qint64 rows = 0;
        qint64 highest = 0;
        BatchWriter writer(to, plan);
        eachRow(from, plan, [&](const std::vector<QVariant>& values) {
            for (size_t i = 0; i < values.size(); ++i)
                accumulate(seen[i], plan.fields[i], values[i]);
            writer.add(values);
            ++rows;
            highest = values[static_cast<size_t>(plan.keyIndex)].toLongLong();
        });
        writer.flush();
        // The copy as the target holds it, against what was read.
        const std::vector<ColumnSum> copied = sumsOf(to, plan);
        for (size_t i = 0; i < seen.size(); ++i)
            if (!(copied[i] == seen[i]))
                throw EngineError(err::IoError,
                                  QStringLiteral("The copy in '%1' does not match the source in "
                                                 "the field '%2' of '%3'; nothing was copied.")
                                      .arg(to.location(), plan.fields[i].name, plan.table));
        const qint64 counter = std::max(from.counterValue(plan.table), highest);
        counters.emplace_back(plan.table, counter);
        if (plan.table.compare(QLatin1String("Documents"), Qt::CaseInsensitive) == 0) {
            out.documents = static_cast<int>(rows);
            out.documentCounter = counter;
        } else if (plan.table.compare(QLatin1String("Types"), Qt::CaseInsensitive) == 0) {
            out.types = static_cast<int>(rows);
            out.typeCounter = counter;
        }
    }
    // Counters last: a server's counter does not roll back with the rows.
    for (const auto& [table, counter] : counters)
        to.raiseCounter(table, counter);
    write.commit();
}

} // namespace

CopyOutcome copyRegister(const Database& source, const QString& target,
                         const QString& templateFile) {
    Connection& from = *source.connection();
    if (from.location() == target || source.location() == target)
        throw EngineError(err::IoError, QStringLiteral("A register cannot be copied into itself."));
    if (from.reservations().anyHeldByOther())
        throw EngineError(err::RecordLocked,
                          QStringLiteral("Another user is changing a document in '%1'; copy the "
                                         "register when nobody is changing documents. Nothing "
                                         "was copied.")
                              .arg(from.location()));
    CopyOutcome out;
    RegisterSetup setup;
    setup.templateFile = templateFile;
    setup.fill = [&](const Database& made) { copyInto(source, made, out); };
    const Database existing = openRegister(target, setup, &out.madeTarget);
    if (!out.madeTarget)
        copyInto(source, existing, out);
    return out;
}

} // namespace store
