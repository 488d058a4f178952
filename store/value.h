#pragma once
// Field values crossing the engine layer are QVariants with these meanings:
//
//   Null     an invalid QVariant (QVariant()); isNull(v) tests for it
//   number   int (whole numbers, 16 and 32 bit) or double
//   text     QString (an empty text is not Null)
//   date     QDateTime whose time zone setting is Qt::UTC, used only as a carrier
//            for a time-zone-free date and time; a date without a time of
//            day has the time 00:00:00. makeDate() builds one.
//
// On write a value is converted to the field's type; a date field also
// accepts a QDate or a month-first text ("7/4/2001").

#include <QDate>
#include <QDateTime>
#include <QVariant>

namespace store {

inline bool isNull(const QVariant& v) {
    return !v.isValid() || v.isNull();
}

inline QVariant makeDate(QDate d, QTime t = QTime(0, 0)) {
    return QVariant(QDateTime(d, t, Qt::UTC));
}

/// The date part of a date value, or an invalid QDate for Null or non-dates.
inline QDate dateOf(const QVariant& v) {
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    return {};
}

/// What a date field shows when it holds no date another program could
/// have meant (a text or number no form of date reads): the value as
/// stored, never a blank that would hide it. Empty for Null and for dates.
inline QString undecodedDate(const QVariant& v) {
    if (isNull(v) || v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate)
        return {};
    return v.toString();
}

} // namespace store
