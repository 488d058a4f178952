// frmMain's controls, layout and menu (see frm_main.h). The start-up
// sequence is in frm_main_startup.cpp.
//
// Proportions follow the window's design size of 561 by 364 pixels: the
// list takes 5 parts of the width and the right side 6; on the right the
// command row, the detail panel and the filter area take 1, 4 and 5 parts
// of the height.

#include "frm_main.h"

#include "background.h"
#include "backup_command.h"
#include "document_files_panel.h"
#include "platform/a11y/value_label.h"
#include "platform/grid/record_grid.h"
#include "reports/menu_messages.h"
#include "session/recordset_model.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

template <class W> W* named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

QFrame* panel(const char* name, QWidget* parent) {
    auto* f = named(new QFrame(parent), name);
    f->setFrameShape(QFrame::NoFrame);
    return f;
}

/// A detail panel label: the document's value, heard by a screen reader
/// as the value with `caption` as its description; shown as typed.
QLabel* valueLabel(const char* name, const QString& caption, QWidget* parent) {
    auto* l = named(new QLabel(parent), name);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAutoFillBackground(true);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    a11y::showsValue(l, caption);
    return l;
}

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Arkelby"));
    dtaDocuments = named(new session::DataControl(this), "dtaDocuments");

    Image1 = named(new Background(this), "Image1");
    setCentralWidget(Image1);
    auto* columns = new QHBoxLayout(Image1);
    columns->setContentsMargins(6, 6, 6, 6);
    columns->setSpacing(6);

    ElasticOne1 = panel("ElasticOne1", Image1);
    buildList(ElasticOne1);
    columns->addWidget(ElasticOne1, 5);

    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    columns->addLayout(right, 6);
    auto* commands = new QWidget(Image1);
    buildCommands(commands);
    right->addWidget(commands, 1);
    panView = named(new QFrame(Image1), "panView");
    panView->setFrameStyle(QFrame::Panel | QFrame::Raised);
    buildDetail(panView);
    // Hiding the panel (no current document) leaves its place empty
    // rather than moving the commands and the filters.
    QSizePolicy keepPanel = panView->sizePolicy();
    keepPanel.setRetainSizeWhenHidden(true);
    panView->setSizePolicy(keepPanel);
    right->addWidget(panView, 4);

    ElasticOne2 = panel("ElasticOne2", Image1);
    auto* filterArea = new QHBoxLayout(ElasticOne2);
    filterArea->setContentsMargins(0, 0, 0, 0);
    ElasticOne4 = panel("ElasticOne4", ElasticOne2);
    ElasticOne3 = panel("ElasticOne3", ElasticOne2);
    buildFilters(ElasticOne4);
    buildOrder(ElasticOne3);
    filterArea->addWidget(ElasticOne4, 3);
    filterArea->addWidget(ElasticOne3, 2);
    right->addWidget(ElasticOne2, 5);

    buildMenu();
    connectFilters();
    windows = standardWindows();
    resize(561, 364 + menuBar()->sizeHint().height());
}

frmMain::~frmMain() = default;

void frmMain::buildList(QWidget* area) {
    auto* box = new QVBoxLayout(area);
    box->setContentsMargins(0, 0, 0, 0);
    grdInfo = named(new platform::RecordGrid(area), "grdInfo");
    grdInfo->setAccessibleName(QStringLiteral("Documents"));
    listModel_ =
        new session::RecordsetModel({{QStringLiteral("Description"), QStringLiteral("Description")},
                                     {QStringLiteral("ID"), QStringLiteral("ID")}},
                                    this);
    grdInfo->setModel(listModel_);
    grdInfo->setStretchColumn(0);
    box->addWidget(grdInfo);
    // The list and the grid follow each other's current row.
    connect(dtaDocuments, &session::DataControl::recordsetChanged, this,
            [this] { listModel_->setRecordset(dtaDocuments->recordset()); });
    connect(listModel_, &session::RecordsetModel::currentRowChanged, grdInfo,
            &platform::RecordGrid::setCurrentRow);
    connect(grdInfo, &platform::RecordGrid::currentRowChanged, listModel_,
            &session::RecordsetModel::setCurrentRow);
    // Every change of the current row shows the document in the panel.
    connect(listModel_, &session::RecordsetModel::currentRowChanged, this,
            &frmMain::listRowChanged);
    // A double click on a row does what Change does.
    connect(grdInfo, &QAbstractItemView::doubleClicked, this, [this] {
        if (cmdChange->isEnabled())
            cmdChange_Click();
    });
}

void frmMain::buildCommands(QWidget* area) {
    auto* row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);
    cmdAdd = named(new QPushButton(QStringLiteral("&Add"), area), "cmdAdd");
    cmdChange = named(new QPushButton(QStringLiteral("Change"), area), "cmdChange");
    cmdDelete = named(new QPushButton(QStringLiteral("Delete"), area), "cmdDelete");
    cmdChange->setDefault(true);
    for (QPushButton* b : {cmdAdd, cmdChange, cmdDelete}) {
        b->setAutoDefault(false);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        row->addWidget(b, 1);
    }
    connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(cmdChange, &QPushButton::clicked, this, [this] { cmdChange_Click(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDelete_Click(); });
}

void frmMain::buildDetail(QWidget* area) {
    auto* grid = new QGridLayout(area);
    grid->setContentsMargins(6, 6, 6, 6);
    struct Row {
        const char* caption;
        const char* name;
        QLabel** label;
    };
    const Row rows[] = {{"ID:", "lblID", &lblID},
                        {"Desc:", "lblDesc", &lblDesc},
                        {"Type:", "lblType", &lblType},
                        {"Date:", "lblDate", &lblDate},
                        {"Who:", "lblWho", &lblWho}};
    int r = 0;
    for (const Row& row : rows) {
        const QString caption = QLatin1String(row.caption);
        *row.label = valueLabel(row.name, caption.chopped(1), area);
        grid->addWidget(new QLabel(caption, area), r, 0);
        grid->addWidget(*row.label, r, 1);
        grid->setRowStretch(r, 1);
        ++r;
    }
    lblNote = valueLabel("lblNote", QStringLiteral("Note"), area);
    lblNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblNote->setWordWrap(true);
    // The files share the note's place, which keeps it whole for a
    // document without files; the rows above never move.
    panFiles = new DocumentFilesPanel(area);
    auto* noteArea = new QVBoxLayout;
    noteArea->addWidget(lblNote, 2);
    noteArea->addWidget(panFiles, 3);
    grid->addLayout(noteArea, r, 0, 1, 2);
    grid->setRowStretch(r, 3);
    grid->setColumnStretch(1, 1);
}

void frmMain::buildFilters(QWidget* area) {
    auto* grid = new QGridLayout(area);
    grid->setContentsMargins(0, 0, 0, 0);
    cmbType = named(new QComboBox(area), "cmbType");
    cmbType->setEditable(true);
    cmbType->setInsertPolicy(QComboBox::NoInsert);
    cmbType->lineEdit()->setAccessibleName(QStringLiteral("Type"));
    cmbDate = named(new QComboBox(area), "cmbDate");
    txtFilterDesc = named(new QLineEdit(area), "txtFilterDesc");
    txtFilterWho = named(new QLineEdit(area), "txtFilterWho");
    txtFilterNote = named(new QLineEdit(area), "txtFilterNote");
    txtFilterContents = named(new QLineEdit(area), "txtFilterContents");
    const std::pair<const char*, QWidget*> rows[] = {
        {"Type:", cmbType},     {"Date:", cmbDate},       {"Desc:", txtFilterDesc},
        {"Who:", txtFilterWho}, {"Note:", txtFilterNote}, {"Contents:", txtFilterContents}};
    int r = 0;
    for (const auto& [caption, control] : rows) {
        auto* label = new QLabel(QLatin1String(caption), area);
        label->setBuddy(control);
        control->setAccessibleName(QLatin1String(caption).chopped(1));
        if (control == txtFilterContents) {
            // Its longer caption sits in the row itself, so the column of
            // captions, and every filter beside it, keep their width.
            auto* row = new QHBoxLayout;
            row->addWidget(label);
            row->addWidget(control, 1);
            grid->addLayout(row, r, 0, 1, 2);
        } else {
            grid->addWidget(label, r, 0);
            grid->addWidget(control, r, 1);
        }
        grid->setRowStretch(r, 1);
        ++r;
    }
    chkFilterOn = named(new QCheckBox(QStringLiteral("Filter On"), area), "chkFilterOn");
    grid->addWidget(chkFilterOn, r, 1);
    grid->setRowStretch(r, 1);
    grid->setColumnStretch(1, 1);
}

void frmMain::buildOrder(QWidget* area) {
    auto* box = new QVBoxLayout(area);
    box->setContentsMargins(0, 0, 0, 0);
    const char* captions[] = {"ID (descending)", "Description", "ID"};
    auto* group = new QButtonGroup(this);
    for (int k = 0; k < 3; ++k) {
        Order[static_cast<size_t>(k)] = new QRadioButton(QLatin1String(captions[k]), area);
        Order[static_cast<size_t>(k)]->setObjectName(QStringLiteral("Order%1").arg(k));
        group->addButton(Order[static_cast<size_t>(k)], k);
        box->addWidget(Order[static_cast<size_t>(k)], 1);
    }
    Order[0]->setChecked(true);
    cmdSetAsDefault =
        named(new QPushButton(QStringLiteral("Set as default"), area), "cmdSetAsDefault");
    cmdSetAsDefault->setAutoDefault(false);
    connect(cmdSetAsDefault, &QPushButton::clicked, this, [this] { cmdSetAsDefault_Click(); });
    box->addWidget(cmdSetAsDefault, 1);
    lblSetAsDefaultOk = named(new QLabel(QStringLiteral("SET"), area), "lblSetAsDefaultOk");
    lblSetAsDefaultOk->setAlignment(Qt::AlignCenter);
    lblSetAsDefaultOk->hide();
    // The hidden label keeps its place, so showing it moves nothing.
    QSizePolicy keep = lblSetAsDefaultOk->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    lblSetAsDefaultOk->setSizePolicy(keep);
    box->addWidget(lblSetAsDefaultOk, 1);
    tmrSetAsDefault = named(new QTimer(this), "tmrSetAsDefault");
    tmrSetAsDefault->setInterval(1000);
    tmrSetAsDefault->setSingleShot(true);
    connect(tmrSetAsDefault, &QTimer::timeout, lblSetAsDefaultOk, &QWidget::hide);
}

void frmMain::buildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    mnuFileExportList =
        named(file->addAction(QStringLiteral("&Export List...")), "mnuFileExportList");
    mnuFilePrint = named(file->addAction(QStringLiteral("&Print...")), "mnuFilePrint");
    mnuFilePrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    addBackUpCommand(file, this);
    file->addSeparator();
    mnuFileExit = named(file->addAction(QStringLiteral("E&xit")), "mnuFileExit");
    QMenu* maintenance = menuBar()->addMenu(QStringLiteral("&Maintenance"));
    maintenance->setObjectName(QStringLiteral("mnuMaintenance"));
    mnuMaintenanceTypes =
        named(maintenance->addAction(QStringLiteral("Manage &Types...")), "mnuMaintenanceTypes");
    mnuMaintenanceTypes->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    mnuMaintenanceHistory = named(maintenance->addAction(QStringLiteral("Document &History...")),
                                  "mnuMaintenanceHistory");
    mnuMaintenanceHistory->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    mnuMaintenanceHistory->setEnabled(false);
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpContents = named(help->addAction(QStringLiteral("&Contents...")), "mnuHelpContents");
    mnuHelpAbout = named(help->addAction(QStringLiteral("&About...")), "mnuHelpAbout");

    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);
    connect(mnuFileExportList, &QAction::triggered, this, [this] { mnuFileExportList_Click(); });
    connect(mnuFilePrint, &QAction::triggered, this, [this] { mnuFilePrint_Click(); });
    connect(mnuMaintenanceTypes, &QAction::triggered, this,
            [this] { mnuMaintenanceTypes_Click(); });
    connect(mnuMaintenanceHistory, &QAction::triggered, this,
            [this] { mnuMaintenanceHistory_Click(); });
    connect(mnuHelpContents, &QAction::triggered, this, [this] { mnuHelpContents_Click(); });
    connect(mnuHelpAbout, &QAction::triggered, this, [this] { reports::showAbout(this); });
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    // cmdChange is the window's default button: Enter not taken by the
    // control with the focus presses it.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier && cmdChange->isEnabled()) {
        cmdChange->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Closing ends the program at once: no question, nothing saved; the
    // register and its recordsets are released as the program ends.
    event->accept();
    QCoreApplication::quit();
}
