// Filing a document as the editor's Update does: the checks in their
// order, each refusal leaving the register and the pending row alone, and
// a stored document recorded in its history on either backend.

#include "store/document_filing.h"
#include "support/register_fixture.h"

namespace {

using store::Filing;

class FilingTest : public RegisterTest {
protected:
    store::DocumentEntry entry(const QString& id, std::optional<QDate> date = QDate(2001, 7, 4)) {
        store::DocumentEntry e;
        e.id = id;
        e.description = QStringLiteral("filed");
        e.date = date;
        return e;
    }
    QStringList actions() {
        return query(QStringLiteral("SELECT Action FROM DocumentHistory ORDER BY HistoryPtr"),
                     QStringLiteral("Action"));
    }
};

TEST_F(FilingTest, RefusalsComeInTheirOrderAndChangeNothing) {
    add({7, QStringLiteral("seven")});
    const int eight = add({8, QStringLiteral("eight")});
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE RecordPtr = ?"),
                               store::RecordsetType::Dynaset, {eight});
    rs->edit();
    const QStringList history = actions(); // a server records the two adds itself
    const struct {
        store::DocumentEntry entry;
        Filing outcome;
    } cases[] = {
        {entry(QStringLiteral("7x"), std::nullopt), Filing::BadID},
        {entry(QStringLiteral("2147483648")), Filing::BadID},
        {entry(QStringLiteral(" 7 "), std::nullopt), Filing::DuplicateID},
        {entry(QStringLiteral("8"), std::nullopt), Filing::BadDate}, // its own ID is no duplicate
    };
    for (const auto& c : cases) {
        EXPECT_EQ(store::fileDocument(*rs, c.entry).outcome, c.outcome) << c.entry.id.toStdString();
        EXPECT_EQ(rs->editMode(), store::EditMode::Editing);
    }
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM Documents ORDER BY ID")),
              (QStringList{"7", "8"}));
    EXPECT_EQ(query(QStringLiteral("SELECT Description FROM Documents ORDER BY ID"),
                    QStringLiteral("Description")),
              (QStringList{"seven", "eight"}));
    EXPECT_EQ(actions(), history);
}

TEST_F(FilingTest, StoresTheRowAndItsHistory) {
    const int letter = addType(QStringLiteral("Letter"));
    auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
    rs->addNew();
    store::DocumentEntry added = entry(QStringLiteral(" 9 "));
    added.type = QStringLiteral("letter");
    added.who = QStringLiteral("Ann");
    added.note = QStringLiteral("first");
    const QStringList history = actions();
    const store::FilingResult result = store::fileDocument(*rs, added);
    ASSERT_EQ(result.outcome, Filing::Stored) << result.failure.toStdString();
    EXPECT_EQ(result.id, 9);
    EXPECT_EQ(rs->editMode(), store::EditMode::None);
    EXPECT_EQ(query(QStringLiteral("SELECT DocumentType FROM Documents WHERE ID = 9"),
                    QStringLiteral("DocumentType")),
              QStringList{QString::number(letter)});

    auto mine = db.openRecordset(QStringLiteral("SELECT * FROM Documents WHERE ID = 9"),
                                 store::RecordsetType::Dynaset);
    mine->edit();
    store::DocumentEntry changed = added;
    changed.description = QStringLiteral("changed");
    changed.type.reset();
    EXPECT_EQ(store::fileDocument(*mine, changed).outcome, Filing::Stored);
    EXPECT_EQ(
        query(QStringLiteral("SELECT Description FROM Documents"), QStringLiteral("Description")),
        QStringList{"changed"});
    EXPECT_EQ(actions(), history + QStringList({"Added", "Changed", "Changed"}));
}

} // namespace
