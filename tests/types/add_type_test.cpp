// The Add Type dialog driven through the Types window: what OK stores and
// refuses (with the exact messages), the 10-character limit for typing and
// pasting, Cancel, names with single quotes, and the refusal of a type
// number beyond 16 bits.

#include "types/type_messages.h"
#include "types_fixture.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

struct AddCase {
    const char* what;
    QStringList existing;
    QString typed;
    QString message;        ///< empty: no message, the dialog closes
    QStringList afterwards; ///< stored names in name order
    friend void PrintTo(const AddCase& c, std::ostream* os) { *os << c.what; }
};

class AddTypeTest : public TypesTest, public ::testing::WithParamInterface<AddCase> {};

TEST_P(AddTypeTest, StoresOrRefusesWithTheExactMessage) {
    const AddCase& c = GetParam();
    for (const QString& name : c.existing)
        addType(name);
    open();
    SeenBox box;
    QString left;
    const bool closed = addThroughDialog(c.typed, &box, &left);

    EXPECT_EQ(stored(), c.afterwards);
    if (c.message.isEmpty()) {
        EXPECT_TRUE(closed);
        EXPECT_TRUE(box.text.isEmpty()) << box.text.toStdString();
    } else {
        EXPECT_FALSE(closed);
        EXPECT_EQ(box.text, c.message);
        EXPECT_EQ(box.title, QStringLiteral("tolvane"));
        EXPECT_EQ(box.icon, QMessageBox::NoIcon);
        EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_EQ(left, c.typed) << "the dialog keeps its text";
    }
    // The list is read again in name order with the first type current.
    EXPECT_EQ(listed(), c.afterwards);
    EXPECT_EQ(current(), c.afterwards.value(0, QStringLiteral("<none>")));
}

const QStringList Two = {QStringLiteral("Letter"), QStringLiteral("Invoice")};

INSTANTIATE_TEST_SUITE_P(
    Names, AddTypeTest,
    ::testing::Values(
        AddCase{"new", Two, "Memo", {}, {"Invoice", "Letter", "Memo"}},
        AddCase{"first in order", Two, "Agenda", {}, {"Agenda", "Invoice", "Letter"}},
        AddCase{"duplicate", Two, "Letter", types_ui::TypeAlreadyDefined, {"Invoice", "Letter"}},
        AddCase{"empty", Two, "", types_ui::MustSpecifyType, {"Invoice", "Letter"}},
        AddCase{"blanks only", Two, "   ", types_ui::MustSpecifyType, {"Invoice", "Letter"}},
        AddCase{"leading blank kept", Two, " Memo", {}, {" Memo", "Invoice", "Letter"}},
        AddCase{"single quote", Two, "Men's", {}, {"Invoice", "Letter", "Men's"}},
        AddCase{
            "single quote duplicate", {"Men's"}, "Men's", types_ui::TypeAlreadyDefined, {"Men's"}},
        AddCase{"quote only", {}, "'", {}, {"'"}},
        AddCase{"duplicate in other letter case",
                {"Été"},
                "éTÉ",
                types_ui::TypeAlreadyDefined,
                {"Été"}},
        AddCase{"pattern characters are literal", {"A*"}, "Ab", {}, {"A*", "Ab"}},
        AddCase{"first type", {}, "Letter", {}, {"Letter"}}),
    [](const auto& p) {
        QString n = QString::fromLatin1(p.param.what);
        n.replace(QLatin1Char(' '), QLatin1Char('_'));
        return n.toStdString();
    });

using AddTypeDialogTest = TypesTest;

TEST_F(AddTypeDialogTest, AnEleventhCharacterCannotBeTypedOrPasted) {
    open();
    QString typed, pasted;
    whenModal<frmAddType>([&](frmAddType* d) {
        QTest::keyClicks(d->txtType, QStringLiteral("ABCDEFGHIJK"));
        typed = d->txtType->text();
        d->txtType->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("0123456789XY"));
        QTest::keyClick(d->txtType, Qt::Key_V, Qt::ControlModifier);
        pasted = d->txtType->text();
        QTest::keyClick(d->txtType, Qt::Key_Escape);
    });
    window->cmdAdd->click();
    EXPECT_EQ(typed, QStringLiteral("ABCDEFGHIJ"));
    EXPECT_EQ(pasted, QStringLiteral("0123456789"));
    EXPECT_TRUE(stored().isEmpty());
}

TEST_F(AddTypeDialogTest, CancelAndEscapeStoreNothing) {
    addType(QStringLiteral("Letter"));
    open();
    for (const bool escape : {false, true}) {
        whenModal<frmAddType>([escape](frmAddType* d) {
            QTest::keyClicks(d->txtType, QStringLiteral("Memo"));
            if (escape)
                QTest::keyClick(d->txtType, Qt::Key_Escape);
            else
                d->cmdCancel->click();
        });
        window->cmdAdd->click();
        EXPECT_EQ(stored(), QStringList{QStringLiteral("Letter")}) << escape;
    }
}

// Type numbers are 16-bit: the register's counter continues after the
// highest number it has given out, and 32767 is the last a document can
// refer to. A refused add leaves the register and its counter as they were.
struct NumberCase {
    int highest; ///< RecordPtr of the one existing type
    bool stored;
    friend void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.highest; }
};

class TypeNumberTest : public TypesTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(TypeNumberTest, RefusesANumberBeyond16Bits) {
    db.execute(QStringLiteral("INSERT INTO Types (RecordPtr, Type) VALUES (%1, 'Old')")
                   .arg(GetParam().highest));
    open();
    SeenBox box;
    const bool closed = addThroughDialog(QStringLiteral("New"), &box);
    EXPECT_EQ(closed, GetParam().stored);
    if (GetParam().stored) {
        EXPECT_EQ(stored(), (QStringList{QStringLiteral("New"), QStringLiteral("Old")}));
        EXPECT_EQ(query(QStringLiteral("SELECT * FROM Types WHERE Type = 'New'"),
                        QStringLiteral("RecordPtr")),
                  QStringList{QString::number(GetParam().highest + 1)});
    } else {
        EXPECT_EQ(box.text, types_ui::NoTypeNumberLeft);
        EXPECT_EQ(stored(), QStringList{QStringLiteral("Old")});
        EXPECT_EQ(listed(), QStringList{QStringLiteral("Old")}) << "no phantom row in the grid";
    }
}

INSTANTIATE_TEST_SUITE_P(Limits, TypeNumberTest,
                         ::testing::Values(NumberCase{32766, true}, NumberCase{32767, false},
                                           NumberCase{40000, false}));

} // namespace
