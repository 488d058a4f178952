#pragma once
// Where an export's bytes go: the file the user named, or standard output.
//
// A name where nothing is yet, or a regular file, is written under a
// temporary name beside it that takes the name only once complete
// (QSaveFile): a failed export leaves whatever was there before, and
// nothing half-written. A name that is something else is never replaced:
// a FIFO or a terminal (also through a symbolic link, as /dev/stdout is)
// is written directly, waiting for a reader as any program writing into a
// FIFO does; every other thing is refused: a folder, a device (so
// /dev/null never reports an export that went nowhere, and no disk or
// tape is written over), a socket, and a symbolic link to a file or to
// nothing (the link is not followed to replace what it points at, nor
// replaced itself). Standard output is written directly whatever it is.
// Written directly, every write error is reported (a full disk, a pipe
// whose reader has gone: the program ignores SIGPIPE so that this is
// EPIPE), and what was written before it stays.
//
// Failures raise ExportError (list_export.h) naming the target and the
// cause.

#include <QByteArrayView>
#include <QString>
#include <memory>

class QSaveFile;

namespace reports {

class ExportTarget {
public:
    /// The file `fileName`, opened (or refused) as the paragraph above says.
    explicit ExportTarget(const QString& fileName);
    /// Standard output.
    struct StandardOutput {};
    explicit ExportTarget(StandardOutput);
    ~ExportTarget();
    ExportTarget(const ExportTarget&) = delete;
    ExportTarget& operator=(const ExportTarget&) = delete;

    void write(QByteArrayView bytes);
    /// Ends the output: a regular file takes its name now.
    void commit();

    /// How messages name the target: "the file '...'" or "standard output".
    const QString& shownName() const { return shown_; }

    /// Raises ExportError: "<the target> could not be written: <cause>."
    [[noreturn]] void fail(const QString& cause) const;

private:
    void openDirect(const QString& fileName, bool followLink);

    QString shown_;
    std::unique_ptr<QSaveFile> file_; ///< a regular file, under its temporary name
    int fd_ = -1;                     ///< else the stream written directly
    bool ownsFd_ = false;
};

} // namespace reports
