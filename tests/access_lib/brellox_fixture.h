#pragma once
// A fresh register and a private component registry with Brellox and the
// blank-test component registered, and a clsAccess made by class identity,
// for each test. Helpers open recordsets and read their IDs.

#include "access_lib/blank_test/blank_test.h"
#include "access_lib/brellox.h"
#include "platform/com/library_loader.h"
#include "platform/com/server_exports.h"
#include "platform/private_registry.h"

class BrelloxTest : public PrivateRegistry {
protected:
    void SetUp() override {
        PrivateRegistry::SetUp();
        ASSERT_EQ(callExport(BRELLOX_LIBRARY, "DllRegisterServer"), com::S_OK);
        ASSERT_EQ(callExport(BLANKTEST_LIBRARY, "DllRegisterServer"), com::S_OK);
        db = store::Database::create(path(QStringLiteral("Veld.MDB")));
        database = brellox::wrapDatabase(db);
        ASSERT_EQ(com::CoCreateInstance(brellox::CLSID_clsAccess, brellox::IID_clsAccess,
                                        access.putVoid()),
                  com::S_OK);
    }

    /// Calls one of a server library's exports in this process.
    static com::HRESULT callExport(const char* library, const char* name) {
        void* handle = nullptr;
        const com::HRESULT hr = com::loadLibrary(QString::fromLatin1(library), &handle);
        if (com::failed(hr))
            return hr;
        const auto fn =
            reinterpret_cast<com::DllRegisterServerFn>(com::librarySymbol(handle, name));
        return fn ? fn() : com::CO_E_ERRORINDLL;
    }

    /// Files documents with IDs 1..n; the odd ones are Smith's, dated in
    /// 2001 (m/1/2001 for ID m), the even ones Jones's, dated 2002.
    void addDocuments(int n) {
        for (int id = 1; id <= n; ++id)
            db.execute(QStringLiteral("INSERT INTO Documents (ID, Description, Who, Date) "
                                      "VALUES (%1, 'doc %1', '%2', '%3-%4-01')")
                           .arg(id)
                           .arg(id % 2 ? QStringLiteral("Smith") : QStringLiteral("Jones"))
                           .arg(id % 2 ? 2001 : 2002)
                           .arg(id, 2, 10, QLatin1Char('0')));
    }

    com::Ptr<brellox::IEngineRecordset>
    open(const QString& source, store::RecordsetType type = store::RecordsetType::Snapshot) {
        return brellox::wrapRecordset(db.openRecordset(source, type));
    }

    /// The IDs of a whole result, in order; leaves it past the end.
    static QList<int> ids(store::Recordset& rs) {
        QList<int> out;
        if (rs.eof() && rs.bof())
            return out;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            out << rs.field(QStringLiteral("ID")).toInt();
        return out;
    }

    store::Database db;
    com::Ptr<brellox::IEngineDatabase> database;
    com::Ptr<brellox::_clsAccess> access;
};
