// Desktop LIKE patterns as the server matches them (see pg_pattern.h).
// Sets of characters are lists of code point intervals; the set a literal
// or a class stands for is worked out from the file's folding and written
// as a bracket expression of escapes.

#include "pg_pattern.h"

#include "../like_pattern.h"
#include "../text_match.h"

#include <QByteArray>
#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace store::postgres {
namespace {

using CharSet = std::vector<std::pair<char32_t, char32_t>>; ///< inclusive intervals

constexpr char32_t LastCodePoint = 0x10FFFF;
/// No character above this one changes when folded (the last letters with
/// case lie in the first plane beyond the basic one).
constexpr char32_t LastFolding = 0x1FFFF;

struct Folding {
    char32_t c;
    char32_t folded;
};

bool isSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

/// Every character the file folds into another, in code point order.
const std::vector<Folding>& foldings() {
    static const std::vector<Folding> table = [] {
        std::vector<Folding> t;
        for (char32_t c = 0; c <= LastFolding; ++c)
            if (const char32_t f = textmatch::foldCase(c); f != c && !isSurrogate(c))
                t.push_back({c, f});
        return t;
    }();
    return table;
}

void normalise(CharSet& s) {
    std::sort(s.begin(), s.end());
    CharSet merged;
    for (const auto& [low, high] : s) {
        if (!merged.empty() && low <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, high);
        else
            merged.emplace_back(low, high);
    }
    s = std::move(merged);
}

/// What the literal `c` matches in the file: itself and every character
/// with its fold.
CharSet letter(char32_t c) {
    if (isSurrogate(c) || c > LastCodePoint)
        return {};
    const char32_t f = textmatch::foldCase(c);
    CharSet s{{c, c}};
    if (textmatch::foldCase(f) == f)
        s.emplace_back(f, f);
    for (const Folding& x : foldings())
        if (x.folded == f)
            s.emplace_back(x.c, x.c);
    return s;
}

/// What the range lo-hi matches in the file: the characters between lo
/// and hi, and those whose fold lies between the folds of lo and hi. A
/// range given backwards holds nothing.
CharSet range(char32_t low, char32_t high) {
    CharSet s;
    if (low <= high)
        s.emplace_back(low, high);
    const char32_t from = textmatch::foldCase(low);
    const char32_t to = textmatch::foldCase(high);
    if (from > to)
        return s;
    // Between the folds: the characters that fold to themselves, which is
    // the interval less those that fold elsewhere; then all that fold in.
    char32_t next = from;
    for (const Folding& x : foldings()) {
        if (x.c < from || x.c > to)
            continue;
        if (x.c > next)
            s.emplace_back(next, x.c - 1);
        next = x.c + 1;
    }
    if (next <= to)
        s.emplace_back(next, to);
    for (const Folding& x : foldings())
        if (x.folded >= from && x.folded <= to)
            s.emplace_back(x.c, x.c);
    return s;
}

/// One character as a regular-expression escape, which means the character
/// itself inside and outside brackets.
QString escaped(char32_t c) {
    if (c <= 0xFFFF)
        return QStringLiteral("\\u%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'));
    return QStringLiteral("\\U%1").arg(static_cast<uint>(c), 8, 16, QLatin1Char('0'));
}

/// The set as one element of the expression. The texts of a register hold
/// no NUL, which is left out (an escape for it is refused).
QString element(CharSet s, bool negated) {
    normalise(s);
    if (!s.empty() && s.front().first == 0) {
        if (s.front().second == 0)
            s.erase(s.begin());
        else
            s.front().first = 1;
    }
    if (s.empty())
        return negated ? QStringLiteral(".") : QStringLiteral("[^\\u0001-\\U0010ffff]");
    if (!negated && s.size() == 1 && s.front().first == s.front().second)
        return escaped(s.front().first);
    QString out = negated ? QStringLiteral("[^") : QStringLiteral("[");
    for (const auto& [low, high] : s) {
        out += escaped(low);
        if (high != low)
            out += u'-' + escaped(high);
    }
    return out + u']';
}

/// The members of a class body: characters, and ranges "a-z".
CharSet classSet(std::string_view body) {
    CharSet s;
    for (std::size_t k = 0; k < body.size();) {
        const likepattern::Member m = likepattern::memberAt(body, k);
        const CharSet r = m.range ? range(m.low, m.high) : letter(m.low);
        s.insert(s.end(), r.begin(), r.end());
    }
    return s;
}

} // namespace

// Both read the pattern as the register file receives it: its UTF-8 form.

QString likeExpression(const QString& pattern) {
    const QByteArray utf8 = pattern.toUtf8();
    const std::string_view p(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    QString out = QStringLiteral("^");
    for (std::size_t i = 0; i < p.size();) {
        const likepattern::Element e = likepattern::elementAt(p, i);
        i += e.length;
        switch (e.kind) {
        case likepattern::ElementKind::AnyRun:
            out += QStringLiteral(".*");
            break;
        case likepattern::ElementKind::AnyOne:
            out += u'.';
            break;
        case likepattern::ElementKind::Digit:
            out += QStringLiteral("[0-9]");
            break;
        case likepattern::ElementKind::Class:
            out += element(classSet(e.body), e.negated);
            break;
        case likepattern::ElementKind::Literal:
            out += element(letter(e.literal), false);
            break;
        }
    }
    return out + u'$';
}

std::optional<QString> ilikePattern(const QString& pattern) {
    const QByteArray utf8 = pattern.toUtf8();
    const std::string_view p(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    QString out;
    for (std::size_t i = 0; i < p.size();) {
        const likepattern::Element e = likepattern::elementAt(p, i);
        i += e.length;
        switch (e.kind) {
        case likepattern::ElementKind::AnyRun:
            out += u'%';
            break;
        case likepattern::ElementKind::AnyOne:
            out += u'_';
            break;
        case likepattern::ElementKind::Digit:
        case likepattern::ElementKind::Class:
            return std::nullopt;
        case likepattern::ElementKind::Literal:
            if (e.literal >= 0x80)
                return std::nullopt;
            if (e.literal == u'%' || e.literal == u'_' || e.literal == u'\\')
                out += u'\\';
            out += QChar(static_cast<char16_t>(e.literal));
            break;
        }
    }
    return out;
}

} // namespace store::postgres
