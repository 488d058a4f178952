// Type-ahead completion of the description and person fields, driven the
// way the editor drives it: a text box that raises its change notification
// on every text change (also from inside the routine), and the selection
// applied from the routine's results. The selection a completion leaves,
// typing on over it, the person field, Backspace, Delete and the caret in
// the middle are tried on the real editor in editor/frm_change_fields_test.

#include "session/type_ahead.h"
#include "store/transaction.h"
#include "support/type_ahead_register.h"

#include <QChar>

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

using TypeAheadTest = TypeAheadRegister;

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

} // namespace
