#pragma once
// Helpers shared by the bad-input tests: the main window's start-up fixture
// plus reading and writing whole files, a file's bytes cut short, random
// bytes, and every text the list grid shows.

#include "main_window/startup_fixture.h"

#include <QFile>
#include <QRandomGenerator>

namespace hardening {

inline QByteArray readAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << file.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

/// `size` bytes from a fixed seed, so that a failure can be repeated.
inline QByteArray randomBytes(qsizetype size, quint32 seed) {
    QRandomGenerator gen(seed);
    QByteArray out(size, '\0');
    for (char& c : out)
        c = static_cast<char>(gen.bounded(256));
    return out;
}

} // namespace hardening

class HardeningTest : public StartupTest {
public:
    /// Starts a fresh window through startUpOrReport, answering every
    /// message box shown meanwhile; returns the exit status and the boxes'
    /// titles and texts, one line each. Unlike startReporting() it stops
    /// watching when the start returns, so it also suits starts that work.
    std::pair<int, QString> startAnswering() {
        window = std::make_unique<frmMain>();
        QStringList shown;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&shown] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown << box->windowTitle() + QLatin1Char('|') + box->text();
                box->accept();
            }
        });
        poll.start();
        const int status = window->startUpOrReport(options);
        return {status, shown.join(QLatin1Char('\n'))};
    }

    /// Every cell of the list grid, row by row.
    QStringList gridTexts() const {
        QStringList out;
        const QAbstractItemModel* m = window->grdInfo->model();
        for (int r = 0; r < m->rowCount(); ++r)
            for (int c = 0; c < m->columnCount(); ++c)
                out << m->index(r, c).data().toString();
        return out;
    }

    /// Number of rows in the register's Documents table, read afresh.
    int storedDocuments() {
        auto db = store::Database::open(dataFile(QStringLiteral("Veld.MDB")));
        auto rs = db.openRecordset(QStringLiteral("SELECT COUNT(*) AS N FROM Documents"),
                                   store::RecordsetType::Snapshot);
        return rs->field(QStringLiteral("N")).toInt();
    }
};
