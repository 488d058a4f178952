// Variant values as text, and date values to and from QDateTime.

#include "counting_object.h"
#include "platform/com/variant.h"

#include <gtest/gtest.h>

using com::Variant;

namespace {

QDateTime at(int y, int m, int d, int h = 0, int min = 0, int s = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s), Qt::UTC);
}

TEST(VariantText, EachKindAsTheAutomationRuntimeWritesIt) {
    const struct {
        Variant value;
        const char* text;
    } cases[] = {
        {Variant(), ""},
        {Variant::fromI2(-12), "-12"},
        {Variant::fromI4(2147483647), "2147483647"},
        {Variant::fromDouble(1.5), "1.5"},
        {Variant::fromDouble(0.1), "0.1"},
        {Variant::fromDouble(1e20), "1E+20"},
        {Variant::fromBool(true), "True"},
        {Variant::fromBool(false), "False"},
        {Variant::fromText(QStringLiteral(" Who = 'x' ")), " Who = 'x' "},
        {Variant::fromDateTime(at(2001, 1, 1)), "1/1/2001"},
        {Variant::fromDateTime(at(2001, 12, 31, 15, 4, 5)), "12/31/2001 3:04:05 PM"},
        {Variant::fromDate(0.5), "12:00:00 PM"},
    };
    for (const auto& c : cases) {
        QString text = QStringLiteral("unset");
        EXPECT_EQ(c.value.toText(&text), com::S_OK) << c.text;
        EXPECT_EQ(text, QString::fromUtf8(c.text));
    }
}

TEST(VariantText, NullErrorsAndObjectsHaveNoText) {
    CountingObject obj;
    for (const Variant& v : {Variant::null(), Variant::missing(), Variant::fromUnknown(&obj)}) {
        QString text = QStringLiteral("unset");
        EXPECT_EQ(v.toText(&text), com::DISP_E_TYPEMISMATCH);
        EXPECT_EQ(text, QStringLiteral("unset"));
    }
}

TEST(VariantDate, DaysSinceDayZeroBothWays) {
    const struct {
        double date;
        QDateTime value;
    } cases[] = {
        {0.0, at(1899, 12, 30)},      {1.5, at(1899, 12, 31, 12)},
        {-1.25, at(1899, 12, 29, 6)}, // before day zero the fraction still counts forward
        {36892.0, at(2001, 1, 1)},    {37256.75, at(2001, 12, 31, 18)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(com::dateTimeFromDate(c.date), c.value) << c.date;
        EXPECT_DOUBLE_EQ(com::dateFromDateTime(c.value), c.date);
    }
    // A fraction that rounds up to midnight is the next day, not 24:00.
    EXPECT_EQ(com::dateTimeFromDate(36892.9999999999), at(2001, 1, 2));
}

} // namespace
