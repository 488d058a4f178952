#pragma once
// Translation of the program's SQL dialect into SQLite's, in one place.
//
// The windows write their statements in the dialect of the desktop engine
// the program was designed for: date literals between '#' signs written
// month first (#3/7/2004#), "SELECT TOP n ...", LIKE patterns with '*', '?',
// '#' and '[...]', text values between single quotes. translate() turns such
// a statement into SQLite's dialect: a date literal becomes the ISO text the
// schema stores ('2004-03-07'), TOP n becomes a trailing LIMIT n, and LIKE
// keeps its operator (the connection's like() function understands the
// desktop patterns, see text_match.h). Quoted texts, identifiers and
// comments pass through unchanged; the statement is read as sql_tokens.h
// reads it.
//
// Criteria for Recordset::findFirst are parsed, not translated: each
// "Field op value" becomes a Condition whose value is bound, never spliced.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <optional>
#include <vector>

namespace store::dialect {

/// Translates a statement; raises EngineError(SyntaxError) for a malformed
/// date literal, an unterminated quote or '#', or a TOP without a number.
QString translate(const QString& statement);

/// The parts of a translated single-table SELECT whose rows can be reached
/// by row id: "SELECT <columns> FROM <table> <tail>". Empty for statements
/// with aggregates, DISTINCT, GROUP BY, joins, sub-queries or comments.
struct SelectShape {
    QString columns; ///< the select list as written ("*", "Type, RecordPtr")
    QString table;   ///< the one table, unquoted
    QString tail;    ///< everything after the table name (WHERE/ORDER/LIMIT)
};
std::optional<SelectShape> analyseSelect(const QString& translated);

/// `tail` (engine SQL) with each reference to a column of `names`, bare or
/// quoted, letter case ignored, written as `pattern` ("f(%1)"); function
/// calls of the same name, qualified names and quoted texts stay as they
/// are.
QString wrapNames(const QString& tail, const QStringList& names, const QString& pattern);

/// Reads the body of a date literal: "m/d/yyyy" with optional leading zeros
/// and a two-digit year read as the desktop engine reads it (00-29 as
/// 20xx, 30-99 as 19xx), optionally followed by a time "h:mm[:ss] [AM|PM]".
std::optional<QDateTime> parseDateLiteral(const QString& body);

/// The stored form of a date value: "yyyy-MM-dd", with " hh:mm:ss" when it
/// has a time of day.
QString storedDate(const QDateTime& value);
/// Reads a stored date back: the stored form, and the other forms of a date
/// SQLite's date functions read (stored_date.cpp); an invalid QDateTime for
/// text that is no date.
QDateTime fromStoredDate(const QString& text);
/// A date stored as a number: SQLite's Julian day number; invalid outside
/// the years 1 to 9999.
QDateTime fromJulianDay(double day);

/// A LIKE pattern that matches `text` itself, letter case ignored: the
/// pattern characters '*', '?', '#' and '[' each stand in a class of their
/// own ("[*]"). Append '*' for "begins with".
QString literalPattern(const QString& text);

/// One comparison of a criterion.
struct Condition {
    QString field;  ///< as written; matched without regard to case
    QString op;     ///< "=", "<>", "<", "<=", ">", ">=" or "LIKE"
    QVariant value; ///< number, text or date (QDateTime, UTC carrier)
};

/// Parses "Field op value [AND Field op value ...]". Values are whole or
/// decimal numbers, texts between single quotes (a doubled quote stands for
/// one), date literals, or "?" for the next of `parameters`. Raises
/// EngineError(ExpressionError), also for a "?" without a value.
std::vector<Condition> parseCriterion(const QString& criterion,
                                      const QVariantList& parameters = {});

} // namespace store::dialect
