// The document list as a CSV file: see list_export.h.

#include "list_export.h"

#include "csv_field.h"
#include "report_run.h"
#include "store/read_snapshot.h"
#include "store/recordset.h"
#include "type_names.h"

#include <QSaveFile>
#include <array>
#include <limits>

namespace reports {

namespace {

/// The exported fields in column order: the recordset's field, the heading.
struct Column {
    const char* field;
    const char* heading;
};
constexpr std::array<Column, 6> Columns{{{"ID", "ID"},
                                         {"Description", "Description"},
                                         {"DocumentType", "Type"},
                                         {"Date", "Date"},
                                         {"Who", "Who"},
                                         {"Note", "Note"}}};
enum ColumnIndex { IdColumn, DescriptionColumn, TypeColumn, DateColumn, WhoColumn, NoteColumn };

constexpr qsizetype ChunkCharacters = 64 * 1024; ///< output text kept before it is written

/// The file under its temporary name, and the output text not yet in it.
class CsvFile {
public:
    explicit CsvFile(const QString& fileName) : file_(fileName) {
        if (!file_.open(QIODevice::WriteOnly))
            fail();
        chunk_.reserve(ChunkCharacters + 4096);
        chunk_ += QChar(0xFEFF); // the byte-order mark, EF BB BF in UTF-8
    }

    /// The record under construction; end it with endRecord().
    QString& record() { return chunk_; }
    void endRecord() {
        chunk_ += csv::RecordEnd;
        if (chunk_.size() >= ChunkCharacters)
            flush();
    }

    /// Writes what is left and gives the file its name.
    void commit() {
        flush();
        if (!file_.commit())
            fail();
    }

private:
    void flush() {
        const QByteArray bytes = chunk_.toUtf8();
        if (file_.write(bytes) != bytes.size())
            fail();
        chunk_.resize(0);
    }
    [[noreturn]] void fail() const {
        throw ExportError(QStringLiteral("The file '%1' could not be written: %2.")
                              .arg(file_.fileName(), file_.errorString()));
    }

    QSaveFile file_;
    QString chunk_;
};

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

qint64 exportList(const store::Recordset& records, const QString& fileName) {
    CsvFile out(fileName);
    for (const Column& c : Columns) {
        if (&c != &Columns.front())
            out.record() += csv::Separator;
        out.record() += QLatin1String(c.heading);
    }
    out.endRecord();

    qint64 written = 0;
    try {
        // One read transaction for all the rows instead of one per row.
        const store::ReadSnapshot snapshot(records.database());
        TypeNames types(records.database());
        std::array<QString, Columns.size()> names;
        for (size_t i = 0; i < Columns.size(); ++i)
            names[i] = QLatin1String(Columns[i].field);
        std::array<QVariant, Columns.size()> values;
        const int rows = records.rowCount();
        for (int row = 0; row < rows; ++row) {
            if (row % store::Recordset::PrefetchRows == 0)
                records.prefetch(row, store::Recordset::PrefetchRows);
            bool gone = true; // a deleted document reads as Null throughout
            for (size_t i = 0; i < Columns.size(); ++i) {
                values[i] = records.valueAt(row, names[i]);
                gone = gone && store::isNull(values[i]);
            }
            if (gone)
                continue;
            QString& record = out.record();
            record += reportNumber(values[IdColumn]);
            const QString cells[] = {
                text(values[DescriptionColumn]), typeName(types, values[TypeColumn]),
                reportDate(values[DateColumn]), text(values[WhoColumn]), text(values[NoteColumn])};
            for (const QString& cell : cells) {
                record += csv::Separator;
                csv::appendField(record, cell);
            }
            out.endRecord();
            ++written;
        }
    } catch (const store::EngineError& e) {
        throw ExportError(QStringLiteral("The documents could not be read, so '%1' was not "
                                         "written: %2")
                              .arg(fileName, e.text()));
    }
    out.commit();
    return written;
}

} // namespace reports
