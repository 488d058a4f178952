#pragma once
// Where the tests of a run keep their registers. The same test programs run
// twice under CTest: once on register files, once on server registers
// (environment TOLVANE_BACKEND=server), so every test written against a
// RegisterPlace proves its behaviour on both backends.
//
// A server register lives in a database of its own on the test server that
// scripts/test starts (environment TOLVANE_TEST_PG: the URI of the server's
// maintenance database, as a superuser). Each place makes a fresh database
// and drops it at the end (about 0.2 s); without a test server the place is
// unavailable and the tests skip, saying why.

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

enum class Backend { File, Server };

/// The backend of this run.
Backend testBackend();

/// A fresh, empty place for one register, and a temporary folder beside
/// it (the data folder of a start, the place of other files).
class RegisterPlace {
public:
    RegisterPlace();
    ~RegisterPlace();
    RegisterPlace(const RegisterPlace&) = delete;
    RegisterPlace& operator=(const RegisterPlace&) = delete;

    /// Why no register can be made here (no test server); empty when one can.
    const QString& unavailable() const { return unavailable_; }
    /// The register's file name (Veld.MDB in folder()) or server URI.
    const QString& location() const { return location_; }
    /// A temporary folder that lives as long as the place.
    QString folder() const { return dir_.path(); }
    bool onServer() const { return !database_.isEmpty(); }
    /// The server database's name; empty for a file.
    const QString& database() const { return database_; }

    /// Runs SQL on the test server as its superuser, in the place's own
    /// database (empty `database`) or another; the error text, empty on
    /// success.
    QString serverSql(const QString& sql, const QString& database = {}) const;
    /// The place's URI for another user of the server, or for another
    /// database (empty `database`: the place's own).
    QString uriAs(const QString& user, const QString& password = {},
                  const QString& database = {}) const;

private:
    QTemporaryDir dir_;
    QString location_;
    QString database_; ///< the server database's name; empty for a file
    QString unavailable_;
};

} // namespace testsupport
