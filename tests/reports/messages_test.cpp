// The main menu's messages: caption "Arkelby", the exact text, an OK button
// only and no icon.

#include "gui_environment.h"
#include "reports/menu_messages.h"

#include <gtest/gtest.h>

TEST(MenuMessages, NothingToPrintAndAbout) {
    struct Case {
        void (*show)(QWidget*);
        const char* text;
    } cases[] = {{reports::showNothingToPrint, "Nothing to print."},
                 {reports::showAbout, "Arkelby - version 3.2.15"}};
    for (const auto& c : cases) {
        ModalSeen seen;
        answerNextBox(&seen);
        c.show(nullptr);
        EXPECT_EQ(seen.count, 1);
        EXPECT_EQ(seen.title, QStringLiteral("Arkelby"));
        EXPECT_EQ(seen.text, QString::fromLatin1(c.text));
        EXPECT_EQ(seen.buttons, QMessageBox::Ok);
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    }
}
