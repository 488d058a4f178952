// frmMain's start-up sequence and its date-range list (see frm_main.h).
//
// The steps run in their fixed order; every failure becomes a StartupError
// whose text names the file and the cause. Failures are found before
// anything is written: the template is checked before its copy gets the
// register's name, and an existing register is only opened.

#include "editor/type_list_combo.h"
#include "frm_main.h"
#include "platform/dialogs/failure_box.h"
#include "platform/settings/settings.h"
#include "session/program_state.h"
#include "session/type_lookups.h"
#include "store/engine_error.h"
#include "store/register.h"
#include "store/schema.h"
#include "store/undecoded_dates.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <memory>

namespace program = session::program;

namespace {

const QString defaultOrder = QStringLiteral("ID DESC");

/// The whole list in the order `orderBy` as the list's source.
void showUnfiltered(session::DataControl& list, const QString& orderBy) {
    ListFilter unfiltered;
    unfiltered.orderBy = orderBy;
    list.setRecordSource(fnListStatement(unfiltered), fnListQuery(unfiltered));
}

/// Names the documents whose date another program stored in a form that is
/// no date: the first few IDs, then how many more.
QString undecodedDatesNote(const QList<qint64>& ids) {
    constexpr int named = 5;
    QStringList shown;
    for (qsizetype i = 0; i < ids.size() && i < named; ++i)
        shown << QString::number(ids[i]);
    QString list = shown.join(QStringLiteral(", "));
    if (ids.size() > named)
        list += QStringLiteral(" and %1 more").arg(ids.size() - named);
    const QString where = QStringLiteral("The list, the details and the export show %1 as stored; "
                                         "the date ranges leave %2 out and \"No Date\" lists %2. "
                                         "Correct %1 with Change.");
    if (ids.size() == 1)
        return QStringLiteral("The date of document ID %1 is not a date the program can read "
                              "(another program stored it). ")
                   .arg(list) +
               where.arg(QStringLiteral("it"), QStringLiteral("it"));
    return QStringLiteral("The dates of document IDs %1 are not dates the program can read "
                          "(another program stored them). ")
               .arg(list) +
           where.arg(QStringLiteral("them"), QStringLiteral("them"));
}

/// Shows how far the preparation of a register of an earlier build has
/// come (its text index filled), once it takes more than a moment. No
/// Cancel: the work is one transaction, undone whole if the program stops.
class PreparationProgress {
public:
    explicit PreparationProgress(QWidget* parent) : parent_(parent) {}

    void operator()(qint64 done, qint64 total) {
        if (!dialog_) {
            dialog_ = std::make_unique<QProgressDialog>(
                QStringLiteral("Preparing the register for fast searching..."), QString(), 0, 100,
                parent_);
            dialog_->setWindowTitle(QApplication::applicationName());
            dialog_->setAccessibleName(QStringLiteral("Preparing the register"));
            dialog_->setWindowModality(Qt::ApplicationModal);
            dialog_->setMinimumDuration(700);
            dialog_->setValue(0);
        }
        dialog_->setValue(total > 0 ? static_cast<int>(done * 100 / total) : 100);
    }

private:
    QWidget* parent_;
    std::unique_ptr<QProgressDialog> dialog_;
};

} // namespace

QString StartupOptions::templateFile() const {
    for (const QString& folder : templateFolders) {
        const QFileInfo candidate(
            QDir(folder).filePath(QLatin1String(store::schema::TemplateFile)));
        if (candidate.isFile())
            return candidate.absoluteFilePath();
    }
    return {};
}

namespace {

/// Runs one step of the start: a failure of the register becomes the
/// StartupError that says first what could not be done, then why.
template <class Step> auto startStep(const QString& what, Step&& step) -> decltype(step()) {
    try {
        return step();
    } catch (const store::EngineError& e) {
        throw StartupError(what + QStringLiteral("\n\n") + e.text());
    }
}

store::RecordsetPtr openDocumentsBy(const QString& index, const QString& registerFile) {
    return startStep(QStringLiteral("The documents of the register '%1' could not be opened in "
                                    "%2 order.")
                         .arg(registerFile, index),
                     [&index] {
                         auto rs = program::dbMain.openRecordset(QStringLiteral("Documents"),
                                                                 store::RecordsetType::Table);
                         rs->setIndex(index);
                         return rs;
                     });
}

} // namespace

StartupOptions StartupOptions::forProgram() {
    StartupOptions o;
    o.dataFolder = QDir::currentPath();
    const QDir bin(QCoreApplication::applicationDirPath());
    o.templateFolders = {o.dataFolder, bin.absoluteFilePath(QStringLiteral("..")),
                         bin.absoluteFilePath(QStringLiteral("../share/tolvane"))};
    return o;
}

void frmMain::startUp(const StartupOptions& options) {
    const QDir folder(options.dataFolder);
    const QString registerFile =
        options.server.isEmpty()
            ? folder.absoluteFilePath(QLatin1String(store::schema::DatabaseFile))
            : options.server;
    // Messages name the register without a password its address may hold.
    const QString shown = store::shownLocation(registerFile);

    // 1-2. The order: "ID DESC" unless a non-blank order was saved.
    sOrderBy_ = defaultOrder;
    const QString saved = platform::settings::GetSetting(
        QStringLiteral("Arkelby"), QStringLiteral("Default"), QStringLiteral("Order"));
    if (!store::fnIsBlank(saved))
        sOrderBy_ = saved;

    // 3-4. The matching option button, then the list's statement.
    bLoading_ = true;
    if (sOrderBy_ == QLatin1String("DESCRIPTION"))
        Order[1]->click();
    else if (sOrderBy_ == QLatin1String("ID"))
        Order[2]->click();
    showUnfiltered(*dtaDocuments, sOrderBy_);
    bLoading_ = false;

    // 5. The help file.
    sHelpFile_ = folder.absoluteFilePath(QStringLiteral("Veld.Hlp"));

    // 6. The register: opened, or made first (from the template, for a
    // file) with the older dBase register imported into it when that lies
    // in the data folder. What starts killed part way left behind (a
    // temporary copy, its lock file) goes, also when one of them had
    // already given the register its name.
    store::clearStartLeftovers(registerFile);
    store::RegisterSetup setup;
    if (store::registerFileMissing(registerFile)) {
        setup.templateFile = options.templateFile();
        if (setup.templateFile.isEmpty())
            throw StartupError(
                QStringLiteral("The register '%1' does not exist, and the empty register '%2' "
                               "to make it from was found in none of these folders:\n%3")
                    .arg(shown, QLatin1String(store::schema::TemplateFile),
                         options.templateFolders.join('\n')));
    }
    if (folder.exists(QStringLiteral("Document.DBF")) && options.importLegacy)
        setup.fill = options.importLegacy;
    const QString opening =
        setup.templateFile.isEmpty()
            ? QStringLiteral("The register '%1' could not be opened.").arg(shown)
            : QStringLiteral("The register '%1' could not be made from '%2'.")
                  .arg(shown, setup.templateFile);
    PreparationProgress preparation(this);
    setup.progress = [&preparation](qint64 done, qint64 total) { preparation(done, total); };
    program::dbMain = startStep(opening, [&] { return store::openRegister(registerFile, setup); });

    offerReadingOnly();

    // 7. The list.
    openList(registerFile);

    // 8-9. The shared table recordsets.
    program::rsRecordPtr = openDocumentsBy(QStringLiteral("RecordPtr"), shown);
    program::rsDescription = openDocumentsBy(QStringLiteral("Description"), shown);
    program::rsWho = openDocumentsBy(QStringLiteral("Who"), shown);

    // 10-11. The type and date filters.
    startStep(
        QStringLiteral("The document types of the register '%1' could not be read.").arg(shown),
        [this] {
            editor::TypeListCombo types(*cmbType);
            session::FillTypeList(types, true);
            // The type filter keeps the numbers it was filled with, whatever
            // later fills of the shared table (the editor's) put there.
            typeRecordPtrs_ = program::TypeRecordPtrs;
        });
    SetDateList();
    // The grid reported the first row before the panel's table was open.
    DisplayCurrentRecordInformation();
    // Files whose text is still to be read (filed by a program killed
    // before it was read, or from the command line) are read from now on.
    if (!program::dbMain.readOnly())
        wakeTextReader();

    // 12. Dates other programs stored in no form of date: said once.
    QList<qint64> undecoded;
    try {
        undecoded = store::documentsWithUndecodedDates(program::dbMain);
    } catch (const store::EngineError&) {
        // The list was read; a note about it is not worth stopping the start.
    }
    if (!undecoded.isEmpty()) {
        QMessageBox box(QMessageBox::Information, QApplication::applicationName(),
                        undecodedDatesNote(undecoded), QMessageBox::Ok, this);
        box.exec();
    }
}

// A register this user may only read (a read-only file, folder or mount,
// a server role that may not change documents) is worked on read only:
// the title says so, and the commands that change it are off. Viewing,
// filtering, history, printing, export and backup stay.
void frmMain::offerReadingOnly() {
    const bool readOnly = program::dbMain.readOnly();
    setWindowTitle(readOnly ? QStringLiteral("Arkelby (read only)") : QStringLiteral("Arkelby"));
    for (QPushButton* change : {cmdAdd, cmdChange, cmdDelete})
        change->setEnabled(!readOnly);
    mnuMaintenanceTypes->setEnabled(!readOnly);
}

// Runs the list query. A saved order the query refuses (a hand-edited
// setting naming no field) would otherwise stop every start; the list
// falls back to "ID DESC" instead.
void frmMain::openList(const QString& registerFile) {
    const QString shown = store::shownLocation(registerFile);
    dtaDocuments->setDatabaseName(registerFile);
    dtaDocuments->setDatabase(program::dbMain);
    try {
        dtaDocuments->refresh();
        return;
    } catch (const store::EngineError& e) {
        if (sOrderBy_ == defaultOrder)
            throw StartupError(
                QStringLiteral("The document list of the register '%1' could not be read.\n\n%2")
                    .arg(shown, e.text()));
    }
    sOrderBy_ = defaultOrder;
    bLoading_ = true;
    Order[0]->click();
    bLoading_ = false;
    showUnfiltered(*dtaDocuments, sOrderBy_);
    startStep(
        QStringLiteral("The document list of the register '%1' could not be read.").arg(shown),
        [this] { dtaDocuments->refresh(); });
}

int frmMain::startUpOrReport(const StartupOptions& options) {
    try {
        startUp(options);
        return 0;
    } catch (const Failure& e) {
        dialogs::showFailure(nullptr, e, dialogs::Weight::Fatal);
        return 1;
    }
}

void frmMain::SetDateList() {
    cmbDate->addItems({QStringLiteral("ALL"), QStringLiteral("Last 30 days"),
                       QStringLiteral("Last 60 days"), QStringLiteral("Last 90 days"),
                       QStringLiteral("Last Year"), QStringLiteral("No Date")});
    if (cmbDate->currentIndex() < 0)
        cmbDate->setCurrentIndex(0);
}
