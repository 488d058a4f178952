// Server registers: opening, checking and making them (see pg_register.h).

#include "pg_register.h"

#include "../engine_error.h"
#include "pg_connection.h"
#include "pg_rules.h"
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
        c.run(postgres::createStatements(), true);
    } catch (const EngineError& e) {
        if (e.number() != err::NoPermission)
            throw;
        throw EngineError(err::NoPermission, QStringLiteral("%1\n(%2)").arg(refusal, e.text()));
    }
    c.forgetTables();
}

/// Runs `statements`, which make trigram indexes, inside the open
/// transaction. They are a help, not a need: without pg_trgm (or the right
/// to add it) the register works, only its text filters read every row.
void addTrigramIndexes(PgConnection& c, const QString& statements) {
    if (statements.isEmpty())
        return;
    c.run(QStringLiteral("SAVEPOINT words"), true);
    try {
        c.run(statements, true);
        c.run(QStringLiteral("RELEASE SAVEPOINT words"), true);
    } catch (const EngineError&) {
        c.run(QStringLiteral("ROLLBACK TO SAVEPOINT words"), true);
    }
}

/// Makes the schema on `c` inside its open transaction.
void makeTables(PgConnection& c) {
    createTables(c, QStringLiteral("%1 holds no register yet, and this user may not make one "
                                   "there. Ask the server's administrator to give the database "
                                   "to a user who may create tables in it (see the README).")
                        .arg(sentence(c.describe())));
    addTrigramIndexes(c, postgres::trigramStatements());
}

/// Adds the tables of later versions to an older register, inside the open
/// transaction.
void addLaterTables(PgConnection& c) {
    createTables(c, QStringLiteral("%1 holds a register of an earlier version, and this user "
                                   "may not add the tables it now needs. Start the program once "
                                   "as the database's owner to bring it up to date.")
                        .arg(sentence(c.describe())));
    // The files' text gains its index with the files' tables.
    addTrigramIndexes(c, postgres::fileTextIndexStatements());
    c.forgetTables();
}

/// Gives text columns that still carry the case-blind collation the
/// database's own, so that anybody's SQL may match them. The named indexes
/// on them go first and are made again in the case-blind collation by
/// createTables(); every other index on them (the trigram indexes) the
/// server rebuilds as it was.
void convertColumns(PgConnection& c) {
    QStringList tables;
    for (const schema::Table& t : schema::tables())
        tables << QStringLiteral("'%1'").arg(QString::fromLatin1(t.name).toLower());
    const QString columns =
        QStringLiteral("FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid JOIN "
                       "pg_collation co ON co.oid = a.attcollation WHERE c.relnamespace = "
                       "current_schema()::regnamespace AND c.relkind IN ('r', 'p') AND c.relname "
                       "IN (%1) AND a.attnum > 0 AND NOT a.attisdropped AND NOT "
                       "co.collisdeterministic")
            .arg(tables.join(QStringLiteral(", ")));
    // The server refuses to change a column that a view reads: such views
    // are named, and the register stays as it is.
    const PgResult views = c.run(
        QStringLiteral("SELECT string_agg(DISTINCT v.oid::regclass::text, ', ') FROM pg_depend d "
                       "JOIN pg_rewrite w ON w.oid = d.objid JOIN pg_class v ON v.oid = "
                       "w.ev_class WHERE d.classid = 'pg_rewrite'::regclass AND d.refclassid = "
                       "'pg_class'::regclass AND v.oid <> d.refobjid AND (d.refobjid, "
                       "d.refobjsubid) IN (SELECT a.attrelid, a.attnum %1)")
            .arg(columns),
        true);
    const QString readers = QString::fromUtf8(PQgetvalue(views.get(), 0, 0));
    if (!readers.isEmpty())
        throw EngineError(
            err::NoPermission,
            QStringLiteral("%1 holds a register of an earlier version, whose texts this version "
                           "keeps in another collation, and the views %2 read them, so they "
                           "cannot be changed. Drop those views, start the program once as the "
                           "database's owner, and make them again. Nothing was changed.")
                .arg(sentence(c.describe()), readers));
    const PgResult r =
        c.run(QStringLiteral("SELECT quote_ident(c.relname), quote_ident(a.attname), "
                             "format_type(a.atttypid, a.atttypmod) %1 ORDER BY c.relname, a.attnum")
                  .arg(columns),
              true);
    QStringList sql{QStringLiteral("DROP INDEX IF EXISTS %1")
                        .arg(postgres::caseBlindIndexes().join(QStringLiteral(", ")))};
    for (int i = 0; i < PQntuples(r.get()); ++i)
        sql << QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2 TYPE %3 COLLATE \"default\"")
                   .arg(QString::fromUtf8(PQgetvalue(r.get(), i, 0)),
                        QString::fromUtf8(PQgetvalue(r.get(), i, 1)),
                        QString::fromUtf8(PQgetvalue(r.get(), i, 2)));
    c.run(sql.join(QStringLiteral(";\n")), true);
    c.forgetTables();
}

/// Brings a register of an earlier version up to date as its owner opens
/// it, inside the open transaction: all of it or, on any failure, nothing.
void bringUpToDate(PgConnection& c, const postgres::Inspection& found) {
    if (found.caseBlindColumns)
        convertColumns(c);
    addLaterTables(c);
    postgres::installRules(c);
    c.setServerHistory(true);
}

std::shared_ptr<Connection> openMaking(const QString& uri,
                                       const std::function<void(const Database&)>& fill,
                                       Making making, bool* made) {
    auto c = std::make_shared<PgConnection>(uri);
    if (made)
        *made = false;
    // The lock waits for a start that is making the register right now.
    c->run(QStringLiteral("BEGIN; SELECT pg_advisory_xact_lock(0, 2)"), true);
    try {
        const postgres::Inspection found = postgres::inspect(*c);
        switch (found.shape) {
        case postgres::Shape::Other:
            notARegister(*c, found.problem);
        case postgres::Shape::Older:
            // Only the owner may alter the tables; another user adds a
            // missing table where the server lets them, or works on with
            // the register as it is until its owner opens it.
            if (found.owner)
                bringUpToDate(*c, found);
            else if (found.tablesMissing)
                addLaterTables(*c);
            [[fallthrough]];
        case postgres::Shape::Register:
            if (making == Making::Required)
                throw EngineError(err::IoError,
                                  QStringLiteral("Cannot make a register in %1: it holds one.")
                                      .arg(c->describe()));
            if (found.shape == postgres::Shape::Register || !found.owner)
                c->setServerHistory(found.serverHistory);
            break;
        case postgres::Shape::Empty:
            makeTables(*c);
            if (fill) {
                const RegisterMaking setUp(*c);
                fill(Database::onConnection(c));
            }
            // The rules come after the load: what it filed has no history.
            postgres::installRules(*c);
            c->setServerHistory(true);
            if (made)
                *made = true;
            break;
        }
        c->commit();
    } catch (...) {
        c->rollback();
        throw;
    }
    c->learnAccess();
    return c;
}

} // namespace

std::shared_ptr<Connection> openServerRegister(const QString& uri) {
    auto c = std::make_shared<PgConnection>(uri);
    const postgres::Inspection found = postgres::inspect(*c);
    switch (found.shape) {
    case postgres::Shape::Other:
        notARegister(*c, found.problem);
    case postgres::Shape::Empty:
        throw EngineError(err::FileNotFound,
                          QStringLiteral("%1 holds no register yet.").arg(sentence(c->describe())));
    case postgres::Shape::Older:
        // Brought up to date under the lock that first starts take.
        if (found.owner || found.tablesMissing)
            return openMaking(uri, {}, Making::Allowed, nullptr);
        break;
    case postgres::Shape::Register:
        break;
    }
    c->setServerHistory(found.serverHistory);
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
