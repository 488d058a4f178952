#pragma once
// Fields and records of a CSV file as RFC 4180 writes them: fields are
// separated by commas and every record ends with CR LF; a field that holds
// a comma, a double quote, a carriage return or a line feed is written
// between double quotes with its quotes doubled, any other field as it is.
// Text only: the caller encodes the record (the list export writes UTF-8).
//
// Cost: one scan of the field, and one more to copy it when it is quoted.

#include <QString>
#include <QStringView>

namespace reports::csv {

inline constexpr QChar Separator = QLatin1Char(',');
inline constexpr QLatin1StringView RecordEnd{"\r\n"};

/// Appends `text` to `record` as one field (no separator).
void appendField(QString& record, QStringView text);

} // namespace reports::csv
