// The document list's statement (see list_statement.h).

#include "list_statement.h"

#include "store/value.h"

#include <iterator>

namespace {

constexpr int rangeDays[] = {0, 30, 60, 90, 365, 0};
constexpr int noDateIndex = 5;

/// A filter text ready to stand between single quotes.
QString quoted(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

QString dateLiteral(QDate d) {
    return QStringLiteral("#%1/%2/%3#")
        .arg(d.month())
        .arg(d.day())
        .arg(d.year(), 4, 10, QLatin1Char('0'));
}

} // namespace

int fnDateRangeDays(int dateIndex) {
    return dateIndex >= 0 && dateIndex < static_cast<int>(std::size(rangeDays))
               ? rangeDays[dateIndex]
               : 0;
}

bool fnIsNoDateChoice(int dateIndex) {
    return dateIndex == noDateIndex;
}

QString fnListStatement(const ListFilter& f) {
    if (!f.filterOn)
        return QStringLiteral("SELECT * FROM Documents ORDER BY ") + f.orderBy;

    QString sql = QStringLiteral("SELECT * FROM Documents ");
    const QString d = f.description.trimmed();
    const QString w = f.who.trimmed();
    const QString n = f.note.trimmed();
    bool written = false;
    const auto pattern = [](const QString& text) {
        return QStringLiteral("'*") + quoted(text) + QStringLiteral("*'");
    };
    if (!d.isEmpty()) {
        sql += QStringLiteral(" WHERE Description LIKE ") + pattern(d);
        if (!w.isEmpty())
            sql += QStringLiteral(" AND Who LIKE ") + pattern(w);
        if (!n.isEmpty())
            sql += QStringLiteral(" AND Note LIKE ") + pattern(n);
        written = true;
    } else if (!w.isEmpty()) {
        sql += QStringLiteral(" WHERE Who LIKE ") + pattern(w);
        if (!n.isEmpty())
            sql += QStringLiteral(" AND Note LIKE ") + pattern(n);
        written = true;
    } else if (!n.isEmpty()) {
        sql += QStringLiteral(" WHERE note LIKE ") + pattern(n);
        written = true;
    }
    const auto join = [&sql, &written] {
        sql += written ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ");
        written = true;
    };
    if (const QString c = f.contents.trimmed(); !c.isEmpty()) {
        join();
        sql += QStringLiteral(" RecordPtr IN (SELECT DocumentFiles.RecordPtr FROM DocumentFiles "
                              "INNER JOIN FileContents ON FileContents.ContentPtr = "
                              "DocumentFiles.ContentPtr WHERE FileContents.Text LIKE ") +
               pattern(c) + QLatin1Char(')');
    }
    if (f.days != 0) {
        join();
        sql += QStringLiteral(" Date > ") + dateLiteral(f.today.addDays(-f.days));
    } else if (f.noDate) {
        join();
        sql += QStringLiteral(" Date IS NULL");
    }
    if (f.type) {
        join();
        sql += QStringLiteral(" DocumentType = ") + QString::number(*f.type);
    }
    return sql + QStringLiteral(" ORDER BY ") + f.orderBy;
}

std::optional<store::query::Select> fnListQuery(const ListFilter& f) {
    using store::query::Op;
    store::query::Select q{QStringLiteral("Documents")};
    if (!q.orderByText(f.orderBy))
        return std::nullopt;
    if (!f.filterOn)
        return q;
    const auto contains = [&q](const QString& field, const QString& text) {
        if (!text.isEmpty())
            q.where({field, Op::Like, QStringLiteral("*%1*").arg(text)});
    };
    contains(QStringLiteral("Description"), f.description.trimmed());
    contains(QStringLiteral("Who"), f.who.trimmed());
    contains(QStringLiteral("Note"), f.note.trimmed());
    if (const QString c = f.contents.trimmed(); !c.isEmpty())
        q.where({{}, Op::FilesTextLike, QStringLiteral("*%1*").arg(c)});
    if (f.days != 0)
        q.where({QStringLiteral("Date"), Op::Greater, store::makeDate(f.today.addDays(-f.days))});
    else if (f.noDate)
        q.where({QStringLiteral("Date"), Op::IsNull, {}});
    if (f.type)
        q.where({QStringLiteral("DocumentType"), Op::Equal, static_cast<int>(*f.type)});
    return q;
}
