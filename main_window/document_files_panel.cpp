// The detail panel's files and preview (document_files_panel.h).

#include "document_files_panel.h"

#include "editor/stored_file_actions.h"
#include "platform/documents/file_reader.h"
#include "platform/documents/private_copy.h"
#include "preview_view.h"
#include "session/database_worker.h"
#include "session/file_size_text.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPointer>

namespace {

/// A preview is a first page: a file that takes longer is shown as too
/// large rather than keeping the panel (and the program's end) waiting.
documents::ReadLimits previewLimits() {
    documents::ReadLimits limits;
    limits.seconds = 10;
    limits.pages = 1;
    return limits;
}

/// Why a preview could not be made, for the panel.
QString noPreview(const documents::PreviewRead& read, const QString& name) {
    switch (read.outcome) {
    case documents::ReadOutcome::OverLimits:
        return QStringLiteral("\"%1\" is too large to preview.").arg(name);
    case documents::ReadOutcome::NoReader:
    case documents::ReadOutcome::Unreadable:
    case documents::ReadOutcome::Done:
        break;
    }
    return read.note.isEmpty() ? QStringLiteral("No preview of \"%1\".").arg(name) : read.note;
}

} // namespace

DocumentFilesPanel::DocumentFilesPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("panFiles"));
    lstFiles = new QListWidget(this);
    lstFiles->setObjectName(QStringLiteral("lstDocumentFiles"));
    lstFiles->setAccessibleName(QStringLiteral("Files"));
    lstFiles->installEventFilter(this);
    imgPreview = new PreviewView(this);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(lstFiles, 1);
    row->addWidget(imgPreview, 1);
    connect(lstFiles, &QListWidget::currentRowChanged, this, &DocumentFilesPanel::preview);
    connect(lstFiles, &QListWidget::itemDoubleClicked, this, &DocumentFilesPanel::openCurrent);
    hide();
}

DocumentFilesPanel::~DocumentFilesPanel() = default;

void DocumentFilesPanel::showDocument(const store::Database& db, qint64 recordPtr) {
    fill(recordPtr, store::documentFiles(db, recordPtr));
}

void DocumentFilesPanel::clear() {
    fill(0, {});
}

void DocumentFilesPanel::fill(qint64 recordPtr, std::vector<store::StoredFile> files) {
    const auto same = [&] {
        return recordPtr == recordPtr_ && files.size() == files_.size() &&
               std::equal(files.begin(), files.end(), files_.begin(),
                          [](const auto& a, const auto& b) {
                              return a.filePtr == b.filePtr && a.name == b.name;
                          });
    };
    if (same() && !files_.empty())
        return;
    recordPtr_ = recordPtr;
    files_ = std::move(files);
    previewed_ = -1;
    {
        const QSignalBlocker quiet(lstFiles);
        lstFiles->clear();
        for (const store::StoredFile& f : files_)
            lstFiles->addItem(QStringLiteral("%1 (%2)").arg(f.name, session::fileSizeText(f.size)));
    }
    setVisible(!files_.empty());
    if (files_.empty()) {
        if (previews_)
            previews_->cancel();
        ++generation_;
        imgPreview->showText(QString());
        return;
    }
    lstFiles->setCurrentRow(0); // the first file's preview
    preview(0);
}

void DocumentFilesPanel::preview(int row) {
    if (row < 0 || row >= static_cast<int>(files_.size()))
        return;
    const store::StoredFile file = files_[static_cast<size_t>(row)];
    if (file.filePtr == previewed_)
        return;
    previewed_ = file.filePtr;
    if (!previews_)
        previews_ = std::make_unique<session::DatabaseWorker>(location_);
    previews_->cancel();
    const quint64 generation = ++generation_;
    imgPreview->showText(QStringLiteral("Making the preview..."));
    const QSize size = imgPreview->size() * imgPreview->devicePixelRatio();
    QPointer<DocumentFilesPanel> self(this);
    previews_->post([self, generation, file, size](session::DatabaseWorker::Access& access) {
        QImage image;
        QString text;
        try {
            documents::PrivateCopy copy(file.name);
            store::readFile(access.db(), file, copy.device(),
                            [&access](qint64, qint64) { return !access.cancelled(); });
            copy.finish();
            const documents::PreviewRead read = documents::readPreview(
                copy.path(), file.name, size.expandedTo(QSize(64, 64)), previewLimits());
            if (read.outcome == documents::ReadOutcome::Done && !read.image.isNull())
                image = read.image;
            else
                text = noPreview(read, file.name);
        } catch (const Failure& e) {
            if (access.cancelled())
                return;
            text = e.text();
        }
        if (!self)
            return;
        session::DatabaseWorker::deliver(self.data(), [self, generation, image, text, file] {
            DocumentFilesPanel* panel = self.data();
            if (!panel || generation != panel->generation_)
                return;
            if (!image.isNull())
                panel->imgPreview->showImage(image, file.name);
            else
                panel->imgPreview->showText(text);
        });
    });
}

void DocumentFilesPanel::openCurrent() {
    const int row = lstFiles->currentRow();
    if (row < 0 || row >= static_cast<int>(files_.size()))
        return;
    if (!actions_)
        actions_ = std::make_unique<session::DatabaseWorker>(location_);
    editor::openStoredFile(*actions_, window(), files_[static_cast<size_t>(row)]);
}

bool DocumentFilesPanel::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a file opens it, rather than pressing the window's Change.
    if (watched == lstFiles && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            openCurrent();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool DocumentFilesPanel::waitForPreview(int msecs) {
    QElapsedTimer t;
    t.start();
    while (imgPreview->text() == QLatin1String("Making the preview...") && t.elapsed() < msecs)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return imgPreview->text() != QLatin1String("Making the preview...");
}
