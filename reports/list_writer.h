#pragma once
// One file format of the list export: takes the documents in order
// (list_rows.h) and ends the file on its target (export_target.h). The
// CSV and the workbook writers (list_csv.h, list_workbook.h) implement it;
// list_export.cpp drives them.

#include "list_export.h"

namespace reports {

struct ListRow;

class ListWriter {
public:
    virtual ~ListWriter() = default;
    /// Adds the next document.
    virtual void add(const ListRow& row) = 0;
    /// Ends the file and commits the target; notes in `outcome` what the
    /// reader should know beyond the documents.
    virtual void finish(ExportOutcome& outcome) = 0;
};

} // namespace reports
