// The "Add Type" dialog (see frm_add_type.h).

#include "frm_add_type.h"

#include "platform/dialogs/failure_box.h"
#include "platform/help/help_file.h"
#include "platform/help/help_topic.h"
#include "store/type_lookups.h"
#include "type_messages.h"
#include "type_store.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmAddType::frmAddType(store::RecordsetPtr types, QWidget* parent)
    : QDialog(parent), types_(std::move(types)) {
    setObjectName(QStringLiteral("frmAddType"));
    setWindowTitle(QStringLiteral("Add Type"));
    setModal(true);

    Label1 = new QLabel(QStringLiteral("Type:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtType = new QLineEdit(this);
    txtType->setObjectName(QStringLiteral("txtType"));
    txtType->setMaxLength(MaxTypeLength); // also cuts a longer paste
    Label1->setBuddy(txtType);
    cmdOk = new QPushButton(QStringLiteral("Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    // The box and the buttons follow the dialog's width.
    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(txtType, 0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    help::setHelpTopic(txtType, help::topic::TypesList);
    help::setHelpTopic(cmdOk, help::topic::AddTypeOk);

    // QDialog presses no button on Escape by itself; it rejects, which is
    // what Cancel does.
    connect(cmdOk, &QPushButton::clicked, this, &frmAddType::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    txtType->setFocus();
}

frmAddType::~frmAddType() = default;

void frmAddType::cmdOk_Click() {
    const QString name = txtType->text(); // stored exactly as typed
    if (store::fnIsBlank(name)) {
        types_ui::showMessage(this, types_ui::MustSpecifyType);
        return;
    }
    try {
        switch (types_ui::addType(*types_, name)) {
        case types_ui::AddOutcome::Stored:
            accept();
            return;
        case types_ui::AddOutcome::Duplicate:
            types_ui::showMessage(this, types_ui::TypeAlreadyDefined);
            return;
        case types_ui::AddOutcome::NoNumberLeft:
            types_ui::showMessage(this, types_ui::NoTypeNumberLeft);
            return;
        }
    } catch (const store::EngineError& e) {
        // A busy or unwritable register: say so and keep the dialog open,
        // so the user can try again or cancel.
        dialogs::showFailure(this, e);
    }
}
