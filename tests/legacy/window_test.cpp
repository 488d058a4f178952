// The "Converting" window: its caption and text, shown and painted before
// the first record is filed, and closed when the import ends, also when it
// fails. The QApplication is gui_main.cpp's.

#include "legacy/frm_converting.h"
#include "legacy/legacy_error.h"
#include "legacy_files.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>

using namespace legacy;

namespace {

/// The window, recording whether it was on screen and painted whenever the
/// import reports progress.
class WatchedWindow : public frmConverting {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return frmConverting::event(e);
    }
    void begin() override {
        frmConverting::begin();
        paintedAtBegin = paints;
        visibleAtBegin = isVisible();
    }
    void step(int filed) override {
        visibleAtSteps = visibleAtSteps && isVisible();
        frmConverting::step(filed);
    }
    int paints = 0;
    int paintedAtBegin = 0;
    bool visibleAtBegin = false;
    bool visibleAtSteps = true;
};

class Window : public LegacyFolder {};

TEST_F(Window, ShownAndPaintedBeforeTheWorkAndClosedAfter) {
    QList<LegacyEntry> entries;
    for (int i = 1; i <= 2100; ++i)
        entries << entry(QString::number(i), "doc");
    write(entries);
    auto db = store::Database::create(dir.filePath(QStringLiteral("Veld.MDB")));
    WatchedWindow window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Converting"));
    const auto* label = window.findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("Converting to new database format ... please wait"));
    EXPECT_TRUE(window.findChildren<QAbstractButton*>().isEmpty());

    ConvertLegacyFiles(db, folder(), &window);
    EXPECT_TRUE(window.visibleAtBegin);
    EXPECT_GT(window.paintedAtBegin, 0);
    EXPECT_TRUE(window.visibleAtSteps);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(countOf(db, "Documents"), 2100);
}

TEST_F(Window, ClosedWhenTheImportFails) {
    write({entry("1", "a")});
    QByteArray b = bytes(TableFile);
    b[10] = 0;
    put(TableFile, b);
    auto db = store::Database::create(dir.filePath(QStringLiteral("Veld.MDB")));
    WatchedWindow window;
    EXPECT_THROW(ConvertLegacyFiles(db, folder(), &window), LegacyError);
    EXPECT_TRUE(window.visibleAtBegin);
    EXPECT_FALSE(window.isVisible());
}

} // namespace
