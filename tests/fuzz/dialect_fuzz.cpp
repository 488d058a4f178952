// Fuzz target for the SQL dialect translation (store/dialect.h): the input,
// read as UTF-8, is a statement in the program's dialect.
//
// translate() may refuse it with EngineError(SyntaxError) and nothing else;
// a translated statement is then analysed by analyseSelect(), and so is the
// raw input (analyseSelect reads any text). Checked: a keyable shape names
// a table and a select list, and its tail is the end of the statement it
// came from; translation leaves no date literal and no open quote behind, so
// translating the result again can only refuse a second TOP. Cost: a few
// linear scans per input.

#include "fuzz_check.h"
#include "store/dialect.h"
#include "store/engine_error.h"

#include <cstdint>

namespace {

using namespace store;

void checkShape(const QString& statement) {
    const std::optional<dialect::SelectShape> shape = dialect::analyseSelect(statement);
    if (!shape)
        return;
    fuzz::check(!shape->table.isEmpty(), "a keyable SELECT names its table");
    fuzz::check(!shape->columns.isEmpty(), "a keyable SELECT has a select list");
    fuzz::check(statement.endsWith(shape->tail), "the tail is the end of the statement");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString statement = fuzz::textOf(data, size);
    checkShape(statement);
    QString translated;
    try {
        translated = dialect::translate(statement);
    } catch (const EngineError& error) {
        fuzz::check(error.number() == err::SyntaxError, "translate refuses with a syntax error");
        fuzz::check(!error.text().isEmpty(), "a refusal says why");
        return 0;
    }
    checkShape(translated);

    // Translating again: the quoted dates and the LIMIT it wrote read as
    // plain SQL, so any refusal now can only come from a TOP the first
    // pass left in place, never from a date.
    try {
        dialect::translate(translated);
    } catch (const EngineError& error) {
        fuzz::check(error.text().startsWith(QLatin1String("Syntax error in TOP clause")) ||
                        error.text().startsWith(QLatin1String("TOP n PERCENT")),
                    "no date literal or open quote survives translation");
    }
    return 0;
}
