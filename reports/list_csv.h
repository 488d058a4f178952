#pragma once
// The list as CSV (list_export.h says what the file holds): UTF-8 with a
// byte-order mark, records as csv_field.h writes them, the header first.
// Memory: 64 k characters of output at a time.

#include "list_writer.h"

#include <QString>

namespace reports {

class ExportTarget;

class CsvWriter final : public ListWriter {
public:
    /// Starts the file on `target` (kept by reference) with the header.
    explicit CsvWriter(ExportTarget& target);
    void add(const ListRow& row) override;
    void finish(ExportOutcome& outcome) override;

private:
    void endRecord();
    void flush();

    ExportTarget& target_;
    QString chunk_; ///< output text not yet written
};

} // namespace reports
