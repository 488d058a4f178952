// The rows the list exports carry: see list_rows.h.

#include "list_rows.h"

#include "store/document_file_names.h"
#include "store/read_snapshot.h"
#include "store/recordset.h"
#include "type_names.h"

#include <limits>
#include <unordered_map>
#include <vector>

namespace reports {

namespace {

/// The recordset's fields in the order of ListHeadings (the files aside).
constexpr std::array<const char*, 6> Fields{"ID",   "Description", "DocumentType",
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
    std::vector<qint64> keys;
    std::unordered_map<qint64, QStringList> files; // of the batch of rows read
    qint64 taken = 0;
    const int rows = records.rowCount();
    for (int row = 0; row < rows; ++row) {
        if (row % store::Recordset::PrefetchRows == 0) {
            records.prefetch(row, store::Recordset::PrefetchRows);
            keys.clear();
            for (int r = row; r < rows && r < row + store::Recordset::PrefetchRows; ++r)
                if (const qint64 key = records.keyAt(r); key > 0)
                    keys.push_back(key);
            files = store::documentFileNames(records.database(), keys);
        }
        bool gone = true; // a deleted document reads as Null throughout
        for (size_t i = 0; i < Fields.size(); ++i) {
            values[i] = records.valueAt(row, names[i]);
            gone = gone && store::isNull(values[i]);
        }
        if (gone)
            continue;
        const auto held = files.find(records.keyAt(row));
        take({values[IdField], text(values[DescriptionField]), typeName(types, values[TypeField]),
              values[DateField], text(values[WhoField]), text(values[NoteField]),
              held == files.end() ? QString() : held->second.join(QLatin1Char('\n'))});
        ++taken;
    }
    return taken;
}

} // namespace reports
