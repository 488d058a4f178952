// File > Export List...: see list_export_dialog.h.

#include "list_export_dialog.h"

#include "busy_cursor.h"
#include "frm_print.h"
#include "list_export.h"
#include "platform/dialogs/failure_box.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace reports {

void exportListAs(const store::Recordset& list, QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Export List"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QStringList filters{QStringLiteral("Excel Workbook (*.xlsx)"),
                              QStringLiteral("CSV files (*.csv)"), QStringLiteral("All files (*)")};
    const QStringList suffixes{QStringLiteral("xlsx"), QStringLiteral("csv"), QString()};
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffixes.front());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, &filters, &suffixes](const QString& filter) {
                         dialog.setDefaultSuffix(suffixes.value(filters.indexOf(filter)));
                     });
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(QDir::home().filePath(QLatin1String(ExportProposal)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString fileName = dialog.selectedFiles().constFirst();
    QString failure, remark;
    {
        BusyCursor busy;
        try {
            remark = longTextRemark(exportList(list, fileName));
        } catch (const ExportError& e) {
            failure = e.text();
        }
    }
    if (!failure.isEmpty())
        dialogs::showFailure(parent,
                             QStringLiteral("The list was not exported.\n\n%1").arg(failure));
    else if (!remark.isEmpty())
        QMessageBox::information(parent, applicationTitle(),
                                 QStringLiteral("The list was exported.\n\n%1").arg(remark));
}

} // namespace reports
