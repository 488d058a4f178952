// The document list as a file: see list_export.h.

#include "list_export.h"

#include "export_target.h"
#include "list_csv.h"
#include "list_rows.h"
#include "list_workbook.h"
#include "report_run.h"
#include "store/engine_error.h"

#include <QLocale>
#include <memory>

namespace reports {

namespace {

ExportOutcome exportTo(const store::Recordset& records, ExportTarget& target, ListFormat format) {
    std::unique_ptr<ListWriter> writer;
    if (format == ListFormat::Workbook)
        writer = std::make_unique<WorkbookWriter>(target);
    else
        writer = std::make_unique<CsvWriter>(target);
    ExportOutcome outcome;
    try {
        outcome.documents =
            forEachListRow(records, [&writer](const ListRow& row) { writer->add(row); });
    } catch (const store::EngineError& e) {
        throw ExportError(QStringLiteral("The documents could not be read, so %1 was not "
                                         "written: %2")
                              .arg(target.shownName(), e.text()));
    }
    writer->finish(outcome);
    return outcome;
}

} // namespace

ListFormat listFormatFor(const QString& fileName) {
    return fileName.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive) ? ListFormat::Workbook
                                                                          : ListFormat::Csv;
}

QString longTextRemark(const ExportOutcome& outcome) {
    if (outcome.longTexts.isEmpty())
        return {};
    constexpr qsizetype Named = 50; // in a message; the sheet names them all
    QStringList named;
    for (qsizetype i = 0; i < outcome.longTexts.size() && i < Named; ++i) {
        const LongText& t = outcome.longTexts[i];
        named
            << QStringLiteral("the %1 of document %2").arg(t.column.toLower(), reportNumber(t.id));
    }
    if (outcome.longTexts.size() > Named)
        named << QStringLiteral("and %1 more").arg(outcome.longTexts.size() - Named);
    return QStringLiteral(
               "%1 longer than a spreadsheet cell holds (32,767 characters): %2. The sheet "
               "\"Documents\" shows the beginning; the sheet \"Long notes\" holds "
               "each whole, in parts across its row.")
        .arg(outcome.longTexts.size() == 1
                 ? QStringLiteral("One text is")
                 : QStringLiteral("%1 texts are")
                       .arg(QLocale::c().toString(outcome.longTexts.size())),
             named.join(QLatin1String(", ")));
}

ExportOutcome exportList(const store::Recordset& records, const QString& fileName,
                         ListFormat format) {
    ExportTarget target(fileName);
    return exportTo(records, target, format);
}

ExportOutcome exportList(const store::Recordset& records, const QString& fileName) {
    return exportList(records, fileName, listFormatFor(fileName));
}

ExportOutcome exportListToStandardOutput(const store::Recordset& records, ListFormat format) {
    ExportTarget target{ExportTarget::StandardOutput{}};
    return exportTo(records, target, format);
}

} // namespace reports
