// Type names for the report: see type_names.h.

#include "type_names.h"

#include "store/type_lookups.h"

namespace reports {

QString TypeNames::name(qint16 recordPtr) {
    if (auto it = names_.constFind(recordPtr); it != names_.cend())
        return *it;
    const QString found = store::fnTypeName(db_, recordPtr);
    names_.insert(recordPtr, found);
    return found;
}

} // namespace reports
