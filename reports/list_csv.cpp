// The list as CSV: see list_csv.h.

#include "list_csv.h"

#include "csv_field.h"
#include "export_target.h"
#include "list_rows.h"
#include "report_run.h"

namespace reports {

namespace {

constexpr qsizetype ChunkCharacters = 64 * 1024; ///< output text kept before it is written

} // namespace

CsvWriter::CsvWriter(ExportTarget& target) : target_(target) {
    chunk_.reserve(ChunkCharacters + 4096);
    chunk_ += QChar(0xFEFF); // the byte-order mark, EF BB BF in UTF-8
    for (const char* heading : ListHeadings) {
        if (heading != ListHeadings.front())
            chunk_ += csv::Separator;
        chunk_ += QLatin1String(heading);
    }
    endRecord();
}

void CsvWriter::add(const ListRow& row) {
    chunk_ += reportNumber(row.id);
    for (const QString& cell :
         {row.description, row.type, reportDate(row.date), row.who, row.note, row.files}) {
        chunk_ += csv::Separator;
        csv::appendField(chunk_, cell);
    }
    endRecord();
}

void CsvWriter::finish(ExportOutcome&) {
    flush();
    target_.commit();
}

void CsvWriter::endRecord() {
    chunk_ += csv::RecordEnd;
    if (chunk_.size() >= ChunkCharacters)
        flush();
}

void CsvWriter::flush() {
    target_.write(chunk_.toUtf8());
    chunk_.resize(0);
}

} // namespace reports
