// Reading month-first date texts (see date_text.h for what is accepted).
//
// The text is cut into tokens (digit runs, letter runs, single punctuation
// characters, blank runs), then matched against the few accepted layouts
// from the left: a date, then optionally a blank and a time, then nothing.
// Every number is range-checked and the date checked by QDate, so a text is
// either read completely or refused.

#include "date_text.h"
#include "today.h"

#include <array>
#include <vector>

namespace platform::dates {
namespace {

enum class Kind { Number, Word, Punct, Blank, End };

struct Token {
    Kind kind;
    QStringView text; ///< the characters of the token in the input
};

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isAsciiLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

/// Cuts the text into tokens; nothing for a character no date layout uses.
std::optional<std::vector<Token>> tokenize(QStringView text) {
    static const QString punctuation = QStringLiteral("/-.,:");
    std::vector<Token> tokens;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        qsizetype end = i + 1;
        Kind kind;
        if (isAsciiDigit(c)) {
            kind = Kind::Number;
            while (end < text.size() && isAsciiDigit(text[end]))
                ++end;
        } else if (isAsciiLetter(c)) {
            kind = Kind::Word;
            while (end < text.size() && isAsciiLetter(text[end]))
                ++end;
        } else if (c.isSpace()) {
            kind = Kind::Blank;
            while (end < text.size() && text[end].isSpace())
                ++end;
        } else if (punctuation.contains(c)) {
            kind = Kind::Punct;
        } else {
            return std::nullopt;
        }
        tokens.push_back({kind, text.mid(i, end - i)});
        i = end;
    }
    return tokens;
}

/// Reads tokens left to right; every accessor is safe past the end.
class Cursor {
public:
    explicit Cursor(const std::vector<Token>& tokens) : tokens_(tokens) {}

    bool atEnd() const { return pos_ >= tokens_.size(); }
    /// The token `ahead` places on; an End token past the last one.
    const Token& peek(std::size_t ahead = 0) const {
        static const Token end{Kind::End, QStringView()};
        return pos_ + ahead < tokens_.size() ? tokens_[pos_ + ahead] : end;
    }
    bool is(Kind kind, std::size_t ahead = 0) const { return peek(ahead).kind == kind; }
    bool isPunct(QChar c, std::size_t ahead = 0) const {
        return is(Kind::Punct, ahead) && peek(ahead).text.front() == c;
    }
    QStringView take() { return tokens_[pos_++].text; }
    std::size_t position() const { return pos_; }
    void reset(std::size_t pos) { pos_ = pos; }

private:
    const std::vector<Token>& tokens_;
    std::size_t pos_ = 0; ///< index of the next token to read
};

/// A number of `minDigits` to `maxDigits` digits, or -1.
int number(QStringView digits, int minDigits, int maxDigits) {
    if (digits.size() < minDigits || digits.size() > maxDigits)
        return -1;
    return digits.toInt();
}

/// The year a year text stands for, or 0 when it is no acceptable year.
int yearOf(QStringView digits) {
    if (digits.size() == 1 || digits.size() == 2) {
        const int yy = digits.toInt();
        return yy < 30 ? 2000 + yy : 1900 + yy;
    }
    if (digits.size() == 4) {
        const int year = digits.toInt();
        return year >= 100 ? year : 0;
    }
    return 0;
}

/// The month (1-12) an English month name or abbreviation stands for, or 0.
int monthNamed(QStringView word) {
    static const std::array<const char*, 12> names = {
        "january", "february", "march",     "april",   "may",      "june",
        "july",    "august",   "september", "october", "november", "december"};
    for (int m = 0; m < 12; ++m) {
        const QLatin1String full(names[static_cast<std::size_t>(m)]);
        if (word.compare(full, Qt::CaseInsensitive) == 0 ||
            (word.size() == 3 && full.startsWith(word, Qt::CaseInsensitive)))
            return m + 1;
    }
    if (word.compare(QLatin1String("sept"), Qt::CaseInsensitive) == 0)
        return 9;
    return 0;
}

/// Between the parts of a named date: blanks with at most one of ",-/".
bool skipNamedSeparator(Cursor& in) {
    bool any = false;
    bool punct = false;
    while (!in.atEnd()) {
        if (in.is(Kind::Blank)) {
            in.take();
        } else if (!punct && (in.isPunct(QLatin1Char(',')) || in.isPunct(QLatin1Char('-')) ||
                              in.isPunct(QLatin1Char('/')))) {
            in.take();
            punct = true;
        } else {
            break;
        }
        any = true;
    }
    return any;
}

/// True when the tokens from the cursor on begin a time of day, so that a
/// number there is not taken for a year.
bool timeFollows(const Cursor& in, std::size_t ahead) {
    if (!in.is(Kind::Number, ahead))
        return false;
    if (in.isPunct(QLatin1Char(':'), ahead + 1))
        return true;
    if (!in.is(Kind::Blank, ahead + 1) || !in.is(Kind::Word, ahead + 2))
        return false;
    const QStringView word = in.peek(ahead + 2).text;
    return word.compare(QLatin1String("am"), Qt::CaseInsensitive) == 0 ||
           word.compare(QLatin1String("pm"), Qt::CaseInsensitive) == 0;
}

struct DateParts {
    int month = 0;
    int day = 0;
    int year = 0; ///< 0 until a year is read: the current year then
};

/// month sep day [sep year], one kind of separator out of "/-.".
std::optional<DateParts> numericDate(Cursor& in) {
    if (!in.is(Kind::Number) || !in.is(Kind::Punct, 1) || !in.is(Kind::Number, 2))
        return std::nullopt;
    const QChar sep = in.peek(1).text.front();
    if (sep != QLatin1Char('/') && sep != QLatin1Char('-') && sep != QLatin1Char('.'))
        return std::nullopt;
    DateParts d;
    d.month = number(in.take(), 1, 2);
    in.take();
    d.day = number(in.take(), 1, 2);
    if (in.isPunct(sep) && in.is(Kind::Number, 1)) {
        in.take();
        d.year = yearOf(in.take());
        if (d.year == 0)
            return std::nullopt;
    }
    if (d.month < 0 || d.day < 0)
        return std::nullopt;
    return d;
}

/// The month word with an optional "." after an abbreviation; 0 if none.
int monthWord(Cursor& in) {
    if (!in.is(Kind::Word))
        return 0;
    const QStringView word = in.peek().text;
    const int month = monthNamed(word);
    if (month == 0)
        return 0;
    in.take();
    if (word.size() <= 4 && in.isPunct(QLatin1Char('.')))
        in.take();
    return month;
}

/// An optional year after a named date: separator and a number that does
/// not begin a time of day.
bool optionalYear(Cursor& in, DateParts& d) {
    const std::size_t start = in.position();
    if (!skipNamedSeparator(in) || !in.is(Kind::Number) || timeFollows(in, 0)) {
        in.reset(start);
        return true;
    }
    d.year = yearOf(in.take());
    return d.year != 0;
}

/// "Month day [year]" or "day Month [year]".
std::optional<DateParts> namedDate(Cursor& in) {
    DateParts d;
    if (in.is(Kind::Word)) {
        d.month = monthWord(in);
        if (d.month == 0 || !skipNamedSeparator(in) || !in.is(Kind::Number))
            return std::nullopt;
        d.day = number(in.take(), 1, 2);
    } else if (in.is(Kind::Number)) {
        d.day = number(in.take(), 1, 2);
        if (!skipNamedSeparator(in))
            return std::nullopt;
        d.month = monthWord(in);
        if (d.month == 0)
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (d.day < 0 || !optionalYear(in, d))
        return std::nullopt;
    return d;
}

/// "h:mm[:ss] [AM|PM]" or "h AM|PM".
std::optional<QTime> timeOfDay(Cursor& in) {
    if (!in.is(Kind::Number))
        return std::nullopt;
    int hour = number(in.take(), 1, 2);
    int minute = 0;
    int second = 0;
    bool hasMinutes = false;
    if (in.isPunct(QLatin1Char(':')) && in.is(Kind::Number, 1)) {
        in.take();
        minute = number(in.take(), 2, 2);
        hasMinutes = true;
        if (in.isPunct(QLatin1Char(':')) && in.is(Kind::Number, 1)) {
            in.take();
            second = number(in.take(), 2, 2);
        }
    }
    int half = 0; // 0 none, 1 AM, 2 PM
    if (in.is(Kind::Blank) && in.is(Kind::Word, 1)) {
        const QStringView word = in.peek(1).text;
        if (word.compare(QLatin1String("am"), Qt::CaseInsensitive) == 0)
            half = 1;
        else if (word.compare(QLatin1String("pm"), Qt::CaseInsensitive) == 0)
            half = 2;
        if (half != 0) {
            in.take();
            in.take();
        }
    }
    if (!hasMinutes && half == 0)
        return std::nullopt;
    if (half != 0) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (half == 2 ? 12 : 0);
    }
    if (hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    const QTime t(hour, minute, second);
    return t.isValid() ? std::optional<QTime>(t) : std::nullopt;
}

} // namespace

std::optional<QDateTime> toDateTime(const QString& text) {
    const auto tokens = tokenize(QStringView(text).trimmed());
    if (!tokens || tokens->empty())
        return std::nullopt;
    Cursor in(*tokens);
    std::optional<DateParts> parts = numericDate(in);
    if (!parts) {
        in.reset(0);
        parts = namedDate(in);
    }
    if (!parts)
        return std::nullopt;
    QTime time(0, 0);
    if (!in.atEnd()) {
        if (!in.is(Kind::Blank))
            return std::nullopt;
        in.take();
        const auto t = timeOfDay(in);
        if (!t || !in.atEnd())
            return std::nullopt;
        time = *t;
    }
    const QDate date(parts->year != 0 ? parts->year : today().year(), parts->month, parts->day);
    if (!date.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

std::optional<QDate> toDate(const QString& text) {
    const auto value = toDateTime(text);
    return value ? std::optional<QDate>(value->date()) : std::nullopt;
}

bool isDate(const QString& text) {
    return toDate(text).has_value();
}

} // namespace platform::dates
