// One run of the document report: see report_run.h.

#include "report_run.h"

#include "mod_reports.h"
#include "platform/dates/date_text.h"
#include "platform/print/print_engine.h"
#include "store/recordset.h"
#include "store/value.h"

#include <QLocale>

namespace reports {

namespace {

const QString fID = QStringLiteral("ID");
const QString fDescription = QStringLiteral("Description");
const QString fDate = QStringLiteral("Date");
const QString fWho = QStringLiteral("Who");
const QString fDocumentType = QStringLiteral("DocumentType");

void printPageHeader(modReports& report, const print::PrintEngine& engine) {
    report.PrintHeaderLine(generalDate(QDateTime::currentDateTime()), QStringLiteral("Arkelby"),
                           QStringLiteral("Page: ") + QString::number(engine.currentPage()));
    report.PrintColumnHeadings();
}

} // namespace

QString generalDate(const QDateTime& when) {
    // The program's short date (month first, whatever the locale), then the
    // time of day as the desktop's general date form writes it.
    return platform::dates::formatDate(when.date(), platform::dates::DatePattern::ShortDate) +
           QLatin1Char(' ') + QLocale::c().toString(when.time(), QStringLiteral("h:mm:ss AP"));
}

QString reportDate(const QVariant& value) {
    const QDate d = store::dateOf(value);
    if (!d.isValid())
        return store::undecodedDate(value);
    return platform::dates::formatDate(d, platform::dates::DatePattern::ShortDate);
}

QString reportNumber(const QVariant& value) {
    if (store::isNull(value))
        return QString();
    return QString::number(value.toLongLong());
}

print::JobResult runReport(modReports& report, print::PrintEngine& engine,
                           store::Recordset& records, const ReportOptions& options,
                           const TypeNameLookup& typeName) {
    report.PageSetup(engine);
    report.DefineColumn(1, -6, QStringLiteral("ID"));
    report.DefineColumn(2, 32, QStringLiteral("Description"));
    if (options.type)
        report.DefineColumn(3, 10, QStringLiteral("Type"));
    if (options.date)
        report.DefineColumn(4, -10, QStringLiteral("Date"));
    if (options.who)
        report.DefineColumn(5, 32, QStringLiteral("Who"));
    report.LayoutColumns();

    printPageHeader(report, engine);
    if (!(records.bof() && records.eof()))
        records.moveFirst();
    while (!records.eof()) {
        report.PrintCell(1, reportNumber(records.field(fID)));
        report.PrintCell(2, records.field(fDescription));
        if (options.type) {
            const QVariant type = records.field(fDocumentType);
            report.PrintCell(3, store::isNull(type) ? QString()
                                                    : typeName(static_cast<qint16>(type.toInt())));
        }
        if (options.date)
            report.PrintCell(4, reportDate(records.field(fDate)));
        if (options.who)
            report.PrintCell(5, records.field(fWho));
        report.EndLine();
        if (report.fnPageFull()) {
            engine.newPage();
            printPageHeader(report, engine);
        }
        records.moveNext();
    }
    return engine.endDoc();
}

} // namespace reports
