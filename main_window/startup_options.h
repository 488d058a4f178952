#pragma once
// Where start-up looks for its files, the seam for the legacy import, and
// the one error type start-up raises.
//
// The program passes StartupOptions::forProgram(): the data folder is the
// current folder (the register, the legacy files and the help file are
// named relative to it) and the template is looked for there first, then
// beside the build tree or the installation the program runs from. Tests
// pass their own folders.

#include "platform/failure/failure.h"
#include "store/database.h"

#include <QString>
#include <QStringList>
#include <functional>

class StartupOptions {
public:
    /// Folder holding Veld.MDB, Document.DBF and Veld.Hlp.
    QString dataFolder;
    /// A server register's address (a PostgreSQL URI), used instead of the
    /// data folder's Veld.MDB; empty for the register file.
    QString server;
    /// Folders searched in order for the template VeldDef.MDB.
    QStringList templateFolders;
    /// The first-start import of the older dBase register: called with a
    /// register this start has just made, before anyone else can see it (a
    /// file still under its temporary name, a server register inside the
    /// transaction that makes it), when Document.DBF lies in the data
    /// folder. When it raises (a Failure with the text for the user),
    /// nothing is made and the next start imports again. The program sets
    /// it to the legacy import; while it is empty, a new register simply
    /// stays empty and Document.DBF is left alone.
    std::function<void(const store::Database& newRegister)> importLegacy;

    /// The current folder, then the build tree's or the installation's
    /// copy of the template next to the running program.
    static StartupOptions forProgram();

    /// The first VeldDef.MDB in templateFolders; empty when there is none.
    QString templateFile() const;
};

/// A start-up failure; text() names the file and the cause, for the user.
class StartupError : public Failure {
public:
    explicit StartupError(const QString& text) : Failure(Unnumbered, text) {}
};
