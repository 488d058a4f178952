// Type-ahead completion of the description and person fields, driven the
// way the editor drives it: a text box that raises its change notification
// on every text change (also from inside the routine), and the selection
// applied from the routine's results. The selection a completion leaves,
// typing on over it, the person field, Backspace, Delete and the caret in
// the middle are tried on the real editor in editor/frm_change_fields_test.

#include "session/type_ahead.h"
#include "store/transaction.h"
#include "support/register_fixture.h"

#include <QChar>
#include <random>

namespace {

using store::typeahead::Method;

/// An editor field: text, caret/selection, key handling and the change
/// notification as the editor window wires them. setText() leaves the caret
/// at the end, the unfavourable case for the nested notification.
class EditorField : public session::TextControl {
public:
    using Routine = void (*)(session::TextControl&, store::Recordset&, qint16&, qint16&);
    EditorField(store::Recordset& lookup, Routine routine) : lookup_(lookup), routine_(routine) {}

    QString text() const override { return text_; }
    int selectionStart() const override { return start_; }
    int selectionLength() const override { return length_; }
    void setText(const QString& text) override {
        text_ = text;
        start_ = static_cast<int>(text.size());
        length_ = 0;
        changed();
    }

    /// A character key: replaces the selection.
    void key(QChar c) { replaceSelection(QString(c)); }
    void type(const QString& text) {
        for (const QChar c : text)
            key(c);
    }
    /// Pasting: the whole text arrives in one change.
    void paste(const QString& text) { replaceSelection(text); }
    QString selected() const { return text_.mid(start_, length_); }
    int changes = 0; ///< change notifications seen

private:
    void replaceSelection(const QString& with) {
        text_ = text_.left(start_) + with + text_.mid(start_ + length_);
        start_ += static_cast<int>(with.size());
        length_ = 0;
        changed();
    }
    // The editor's text-change handler.
    void changed() {
        ++changes;
        qint16 start = -1;
        qint16 length = -1;
        routine_(*this, lookup_, start, length);
        if (start != 0) {
            start_ = start;
            length_ = length;
        }
    }

    store::Recordset& lookup_;
    Routine routine_;
    QString text_;
    int start_ = 0;
    int length_ = 0;
};

class TypeAheadTest : public RegisterTest {
protected:
    store::RecordsetPtr lookup(const QString& index) {
        auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        rs->setIndex(index);
        return rs;
    }
    void describe(std::initializer_list<const char*> descriptions) {
        for (const char* d : descriptions)
            add({++lastId, QString::fromUtf8(d)});
    }
    std::optional<QString> best(const QString& typed, Method method) {
        auto rs = lookup(QStringLiteral("Description"));
        return store::typeahead::bestStoredValue(*rs, QStringLiteral("Description"), typed, method);
    }
    int lastId = 0;
};

TEST_F(TypeAheadTest, NewestOfSeveralCompletesNotTheLastInOrder) {
    // RecordPtr 4 and 9; "Invoice 1999" sorts after both but is older.
    describe({"Receipt", "Invoice 1999", "Memo", "Invoice 1997", "Letter", "Order", "Quote",
              "Permit", "Invoice 1998"});
    auto rs = lookup(QStringLiteral("Description"));
    ASSERT_EQ(
        query(QStringLiteral("SELECT * FROM Documents WHERE Description LIKE 'Invoice 199[78]'"),
              QStringLiteral("RecordPtr")),
        (QStringList{QStringLiteral("4"), QStringLiteral("9")}));

    // The selection of the added characters and typing on over it are
    // checked on the real editor (TypeAheadWindowTest).
    EditorField field(*rs, session::TypeAheadDescription);
    field.type(QStringLiteral("inv"));
    EXPECT_EQ(field.text(), QStringLiteral("Invoice 1998"));
}

TEST_F(TypeAheadTest, EqualOrNotLongerStoredValuesDoNotComplete) {
    describe({"Invoice", "INVOICE  ", "Memo"});
    auto rs = lookup(QStringLiteral("Description"));
    EditorField field(*rs, session::TypeAheadDescription);
    field.paste(QStringLiteral("invoice"));
    // "INVOICE  " is the newest value above "invoice" but no longer once
    // trimmed; the equal "Invoice" is not above the typed text at all.
    EXPECT_EQ(field.text(), QStringLiteral("invoice"));
    EXPECT_EQ(field.selectionLength(), 0);
    EXPECT_EQ(best(QStringLiteral("INVOICE"), Method::Query), QStringLiteral("INVOICE  "));
    EXPECT_EQ(best(QStringLiteral("Memo"), Method::Query), std::nullopt);
}

TEST_F(TypeAheadTest, TheNestedChangeDoesNotCompleteTwice) {
    describe({"Invoice 1998"});
    auto rs = lookup(QStringLiteral("Description"));
    EditorField field(*rs, session::TypeAheadDescription);
    field.type(QStringLiteral("in"));
    const int before = field.changes;
    field.key(QLatin1Char('v'));
    // The key's change and the nested one raised by setting the text; the
    // nested one sets no selection although the caret sits at the end.
    EXPECT_EQ(field.changes, before + 2);
    EXPECT_EQ(field.selected(), QStringLiteral("oice 1998"));
}

TEST_F(TypeAheadTest, DocumentsFiledDuringTheRunAreOfferedAtOnce) {
    describe({"Invoice 1998"});
    auto rs = lookup(QStringLiteral("Description"));
    EditorField field(*rs, session::TypeAheadDescription);
    field.type(QStringLiteral("inv"));
    EXPECT_EQ(field.text(), QStringLiteral("Invoice 1998"));

    const auto other = store::Database::open(location()); // another user
    add(other, {50, QStringLiteral("Invoice 2001")});
    EditorField again(*rs, session::TypeAheadDescription);
    again.type(QStringLiteral("inv"));
    EXPECT_EQ(again.text(), QStringLiteral("Invoice 2001"));
}

TEST_F(TypeAheadTest, LettersBeyondAsciiMatchWithoutRegardToCase) {
    // A file's index orders É apart from é; each case form is asked for.
    // Greek has three forms of sigma, the final one reached only by case
    // folding, which a server's matching does not do.
    describe({"Élan vital", "étude", "Etage", "Émile Zola", "Σίσυφος", "ςαλάμι"});
    auto rs = lookup(QStringLiteral("Description"));
    const std::pair<const char*, const char*> cases[] = {
        {"éla", "Élan vital"},   {"ÉTU", "étude"},   {"eta", "Etage"},
        {"émile", "Émile Zola"}, {"σίσ", "Σίσυφος"}, {"Σαλ", "ςαλάμι"}};
    for (const auto& [typed, completed] : cases) {
        if (onServer() && QString::fromUtf8(completed).startsWith(QChar(0x03C2)))
            continue;
        EditorField field(*rs, session::TypeAheadDescription);
        field.type(QString::fromUtf8(typed));
        EXPECT_EQ(field.text(), QString::fromUtf8(completed)) << typed;
    }
}

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

TEST_F(TypeAheadTest, FailuresAndOversizedTextsLeaveTheFieldAlone) {
    add({1, QStringLiteral("Long") + QString(40000, QLatin1Char('g'))});
    auto rs = lookup(QStringLiteral("Description"));
    EditorField field(*rs, session::TypeAheadDescription);
    field.type(QStringLiteral("lon"));
    EXPECT_EQ(field.text(), QStringLiteral("lon")) << "a selection beyond 16 bits is not offered";

    describe({"Invoice 1998"});
    rs->close();
    EditorField closed(*rs, session::TypeAheadDescription);
    EXPECT_NO_THROW(closed.type(QStringLiteral("inv")));
    EXPECT_EQ(closed.text(), QStringLiteral("inv"));

    // A lookup the engine refuses: the Types table has no field Who.
    auto types = db.openRecordset(QStringLiteral("Types"), store::RecordsetType::Table);
    EditorField refused(*types, session::TypeAheadWho);
    EXPECT_NO_THROW(refused.type(QStringLiteral("smi")));
    EXPECT_EQ(refused.text(), QStringLiteral("smi"));
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

TEST_F(TypeAheadTest, AnOldDocumentIsFoundBehindManyNewerOnes) {
    describe({"Invoice 1998", "Invoice 1997"});
    {
        store::Transaction t(db);
        for (int i = 0; i < 1000; ++i)
            add({++lastId, QStringLiteral("Memo %1").arg(i)});
        t.commit();
    }
    auto rs = lookup(QStringLiteral("Description"));
    EditorField field(*rs, session::TypeAheadDescription);
    field.type(QStringLiteral("inv"));
    EXPECT_EQ(field.text(), QStringLiteral("Invoice 1997"));
    add({++lastId, QStringLiteral("Invoice 1996")});
    EXPECT_EQ(best(QStringLiteral("invoice 19"), Method::Query), QStringLiteral("Invoice 1996"));
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
