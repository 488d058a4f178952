// The stored value that completes a typed text: the index ranges that hold
// a prefix without regard to case, characters of the desktop dialect taken
// literally, and the range query agreeing with the index walk. The field's
// side is tests/session/type_ahead_test.

#include "store/transaction.h"
#include "support/type_ahead_register.h"

#include <random>

namespace {

using store::typeahead::Method;
using TypeAheadTest = TypeAheadRegister;

TEST_F(TypeAheadTest, DialectCharactersInTheTypedTextAreTakenLiterally) {
    describe({"#12 'draft' [v2] *final*", "#1x"});
    EXPECT_EQ(best(QStringLiteral("#12 'd"), Method::Query),
              QStringLiteral("#12 'draft' [v2] *final*"));
    EXPECT_EQ(best(QStringLiteral("#12 'draft' [v"), Method::Query),
              QStringLiteral("#12 'draft' [v2] *final*"));
    EXPECT_EQ(best(QStringLiteral("#1"), Method::Query), QStringLiteral("#1x"));
    // A NUL cannot go into the statement: the index walk answers instead.
    // (A server register cannot store a NUL at all.)
    if (onServer())
        return;
    const QString withNul = QStringLiteral("ab") + QChar(0) + QStringLiteral("c");
    add({++lastId, withNul + QStringLiteral("d")});
    EXPECT_EQ(best(withNul, Method::Query), withNul + QStringLiteral("d"));
}

TEST_F(TypeAheadTest, PrefixRangeEdgesHoldExactlyTheValuesWithThePrefix) {
    const QString highest = QString::fromUcs4(U"\U0010FFFF", 1);
    // '@' + 1 is 'A', which sorts as 'a': the range must not reach "x[".
    describe({"x@tail", "x[later"});
    add({++lastId, QStringLiteral("ab") + highest + QStringLiteral("z")});
    describe({"ac newer"});
    EXPECT_EQ(best(QStringLiteral("x@t"), Method::Query), QStringLiteral("x@tail"));
    EXPECT_EQ(best(QStringLiteral("X@"), Method::Query), QStringLiteral("x@tail"));
    // The highest code point right after the prefix is still inside it.
    EXPECT_EQ(best(QStringLiteral("AB"), Method::Query),
              QStringLiteral("ab") + highest + QStringLiteral("z"));
    EXPECT_EQ(best(QStringLiteral("ab") + highest, Method::Query),
              QStringLiteral("ab") + highest + QStringLiteral("z"));
}

TEST(PrefixUpperBound, IsTheNextFoldedCodePoint) {
    using store::typeahead::prefixUpperBound;
    EXPECT_EQ(prefixUpperBound(QStringLiteral("ab")), QStringLiteral("ac"));
    // 'A'..'Z' fold to 'a'..'z', so nothing sorts between '@' and '['.
    EXPECT_EQ(prefixUpperBound(QStringLiteral("a@")), QStringLiteral("a["));
    EXPECT_EQ(prefixUpperBound(QStringLiteral("aZ")), QStringLiteral("a{"));
    const QString highest = QString::fromUcs4(U"\U0010FFFF", 1);
    EXPECT_EQ(prefixUpperBound(QStringLiteral("a") + highest + highest), QStringLiteral("b"));
    EXPECT_EQ(prefixUpperBound(highest), std::nullopt);
    EXPECT_EQ(prefixUpperBound(QString()), std::nullopt);
    // Surrogates never occur in stored text and are stepped over.
    EXPECT_EQ(prefixUpperBound(QString(QChar(0xD7FF))), QString(QChar(0xE000)));
}

TEST_F(TypeAheadTest, QueryAndIndexWalkAgreeOnRandomTexts) {
    // Characters around the case and range edges: letters of both cases,
    // the neighbours of 'A'..'Z' and 'a'..'z', accents, a quote, a blank,
    // a character outside the basic plane and the highest code point.
    const QString alphabet =
        QStringLiteral("aAbB@[`{zZ' éÉß") + QString::fromUcs4(U"\U0001F600\U0010FFFF", 2);
    std::mt19937 rng(11);
    auto randomText = [&](int minLength, int maxLength) {
        QString s;
        const int n =
            minLength + static_cast<int>(rng() % static_cast<unsigned>(maxLength - minLength + 1));
        const QList<uint> codes = alphabet.toUcs4();
        for (int i = 0; i < n; ++i) {
            const char32_t c =
                codes[static_cast<qsizetype>(rng() % static_cast<unsigned>(codes.size()))];
            s += QString::fromUcs4(&c, 1);
        }
        return s;
    };
    {
        store::Transaction t(db);
        for (int i = 0; i < 600; ++i)
            add({i + 1, randomText(1, 6)});
        t.commit();
    }
    auto rs = lookup(QStringLiteral("Description"));
    int found = 0;
    for (int i = 0; i < 400; ++i) {
        const QString typed = randomText(1, 3);
        const auto fast = store::typeahead::bestStoredValue(*rs, QStringLiteral("Description"),
                                                            typed, Method::Query);
        const auto walked = store::typeahead::bestStoredValue(*rs, QStringLiteral("Description"),
                                                              typed, Method::Walk);
        ASSERT_EQ(fast, walked) << typed.toStdString();
        found += fast.has_value();
    }
    EXPECT_GT(found, 50) << "the random prefixes should often match";
}

} // namespace
