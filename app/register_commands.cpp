// The command-line jobs (see register_commands.h).

#include "register_commands.h"

#include "command_output.h"
#include "main_window/list_statement.h"
#include "main_window/startup_options.h"
#include "platform/settings/settings.h"
#include "reports/list_export.h"
#include "store/recordset.h"
#include "store/register_backup.h"
#include "store/register_copy.h"
#include "store/schema.h"
#include "store/type_lookups.h"

#include <QDir>

namespace {

/// The whole register as the list opens at start-up: in the order saved
/// with "Set as default", or "ID DESC" when none is saved, it is blank, or
/// the register refuses it (a hand-edited setting naming no field).
store::RecordsetPtr listInSavedOrder(const store::Database& db) {
    const QString defaultOrder = QStringLiteral("ID DESC");
    const auto list = [&db](const QString& order) {
        ListFilter unfiltered;
        unfiltered.orderBy = order;
        if (const auto query = fnListQuery(unfiltered))
            return db.openRecordset(*query, store::RecordsetType::Snapshot);
        return db.openRecordset(fnListStatement(unfiltered), store::RecordsetType::Snapshot);
    };
    const QString saved = platform::settings::GetSetting(
        QStringLiteral("Arkelby"), QStringLiteral("Default"), QStringLiteral("Order"));
    if (!store::fnIsBlank(saved) && saved != defaultOrder) {
        try {
            return list(saved);
        } catch (const store::EngineError&) {
        }
    }
    return list(defaultOrder);
}

} // namespace

QString registerAt(const QString& operand) {
    if (store::isServerLocation(operand))
        return operand;
    return QDir(operand).absoluteFilePath(QLatin1String(store::schema::DatabaseFile));
}

int copyRegisterCommand(const QString& source, const QString& target) {
    const QString from = registerAt(source);
    const QString to = registerAt(target);
    return runCommand(QStringLiteral("the register was not copied: "), [&] {
        if (!store::isServerLocation(target) && !QDir().mkpath(target))
            throw store::EngineError(store::err::IoError,
                                     QStringLiteral("The folder '%1' cannot be made.").arg(target));
        const store::Database db = store::Database::open(from);
        const store::CopyOutcome out =
            store::copyRegister(db, to, StartupOptions::forProgram().templateFile());
        print(stdout, QStringLiteral("Copied %1 documents and %2 types from %3 to %4%5.\n"
                                     "Checked before storing: every field's count and sum agree.\n"
                                     "New documents there are numbered from %6, new types from %7.")
                          .arg(count(out.documents), count(out.types), db.location(),
                               store::shownLocation(to),
                               out.madeTarget ? QStringLiteral(" (a new register)") : QString(),
                               count(out.documentCounter + 1), count(out.typeCounter + 1)));
        return 0;
    });
}

int exportListCommand(const QString& source, const QString& file) {
    // "-" is standard output, which then carries the CSV alone; so is a
    // name for the file standard output already is (/dev/stdout into a
    // file the shell opened), written into as it is.
    const bool dash = file == QLatin1String("-");
    const bool toStandardOutput = dash || isStandardOutput(file);
    return runCommand(QStringLiteral("the list was not exported: "), [&] {
        const store::Database db = store::Database::open(registerAt(source));
        const auto list = listInSavedOrder(db);
        const reports::ExportOutcome out =
            toStandardOutput
                ? reports::exportListToStandardOutput(*list, reports::listFormatFor(file))
                : reports::exportList(*list, file);
        FILE* report = toStandardOutput ? stderr : stdout;
        print(report, QStringLiteral("Exported %1 documents from %2 to %3.")
                          .arg(count(out.documents), db.location(),
                               dash ? QStringLiteral("standard output") : file));
        if (const QString remark = reports::longTextRemark(out); !remark.isEmpty())
            print(report, remark);
        return 0;
    });
}

int backupCommand(const QString& source, const QString& file) {
    return runCommand({}, [&] {
        const store::Database db = store::Database::open(registerAt(source));
        const store::BackupOutcome out =
            store::backUpRegister(db, file, store::ExistingBackup::Refuse);
        print(stdout, QStringLiteral("Backed up %1 into %2: %3 documents and %4 types.\n"
                                     "Checked: the file's integrity, and every table's rows "
                                     "against the register's at the moment copied.")
                          .arg(db.location(), out.file, count(out.documents), count(out.types)));
        return 0;
    });
}
