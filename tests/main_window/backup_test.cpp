// File > Back Up Register... in the real window on this run's register (a
// file or a server database): the save dialog's title and proposal, the
// backup written where the user chose and the message saying where and how
// many documents it holds; a backup that cannot be made is named in a
// message box and leaves no file.

#include "list_fixture.h"
#include "platform/dates/today.h"

#include <QFileDialog>

namespace {

/// Answers the next save dialog with `file`, keeping its title and proposal.
void answerSaveDialog(const QString& file, QStringList* seen) {
    whenModal<QFileDialog>([file, seen](QFileDialog* dialog) {
        *seen << dialog->windowTitle() << dialog->selectedFiles().value(0);
        dialog->selectFile(file);
        QMetaObject::invokeMethod(dialog, "accept"); // as the Save button does
    });
}

} // namespace

TEST_F(ListTest, BackUpRegisterFromTheFileMenu) {
    makeDocuments({"Letter"}, {{1, "one"}, {2, "two"}, {3, "three"}});
    const platform::dates::FixedToday today(QDate(2004, 3, 7));
    frmMain& w = startShown();
    auto* backUp = w.findChild<QAction*>(QStringLiteral("mnuFileBackUp"));
    ASSERT_TRUE(backUp);
    EXPECT_EQ(backUp->text().remove('&'), QStringLiteral("Back Up Register..."));

    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("Office backup.MDB"));
    QStringList dialog;
    SeenBox box;
    answerSaveDialog(file, &dialog);
    answerNextBox(&box);
    backUp->trigger();
    EXPECT_EQ(dialog,
              (QStringList{QStringLiteral("Back Up Register"),
                           QDir::home().filePath(QStringLiteral("Veld backup 2004-03-07.MDB"))}));
    EXPECT_EQ(box.title, QStringLiteral("tolvane"));
    EXPECT_TRUE(box.text.contains(file) && box.text.contains(QStringLiteral("3 documents")))
        << box.text.toStdString();
    const auto backup = store::Database::open(file);
    EXPECT_EQ(backup.openRecordset(QStringLiteral("SELECT * FROM Documents"))->recordCount(), 3);

    const QString nowhere = out.filePath(QStringLiteral("gone/backup.MDB"));
    answerSaveDialog(nowhere, &dialog);
    answerNextBox(&box);
    backUp->trigger();
    EXPECT_EQ(box.title, QStringLiteral("tolvane"));
    EXPECT_TRUE(box.text.contains(nowhere)) << box.text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out.filePath(QStringLiteral("gone"))));
}
