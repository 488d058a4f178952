#pragma once
// FileTextReader: reads the text of every stored file whose text is still
// to be read, in the background, and keeps it in the register, where the
// Contents filter finds it. One worker thread with its own connection to
// the register takes the next pending content (store::nextFileToRead,
// reserved so that another program's reader skips it), copies it into a
// private copy, has the reading helper read it under limits
// (documents::readText) and stores the words, or why there are none
// (store::storeFileText). A content whose bytes are damaged is marked
// unreadable with the reason. A program killed mid-read leaves the content
// pending, and the next reader reads it.
//
// The worker looks for pending content on start(), on wake() (after a
// document was filed with files) and every few seconds (files filed by
// other users); it does nothing on a register opened for reading only.
//
// Threading: construct, call and receive signals on the user-interface
// thread; the worker never touches a window or the program's own Database.

#include "platform/documents/file_reader.h"

#include <QObject>
#include <QString>
#include <memory>

namespace session {

class FileTextReader : public QObject {
    Q_OBJECT
public:
    /// A reader of the register at `location` (as Database::open takes
    /// it); nothing runs until start().
    explicit FileTextReader(QString location, documents::ReadLimits limits = {},
                            QObject* parent = nullptr);
    /// Stops the read under way (its content stays pending) and waits for
    /// the worker to end.
    ~FileTextReader() override;

    void start();
    /// Looks for pending content now.
    void wake();
    /// Blocks until nothing is left to read, or `msecs` passed (-1: no
    /// limit): for tests and for commands that need the text. False on
    /// timeout.
    bool waitForIdle(int msecs = -1);

signals:
    /// A content's text, or why it has none, was stored.
    void textStored(qint64 contentPtr);
    /// The register refused the reader (gone, or changed meanwhile); it
    /// tries again on the next wake() or look.
    void failed(const QString& message);

private:
    struct Worker;
    std::unique_ptr<Worker> w_;
};

} // namespace session
