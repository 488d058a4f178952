// Guid text round trips, refused texts, and the binary layout the identity
// resources rely on.

#include "platform/com/guid.h"

#include <gtest/gtest.h>

namespace {

TEST(Guid, TextRoundTripsInUpperCase) {
    const struct {
        const char* text;
        const char* written;
    } cases[] = {
        {"{22D756CA-E16A-4872-A4DB-9037A0E20418}", "{22D756CA-E16A-4872-A4DB-9037A0E20418}"},
        {"{e711050b-e57e-4a95-a4dd-9269594914b0}", "{E711050B-E57E-4A95-A4DD-9269594914B0}"},
        {"{00000000-0000-0000-C000-000000000046}", "{00000000-0000-0000-C000-000000000046}"},
        {"{FFFFFFFF-ffff-FFFF-ffff-FFFFFFFFFFFF}", "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}"},
        {"{00000000-0000-0000-0000-000000000000}", "{00000000-0000-0000-0000-000000000000}"},
    };
    for (const auto& c : cases) {
        const auto g = com::Guid::fromString(QString::fromLatin1(c.text));
        ASSERT_TRUE(g) << c.text;
        EXPECT_EQ(g->toString(), QString::fromLatin1(c.written));
        EXPECT_EQ(com::Guid::fromString(g->toString()), g) << c.text;
    }
}

TEST(Guid, RefusesEveryOtherText) {
    const char* bad[] = {
        "",
        "{}",
        "22D756CA-E16A-4872-A4DB-9037A0E20418",    // no braces
        "{22D756CA-E16A-4872-A4DB-9037A0E20418",   // no closing brace
        "{22D756CA-E16A-4872-A4DB-9037A0E204180}", // one digit too many
        "{22D756CA-E16A-4872-A4DB-9037A0E2041}",   // one too few
        "{22D756CAE-16A-4872-A4DB-9037A0E20418}",  // dash in the wrong place
        "{22D756CA-E16A-4872-A4DB+9037A0E20418}",  // not a dash
        "{22D756CG-E16A-4872-A4DB-9037A0E20418}",  // not a hex digit
        "{ 2D756CA-E16A-4872-A4DB-9037A0E20418}",  // a space
        "{22D756CA-E16A-4872-A4DB-9037A0E20418} ", // trailing space
        "{-2D756CA-E16A-4872-A4DB-9037A0E20418}",  // sign
        "{0x2D756C-E16A-4872-A4DB-9037A0E20418}",  // C prefix
    };
    for (const char* text : bad)
        EXPECT_FALSE(com::Guid::fromString(QString::fromLatin1(text))) << text;
    // A non-Latin-1 character where a digit belongs.
    QString wide = QStringLiteral("{22D756CA-E16A-4872-A4DB-9037A0E20418}");
    wide[5] = QChar(0x0663); // ARABIC-INDIC DIGIT THREE
    EXPECT_FALSE(com::Guid::fromString(wide));
}

TEST(Guid, BytesFollowTheUsualBinaryLayout) {
    constexpr com::Guid g = com::guid("{E711050B-E57E-4A95-A4DD-9269594914B0}");
    const std::array<std::uint8_t, 16> expected = {0x0B, 0x05, 0x11, 0xE7, 0x7E, 0xE5, 0x95, 0x4A,
                                                   0xA4, 0xDD, 0x92, 0x69, 0x59, 0x49, 0x14, 0xB0};
    EXPECT_EQ(g.bytes(), expected);
}

} // namespace
