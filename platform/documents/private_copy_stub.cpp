// Stand-in: a copy in a private temporary folder.
#include "private_copy.h"

#include "platform/failure/failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace documents {

namespace {
QString folder() {
    static QTemporaryDir dir;
    return dir.path();
}
} // namespace

PrivateCopy::PrivateCopy(const QString& name) {
    QString base = safeName(name);
    path_ = QDir(folder()).filePath(base);
    for (int n = 2; QFileInfo::exists(path_); ++n)
        path_ = QDir(folder()).filePath(QStringLiteral("%1 %2").arg(n).arg(base));
    file_ = std::make_unique<QFile>(path_);
    if (!file_->open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw Failure(Failure::Unnumbered, file_->errorString());
}

PrivateCopy::~PrivateCopy() {
    file_.reset();
    if (!keep_)
        QFile::remove(path_);
}

QIODevice& PrivateCopy::device() {
    return *file_;
}

void PrivateCopy::finish() {
    file_->close();
    QFile::setPermissions(path_, QFileDevice::ReadOwner);
}

void PrivateCopy::keep() {
    keep_ = true;
}

QString PrivateCopy::path() const {
    return path_;
}

QString PrivateCopy::safeName(const QString& name) {
    QString s = QFileInfo(name).fileName();
    while (s.startsWith(QLatin1Char('.')) || s.startsWith(QLatin1Char('-')))
        s.remove(0, 1);
    return s.isEmpty() ? QStringLiteral("file") : s;
}

} // namespace documents
