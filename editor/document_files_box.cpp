// The editor's "Files" area (document_files_box.h).

#include "document_files_box.h"

#include "file_drop_list.h"
#include "platform/dialogs/failure_box.h"
#include "session/file_size_text.h"
#include "session/file_stager.h"
#include "stored_file_actions.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace editor {

struct DocumentFilesBox::Entry {
    enum class Kind { Stored, Storing, Staged };
    Kind kind = Kind::Stored;
    store::StoredFile file; ///< as read back: the stored file, or the staged content
    store::StagedFile staged;
    int job = 0;
    QTreeWidgetItem* item = nullptr;
};

DocumentFilesBox::DocumentFilesBox(QWidget* parent) : QWidget(parent) {
    lblFiles = new QLabel(QStringLiteral("Files:"), this);
    lblFiles->setObjectName(QStringLiteral("lblFiles"));
    lstFiles = new FileDropList(this);
    lstFiles->setObjectName(QStringLiteral("lstFiles"));
    lstFiles->setAccessibleName(QStringLiteral("Files"));
    lstFiles->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size")});
    lstFiles->header()->setStretchLastSection(false);
    lstFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lstFiles->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    lblFiles->setBuddy(lstFiles);
    cmdAttach = new QPushButton(QStringLiteral("A&ttach..."), this);
    cmdAttach->setObjectName(QStringLiteral("cmdAttach"));
    cmdRemove = new QPushButton(QStringLiteral("&Remove"), this);
    cmdRemove->setObjectName(QStringLiteral("cmdRemove"));
    cmdOpen = new QPushButton(QStringLiteral("&Open"), this);
    cmdOpen->setObjectName(QStringLiteral("cmdOpen"));
    cmdSaveAs = new QPushButton(QStringLiteral("&Save As..."), this);
    cmdSaveAs->setObjectName(QStringLiteral("cmdSaveAs"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(lblFiles, 0, 0, 1, 2);
    grid->addWidget(lstFiles, 1, 0);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {cmdAttach, cmdRemove, cmdOpen, cmdSaveAs}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    grid->addLayout(buttons, 1, 1);
    grid->setColumnStretch(0, 1);

    setTabOrder(lstFiles, cmdAttach);
    setTabOrder(cmdAttach, cmdRemove);
    setTabOrder(cmdRemove, cmdOpen);
    setTabOrder(cmdOpen, cmdSaveAs);

    connect(cmdAttach, &QPushButton::clicked, this, &DocumentFilesBox::chooseFiles);
    connect(cmdRemove, &QPushButton::clicked, this, &DocumentFilesBox::removeCurrent);
    connect(cmdOpen, &QPushButton::clicked, this, &DocumentFilesBox::openCurrent);
    connect(cmdSaveAs, &QPushButton::clicked, this, &DocumentFilesBox::saveCurrent);
    connect(lstFiles, &FileDropList::openRequested, this, &DocumentFilesBox::openCurrent);
    connect(lstFiles, &QTreeWidget::itemDoubleClicked, this, &DocumentFilesBox::openCurrent);
    connect(lstFiles, &FileDropList::removeRequested, this, &DocumentFilesBox::removeCurrent);
    connect(lstFiles, &FileDropList::dropped, this,
            [this](const QMimeData* mime) { attachData(*mime); });
    connect(lstFiles, &FileDropList::pasteRequested, this, [this] {
        if (const QMimeData* mime = QApplication::clipboard()->mimeData())
            attachData(*mime);
    });
    connect(lstFiles, &QTreeWidget::currentItemChanged, this, &DocumentFilesBox::updateButtons);
    updateButtons();
}

// The stager goes first: it stops what it stores and lets every staged
// file go while the entries still stand.
DocumentFilesBox::~DocumentFilesBox() {
    stager_.reset();
}

session::FileStager& DocumentFilesBox::stager() {
    if (!stager_) {
        stager_ = std::make_unique<session::FileStager>(location_);
        connect(stager_.get(), &session::FileStager::progress, this, &DocumentFilesBox::progress);
        connect(stager_.get(), &session::FileStager::staged, this, &DocumentFilesBox::staged);
        connect(stager_.get(), &session::FileStager::failed, this, &DocumentFilesBox::failed);
    }
    return *stager_;
}

void DocumentFilesBox::load(const store::Database& db, qint64 recordPtr) {
    for (const store::StoredFile& f : store::documentFiles(db, recordPtr)) {
        auto e = std::make_unique<Entry>();
        e->file = f;
        addEntry(std::move(e));
    }
}

void DocumentFilesBox::addEntry(std::unique_ptr<Entry> entry) {
    entry->item = new QTreeWidgetItem(lstFiles);
    entry->item->setText(0, entry->kind == Entry::Kind::Storing ? entry->staged.name
                                                                : entry->file.name);
    entry->item->setText(1, entry->kind == Entry::Kind::Storing
                                ? QStringLiteral("Adding...")
                                : session::fileSizeText(entry->file.size));
    entries_.push_back(std::move(entry));
    if (!lstFiles->currentItem())
        lstFiles->setCurrentItem(entries_.back()->item);
    updateButtons();
}

void DocumentFilesBox::chooseFiles() {
    QFileDialog dialog(this, QStringLiteral("Attach Files"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDirectory(QDir::homePath());
    if (dialog.exec() == QDialog::Accepted)
        attachFiles(dialog.selectedFiles());
    lstFiles->setFocus();
}

void DocumentFilesBox::attachFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        auto e = std::make_unique<Entry>();
        e->kind = Entry::Kind::Storing;
        e->staged.name = QFileInfo(path).fileName();
        e->job = stager().stage(path);
        lstFiles->setCurrentItem(nullptr);
        addEntry(std::move(e));
    }
    if (!paths.isEmpty())
        emit changed();
}

void DocumentFilesBox::attachData(const QMimeData& mime) {
    QStringList paths;
    for (const QUrl& url : mime.urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    if (!paths.isEmpty()) {
        attachFiles(paths);
        return;
    }
    const QImage image = qvariant_cast<QImage>(mime.imageData());
    if (image.isNull())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    auto e = std::make_unique<Entry>();
    e->kind = Entry::Kind::Storing;
    e->staged.name = QStringLiteral("Pasted picture.png");
    e->job = stager().stage(png, e->staged.name);
    lstFiles->setCurrentItem(nullptr);
    addEntry(std::move(e));
    emit changed();
}

DocumentFilesBox::Entry* DocumentFilesBox::byJob(int job) {
    for (auto& e : entries_)
        if (e->kind == Entry::Kind::Storing && e->job == job)
            return e.get();
    return nullptr;
}

void DocumentFilesBox::progress(int job, qint64 done, qint64 total) {
    if (Entry* e = byJob(job); e && total > 0)
        e->item->setText(1, QStringLiteral("Adding... %1%").arg(done * 100 / total));
}

void DocumentFilesBox::staged(int job, const store::StagedFile& file) {
    Entry* e = byJob(job);
    if (!e) {
        // Removed while it was being stored.
        stager().release(file);
        return;
    }
    e->kind = Entry::Kind::Staged;
    e->staged = file;
    e->file.contentPtr = file.contentPtr;
    e->file.name = file.name;
    e->file.size = file.size;
    e->file.sha256 = file.sha256;
    e->item->setText(0, file.name);
    e->item->setText(1, session::fileSizeText(file.size));
    updateButtons();
}

void DocumentFilesBox::failed(int job, const QString& message) {
    Entry* e = byJob(job);
    if (!e)
        return; // removed while it was being stored: nothing to tell
    drop(e);
    dialogs::showFailure(this, message);
}

void DocumentFilesBox::drop(Entry* entry) {
    delete entry->item;
    entries_.erase(std::find_if(entries_.begin(), entries_.end(),
                                [entry](const auto& e) { return e.get() == entry; }));
    updateButtons();
}

DocumentFilesBox::Entry* DocumentFilesBox::current() {
    QTreeWidgetItem* item = lstFiles->currentItem();
    for (auto& e : entries_)
        if (item && e->item == item)
            return e.get();
    return nullptr;
}

void DocumentFilesBox::removeCurrent() {
    Entry* e = current();
    if (!e)
        return;
    const QString name = e->item->text(0);
    QMessageBox box(QMessageBox::Question, dialogs::applicationTitle(),
                    QStringLiteral("Remove \"%1\" from the document?").arg(name),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Ok);
    if (box.exec() != QMessageBox::Ok)
        return;
    switch (e->kind) {
    case Entry::Kind::Stored:
        detach_.push_back(e->file.filePtr);
        break;
    case Entry::Kind::Storing:
        break; // let go when its staging ends
    case Entry::Kind::Staged:
        stager().release(e->staged);
        break;
    }
    drop(e);
    lstFiles->setFocus();
    emit changed();
}

void DocumentFilesBox::openCurrent() {
    if (Entry* e = current(); e && e->kind != Entry::Kind::Storing)
        openStoredFile(stager().worker(), this, e->file);
}

void DocumentFilesBox::saveCurrent() {
    if (Entry* e = current(); e && e->kind != Entry::Kind::Storing)
        saveStoredFileAs(stager().worker(), this, e->file);
}

void DocumentFilesBox::updateButtons() {
    const Entry* e = current();
    const bool ready = e && e->kind != Entry::Kind::Storing;
    cmdRemove->setEnabled(e != nullptr);
    cmdOpen->setEnabled(ready);
    cmdSaveAs->setEnabled(ready);
}

std::vector<store::StagedFile> DocumentFilesBox::attach() const {
    std::vector<store::StagedFile> out;
    for (const auto& e : entries_)
        if (e->kind == Entry::Kind::Staged)
            out.push_back(e->staged);
    return out;
}

bool DocumentFilesBox::busy() const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [](const auto& e) { return e->kind == Entry::Kind::Storing; });
}

} // namespace editor

namespace editor {

bool DocumentFilesBox::waitForIdle(int msecs) {
    return !stager_ || stager_->worker().waitForIdle(msecs);
}

} // namespace editor
