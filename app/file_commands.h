#pragma once
// The command-line jobs on the files kept with a document (see
// store/document_files.h), as register_commands.h runs its jobs: operands
// as given, what was done on standard output, why it failed on standard
// error, and the exit status (0 done, 1 failed). A document is named by
// its ID, the number users see.

#include <QString>
#include <QStringList>

/// tolvane --attach REGISTER ID FILE...: attaches the files to the
/// document, all of them in one change with its history, or none. Each
/// FILE is read without following a symbolic link; one that cannot be
/// read, or is too large, fails the job before the document changes.
int attachCommand(const QString& source, const QString& id, const QStringList& files);

/// tolvane --files REGISTER ID: the document's files, one a line: size in
/// bytes, SHA-256, when attached, where its text stands, and the name
/// (last, so that a name with blanks reads whole; control characters in
/// it are shown as '?').
int filesCommand(const QString& source, const QString& id);

/// tolvane --extract REGISTER ID NAME OUTFILE: writes the document's file
/// named NAME (the first attached, when several have the name) into
/// OUTFILE as an export writes (reports/export_target.h: a regular file
/// replaced all at once, never through a symbolic link; "-" is standard
/// output), checked against its SHA-256: a damaged file is reported and
/// never given the name.
int extractCommand(const QString& source, const QString& id, const QString& name,
                   const QString& file);
