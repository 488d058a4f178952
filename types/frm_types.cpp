// The "Types" window (see frm_types.h).

#include "frm_types.h"

#include "frm_add_type.h"
#include "platform/dialogs/failure_box.h"
#include "platform/grid/record_grid.h"
#include "platform/help/help_file.h"
#include "platform/help/help_topic.h"
#include "session/data_control.h"
#include "session/program_state.h"
#include "session/recordset_model.h"
#include "type_messages.h"
#include "type_store.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString withoutTrailingBlanks(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.left(end);
}

} // namespace

frmTypes::frmTypes(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmTypes"));
    setWindowTitle(QStringLiteral("Types"));
    setModal(true);

    dtaTypes = new session::DataControl(this);
    dtaTypes->setObjectName(QStringLiteral("dtaTypes"));
    dtaTypes->setDatabaseName(session::program::dbMain.location());
    dtaTypes->setDatabase(session::program::dbMain);
    store::query::Select types{QStringLiteral("Types")};
    types.orderBy(QStringLiteral("Type"));
    dtaTypes->setRecordSource(QStringLiteral("SELECT * FROM Types ORDER BY Type"), types);

    grdTypes = new platform::RecordGrid(this);
    grdTypes->setObjectName(QStringLiteral("grdTypes"));
    grdTypes->setAccessibleName(QStringLiteral("Types"));
    typesModel_ =
        new session::RecordsetModel({{QStringLiteral("Types"), QStringLiteral("Type")}}, this);
    grdTypes->setModel(typesModel_);
    grdTypes->setStretchColumn(0);
    connect(dtaTypes, &session::DataControl::recordsetChanged, this,
            [this] { typesModel_->setRecordset(dtaTypes->recordset()); });
    connect(typesModel_, &session::RecordsetModel::currentRowChanged, grdTypes,
            &platform::RecordGrid::setCurrentRow);
    connect(grdTypes, &platform::RecordGrid::currentRowChanged, typesModel_,
            &session::RecordsetModel::setCurrentRow);

    cmdAdd = new QPushButton(QStringLiteral("&Add"), this);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdDelete = new QPushButton(QStringLiteral("Delete"), this);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    cmdExit = new QPushButton(QStringLiteral("Exit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    for (QPushButton* b : {cmdAdd, cmdDelete, cmdExit})
        b->setAutoDefault(false); // Enter in the grid presses nothing

    // The grid takes what the window's size leaves above the buttons.
    auto* box = new QVBoxLayout(this);
    box->addWidget(grdTypes, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdDelete);
    buttons->addStretch();
    buttons->addWidget(cmdExit);
    box->addLayout(buttons);

    help::setHelpTopic(grdTypes, help::topic::TypesList);
    help::setHelpTopic(cmdAdd, help::topic::AddType);
    help::setHelpTopic(cmdDelete, help::topic::DeleteType);

    connect(cmdAdd, &QPushButton::clicked, this, &frmTypes::cmdAdd_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmTypes::cmdDelete_Click);
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::reject);

    dtaTypes->refresh(); // raises EngineError for an unreadable register
    grdTypes->setFocus();
}

frmTypes::~frmTypes() = default;

void frmTypes::cmdAdd_Click() {
    {
        frmAddType dialog(dtaTypes->recordset(), this);
        dialog.exec();
    }
    try {
        dtaTypes->recordset()->requery(); // name order again, first type current
    } catch (const store::EngineError& e) {
        dialogs::showFailure(this, e);
    }
}

void frmTypes::cmdDelete_Click() {
    const store::RecordsetPtr rs = dtaTypes->recordset();
    if (!rs || rs->eof() || rs->bof())
        return; // an empty list has nothing to delete
    try {
        const int recordPtr = rs->field(QStringLiteral("RecordPtr")).toInt();
        if (types_ui::typeInUse(rs->database(), recordPtr)) {
            types_ui::showMessage(this, types_ui::TypeInUse);
            return; // current row and focus stay where they were
        }
        const QString name = rs->field(QStringLiteral("Type")).toString();
        const auto answer = types_ui::showMessage(
            this, types_ui::deleteConfirmation(withoutTrailingBlanks(name)), QMessageBox::Question,
            QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
        if (answer == QMessageBox::Ok) {
            // Another user may have filed a document under the type while
            // the question was open: the test is made again, together with
            // the deletion.
            if (types_ui::deleteUnusedType(*rs) == types_ui::DeleteOutcome::InUse) {
                types_ui::showMessage(this, types_ui::TypeInUse);
                return;
            }
            moveAfterDelete();
        }
    } catch (const store::EngineError& e) {
        dialogs::showFailure(this, e);
    }
    grdTypes->setFocus();
}

void frmTypes::moveAfterDelete() {
    const store::RecordsetPtr rs = dtaTypes->recordset();
    rs->moveNext(); // the row that followed the deleted one, or the end
    if (rs->eof() && rs->rowCount() > 0)
        rs->moveLast();
}
