#pragma once
// The detail panel's files, below the note: the current document's files
// by name with their sizes, and a preview of the first one (or of the one
// chosen in the list), scaled to the panel. Enter or a double click on a
// file opens it with the desktop's application (editor/stored_file_
// actions.h). The area is hidden for a document without files.
//
// The preview is made on a worker with its own connection: the file is
// read back into a private copy (checked against its hash) and pictured
// by documents::readPreview under its limits; a damaged file, or one that
// cannot be pictured within the limits, shows a message instead. Only the
// latest preview asked for is shown; one under way for another file is
// stopped.
//
// Threading: user-interface thread only.

#include "store/document_files.h"

#include <QWidget>
#include <memory>
#include <vector>

class QListWidget;
class PreviewView;

namespace session {
class DatabaseWorker;
}

class DocumentFilesPanel : public QWidget {
    Q_OBJECT
public:
    explicit DocumentFilesPanel(QWidget* parent = nullptr);
    ~DocumentFilesPanel() override;

    /// The register's location, for the workers' connections.
    void setLocation(const QString& location) { location_ = location; }
    /// Shows the files of the document `recordPtr`, or hides the area when
    /// it has none; a document shown already keeps its preview. Raises
    /// EngineError.
    void showDocument(const store::Database& db, qint64 recordPtr);
    /// Empties and hides the area.
    void clear();
    /// Blocks until the preview asked for last is shown (for tests).
    bool waitForPreview(int msecs);

    QListWidget* lstFiles;
    PreviewView* imgPreview;

private:
    void fill(qint64 recordPtr, std::vector<store::StoredFile> files);
    void preview(int row);
    void openCurrent();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QString location_;
    std::vector<store::StoredFile> files_;
    qint64 recordPtr_ = 0;
    qint64 previewed_ = -1; ///< FilePtr of the file whose preview is shown or made
    quint64 generation_ = 0;
    std::unique_ptr<session::DatabaseWorker> previews_;
    std::unique_ptr<session::DatabaseWorker> actions_;
};
