// Fuzz target for the server's rewrite of engine SQL
// (store/postgres/pg_sql.h): the input, read as UTF-8, is a statement as a
// caller of the query routines may hand it over.
//
// rewrite() may refuse it with EngineError(SyntaxError) and nothing else.
// Checked on a rewritten statement: it reads back without an open quote or
// name and without a '?' (every parameter became $N); the parameter count
// stays within what the servers take, and every parameter bound as a
// pattern is one of them; without LIKE, the quoted texts go out exactly as
// they came, in the same order. Cost: a few linear scans per input.

#include "fuzz_check.h"
#include "store/engine_error.h"
#include "store/postgres/pg_sql.h"
#include "store/sql_tokens.h"

#include <QStringList>
#include <cstdint>

namespace {

using namespace store;

/// The quoted texts of `sql`, in order, and whether a word LIKE is there.
struct Reading {
    QStringList texts;
    bool like = false;
    bool open = false;
    bool parameter = false;
};

Reading read(const QString& sql) {
    Reading r;
    for (const sql::Token& t : sql::tokenize(sql)) {
        if (t.kind == sql::TokenKind::Text)
            r.texts << t.in(sql).toString();
        r.like = r.like || (t.kind == sql::TokenKind::Word && sql::isKeyword(t.in(sql), u"LIKE"));
        r.open = r.open || t.kind == sql::TokenKind::Open;
        r.parameter = r.parameter || t.kind == sql::TokenKind::Parameter;
    }
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString statement = fuzz::textOf(data, size);
    postgres::RewrittenSql out;
    try {
        out = postgres::rewrite(statement);
    } catch (const EngineError& error) {
        fuzz::check(error.number() == err::SyntaxError, "rewrite refuses with a syntax error");
        fuzz::check(!error.text().isEmpty(), "a refusal says why");
        return 0;
    }
    const Reading in = read(statement);
    const Reading rewritten = read(out.sql);
    fuzz::check(!rewritten.open, "no quote or name is left open");
    fuzz::check(!rewritten.parameter, "every parameter is numbered for the server");
    fuzz::check(out.parameterCount >= 0 && out.parameterCount <= 32766,
                "the parameter count is one the servers take");
    for (const int p : out.patternParams)
        fuzz::check(p >= 1 && p <= out.parameterCount, "a pattern parameter is a parameter");
    if (!in.like)
        fuzz::check(rewritten.texts == in.texts, "quoted texts go out untouched");
    return 0;
}
