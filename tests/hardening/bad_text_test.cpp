// Texts a new user may type or paste: a note of a megabyte, emoji, and
// right-to-left letters mixed with Latin ones. Stored through the engine
// the windows use, they must come back unchanged after a restart, and the
// list must show them.

#include "hardening_fixture.h"

TEST_F(HardeningTest, LongAndNonLatinTextsSurviveARestart) {
    // A megabyte of note text with a multi-byte letter near the end, so a
    // cut at a byte limit would show.
    QString note = QString(1024 * 1024 - 2, QLatin1Char('x'));
    note += QStringLiteral("\u00e9\u05d0");
    struct Case {
        int id;
        QString description, who, note;
    };
    const Case cases[] = {
        {1, QStringLiteral("Invoice \U0001F9FE paid \U0001F44D\U0001F3FD"),
         QStringLiteral("Zo\u00eb \U0001F469\u200D\U0001F4BB"), QStringLiteral("\U0001F600")},
        {2, QStringLiteral("\u05d7\u05e9\u05d1\u05d5\u05e0\u05d9\u05ea 42 receipt"),
         QStringLiteral("\u0633\u0627\u0631\u0629 \u0627\u0644\u0639\u0644\u064a"),
         QStringLiteral("\u202eRTL override\u202c and \u200f marks")},
        {3, QStringLiteral("Long note"), QStringLiteral("Ann"), note},
    };
    makeRegister({});
    start();
    auto& rs = session::program::rsRecordPtr;
    for (const Case& c : cases) {
        rs->addNew();
        rs->setField(QStringLiteral("ID"), c.id);
        rs->setField(QStringLiteral("Description"), c.description);
        rs->setField(QStringLiteral("Who"), c.who);
        rs->setField(QStringLiteral("Note"), c.note);
        rs->update();
    }
    window.reset();
    session::program::reset();

    start();
    const QStringList shown = gridTexts();
    auto& again = session::program::rsRecordPtr;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_TRUE(shown.contains(c.description));
        bool found = false;
        for (again->moveFirst(); !again->eof(); again->moveNext()) {
            if (again->field(QStringLiteral("ID")).toInt() != c.id)
                continue;
            found = true;
            EXPECT_EQ(again->field(QStringLiteral("Description")).toString(), c.description);
            EXPECT_EQ(again->field(QStringLiteral("Who")).toString(), c.who);
            EXPECT_EQ(again->field(QStringLiteral("Note")).toString(), c.note);
        }
        EXPECT_TRUE(found);
    }
}
