// Query descriptions (see query.h).

#include "query.h"

#include <QRegularExpression>

namespace store::query {

bool Select::orderByText(const QString& list) {
    // A field bare, in brackets or in double quotes, then ASC or DESC.
    static const QRegularExpression term(
        QStringLiteral("^\\s*(?:\\[([^\\]]+)\\]|\"([^\"]+)\"|(\\w+))(?:\\s+(ASC|DESC))?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    std::vector<OrderTerm> terms;
    for (const QString& part : list.split(QLatin1Char(','))) {
        const auto m = term.match(part);
        if (!m.hasMatch())
            return false;
        const QString name = m.captured(1) + m.captured(2) + m.captured(3);
        terms.push_back(
            {name, m.captured(4).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0});
    }
    order.insert(order.end(), terms.begin(), terms.end());
    return true;
}

} // namespace store::query
