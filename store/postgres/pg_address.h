#pragma once
// A server register's address: a libpq connection URI
// ("postgresql://clerk@db1/office", "postgres:///office?host=/run/pg"),
// read into the parts messages name, and written back without a password
// wherever it is shown or kept.

#include <QString>

namespace store::postgres {

struct ServerAddress {
    QString host;     ///< server host, or socket folder; "localhost" when none given
    QString database; ///< database name; the user name when none given
    QString user;     ///< user name; the login name when none given
    QString shown;    ///< the URI without its password

    /// "the database 'office' on the server 'db1'"
    QString describe() const;
};

/// Reads a URI; raises EngineError(SyntaxError) for one libpq cannot read.
ServerAddress readAddress(const QString& uri);

} // namespace store::postgres
