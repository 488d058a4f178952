// The report window: see frm_print.h.

#include "frm_print.h"

#include "busy_cursor.h"
#include "elastic_layout.h"
#include "platform/a11y/value_label.h"
#include "platform/dialogs/failure_box.h"
#include "platform/print/print_engine.h"
#include "platform/print/print_error.h"
#include "report_run.h"
#include "store/recordset.h"
#include "type_names.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace reports {

QString applicationTitle() {
    return dialogs::applicationTitle();
}

frmPrint::frmPrint(store::Database db, std::function<QString()> recordSource, QWidget* parent)
    : QDialog(parent), dbMain(std::move(db)), sRecordSource(std::move(recordSource)) {
    setWindowTitle(QStringLiteral("Print"));
    buildControls();
}

frmPrint::~frmPrint() = default;

void frmPrint::buildControls() {
    QWidget* upper = buildUpperBand();
    QWidget* lower = buildPreviewPane();

    auto* whole = new QVBoxLayout(this);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->setSpacing(0);
    whole->addWidget(upper, 0);
    whole->addWidget(lower, 1);
    resize(QSize(11070, 8265) / ElasticLayout::TwipsPerPixel);

    setDesignTabOrder();
    connectControls();
}

// Upper band: the design's controls at their design positions.
QWidget* frmPrint::buildUpperBand() {
    auto* upper = new QWidget(this);
    auto* band = new ElasticLayout(QSize(11070, 1770), 1.0, upper);

    lblRecordCount = new QLabel(upper);
    a11y::showsValue(lblRecordCount, QStringLiteral("Number of documents to print"));
    lblRecordCount->setWordWrap(true);
    lblRecordCount->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    band->addWidget(lblRecordCount, QRect(150, 210, 1140, 735));

    band->addWidget(buildContentFrame(upper), QRect(1665, 210, 1290, 1410));

    lblPrinted = new QLabel(QStringLiteral("Printed"), upper);
    QFont bold = lblPrinted->font();
    bold.setBold(true);
    lblPrinted->setFont(bold);
    lblPrinted->setAlignment(Qt::AlignCenter);
    lblPrinted->setAutoFillBackground(true);
    QPalette yellow = lblPrinted->palette();
    yellow.setColor(QPalette::Window, QColor(255, 255, 192));
    yellow.setColor(QPalette::WindowText, Qt::black);
    lblPrinted->setPalette(yellow);
    lblPrinted->hide();
    band->addWidget(lblPrinted, QRect(3735, 285, 915, 270));

    cmdPrint = new QPushButton(QStringLiteral("Print"), upper);
    band->addWidget(cmdPrint, QRect(3600, 615, 1155, 330));
    cmdPreview = new QPushButton(QStringLiteral("Preview"), upper);
    band->addWidget(cmdPreview, QRect(3600, 1005, 1155, 270));
    cmdPrintSetup = new QPushButton(QStringLiteral("Print Setup..."), upper);
    band->addWidget(cmdPrintSetup, QRect(3600, 1335, 1155, 285));
    cmdExit = new QPushButton(QStringLiteral("Exit"), upper);
    band->addWidget(cmdExit, QRect(9870, 615, 675, 330));
    for (auto* b : {cmdPrint, cmdPreview, cmdPrintSetup, cmdExit})
        b->setAutoDefault(false);
    return upper;
}

// The frame "Report Content": one check box per report column.
QGroupBox* frmPrint::buildContentFrame(QWidget* upper) {
    Frame1 = new QGroupBox(QStringLiteral("Report Content"), upper);
    auto* frame = new ElasticLayout(QSize(1290, 1410), 1.0, Frame1);
    const char* captions[] = {"Description", "ID", "Type", "Date", "Who"};
    const int tops[] = {435, 225, 645, 855, 1080};
    for (int i = 0; i < 5; ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(captions[i]), Frame1);
        frame->addWidget(box, QRect(60, tops[i], 1155, 240));
        chkFields[static_cast<size_t>(i)] = box;
    }
    // ID and Description always print: shown grayed and never read.
    for (int i : {0, 1}) {
        chkFields[static_cast<size_t>(i)]->setTristate(true);
        chkFields[static_cast<size_t>(i)]->setCheckState(Qt::PartiallyChecked);
        chkFields[static_cast<size_t>(i)]->setEnabled(false);
    }
    return Frame1;
}

// Lower part: the print engine, hidden until the first preview.
QWidget* frmPrint::buildPreviewPane() {
    auto* lower = new QWidget(this);
    auto* pane = new ElasticLayout(QSize(11070, 6495), 0.3, lower);
    VSP = new print::PrintEngine(lower);
    VSP->setPdfProposal(QStringLiteral("Arkelby report.pdf"));
    pane->addWidget(VSP, QRect(150, 165, 10800, 6135));
    VSP->hide();
    return lower;
}

// Tab order of the design; labels and the frame take no focus.
void frmPrint::setDesignTabOrder() {
    QList<QWidget*> chain{cmdExit, cmdPrint, cmdPrintSetup};
    for (auto* box : chkFields)
        chain << box;
    chain << VSP->pane()->focusChain();
    chain << cmdPreview;
    for (int i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);
    cmdExit->setFocus();
}

// The "Printed" timer and the buttons.
void frmPrint::connectControls() {
    tmrPrinted = new QTimer(this);
    tmrPrinted->setInterval(2000);
    connect(tmrPrinted, &QTimer::timeout, this, [this] {
        tmrPrinted->stop();
        lblPrinted->hide();
    });
    tmrPrinted->start();

    connect(cmdPreview, &QPushButton::clicked, this, [this] {
        bool preview = true;
        PrintReport(preview);
    });
    connect(cmdPrint, &QPushButton::clicked, this, [this] {
        bool preview = false;
        PrintReport(preview);
    });
    connect(cmdPrintSetup, &QPushButton::clicked, this, [this] { VSP->printSetup(this); });
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::reject);
}

bool frmPrint::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        scheduleActivation();
    return QDialog::event(e);
}

void frmPrint::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    scheduleActivation();
}

// Showing and activating arrive together; both are taken as one activation,
// after the window has been drawn.
void frmPrint::scheduleActivation() {
    if (bActivationPending || bClosing)
        return;
    bActivationPending = true;
    QTimer::singleShot(0, this, [this] {
        bActivationPending = false;
        Form_Activate();
    });
}

void frmPrint::Form_Activate() {
    if (bClosing || !isVisible())
        return;
    if (bRunning) {
        bActivationMissed = true;
        return;
    }
    try {
        const auto query = recordQuery ? recordQuery() : std::nullopt;
        auto rs = query ? dbMain.openRecordset(*query, store::RecordsetType::Snapshot)
                        : dbMain.openRecordset(sRecordSource(), store::RecordsetType::Snapshot);
        const QStringList names = rs->fieldNames();
        for (const char* needed : {"ID", "Description", "Date", "Who", "DocumentType"})
            if (!names.contains(QLatin1String(needed), Qt::CaseInsensitive))
                throw store::EngineError(
                    store::err::ItemNotFound,
                    QStringLiteral("The list has no field \"%1\".").arg(QLatin1String(needed)));
        rsReport = rs;
        if (rs->eof() || rs->bof()) {
            refuse(QStringLiteral("No information to print."));
            return;
        }
        rs->moveLast();
        lblRecordCount->setText(QString::number(rs->recordCount()) +
                                QStringLiteral(" documents to print"));
    } catch (const store::EngineError& e) {
        bClosing = true;
        dialogs::showFailure(
            this, QStringLiteral("The list of documents could not be read.\n%1").arg(e.text()));
        reject();
    }
}

void frmPrint::refuse(const QString& text) {
    bClosing = true;
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::Ok, this);
    box.exec();
    reject();
}

void frmPrint::showFailure(bool preview, const QString& what) {
    const QString head = preview ? QStringLiteral("The report could not be previewed.")
                                 : QStringLiteral("The report could not be printed.");
    dialogs::showFailure(this, head + QLatin1Char('\n') + what);
}

void frmPrint::PrintReport(bool& pPreview) {
    if (!rsReport || bRunning)
        return;
    const ReportOptions options{chkFields[2]->checkState() == Qt::Checked,
                                chkFields[3]->checkState() == Qt::Checked,
                                chkFields[4]->checkState() == Qt::Checked};
    // Without a printer the user chooses one (or a PDF file) first.
    if (!pPreview && !VSP->hasUsablePrinter() && !VSP->printSetup(this))
        return;

    const std::shared_ptr<store::Recordset> records = rsReport; // kept for the whole run
    TypeNames types(dbMain);
    QString failure;
    print::JobResult result = print::JobResult::Cancelled;
    bRunning = true;
    {
        BusyCursor busy;
        try {
            if (pPreview)
                VSP->setVisible(true);
            else
                VSP->setPreview(false);
            result = runReport(report_, *VSP, *records, options,
                               [&types](qint16 type) { return types.name(type); });
        } catch (const store::EngineError& e) {
            failure = QStringLiteral("The documents could not be read: %1").arg(e.text());
        } catch (const Failure& e) {
            failure = e.text();
        } catch (const std::exception& e) {
            failure = QString::fromStdString(e.what());
        }
        if (!failure.isEmpty()) {
            VSP->abortDoc();
            VSP->setPreview(true); // a failed print run must not turn the next preview into a print
        }
    }
    bRunning = false;
    if (!failure.isEmpty())
        showFailure(pPreview, failure);
    else if (result == print::JobResult::Printed) {
        lblPrinted->show();
        tmrPrinted->start();
    }
    if (bActivationMissed) {
        bActivationMissed = false;
        scheduleActivation();
    }
}

} // namespace reports
