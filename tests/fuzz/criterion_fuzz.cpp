// Fuzz target for the FindFirst criterion parser and the date literals it
// reads (store/dialect.h): the input, read as UTF-8, is a criterion.
//
// parseCriterion() may refuse it with EngineError(ExpressionError) and
// nothing else. A parsed criterion has at least one condition, each with a
// field name, one of the known operators and a value; a date value survives
// the trip through its stored form. The input is also read as a date
// literal body and as a stored date, whose values must round-trip the same
// way. Cost: a few linear scans per input.

#include "fuzz_check.h"
#include "store/dialect.h"
#include "store/engine_error.h"

#include <QStringList>
#include <cstdint>

namespace {

using namespace store;

void checkRoundTrip(const QDateTime& value) {
    fuzz::check(value.isValid() && value.timeSpec() == Qt::UTC, "dates are valid UTC carriers");
    const QString stored = dialect::storedDate(value);
    fuzz::check(dialect::fromStoredDate(stored) == value, "a date survives its stored form");
}

void checkConditions(const std::vector<dialect::Condition>& conditions) {
    static const QStringList operators = {
        QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("<"),   QStringLiteral("<="),
        QStringLiteral(">"), QStringLiteral(">="), QStringLiteral("LIKE")};
    fuzz::check(!conditions.empty(), "a criterion has a condition");
    for (const dialect::Condition& c : conditions) {
        fuzz::check(!c.field.isEmpty(), "a condition names a field");
        fuzz::check(operators.contains(c.op), "a condition has a known operator");
        fuzz::check(c.value.isValid(), "a condition has a value");
        if (c.value.typeId() == QMetaType::QDateTime)
            checkRoundTrip(c.value.toDateTime());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzz::textOf(data, size);
    try {
        checkConditions(dialect::parseCriterion(text));
    } catch (const EngineError& error) {
        fuzz::check(error.number() == err::ExpressionError,
                    "a criterion is refused with an expression error");
    }
    if (const std::optional<QDateTime> literal = dialect::parseDateLiteral(text))
        checkRoundTrip(*literal);
    if (const QDateTime stored = dialect::fromStoredDate(text); stored.isValid())
        checkRoundTrip(stored);
    return 0;
}
