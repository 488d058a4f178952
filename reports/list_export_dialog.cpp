// File > Export List...: see list_export_dialog.h.

#include "list_export_dialog.h"

#include "busy_cursor.h"
#include "frm_print.h"
#include "list_export.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace reports {

void exportListAs(const store::Recordset& list, QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Export List"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("CSV files (*.csv)"), QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(QDir::home().filePath(QLatin1String(ExportProposal)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = dialog.selectedFiles().constFirst();
    QString failure;
    {
        BusyCursor busy;
        try {
            exportList(list, fileName);
        } catch (const ExportError& e) {
            failure = e.text();
        }
    }
    if (!failure.isEmpty())
        QMessageBox::warning(parent, applicationTitle(),
                             QStringLiteral("The list was not exported.\n\n%1").arg(failure));
}

} // namespace reports
