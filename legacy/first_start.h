#pragma once
// The first-start import as the program runs it: the "Converting" window on
// screen, the older register in the data folder filed into the register
// that start-up has just made (a file still under its temporary name, a
// server register inside the transaction that makes it), and any remarks
// (a table shorter than its header says, notes that could not be read)
// shown to the user afterwards.
//
// Use: as start-up's import hook; a LegacyError it raises carries the text
// for the user, and start-up then leaves no register behind.

#include "store/database.h"

#include <QString>

class QWidget;

namespace legacy {

/// Imports Document.DBF (and Document.DBT) from `folder` into the new
/// register `db`. Raises LegacyError.
void importAtFirstStart(const store::Database& db, const QString& folder,
                        QWidget* parent = nullptr);

} // namespace legacy
