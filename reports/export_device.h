#pragma once
// An export target seen as a device, for writers that take a QIODevice
// (store::readFile writing a stored file out). A failure of the target is
// kept rather than thrown through Qt's frames, and raised again by
// raiseFailure() once the writer has returned.

#include "export_target.h"
#include "list_export.h"

#include <QIODevice>
#include <exception>

namespace reports {

class ExportDevice : public QIODevice {
public:
    explicit ExportDevice(ExportTarget& target) : target_(target) { open(QIODevice::WriteOnly); }
    /// Raises the target's failure, if there was one.
    void raiseFailure() const {
        if (failure_)
            std::rethrow_exception(failure_);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        try {
            target_.write(QByteArrayView(data, size));
            return size;
        } catch (const Failure&) {
            failure_ = std::current_exception();
            return -1;
        }
    }

private:
    ExportTarget& target_;
    std::exception_ptr failure_;
};

} // namespace reports
