// The background reader of stored files' text, on a register: every
// pending content read and its words stored, a file of no kind read here
// and a damaged one marked with the reason, a reader stopped mid-way
// leaving its file to the next one.

#include "platform/documents/file_reader.h"
#include "session/file_text_reader.h"
#include "store/document_files.h"
#include "store/document_filing.h"
#include "support/register_fixture.h"

#include <QBuffer>
#include <atomic>

namespace {

/// A one-page PDF with a text layer, written out by hand.
QByteArray pdfSaying(const QByteArray& words) {
    const QByteArray content = "BT /F1 24 Tf 72 700 Td (" + words + ") Tj ET";
    return "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
           "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
           "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
           "/Resources << /Font << /F1 5 0 R >> >> >> endobj\n"
           "4 0 obj << /Length " +
           QByteArray::number(content.size()) + " >>\nstream\n" + content +
           "\nendstream endobj\n"
           "5 0 obj << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> endobj\n"
           "trailer << /Root 1 0 R >>\n%%EOF\n";
}

class FileTextReaderTest : public RegisterTest {
protected:
    store::StagedFile stage(const QByteArray& data, const QString& name) {
        QBuffer buffer;
        buffer.setData(data);
        EXPECT_TRUE(buffer.open(QIODevice::ReadOnly));
        return store::stageFile(db, buffer, name);
    }
    void fileWith(int id, const std::vector<store::StagedFile>& files) {
        auto rs = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        rs->addNew();
        store::DocumentEntry entry;
        entry.id = QString::number(id);
        entry.description = QStringLiteral("minutes");
        entry.date = QDate(2026, 3, 4);
        entry.attach = files;
        ASSERT_EQ(store::fileDocument(*rs, entry).outcome, store::Filing::Stored);
    }
    QStringList contents(const QString& field) {
        return query(QStringLiteral("SELECT * FROM FileContents ORDER BY ContentPtr"), field);
    }
};

} // namespace

TEST_F(FileTextReaderTest, ReadsEveryPendingFileAndMarksWhatItCannot) {
    const auto pdf =
        stage(pdfSaying("Hedgehog census of the lower fields"), QStringLiteral("a.pdf"));
    const auto other = stage(QByteArray(5000, '\0'), QStringLiteral("notes.bin"));
    const auto damaged = stage(pdfSaying("never shown"), QStringLiteral("b.pdf"));
    const auto mail = stage(QByteArray("Subject: minutes\n\nThe quarterly minutes.\n"),
                            QStringLiteral("minutes.eml"));
    fileWith(1, {pdf, other, damaged, mail});
    // A chunk that went missing: the content no longer matches its hash.
    db.execute(QStringLiteral("UPDATE FileChunks SET Seq = Seq + 100 WHERE ContentPtr = %1")
                   .arg(damaged.contentPtr));
    {
        // Stopped at once: what it had reserved stays for the next reader.
        session::FileTextReader early(location());
        early.start();
    }
    session::FileTextReader reader(location());
    std::atomic<int> stored{0};
    QObject::connect(
        &reader, &session::FileTextReader::textStored, &reader, [&stored](qint64) { ++stored; },
        Qt::DirectConnection);
    QString failure;
    QObject::connect(
        &reader, &session::FileTextReader::failed, &reader,
        [&failure](const QString& message) { failure = message; }, Qt::DirectConnection);
    reader.start();
    ASSERT_TRUE(reader.waitForIdle(60000));
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    EXPECT_GE(stored.load(), 3);

    const QStringList states = contents(QStringLiteral("TextState"));
    const QStringList notes = contents(QStringLiteral("TextNote"));
    const QStringList texts = contents(QStringLiteral("Text"));
    ASSERT_EQ(states.size(), 4);
    EXPECT_EQ(states[0], QString::number(int(store::TextState::Extracted)));
    EXPECT_TRUE(texts[0].contains(QStringLiteral("Hedgehog census"))) << texts[0].toStdString();
    EXPECT_EQ(states[1], QString::number(int(store::TextState::Unreadable)));
    EXPECT_FALSE(notes[1].isEmpty());
    EXPECT_EQ(states[2], QString::number(int(store::TextState::Unreadable)));
    EXPECT_FALSE(notes[2].isEmpty());
    EXPECT_TRUE(texts[2].isEmpty());
    EXPECT_EQ(states[3], QString::number(int(store::TextState::Extracted)));
    EXPECT_TRUE(texts[3].contains(QStringLiteral("quarterly minutes")));

    // A file filed later is read once the reader is woken.
    const auto later = stage(pdfSaying("Quarterly drainage"), QStringLiteral("c.pdf"));
    fileWith(2, {later});
    reader.wake();
    ASSERT_TRUE(reader.waitForIdle(60000));
    EXPECT_TRUE(contents(QStringLiteral("Text")).join(' ').contains(QStringLiteral("drainage")));

    // Marked by a copy without OCR as needing it: a reader that has OCR
    // reads the file again from its start.
    if (!documents::canReadScans())
        return;
    store::storeFileText(db, later.contentPtr, store::TextState::NoReader, QStringLiteral("-"));
    session::FileTextReader again(location());
    again.start();
    ASSERT_TRUE(again.waitForIdle(60000));
    reader.wake();
    ASSERT_TRUE(reader.waitForIdle(60000));
    EXPECT_EQ(contents(QStringLiteral("TextState")).last(),
              QString::number(int(store::TextState::Extracted)));
}
