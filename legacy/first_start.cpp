// The first-start import with its window and remarks (see first_start.h).

#include "first_start.h"

#include "frm_converting.h"
#include "legacy_error.h"
#include "legacy_import.h"
#include "store/engine_error.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace legacy {

void importAtFirstStart(const QString& newRegisterFile, const QString& folder, QWidget* parent) {
    LegacyImportResult result;
    {
        frmConverting window(parent);
        store::Database db;
        try {
            db = store::Database::open(newRegisterFile);
        } catch (const store::EngineError& e) {
            throw LegacyError(QStringLiteral("The new register could not be opened for the import "
                                             "of the old register: %1")
                                  .arg(e.text()));
        }
        result = ConvertLegacyFiles(db, folder, &window);
    }
    if (result.warnings.isEmpty())
        return;
    QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(),
                    QStringLiteral("The old register was imported, with these remarks:\n\n%1")
                        .arg(result.warnings.join(QStringLiteral("\n\n"))),
                    QMessageBox::Ok, parent);
    box.exec();
}

} // namespace legacy
