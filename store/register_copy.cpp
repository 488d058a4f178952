// Copying a register into another (see register_copy.h).

#include "register_copy.h"

#include "connection.h"
#include "dialect.h"
#include "engine_error.h"
#include "file_contents_check.h"
#include "read_snapshot.h"
#include "register.h"
#include "register_copy_snapshot.h"
#include "transaction.h"
#include "value.h"

#include <QStringList>
#include <functional>
#include <limits>

namespace store {
namespace {

constexpr int PageRows = 500;  ///< rows read by one statement
constexpr int BatchRows = 100; ///< rows written by one statement
/// Rows of a table with binary data (the stored files' chunks, up to a
/// few MB each) read by one statement, and written one a statement: a
/// few chunks in memory at a time, however large the files.
constexpr int BinaryPageRows = 4;

/// One table to copy: the fields both registers have, the source's key.
struct TablePlan {
    QString table;
    std::vector<FieldInfo> fields;
    int keyIndex = -1;
    bool binary = false; ///< a field holds binary data
    int pageRows() const { return binary ? BinaryPageRows : PageRows; }
    int batchRows() const { return binary ? 1 : BatchRows; }
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
            plan.binary = plan.binary || f.kind == schema::FieldKind::Data;
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

/// Calls `row` with each row of the table, in key order, a page at a time.
void eachRow(Connection& c, const TablePlan& plan,
             const std::function<void(const std::vector<QVariant>&)>& row) {
    const QString key = plan.fields[static_cast<size_t>(plan.keyIndex)].name;
    query::Select q{plan.table};
    for (const FieldInfo& f : plan.fields)
        q.fields << f.name;
    q.where({key, query::Op::Greater, {}}).orderBy(key).limit = plan.pageRows();
    QVariantList bound;
    const auto page = c.prepareOwn(c.render(q, bound), 1);
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
        if (rows < plan.pageRows())
            return;
    }
}

/// What the check compares, per field: the count of its values and a sum
/// over them (numbers added up, texts by their length in characters,
/// bytes by their length, dates by their first and last), in one query each backend answers alike.
std::vector<QVariant> measures(Connection& c, const TablePlan& plan) {
    QStringList terms{QStringLiteral("count(*)")};
    for (const FieldInfo& f : plan.fields) {
        const QString name = c.escapeIdentifier(f.name);
        terms << QStringLiteral("count(%1)").arg(name);
        switch (f.kind) {
        case schema::FieldKind::Text:
        case schema::FieldKind::Memo:
        case schema::FieldKind::Data:
            terms << QStringLiteral("sum(length(%1))").arg(name);
            break;
        case schema::FieldKind::Date:
            terms << QStringLiteral("min(%1)").arg(name) << QStringLiteral("max(%1)").arg(name);
            break;
        default:
            terms << QStringLiteral("sum(%1)").arg(name);
        }
    }
    const auto st =
        c.prepareOwn(QStringLiteral("SELECT %1 FROM %2")
                         .arg(terms.join(QStringLiteral(", ")), c.escapeIdentifier(plan.table)),
                     0);
    st->step();
    std::vector<QVariant> values;
    int column = 0;
    values.push_back(st->column(column++, schema::FieldKind::Long, false));
    for (const FieldInfo& f : plan.fields) {
        values.push_back(st->column(column++, schema::FieldKind::Long, false));
        const int parts = f.kind == schema::FieldKind::Date ? 2 : 1;
        for (int k = 0; k < parts; ++k)
            values.push_back(st->column(column++,
                                        f.kind == schema::FieldKind::Date ? schema::FieldKind::Date
                                                                          : schema::FieldKind::Long,
                                        true));
    }
    st->reset();
    return values;
}

/// The field a measure belongs to, for the message.
QString fieldOfMeasure(const TablePlan& plan, size_t measure) {
    size_t at = 1;
    for (const FieldInfo& f : plan.fields) {
        at += f.kind == schema::FieldKind::Date ? 3 : 2;
        if (measure < at)
            return f.name;
    }
    return QStringLiteral("(rows)");
}

/// Equal numbers whatever their width, equal dates, equal Nulls.
bool sameMeasure(const QVariant& a, const QVariant& b) {
    if (isNull(a) || isNull(b))
        return isNull(a) && isNull(b);
    if (a.typeId() == QMetaType::QDateTime || b.typeId() == QMetaType::QDateTime)
        return a.toDateTime() == b.toDateTime();
    return a.toLongLong() == b.toLongLong();
}

/// Writes rows in statements of up to BatchRows rows each.
class BatchWriter {
public:
    BatchWriter(Connection& to, const TablePlan& plan) : to_(to), plan_(plan) {
        full_ = prepare(plan.batchRows());
    }
    void add(const std::vector<QVariant>& values) {
        pending_.push_back(values);
        if (static_cast<int>(pending_.size()) == plan_.batchRows())
            flush();
    }
    void flush() {
        if (pending_.empty())
            return;
        std::unique_ptr<Statement> partial;
        Statement& st = static_cast<int>(pending_.size()) == plan_.batchRows()
                            ? *full_
                            : *(partial = prepare(static_cast<int>(pending_.size())));
        int n = 0;
        for (const auto& row : pending_)
            for (const QVariant& v : row)
                st.bind(++n, v);
        st.step();
        st.reset();
        pending_.clear();
    }

private:
    /// "INSERT ... VALUES (...), ..." for `rows` rows.
    std::unique_ptr<Statement> prepare(int rows) const {
        const int columns = static_cast<int>(plan_.fields.size());
        QStringList names, tuples;
        for (const FieldInfo& f : plan_.fields)
            names << to_.escapeIdentifier(f.name);
        for (int r = 0; r < rows; ++r) {
            QStringList marks;
            for (int c = 1; c <= columns; ++c)
                marks << to_.placeholder(r * columns + c);
            tuples << QLatin1Char('(') + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
        }
        return to_.prepareOwn(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                                  .arg(to_.escapeIdentifier(plan_.table),
                                       names.join(QStringLiteral(", ")),
                                       tuples.join(QStringLiteral(", "))),
                              rows * columns);
    }

    Connection& to_;
    const TablePlan& plan_;
    std::unique_ptr<Statement> full_;
    std::vector<std::vector<QVariant>> pending_;
};

qint64 rowCount(Connection& c, const QString& table) {
    const auto st =
        c.prepareOwn(QStringLiteral("SELECT count(*) FROM %1").arg(c.escapeIdentifier(table)), 0);
    st->step();
    const qint64 n = st->columnInt(0);
    st->reset();
    return n;
}

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
    // The snapshot also refuses a damaged file that reads short, which
    // would be copied short and compared below with that same reading.
    const ReadSnapshot snapshot(source);
    std::vector<std::pair<QString, qint64>> counters;
    for (const TablePlan& plan : plans) {
        qint64 rows = 0;
        qint64 highest = 0;
        // The empty table's indexes are built once, after the rows are in.
        const QStringList indexes = to.dropIndexes(plan.table);
        BatchWriter writer(to, plan);
        eachRow(from, plan, [&](const std::vector<QVariant>& values) {
            writer.add(values);
            ++rows;
            highest = values[static_cast<size_t>(plan.keyIndex)].toLongLong();
        });
        writer.flush();
        to.makeIndexes(plan.table, indexes);
        // The copy as the target holds it, against the source as read.
        const std::vector<QVariant> read = measures(from, plan);
        const std::vector<QVariant> copied = measures(to, plan);
        for (size_t i = 0; i < read.size(); ++i)
            if (!sameMeasure(read[i], copied[i]))
                throw EngineError(err::IoError,
                                  QStringLiteral("The copy in '%1' does not match the source in "
                                                 "the field '%2' of '%3'; nothing was copied.")
                                      .arg(to.location(), fieldOfMeasure(plan, i), plan.table));
        out.tableRows.emplace_back(plan.table, rows);
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
    // Every stored file as the target holds it, against its hash.
    try {
        checkFileContents(to);
    } catch (const EngineError& e) {
        throw EngineError(e.number(), QStringLiteral("The copy in '%1' is not the register's: %2 "
                                                     "Nothing was copied.")
                                          .arg(to.location(), e.text()));
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
    if (from.reservations().anyHeldByOther())
        throw EngineError(err::RecordLocked,
                          QStringLiteral("Another user is changing a document in '%1'; copy the "
                                         "register when nobody is changing documents. Nothing "
                                         "was copied.")
                              .arg(from.location()));
    return copyRegisterSnapshot(source, target, templateFile);
}

CopyOutcome copyRegisterSnapshot(const Database& source, const QString& target,
                                 const QString& templateFile) {
    Connection& from = *source.connection();
    if (from.location() == target || source.location() == target)
        throw EngineError(err::IoError, QStringLiteral("A register cannot be copied into itself."));
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
