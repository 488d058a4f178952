#pragma once
// The editor's "Files" area: the files the document holds and those being
// attached, with "Attach...", "Remove", "Open" and "Save As...". Files
// come by the Attach dialog, dropped on the list, or pasted (files copied
// in a file manager, or a picture). Each one is stored at once, on the
// stager's worker (session/file_stager.h), its progress shown in the list;
// the document takes it, and loses the ones removed, only when the editor
// files it (attach(), detach() go into store::DocumentEntry). Removing
// asks first. Whatever was stored for a filing that never comes (Exit,
// closing the window) is let go when the box goes.
//
// Threading: user-interface thread only.

#include "store/document_files.h"

#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

class QLabel;
class QMimeData;
class QPushButton;

namespace session {
class FileStager;
}

namespace editor {

class FileDropList;

class DocumentFilesBox : public QWidget {
    Q_OBJECT
public:
    explicit DocumentFilesBox(QWidget* parent = nullptr);
    ~DocumentFilesBox() override;

    /// The register the files are stored in (see session::DatabaseWorker).
    void setLocation(const QString& location) { location_ = location; }
    /// Lists the files the document `recordPtr` holds; raises EngineError.
    void load(const store::Database& db, qint64 recordPtr);

    /// Stores the files at `paths` to be attached.
    void attachFiles(const QStringList& paths);
    /// Attaches what `data` holds: local files, or a picture (as PNG).
    void attachData(const QMimeData& mime);

    /// The files to attach with the filing, and the FilePtr of those to
    /// remove.
    std::vector<store::StagedFile> attach() const;
    std::vector<qint64> detach() const { return detach_; }
    /// True while a file is still being stored.
    bool busy() const;
    /// Blocks until the work on stored files asked for so far (storing,
    /// opening, saving) has ended, or `msecs` passed. For tests.
    bool waitForIdle(int msecs);

    // --- controls ---------------------------------------------------------
    QLabel* lblFiles;
    FileDropList* lstFiles;
    QPushButton* cmdAttach;
    QPushButton* cmdRemove;
    QPushButton* cmdOpen;
    QPushButton* cmdSaveAs;

signals:
    /// The list of files changed (a file attached or removed).
    void changed();

private:
    struct Entry;
    session::FileStager& stager();
    Entry* current();
    void addEntry(std::unique_ptr<Entry> entry);
    void chooseFiles();
    void removeCurrent();
    void openCurrent();
    void saveCurrent();
    void updateButtons();
    void staged(int job, const store::StagedFile& file);
    void failed(int job, const QString& message);
    void progress(int job, qint64 done, qint64 total);
    Entry* byJob(int job);
    void drop(Entry* entry);

    QString location_;
    std::unique_ptr<session::FileStager> stager_;
    std::vector<std::unique_ptr<Entry>> entries_;
    std::vector<qint64> detach_;
};

} // namespace editor
