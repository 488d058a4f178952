// Text conversions and hashing of Guid; the parser itself is constexpr in
// guid.h so that identity literals are checked at compile time.

#include "guid.h"

#include <functional>

namespace com {

QString Guid::toString() const {
    QString s = QStringLiteral("{%1-%2-%3-%4%5-")
                    .arg(data1, 8, 16, QLatin1Char('0'))
                    .arg(data2, 4, 16, QLatin1Char('0'))
                    .arg(data3, 4, 16, QLatin1Char('0'))
                    .arg(data4[0], 2, 16, QLatin1Char('0'))
                    .arg(data4[1], 2, 16, QLatin1Char('0'));
    for (std::size_t i = 2; i < 8; ++i)
        s += QStringLiteral("%1").arg(data4[i], 2, 16, QLatin1Char('0'));
    s += QLatin1Char('}');
    return s.toUpper();
}

std::optional<Guid> Guid::fromString(QStringView text) {
    // Non-Latin-1 characters cannot be part of a valid text; toLatin1 turns
    // them into '?', which the parser rejects.
    const QByteArray latin = text.toLatin1();
    return parseGuid(std::string_view(latin.constData(), static_cast<std::size_t>(latin.size())));
}

} // namespace com

std::size_t std::hash<com::Guid>::operator()(const com::Guid& g) const noexcept {
    std::size_t h = std::hash<std::uint32_t>()(g.data1);
    h = h * 31 + g.data2;
    h = h * 31 + g.data3;
    for (std::uint8_t b : g.data4)
        h = h * 31 + b;
    return h;
}
