#pragma once
// A fresh register for each test, a file in a temporary folder or a server
// database (support/register_place.h: the run decides), with helpers that
// file documents and types through table recordsets the way the program
// does, read a whole result back as a list of texts, and tell which engine
// error an operation raised.

#include "store/database.h"
#include "store/engine_error.h"
#include "store/recordset.h"
#include "support/error_of.h"
#include "support/qt_printers.h"
#include "support/register_place.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

struct Doc {
    int id;
    QString description;
    QVariant date = {}; ///< Null, a QDate or a QDateTime
    QString who = {};
    int type = 0;
    QString note = {};
};

class RegisterTest : public ::testing::Test {
public:
    /// Files a document and returns its RecordPtr.
    static int add(const store::Database& into, const Doc& doc) {
        auto rs = into.openRecordset(QStringLiteral("Documents"), store::RecordsetType::Table);
        rs->addNew();
        rs->setField(QStringLiteral("ID"), doc.id);
        rs->setField(QStringLiteral("Description"), doc.description);
        rs->setField(QStringLiteral("Date"), doc.date);
        rs->setField(QStringLiteral("Who"), doc.who);
        rs->setField(QStringLiteral("DocumentType"), doc.type);
        rs->setField(QStringLiteral("Note"), doc.note);
        rs->update();
        rs->moveLast(); // without an index a table is in RecordPtr order
        return rs->field(QStringLiteral("RecordPtr")).toInt();
    }

    /// The values of one field over a whole result, in order.
    static QStringList column(store::Recordset& rs, const QString& field) {
        QStringList out;
        if (rs.eof())
            return out;
        rs.moveFirst();
        for (; !rs.eof(); rs.moveNext())
            out << rs.field(field).toString();
        return out;
    }

protected:
    void SetUp() override {
        if (!place.unavailable().isEmpty())
            GTEST_SKIP() << place.unavailable().toStdString();
        db = store::Database::create(location());
    }

    /// The register's file name or server URI.
    QString location() const { return place.location(); }
    bool onServer() const { return place.onServer(); }

    int add(const Doc& doc) { return add(db, doc); }

    int addType(const QString& name) {
        auto rs = db.openRecordset(QStringLiteral("Types"), store::RecordsetType::Table);
        rs->addNew();
        rs->setField(QStringLiteral("Type"), name);
        rs->update();
        rs->moveLast();
        return rs->field(QStringLiteral("RecordPtr")).toInt();
    }

    QStringList query(const QString& sql, const QString& field = QStringLiteral("ID")) {
        auto rs = db.openRecordset(sql, store::RecordsetType::Snapshot);
        return column(*rs, field);
    }

    testsupport::RegisterPlace place;
    store::Database db;
};
