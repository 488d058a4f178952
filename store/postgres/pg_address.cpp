// Reading server addresses (see pg_address.h).

#include "pg_address.h"

#include "../engine_error.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>
#include <libpq-fe.h>
#include <map>
#include <memory>
#include <unistd.h>

namespace store::postgres {

namespace {

QString loginName() {
    const char* name = ::getlogin();
    if (!name)
        name = ::getenv("USER");
    return QString::fromLocal8Bit(name ? name : "");
}

using Options = std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)>;

/// libpq's reading of a connection string; empty when it cannot read it,
/// with libpq's reason in `error` when asked for.
Options parsed(const QString& text, QString* error = nullptr) {
    char* message = nullptr;
    Options options(PQconninfoParse(text.toUtf8().constData(), &message), PQconninfoFree);
    if (error)
        *error = QString::fromUtf8(message ? message : "out of memory").trimmed();
    PQfreemem(message);
    return options;
}

/// The options given in a connection string, password aside, by keyword.
std::map<QByteArray, QByteArray> givenOptions(const PQconninfoOption* o, QString* password) {
    std::map<QByteArray, QByteArray> given;
    for (; o && o->keyword; ++o) {
        if (!o->val)
            continue;
        if (qstrcmp(o->keyword, "password") == 0) {
            if (password)
                *password = QString::fromUtf8(o->val);
        } else {
            given[o->keyword] = o->val;
        }
    }
    return given;
}

/// The URI as written with its password taken out, following libpq's
/// reading of a URI: the user information runs from "//" to the first '@'
/// before any '/', its password after the first ':'; the parameters follow
/// the first '?' after it, "password" among them however it is encoded.
QString cutPassword(const QString& uri) {
    const int scheme = uri.indexOf(QLatin1String("://"));
    if (scheme < 0)
        return {};
    QString rest = uri.mid(scheme + 3);
    int at = 0;
    while (at < rest.size() && rest[at] != QLatin1Char('@') && rest[at] != QLatin1Char('/'))
        ++at;
    if (at < rest.size() && rest[at] == QLatin1Char('@')) {
        const QString user = rest.left(at).section(QLatin1Char(':'), 0, 0);
        rest = (user.isEmpty() ? QString() : user + QLatin1Char('@')) + rest.mid(at + 1);
    }
    const int query = rest.indexOf(QLatin1Char('?'));
    if (query >= 0) {
        QStringList kept;
        for (const QString& item : rest.mid(query + 1).split(QLatin1Char('&'))) {
            const QString key =
                QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 0, 0).toUtf8());
            if (key != QLatin1String("password"))
                kept << item;
        }
        rest = rest.left(query) +
               (kept.isEmpty() ? QString() : QLatin1Char('?') + kept.join(QLatin1Char('&')));
    }
    return uri.left(scheme + 3) + rest;
}

/// Every option but the password as URI parameters: a form libpq reads as
/// the same address, for what cutPassword() cannot render faithfully.
QString asParameters(const QString& uri, const std::map<QByteArray, QByteArray>& given) {
    QStringList items;
    for (const auto& [key, value] : given)
        items << QString::fromUtf8(key) + QLatin1Char('=') +
                     QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(value)));
    return uri.section(QLatin1String("://"), 0, 0) + QLatin1String(":///?") +
           items.join(QLatin1Char('&'));
}

/// What may be shown of an address libpq cannot read, where the password
/// cannot be told apart: the text after "//" up to the first ':', '@' or
/// '?', which is where a password or the parameters could begin.
QString unreadableShown(const QString& uri) {
    const int scheme = uri.indexOf(QLatin1String("://"));
    if (scheme < 0)
        return QStringLiteral("…");
    QString shown = uri.left(scheme + 3);
    for (const QChar ch : uri.mid(scheme + 3)) {
        if (ch == QLatin1Char(':') || ch == QLatin1Char('@') || ch == QLatin1Char('?'))
            break;
        shown += ch;
    }
    return shown + QStringLiteral("…");
}

/// libpq's reason for not reading an address, without the parts of the
/// address it quotes (between double quotes), which may hold the password.
QString reasonWithoutQuotes(const QString& reason) {
    static const QRegularExpression quoted(QStringLiteral("\".*\""),
                                           QRegularExpression::DotMatchesEverythingOption);
    return QString(reason).replace(quoted, QStringLiteral("\"…\""));
}

} // namespace

QString ServerAddress::describe() const {
    return QStringLiteral("the database '%1' on the server '%2'").arg(database, host);
}

QString shownAddress(const QString& uri) {
    const Options options = parsed(uri);
    if (!options)
        return unreadableShown(uri);
    QString password;
    const auto given = givenOptions(options.get(), &password);
    if (password.isNull())
        return uri;
    const QString cut = cutPassword(uri);
    QString cutPasswordGiven;
    const Options again = parsed(cut);
    if (again && givenOptions(again.get(), &cutPasswordGiven) == given && cutPasswordGiven.isNull())
        return cut;
    return asParameters(uri, given);
}

QString withoutPassword(const QString& text, const QString& uri) {
    QString password;
    if (const Options options = parsed(uri))
        givenOptions(options.get(), &password);
    if (password.isEmpty())
        return text;
    QString shown = text;
    for (const QString& form : {password, QString::fromLatin1(QUrl::toPercentEncoding(password))})
        shown.replace(form, QStringLiteral("…"));
    return shown;
}

ServerAddress readAddress(const QString& uri) {
    QString error;
    const Options options = parsed(uri, &error);
    if (!options)
        throw EngineError(err::SyntaxError,
                          QStringLiteral("'%1' is not a server address the program can read: %2")
                              .arg(unreadableShown(uri), reasonWithoutQuotes(error)));
    ServerAddress a;
    for (PQconninfoOption* o = options.get(); o->keyword; ++o) {
        const QString value = QString::fromUtf8(o->val ? o->val : "");
        if (qstrcmp(o->keyword, "host") == 0)
            a.host = value;
        else if (qstrcmp(o->keyword, "dbname") == 0)
            a.database = value;
        else if (qstrcmp(o->keyword, "user") == 0)
            a.user = value;
    }
    if (a.host.isEmpty())
        a.host = QStringLiteral("localhost");
    if (a.user.isEmpty())
        a.user = loginName();
    if (a.database.isEmpty())
        a.database = a.user;
    a.shown = shownAddress(uri);
    return a;
}

} // namespace store::postgres
