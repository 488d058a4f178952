// The rows the list exports carry: see list_rows.h.

#include "list_rows.h"

#include "store/read_snapshot.h"
#include "store/recordset.h"
#include "type_names.h"

#include <limits>

namespace reports {

namespace {

/// The recordset's fields in the order of ListHeadings.
constexpr std::array<const char*, ListHeadings.size()> Fields{"ID",   "Description", "DocumentType",
                                                              "Date", "Who",         "Note"};
enum FieldIndex { IdField, DescriptionField, TypeField, DateField, WhoField, NoteField };

QString text(const QVariant& value) {
    return store::isNull(value) ? QString() : value.toString();
}

/// The name of the type numbered `value`; empty for Null, 0 and numbers
/// outside the 16 bits type numbers have (never another type's name).
QString typeName(TypeNames& types, const QVariant& value) {
    if (store::isNull(value))
        return {};
    const qint64 number = value.toLongLong();
    if (number == 0 || number < std::numeric_limits<qint16>::min() ||
        number > std::numeric_limits<qint16>::max())
        return {};
    return types.name(static_cast<qint16>(number));
}

} // namespace

qint64 forEachListRow(const store::Recordset& records,
                      const std::function<void(const ListRow&)>& take) {
    // One read transaction for all the rows instead of one per row.
    const store::ReadSnapshot snapshot(records.database());
    TypeNames types(records.database());
    std::array<QString, Fields.size()> names;
    for (size_t i = 0; i < Fields.size(); ++i)
        names[i] = QLatin1String(Fields[i]);
    std::array<QVariant, Fields.size()> values;
    qint64 taken = 0;
    const int rows = records.rowCount();
    for (int row = 0; row < rows; ++row) {
        if (row % store::Recordset::PrefetchRows == 0)
            records.prefetch(row, store::Recordset::PrefetchRows);
        bool gone = true; // a deleted document reads as Null throughout
        for (size_t i = 0; i < Fields.size(); ++i) {
            values[i] = records.valueAt(row, names[i]);
            gone = gone && store::isNull(values[i]);
        }
        if (gone)
            continue;
        take({values[IdField], text(values[DescriptionField]), typeName(types, values[TypeField]),
              values[DateField], text(values[WhoField]), text(values[NoteField])});
        ++taken;
    }
    return taken;
}

} // namespace reports
