// The first-start import with its window and remarks (see first_start.h).

#include "first_start.h"

#include "frm_converting.h"
#include "legacy_error.h"
#include "legacy_import.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace legacy {

void importAtFirstStart(const store::Database& db, const QString& folder, QWidget* parent) {
    LegacyImportResult result;
    {
        frmConverting window(parent);
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
