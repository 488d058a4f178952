// Delete against another user of the same register: a document filed
// under the type after the first in-use test (while the confirmation is
// open), and another user's write transaction still open when OK is
// pressed, which Delete must wait for and then judge by what it committed.
// A type in use must never be deleted.

#include "store/transaction.h"
#include "types/type_messages.h"
#include "types_fixture.h"

#include <chrono>
#include <future>
#include <thread>

namespace {

using OtherUserTest = TypesTest;

TEST_F(OtherUserTest, DocumentFiledWhileConfirmingKeepsTheType) {
    addType(QStringLiteral("A"));
    const int type = addType(QStringLiteral("B"));
    open();
    select(QStringLiteral("B"));
    const store::Database other = store::Database::open(location());
    SeenBox confirm, refusal;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        confirm.text = box->text();
        add(other, Doc{7, QStringLiteral("Filed meanwhile"), {}, {}, type});
        answerNextBox(&refusal);
        box->button(QMessageBox::Ok)->click();
    });
    window->cmdDelete->click();
    EXPECT_EQ(confirm.text, types_ui::deleteConfirmation(QStringLiteral("B")));
    EXPECT_EQ(refusal.text, types_ui::TypeInUse);
    EXPECT_EQ(stored(), (QStringList{"A", "B"}));
    EXPECT_EQ(listed(), (QStringList{"A", "B"}));
    EXPECT_EQ(current(), QStringLiteral("B"));
}

// The other user's transaction is open when OK is pressed and commits a
// little later; the delete waits for it and then tests what it left.
struct HeldCase {
    const char* what;
    bool filesDocument;
    QStringList after;
    friend void PrintTo(const HeldCase& c, std::ostream* os) { *os << c.what; }
};

class HeldTransactionTest : public TypesTest, public ::testing::WithParamInterface<HeldCase> {};

TEST_P(HeldTransactionTest, DeleteWaitsForTheOtherUsersChange) {
    addType(QStringLiteral("A"));
    const int type = addType(QStringLiteral("B"));
    open();
    select(QStringLiteral("B"));
    const QString fileName = location();
    const bool files = GetParam().filesDocument;
    std::promise<void> begun;
    std::thread otherUser;
    SeenBox refusal;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        otherUser = std::thread([&begun, fileName, files, type] {
            const store::Database other = store::Database::open(fileName);
            store::Transaction tx(other);
            if (files)
                add(other, Doc{7, QStringLiteral("Filed meanwhile"), {}, {}, type});
            begun.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            tx.commit();
        });
        begun.get_future().wait();
        answerNextBox(&refusal);
        box->button(QMessageBox::Ok)->click();
    });
    window->cmdDelete->click();
    otherUser.join();
    cancelWaits();
    EXPECT_EQ(refusal.text, files ? types_ui::TypeInUse : QString());
    EXPECT_EQ(stored(), GetParam().after);
    EXPECT_EQ(listed(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Race, HeldTransactionTest,
                         ::testing::Values(HeldCase{"files_document", true, {"A", "B"}},
                                           HeldCase{"files_nothing", false, {"A"}}),
                         [](const auto& p) { return std::string(p.param.what); });

} // namespace
