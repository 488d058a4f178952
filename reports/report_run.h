#pragma once
// One run of the document report: set-up, the columns the user chose, the
// page header on every page, one line per record of the snapshot from its
// first record, then the end of the document (which shows or prints it).
// Used by the report window's PrintReport and by the benchmark.
//
// Cell texts: ID in decimal, Description and Who as stored (Null prints
// empty), the type's name, the date as m/d/yyyy. A Null ID or DocumentType
// prints an empty cell instead of stopping the run.
//
// Failures pass through: print::PrintError from the engine,
// store::EngineError from the snapshot, std exceptions from the column
// table. Cost: per record five field reads and at most three measurements.

#include "platform/print/print_job.h"

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <functional>

namespace print {
class PrintEngine;
}
namespace store {
class Recordset;
}

namespace reports {

class modReports;

/// The optional columns; ID and Description always print.
struct ReportOptions {
    bool type = false;
    bool date = false;
    bool who = false;
};

/// Type number -> type name (empty for an unknown type).
using TypeNameLookup = std::function<QString(qint16)>;

print::JobResult runReport(modReports& report, print::PrintEngine& engine,
                           store::Recordset& records, const ReportOptions& options,
                           const TypeNameLookup& typeName);

/// Date and time in the system's general form: short date, then the time.
QString generalDate(const QDateTime& when);

/// A date value as m/d/yyyy (no leading zeros); empty for Null; a value
/// that is no date (stored by another program) as it was stored.
QString reportDate(const QVariant& value);

/// An ID value in decimal; empty for Null.
QString reportNumber(const QVariant& value);

} // namespace reports
