#pragma once
// A private, read-only copy of a stored file on the local disk, for a
// reader, a preview or the desktop's own application: made in a folder of
// the user's own (mode 0700) under the runtime or temporary folder, with a
// name made safe (no folder part, no control characters, no leading dot or
// dash, at most 200 bytes, the extension kept), created with O_EXCL and
// never through a link, and made read-only (0400) once written.
//
// Use: PrivateCopy copy(name); store::readFile(db, file, copy.device());
//      copy.finish(); ... copy.path() ...
// The copy is removed when the object goes, unless keep() was called (a
// file handed to another application, removed when the program ends).

#include <QString>
#include <memory>

class QFile;
class QIODevice;

namespace documents {

class PrivateCopy {
public:
    /// Makes the empty file; raises failure::Failure naming the cause.
    explicit PrivateCopy(const QString& name);
    ~PrivateCopy();
    PrivateCopy(const PrivateCopy&) = delete;
    PrivateCopy& operator=(const PrivateCopy&) = delete;

    /// Where the bytes go until finish().
    QIODevice& device();
    /// Flushes, closes and makes the file read-only; raises on a failure.
    void finish();
    /// Leaves the file for others after this object goes; the program's
    /// private folder is removed with everything in it when it ends.
    void keep();
    QString path() const;

    /// The safe form of a file name as attached.
    static QString safeName(const QString& name);

private:
    std::unique_ptr<QFile> file_;
    QString path_;
    bool keep_ = false;
};

} // namespace documents
