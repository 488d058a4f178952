// Stand-in until the storage of files lands: every call fails.
#include "document_files.h"

namespace store {
namespace {
[[noreturn]] void missing() {
    throw EngineError(err::IoError, QStringLiteral("Files are not stored by this build."));
}
} // namespace
StagedFile stageFile(const Database&, QIODevice&, const QString&, const FileProgress&) {
    missing();
}
StagedFile stageFile(const Database&, const QString&, const FileProgress&) {
    missing();
}
void releaseStaged(const Database&, const StagedFile&) noexcept {}
int removeAbandonedStaging(const Database&) {
    return 0;
}
std::vector<StoredFile> documentFiles(const Database&, qint64) {
    return {};
}
void readFile(const Database&, const StoredFile&, QIODevice&, const FileProgress&) {
    missing();
}
std::optional<StoredFile> nextFileToRead(const Database&) {
    return std::nullopt;
}
void storeFileText(const Database&, qint64, TextState, const QString&) {}
} // namespace store
