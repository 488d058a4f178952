#pragma once
// The first-start import as the program runs it: the "Converting" window on
// screen, the older register in the data folder filed into the register
// that start-up has just made from the template (still under its temporary
// name), and any remarks (a table shorter than its header says, notes that
// could not be read) shown to the user afterwards.
//
// Use: as start-up's import hook; a LegacyError it raises carries the text
// for the user, and start-up then leaves no register behind.

#include <QString>

class QWidget;

namespace legacy {

/// Imports Document.DBF (and Document.DBT) from `folder` into the register
/// file `newRegisterFile`. Raises LegacyError.
void importAtFirstStart(const QString& newRegisterFile, const QString& folder,
                        QWidget* parent = nullptr);

} // namespace legacy
