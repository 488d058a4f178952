// Tests of the LIKE patterns and the JETTEXT collation: the matcher and the
// order on their own, table by table, then both installed on an in-memory
// SQLite connection and used through SQL the way the register uses them.

#include "memory_sql.h"

namespace {

using store::textmatch::compare;
using store::textmatch::like;

struct LikeCase {
    const char* pattern;
    const char* text;
    bool matches;
};

void expectLike(std::initializer_list<LikeCase> cases) {
    for (const LikeCase& c : cases) {
        SCOPED_TRACE(std::string("pattern '") + c.pattern + "', text '" + c.text + "'");
        EXPECT_EQ(like(c.pattern, c.text), c.matches);
    }
}

TEST(TextMatchLike, LiteralsIgnoreCaseAndMatchWholeText) {
    expectLike({
        {"abc", "ABC", true},
        {"abc", "abcd", false},
        {"abcd", "abc", false},
        {"", "", true},
        {"", "a", false},
        {"a", "", false},
        {"]", "]", true},
        {"-", "-", true},
        {"!", "!", true},
    });
}

TEST(TextMatchLike, StarTakesAnyRunIncludingNone) {
    expectLike({
        {"*abc*", "xxABCxx", true},
        {"*abc*", "abc", true},
        {"*abc*", "xxABxCx", false},
        {"*", "", true},
        {"*", "anything at all", true},
        {"**", "", true},
        {"abc*", "abc", true},
        {"*X", "x", true},
        {"*x", "xy", false},
        {"a*c", "abbbbc", true},
        {"a*c", "abbbbcd", false},
    });
}

TEST(TextMatchLike, StarBacktracksToTheLastStar) {
    const std::string as(2000, 'a');
    expectLike({
        {"*a*b", "xaxxxxxbxb", true},
        {"*a*b", "xaxxxxxbxc", false},
        {"*aab", "aaab", true},
        {"*ab*ab", "abxab", true},
        {"*a?c", "abcabd", false},
        {"*?*?", "a", false},
        {"*?*?", "ab", true},
        {"a*b*c*d", "a-b-c-b-c-d", true},
        {"a*b*c*d", "a-b-c-b-c-", false},
    });
    // Many stars against a long text that almost matches: cheap with one
    // backtrack point, hopeless with a recursive matcher.
    EXPECT_FALSE(like("*a*a*a*a*a*a*a*a*b", as));
    EXPECT_TRUE(like("*a*a*a*a*a*a*a*a*", as));
    EXPECT_FALSE(like("*a*b", as + "c"));
}

TEST(TextMatchLike, QuestionMarkTakesOneCharacterNotOneByte) {
    expectLike({
        {"?", "", false},
        {"?", "a", true},
        {"?", "\xC3\xA9", true},   // é, 2 bytes
        {"??", "\xC3\xA9", false}, // still one character
        {"a?c",
         "a\xE2\x82\xAC"
         "c",
         true},                           // €, 3 bytes
        {"?", "\xF0\x9F\x98\x80", true},  // an emoji, 4 bytes
        {"*?", "\xF0\x9F\x98\x80", true}, // star backtracking steps by characters
        {"?x", "\xC3\xA9x", true},
    });
}

TEST(TextMatchLike, HashTakesOneDigit) {
    expectLike({
        {"#", "7", true},
        {"#", "x", false},
        {"#", "", false},
        {"##-#", "12-3", true},
        {"##-#", "1a-3", false},
        {"*#", "Invoice 2004", true},
    });
}

TEST(TextMatchLike, ClassesAndNegatedClasses) {
    expectLike({
        {"[abc]", "b", true},
        {"[abc]", "B", true},
        {"[abc]", "d", false},
        {"[abc]", "", false},
        {"[a-f]x", "Dx", true},
        {"[a-f]", "g", false},
        {"[A-F]", "c", true},
        {"[0-9][0-9]", "42", true},
        {"[!abc]", "d", true},
        {"[!abc]", "A", false},
        {"[!0-9]*", "x12", true},
        {"[!0-9]*", "1x", false},
        {"[-a]", "-", true},                       // a leading '-' is itself
        {"[a-]", "-", true},                       // so is a trailing one
        {"[!]", "!", true},                        // a class holding '!'
        {"[\xC3\xA9]", "\xC3\x89", true},          // [é] matches É
        {"[\xC3\xA0-\xC3\xBF]", "\xC3\x89", true}, // [à-ÿ] matches É
        {"*[xyz]", "abz", true},
    });
}

TEST(TextMatchLike, BracketedWildcardsAreLiterals) {
    expectLike({
        {"[*]", "*", true},
        {"[*]", "x", false},
        {"a[?]", "a?", true},
        {"a[?]", "ab", false},
        {"[#]", "#", true},
        {"[#]", "1", false},
        {"*[*]*", "5 * 3", true},
    });
}

TEST(TextMatchLike, MalformedClassIsALiteralBracket) {
    expectLike({
        {"[ab", "[ab", true},
        {"[ab", "a", false},
        {"[]", "[]", true},
        {"x[", "x[", true},
        {"*[", "abc[", true},
    });
}

TEST(TextMatchLike, LettersBeyondAsciiIgnoreCase) {
    expectLike({
        {"\xC3\xA9", "\xC3\x89", true},                   // é / É
        {"*\xC3\xA4*", "X\xC3\x84X", true},               // ä in XÄX
        {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", true}, // été / ÉTÉ
        {"\xC3\xA9", "e", false},                         // accents are not ignored
        {"\xCE\xA3*", "\xCF\x83\xCE\xBF\xCF\x86", true},  // Σ* against σοφ
    });
}

TEST(TextMatchLike, InvalidUtf8ComparesByteByByte) {
    expectLike({
        {"\xFF", "\xFF", true},
        {"\xFE", "\xFF", false},
        {"?", "\xFF", true},
        {"a?b",
         "a\xC3"
         "b",
         true}, // a truncated sequence is one byte
        {"*\xC3", "x\xC3", true},
        {"\xC3", "\xC3\xA9", false},
    });
}

struct CompareCase {
    const char* a;
    const char* b;
    int sign;
};

TEST(TextMatchCompare, OrdersWithoutRegardToCase) {
    const CompareCase cases[] = {
        {"apple", "Banana", -1},
        {"Zebra", "apple", 1},
        {"abc", "ABC", 0},
        {"\xC3\xA4", "\xC3\x84", 0}, // ä / Ä
        {"\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89", 0},
        {"abc", "abcd", -1},
        {"", "", 0},
        {"", "a", -1},
        {"a", "B", -1},
        {"Item 10", "item 9", -1},
        {"_", "a", -1},          // folding to lower case puts '_' before letters
        {"\xC3\xA9", "f", 1},    // beyond ASCII: code point order
        {"\xFF", "\xC3\xBF", 1}, // an invalid byte sorts after every character
        {"a\xFF", "a\xFF", 0},
    };
    for (const CompareCase& c : cases) {
        SCOPED_TRACE(std::string("'") + c.a + "' vs '" + c.b + "'");
        const int forward = compare(c.a, c.b);
        const int backward = compare(c.b, c.a);
        EXPECT_EQ((forward > 0) - (forward < 0), c.sign);
        EXPECT_EQ((backward > 0) - (backward < 0), -c.sign);
    }
}

/// The connection holds a table of words, one of them Null.
class TextMatchSql : public MemorySql {
protected:
    void SetUp() override {
        MemorySql::SetUp();
        exec("CREATE TABLE Words (Word TEXT COLLATE JETTEXT)");
        exec("INSERT INTO Words VALUES ('xxABCxx'), ('Banana'), ('abc'), ('apple'), "
             "('\xC3\x84pfel'), ('ab'), (NULL)");
    }
};

TEST_F(TextMatchSql, LikeUsesTheDesktopPatterns) {
    // The patterns of the list's filters run through the engine in
    // statements_test.cpp; SQL's own '%' has no meaning in them.
    EXPECT_EQ(column("SELECT Word FROM Words WHERE Word LIKE '%abc%'"), Rows{});
    EXPECT_EQ(column("SELECT count(*) FROM Words WHERE Word NOT LIKE '*a*'"), (Rows{"1"}));
}

TEST_F(TextMatchSql, NullArgumentsGiveNull) {
    EXPECT_EQ(column("SELECT NULL LIKE 'a'"), (Rows{"NULL"}));
    EXPECT_EQ(column("SELECT 'a' LIKE NULL"), (Rows{"NULL"}));
    EXPECT_EQ(column("SELECT count(*) FROM Words WHERE Word LIKE '*'"), (Rows{"6"}));
}

TEST_F(TextMatchSql, NumbersAreMatchedAsText) {
    EXPECT_EQ(column("SELECT 2004 LIKE '20##'"), (Rows{"1"}));
    EXPECT_EQ(column("SELECT 1.5 LIKE '1.#'"), (Rows{"1"}));
}

TEST_F(TextMatchSql, EscapeIsRefused) {
    EXPECT_EQ(column("SELECT 'a' LIKE 'a' ESCAPE '!'"), (Rows{"error: ESCAPE is not supported"}));
}

TEST_F(TextMatchSql, CollationOrdersAndComparesWithoutCase) {
    EXPECT_EQ(column("SELECT Word FROM Words WHERE Word IS NOT NULL ORDER BY Word"),
              (Rows{"ab", "abc", "apple", "Banana", "xxABCxx", "\xC3\x84pfel"}));
    EXPECT_EQ(column("SELECT Word FROM Words WHERE Word = 'BANANA'"), (Rows{"Banana"}));
    EXPECT_EQ(column("SELECT Word FROM Words WHERE Word = '\xC3\xA4PFEL'"), (Rows{"\xC3\x84pfel"}));
    EXPECT_EQ(column("SELECT Word FROM Words WHERE Word > 'APPLE' AND Word < 'c'"),
              (Rows{"Banana"}));
    // An index in the collation finds the same rows.
    exec("CREATE INDEX WordIndex ON Words (Word)");
    EXPECT_EQ(column("SELECT Word FROM Words INDEXED BY WordIndex WHERE Word = 'ABC'"),
              (Rows{"abc"}));
}

} // namespace
