#pragma once
// Type names for the report's Type column, in one place. Each distinct
// type number is looked up once per run with the shared lookup fnTypeName
// and remembered for the rest of the run: a report of 10^4 lines over 50
// types then makes 50 lookups instead of 10^4. An unknown type number
// (including 0, "no type") gives an empty text.

#include "store/database.h"

#include <QHash>
#include <QString>

namespace reports {

class TypeNames {
public:
    explicit TypeNames(store::Database db) : db_(std::move(db)) {}

    /// The name of type `recordPtr`, or an empty text.
    QString name(qint16 recordPtr);

private:
    store::Database db_;           ///< the register the types are read from
    QHash<qint16, QString> names_; ///< type number -> name, as looked up this run
};

} // namespace reports
