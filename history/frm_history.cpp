// The document history window (see frm_history.h).

#include "frm_history.h"

#include "platform/a11y/value_label.h"
#include "platform/grid/record_grid.h"
#include "session/recordset_model.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmHistory::frmHistory(const store::Database& db, qint64 recordPtr, const QString& caption,
                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("Document History"));
    store::query::Select entries{QStringLiteral("DocumentHistory")};
    entries.where({QStringLiteral("RecordPtr"), store::query::Op::Equal, recordPtr})
        .orderBy(QStringLiteral("Changed"), true)
        .orderBy(QStringLiteral("HistoryPtr"), true);
    entries_ = db.openRecordset(entries, store::RecordsetType::Snapshot);

    auto* layout = new QVBoxLayout(this);
    lblDocument = new QLabel(caption, this);
    lblDocument->setObjectName(QStringLiteral("lblDocument"));
    a11y::showsValue(lblDocument, QStringLiteral("Document"));
    layout->addWidget(lblDocument);

    grdHistory = new platform::RecordGrid(this);
    grdHistory->setObjectName(QStringLiteral("grdHistory"));
    grdHistory->setAccessibleName(QStringLiteral("History entries"));
    model_ =
        new session::RecordsetModel({{QStringLiteral("When"), QStringLiteral("Changed"), true},
                                     {QStringLiteral("User"), QStringLiteral("UserName")},
                                     {QStringLiteral("Computer"), QStringLiteral("Computer")},
                                     {QStringLiteral("Action"), QStringLiteral("Action")},
                                     {QStringLiteral("Field"), QStringLiteral("Field")},
                                     {QStringLiteral("Old value"), QStringLiteral("OldValue")},
                                     {QStringLiteral("New value"), QStringLiteral("NewValue")}},
                                    this);
    model_->setRecordset(entries_);
    grdHistory->setModel(model_);
    grdHistory->setSharedColumnsFrom(5); // the old and the new value
    connect(model_, &session::RecordsetModel::currentRowChanged, grdHistory,
            &platform::RecordGrid::setCurrentRow);
    connect(grdHistory, &platform::RecordGrid::currentRowChanged, model_,
            &session::RecordsetModel::setCurrentRow);
    layout->addWidget(grdHistory, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAccessibleName(QStringLiteral("Close"));
    cmdClose->setAutoDefault(false);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(cmdClose);
    layout->addLayout(buttons);

    grdHistory->setFocus();
    resize(900, 360);
}
