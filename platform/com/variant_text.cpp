// Conversions of Variant values to text and between date values and
// QDateTime, in the form the automation runtime has always produced with the
// month-first (US) settings this program runs under.

#include "variant.h"

#include <cmath>

namespace com {

namespace {
const QDate kDateZero(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
} // namespace

DATE dateFromDateTime(const QDateTime& dt) {
    const double days = static_cast<double>(kDateZero.daysTo(dt.date()));
    const double fraction = dt.time().msecsSinceStartOfDay() / kMsPerDay;
    // Before day zero the fraction counts away from zero: -1.25 is day -1 at 06:00.
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime dateTimeFromDate(DATE d) {
    const double whole = std::trunc(d);
    auto ms = static_cast<qint64>(std::llround(std::fabs(d - whole) * kMsPerDay));
    auto days = static_cast<qint64>(whole);
    if (ms >= static_cast<qint64>(kMsPerDay)) { // rounding reached midnight
        ms = 0;
        days += 1;
    }
    return QDateTime(kDateZero.addDays(days), QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)),
                     Qt::UTC);
}

namespace {
QString dateText(DATE d) {
    const QDateTime dt = dateTimeFromDate(d);
    const bool hasTime = dt.time() != QTime(0, 0);
    if (dt.date() == kDateZero && hasTime)
        return dt.time().toString(QStringLiteral("h:mm:ss AP"));
    if (!hasTime)
        return dt.date().toString(QStringLiteral("M/d/yyyy"));
    return dt.toString(QStringLiteral("M/d/yyyy h:mm:ss AP"));
}

QString doubleText(double d) {
    // Up to 15 significant digits, no trailing zeros, "E+20" exponents.
    return QString::number(d, 'g', 15).toUpper();
}
} // namespace

HRESULT Variant::toText(QString* out) const {
    if (!out)
        return E_POINTER;
    const Variant v = dereferenced();
    switch (v.vt()) {
    case VT_EMPTY:
        *out = QString();
        return S_OK;
    case VT_I2:
        *out = QString::number(v.i2());
        return S_OK;
    case VT_I4:
        *out = QString::number(v.i4());
        return S_OK;
    case VT_R8:
        *out = doubleText(v.r8());
        return S_OK;
    case VT_DATE:
        *out = dateText(v.date());
        return S_OK;
    case VT_BSTR:
        *out = v.text();
        return S_OK;
    case VT_BOOL:
        *out = v.boolVal() ? QStringLiteral("True") : QStringLiteral("False");
        return S_OK;
    default: // Null, errors, objects
        return DISP_E_TYPEMISMATCH;
    }
}

} // namespace com
