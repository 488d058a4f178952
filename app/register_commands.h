#pragma once
// The jobs tolvane does from the command line, without a window, for
// administrators and scripts: each takes its operands as given on the
// command line, prints what it did on standard output or why it failed on
// standard error, and returns the program's exit status (0 done, 1 failed).
// A register operand is a folder (the register Veld.MDB in it) or a server
// URI ("postgresql://...").

#include <QString>

/// The register an operand names: a server URI as it is, else the file
/// Veld.MDB in the folder.
QString registerAt(const QString& operand);

/// tolvane --copy-register SOURCE TARGET
int copyRegisterCommand(const QString& source, const QString& target);

/// tolvane --export REGISTER FILE: every document of the register into the
/// file FILE (reports/list_export.h: a workbook for a name ending in
/// ".xlsx", else CSV; "-" is CSV on standard output, and then what was done
/// is told on standard error), in the order the user keeps with "Set as
/// default", as the list opens at start-up.
int exportListCommand(const QString& source, const QString& file);

/// tolvane --backup REGISTER FILE: a checked backup of the register into
/// the new register file FILE. An existing FILE is refused and left as it
/// was, so a script that names the same file twice never overwrites the
/// earlier backup (or any other file) unseen.
int backupCommand(const QString& source, const QString& file);
