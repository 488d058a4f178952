#pragma once
// Test helpers: a temporary folder holding a legacy register made by the
// writer library, with byte-level access for damaging it, and a fresh
// register database to import into.

#include "legacy/legacy_reader.h"
#include "legacy/tools/legacy_writer.h"
#include "store/database.h"
#include "store/recordset.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

/// A live record with the fields most tests vary.
inline legacy::LegacyEntry entry(const QString& id, const QString& description,
                                 const QString& type = {}, const QString& note = {}) {
    legacy::LegacyEntry e;
    e.id = id;
    e.description = description;
    e.date = QStringLiteral("19990315");
    e.type = type;
    e.who = QStringLiteral("Anna Berg");
    e.note = note;
    return e;
}

class LegacyFolder : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString folder() const { return dir.path(); }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    void write(const legacy::LegacyFiles& files) {
        QString error;
        ASSERT_TRUE(legacy::writeLegacyFiles(folder(), files, &error)) << error.toStdString();
    }
    void write(const QList<legacy::LegacyEntry>& entries) {
        write(legacy::buildLegacyFiles(entries));
    }
    QByteArray bytes(const char* name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void put(const char* name, const QByteArray& data) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
    }
    /// A digest of both legacy files and their sizes, to prove them unchanged.
    QByteArray fingerprint() const {
        QCryptographicHash h(QCryptographicHash::Sha256);
        for (const char* name : {legacy::TableFile, legacy::MemoFile}) {
            const QByteArray b = bytes(name);
            h.addData(QByteArray::number(b.size()));
            h.addData(b);
        }
        return h.result();
    }

    QTemporaryDir dir;
};

/// Reads every row of a query back as a list of one field's values.
inline QVariantList columnOf(const store::Database& db, const QString& sql, const QString& field) {
    QVariantList out;
    auto rs = db.openRecordset(sql, store::RecordsetType::Snapshot);
    if (!rs->eof())
        rs->moveFirst();
    for (; !rs->eof(); rs->moveNext())
        out << rs->field(field);
    return out;
}

inline int countOf(const store::Database& db, const char* table) {
    return db.openRecordset(QLatin1String(table), store::RecordsetType::Table)->recordCount();
}
