// The SQL tokenizer (see sql_tokens.h): one pass, left to right; each
// token is found by its first character or two.

#include "sql_tokens.h"

namespace store::sql {
namespace {

bool isWordStart(QChar c) {
    return c.isLetter() || c == u'_';
}
bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}
bool isNumberChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'.';
}
bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

class Tokenizer {
public:
    Tokenizer(QStringView sql, Hash hash) : s_(sql), hash_(hash) {}

    std::vector<Token> run() {
        std::vector<Token> out;
        while (i_ < s_.size()) {
            const qsizetype begin = i_;
            const TokenKind kind = next();
            out.push_back({kind, begin, i_ - begin});
        }
        return out;
    }

private:
    /// Reads the token at i_ and leaves i_ after it.
    TokenKind next() {
        const QChar c = s_[i_];
        const QChar after = i_ + 1 < s_.size() ? s_[i_ + 1] : QChar();
        if (c.isSpace())
            return run([](QChar x) { return x.isSpace(); }, TokenKind::Space);
        if (c == u'-' && after == u'-') {
            const qsizetype eol = s_.indexOf(u'\n', i_);
            i_ = eol < 0 ? s_.size() : eol;
            return TokenKind::Comment;
        }
        if (c == u'/' && after == u'*') {
            const qsizetype close = s_.indexOf(u"*/", i_ + 2);
            i_ = close < 0 ? s_.size() : close + 2;
            return TokenKind::Comment;
        }
        if (c == u'\'')
            return quoted(u'\'', true, TokenKind::Text);
        if (c == u'"' || c == u'`')
            return quoted(c, true, TokenKind::Name);
        if (c == u'[')
            return quoted(u']', false, TokenKind::Name);
        if (c == u'#' && hash_ == Hash::DateLiteral)
            return quoted(u'#', false, TokenKind::Date);
        if (c == u'?') {
            ++i_;
            while (i_ < s_.size() && isAsciiDigit(s_[i_]))
                ++i_;
            return TokenKind::Parameter;
        }
        if (isWordStart(c))
            return run(isWordChar, TokenKind::Word);
        if (c.isDigit())
            return run(isNumberChar, TokenKind::Number);
        for (QStringView pair : {u"<=", u">=", u"<>", u"!=", u"||"})
            if (s_.sliced(i_).startsWith(pair)) {
                i_ += pair.size();
                return TokenKind::Symbol;
            }
        ++i_;
        return TokenKind::Symbol;
    }

    template <class Pred> TokenKind run(Pred pred, TokenKind kind) {
        while (i_ < s_.size() && pred(s_[i_]))
            ++i_;
        return kind;
    }

    /// A unit from the opening character at i_ to `close`; with `doubles` a
    /// doubled `close` stands for one. Open when it does not close.
    TokenKind quoted(QChar close, bool doubles, TokenKind kind) {
        for (++i_; i_ < s_.size(); ++i_) {
            if (s_[i_] != close)
                continue;
            if (doubles && i_ + 1 < s_.size() && s_[i_ + 1] == close) {
                ++i_;
                continue;
            }
            ++i_;
            return kind;
        }
        return TokenKind::Open;
    }

    QStringView s_;
    Hash hash_;
    qsizetype i_ = 0;
};

} // namespace

std::vector<Token> tokenize(QStringView sql, Hash hash) {
    return Tokenizer(sql, hash).run();
}

QString nameOf(QStringView token) {
    if (token.size() < 2)
        return token.toString();
    const QChar open = token.front();
    if (open == u'[')
        return token.sliced(1, token.size() - 2).toString();
    if (open != u'"' && open != u'`' && open != u'\'')
        return token.toString();
    return token.sliced(1, token.size() - 2).toString().replace(QString(2, open), QString(open));
}

bool isKeyword(QStringView token, QStringView keyword) {
    return token.compare(keyword, Qt::CaseInsensitive) == 0;
}

int nextSolid(const std::vector<Token>& tokens, int i) {
    for (++i; i < static_cast<int>(tokens.size()); ++i)
        if (tokens[static_cast<size_t>(i)].solid())
            return i;
    return -1;
}

} // namespace store::sql
