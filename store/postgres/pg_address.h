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

/// Reads a URI; raises EngineError(SyntaxError) for one libpq cannot read
/// (the message quotes neither the address's password nor libpq's words
/// about it).
ServerAddress readAddress(const QString& uri);

/// The URI as it may be shown or logged: as written, without its password
/// (in the user information or as a parameter), read as libpq reads it,
/// multi-host lists and passwords holding '#' or '?' included. Of an
/// address libpq cannot read, only what lies before a password could
/// begin.
QString shownAddress(const QString& uri);

/// `text` with the password of `uri`, if it has one, blotted out wherever
/// it appears: for the words of a server or of libpq, which may quote an
/// address.
QString withoutPassword(const QString& text, const QString& uri);

} // namespace store::postgres
