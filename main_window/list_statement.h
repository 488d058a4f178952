#pragma once
// The document list's SQL statement, built from the filters and the order
// exactly as the main window has always written it: each condition
// fragment brings its own leading blank, text filters become '*text*'
// patterns, dates are month/day/four-digit year between '#' signs whatever
// the locale. Two mendings: an apostrophe in a filter text is doubled (so
// O'Brien finds O'Brien instead of breaking the statement), and "No Date"
// lists the documents whose Date is Null. The Contents filter finds the
// documents holding a file whose text (read from the file, see
// store/document_files.h) matches, by the same pattern rule.
//
// Use: fill a ListFilter from the window's controls, call fnListStatement
// for the text shown and saved and fnListQuery for what is run.
// Pure text work; costs a few string appends.

#include "store/query.h"

#include <QDate>
#include <QString>
#include <optional>

struct ListFilter {
    bool filterOn = false;      ///< "Filter On" ticked; when false only the order counts
    QString description;        ///< Desc text, as typed (trimmed here)
    QString who;                ///< Who text, as typed (trimmed here)
    QString note;               ///< Note text, as typed (trimmed here)
    QString contents;           ///< Contents text: words in the document's files (trimmed here)
    int days = 0;               ///< date range in days, 0 for none
    bool noDate = false;        ///< list only documents without a date
    std::optional<qint16> type; ///< the chosen type's RecordPtr, none for "ALL"
    QString orderBy;            ///< the ORDER BY text ("ID DESC", ...)
    QDate today;                ///< the day the date range counts back from
};

/// The day counts of cmbDate's items by index; 0 where no range applies.
int fnDateRangeDays(int dateIndex);
/// True for cmbDate's "No Date" item.
bool fnIsNoDateChoice(int dateIndex);

/// The list statement for `filter`.
QString fnListStatement(const ListFilter& filter);
/// The same list as a description, which each kind of register runs in
/// its own SQL; nothing when the order is more than fields and directions
/// (an order read from the settings), which then runs as the text.
std::optional<store::query::Select> fnListQuery(const ListFilter& filter);
