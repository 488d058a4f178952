#pragma once
// A started, shown main window over a register of documents chosen by the
// test (with types), the query library registered in private component
// registries, and helpers to answer the message boxes the commands show.

#include "modal_answers.h"
#include "platform/com/library_loader.h"
#include "platform/com/server_exports.h"
#include "startup_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <optional>

/// One document of a test register; Null where a value is not given.
struct Doc {
    int id;
    QString description;
    QString who = {};
    QString note = {};
    QString isoDate = {}; ///< "2004-03-01"; empty for a Null date
    int type = 0;
};

class ListTest : public StartupTest {
public:
    void SetUp() override {
        StartupTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(registry.isValid());
        qputenv("TOLVANE_COM_REGISTRY",
                QFile::encodeName(registry.filePath(QStringLiteral("com-registry"))));
        // Not the build's own machine-wide registry, where the build
        // registers the query library: each test says whether it has one.
        qputenv("TOLVANE_COM_MACHINE_REGISTRY",
                QFile::encodeName(registry.filePath(QStringLiteral("machine-registry"))));
    }

    void TearDown() override {
        StartupTest::TearDown();
        qunsetenv("TOLVANE_COM_REGISTRY");
        qunsetenv("TOLVANE_COM_MACHINE_REGISTRY");
    }

    /// Puts the query library into the private registry.
    static void registerLibrary() {
        void* handle = nullptr;
        ASSERT_EQ(com::loadLibrary(QStringLiteral(BRELLOX_LIBRARY), &handle), com::S_OK);
        const auto fn = reinterpret_cast<com::DllRegisterServerFn>(
            com::librarySymbol(handle, "DllRegisterServer"));
        ASSERT_TRUE(fn);
        ASSERT_EQ(fn(), com::S_OK);
    }

    /// A register with `types` (RecordPtr 1, 2, ... in this order) and `docs`.
    void makeDocuments(const QStringList& types, const QList<Doc>& docs) {
        auto db = store::Database::create(registerLocation());
        auto typeRows = db.openRecordset(QStringLiteral("Types"), store::RecordsetType::Table);
        for (const QString& t : types) {
            typeRows->addNew();
            typeRows->setField(QStringLiteral("Type"), t);
            typeRows->update();
        }
        auto rows = db.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        for (const Doc& d : docs) {
            const auto text = [](const QString& s) {
                return s.isNull() ? QVariant() : QVariant(s);
            };
            rows->addNew();
            rows->setField(QStringLiteral("ID"), d.id);
            rows->setField(QStringLiteral("Description"), text(d.description));
            rows->setField(QStringLiteral("Who"), text(d.who));
            rows->setField(QStringLiteral("Note"), text(d.note));
            rows->setField(QStringLiteral("Date"),
                           d.isoDate.isEmpty()
                               ? QVariant()
                               : QVariant(QDate::fromString(d.isoDate, Qt::ISODate)));
            rows->setField(QStringLiteral("DocumentType"), d.type);
            rows->update();
        }
        // The register as it stood before the test: a server's entries for
        // the rows just filed are not part of it.
        db.execute(QStringLiteral("DELETE FROM DocumentHistory"));
    }

    /// The list's current document's RecordPtr, or -1 when none.
    qint64 currentRecordPtr() const {
        window->waitForList();
        auto rs = window->dtaDocuments->recordset();
        if (rs->eof() || rs->bof() || rs->absolutePosition() < 0)
            return -1;
        return rs->field(QStringLiteral("RecordPtr")).toLongLong();
    }

    /// The list's current document's ID, or -1 when none.
    int currentId() const {
        window->waitForList();
        auto rs = window->dtaDocuments->recordset();
        if (rs->eof() || rs->bof() || rs->absolutePosition() < 0)
            return -1;
        return rs->field(QStringLiteral("ID")).toInt();
    }

    /// Clicks grid row `row` as the user would.
    void clickRow(int row) {
        window->grdInfo->scrollTo(window->grdInfo->model()->index(row, 0));
        const QRect r = window->grdInfo->visualRect(window->grdInfo->model()->index(row, 0));
        QTest::mouseClick(window->grdInfo->viewport(), Qt::LeftButton, {}, r.center());
    }

    /// Types into a text filter and lets the list catch up: the re-run
    /// the keys started is waited for.
    void typeInto(QLineEdit* box, const QString& text) {
        QTest::keyClicks(box, text);
        QCoreApplication::processEvents();
        window->waitForList();
    }
    void keyInto(QLineEdit* box, Qt::Key key, int times = 1) {
        for (int k = 0; k < times; ++k) {
            QTest::keyClick(box, key);
            QCoreApplication::processEvents();
            window->waitForList();
        }
    }

    /// First and last grid rows in view.
    std::pair<int, int> rowsInView() const {
        window->waitForList();
        const auto* g = window->grdInfo;
        const int last = g->rowAt(g->viewport()->height() - 1);
        return {g->rowAt(0), last < 0 ? g->model()->rowCount() - 1 : last};
    }

    /// Runs `action`, answering every box it shows with `button`; returns
    /// the boxes in order.
    template <class F> QList<SeenBox> answering(QMessageBox::StandardButton button, F action) {
        BoxAnswerer boxes(button);
        action();
        return boxes.seen();
    }

    QTemporaryDir registry;
};
