// Reading stored files through the helper: the text and first page of a
// PDF, OCR of a scan, and hostile files, each ending with an outcome and a
// message in time; the helper's reply checked before it is believed.

#include "made_files.h"
#include "platform/documents/file_reader.h"
#include "platform/documents/reader_protocol.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace documents;

namespace {

class Reading : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file(const QString& name) const { return dir.filePath(name); }
};

/// The outcome of a hostile file: not a picture or text, a message, and
/// no longer than the time allowed (plus the helper's start and end).
void expectRefused(const TextRead& read, const QElapsedTimer& clock, int seconds) {
    EXPECT_NE(read.outcome, ReadOutcome::Done) << read.text.left(80).toStdString();
    EXPECT_FALSE(read.note.isEmpty());
    EXPECT_LT(clock.elapsed(), (seconds + 3) * 1000);
}

} // namespace

TEST_F(Reading, PdfTextLayerAndFirstPage) {
    const QString path = file(QStringLiteral("letter.pdf"));
    ASSERT_TRUE(made::pdf(path, QStringLiteral("Quarterly hedgehog census"), 3));
    const TextRead text = readText(path, QStringLiteral("letter.pdf"));
    ASSERT_EQ(text.outcome, ReadOutcome::Done) << text.note.toStdString();
    EXPECT_TRUE(text.text.contains(QStringLiteral("hedgehog census page 3")))
        << text.text.toStdString();

    ReadLimits onePage;
    onePage.pages = 1;
    const TextRead first = readText(path, QStringLiteral("letter.pdf"), onePage);
    EXPECT_FALSE(first.text.contains(QStringLiteral("page 2")));
    EXPECT_TRUE(first.note.contains(QStringLiteral("first 1 of its 3 pages")));

    const PreviewRead preview = readPreview(path, QStringLiteral("letter.pdf"), QSize(300, 300));
    ASSERT_EQ(preview.outcome, ReadOutcome::Done) << preview.note.toStdString();
    EXPECT_EQ(preview.image.height(), 300); // A4 stands upright
    EXPECT_NEAR(preview.image.width(), 212, 2);
    EXPECT_EQ(preview.image.pixelColor(5, 5), QColor(Qt::white));

    const QString picture = file(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(made::wordPicture(QStringLiteral("x")).save(picture, "JPEG"));
    const PreviewRead photo = readPreview(picture, QStringLiteral("photo.jpg"), QSize(360, 360));
    ASSERT_EQ(photo.outcome, ReadOutcome::Done) << photo.note.toStdString();
    EXPECT_EQ(photo.image.size(), QSize(360, 100));
}

TEST_F(Reading, ScansByOcr) {
    const QString png = file(QStringLiteral("scan.png"));
    ASSERT_TRUE(made::wordPicture(QStringLiteral("INVOICE 4711")).save(png, "PNG"));
    const TextRead read = readText(png, QStringLiteral("scan.png"));
    if (!canReadScans()) {
        EXPECT_EQ(read.outcome, ReadOutcome::NoReader);
        GTEST_SKIP() << "no OCR on this machine";
    }
    ASSERT_EQ(read.outcome, ReadOutcome::Done) << read.note.toStdString();
    EXPECT_TRUE(read.text.contains(QStringLiteral("INVOICE 4711"))) << read.text.toStdString();

    // A PDF whose page is a picture without a text layer.
    const QString pdf = file(QStringLiteral("scanned.pdf"));
    ASSERT_TRUE(made::pdf(pdf, QStringLiteral("RECEIPT"), 1, true));
    const TextRead scanned = readText(pdf, QStringLiteral("scanned.pdf"));
    ASSERT_EQ(scanned.outcome, ReadOutcome::Done) << scanned.note.toStdString();
    EXPECT_TRUE(scanned.text.contains(QStringLiteral("RECEIPT"))) << scanned.text.toStdString();

    // Noise keeps OCR busy for long: the helper is ended at the limit.
    QImage noise(2500, 2500, QImage::Format_Grayscale8);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.scanLine(y)[x] = uchar((x * 7919 + y * 104729 + (x ^ y) * 31) % 251);
    const QString slow = file(QStringLiteral("noise.png"));
    ASSERT_TRUE(noise.save(slow, "PNG"));
    ReadLimits oneSecond;
    oneSecond.seconds = 1;
    QElapsedTimer clock;
    clock.start();
    const TextRead stopped = readText(slow, QStringLiteral("noise.png"), oneSecond);
    EXPECT_EQ(stopped.outcome, ReadOutcome::OverLimits) << stopped.note.toStdString();
    EXPECT_TRUE(stopped.note.contains(QStringLiteral("longer than allowed (1 s)")));
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST_F(Reading, HostileFilesEndInTimeWithAMessage) {
    ReadLimits limits;
    limits.seconds = 5;
    limits.memoryBytes = qint64(512) << 20;
    QElapsedTimer clock;

    const QString malformed = file(QStringLiteral("malformed.pdf"));
    ASSERT_TRUE(made::write(malformed, "%PDF-1.7\n1 0 obj << /Type /Catalog /Pages 9 0 R >>\n"
                                       "xref\n0 99999999\ntrailer << /Root 1 0 R /Size -4 >>\n"));
    clock.start();
    expectRefused(readText(malformed, QStringLiteral("malformed.pdf"), limits), clock, 5);
    const PreviewRead page =
        readPreview(malformed, QStringLiteral("m.pdf"), QSize(100, 100), limits);
    EXPECT_EQ(page.outcome, ReadOutcome::Unreadable);
    EXPECT_TRUE(page.image.isNull());

    // A picture whose header never ends: comment lines for megabytes.
    const QString endless = file(QStringLiteral("endless.ppm"));
    QByteArray header("P6\n");
    while (header.size() < (24 << 20))
        header += "# and so on and so on and so on\n";
    ASSERT_TRUE(made::write(endless, header));
    clock.start();
    const PreviewRead picture =
        readPreview(endless, QStringLiteral("e.ppm"), QSize(100, 100), limits);
    EXPECT_NE(picture.outcome, ReadOutcome::Done);
    EXPECT_FALSE(picture.note.isEmpty());
    EXPECT_LT(clock.elapsed(), 8000);

    // A picture claiming 100000 by 100000 pixels.
    QByteArray huge;
    {
        QBuffer buffer(&huge);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
        ASSERT_TRUE(made::wordPicture(QStringLiteral("x")).scaled(8, 8).save(&buffer, "PNG"));
    }
    huge.replace(16, 8, QByteArray("\x00\x01\x86\xa0\x00\x01\x86\xa0", 8)); // IHDR width, height
    const QString giant = file(QStringLiteral("giant.png"));
    ASSERT_TRUE(made::write(giant, huge));
    const PreviewRead big =
        readPreview(giant, QStringLiteral("giant.png"), QSize(100, 100), limits);
    EXPECT_NE(big.outcome, ReadOutcome::Done);
    EXPECT_FALSE(big.note.isEmpty());

    // A zip bomb named as a PDF, and a PDF whose page, deflated twice, inflates to 96 MB.
    const QString zip = file(QStringLiteral("bomb.pdf"));
    ASSERT_TRUE(made::write(zip, made::zipBomb(qsizetype(128) << 20)));
    clock.start();
    expectRefused(readText(zip, QStringLiteral("bomb.pdf"), limits), clock, 5);

    const QByteArray stream = qCompress(QByteArray(qsizetype(96) << 20, ' '), 9).mid(4);
    QByteArray bomb = "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                      "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
                      "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
                      "/Contents 4 0 R >> endobj\n4 0 obj << /Length " +
                      QByteArray::number(qCompress(stream, 9).size() - 4) +
                      " /Filter [/FlateDecode /FlateDecode] >>\nstream\n";
    bomb += qCompress(stream, 9).mid(4);
    bomb += "\nendstream endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n";
    const QString inflating = file(QStringLiteral("inflating.pdf"));
    ASSERT_TRUE(made::write(inflating, bomb));
    clock.start();
    const TextRead text = readText(inflating, QStringLiteral("inflating.pdf"), limits);
    EXPECT_TRUE(text.outcome != ReadOutcome::Done || text.text.trimmed().isEmpty());
    EXPECT_LT(clock.elapsed(), 8000);
    const PreviewRead shown =
        readPreview(inflating, QStringLiteral("i.pdf"), QSize(60, 60), limits);
    EXPECT_TRUE(shown.outcome == ReadOutcome::Done || !shown.note.isEmpty());
}

TEST(ReaderReply, OnlyAWholeConsistentReplyIsBelieved) {
    protocol::Reply text;
    text.outcome = ReadOutcome::Done;
    text.text = QStringLiteral("Grüße");
    text.note = QStringLiteral("note");
    const QByteArray bytes = protocol::encodeReply(text);
    const auto back = protocol::parseReply(bytes, QSize());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->text, text.text);
    EXPECT_EQ(back->note, text.note);
    EXPECT_FALSE(protocol::parseReply(bytes.chopped(1), QSize()));
    EXPECT_FALSE(protocol::parseReply(bytes + "x", QSize()));

    protocol::Reply picture;
    picture.outcome = ReadOutcome::Done;
    picture.image = QImage(40, 30, QImage::Format_ARGB32);
    picture.image.fill(Qt::red);
    const QByteArray image = protocol::encodeReply(picture);
    const auto shown = protocol::parseReply(image, QSize(40, 30));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->image.pixelColor(39, 29), QColor(Qt::red));
    EXPECT_FALSE(protocol::parseReply(image, QSize(39, 30))); // larger than asked
    EXPECT_FALSE(protocol::parseReply(image, QSize()));       // no picture asked
    QByteArray lying = image;
    lying.replace("image 40 30", "image 40 31");
    EXPECT_FALSE(protocol::parseReply(lying, QSize(100, 100)));
}
