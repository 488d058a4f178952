// Server registers: opening, checking and making them (see pg_register.h).

#include "pg_register.h"

#include "../engine_error.h"
#include "pg_connection.h"
#include "pg_schema.h"

#include <libpq-fe.h>

namespace store {

namespace {

enum class Making { Required, Allowed };

/// "The database ..." from "the database ...", to open a sentence.
QString sentence(const QString& text) {
    return text.left(1).toUpper() + text.mid(1);
}

[[noreturn]] void notARegister(PgConnection& c, const QString& problem) {
    throw EngineError(
        err::NotADatabase,
        QStringLiteral("%1 is not a register: %2.").arg(sentence(c.describe()), problem));
}

/// Makes the tables and indexes the register lacks, inside the open
/// transaction; a user who may not create tables is told `refusal`
/// (which names the database), with the server's own words.
void createTables(PgConnection& c, const QString& refusal) {
    try {
        PQclear(c.run(postgres::createStatements(), true));
    } catch (const EngineError& e) {
        if (e.number() != err::NoPermission)
            throw;
        throw EngineError(err::NoPermission, QStringLiteral("%1\n(%2)").arg(refusal, e.text()));
    }
    c.forgetTables();
}

/// Makes the schema on `c` inside its open transaction.
void makeTables(PgConnection& c) {
    createTables(c, QStringLiteral("%1 holds no register yet, and this user may not make one "
                                   "there. Ask the server's administrator to give the database "
                                   "to a user who may create tables in it (see the README).")
                        .arg(sentence(c.describe())));
    // Trigram indexes are a help, not a need: without pg_trgm (or the right
    // to add it) the register works, only its text filters read every row.
    PQclear(c.run(QStringLiteral("SAVEPOINT words"), true));
    try {
        PQclear(c.run(postgres::trigramStatements(), true));
        PQclear(c.run(QStringLiteral("RELEASE SAVEPOINT words"), true));
    } catch (const EngineError&) {
        PQclear(c.run(QStringLiteral("ROLLBACK TO SAVEPOINT words"), true));
    }
    c.forgetTables();
}

/// Adds the tables of later versions to an older register, inside the open
/// transaction.
void addLaterTables(PgConnection& c) {
    createTables(c, QStringLiteral("%1 holds a register of an earlier version, and this user "
                                   "may not add the tables it now needs. Start the program once "
                                   "as the database's owner to bring it up to date.")
                        .arg(sentence(c.describe())));
}

std::shared_ptr<Connection> openMaking(const QString& uri,
                                       const std::function<void(const Database&)>& fill,
                                       Making making, bool* made) {
    auto c = std::make_shared<PgConnection>(uri);
    if (made)
        *made = false;
    // The lock waits for a start that is making the register right now.
    PQclear(c->run(QStringLiteral("BEGIN; SELECT pg_advisory_xact_lock(0, 2)"), true));
    try {
        QString problem;
        switch (postgres::inspect(*c, &problem)) {
        case postgres::Shape::Other:
            notARegister(*c, problem);
        case postgres::Shape::Older:
            addLaterTables(*c);
            [[fallthrough]];
        case postgres::Shape::Register:
            if (making == Making::Required)
                throw EngineError(err::IoError,
                                  QStringLiteral("Cannot make a register in %1: it holds one.")
                                      .arg(c->describe()));
            break;
        case postgres::Shape::Empty:
            makeTables(*c);
            if (fill) {
                c->settingUp = true;
                fill(Database::onConnection(c));
                c->settingUp = false;
            }
            if (made)
                *made = true;
            break;
        }
        c->commit();
    } catch (...) {
        c->settingUp = false;
        c->rollback();
        throw;
    }
    c->learnAccess();
    return c;
}

} // namespace

std::shared_ptr<Connection> openServerRegister(const QString& uri) {
    auto c = std::make_shared<PgConnection>(uri);
    QString problem;
    switch (postgres::inspect(*c, &problem)) {
    case postgres::Shape::Other:
        notARegister(*c, problem);
    case postgres::Shape::Empty:
        throw EngineError(err::FileNotFound,
                          QStringLiteral("%1 holds no register yet.").arg(sentence(c->describe())));
    case postgres::Shape::Older:
        // Brought up to date under the lock that first starts take.
        return openMaking(uri, {}, Making::Allowed, nullptr);
    case postgres::Shape::Register:
        break;
    }
    c->learnAccess();
    return c;
}

std::shared_ptr<Connection> createServerRegister(const QString& uri) {
    return openMaking(uri, {}, Making::Required, nullptr);
}

std::shared_ptr<Connection>
openOrMakeServerRegister(const QString& uri, const std::function<void(const Database&)>& fill,
                         bool* made) {
    return openMaking(uri, fill, Making::Allowed, made);
}

} // namespace store
