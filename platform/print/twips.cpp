// Length texts to twips: see twips.h.

#include "twips.h"

#include <QRegularExpression>

namespace print {

std::optional<double> parseTwips(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral(R"(^\s*(\d+(?:\.\d*)?|\.\d+)\s*(in|cm|mm|pt|tw)?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const double number = m.captured(1).toDouble();
    const QString unit = m.captured(2).toLower();
    if (unit == QLatin1String("in"))
        return number * TwipsPerInch;
    if (unit == QLatin1String("cm"))
        return number * TwipsPerInch / 2.54;
    if (unit == QLatin1String("mm"))
        return number * TwipsPerInch / 25.4;
    if (unit == QLatin1String("pt"))
        return number * 20.0;
    return number;
}

} // namespace print
